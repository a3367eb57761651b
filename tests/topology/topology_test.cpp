#include "kelmmath/topology/topology.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/dump.h"
#include "kelmmath/topology/writable.h"
#include "support/capture.h"
#include "support/golden.h"
#include "support/topology_meshes.h"
#include "support/topology_reference.h"
#include "topology/internal_topology.h"

namespace {

constexpr unsigned NONE = KELM_NONE;
using kelm_test::dump_text;
using kelm_test::ErrorRecorder;
using kelm_test::expect_golden;
using kelm_test::reference_problem;
using kelm_test::StdoutCapture;
using kelm_test::tables_of;
using kelm_test::tables_problem;
using Ints = std::vector<int>;
using Pairs = std::vector<std::pair<unsigned, unsigned>>;
using Strings = std::vector<std::string>;
using U = std::vector<unsigned>;
using Maker = void (*)(KelmMeshFacetSet&);

TEST(KelmMeshTopologyBuild, NewTopologySmallTablesWholeSetInitAndSharedCopies) {
    KelmMeshTopology t;
    EXPECT_EQ(t.getEdgeCount() + t.getFacetCount(), 0u);
    EXPECT_EQ(t.getFacetSet(), nullptr);
    EXPECT_EQ(U({t.getEdgeVertex(NONE, 0), t.getEdgeFacet(NONE, 1), t.getFacetEdge(NONE, 2),
                 t.getFacetVertex(NONE, 0), t.getFirstVertexFacet(NONE), t.getEdgeVertex(3, 0),
                 t.getFacetEdge(3, 0), t.getFacetVertex(0, 0), t.getFirstVertexFacet(7)}),
              U(9, NONE));

    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    kelm_test::make_triangle(fs);
    t.init(&fs);
    kelm_test::Tables want{
        {0, 1, 1, 2, 0, 2}, {0, NONE, 0, NONE, 0, NONE}, {0, 1, 2}, {0, 0, 0}, {}};
    EXPECT_EQ(tables_problem(tables_of(t, 3), want), "");
    EXPECT_EQ(t.getFacetSet(), &fs);
    EXPECT_EQ(t.getFacetVertex(0, 2), 2u);

    // (2, 1, 3) meets the side 1-2 backwards and adds two edges.
    fs.createVertex(KelmPoint(1.0, 1.0, 0.0));
    kelm_test::add_facet(fs, 2, 1, 3);
    t.init(&fs);
    want.edge_verts.insert(want.edge_verts.end(), {1, 3, 2, 3});
    want.edge_facets = {0, NONE, 0, 1, 0, NONE, 1, NONE, 1, NONE};
    want.facet_edges.insert(want.facet_edges.end(), {1, 3, 4});
    want.vertex_facet.push_back(1);
    EXPECT_EQ(tables_problem(tables_of(t, 4), want), "");
    EXPECT_EQ(rec.count(), 0u);

    // A whole-set build goes through the virtual range build; copies share the tables.
    KelmMeshFacetSet tetra, cube;
    kelm_test::make_tetrahedron(tetra);
    kelm_test::make_cube(cube);
    struct Recording : KelmMeshTopology {
        using KelmMeshTopology::init;
        void init(const KelmMeshFacetSet* fs, unsigned first, unsigned count) override {
            calls.emplace_back(first, count);
            KelmMeshTopology::init(fs, first, count);
        }
        Pairs calls;
    } r;
    static_cast<KelmMeshTopology&>(r).init(&cube);
    EXPECT_EQ(r.calls, (Pairs{{0, 12}}));
    EXPECT_EQ(r.getEdgeCount(), 18u);
    auto* original = new KelmMeshTopology;
    original->init(&tetra);
    KelmMeshTopology copy(*original), assigned;
    assigned.init(&cube);
    assigned = *original;
    EXPECT_EQ(copy.getEdgeCount(), 6u);
    original->init(&cube);  // seen through every sharer
    EXPECT_EQ(copy.getEdgeCount(), 18u);
    EXPECT_EQ(assigned.getFacetSet(), &cube);
    delete original;  // the other sharers keep the tables alive
    KelmMeshTopology& alias = copy;
    copy = alias;
    KelmMeshTopology moved(std::move(assigned));
    EXPECT_EQ(reference_problem(copy, cube), "");
    EXPECT_EQ(reference_problem(moved, cube), "");
}

// The tables, build flag and reports of a build with the given edge lookup.
std::string built_with(const KelmMeshFacetSet& fs, unsigned first, unsigned count,
                       kelm_internal::EdgeLookup mode) {
    ErrorRecorder rec;
    kelm_internal::TopologyTables t;
    kelm_internal::build_tables(t, &fs, first, count, mode);
    std::string s = std::to_string(t.build_ok);
    for (const kelm_uint_vector* l :
         {&t.edge_verts, &t.edge_facets, &t.facet_edges, &t.vertex_facet})
        for (unsigned i = 0; i <= l->size(); ++i)
            s += i < l->size() ? " " + std::to_string((*l)[i]) : ";";
    for (const std::string& e : rec.errors()) s += "\n" + e;
    return s;
}

// Builds with the plain chain walk, the indexed lookup and the buckets: same tables,
// same reports.
void expect_lookups_agree(const KelmMeshFacetSet& fs, unsigned first, unsigned count) {
    using kelm_internal::EdgeLookup;
    const std::string plain = built_with(fs, first, count, EdgeLookup::kChainWalk);
    EXPECT_EQ(built_with(fs, first, count, EdgeLookup::kIndexed), plain);
    EXPECT_EQ(built_with(fs, first, count, EdgeLookup::kBuckets), plain);
}

TEST(KelmMeshTopologyBuild, MatchesReferenceWithEveryLookupAndOnBrokenFacets) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    KelmMeshTopology t;
    for (Maker make : {kelm_test::make_cube, kelm_test::make_open_strip, kelm_test::make_pillow,
                       +[](KelmMeshFacetSet& s) { kelm_test::make_torus(s, 5, 7); },
                       +[](KelmMeshFacetSet& s) { kelm_test::make_hub_fan(s, 40, false); }}) {
        make(fs);
        t.init(&fs);
        EXPECT_EQ(reference_problem(t, fs), "");
    }
    // Deleted facets keep empty slots and are named by no edge; a vertex that no
    // facet uses keeps first facet NONE; ranges keep the set's numbers.
    kelm_test::make_octahedron(fs);
    fs.createVertex(KelmPoint(5.0, 5.0, 5.0));
    fs.deleteFacet(1);
    t.init(&fs);
    EXPECT_EQ(reference_problem(t, fs), "");
    EXPECT_EQ(t.getFirstVertexFacet(1), 3u);
    EXPECT_EQ(t.getFirstVertexFacet(6), NONE);
    t.init(&fs, 2, 3);
    EXPECT_EQ(t.getFacetCount(), 8u);
    EXPECT_EQ(reference_problem(t, fs, 2, 3), "");
    t.init(&fs, 6, 100);  // stops at the end of the set
    EXPECT_EQ(reference_problem(t, fs, 6, 2), "");
    t.init(&fs, 6, 5);
    EXPECT_EQ(reference_problem(t, fs, 6, 2), "");
    EXPECT_EQ(rec.count(), 0u);

