#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"
#include "kelmmath/topology/writable.h"
#include "support/capture.h"
#include "support/topology_meshes.h"
#include "support/topology_reference.h"
#include "topology/internal_topology.h"

namespace {

constexpr unsigned NONE = KELM_NONE;
using kelm_test::ErrorRecorder;
using Pairs = std::vector<std::pair<unsigned, unsigned>>;
using Strings = std::vector<std::string>;
using U = std::vector<unsigned>;

Pairs drain(KelmMeshTopologyVertexCursor& c) {
    Pairs out;
    unsigned f, e;
    while (c.getNext(&f, &e)) out.emplace_back(f, e);
    return out;
}

Pairs walk(const KelmMeshTopology& t, unsigned v) {
    KelmMeshTopologyVertexCursor c;
    c.traverse(&t, v);
    return drain(c);
}

U to_vector(const kelm_uint_vector& l) {
    return U(l.data(), l.data() + l.size());
}

// Four facets around hub 0, rim 1..4 counter-clockwise: facet i is (0, i+1, i+2),
// the last (0, 4, 1). Edges (0,1)=0 (1,2)=1 (0,2)=2 (2,3)=3 (0,3)=4 (3,4)=5
// (0,4)=6 (1,4)=7.
struct SquareFan {
    SquareFan() {
        kelm_test::make_hub_fan(fs, 4);
        t.init(&fs);
    }
    KelmMeshFacetSet fs;
    KelmMeshTopologyWritable t;
};

TEST(KelmMeshTopologyWalk, TurnsOnceAroundAnInteriorVertexSeesOneSideAtABorder) {
    ErrorRecorder rec;
    SquareFan m;
    EXPECT_EQ(walk(m.t, 0), (Pairs{{0, 2}, {1, 4}, {2, 6}, {3, 0}}));

    KelmMeshFacetSet fs;
    kelm_test::make_octahedron(fs);
    KelmMeshTopology t;
    t.init(&fs);
    // Each vertex's first facet, then on through the side the facet shares with the next.
    const Pairs around[6] = {{{0, 2}, {2, 6}, {6, 8}, {4, 0}}, {{1, 4}, {5, 10}, {7, 7}, {3, 3}},
                             {{0, 0}, {4, 9}, {5, 4}, {1, 1}}, {{2, 5}, {3, 7}, {7, 11}, {6, 6}},
                             {{0, 1}, {1, 3}, {3, 5}, {2, 2}}, {{4, 8}, {6, 11}, {7, 10}, {5, 9}}};
    for (unsigned v = 0; v < 6; ++v) {
        KelmMeshTopologyVertexCursor c;
        c.traverse(&t, v);
        EXPECT_EQ(drain(c), around[v]) << v;
        unsigned f = 7, e = 7;
        EXPECT_EQ(c.getNext(&f, &e) + f + e, 14u);  // stays ended, outputs untouched
    }

    // At a border the walk sees only one side.
    kelm_test::make_triangle(fs);
    t.init(&fs);
    EXPECT_EQ(walk(t, 1), (Pairs{{0, 0}}));  // leaves through 0-1: no facet beyond
    EXPECT_EQ(walk(t, 0), (Pairs{{0, 2}}));
    EXPECT_EQ(U({t.getEdge(0, 2), t.getEdge(2, 0), t.getEdge(0, 1), t.getEdge(1, 2)}),
              U({2, 2, NONE, NONE}));

    // Strip 0 (0,1,4) 1 (0,4,3) 2 (1,2,5) 3 (1,5,4); edges (0,1)=0 (1,4)=1 (0,4)=2
    // (3,4)=3 (0,3)=4 (1,2)=5 (2,5)=6 (1,5)=7 (4,5)=8. Facets 2 and 3 lie behind
    // vertex 1's first facet, facet 1 behind vertex 4's.
    kelm_test::make_open_strip(fs);
    t.init(&fs);
    EXPECT_EQ(walk(t, 1), (Pairs{{0, 0}}));
    EXPECT_EQ(walk(t, 4), (Pairs{{0, 1}, {3, 8}}));
    EXPECT_EQ(walk(t, 0), (Pairs{{0, 2}, {1, 4}}));
    EXPECT_EQ(U({t.getEdge(4, 3), t.getEdge(0, 3), t.getEdge(1, 5)}), U({3, 4, NONE}));
    EXPECT_EQ(rec.count(), 0u);
}

TEST(KelmMeshTopologyWalk, RewindCopyStartFromAPositionAndListQueries) {
    ErrorRecorder rec;
    SquareFan m;
    KelmMeshTopologyVertexCursor c;
    c.traverse(&m.t, 0);
    const Pairs all = drain(c);
    c.rewind();
    EXPECT_EQ(drain(c), all);
    c.rewind();
    unsigned f, e;
    c.getNext(&f, &e);
    KelmMeshTopologyVertexCursor copy;
    copy = c;
    const Pairs rest(all.begin() + 1, all.end());
    EXPECT_EQ(drain(copy), rest);  // the copy runs on its own
    EXPECT_EQ(drain(c), rest);
    EXPECT_EQ(rec.count(), 0u);

    // A position keeps the step count: after a whole walk the guard allows one pair.
    c.facetEdgeVertex(2, 6, 0);
    EXPECT_EQ(drain(c), (Pairs{{2, 6}}));
    EXPECT_EQ(rec.take(), Strings{"KelmMeshTopologyVertexCursor::getNext: topology is broken"});
    c.vertex(0);
    c.facetEdgeVertex(2, 6, 0);
    EXPECT_EQ(drain(c), (Pairs{{2, 6}, {3, 0}, {0, 2}, {1, 4}}));

    // Wrong positions are reported and taken anyway.
    c.facetEdgeVertex(2, 6, 1);
    EXPECT_EQ(c.getNext(&f, &e), 1);
    EXPECT_EQ(std::make_pair(f, e), std::make_pair(2u, 6u));
    c.facetEdgeVertex(1, 6, 0);
    EXPECT_EQ(rec.take(),
              (Strings{"KelmMeshTopologyVertexIterator:facetEdgeVertex: vertex is not onedge",
                       "KelmMeshTopologyVertexIterator:facetEdgeVertex: facet is not onedge"}));

    // The list queries.
    kelm_uint_vector facets, edges;
    facets.append(99);  // emptied first
    m.t.findVertexFacetsEdges(&facets, &edges, 0);
    EXPECT_EQ(to_vector(facets), U({0, 1, 2, 3}));
    EXPECT_EQ(to_vector(edges), U({2, 4, 6, 0}));
    m.t.findVertexFacets(&facets, 3);
    m.t.findVertexEdges(&edges, 3);
    EXPECT_EQ(to_vector(facets), U{1});
    EXPECT_EQ(to_vector(edges), U{3});

    // A vertex that no facet uses: no walk, no report, empty lists.
    m.fs.createVertex(KelmPoint(9.0, 9.0, 9.0));
    m.t.init(&m.fs);
    EXPECT_EQ(c.traverse(&m.t, 5) + c.traverse(&m.t, NONE) + c.traverse(nullptr, 0), 0);
    m.t.findVertexFacetsEdges(&facets, &edges, 5);
    EXPECT_EQ(facets.size() + edges.size(), 0u);
    EXPECT_EQ(rec.count(), 0u);
}

TEST(KelmMeshTopologyWalk, BrokenTablesAreReported) {
    ErrorRecorder rec;
    SquareFan m;
    KelmMeshTopologyVertexCursor c;
    c.traverse(&m.t, 0);
    c.facetEdgeVertex(0, 99, 0);
    EXPECT_EQ(drain(c), Pairs{});
    c.facetEdgeVertex(99, 2, 0);
    EXPECT_EQ(drain(c), Pairs{});
    EXPECT_EQ(rec.take(),
              (Strings{"KelmMeshTopologyVertexIterator:facetEdgeVertex: vertex is not onedge",
                       "KelmMeshTopologyVertexIterator:facetEdgeVertex: facet is not onedge",
                       "KelmMeshTopologeVertexCursor:getNext(): have bad edge: 99(max=8)",
                       "KelmMeshTopologyVertexIterator:facetEdgeVertex: facet is not onedge",
                       "KelmMeshTopologeVertexCursor:getNext(): have bad facet: 99(max=4)"}));
    EXPECT_EQ(c.hasError(), 0);

    m.t.setFacetEdge(0, 0, NONE);  // facet 0 keeps one side at vertex 0
    EXPECT_EQ(c.vertex(0), 0);
    m.t.setFacetEdges(0, 0, 1, 0);  // two sides at 0, neither reaching corner 2
    EXPECT_EQ(c.vertex(0), 0);
    EXPECT_EQ(rec.take(),
              (Strings{"KelmMeshTopology: too few edges on point found.",
                       "KelmMeshTopologyVertexIterator: could not find edges on vertex v=0",
                       "KelmMeshTopologyVertexIterator: could not get other vertex v=0"}));
}

TEST(KelmMeshTopologyWalk, GuardStopsAWalkThatNeverReturns) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    kelm_test::make_hub_fan(fs, 3, false);  // (0,1,2), (0,2,3)
    KelmMeshTopologyWritable t;
    t.init(&fs);
    // Around vertex 0: out of facet 0 through edge 2, then between edges 4 and 0.
    t.setEdgeFacets(0, 0, 1);
    t.setEdgeFacets(4, 1, 0);
    t.setFacetEdges(0, 0, NONE, 2);
    t.setFacetEdges(1, 4, NONE, NONE);
    KelmMeshTopologyVertexCursor c;
    c.traverse(&t, 0);
    EXPECT_EQ(drain(c), (Pairs{{0, 2}, {1, 4}, {0, 0}}));  // two facets: three pairs
    EXPECT_EQ(rec.take(), Strings{"KelmMeshTopologyVertexCursor::getNext: topology is broken"});
    c.rewind();
    EXPECT_EQ(c.hasError(), 1);  // survives a new walk
    c.clearError();
    EXPECT_EQ(c.hasError(), 0);
    kelm_uint_vector facets;
    t.findVertexFacets(&facets, 0);
    EXPECT_EQ(to_vector(facets), U({0, 1, 0}));  // what came before the guard
    EXPECT_EQ(rec.take(), Strings{"KelmMeshTopologyVertexCursor::getNext: topology is broken"});

