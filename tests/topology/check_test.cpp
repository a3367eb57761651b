#include "kelmmath/topology/check.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/meshes.h"
#include "support/topology_meshes.h"
#include "topology/internal_check.h"

namespace {

using kelm_test::add_facet;
using kelm_test::make_mesh;
using Pairs = std::vector<std::pair<unsigned, unsigned>>;
using U = std::vector<unsigned>;

Pairs pairs(const std::vector<KelmMeshCheckPair>& in) {
    Pairs out;
    for (const auto& p : in) out.push_back({p.first, p.second});
    return out;
}

Pairs edges(const std::vector<KelmMeshCheckEdge>& in) {
    Pairs out;
    for (const auto& e : in) out.push_back({e.v0, e.v1});
    return out;
}

TEST(KelmMeshCheck, ClosedCubeIsClean) {
    KelmMeshFacetSet fs;
    kelm_test::make_cube(fs);
    KelmMeshCheckReport r;
    EXPECT_EQ(kelm_mesh_check(&r, &fs, 1), 1);
    EXPECT_EQ(U({r.vertices, r.facets, r.edges}), U({8, 12, 18}));
    EXPECT_TRUE(r.closed && r.oriented && r.intersections_checked);
    EXPECT_EQ(std::make_pair(r.area, r.volume), std::make_pair(6.0, 1.0));
    ASSERT_EQ(r.parts.size(), 1u);
    EXPECT_EQ(r.parts[0].facets, 12u);
    EXPECT_TRUE(r.parts[0].closed && r.parts[0].oriented && r.self_intersections.empty());
    EXPECT_EQ(U({static_cast<unsigned>(kelm_mesh_check(nullptr, &fs, 0)),
                 static_cast<unsigned>(kelm_mesh_check(&r, nullptr, 0)), r.facets}),
              U(3, 0));
}

TEST(KelmMeshCheck, OpenStripHasOneHoleWalkedAgainstItsFacets) {
    KelmMeshFacetSet fs;
    kelm_test::make_open_strip(fs);
    KelmMeshCheckReport r;
    EXPECT_EQ(kelm_mesh_check(&r, &fs, 0), 0);
    EXPECT_TRUE(!r.closed && r.oriented);
    ASSERT_EQ(r.border_edges.size(), 6u);
    // First border edge by vertex pair: 0-1, run 0->1 by facet 0.
    EXPECT_EQ(U({r.border_edges[0].v0, r.border_edges[0].v1, r.border_edges[0].facet}),
              U({0, 1, 0}));
    ASSERT_EQ(r.holes.size(), 1u);
    const KelmMeshCheckHole& h = r.holes[0];
    EXPECT_TRUE(h.closed && h.directed);
    EXPECT_EQ(std::make_pair(h.edges, h.length), std::make_pair(6u, 6.0));
    EXPECT_EQ(h.vertices, U({1, 0, 3, 4, 5, 2}));
}

TEST(KelmMeshCheck, NonManifoldEdgeMisorientedEdgeAndPinchVertex) {
    KelmMeshFacetSet fs;
    kelm_test::make_nonmanifold_fan(fs);
    KelmMeshCheckReport r;
    kelm_mesh_check(&r, &fs, 0);
    ASSERT_EQ(edges(r.nonmanifold_edges), (Pairs{{0, 1}}));
    EXPECT_EQ(r.nonmanifold_edges[0].facets, U({0, 1, 2}));
    EXPECT_FALSE(r.closed);
    EXPECT_TRUE(r.nonmanifold_vertices.empty());  // one fan through the shared edge

    // A tetrahedron with facet 3 turned over: its three edges are misoriented.
    kelm_test::make_tetrahedron(fs);
    std::swap(fs.getFacet(3)->vertex[1], fs.getFacet(3)->vertex[2]);
    kelm_mesh_check(&r, &fs, 0);
    EXPECT_TRUE(r.closed && !r.oriented);
    EXPECT_EQ(edges(r.misoriented_edges), (Pairs{{1, 2}, {1, 3}, {2, 3}}));
    EXPECT_EQ(r.misoriented_edges[0].facets, U({0, 3}));
    EXPECT_FALSE(r.parts[0].oriented);

    // Two tetrahedra touching at vertex 0 only: a pinch, two closed parts.
    make_mesh(
        fs, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}},
        {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}, {0, 4, 5}, {0, 6, 4}, {0, 5, 6}, {4, 6, 5}});
    EXPECT_EQ(kelm_mesh_check(&r, &fs, 1), 0);
    EXPECT_EQ(r.nonmanifold_vertices, U{0});
    ASSERT_EQ(r.parts.size(), 2u);
    EXPECT_EQ(r.parts[1].first_facet, 4u);
    EXPECT_TRUE(r.closed && r.oriented);
    EXPECT_NEAR(r.parts[1].volume, 1.0 / 6.0, 1e-15);
    EXPECT_EQ(r.facet_part[5], 1u);
    EXPECT_TRUE(r.self_intersections.empty());
}

