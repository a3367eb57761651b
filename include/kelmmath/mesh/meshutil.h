#ifndef KELMMATH_MESH_MESHUTIL_H
#define KELMMATH_MESH_MESHUTIL_H

#include "kelmmath/geom/bbox.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/geom/xform.h"
#include "kelmmath/kelmmath_export.h"
#include "kelmmath/mesh/facetset.h"

// Mesh bounds and box meshes.
//
// Every function that takes a transform comes as `const KelmXform&` and as
// `const double*` (16 values; null acts as the identity); vertices are mapped by
// kelm_xform_apply before they take part.
//
// kelm_mesh_bounds(box, fs [, xform])
//     grows box by every vertex of fs (KelmBoundingBox::update with the vertex
//     array); box is not cleared first; nothing for a null fs.
// kelm_mesh_bounds(box, fs, f [, xform])
//     clears box, then (fs and f both not null) adds the facet's three vertices in
//     corner order.
// kelm_mesh_update_bounds(box, fs [, xform])
//     forms the box of fs's vertices in a new empty box (left empty for a null fs or
//     a set without vertices) and grows box by that box.
// kelm_mesh_update_bounds(box, fs, f [, xform])
//     (fs and f both not null) grows box by the facet's three vertices.
// Deleted vertices take part as the point (KELM_NULL_REAL, KELM_NULL_REAL,
// KELM_NULL_REAL). The facet's vertex indices must be valid.
//
// kelm_mesh_make_box(fs, ...) appends to fs the closed box between two points
// (per axis lo = the smaller, hi = the larger coordinate): with k the vertex count
// before the call, eight vertices
//     k+0 (lo,lo,lo)  k+1 (hi,lo,lo)  k+2 (hi,hi,lo)  k+3 (lo,hi,lo)
//     k+4 (lo,lo,hi)  k+5 (hi,lo,hi)  k+6 (hi,hi,hi)  k+7 (lo,hi,hi)
// then, per side, one normal m and the two facets (p,q,r) and (r,s,p) of its
// corners (p,q,r,s), each corner with normal m:
//     bottom 0,3,2,1 (0,0,-1)   +x 1,2,6,5 (1,0,0)    +y 2,3,7,6 (0,1,0)
//     -x     3,0,4,7 (-1,0,0)   -y 0,1,5,4 (0,-1,0)   top 4,5,6,7 (0,0,1)
// so 8 vertices, 6 normals and 12 facets, all wound counter-clockwise seen from
// outside. No face is added, nothing is cleared, the manifold flag is untouched.
// The box form adds nothing for an empty box. fs and the points must be valid.
KELMMATH_API void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs);
KELMMATH_API void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                   const KelmXform& xform);
KELMMATH_API void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                   const double* xform);
KELMMATH_API void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                   const KelmMeshFacet* f);
KELMMATH_API void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                   const KelmMeshFacet* f, const KelmXform& xform);
KELMMATH_API void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                   const KelmMeshFacet* f, const double* xform);

KELMMATH_API void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs);
KELMMATH_API void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                          const KelmXform& xform);
KELMMATH_API void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                          const double* xform);
KELMMATH_API void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                          const KelmMeshFacet* f);
KELMMATH_API void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                          const KelmMeshFacet* f, const KelmXform& xform);
KELMMATH_API void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                                          const KelmMeshFacet* f, const double* xform);

KELMMATH_API void kelm_mesh_make_box(KelmMeshFacetSet* fs, const KelmBoundingBox& box);
KELMMATH_API void kelm_mesh_make_box(KelmMeshFacetSet* fs, double x1, double y1, double z1,
                                     double x2, double y2, double z2);
KELMMATH_API void kelm_mesh_make_box(KelmMeshFacetSet* fs, KelmPoint p1, KelmPoint p2);
KELMMATH_API void kelm_mesh_make_box(KelmMeshFacetSet* fs, const double* p1, const double* p2);

#endif  // KELMMATH_MESH_MESHUTIL_H
