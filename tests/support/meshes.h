#ifndef KELMMATH_TESTS_SUPPORT_MESHES_H
#define KELMMATH_TESTS_SUPPORT_MESHES_H

// Small meshes shared by the mesh, topology and exchange-format tests. Each maker
// empties the caller's set (faces, vertices, normals, facets) and fills it; the
// manifold flag is left as it was. Coordinates are exact in binary.

#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/mesh/meshutil.h"

namespace kelm_test {

// Appends a facet with vertex indices a, b, c and no corner normals; returns its index.
inline unsigned add_facet(KelmMeshFacetSet& fs, unsigned a, unsigned b, unsigned c) {
    unsigned idx = KELM_NONE;
    KelmMeshFacet* f = fs.createFacet(&idx);
    f->vertex[0] = a;
    f->vertex[1] = b;
    f->vertex[2] = c;
    return idx;
}

// Closed unit cube (0,0,0)-(1,1,1) built by kelm_mesh_make_box: 8 vertices,
// 6 normals, 12 facets wound outward, 18 edges, every corner with its side's normal.
inline void make_cube(KelmMeshFacetSet& fs) {
    fs.clear();
    kelm_mesh_make_box(&fs, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0);
}

// Closed tetrahedron, wound outward, no normals: vertices 0 (0,0,0), 1 (1,0,0),
// 2 (0,1,0), 3 (0,0,1); facets 0 (0,2,1) bottom, 1 (0,1,3) y=0, 2 (0,3,2) x=0,
// 3 (1,2,3) slanted. 6 edges, each used by two facets in opposite directions.
inline void make_tetrahedron(KelmMeshFacetSet& fs) {
    fs.clear();
    fs.createVertex(KelmPoint(0.0, 0.0, 0.0));
    fs.createVertex(KelmPoint(1.0, 0.0, 0.0));
    fs.createVertex(KelmPoint(0.0, 1.0, 0.0));
    fs.createVertex(KelmPoint(0.0, 0.0, 1.0));
    add_facet(fs, 0, 2, 1);
    add_facet(fs, 0, 1, 3);
    add_facet(fs, 0, 3, 2);
    add_facet(fs, 1, 2, 3);
}

// Open strip of four facets in the plane z = 0, all wound counter-clockwise seen
// from +z, no normals:
//
//   3 ---- 4 ---- 5      y = 1
//   |   /  |   /  |
//   | /    | /    |
//   0 ---- 1 ---- 2      y = 0   (x = 0, 1, 2)
//
// facets 0 (0,1,4), 1 (0,4,3), 2 (1,2,5), 3 (1,5,4); 9 edges, 6 of them on the
// boundary (one facet each) and 3 inner ones (0-4, 1-4, 1-5).
inline void make_open_strip(KelmMeshFacetSet& fs) {
    fs.clear();
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) fs.createVertex(KelmPoint(col, row, 0.0));
    add_facet(fs, 0, 1, 4);
    add_facet(fs, 0, 4, 3);
    add_facet(fs, 1, 2, 5);
    add_facet(fs, 1, 5, 4);
}

// Non-manifold fan: three facets on the one edge 0-1, no normals. Vertices
// 0 (0,0,0), 1 (1,0,0), 2 (0.5,1,0), 3 (0.5,-1,0), 4 (0.5,0,1); facets
// 0 (0,1,2), 1 (1,0,3), 2 (0,1,4).
inline void make_nonmanifold_fan(KelmMeshFacetSet& fs) {
    fs.clear();
    fs.createVertex(KelmPoint(0.0, 0.0, 0.0));
    fs.createVertex(KelmPoint(1.0, 0.0, 0.0));
    fs.createVertex(KelmPoint(0.5, 1.0, 0.0));
    fs.createVertex(KelmPoint(0.5, -1.0, 0.0));
    fs.createVertex(KelmPoint(0.5, 0.0, 1.0));
    add_facet(fs, 0, 1, 2);
    add_facet(fs, 1, 0, 3);
    add_facet(fs, 0, 1, 4);
}

// The facet that make_cube_with_flipped_facet turns over.
constexpr unsigned kFlippedFacet = 0;

// The unit cube of make_cube with facet kFlippedFacet wound the other way: its
// vertex indices become (0,2,3) instead of (0,3,2) (corners 1 and 2 swapped, corner
// normals kept), so its triangle normal is (0,0,1) while its stored corner normals
// and its neighbours say (0,0,-1).
inline void make_cube_with_flipped_facet(KelmMeshFacetSet& fs) {
    make_cube(fs);
    KelmMeshFacet* f = fs.getFacet(kFlippedFacet);
    const unsigned v1 = f->vertex[1];
    f->vertex[1] = f->vertex[2];
    f->vertex[2] = v1;
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_MESHES_H
