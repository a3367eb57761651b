// The facet set, its face properties, and the box and bounds helpers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kelmmath/geom/xform.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/mesh/meshutil.h"
#include "support/capture.h"
#include "support/meshes.h"

namespace {

constexpr unsigned NONE = KELM_NONE;
using kelm_test::attribute_text;
using U = std::vector<unsigned>;
using V = std::vector<double>;

V v3(const double* p) {
    return {p[0], p[1], p[2]};
}

// Two triangles with corner normals, null facets at 1 and 3, a face holding a
// colour in front of an attribute set, and a default face.
void make_sample(KelmMeshFacetSet& fs) {
    for (const V& p : {V{0, 0, 0}, V{2, 0, 0}, V{0, 2, 0}, V{-0.0, 1, 5}})
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

TEST(KelmMeshFacetSet, DenseIndicesDeletedSlotsNormalsAndAreas) {
    KelmMeshFacetSet fs;
    EXPECT_EQ(U({fs.createVertex(KelmPoint(1, 2, 3)), fs.createVertex(KelmPoint(1, 2, 3)),
                 fs.createVertex(static_cast<const double*>(nullptr)),
                 fs.createNormal(KelmDirection(3, 4, 0))}),
              U({0, 1, 2, 0}));  // equal points, distinct indices
    EXPECT_EQ(v3(fs.rawverts().get(2)), (V{0, 0, 0}));
    EXPECT_EQ(v3(fs.getNormal(0u)), (V{3, 4, 0}));  // not normalised
    unsigned idx[3] = {77, 77, 77};
    const KelmMeshFacet* f = fs.createFacet(&idx[0]);
    EXPECT_EQ(
        U({f->vertex[0], f->vertex[1], f->vertex[2], f->normal[0], f->normal[1], f->normal[2]}),
        U(6, NONE));
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
    const double m = 2.2250738585072014e-308;
    EXPECT_EQ((fs.getVertex(p, 1), v3(p.data())), (V{m, m, m}));
    EXPECT_EQ(v3(fs.getNormal(0u)), (V{m, m, m}));

    fs.modifyVertex(KelmPoint(9, 9, 9), 3);  // at the count: ignored
    fs.modifyNormal(KelmDirection(9, 9, 9), 1);
    fs.modifyVertex(static_cast<const double*>(nullptr), 0);
    EXPECT_EQ(fs.getVertexCount() * 10 + fs.getNormalCount(), 31u);
    EXPECT_EQ(v3(fs.rawverts().get(0)), (V{0, 0, 0}));

    // Normals: a null pointer appends or writes (0, 0, 0); the copying getters copy,
    // and leave the output alone for KELM_NONE.
    EXPECT_EQ(fs.createNormal(static_cast<const double*>(nullptr)), 1u);
    fs.modifyNormal(KelmDirection(0, -2, 0), 1);
    double got[3] = {7, 8, 9};
    EXPECT_EQ((fs.getNormal(got, 1u), v3(got)), (V{0, -2, 0}));
    fs.modifyNormal(static_cast<const double*>(nullptr), 1);
    KelmDirection dir(5, 5, 5);
    EXPECT_EQ((fs.getNormal(dir, 1u), v3(dir.data())), (V{0, 0, 0}));
    EXPECT_EQ((fs.getNormal(dir = KelmDirection(5, 5, 5), NONE), v3(dir.data())), (V{5, 5, 5}));
    EXPECT_EQ((fs.getNormal(got, NONE), v3(got)), (V{0, -2, 0}));

    // KELM_NONE and null facets read as "nothing there".
    EXPECT_EQ(fs.getFacet(NONE), nullptr);
    EXPECT_EQ(fs.getNormal(NONE), nullptr);
    for (unsigned i : {0u, 1u, NONE}) {
        double out[3] = {1, 1, 1};
        EXPECT_EQ((fs.getFacetNormal(out, i), v3(out)), (V{0, 0, 0}));
        out[0] = 1;
        EXPECT_EQ((fs.getFacetVertexNormal(out, i, 1), v3(out)), (V{0, 0, 0}));
        EXPECT_EQ(fs.getFacetArea(i), 0.0);
    }

    // Normals follow the right-hand rule and vanish when tiny.
    fs.clear();
    // 8, 9: a component of exactly 1e-15 keeps the direction, the next smaller double
    // loses it (the cut is strict); 10, 11: each component is tested, not the length.
    for (const V& p : {V{0, 0, 0}, V{1, 0, 0}, V{0, 1, 0}, V{2, 0, 0}, V{1e-8, 0, 0}, V{0, 1e-8, 0},
                       V{1e-7, 0, 0}, V{0, 1e-7, 0}, V{1e-15, 0, 0},
                       V{std::nextafter(1e-15, 0.0), 0, 0}, V{0, 0, 1}, V{0.9e-15, -0.9e-15, 0}})
        fs.createVertex(p.data());
    auto normal = [&fs](unsigned a, unsigned b, unsigned c) {
        double n[3];
        fs.getTriangleNormal(n, a, b, c);
        return v3(n);
    };
    const struct {
        unsigned a, b, c;
        V n;
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
    const V n = {1 * inv137, 3 * inv137, 7 * inv137};
    EXPECT_EQ(normal(0, e1, e2), n);
    const unsigned obl = kelm_test::add_facet(fs, 0, e1, e2);
    KelmDirection d;
    EXPECT_EQ((fs.getFacetNormal(d, fs.getFacet(obl)), v3(d.data())), n);
    EXPECT_EQ(fs.getFacetArea(obl), 0.5 * std::sqrt(59.0));

    // A corner with a normal index gives that normal as stored, the others the
    // facet normal.
    fs.createNormal(KelmDirection(3, 4, 0));
    fs.getFacet(obl)->normal[1] = 0;
    EXPECT_EQ((fs.getFacetVertexNormal(d, obl, 1), v3(d.data())), (V{3, 4, 0}));
    EXPECT_EQ((fs.getFacetVertexNormal(d, fs.getFacet(obl), 2), v3(d.data())), n);
}

TEST(KelmMeshFacetSet, ClearingTheManifoldFlagAndTypedVectors) {
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
    EXPECT_EQ((fs.clear(), fs.getFaceCount() + fs.getVertexCount()), 0u);

    fs.is_manifold(0);
    kelm_test::make_cube(fs);  // building geometry leaves the flag alone
    EXPECT_EQ(KelmMeshFacetSet(fs).is_manifold(), 0);
    EXPECT_EQ((fs.is_manifold(-5), fs.is_manifold()), 1);

    // The typed vectors hold pointers only: copies copy them, nothing is freed.
    KelmMeshFacet a, b, c;
    KelmMeshFacetVec v;
    for (KelmMeshFacet* p : {&a, &b, &c, &b}) v.append(p);
    EXPECT_EQ((v.put(&c, 0), v.get(0)), &c);
    v[0] = &a;
    KelmMeshFacetVec copy(v);
    v.remove(&b);  // the first equal element, gap closed
    v.remove(nullptr);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_TRUE(v[1] == &c && v[2] == &b);
    EXPECT_EQ(copy.size(), 4u);
}

TEST(KelmMeshCopy, DeepCopiesSelfCopiesMovesAndTransforms) {
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
    EXPECT_TRUE(moved.getFacet(0u) == facet && moved.is_manifold() == 0);
    EXPECT_EQ(src.getFacetCount() + src.getFaceCount() + src.getVertexCount(), 0u);  // NOLINT
    EXPECT_EQ(src.is_manifold(), 1);                                                 // NOLINT
    dst = std::move(moved);
    expect_sample(dst, constructed);

    // Vertices go through the whole transform and normals through its linear part (no
    // translation, no renormalising), to the last bit of the point and direction
    // mappings; everything else is copied as it is.
    const double g[16] = {0.8, 0.6,  0.1, 0, -0.6, 0.8,   0.3, 0,
                          0.2, -0.1, 0.9, 0, 1.5,  -2.25, 0.7, 1};
    KelmMeshFacetSet viaclass, want;
    make_sample(src);  // the emptied set, refilled
    kelm_mesh_copy(&dst, &src, g);
    kelm_mesh_copy(&viaclass, &src, KelmXform(g));
    make_sample(want);
    double p[3];
    for (unsigned i = 0; i < src.getVertexCount(); ++i)
        want.modifyVertex((kelm_xform_apply(p, g, src.rawverts().get(i)), p), i);
    for (unsigned i = 0; i < src.getNormalCount(); ++i)
        want.modifyNormal((kelm_xform_apply_dir(p, g, src.getNormal(i)), p), i);
    EXPECT_EQ(kelm_test::fingerprint(dst), kelm_test::fingerprint(want));
    EXPECT_EQ(kelm_test::fingerprint(viaclass), kelm_test::fingerprint(want));
}

// A client property whose duplicate() may fail, counting its live objects so that
// a missed or doubled destruction shows up.
int g_live_probes = 0;

class ProbeProp : public KelmMeshFaceProp {
public:
    explicit ProbeProp(int tag, bool duplicable = true) : tag_(tag), dup_(duplicable) {
        ++g_live_probes;
    }
    ProbeProp(const ProbeProp& o) : KelmMeshFaceProp(o), tag_(o.tag_), dup_(o.dup_) {
        ++g_live_probes;
    }
    ~ProbeProp() override { --g_live_probes; }
    static unsigned int getFacePropType() {
        static const unsigned int type = _new_info_type();
        return type;
    }
    unsigned int getType() override { return getFacePropType(); }
    KelmMeshFaceProp* duplicate() const override { return dup_ ? new ProbeProp(*this) : nullptr; }
    int tag() const { return tag_; }

private:
    int tag_;
    bool dup_;
};

using Names = std::vector<std::string>;

// The face's properties from the front: "c<colour>", "a" or "p<tag>".
Names describe(const KelmMeshFace& face) {
    Names out;
    for (KelmMeshFaceProp* p = face.getFirstProp(); p; p = p->getNext()) {
        if (p->getType() == KelmMeshFaceColor::getFacePropType())
            out.push_back("c" + std::to_string(static_cast<KelmMeshFaceColor*>(p)->getColor()));
        else if (p->getType() == KelmMeshFaceAtts::getFacePropType())
            out.push_back("a");
        else
            out.push_back("p" + std::to_string(static_cast<ProbeProp*>(p)->tag()));
    }
    return out;
}

// The counter is process-wide, so its first values are checked in fresh processes.
TEST(KelmMeshFacePropDeathTest, CounterStartsAtOneAndFirstAskerGetsTheNext) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const unsigned atts = KelmMeshFaceAtts::getFacePropType();
            const unsigned colour = KelmMeshFaceColor::getFacePropType();
            std::exit(atts == 1 && colour == 2 && KelmMeshFaceProp::_new_info_type() == 3 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(KelmMeshFace, PropertyListsCopiesColoursAndAttributeSets) {
    const int live = g_live_probes;
    {
        KelmMeshFace face(4, 2);
        KelmMeshFaceColor* c2 = new KelmMeshFaceColor(2);
        for (KelmMeshFaceProp* p : std::vector<KelmMeshFaceProp*>{
                 new KelmMeshFaceColor(1), new KelmMeshFaceAtts, c2, nullptr, c2})
            face.addProp(p);  // null ignored; c2 twice would make a cycle: ignored
        EXPECT_EQ(describe(face), (Names{"c2", "a", "c1"}));
        EXPECT_EQ(face.getProp(KelmMeshFaceColor::getFacePropType()), c2);  // last added first
        EXPECT_EQ(face.getProp(ProbeProp::getFacePropType()), nullptr);

        // Copies start unlinked; an assigned property keeps its place.
        EXPECT_EQ(KelmMeshFaceColor(*c2).getNext(), nullptr);
        std::unique_ptr<KelmMeshFaceProp> dup(c2->duplicate());
        EXPECT_EQ(dup->getNext(), nullptr);
        *c2 = KelmMeshFaceColor(7);
        EXPECT_EQ(describe(face), (Names{"c7", "a", "c1"}));

        ProbeProp outsider(9);
        face.removeProp(&outsider);  // not in the list: nothing happens
        EXPECT_EQ(describe(face), (Names{"c7", "a", "c1"}));
        face.addProp(new ProbeProp(5));
        face.removeProp(KelmMeshFaceColor::getFacePropType());
        EXPECT_EQ(describe(face), (Names{"p5", "a"}));
        face.addProp(new ProbeProp(6));
        face.removeProp(face.getFirstProp()->getNext());  // from the middle
        EXPECT_EQ(describe(face), (Names{"p6", "a"}));
        EXPECT_EQ(g_live_probes, live + 2);  // outsider and p6
    }
    EXPECT_EQ(g_live_probes, live);
    KelmMeshFacetSet fs;  // a set's faces go with their properties when it is cleared
    for (int i = 0; i < 2; ++i) fs.createFace()->addProp(new ProbeProp(i));
    EXPECT_EQ((fs.clear(), g_live_probes), live);
    {  // copies duplicate in order and replace
        KelmMeshFace src(3, 5);
        src.addProp(new ProbeProp(1, /*duplicable=*/false));
        KelmMeshFaceAtts::make(&src)->setAttribute("k", "v");
        kelm_mesh_set_color(&src, 0x00FF00);
        ASSERT_EQ(describe(src), (Names{"c65280", "a", "p1"}));

        KelmMeshFace dst;
        dst.addProp(new ProbeProp(2));  // held before the copy: destroyed
        dst.copy(&src);
        EXPECT_EQ(std::make_pair(dst.getFirstFacet(), dst.getFacetCount()), std::make_pair(3u, 5u));
        EXPECT_EQ(describe(dst), (Names{"c65280", "a"}));  // failed duplicate left out
        EXPECT_NE(KelmMeshFaceAtts::find(&dst), KelmMeshFaceAtts::find(&src));
        EXPECT_STREQ(KelmMeshFaceAtts::find(&dst)->getAttribute("k"), "v");
        EXPECT_EQ((kelm_mesh_set_color(&dst, 0x0000FF), kelm_mesh_get_color(&src)), 0x00FF00u);
        dst.copy(&dst);
        dst.copy(nullptr);
        KelmMeshFace& alias = dst;
        dst = alias;
        EXPECT_EQ(describe(dst), (Names{"c255", "a"}));

        KelmMeshFace constructed(src);
        EXPECT_EQ(describe(constructed), (Names{"c65280", "a"}));
        constructed = dst;
        KelmMeshFace moved(std::move(constructed));
        EXPECT_EQ(constructed.getFirstProp(), nullptr);  // NOLINT
        src = std::move(moved);
        EXPECT_EQ(describe(src), (Names{"c255", "a"}));
    }
    EXPECT_EQ(g_live_probes, live);

    // The colour helpers.
    EXPECT_TRUE(!KelmMeshFaceColor::find(nullptr) && !KelmMeshFaceColor::make(nullptr));
    EXPECT_EQ(kelm_mesh_get_color(static_cast<KelmMeshFace*>(nullptr)), KELM_NO_COLOR);
    kelm_mesh_set_color(static_cast<KelmMeshFace*>(nullptr), 5);

    KelmMeshFace face;
    EXPECT_EQ(kelm_mesh_get_color(&face), KELM_NO_COLOR);
    face.addProp(new KelmMeshFaceAtts);
    KelmMeshFaceColor* made = KelmMeshFaceColor::make(&face);
    EXPECT_TRUE(face.getFirstProp() == made && KelmMeshFaceColor::make(&face) == made);
    EXPECT_EQ(made->getColor(), KELM_NO_COLOR);
    EXPECT_EQ((kelm_mesh_set_color(&face, 0x00FF8000), kelm_mesh_get_color(&face)), 0x00FF8000u);
    kelm_mesh_set_color(&face, 0x000001);
    EXPECT_EQ(describe(face), (Names{"c1", "a"}));  // still one colour property

    fs.clear();
    for (int i = 0; i < 2; ++i) fs.createFace();
    kelm_mesh_set_color(&fs, 1, 0xABCDEF);
    kelm_mesh_set_color(&fs, 2, 0x111111);  // at the face count: nothing
    kelm_mesh_set_color(static_cast<KelmMeshFacetSet*>(nullptr), 0, 0x111111);
    EXPECT_EQ(
        U({kelm_mesh_get_color(&fs, 0), kelm_mesh_get_color(&fs, 1), kelm_mesh_get_color(&fs, 2)}),
        U({KELM_NO_COLOR, 0xABCDEF, KELM_NO_COLOR}));
    EXPECT_EQ(fs.getFace(0)->getFirstProp(), nullptr);

    // Attribute sets: set, replace, look up, deep copies.
    KelmMeshFace bare;
    KelmMeshFaceAtts* atts = KelmMeshFaceAtts::make(&bare);
    ASSERT_EQ(KelmMeshFaceAtts::find(&bare), atts);
    atts->setAttribute("material", "steel");
    atts->setAttribute("Material", "wood");  // case matters: a new entry
    atts->setAttribute("finish", "matt");
    atts->setAttribute("material", "brass");  // replaced in place
    atts->setAttribute(nullptr, "anon");      // a null name is the empty name
    atts->setAttribute("", "anon2");
    atts->setAttribute("novalue", nullptr);
    const std::string five =
        " material=brass Material=wood finish=matt (null)=anon2 novalue=(null)";
    EXPECT_EQ(attribute_text(*atts), five);
    EXPECT_EQ(atts->getAttribute("MATERIAL"), nullptr);
    EXPECT_EQ(atts->getAttribute("novalue"), nullptr);
    EXPECT_STREQ(atts->getAttribute(nullptr), "anon2");
    // Entries appended directly (as the reader does) are owned; the first name wins.
    atts->getAttributes().append(new KelmMeshShellFaceAttribute("finish", "gloss"));
    EXPECT_STREQ(atts->getAttribute("finish"), "matt");

    // Copies have texts of their own.
    const std::string six = five + " finish=gloss";
    KelmMeshFaceAtts copy(*atts);
    EXPECT_EQ(attribute_text(copy), six);
    EXPECT_NE(copy.getAttributes().get(0)->value.str(), atts->getAttributes().get(0)->value.str());
    copy.setAttribute("material", "gold");
    EXPECT_STREQ(atts->getAttribute("material"), "brass");
    KelmMeshFaceAtts other;
    other.setAttribute("x", "1");
    other = copy;
    EXPECT_EQ(attribute_text(other), " material=gold" + six.substr(15));
    std::unique_ptr<KelmMeshFaceProp> dup(atts->duplicate());
    EXPECT_EQ(attribute_text(*static_cast<KelmMeshFaceAtts*>(dup.get())), six);
    KelmMeshFaceAtts moved(std::move(other));
    EXPECT_EQ(other.getAttributes().size(), 0u);  // NOLINT
    EXPECT_EQ(attribute_text(moved), " material=gold" + six.substr(15));

    // Entry copies share their texts; entry assignments copy them.
    KelmMeshShellFaceAttribute a("n", "v"), b(a), c;
    EXPECT_EQ(b.name.str(), a.name.str());
    c = a;
    a.value.copy("w");
    EXPECT_STREQ(c.value.str(), "v");
}

V bounds(const KelmBoundingBox& b) {
    return {b.minx(), b.miny(), b.minz(), b.maxx(), b.maxy(), b.maxz()};
}

TEST(KelmMeshMakeBox, UnitBoxLayoutFormsAppendedBoxesAndBounds) {
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
        double n[3];  // the computed normal is the stored one
        EXPECT_EQ((fs.getFacetNormal(n, i), v3(n)), normals[i / 2]) << i;
    }
    EXPECT_EQ(fs.getSurfaceArea(), 6.0);

    // The forms agree, the ends may come in any order, and boxes append.
    const double p1[3] = {3, -2, 0.5}, p2[3] = {-1, 4, 2.5};  // p1 larger on x only
    KelmMeshFacetSet ref, swapped, scalars, points, boxed, none;
    EXPECT_EQ((kelm_mesh_make_box(&ref, p1, p2), v3(ref.rawverts().get(0))), (V{-1, -2, 0.5}));
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

    // Bounds of the whole mesh and of facets.
    fs.clear();
    kelm_mesh_make_box(&fs, 0, 0, 0, 1, 2, 3);
    box = KelmBoundingBox();
    box.update(-5.0, 0.5, 0.5);
    kelm_mesh_bounds(box, &fs);  // grows, does not clear; no mesh adds nothing
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
    EXPECT_EQ((kelm_mesh_update_bounds(grown, &fs, m), bounds(grown)), (V{-2, -1, -1, 0, 1, 13}));
    kelm_mesh_update_bounds(grown, &fs, KelmXform(m));
    kelm_mesh_update_bounds(grown, static_cast<const KelmMeshFacetSet*>(nullptr));
    kelm_mesh_update_bounds(grown, &empty_set);
    EXPECT_EQ(bounds(grown), (V{-2, -1, -1, 0, 1, 13}));
    EXPECT_EQ((kelm_mesh_update_bounds(empty, &empty_set), empty.is_empty()), 1);

    // A deleted vertex still counts, as the point (null real, null real, null real).
    KelmMeshFacetSet holed;
    kelm_test::make_mesh(holed, {{1, 1, 1}, {-1, 2, -3}, {5, 5, 5}}, {});
    holed.deleteVertex(2);
    KelmBoundingBox b;
    EXPECT_EQ((kelm_mesh_bounds(b, &holed), bounds(b)), (V{-1, KELM_NULL_REAL, -3, 1, 2, 1}));

    // The facet forms, on a tetrahedron.
    KelmMeshFacetSet tetra;
    kelm_test::make_tetrahedron(tetra);
    const KelmMeshFacet* slanted = tetra.getFacet(3u);  // vertices 1, 2, 3
    const KelmMeshFacet* bottom = tetra.getFacet(0u);   // vertices 0, 2, 1
    KelmBoundingBox fbox;
    fbox.update(-9.0, -9.0, -9.0);
    kelm_mesh_bounds(fbox, &tetra, slanted);  // clears first
    EXPECT_EQ(bounds(fbox), (V{0, 0, 0, 1, 1, 1}));
    kelm_mesh_bounds(fbox, &tetra, static_cast<const KelmMeshFacet*>(nullptr));
    EXPECT_EQ(fbox.is_empty(), 1);
    fbox.update(1.0, 1.0, 1.0);
    EXPECT_EQ((kelm_mesh_bounds(fbox, nullptr, slanted), fbox.is_empty()), 1);

    const double twice[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1};
    kelm_mesh_bounds(fbox, &tetra, bottom, twice);
    EXPECT_EQ(bounds(fbox), (V{0, 0, -1, 2, 2, -1}));
    kelm_mesh_bounds(fbox, &tetra, bottom, KelmXform(twice));
    EXPECT_EQ(bounds(fbox), (V{0, 0, -1, 2, 2, -1}));

    KelmBoundingBox fgrown;  // the update forms never clear
    fgrown.update(-1.0, 5.0, 0.5);
    kelm_mesh_update_bounds(fgrown, &tetra, slanted);
    kelm_mesh_update_bounds(fgrown, nullptr, slanted);
    kelm_mesh_update_bounds(fgrown, &tetra, static_cast<const KelmMeshFacet*>(nullptr));
    EXPECT_EQ(bounds(fgrown), (V{-1, 0, 0, 1, 5, 1}));
    kelm_mesh_update_bounds(fgrown, &tetra, slanted, twice);
    kelm_mesh_update_bounds(fgrown, &tetra, slanted, KelmXform(twice));
    EXPECT_EQ(bounds(fgrown), (V{-1, 0, -1, 2, 5, 1}));
}

}  // namespace