    // The dump lists what the walks returned: vertex 0 its guarded walk (twice, for the
    // facets and the edges), the rim vertices none, their edges being bent away.
    EXPECT_NE(kelm_test::dump_text(t).find("v[0] = (0.000000000000000,0.000000000000000,"
                                           "0.000000000000000)\n  f= 0 1 0\n  e= 2 4 0\n"),
              std::string::npos);
    Strings reports(2, "KelmMeshTopologyVertexCursor::getNext: topology is broken");
    for (int v : {1, 1, 2, 2, 3, 3})
        reports.insert(reports.end(), {"KelmMeshTopology: too few edges on point found.",
                                       "KelmMeshTopologyVertexIterator: could not find edges on "
                                       "vertex v=" +
                                           std::to_string(v)});
    EXPECT_EQ(rec.take(), reports);

    // The edge check stops at once, whatever the stop flag.
    kelm_test::StdoutCapture out;
    EXPECT_EQ(t.validateEdgesUnique(0), 0);
    EXPECT_EQ(out.text(), "getNext detected endless loop -- should not happen\n");
    EXPECT_EQ(rec.take(), Strings{"KelmMeshTopologyVertexCursor::getNext: topology is broken"});
}

TEST(KelmMeshTopologyInternal, WalkHelpersAndTheirReports) {
    ErrorRecorder rec;
    SquareFan m;
    using namespace kelm_internal;
    unsigned a, b;
    get_facet_vertex_edges(m.t, 1, 3, &a, &b);  // facet (0,2,3), slots 2 3 4
    EXPECT_EQ(U({a, b}), U({3, 4}));
    EXPECT_EQ(U({find_prev_vert(m.t, 1, 0), find_prev_vert(m.t, 1, 2), find_prev_vert(m.t, 1, 3),
                 find_prev_vert(m.t, NONE, 0)}),
              U({3, 0, 2, NONE}));
    EXPECT_EQ(U({get_other_facet_on_edge(m.t, 2, 0), get_other_facet_on_edge(m.t, 2, 1),
                 get_other_facet_on_edge(m.t, 2, 3), get_other_facet_on_edge(m.t, 1, 0),
                 get_other_edge_from_facet_vertex(m.t, 2, 1, 0)}),
              U({1, 0, 0, NONE, 4}));
    EXPECT_EQ(std::vector<int>({edge_has_vertex(m.t, 2, 2), edge_has_vertex(m.t, NONE, NONE),
                                edge_has_vertex(m.t, NONE, 0)}),
              std::vector<int>({1, 1, 0}));
    EXPECT_EQ(rec.count(), 0u);

    get_facet_vertex_edges(m.t, NONE, 0, &a, &b);
    EXPECT_EQ(U({a, b}), U({NONE, NONE}));
    m.t.setFacetEdges(2, 4, 6, 4);
    get_facet_vertex_edges(m.t, 2, 0, &a, &b);
    EXPECT_EQ(U({a, b}), U({NONE, NONE}));
    EXPECT_EQ(find_prev_vert(m.t, 1, 4), NONE);
    m.t.setEdgeFacets(2, 1, 1);
    EXPECT_EQ(get_other_facet_on_edge(m.t, 2, 1), NONE);
    EXPECT_EQ(get_other_edge_from_facet_vertex(m.t, 2, 1, 7), NONE);
    m.t.deleteFacet(3);
    EXPECT_EQ(find_prev_vert(m.t, 3, 0), NONE);  // deleted: no report
    EXPECT_EQ(rec.take(),
              (Strings{"KelmMeshTopology: too few edges on point found.",
                       "KelmMeshTopology: too many edges on point found.",
                       "KelmMeshTopology: find_prev_vert: given vertex is not in facet",
                       "KelmMeshTopology: could not get other facet on edge",
                       "KelmMeshTopology: get_other_edge_from_facet_vertex failed: e=2 f=1 v=7"}));
}

TEST(KelmMeshTopologyQueries, NeighborFacets) {
    ErrorRecorder rec;
    SquareFan m;
    EXPECT_EQ(U({m.t.getNeighborFacetByEdge(0, 2), m.t.getNeighborFacetByEdge(1, 2),
                 m.t.getNeighborFacetByEdge(3, 0), m.t.getNeighborFacetByEdge(0, 1),
                 m.t.getNeighborFacetByEdge(NONE, NONE), m.t.getNeighborFacetByIndex(1, 0),
                 m.t.getNeighborFacetByIndex(1, 2), m.t.getNeighborFacetByIndex(1, 1),
                 m.t.getNeighborFacetByIndex(NONE, 0)}),
              U({1, 0, 0, NONE, NONE, 0, 2, NONE, NONE}));
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(m.t.getNeighborFacetByEdge(3, 2), NONE);
    m.t.deleteEdge(4);
    EXPECT_EQ(m.t.getNeighborFacetByIndex(1, 2), NONE);
    EXPECT_EQ(rec.take(),
              (Strings{"KelmMeshTopology:getNeighborFacet: cannot find facet: f=3 e=2",
                       "KelmMeshTopology:getNeighborFacet: cannot find facet: f=1 e=4"}));
}

}  // namespace
