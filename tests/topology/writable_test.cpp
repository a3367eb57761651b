#include "kelmmath/topology/writable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "support/capture.h"
#include "support/topology_meshes.h"
#include "support/topology_reference.h"

namespace {

constexpr unsigned NONE = KELM_NONE;
using kelm_test::ErrorRecorder;
using kelm_test::tables_of;
using Strings = std::vector<std::string>;
using U = std::vector<unsigned>;

TEST(KelmMeshTopologyWritable, InitFormsDeletionsAndCopies) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    kelm_test::make_tetrahedron(fs);
    KelmMeshTopologyWritable w;
    EXPECT_EQ(w.getFacetSet(), nullptr);
    EXPECT_EQ(w.createEdge(3, 1), 0u);  // an unbuilt topology takes edges too
    EXPECT_EQ(U({w.getEdgeVertex(0, 0), w.getEdgeVertex(0, 1), w.getEdgeFacet(0, 1)}),
              U({1, 3, NONE}));
    w.init(&fs);
    EXPECT_EQ(w.getFacetSet(), &fs);
    EXPECT_EQ(kelm_test::reference_problem(w, fs), "");
    w.deleteFacet(3);
    w.deleteVertex(2);
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(fs.getFacet(3), nullptr);
    EXPECT_EQ(fs.rawverts().get(2)[1], KELM_NULL_REAL);
    EXPECT_EQ(U({w.getFacetEdge(3, 0), w.getFacetEdge(3, 2), w.getFirstVertexFacet(2),
                 w.getEdgeFacet(1, 1)}),
              U({NONE, NONE, NONE, 3}));  // edges that name the facet still do

    // The const form warns and builds without a writable set; through the base
    // class only the const form is visible.
    kelm_test::make_tetrahedron(fs);
    const KelmMeshFacetSet* cfs = &fs;
    w.init(cfs);
    w.init(&fs);
    static_cast<KelmMeshTopology&>(w).init(&fs);
    EXPECT_EQ(w.getFacetSet(), nullptr);
    EXPECT_EQ(static_cast<const KelmMeshTopology&>(w).getFacetSet(), &fs);
    EXPECT_EQ(kelm_test::reference_problem(w, fs), "");
    w.deleteFacet(2);
    w.deleteVertex(1);
    const std::string warn = "KelmMeshTopologyWritable::init called with const facet set.";
    EXPECT_EQ(
        rec.warnings(),
        (Strings{warn, warn, "KelmMeshTopologyWritable::deleteFacet: cannot modify const facet set",
                 "KelmMeshTopologyWritable::deleteVertex: cannot modify const facet set"}));
    EXPECT_TRUE(rec.errors().empty());
    EXPECT_EQ(U({w.getFacetEdge(2, 0), w.getFirstVertexFacet(1)}), U({NONE, NONE}));
    EXPECT_NE(fs.getFacet(2), nullptr);
    EXPECT_EQ(fs.rawverts().get(1)[0], 1.0);

    // Copies share the tables and the set.
    KelmMeshFacetSet cube;
    kelm_test::make_cube(cube);
    auto* original = new KelmMeshTopologyWritable;
    original->init(&cube);
    KelmMeshTopologyWritable copy(*original), assigned;
    assigned = *original;
    EXPECT_EQ(assigned.getFacetSet(), &cube);
    copy.deleteFacet(5);  // the shared tables and the set change
    EXPECT_EQ(original->getFacetEdge(5, 0), NONE);
    EXPECT_EQ(cube.getFacet(5), nullptr);
    EXPECT_EQ(original->createEdge(0, 6), 18u);
    delete original;
    EXPECT_EQ(copy.getEdgeVertex(18, 1), 6u);
    KelmMeshTopologyWritable moved(std::move(assigned));
    EXPECT_EQ(moved.getFacetSet(), &cube);
    EXPECT_EQ(moved.getEdgeCount(), 19u);
}

