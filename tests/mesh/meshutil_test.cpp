#include "kelmmath/mesh/meshutil.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/meshes.h"

namespace {

using V = std::vector<double>;
using U = std::vector<unsigned>;

V v3(const double* p) {
    return {p[0], p[1], p[2]};
}
V bounds(const KelmBoundingBox& b) {
    return {b.minx(), b.miny(), b.minz(), b.maxx(), b.maxy(), b.maxz()};
}

TEST(KelmMeshMakeBox, UnitBoxLayoutIsExactAndWoundOutward) {
    KelmMeshFacetSet fs;
    kelm_test::make_cube(fs);
    ASSERT_EQ(U({fs.getVertexCount(), fs.getNormalCount(), fs.getFacetCount(), fs.getFaceCount()}),
              U({8, 6, 12, 0}));
    const V corners[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                          {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    for (unsigned i = 0; i < 8; ++i) EXPECT_EQ(v3(fs.rawverts().get(i)), corners[i]);
    const V normals[6] = {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}};
    const U facets[12] = {{0, 3, 2}, {2, 1, 0}, {1, 2, 6}, {6, 5, 1}, {2, 3, 7}, {7, 6, 2},
                          {3, 0, 4}, {4, 7, 3}, {0, 1, 5}, {5, 4, 0}, {4, 5, 6}, {6, 7, 4}};
    for (unsigned i = 0; i < 12; ++i) {
        const KelmMeshFacet* f = fs.getFacet(i);
        EXPECT_EQ((U{f->vertex[0], f->vertex[1], f->vertex[2]}), facets[i]) << i;
        EXPECT_EQ((U{f->normal[0], f->normal[1], f->normal[2]}), U(3, i / 2)) << i;
        EXPECT_EQ(v3(fs.getNormal(i / 2)), normals[i / 2]);
        double n[3];
        fs.getFacetNormal(n, i);  // the computed normal is the stored one
        EXPECT_EQ(v3(n), normals[i / 2]) << i;
    }
    EXPECT_EQ(fs.getSurfaceArea(), 6.0);
}

TEST(KelmMeshMakeBox, FormsAgreeEndsMayComeInAnyOrderAndBoxesAppend) {
    const double p1[3] = {3, -2, 0.5}, p2[3] = {-1, 4, 2.5};  // p1 larger on x only
    KelmMeshFacetSet ref, swapped, scalars, points, boxed, none;
    kelm_mesh_make_box(&ref, p1, p2);
    EXPECT_EQ(v3(ref.rawverts().get(0)), (V{-1, -2, 0.5}));
    EXPECT_EQ(v3(ref.rawverts().get(6)), (V{3, 4, 2.5}));
    kelm_mesh_make_box(&swapped, p2, p1);
    kelm_mesh_make_box(&scalars, 3, -2, 0.5, -1, 4, 2.5);
    kelm_mesh_make_box(&points, KelmPoint(p1), KelmPoint(p2));
    KelmBoundingBox box;
    box.update(p1);
    box.update(p2);
    kelm_mesh_make_box(&boxed, box);
    for (const KelmMeshFacetSet* m : {&swapped, &scalars, &points, &boxed})
        EXPECT_EQ(kelm_test::fingerprint(*m), kelm_test::fingerprint(ref));
    kelm_mesh_make_box(&none, KelmBoundingBox());
    EXPECT_EQ(none.getVertexCount() + none.getNormalCount() + none.getFacetCount(), 0u);

    // A second box appends: nothing cleared, faces and flag untouched.
    ref.is_manifold(0);
    ref.createFace(0, 12);
    kelm_mesh_make_box(&ref, 5, 5, 5, 6, 7, 8);
    EXPECT_EQ(U({ref.getVertexCount(), ref.getNormalCount(), ref.getFacetCount(),
                 ref.getFaceCount(), static_cast<unsigned>(ref.is_manifold())}),
              U({16, 12, 24, 1, 0}));
    const KelmMeshFacet* f = ref.getFacet(12u);
    EXPECT_EQ((U{f->vertex[0], f->vertex[1], f->vertex[2], f->normal[0]}), (U{8, 11, 10, 6}));
    f = ref.getFacet(23u);
    EXPECT_EQ((U{f->vertex[0], f->vertex[1], f->vertex[2], f->normal[2]}), (U{14, 15, 12, 11}));

    // The ends may lie in the set's own vertex storage, which the call grows.
    KelmMeshFacetSet own;
    kelm_test::make_mesh(own, {{2, 2, 2}, {0, 0, 0}}, {});
    kelm_mesh_make_box(&own, own.rawverts().get(0), own.rawverts().get(1));
    EXPECT_EQ(v3(own.rawverts().get(8)), (V{2, 2, 2}));
}

TEST(KelmMeshBounds, WholeMeshForms) {
    KelmMeshFacetSet fs;
    kelm_mesh_make_box(&fs, 0, 0, 0, 1, 2, 3);
    KelmBoundingBox box;
    box.update(-5.0, 0.5, 0.5);
    kelm_mesh_bounds(box, &fs);  // grows, does not clear
    EXPECT_EQ(bounds(box), (V{-5, 0, 0, 1, 2, 3}));
    kelm_mesh_bounds(box, static_cast<const KelmMeshFacetSet*>(nullptr));
    EXPECT_EQ(bounds(box), (V{-5, 0, 0, 1, 2, 3}));

    // A quarter turn about z, then up by 10; both transform forms.
    const double m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1};
    KelmBoundingBox moved, viaclass, unmoved;
    kelm_mesh_bounds(moved, &fs, m);
    kelm_mesh_bounds(viaclass, &fs, KelmXform(m));
    kelm_mesh_bounds(unmoved, &fs, static_cast<const double*>(nullptr));
    EXPECT_EQ(bounds(moved), (V{-2, 0, 10, 0, 1, 13}));
    EXPECT_EQ(bounds(viaclass), bounds(moved));
    EXPECT_EQ(bounds(unmoved), (V{0, 0, 0, 1, 2, 3}));

    // update_bounds adds the mesh's own box, and nothing for no mesh.
    KelmMeshFacetSet empty_set;
    KelmBoundingBox grown, empty;
    grown.update(-1.0, -1.0, -1.0);
    kelm_mesh_update_bounds(grown, &fs, m);
    EXPECT_EQ(bounds(grown), (V{-2, -1, -1, 0, 1, 13}));
    kelm_mesh_update_bounds(grown, &fs, KelmXform(m));
    kelm_mesh_update_bounds(grown, static_cast<const KelmMeshFacetSet*>(nullptr));
    kelm_mesh_update_bounds(grown, &empty_set);
    EXPECT_EQ(bounds(grown), (V{-2, -1, -1, 0, 1, 13}));
    kelm_mesh_update_bounds(empty, &empty_set);
    EXPECT_EQ(empty.is_empty(), 1);

    // A deleted vertex still counts, as the point (null real, null real, null real).
    KelmMeshFacetSet holed;
    kelm_test::make_mesh(holed, {{1, 1, 1}, {-1, 2, -3}, {5, 5, 5}}, {});
    holed.deleteVertex(2);
    KelmBoundingBox b;
    kelm_mesh_bounds(b, &holed);
    EXPECT_EQ(bounds(b), (V{-1, KELM_NULL_REAL, -3, 1, 2, 1}));
}

TEST(KelmMeshBounds, FacetForms) {
    KelmMeshFacetSet fs;
    kelm_test::make_tetrahedron(fs);
    const KelmMeshFacet* slanted = fs.getFacet(3u);  // vertices 1, 2, 3
    const KelmMeshFacet* bottom = fs.getFacet(0u);   // vertices 0, 2, 1
    KelmBoundingBox box;
    box.update(-9.0, -9.0, -9.0);
    kelm_mesh_bounds(box, &fs, slanted);  // clears first
    EXPECT_EQ(bounds(box), (V{0, 0, 0, 1, 1, 1}));
    kelm_mesh_bounds(box, &fs, static_cast<const KelmMeshFacet*>(nullptr));
    EXPECT_EQ(box.is_empty(), 1);
    box.update(1.0, 1.0, 1.0);
    kelm_mesh_bounds(box, nullptr, slanted);
    EXPECT_EQ(box.is_empty(), 1);

    const double m[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1};
    kelm_mesh_bounds(box, &fs, bottom, m);
    EXPECT_EQ(bounds(box), (V{0, 0, -1, 2, 2, -1}));
    kelm_mesh_bounds(box, &fs, bottom, KelmXform(m));
    EXPECT_EQ(bounds(box), (V{0, 0, -1, 2, 2, -1}));

    KelmBoundingBox grown;  // the update forms never clear
    grown.update(-1.0, 5.0, 0.5);
    kelm_mesh_update_bounds(grown, &fs, slanted);
    kelm_mesh_update_bounds(grown, nullptr, slanted);
    kelm_mesh_update_bounds(grown, &fs, static_cast<const KelmMeshFacet*>(nullptr));
    EXPECT_EQ(bounds(grown), (V{-1, 0, 0, 1, 5, 1}));
    kelm_mesh_update_bounds(grown, &fs, slanted, m);
    kelm_mesh_update_bounds(grown, &fs, slanted, KelmXform(m));
    EXPECT_EQ(bounds(grown), (V{-1, 0, -1, 2, 5, 1}));
}

}  // namespace
