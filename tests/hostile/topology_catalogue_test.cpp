// Bad input for the mesh topology: facets that repeat a corner (self-edges), vertices no
// facet uses, and facets deleted before and after the build (sides met three times and
// more are built against the reference in topology_test.cpp). Each case checks the
// build's tables and reports, the checks' answers and reports, the walks, and the dump.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"
#include "kelmmath/topology/writable.h"
#include "support/capture.h"
#include "support/topology_meshes.h"
#include "support/topology_reference.h"

namespace {

using Messages = std::vector<std::string>;
using U = std::vector<unsigned>;
using kelm_test::dump_text;

U walk(const KelmMeshTopology& t, unsigned v) {
    kelm_uint_vector facets;
    t.findVertexFacets(&facets, v);
    return U(facets.data(), facets.data() + facets.size());
}

bool has_line(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(HostileTopology, FacetsThatRepeatACornerAndVerticesNoFacetUses) {
    KelmMeshFacetSet fs;
    // Sides 0-0 (a self-edge), 0-1, 1-0.
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {2, 2, 2}}, {{0, 0, 1}});
    kelm_test::ErrorRecorder rec;
    KelmMeshTopology t;
    t.init(&fs);
    EXPECT_EQ(kelm_test::reference_problem(t, fs), "");  // edge 1 names the facet twice
    EXPECT_EQ(rec.take(), Messages{});
    // Around 0 the facet has three sides at the vertex: the walk cannot start.
    EXPECT_EQ(walk(t, 0), U{});
    EXPECT_EQ(rec.take(), (Messages{"KelmMeshTopology: too many edges on point found.",
                                    "KelmMeshTopologyVertexIterator: could not find edges on "
                                    "vertex v=0"}));
    // Around 1 it leaves through side 1-0, whose two facets are both this one.
    EXPECT_EQ(walk(t, 1), U{0});
    EXPECT_EQ(rec.take(), Messages{"KelmMeshTopology: could not get other facet on edge"});

    // A facet with one corner three times meets its self-edge a third time.
    kelm_test::add_facet(fs, 2, 2, 2);
    t.init(&fs);
    EXPECT_EQ(rec.take(), Messages{"Failed topology - edge v=(2,2) already has 2 facets"});
    const std::string text = dump_text(t);
    EXPECT_TRUE(has_line(text, "vertices=3 facets=2 edges=3"));
    EXPECT_TRUE(has_line(text, "f[1] = v=(2,2,2) e=(2,2,2) n=(0,0,0)"));

    // Only vertices that no facet uses (a fresh topology: a failed build's flag sticks).
    rec.clear();
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 1, 1}}, {});
    KelmMeshTopology bare;
    bare.init(&fs);
    EXPECT_EQ(bare.validate(0), 1);
    EXPECT_EQ(bare.getEdge(0, 1), KELM_NONE);
    EXPECT_EQ(walk(bare, 1), U{});
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(dump_text(bare),
              "vertices=2 facets=0 edges=0\n\nv[0] = <DELETED>\nv[1] = <DELETED>\n");
}

TEST(HostileTopology, FacetDeletedBeforeAndAfterTheBuild) {
    KelmMeshFacetSet fs;
    kelm_test::make_tetrahedron(fs);
    fs.deleteFacet(1);
    kelm_test::ErrorRecorder rec;
    KelmMeshTopologyWritable t;
    t.init(&fs);
    EXPECT_EQ(t.getFacetVertex(1, 0), KELM_NONE);
    EXPECT_EQ(t.validateEdgeUsage(0), 1);  // the hole's sides are border edges
    EXPECT_EQ(t.validateFaceSenses(0), 0);
    // Without facet 1 the edges are numbered 0 = (0,2), 1 = (1,2), 2 = (0,1), 3 = (0,3),
    // 4 = (2,3), 5 = (1,3).
    EXPECT_EQ(rec.take(), (Messages{"Edge 2 does not have 2 facets: 0 4294967295",
                                    "Edge 3 does not have 2 facets: 2 4294967295",
                                    "Edge 5 does not have 2 facets: 3 4294967295"}));
    std::string text = dump_text(t);
    EXPECT_TRUE(has_line(text, "vertices=4 facets=4 edges=6"));
    EXPECT_TRUE(has_line(text, "f[1] = <DELETED>"));

    kelm_test::make_tetrahedron(fs);
    t.init(&fs);
    ASSERT_EQ(t.validate(), 1);
    t.deleteFacet(1);  // the set loses the facet; the edges still name it
    {
        kelm_test::StdoutCapture out;
        EXPECT_EQ(t.validateFaceSenses(0), 0);
        EXPECT_EQ(out.text(),
                  "get_face_sense: could not get facet: 1\nsz=4\nBad sense: e=2\n"
                  "get_face_sense: could not get facet: 1\nsz=4\nBad sense: e=3\n"
                  "get_face_sense: could not get facet: 1\nsz=4\nBad sense: e=4\n");
    }
    EXPECT_EQ(rec.count(), 0u);
    // The walk around 0 leaves facet 0 into the deleted facet and stops there.
    EXPECT_EQ(walk(t, 0), U{0});
    EXPECT_EQ(rec.take(),
              Messages{"KelmMeshTopology: get_other_edge_from_facet_vertex failed: e=2 f=1 v=0"});
    text = dump_text(t);
    EXPECT_TRUE(has_line(text, "f[1] = <DELETED>"));
    EXPECT_TRUE(has_line(text, "e[2] : v=(0,1) f=(0,1) dot=0 angle=1.5708"));
    {
        kelm_test::StdoutCapture out;
        EXPECT_EQ(t.validate(0), 0);  // every check runs to its end
    }
    t.deleteVertex(3);
    EXPECT_TRUE(has_line(dump_text(t), "v[3] = <DELETED>"));
}

}  // namespace