TEST(KelmMeshTopologyWritable, SettersGrowOnlyTheListsTheyName) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    kelm_test::make_open_strip(fs);  // 9 edges, 4 facets
    KelmMeshTopologyWritable w;
    w.init(&fs);
    const kelm_test::Tables built = tables_of(w, 16);
    // Numbers beyond non-growing lists and NONE first arguments change nothing.
    w.deleteFacet(4), w.deleteVertex(6), w.deleteEdge(9), w.setEdgeVerts(9, 1, 2);
    w.setFacetEdge(4, 0, 1), w.setFacetEdge(0, 3, 1), w.deleteEdge(NONE), w.deleteFacet(NONE);
    w.deleteVertex(NONE), w.setEdgeVerts(NONE, 0, 1), w.setEdgeFacets(NONE, 0, 1);
    w.setFacetEdge(NONE, 0, 1), w.setFacetEdges(NONE, 0, 1, 2), w.setVertexFacet(NONE, 0);
    w.setFirstVertexFacet(NONE, 0), w.growFacetList(NONE), w.growFacetList(3);
    EXPECT_EQ(kelm_test::tables_problem(tables_of(w, 16), built), "");

    EXPECT_EQ(w.createEdge(5, 2), 9u);
    EXPECT_EQ(w.createEdge(2, 5), 10u);  // no search for an existing pair
    EXPECT_EQ(U({w.getEdgeVertex(9, 0), w.getEdgeVertex(9, 1), w.getEdgeFacet(9, 0),
                 w.getEdgeFacet(9, 1)}),
              U({2, 5, NONE, NONE}));
    w.setEdgeVerts(9, 7, 3);
    w.setEdgeFacets(9, 3, 1);  // kept in the order given
    EXPECT_EQ(U({w.getEdgeVertex(9, 0), w.getEdgeVertex(9, 1), w.getEdgeFacet(9, 0)}),
              U({3, 7, 3}));
    w.setEdgeFacets(12, 0, 2);  // grows the facet list of edges only
    EXPECT_EQ(w.getEdgeCount(), 11u);
    EXPECT_EQ(w.createEdge(0, 1), 11u);
    EXPECT_EQ(w.createEdge(0, 2), 12u);
    EXPECT_EQ(U({w.getEdgeFacet(12, 0), w.getEdgeFacet(12, 1)}), U({NONE, NONE}));
    w.deleteEdge(3);
    EXPECT_EQ(U({w.getEdgeVertex(3, 0), w.getEdgeVertex(3, 1), w.getEdgeFacet(3, 0),
                 w.getEdgeFacet(3, 1), w.getEdgeCount(), w.getFacetEdge(1, 1)}),
              U({NONE, NONE, NONE, NONE, 13, 3}));

    w.setFacetEdges(4, 2, 1, 0);  // facet count 4 -> 5
    w.setFacetEdges(7, 0, 1, 2);
    w.setFacetEdge(5, 2, 7);
    EXPECT_EQ(
        U({w.getFacetCount(), w.getFacetEdge(4, 0), w.getFacetEdge(5, 0), w.getFacetEdge(5, 2)}),
        U({8, 2, NONE, 7}));
    w.growFacetList(8);
    EXPECT_EQ(w.getFacetCount(), 8u);
    w.growFacetList(10);
    EXPECT_EQ(U({w.getFacetCount(), w.getFacetEdge(9, 2)}), U({10, NONE}));
    w.setVertexFacet(12, 4);
    w.setFirstVertexFacet(2, 6);
    EXPECT_EQ(U({w.getFirstVertexFacet(12), w.getFirstVertexFacet(9), w.getFirstVertexFacet(2)}),
              U({4, NONE, 6}));
    EXPECT_EQ(fs.getFacetCount(), 4u);
    EXPECT_EQ(rec.count(), 0u);
}

// Flips the diagonal of the square 0 (0,0) 1 (1,0) 2 (1,1) 3 (0,1): facets (0,1,2)
// and (0,2,3) become (0,1,3) and (1,2,3), set and topology edited together.
TEST(KelmMeshTopologyWritable, EdgeFlipKeepsTheTopologyConsistent) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    KelmMeshTopologyWritable w;
    w.init(&fs);  // edges (0,1)=0 (1,2)=1 (0,2)=2 (2,3)=3 (0,3)=4
    fs.getFacet(0)->vertex[2] = 3;
    fs.getFacet(1)->vertex[0] = 1;
    w.setEdgeVerts(2, 3, 1);
    w.setFacetEdges(0, 0, 2, 4);
    w.setFacetEdges(1, 1, 3, 2);
    w.setEdgeFacets(1, 1, NONE);
    w.setEdgeFacets(4, 0, NONE);
    w.setVertexFacet(2, 1);
    EXPECT_EQ(
        kelm_test::tables_problem(tables_of(w, 4), {{0, 1, 1, 2, 1, 3, 2, 3, 0, 3},
                                                    {0, NONE, 1, NONE, 0, 1, 1, NONE, 0, NONE},
                                                    {0, 2, 4, 1, 3, 2},
                                                    {0, 0, 1, 1},
                                                    {}}),
        "");
    EXPECT_EQ(w.getNeighborFacetByEdge(0, 2), 1u);
    EXPECT_EQ(w.validateFaceSensesOnEdge(2) + w.validateFaceGeometricSensesOnEdge(2) +
                  w.validateEdgeUsage(0) + w.validateEdgesUnique(0),
              4);
    EXPECT_EQ(rec.count(), 0u);
}

}  // namespace