    // Random meshes: repeated corners and sides met three times and more.
    for (unsigned seed = 1; seed <= 3; ++seed) {
        kelm_test::make_random_mesh(fs, 10 + 15 * seed, 300, seed);
        t.init(&fs);
        EXPECT_EQ(reference_problem(t, fs), "");
        EXPECT_EQ(rec.take(), kelm_test::reference_tables(fs).reports);
    }
    KelmMeshFacetSet empty;
    t.init(&empty);
    EXPECT_EQ(t.getEdgeCount() + t.getFacetCount(), 0u);
    t.init(nullptr);
    EXPECT_EQ(t.getFacetSet(), nullptr);

    // Third facets on a side, degenerate and unfinished facets.
    kelm_test::make_nonmanifold_fan(fs);  // (0,1,2), (1,0,3), (0,1,4)
    t.init(&fs);
    EXPECT_EQ(rec.take(), Strings{"Failed topology - edge v=(0,1) already has 2 facets"});
    EXPECT_EQ(U({t.getEdgeFacet(0, 0), t.getEdgeFacet(0, 1), t.getFacetEdge(2, 0)}), U({0, 1, 0}));

    // The edge looks right, yet the check fails, silently, even after a clean rebuild.
    kelm_test::make_tetrahedron(fs);
    t.init(&fs);
    EXPECT_EQ(t.validateEdgeUsage(0), 0);
    EXPECT_EQ(t.validateFaceSenses(0), 1);
    EXPECT_EQ(rec.count(), 0u);

