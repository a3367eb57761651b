#include "kelmmath/mesh/meshutil.h"

namespace {

// Grows box by the facet's three vertices, in corner order, each mapped by xform
// (null: unmoved).
void add_facet(KelmBoundingBox& box, const KelmMeshFacetSet* fs, const KelmMeshFacet* f,
               const double* xform) {
    const KelmReal3DArray& verts = fs->rawverts();
    for (unsigned int corner = 0; corner < 3; ++corner) {
        const double* p = verts.get(f->vertex[corner]);
        if (xform)
            box.update(p, xform);
        else
            box.update(p);
    }
}

// One side of the box mesh: its corners as offsets from the first new vertex, in
// counter-clockwise order seen from outside, and its outward normal.
struct BoxSide {
    unsigned int corner[4];
    double normal[3];
};

constexpr BoxSide kBoxSides[6] = {
    {{0, 3, 2, 1}, {0.0, 0.0, -1.0}},  // bottom
    {{1, 2, 6, 5}, {1.0, 0.0, 0.0}},   // +x
    {{2, 3, 7, 6}, {0.0, 1.0, 0.0}},   // +y
    {{3, 0, 4, 7}, {-1.0, 0.0, 0.0}},  // -x
    {{0, 1, 5, 4}, {0.0, -1.0, 0.0}},  // -y
    {{4, 5, 6, 7}, {0.0, 0.0, 1.0}},   // top
};

// Which of lo (0) or hi (1) each box vertex takes on x, y and z.
constexpr unsigned char kBoxVertexHi[8][3] = {
    {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1},
};

void add_box_facet(KelmMeshFacetSet* fs, unsigned int a, unsigned int b, unsigned int c,
                   unsigned int normal) {
    KelmMeshFacet* f = fs->createFacet(nullptr);
    f->vertex[0] = a;
    f->vertex[1] = b;
    f->vertex[2] = c;
    f->normal[0] = f->normal[1] = f->normal[2] = normal;
}

}  // namespace

// ---- bounds -----------------------------------------------------------------------

void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs) {
    kelm_mesh_bounds(box, fs, static_cast<const double*>(nullptr));
}

void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs, const KelmXform& xform) {
    kelm_mesh_bounds(box, fs, xform.data());
}

void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs, const double* xform) {
    if (!fs) return;
    if (xform)
        box.update(fs->rawverts(), xform);
    else
        box.update(fs->rawverts());
}

void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs, const KelmMeshFacet* f) {
    kelm_mesh_bounds(box, fs, f, static_cast<const double*>(nullptr));
}

void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs, const KelmMeshFacet* f,
                      const KelmXform& xform) {
    kelm_mesh_bounds(box, fs, f, xform.data());
}

void kelm_mesh_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs, const KelmMeshFacet* f,
                      const double* xform) {
    box.clear();
    if (fs && f) add_facet(box, fs, f, xform);
}

void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs) {
    kelm_mesh_update_bounds(box, fs, static_cast<const double*>(nullptr));
}

void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                             const KelmXform& xform) {
    kelm_mesh_update_bounds(box, fs, xform.data());
}

void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                             const double* xform) {
    // The mesh is bounded on its own first, so box is grown by one whole box
    // (and left alone when the mesh contributes nothing).
    KelmBoundingBox mesh_box;
    kelm_mesh_bounds(mesh_box, fs, xform);
    box.update(mesh_box);
}

void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                             const KelmMeshFacet* f) {
    kelm_mesh_update_bounds(box, fs, f, static_cast<const double*>(nullptr));
}

void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                             const KelmMeshFacet* f, const KelmXform& xform) {
    kelm_mesh_update_bounds(box, fs, f, xform.data());
}

void kelm_mesh_update_bounds(KelmBoundingBox& box, const KelmMeshFacetSet* fs,
                             const KelmMeshFacet* f, const double* xform) {
    if (fs && f) add_facet(box, fs, f, xform);
}

// ---- box mesh ---------------------------------------------------------------------

void kelm_mesh_make_box(KelmMeshFacetSet* fs, const KelmBoundingBox& box) {
    if (box.is_empty()) return;
    kelm_mesh_make_box(fs, box.minpt().data(), box.maxpt().data());
}

void kelm_mesh_make_box(KelmMeshFacetSet* fs, double x1, double y1, double z1, double x2, double y2,
                        double z2) {
    const double p1[3] = {x1, y1, z1};
    const double p2[3] = {x2, y2, z2};
    kelm_mesh_make_box(fs, p1, p2);
}

void kelm_mesh_make_box(KelmMeshFacetSet* fs, KelmPoint p1, KelmPoint p2) {
    kelm_mesh_make_box(fs, p1.data(), p2.data());
}

void kelm_mesh_make_box(KelmMeshFacetSet* fs, const double* p1, const double* p2) {
    // Both ends are read into locals before anything is appended: the points may
    // lie in fs's own vertex storage, which the appends can move.
    double ends[2][3];
    for (int axis = 0; axis < 3; ++axis) {
        const bool p2_greater = p2[axis] > p1[axis];
        ends[0][axis] = p2_greater ? p1[axis] : p2[axis];
        ends[1][axis] = p2_greater ? p2[axis] : p1[axis];
    }

    const unsigned int k = fs->getVertexCount();
    for (const auto& hi : kBoxVertexHi) {
        const double v[3] = {ends[hi[0]][0], ends[hi[1]][1], ends[hi[2]][2]};
        fs->createVertex(v);
    }
    for (const BoxSide& side : kBoxSides) {
        const unsigned int m = fs->createNormal(side.normal);
        const unsigned int p = k + side.corner[0], q = k + side.corner[1], r = k + side.corner[2],
                           s = k + side.corner[3];
        add_box_facet(fs, p, q, r, m);
        add_box_facet(fs, r, s, p, m);
    }
}
