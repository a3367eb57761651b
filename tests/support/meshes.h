#ifndef KELMMATH_TESTS_SUPPORT_MESHES_H
#define KELMMATH_TESTS_SUPPORT_MESHES_H

// Small meshes shared by the mesh, topology and exchange-format tests. Each maker
// empties the caller's set (faces, vertices, normals, facets) and fills it; the
// manifold flag is left as it was. Coordinates are exact in binary.

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/faceprops.h"
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

// Empties fs and fills it with the given vertices and facets (corner triples).
inline void make_mesh(KelmMeshFacetSet& fs, const std::vector<KelmPoint>& points,
                      const std::vector<std::array<unsigned, 3>>& facets) {
    fs.clear();
    for (const KelmPoint& p : points) fs.createVertex(p);
    for (const auto& f : facets) add_facet(fs, f[0], f[1], f[2]);
}

// One facet (0, 1, 2) on (0,0,0), (1,0,0), (0,1,0).
inline void make_triangle(KelmMeshFacetSet& fs) {
    make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
}

// Closed tetrahedron, wound outward, no normals: vertices 0 (0,0,0), 1 (1,0,0),
// 2 (0,1,0), 3 (0,0,1); facets 0 (0,2,1) bottom, 1 (0,1,3) y=0, 2 (0,3,2) x=0,
// 3 (1,2,3) slanted. 6 edges, each used by two facets in opposite directions.
inline void make_tetrahedron(KelmMeshFacetSet& fs) {
    make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
              {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}});
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
    make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
              {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}});
}

// Non-manifold fan: three facets on the one edge 0-1, no normals. Vertices
// 0 (0,0,0), 1 (1,0,0), 2 (0.5,1,0), 3 (0.5,-1,0), 4 (0.5,0,1); facets
// 0 (0,1,2), 1 (1,0,3), 2 (0,1,4).
inline void make_nonmanifold_fan(KelmMeshFacetSet& fs) {
    make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}, {0.5, 0, 1}},
              {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
}

// The attribute pairs as "name=value", each after a space, "(null)" for a null text.
inline std::string attribute_text(const KelmMeshFaceAtts& atts) {
    auto text = [](const char* t) { return std::string(t ? t : "(null)"); };
    std::string s;
    const KelmMeshShellFaceAttributeVec& a = atts.getAttributes();
    for (unsigned k = 0; k < a.size(); ++k)
        s += " " + text(a.get(k)->name.str()) + "=" + text(a.get(k)->value.str());
    return s;
}

// Everything a set holds, as text: vertex and normal bits, each facet's vertex/normal
// indices ("-" for a null facet), then the faces with their ranges and properties in
// list order (colour, attribute pairs, "prop" for any other kind). Equal texts mean
// equal sets.
inline std::string fingerprint(const KelmMeshFacetSet& fs) {
    std::string s;
    auto put_bits = [&s](const double* p) {
        char buf[64];
        unsigned long long b[3];
        std::memcpy(b, p, sizeof b);
        std::snprintf(buf, sizeof buf, "%llx %llx %llx;", b[0], b[1], b[2]);
        s += buf;
    };
    for (unsigned v = 0; v < fs.getVertexCount(); ++v) put_bits(fs.rawverts().get(v));
    s += "\n";
    for (unsigned n = 0; n < fs.getNormalCount(); ++n) put_bits(fs.rawnormals().get(n));
    for (unsigned f = 0; f < fs.getFacetCount(); ++f) {
        const KelmMeshFacet* g = fs.getFacet(f);
        s += g ? "\n" : "\n-";
        for (unsigned k = 0; g && k < 3; ++k)
            s += std::to_string(g->vertex[k]) + "/" + std::to_string(g->normal[k]) + " ";
    }
    for (unsigned i = 0; i < fs.getFaceCount(); ++i) {
        const KelmMeshFace* face = fs.getFace(i);
        s += "\nface " + std::to_string(face->getFirstFacet()) + "+" +
             std::to_string(face->getFacetCount());
        for (KelmMeshFaceProp* p = face->getFirstProp(); p; p = p->getNext()) {
            if (p->getType() == KelmMeshFaceColor::getFacePropType()) {
                s += " colour " + std::to_string(static_cast<KelmMeshFaceColor*>(p)->getColor());
            } else if (p->getType() == KelmMeshFaceAtts::getFacePropType()) {
                s += attribute_text(*static_cast<KelmMeshFaceAtts*>(p));
            } else {
                s += " prop";
            }
        }
    }
    return s;
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_MESHES_H