TEST(KelmMeshCheck, DegenerateZeroAreaInvalidAndDuplicateFacets) {
    KelmMeshFacetSet fs;
    kelm_test::make_tetrahedron(fs);
    fs.createVertex(KelmPoint(2, 0, 0));  // 4: on the line through 0 and 1
    add_facet(fs, 1, 1, 2);               // 4: repeated vertex
    add_facet(fs, 0, 1, 4);               // 5: distinct corners, zero area
    add_facet(fs, 3, 2, 1);               // 6: facet 3's vertex set, other way round
    add_facet(fs, 0, 1, 9);               // 7: no vertex 9
    unsigned null_slot = 0;
    fs.appendNullFacet(&null_slot);
    KelmMeshCheckReport r;
    EXPECT_EQ(kelm_mesh_check(&r, &fs, 1), 0);
    EXPECT_EQ(r.facets, 8u);
    EXPECT_EQ((std::vector<U>{r.degenerate_facets, r.invalid_facets, r.zero_area_facets}),
              (std::vector<U>{{4}, {7}, {5}}));
    EXPECT_EQ(pairs(r.duplicate_facets), (Pairs{{6, 3}}));
    // Facet 6 meets facet 3's edges a third time; facet 5 adds two border edges and
    // makes 0-1 non-manifold.
    EXPECT_EQ(edges(r.nonmanifold_edges), (Pairs{{0, 1}, {1, 2}, {1, 3}, {2, 3}}));
    ASSERT_EQ(r.parts.size(), 1u);
    EXPECT_EQ(U({r.edges, r.facet_part[4], r.parts[0].facets}), U({8, KELM_NONE, 6}));
    EXPECT_TRUE(r.self_intersections.empty());  // duplicates and zero-area facets are apart
}

TEST(KelmMeshCheck, SelfIntersectionsWithoutFalsePositivesOnSharedCorners) {
    KelmMeshFacetSet fs;
    // 0: a triangle in z = 0; 1: one piercing it; 2: one sharing vertex 0 and lying
    // above it; 3: one sharing edge 0-1, flat beside facet 0; 4: one sharing edge 0-1
    // folded back onto facet 0.
    const std::vector<KelmPoint> points = {{0, 0, 0},  {4, 0, 0},   {0, 4, 0}, {1, 1, -1},
                                           {1, 1, 1},  {2, 0.5, 5}, {0, 0, 3}, {-3, -3, 3},
                                           {2, -3, 0}, {3, 0.5, 0}};
    make_mesh(fs, points, {{0, 1, 2}, {3, 4, 5}, {0, 6, 7}, {1, 0, 8}, {0, 1, 9}});
    KelmMeshCheckReport r;
    kelm_mesh_check(&r, &fs, 1);
    EXPECT_EQ(pairs(r.self_intersections), (Pairs{{0, 1}, {0, 4}}));
    // Sharing a vertex and crossing elsewhere; coplanar wedges overlapping at a vertex.
    make_mesh(fs,
              {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {1, 1, -1}, {0.5, 0.5, 1}, {2, 1, 0}, {1, 2, 0}},
              {{0, 1, 2}, {0, 3, 4}, {0, 5, 6}});
    std::vector<KelmMeshCheckPair> found;
    EXPECT_EQ(kelm_mesh_self_intersections(&found, &fs), 3u);
    EXPECT_EQ(pairs(found), (Pairs{{0, 1}, {0, 2}, {1, 2}}));
    EXPECT_EQ(kelm_mesh_self_intersections(nullptr, &fs), 0u);
    // Coplanar, no corner shared, edges crossing.
    make_mesh(fs, {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {-1, 1, 0}, {4, 1, 0}, {1, -2, 0}},
              {{0, 1, 2}, {3, 5, 4}});
    EXPECT_EQ(kelm_mesh_self_intersections(&found, &fs), 1u);
    EXPECT_EQ(pairs(found), (Pairs{{0, 1}}));
    // The first case's pierced facet with its corners in another order (along y, then x).
    make_mesh(fs, {{0, 0, 0}, {0, 4, 0}, {4, 0, 0}, {1, 1, -1}, {1, 1, 1}, {2, 0.5, 5}},
              {{0, 1, 2}, {3, 4, 5}});
    EXPECT_EQ(kelm_mesh_self_intersections(&found, &fs), 1u);
}

// (The counts and lists themselves: the exact cases above.) On random meshes every
// border edge lies in one hole, and the grid search finds exactly the pairs of the
// all-pairs test.
TEST(KelmMeshCheck, GridSearchAgreesWithAllPairsOnRandomMeshes) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        KelmMeshFacetSet fs;
        kelm_test::make_random_mesh(fs, 6 + seed * 3, 20 + seed * 9, seed);
        KelmMeshCheckReport r;
        kelm_mesh_check(&r, &fs, 1);
        unsigned hole_edges = 0;
        for (const auto& h : r.holes) hole_edges += h.edges;
        EXPECT_EQ(hole_edges, r.border_edges.size()) << seed;
        std::vector<KelmMeshCheckPair> all;
        kelm_internal::self_intersections_all_pairs(&all, &fs);
        EXPECT_EQ(pairs(r.self_intersections), pairs(all)) << seed;
        EXPECT_FALSE(all.empty()) << seed;
    }
}

TEST(KelmMeshCheck, TorusIsCleanAndItsGridSearchAgrees) {
    KelmMeshFacetSet fs;
    kelm_test::make_torus(fs, 24, 12);
    KelmMeshCheckReport r;
    EXPECT_EQ(kelm_mesh_check(&r, &fs, 1), 1);
    EXPECT_EQ(r.edges, 3u * 24 * 12);
    EXPECT_GT(r.volume, 0.0);
    // A facet pushed through the far side: the grid and the all-pairs test agree.
    double p[3];
    fs.getVertex(p, 0);
    p[0] = -p[0];
    fs.modifyVertex(p, 0);
    std::vector<KelmMeshCheckPair> grid, all;
    kelm_mesh_self_intersections(&grid, &fs);
    kelm_internal::self_intersections_all_pairs(&all, &fs);
    EXPECT_FALSE(grid.empty());
    EXPECT_EQ(pairs(grid), pairs(all));
}

}  // namespace
