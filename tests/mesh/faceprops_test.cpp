#include "kelmmath/mesh/faceprops.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/meshes.h"

namespace {

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
using kelm_test::attribute_text;

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

TEST(KelmMeshFace, PropertyListOperations) {
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
    fs.clear();
    EXPECT_EQ(g_live_probes, live);
}

TEST(KelmMeshFace, CopyDuplicatesInOrderAndReplaces) {
    const int live = g_live_probes;
    {
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
        kelm_mesh_set_color(&dst, 0x0000FF);
        EXPECT_EQ(kelm_mesh_get_color(&src), 0x00FF00u);
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
}

TEST(KelmMeshFaceColor, FindMakeAndTheColourHelpers) {
    EXPECT_TRUE(!KelmMeshFaceColor::find(nullptr) && !KelmMeshFaceColor::make(nullptr));
    EXPECT_EQ(kelm_mesh_get_color(static_cast<KelmMeshFace*>(nullptr)), KELM_NO_COLOR);
    kelm_mesh_set_color(static_cast<KelmMeshFace*>(nullptr), 5);

    KelmMeshFace face;
    EXPECT_EQ(kelm_mesh_get_color(&face), KELM_NO_COLOR);
    face.addProp(new KelmMeshFaceAtts);
    KelmMeshFaceColor* made = KelmMeshFaceColor::make(&face);
    EXPECT_EQ(face.getFirstProp(), made);
    EXPECT_EQ(made->getColor(), KELM_NO_COLOR);
    EXPECT_EQ(KelmMeshFaceColor::make(&face), made);
    kelm_mesh_set_color(&face, 0x00FF8000);
    EXPECT_EQ(kelm_mesh_get_color(&face), 0x00FF8000u);
    kelm_mesh_set_color(&face, 0x000001);
    EXPECT_EQ(describe(face), (Names{"c1", "a"}));  // still one colour property

    KelmMeshFacetSet fs;
    for (int i = 0; i < 2; ++i) fs.createFace();
    kelm_mesh_set_color(&fs, 1, 0xABCDEF);
    kelm_mesh_set_color(&fs, 2, 0x111111);  // at the face count: nothing
    kelm_mesh_set_color(static_cast<KelmMeshFacetSet*>(nullptr), 0, 0x111111);
    EXPECT_EQ(std::vector<unsigned>({kelm_mesh_get_color(&fs, 0), kelm_mesh_get_color(&fs, 1),
                                     kelm_mesh_get_color(&fs, 2)}),
              std::vector<unsigned>({KELM_NO_COLOR, 0xABCDEF, KELM_NO_COLOR}));
    EXPECT_EQ(fs.getFace(0)->getFirstProp(), nullptr);
}

TEST(KelmMeshFaceAtts, SetReplaceLookupAndDeepCopies) {
    KelmMeshFace face;
    KelmMeshFaceAtts* atts = KelmMeshFaceAtts::make(&face);
    ASSERT_EQ(KelmMeshFaceAtts::find(&face), atts);
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

}  // namespace