    kelm_test::make_triangle(fs);
    fs.getFacet(0)->vertex[1] = 0;  // (0, 0, 2): a self-edge, and 0-2 met twice
    KelmMeshTopology u;
    u.init(&fs);
    const kelm_test::Tables want = {{0, 0, 0, 2}, {0, NONE, 0, 0}, {0, 1, 1}, {0, NONE, 0}, {}};
    EXPECT_EQ(kelm_test::topology_problem(u, want), "");
    EXPECT_EQ(rec.count(), 0u);

    kelm_test::make_triangle(fs);
    fs.createFacet(nullptr);  // corners never set
    u.init(&fs);
    EXPECT_EQ(rec.take(), kelm_test::reference_tables(fs).reports);
    EXPECT_EQ(reference_problem(u, fs), "");
    EXPECT_EQ(u.validateEdgeUsage(), 0);

    for (unsigned k = 0; k < 3; ++k) {  // a corner equal to the vertex count is outside
        kelm_test::make_triangle(fs);
        kelm_test::add_facet(fs, 0, 2, 1);
        fs.getFacet(1)->vertex[k] = 3;
        u.init(&fs);
        EXPECT_EQ(rec.take(),
                  Strings{"Failed topology - facet 1 has a vertex outside the vertex list"});
        EXPECT_EQ(reference_problem(u, fs), "");
    }

    // The chain walk, the indexed lookup and the buckets agree.
    kelm_test::make_hub_fan(fs, 3 * kelm_internal::kLongChain);
    expect_lookups_agree(fs, 0, fs.getFacetCount());
    expect_lookups_agree(fs, 5, 50);
    kelm_test::make_torus(fs, 6, 9);
    expect_lookups_agree(fs, 0, fs.getFacetCount());
    const unsigned sizes[][2] = {{6, 500}, {30, 800}, {120, 1500}, {400, 3000}};
    for (unsigned i = 0; i < 4; ++i) {
        kelm_test::make_random_mesh(fs, sizes[i][0], sizes[i][1], 100 + i);
        expect_lookups_agree(fs, 0, fs.getFacetCount());
        expect_lookups_agree(fs, 17, fs.getFacetCount() / 2);
    }
}

