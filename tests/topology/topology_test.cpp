#include "kelmmath/topology/topology.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "support/capture.h"
#include "support/topology_meshes.h"
#include "support/topology_reference.h"
#include "topology/internal_topology.h"

namespace {

constexpr unsigned NONE = KELM_NONE;
using kelm_test::ErrorRecorder;
using kelm_test::reference_problem;
using kelm_test::tables_of;
using kelm_test::tables_problem;
using U = std::vector<unsigned>;
using Strings = std::vector<std::string>;

TEST(KelmMeshTopologyBuild, NewTopologyThenTablesOfOneAndTwoFacets) {
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
}

TEST(KelmMeshTopologyBuild, MatchesReferenceOnSampleMeshesAndRanges) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    KelmMeshTopology t;
    using Maker = void (*)(KelmMeshFacetSet&);
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
}

TEST(KelmMeshTopologyBuild, ThirdFacetsDegenerateAndUnfinishedFacets) {
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    kelm_test::make_nonmanifold_fan(fs);  // (0,1,2), (1,0,3), (0,1,4)
    KelmMeshTopology t;
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
    EXPECT_EQ(tables_problem(tables_of(u, 3),
                             {{0, 0, 0, 2}, {0, NONE, 0, 0}, {0, 1, 1}, {0, NONE, 0}, {}}),
              "");
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

TEST(KelmMeshTopologyBuild, IndexedLookupAgreesWithChainWalk) {
    KelmMeshFacetSet fs;
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

// A whole-set build goes through the virtual range build; copies share the tables.
TEST(KelmMeshTopologyBuild, WholeSetInitAndCopiesThatShareTheTables) {
    KelmMeshFacetSet tetra, cube;
    kelm_test::make_tetrahedron(tetra);
    kelm_test::make_cube(cube);
    struct Recording : KelmMeshTopology {
        using KelmMeshTopology::init;
        void init(const KelmMeshFacetSet* fs, unsigned first, unsigned count) override {
            calls.emplace_back(first, count);
            KelmMeshTopology::init(fs, first, count);
        }
        std::vector<std::pair<unsigned, unsigned>> calls;
    } t;
    static_cast<KelmMeshTopology&>(t).init(&cube);
    EXPECT_EQ(t.calls, (std::vector<std::pair<unsigned, unsigned>>{{0, 12}}));
    EXPECT_EQ(t.getEdgeCount(), 18u);
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

}  // namespace
