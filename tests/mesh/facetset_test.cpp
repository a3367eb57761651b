#include "kelmmath/mesh/facetset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "kelmmath/geom/xform.h"
#include "kelmmath/mesh/faceprops.h"
#include "support/capture.h"
#include "support/meshes.h"

namespace {

constexpr unsigned NONE = KELM_NONE;
using V3 = std::vector<double>;
using U = std::vector<unsigned>;

V3 v3(const double* p) {
    return {p[0], p[1], p[2]};
}
U ids(const KelmMeshFacet* f) {
    return {f->vertex[0], f->vertex[1], f->vertex[2], f->normal[0], f->normal[1], f->normal[2]};
}

// Two triangles with corner normals, null facets at 1 and 3, a face holding a
// colour in front of an attribute set, and a default face.
void make_sample(KelmMeshFacetSet& fs) {
    for (const V3& p : {V3{0, 0, 0}, V3{2, 0, 0}, V3{0, 2, 0}, V3{-0.0, 1, 5}})
        fs.createVertex(p.data());
    fs.createNormal(KelmDirection(0, 0, 1));
    fs.createNormal(KelmDirection(3, 4, 0));
    KelmMeshFacet* f = fs.getFacet(kelm_test::add_facet(fs, 0, 1, 2));
    f->normal[0] = 0;
    f->normal[2] = 1;
    fs.appendNullFacet(nullptr);
    kelm_test::add_facet(fs, 1, 3, 2);
    fs.appendNullFacet(nullptr);
    KelmMeshFace* face = fs.createFace(0, 3);
    KelmMeshFaceAtts::make(face)->setAttribute("name", "lid");
    kelm_mesh_set_color(face, 0x123456);
    fs.createFace();
}

// dst equals the sample bit for bit, through new objects unless it is src itself.
void expect_sample(const KelmMeshFacetSet& dst, const KelmMeshFacetSet& src) {
    KelmMeshFacetSet sample;
    make_sample(sample);
    EXPECT_EQ(kelm_test::fingerprint(dst), kelm_test::fingerprint(sample));
    ASSERT_EQ(dst.getFaceCount(), 2u);
    EXPECT_TRUE(&dst == &src || (dst.getFacet(0u) != src.getFacet(0u) &&
                                 dst.getFace(0)->getFirstProp() != src.getFace(0)->getFirstProp()));
}

TEST(KelmMeshFacetSet, IndicesAreDenseAndDeletionKeepsSlots) {
    KelmMeshFacetSet fs;
    EXPECT_EQ(U({fs.createVertex(KelmPoint(1, 2, 3)), fs.createVertex(KelmPoint(1, 2, 3)),
                 fs.createVertex(static_cast<const double*>(nullptr)),
                 fs.createNormal(KelmDirection(3, 4, 0))}),
              U({0, 1, 2, 0}));  // equal points, distinct indices
    EXPECT_EQ(v3(fs.rawverts().get(2)), (V3{0, 0, 0}));
    EXPECT_EQ(v3(fs.getNormal(0u)), (V3{3, 4, 0}));  // not normalised
    unsigned idx[3] = {77, 77, 77};
    EXPECT_EQ(ids(fs.createFacet(&idx[0])), U(6, NONE));
    fs.appendNullFacet(&idx[1]);
    fs.deleteFacet(0);
    fs.createFacet(&idx[2]);  // never reused
    EXPECT_EQ(U({idx[0], idx[1], idx[2], fs.getFacetCount()}), U({0, 1, 2, 3}));
    EXPECT_EQ(fs.getFacet(0u), nullptr);
    const KelmMeshFace* bare = fs.createFace();  // over no facets
    EXPECT_EQ(U({bare->getFirstFacet(), bare->getFacetCount()}), U({NONE, 0}));

    fs.deleteVertex(1);
    fs.deleteNormal(0);
    KelmPoint p;
    fs.getVertex(p, 1);
    const double m = 2.2250738585072014e-308;
    EXPECT_EQ(v3(p.data()), (V3{m, m, m}));
    EXPECT_EQ(v3(fs.getNormal(0u)), (V3{m, m, m}));

    fs.modifyVertex(KelmPoint(9, 9, 9), 3);  // at the count: ignored
    fs.modifyNormal(KelmDirection(9, 9, 9), 1);
    fs.modifyVertex(static_cast<const double*>(nullptr), 0);
    EXPECT_EQ(fs.getVertexCount() * 10 + fs.getNormalCount(), 31u);
    EXPECT_EQ(v3(fs.rawverts().get(0)), (V3{0, 0, 0}));

    // Normals: a null pointer appends or writes (0, 0, 0); the copying getters copy,
    // and leave the output alone for KELM_NONE.
    EXPECT_EQ(fs.createNormal(static_cast<const double*>(nullptr)), 1u);
    fs.modifyNormal(KelmDirection(0, -2, 0), 1);
    double got[3] = {7, 8, 9};
    fs.getNormal(got, 1u);
    EXPECT_EQ(v3(got), (V3{0, -2, 0}));
    fs.modifyNormal(static_cast<const double*>(nullptr), 1);
    KelmDirection dir(5, 5, 5);
    fs.getNormal(dir, 1u);
    EXPECT_EQ(v3(dir.data()), (V3{0, 0, 0}));
    dir = KelmDirection(5, 5, 5);
    fs.getNormal(dir, NONE);
    EXPECT_EQ(v3(dir.data()), (V3{5, 5, 5}));
    fs.getNormal(got, NONE);
    EXPECT_EQ(v3(got), (V3{0, -2, 0}));

    // KELM_NONE and null facets read as "nothing there".
    EXPECT_EQ(fs.getFacet(NONE), nullptr);
    EXPECT_EQ(fs.getNormal(NONE), nullptr);
    for (unsigned i : {0u, 1u, NONE}) {
        double out[3] = {1, 1, 1};
        fs.getFacetNormal(out, i);
        EXPECT_EQ(v3(out), (V3{0, 0, 0}));
        out[0] = 1;
        fs.getFacetVertexNormal(out, i, 1);
        EXPECT_EQ(v3(out), (V3{0, 0, 0}));
        EXPECT_EQ(fs.getFacetArea(i), 0.0);
    }
}

TEST(KelmMeshFacetSet, NormalsFollowTheRightHandRuleAndVanishWhenTiny) {
    KelmMeshFacetSet fs;
    // 8, 9: a component of exactly 1e-15 keeps the direction, the next smaller double
    // loses it (the cut is strict); 10, 11: each component is tested, not the length.
    for (const V3& p :
         {V3{0, 0, 0}, V3{1, 0, 0}, V3{0, 1, 0}, V3{2, 0, 0}, V3{1e-8, 0, 0}, V3{0, 1e-8, 0},
          V3{1e-7, 0, 0}, V3{0, 1e-7, 0}, V3{1e-15, 0, 0}, V3{std::nextafter(1e-15, 0.0), 0, 0},
          V3{0, 0, 1}, V3{0.9e-15, -0.9e-15, 0}})
        fs.createVertex(p.data());
    auto normal = [&fs](unsigned a, unsigned b, unsigned c) {
        double n[3];
        fs.getTriangleNormal(n, a, b, c);
        return v3(n);
    };
    const struct {
        unsigned a, b, c;
        V3 n;
    } rows[] = {{0, 1, 2, {0, 0, 1}}, {0, 2, 1, {0, 0, -1}}, {0, 1, 3, {0, 0, 0}},  // collinear
                {0, 4, 5, {0, 0, 0}},  // cross product 1e-16: negligible
                {0, 8, 2, {0, 0, 1}}, {0, 9, 2, {0, 0, 0}},  {0, 10, 11, {0, 0, 0}}};
    for (const auto& r : rows) EXPECT_EQ(normal(r.a, r.b, r.c), r.n) << r.a << r.b << r.c;
    EXPECT_NEAR(normal(0, 6, 7)[2], 1.0, 1e-15);  // 1e-14: kept
    // Areas have no threshold; the surface area skips null facets.
    const unsigned tiny = kelm_test::add_facet(fs, 0, 4, 5);
    EXPECT_EQ(fs.getFacetArea(kelm_test::add_facet(fs, 0, 1, 2)), 0.5);
    EXPECT_DOUBLE_EQ(fs.getFacetArea(tiny), 0.5e-16);
    fs.appendNullFacet(nullptr);
    EXPECT_EQ(fs.getSurfaceArea(), fs.getFacetArea(tiny) + 0.5);

    // Edges (3,-1,0) and (1,2,-1) have the cross product (1,3,7), whose unit vector
    // differs in its last bits between scaling by the reciprocal and dividing; the facet
    // forms give the same bits.
    const unsigned e1 = fs.createVertex(KelmPoint(3, -1, 0));
    const unsigned e2 = fs.createVertex(KelmPoint(1, 2, -1));
    const double inv137 = 1.0 / std::sqrt(1.0 + 9.0 + 49.0);
    const V3 n = {1 * inv137, 3 * inv137, 7 * inv137};
    EXPECT_EQ(normal(0, e1, e2), n);
    const unsigned obl = kelm_test::add_facet(fs, 0, e1, e2);
    KelmDirection d;
    fs.getFacetNormal(d, fs.getFacet(obl));
    EXPECT_EQ(v3(d.data()), n);
    EXPECT_EQ(fs.getFacetArea(obl), 0.5 * std::sqrt(59.0));

    // A corner with a normal index gives that normal as stored, the others the
    // facet normal.
    fs.createNormal(KelmDirection(3, 4, 0));
    fs.getFacet(obl)->normal[1] = 0;
    fs.getFacetVertexNormal(d, obl, 1);
    EXPECT_EQ(v3(d.data()), (V3{3, 4, 0}));
    fs.getFacetVertexNormal(d, fs.getFacet(obl), 2);
    EXPECT_EQ(v3(d.data()), n);
}

TEST(KelmMeshFacetSet, ClearingAndTheManifoldFlag) {
    KelmMeshFacetSet fs;
    EXPECT_EQ(fs.is_manifold(), 1);
    make_sample(fs);
    KelmMeshFace* face = fs.getFace(0);
    fs.clearFacetsOnly();
    EXPECT_EQ(fs.getVertexCount() + fs.getNormalCount() + fs.getFacetCount(), 0u);
    ASSERT_EQ(fs.getFaceCount(), 2u);
    EXPECT_EQ(fs.getFace(0), face);
    EXPECT_EQ(face->getFacetCount(), 3u);
    EXPECT_EQ(kelm_mesh_get_color(face), 0x123456u);
    EXPECT_EQ(fs.createVertex(KelmPoint(1, 1, 1)), 0u);
    fs.clear();
    EXPECT_EQ(fs.getFaceCount() + fs.getVertexCount(), 0u);

    fs.is_manifold(0);
    kelm_test::make_cube(fs);  // building geometry leaves the flag alone
    EXPECT_EQ(KelmMeshFacetSet(fs).is_manifold(), 0);
    fs.is_manifold(-5);
    EXPECT_EQ(fs.is_manifold(), 1);
}

TEST(KelmMeshCopy, DeepCopyKeepsEverythingAndSelfCopyIsHarmless) {
    kelm_test::ErrorRecorder errors;
    KelmMeshFacetSet src;
    make_sample(src);
    src.is_manifold(0);
    KelmMeshFacetSet dst;
    kelm_test::make_cube(dst);  // previous contents go
    kelm_mesh_copy(&dst, &src);
    expect_sample(dst, src);
    EXPECT_EQ(dst.is_manifold(), 0);
    kelm_mesh_set_color(dst.getFace(0), 0xABCDEF);  // the copy is independent
    EXPECT_EQ(kelm_mesh_get_color(src.getFace(0)), 0x123456u);

    KelmMeshFacetSet constructed(src), assigned, unmoved;
    assigned = src;
    kelm_mesh_copy(&unmoved, &src, static_cast<const double*>(nullptr));
    for (const KelmMeshFacetSet* copy : {&constructed, &assigned, &unmoved})
        expect_sample(*copy, src);

    const double shift[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 5, 5, 1};
    kelm_mesh_copy(&src, &src);
    kelm_mesh_copy(&src, &src, shift);
    KelmMeshFacetSet& alias = src;
    src = alias;
    expect_sample(src, src);
    EXPECT_EQ(errors.count(), 0u);

    // Moving hands the same objects over and leaves an empty, manifold set.
    const KelmMeshFacet* facet = src.getFacet(0u);
    KelmMeshFacetSet moved(std::move(src));
    EXPECT_EQ(moved.getFacet(0u), facet);
    EXPECT_EQ(moved.is_manifold(), 0);
    EXPECT_EQ(src.getFacetCount() + src.getFaceCount() + src.getVertexCount(), 0u);  // NOLINT
    EXPECT_EQ(src.is_manifold(), 1);                                                 // NOLINT
    dst = std::move(moved);
    expect_sample(dst, constructed);
}

TEST(KelmMeshCopy, TransformMovesVerticesFullyAndNormalsLinearly) {
    // Vertices go through the whole transform and normals through its linear part (no
    // translation, no renormalising), to the last bit of the point and direction
    // mappings; everything else is copied as it is.
    const double g[16] = {0.8, 0.6,  0.1, 0, -0.6, 0.8,   0.3, 0,
                          0.2, -0.1, 0.9, 0, 1.5,  -2.25, 0.7, 1};
    KelmMeshFacetSet src, dst, viaclass, want;
    make_sample(src);
    kelm_mesh_copy(&dst, &src, g);
    kelm_mesh_copy(&viaclass, &src, KelmXform(g));
    make_sample(want);
    for (unsigned i = 0; i < src.getVertexCount(); ++i) {
        double p[3];
        kelm_xform_apply(p, g, src.rawverts().get(i));
        want.modifyVertex(p, i);
    }
    for (unsigned i = 0; i < src.getNormalCount(); ++i) {
        double n[3];
        kelm_xform_apply_dir(n, g, src.getNormal(i));
        want.modifyNormal(n, i);
    }
    EXPECT_EQ(kelm_test::fingerprint(dst), kelm_test::fingerprint(want));
    EXPECT_EQ(kelm_test::fingerprint(viaclass), kelm_test::fingerprint(want));
}

// The typed vectors hold pointers only: copies copy them, nothing is freed.
TEST(KelmMeshFacetVec, TypedVectorsCopyPointersAndOwnNothing) {
    KelmMeshFacet a, b, c;
    KelmMeshFacetVec v;
    for (KelmMeshFacet* p : {&a, &b, &c, &b}) v.append(p);
    v.put(&c, 0);
    EXPECT_EQ(v.get(0), &c);
    v[0] = &a;
    KelmMeshFacetVec copy(v);
    v.remove(&b);  // the first equal element, gap closed
    v.remove(nullptr);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[1], &c);
    EXPECT_EQ(v[2], &b);
    EXPECT_EQ(copy.size(), 4u);
}

}  // namespace