TEST(KelmMeshTopologyWritable, InitFormsDeletionsCopiesSettersAndAnEdgeFlip) {
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

    // The setters grow only the lists they name.
    rec.clear();
    kelm_test::make_open_strip(fs);  // 9 edges, 4 facets
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

    // Flips the diagonal of the square 0 (0,0) 1 (1,0) 2 (1,1) 3 (0,1): facets (0,1,2)
    // and (0,2,3) become (0,1,3) and (1,2,3), set and topology edited together.
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    w.init(&fs);  // edges (0,1)=0 (1,2)=1 (0,2)=2 (2,3)=3 (0,3)=4
    fs.getFacet(0)->vertex[2] = 3;
    fs.getFacet(1)->vertex[0] = 1;
    w.setEdgeVerts(2, 3, 1);
    w.setFacetEdges(0, 0, 2, 4);
    w.setFacetEdges(1, 1, 3, 2);
    w.setEdgeFacets(1, 1, NONE);
    w.setEdgeFacets(4, 0, NONE);
    w.setVertexFacet(2, 1);
    EXPECT_EQ(kelm_test::topology_problem(w, {{0, 1, 1, 2, 1, 3, 2, 3, 0, 3},
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
void make_square_fan(KelmMeshFacetSet& fs) {
    kelm_test::make_hub_fan(fs, 4);
}

// A set and a writable topology over it.
struct Built {
    explicit Built(Maker make) {
        make(fs);
        t.init(&fs);
    }
    KelmMeshFacetSet fs;
    KelmMeshTopologyWritable t;
};

TEST(KelmMeshTopologyWalk, AroundVerticesWalkHelpersNeighborsAndTheDump) {
    ErrorRecorder rec;
    Built m(make_square_fan);
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

    // The walk helpers and neighbour facets, and their reports.
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
    EXPECT_EQ(Ints({edge_has_vertex(m.t, 2, 2), edge_has_vertex(m.t, NONE, NONE),
                    edge_has_vertex(m.t, NONE, 0)}),
              Ints({1, 1, 0}));
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

    // Neighbour facets, on a fan of their own.
    Built n(make_square_fan);
    EXPECT_EQ(U({n.t.getNeighborFacetByEdge(0, 2), n.t.getNeighborFacetByEdge(1, 2),
                 n.t.getNeighborFacetByEdge(3, 0), n.t.getNeighborFacetByEdge(0, 1),
                 n.t.getNeighborFacetByEdge(NONE, NONE), n.t.getNeighborFacetByIndex(1, 0),
                 n.t.getNeighborFacetByIndex(1, 2), n.t.getNeighborFacetByIndex(1, 1),
                 n.t.getNeighborFacetByIndex(NONE, 0)}),
              U({1, 0, 0, NONE, NONE, 0, 2, NONE, NONE}));
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(n.t.getNeighborFacetByEdge(3, 2), NONE);
    n.t.deleteEdge(4);
    EXPECT_EQ(n.t.getNeighborFacetByIndex(1, 2), NONE);
    EXPECT_EQ(rec.take(),
              (Strings{"KelmMeshTopology:getNeighborFacet: cannot find facet: f=3 e=2",
                       "KelmMeshTopology:getNeighborFacet: cannot find facet: f=1 e=4"}));

    // The dump: a triangle, a cube, an edited tetrahedron, empty topologies and an
    // unclamped dot; the build and the walks report to the recorder.
    kelm_test::make_triangle(fs);
    t.init(&fs);
    expect_golden("topology_dump_triangle.txt", dump_text(t));
    kelm_test::add_facet(fs, 1, 2, 3);  // a corner equal to the vertex count: no normal
    t.init(&fs);
    EXPECT_NE(dump_text(t).find("\nf[1] = v=(1,2,3) e=(4294967295,4294967295,4294967295) "
                                "n=(0,0,0)\ne[0] : "),
              std::string::npos);
    kelm_test::make_cube(fs);
    t.init(&fs);
    expect_golden("topology_dump_cube.txt", dump_text(t));

    // The walk around vertex 1 below meets the deleted facet: its reports are recorded.
    kelm_test::make_tetrahedron(fs);
    fs.createVertex(KelmPoint(4.0, 4.0, 4.0));  // no facet uses vertex 4
    KelmMeshTopologyWritable w;
    w.init(&fs);
    w.deleteFacet(3);
    w.deleteEdge(5);
    expect_golden("topology_dump_edited.txt", dump_text(w));

    // Empty topologies and null arguments.
    KelmMeshTopology unbuilt;
    fs.clear();
    t.init(&fs);
    for (const KelmMeshTopology* e : {&t, &unbuilt})
        EXPECT_EQ(dump_text(*e), "vertices=0 facets=0 edges=0\n\n");
    kelm_mesh_topology_dump(nullptr, stdout);
    kelm_mesh_topology_dump(&t, nullptr);

    // Two coplanar facets whose rounded unit normals have a dot just above 1.
    kelm_test::make_mesh(fs, {{1, 3, 7}, {0, 3, 6}, {2, 4, 10}, {4, 1, 6}}, {{0, 1, 2}, {0, 2, 3}});
    t.init(&fs);
    double na[3], nb[3];
    fs.getFacetNormal(na, 0u);
    fs.getFacetNormal(nb, 1u);
    const double dot = na[0] * nb[0] + na[1] * nb[1] + na[2] * nb[2];
    ASSERT_GT(dot, 1.0);
    char line[128];
    std::snprintf(line, sizeof line, "e[2] : v=(0,2) f=(0,1) dot=1 angle=%g\n", std::acos(dot));
    EXPECT_NE(std::string(line).find("nan"), std::string::npos);
    EXPECT_NE(dump_text(t).find(line), std::string::npos);
}

TEST(KelmMeshTopologyWalk, RewindCopyPositionsListQueriesBrokenTablesAndTheGuard) {
    ErrorRecorder rec;
    Built m(make_square_fan);
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

    // Broken tables are reported.
    c = KelmMeshTopologyVertexCursor();
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

    // A guard stops a walk that never returns.
    KelmMeshFacetSet fs;
    kelm_test::make_hub_fan(fs, 3, false);  // (0,1,2), (0,2,3)
    KelmMeshTopologyWritable t;
    t.init(&fs);
    // Around vertex 0: out of facet 0 through edge 2, then between edges 4 and 0.
    t.setEdgeFacets(0, 0, 1);
    t.setEdgeFacets(4, 1, 0);
    t.setFacetEdges(0, 0, NONE, 2);
    t.setFacetEdges(1, 4, NONE, NONE);
    c = KelmMeshTopologyVertexCursor();
    c.traverse(&t, 0);
    EXPECT_EQ(drain(c), (Pairs{{0, 2}, {1, 4}, {0, 0}}));  // two facets: three pairs
    EXPECT_EQ(rec.take(), Strings{"KelmMeshTopologyVertexCursor::getNext: topology is broken"});
    c.rewind();
    EXPECT_EQ(c.hasError(), 1);  // survives a new walk
    c.clearError();
    EXPECT_EQ(c.hasError(), 0);
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

Ints all_checks(const KelmMeshTopology& t) {
    Ints r;
    for (int stop : {1, 0})
        r.insert(r.end(), {t.validate(stop), t.validateNoGeometry(stop), t.validateEdgeUsage(stop),
                           t.validateFaceSenses(stop), t.validateEdgesUnique(stop),
                           t.validateFaceGeometricSenses(stop), t.validateFaceOverlaps(stop)});
    return r;
}

TEST(KelmMeshTopologyValidate, EveryCheckOnSoundAndBrokenMeshes) {
    for (Maker make :
         {kelm_test::make_tetrahedron, kelm_test::make_cube, kelm_test::make_octahedron,
          +[](KelmMeshFacetSet& fs) { kelm_test::make_torus(fs, 6, 8); }}) {
        ErrorRecorder rec;
        StdoutCapture out;
        Built m(make);
        EXPECT_EQ(all_checks(m.t), Ints(14, 1));
        EXPECT_EQ(m.t.validate() + m.t.validateNoGeometry(), 2);
        EXPECT_EQ(rec.count(), 0u);
        EXPECT_EQ(out.text(), "");
    }

    ErrorRecorder rec;
    Built m(kelm_test::make_tetrahedron);
    m.fs.getFacet(3)->vertex[1] = 3;  // (1,2,3) becomes (1,3,2): edges 1, 3 and 5
    m.fs.getFacet(3)->vertex[2] = 2;
    m.t.init(&m.fs);
    const Strings three = {"facets on edge 1 do not have the same sense",
                           "facets on edge 3 do not have the same sense",
                           "facets on edge 5 do not have the same sense"};
    Strings six = three;
    six.insert(six.end(), three.begin(), three.end());
    EXPECT_EQ(Ints({m.t.validateFaceSenses(0), m.t.validateFaceGeometricSenses(0)}), Ints({0, 0}));
    EXPECT_EQ(rec.take(), six);
    EXPECT_EQ(Ints({m.t.validateFaceSenses(), m.t.validateFaceGeometricSenses()}), Ints({0, 0}));
    EXPECT_EQ(rec.take(), (Strings{three[0], three[0]}));
    EXPECT_EQ(Ints({m.t.validateFaceSensesOnEdge(3), m.t.validateFaceGeometricSensesOnEdge(5),
                    m.t.validateFaceSensesOnEdge(0)}),
              Ints({0, 0, 1}));
    EXPECT_EQ(rec.take(), (Strings{three[1], three[2]}));
    // validate() stops at the first failing check; validate(0) runs every check.
    EXPECT_EQ(m.t.validate(), 0);
    EXPECT_EQ(rec.take(), Strings{three[0]});
    EXPECT_EQ(m.t.validate(0), 0);
    EXPECT_EQ(rec.take(), six);

    // Border edges fail only the sense checks.
    StdoutCapture out;
    kelm_test::make_triangle(m.fs);
    m.t.init(&m.fs);
    EXPECT_EQ(
        Ints({m.t.validateEdgeUsage(0), m.t.validateEdgesUnique(0), m.t.validateFaceOverlaps(0),
              m.t.validateFaceSenses(), m.t.validateFaceGeometricSenses(0)}),
        Ints({1, 1, 1, 0, 0}));
    EXPECT_EQ(rec.take(), (Strings{"Edge 0 does not have 2 facets: 0 4294967295",
                                   "Edge 0 does not have 2 facets: 0 4294967295",
                                   "Edge 1 does not have 2 facets: 0 4294967295",
                                   "Edge 2 does not have 2 facets: 0 4294967295"}));
    EXPECT_EQ(m.t.validate(0), 0);
    EXPECT_EQ(rec.take().size(), 6u);
    EXPECT_EQ(out.text(), "");

    // Sense diagnostics go to standard output.
    Built d(kelm_test::make_tetrahedron);
    d.t.deleteFacet(3);
    EXPECT_EQ(d.t.validateFaceSenses(), 0);
    EXPECT_EQ(d.t.validateFaceGeometricSenses(0), 1);  // an unknown sense is accepted
    d.t.init(&d.fs);
    d.t.setEdgeVerts(2, 1, 3);  // not a side of facet 0
    EXPECT_EQ(d.t.validateFaceSensesOnEdge(2), 0);
    EXPECT_EQ(out.text(),
              "get_face_sense: could not get facet: 3\nsz=4\nBad sense: e=1\n"
              "Bad sense: e=2\n");
    EXPECT_EQ(rec.take(), Strings{"get_face_sense: failed to compute sense to face"});

    // Edge usage.
    m.fs.getFacet(0)->vertex[1] = 0;  // (0, 0, 2): edge 1 carries facet 0 twice
    m.t.init(&m.fs);
    EXPECT_EQ(m.t.validateEdgeUsage(), 0);
    EXPECT_EQ(rec.take(), Strings{"duplicate facet edge: e=1"});
    // A duplicate is not a stopping point: even with stop the next one is reported.
    kelm_test::add_facet(m.fs, 1, 1, 2);  // edges 2 (1,1), 3 (1,2) carries facet 1 twice
    m.t.init(&m.fs);
    EXPECT_EQ(m.t.validateEdgeUsage(), 0);
    EXPECT_EQ(rec.take(), (Strings{"duplicate facet edge: e=1", "duplicate facet edge: e=3"}));

    // Tetrahedron edges 0 (0,2) 1 (1,2) 2 (0,1) 3 (1,3) 4 (0,3) 5 (2,3); facets
    // 0 (0,2,1) 1 (0,1,3) 2 (0,3,2) 3 (1,2,3).
    Built tet(kelm_test::make_tetrahedron);
    tet.t.setEdgeVerts(2, 3, 1);
    tet.t.setEdgeVerts(5, 1, 0);
    EXPECT_EQ(tet.t.validateEdgeUsage(0), 0);
    const Strings all = {"Facet 0 does not contain vertex 3 (from edge 2)",
                         "Facet 2 does not contain vertex 1 (from edge 5)",
                         "Facet 3 does not contain vertex 0 (from edge 5)"};
    EXPECT_EQ(rec.take(), all);
    EXPECT_EQ(tet.t.validateEdgeUsage(), 0);
    EXPECT_EQ(rec.take(), Strings{all[0]});

    Built gone(kelm_test::make_tetrahedron);
    gone.t.deleteFacet(3);  // edges still name it: fails without a report
    EXPECT_EQ(gone.t.validateEdgeUsage(0), 0);
    EXPECT_EQ(rec.count(), 0u);

    // Unique edges.
    Built u(kelm_test::make_tetrahedron);
    EXPECT_EQ(u.t.createEdge(1, 0), 6u);   // the vertices of edge 2
    EXPECT_EQ(u.t.createEdge(10, 9), 7u);  // no facet uses vertex 9
    EXPECT_EQ(u.t.validateEdgesUnique(0), 0);
    EXPECT_EQ(rec.take(),
              (Strings{"validateEdgeUnique: edges 2 and 6 have same verts",
                       "validateEdgeUnique: cannot get iterate over edge verts: e=7 v0=9 v1=10"}));
    EXPECT_EQ(u.t.validateEdgesUnique(), 0);
    EXPECT_EQ(rec.count(), 1u);
    u.t.deleteEdge(7);                         // deleted edges are not looked at
    EXPECT_EQ(u.t.validateEdgesUnique(0), 0);  // the repeated pair alone fails the check
    u.t.setEdgeFacets(6, 0, 1);                // edge 2's facets too: only the unique check fails
    EXPECT_EQ(all_checks(u.t), (Ints{0, 0, 1, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1}));
    u.t.deleteEdge(6);
    EXPECT_EQ(Ints({u.t.validateEdgesUnique(0), u.t.validateFaceSenses(0),
                    u.t.validateFaceSensesOnEdge(6), u.t.validateFaceSensesOnEdge(NONE),
                    u.t.validateFaceGeometricSensesOnEdge(NONE),
                    u.t.validateFaceGeometricSensesOnEdge(u.t.getEdgeCount())}),
              Ints(6, 1));

    // The geometric sense, from coordinates.
    rec.clear();
    KelmMeshFacetSet fs;
    kelm_test::make_triangle(fs);
    auto sense = [&fs](unsigned f, unsigned a, unsigned b) {
        return kelm_internal::get_face_geometric_sense(&fs, f, a, b);
    };
    EXPECT_EQ(Ints({sense(0, 0, 1), sense(0, 2, 0), sense(0, 1, 0), sense(NONE, 0, 1),
                    sense(0, NONE, 1)}),
              Ints({1, 1, -1, 0, 0}));
    fs.getFacet(0)->vertex[0] = 3;  // a corner equal to the vertex count: no sense, also
    EXPECT_EQ(Ints({sense(0, 1, 2), sense(0, 3, 1)}), Ints({0, 0}));  // as an end of the side
    fs.getFacet(0)->vertex[0] = 0;
    // A sliver 1e-4 long and 5e-11 high: the offset of the third corner is below
    // the tolerance, its direction is not.
    fs.modifyVertex(KelmPoint(1e-4, 0.0, 0.0), 1);
    fs.modifyVertex(KelmPoint(0.0, 5e-11, 0.0), 2);
    EXPECT_EQ(Ints({sense(0, 0, 1), sense(0, 1, 0)}), Ints({1, -1}));
    fs.modifyVertex(KelmPoint(2e-4, 0.0, 0.0), 2);  // collinear: no sense
    EXPECT_EQ(sense(0, 0, 1), 0);
    EXPECT_EQ(rec.count(), 0u);
    fs.getFacet(0)->vertex[2] = 0;
    EXPECT_EQ(sense(0, 0, 1), 0);
    EXPECT_EQ(rec.take(), Strings{"validateFaceSensesOnEdge: could not find edge"});

    // Two collinear facets wound alike fail the combinatorial check only.
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{0, 1, 2}, {0, 1, 2}});
    KelmMeshTopology t;
    t.init(&fs);
    EXPECT_EQ(Ints({t.validateFaceGeometricSenses(0), t.validateFaceSenses(0)}), Ints({1, 0}));

    // Anti-parallel facets around a vertex.
    rec.clear();
    Built p(kelm_test::make_pillow);
    EXPECT_EQ(p.t.validateFaceSenses(0) + p.t.validateFaceGeometricSenses(0), 2);
    EXPECT_EQ(p.t.validateFaceOverlapForVertex(0), 0);
    const std::string prefix = "Facets (0 1) around vertex 0 are anti-parallel (dot+1=";
    const Strings first = rec.take();
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(first[0].rfind(prefix, 0), 0u) << first[0];
    EXPECT_LT(std::fabs(std::atof(first[0].c_str() + prefix.size())), 1e-15);
    EXPECT_EQ(p.t.validateFaceOverlaps(0), 0);  // one report per vertex
    EXPECT_EQ(rec.count(), 3u);
    EXPECT_EQ(p.t.validate(), 0);
    EXPECT_EQ(rec.take().size(), 4u);

    // Every pair is compared: facet 2 folds back over facets 0 and 1.
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 1, 0}},
                         {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}});
    t.init(&fs);
    EXPECT_EQ(t.validateFaceOverlapForVertex(0, 0), 0);
    EXPECT_EQ(t.validateFaceOverlapForVertex(0), 0);
    EXPECT_EQ(rec.take(), (Strings{"Facets (0 2) around vertex 0 are anti-parallel (dot+1=0)",
                                   "Facets (1 2) around vertex 0 are anti-parallel (dot+1=0)",
                                   "Facets (0 2) around vertex 0 are anti-parallel (dot+1=0)"}));
    EXPECT_EQ(t.validateFaceOverlapForVertex(4), 1);  // one facet around it

    // Nearly opposite: tilted by 1e-4 (dot+1 about 5e-9) counts, by 1e-3 (5e-7) not.
    for (double h : {1e-4, 1e-3}) {
        kelm_test::make_triangle(fs);
        fs.createVertex(KelmPoint(0.0, 1.0, h));
        kelm_test::add_facet(fs, 0, 3, 1);
        t.init(&fs);
        EXPECT_EQ(t.validateFaceOverlapForVertex(1), h < 5e-4 ? 0 : 1) << h;
    }
    KelmMeshTopology unbuilt;
    EXPECT_EQ(unbuilt.validateFaceOverlaps(0) + unbuilt.validateFaceOverlapForVertex(0), 0);
}

}  // namespace
