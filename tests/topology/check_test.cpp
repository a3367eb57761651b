// The mesh check and the repairs built on it.

#include "kelmmath/topology/check.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/topology/repair.h"
#include "mesh/internal_facetset.h"
#include "support/topology_meshes.h"
#include "topology/internal_check.h"

namespace {

using kelm_test::add_facet;
using kelm_test::fingerprint;
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

TEST(KelmMeshCheck, EveryFindingOnSmallMeshesAndTheGridSearch) {
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

    // An open strip has one hole, walked against its facets.
    kelm_test::make_open_strip(fs);
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
    // Its last facet turned over: where the walk meets an edge run its own way it
    // takes it still, and the loop is whole but not directed.
    std::swap(fs.getFacet(3)->vertex[1], fs.getFacet(3)->vertex[2]);
    kelm_mesh_check(&r, &fs, 0);
    ASSERT_EQ(r.holes.size(), 1u);
    EXPECT_EQ(U({r.holes[0].edges, r.holes[0].closed, r.holes[0].directed}), U({6, 1, 0}));

    // A non-manifold edge, misoriented edges and a pinch vertex.
    kelm_test::make_nonmanifold_fan(fs);
    kelm_mesh_check(&r, &fs, 0);
    ASSERT_EQ(edges(r.nonmanifold_edges), (Pairs{{0, 1}}));
    EXPECT_EQ(r.nonmanifold_edges[0].facets, U({0, 1, 2}));
    EXPECT_FALSE(r.closed);
    EXPECT_TRUE(r.nonmanifold_vertices.empty());  // one fan through the shared edge
    // Three border edges at vertices 0 and 1: a loop, and a chain that stays open.
    ASSERT_EQ(r.holes.size(), 2u);
    EXPECT_EQ(r.holes[0].vertices, U({0, 2, 1, 3}));
    EXPECT_EQ(r.holes[1].vertices, U({0, 4, 1}));
    EXPECT_EQ(U({r.holes[0].edges, r.holes[0].closed, r.holes[1].edges, r.holes[1].closed}),
              U({4, 1, 2, 0}));

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
    EXPECT_EQ(r.used_vertices, 7u);  // the pinch vertex counted once
    ASSERT_EQ(r.parts.size(), 2u);
    EXPECT_EQ(r.parts[1].first_facet, 4u);
    EXPECT_TRUE(r.closed && r.oriented);
    EXPECT_NEAR(r.parts[1].volume, 1.0 / 6.0, 1e-15);
    EXPECT_NEAR(r.area, 3.0 + std::sqrt(3.0), 1e-14);  // each: three halves and sqrt(3) / 2
    EXPECT_EQ(r.facet_part[5], 1u);
    EXPECT_TRUE(r.self_intersections.empty());

    // Degenerate, zero-area, invalid and duplicate facets.
    kelm_test::make_tetrahedron(fs);
    fs.createVertex(KelmPoint(2, 0, 0));  // 4: on the line through 0 and 1
    add_facet(fs, 1, 1, 2);               // 4: repeated vertex
    add_facet(fs, 0, 1, 4);               // 5: distinct corners, zero area
    add_facet(fs, 3, 2, 1);               // 6: facet 3's vertex set, other way round
    add_facet(fs, 0, 1, 9);               // 7: no vertex 9
    unsigned null_slot = 0;
    fs.appendNullFacet(&null_slot);
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

    // Self-intersections, without false positives on shared corners. 0: a triangle in z = 0; 1: one
    // piercing it; 2: one sharing vertex 0 and lying above it; 3: one sharing edge 0-1, flat beside
    // facet 0; 4: one sharing edge 0-1 folded back onto facet 0.
    const std::vector<KelmPoint> points = {{0, 0, 0},  {4, 0, 0},   {0, 4, 0}, {1, 1, -1},
                                           {1, 1, 1},  {2, 0.5, 5}, {0, 0, 3}, {-3, -3, 3},
                                           {2, -3, 0}, {3, 0.5, 0}};
    make_mesh(fs, points, {{0, 1, 2}, {3, 4, 5}, {0, 6, 7}, {1, 0, 8}, {0, 1, 9}});
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

    // (The counts and lists themselves: the exact cases above.) On random meshes every
    // border edge lies in one hole, and the grid search finds exactly the pairs of the
    // all-pairs test.
    for (unsigned seed = 1; seed <= 12; ++seed) {
        kelm_test::make_random_mesh(fs, 6 + seed * 3, 20 + seed * 9, seed);
        kelm_mesh_check(&r, &fs, 1);
        unsigned hole_edges = 0;
        for (const auto& h : r.holes) hole_edges += h.edges;
        EXPECT_EQ(hole_edges, r.border_edges.size()) << seed;
        std::vector<KelmMeshCheckPair> all;
        kelm_internal::self_intersections_all_pairs(&all, &fs);
        EXPECT_EQ(pairs(r.self_intersections), pairs(all)) << seed;
        EXPECT_FALSE(all.empty()) << seed;
    }

    // A clean torus, then one facet pushed through the far side.
    kelm_test::make_torus(fs, 24, 12);
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

TEST(KelmMeshCheck, FacetsInOneBlockOrSeveralGiveOneReport) {
    // Random facets with distinct corners, some repeated or turned over: non-manifold
    // edges, pinch vertices, duplicates, misoriented edges. Made with room for every
    // facet, the set holds them in one block, which the check reads in place; made
    // facet by facet, in several blocks, which it copies.
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<unsigned> pick(0, 24);
        std::vector<std::array<unsigned, 3>> facets;
        while (facets.size() < 120) {
            std::array<unsigned, 3> f = {pick(rng), pick(rng), pick(rng)};
            if (f[0] == f[1] || f[1] == f[2] || f[0] == f[2]) continue;
            facets.push_back(f);
            if (rng() % 8 == 0) facets.push_back({f[1], f[0], f[2]});
        }
        KelmMeshFacetSet several, one;
        kelm_test::make_random_mesh(several, 25, 0, seed);
        for (unsigned v = 0; v < several.getVertexCount(); ++v)
            one.createVertex(several.rawverts().get(v));
        kelm_internal::FacetSetAccess::reserve(one, 0, 0, static_cast<unsigned>(facets.size()));
        for (const auto& f : facets) {
            add_facet(several, f[0], f[1], f[2]);
            add_facet(one, f[0], f[1], f[2]);
        }
        KelmMeshCheckReport a, b;
        kelm_mesh_check(&a, &several, 0);
        kelm_mesh_check(&b, &one, 0);
        EXPECT_FALSE(a.nonmanifold_edges.empty() || a.misoriented_edges.empty()) << seed;
        EXPECT_TRUE(a.area == b.area && a.volume == b.volume && a.facet_part == b.facet_part &&
                    a.nonmanifold_vertices == b.nonmanifold_vertices &&
                    a.zero_area_facets == b.zero_area_facets &&
                    a.used_vertices == b.used_vertices &&
                    a.border_edges.size() == b.border_edges.size() &&
                    a.holes.size() == b.holes.size() && a.parts.size() == b.parts.size())
            << seed;
        EXPECT_EQ(pairs(a.duplicate_facets), pairs(b.duplicate_facets)) << seed;
        EXPECT_EQ(edges(a.nonmanifold_edges), edges(b.nonmanifold_edges)) << seed;
        EXPECT_EQ(edges(a.misoriented_edges), edges(b.misoriented_edges)) << seed;
        // Parts against facets joined pair by pair when they share two vertices: each
        // facet's part starts at the lowest facet it reaches.
        std::vector<unsigned> low(facets.size());
        for (unsigned f = 0; f < low.size(); ++f) low[f] = f;
        for (bool changed = true; changed;) {
            changed = false;
            for (unsigned f = 0; f < low.size(); ++f)
                for (unsigned g = 0; g < low.size(); ++g) {
                    unsigned shared = 0;
                    for (unsigned x : facets[f])
                        shared += x == facets[g][0] || x == facets[g][1] || x == facets[g][2];
                    if (shared >= 2 && low[g] < low[f]) low[f] = low[g], changed = true;
                }
        }
        for (unsigned f = 0; f < low.size(); ++f)
            EXPECT_EQ(a.parts[a.facet_part[f]].first_facet, low[f]) << seed << " " << f;
    }
}

bool clean(const KelmMeshFacetSet& fs) {
    KelmMeshCheckReport r;
    return kelm_mesh_check(&r, &fs, 1) == 1;
}

// The cube with two coloured faces, as a part comes from CAD.
void make_part(KelmMeshFacetSet& fs) {
    kelm_test::make_cube(fs);
    kelm_mesh_set_color(fs.createFace(0, 10), 0x8a9099);
    KelmMeshFace* top = fs.createFace(10, 2);
    kelm_mesh_set_color(top, 0x2f6fb0);
    KelmMeshFaceAtts::make(top)->setAttribute("finish", "ground");
}

// The side walls of a prism of height 1 over the outline (counter-clockwise, in z = 0),
// open at both ends: vertices 0..n-1 at the bottom, n..2n-1 at the top.
void make_tube(KelmMeshFacetSet& fs, const std::vector<std::array<double, 2>>& outline) {
    fs.clear();
    const unsigned n = static_cast<unsigned>(outline.size());
    for (int z = 0; z < 2; ++z)
        for (const auto& p : outline) fs.createVertex(KelmPoint(p[0], p[1], z));
    for (unsigned i = 0, j = 1; i < n; ++i, j = (i + 1) % n) {
        add_facet(fs, i, j, j + n);
        add_facet(fs, i, j + n, i + n);
    }
}

TEST(KelmMeshRepair, OrientsWeldsDropsFillsAndSplits) {
    KelmMeshFacetSet in, out;
    make_part(in);
    KelmMeshRepairOptions o;  // every repair asked for
    o.weld_tolerance = 1e-6;
    o.drop_zero_area = true;
    o.min_part_facets = 4;
    o.fill_holes = 8;
    KelmMeshRepairReport r;
    r.flipped_facets = 99;
    EXPECT_EQ(kelm_mesh_repair(&out, &r, &in, &o), 1);
    EXPECT_FALSE(r.changed());
    EXPECT_EQ(r.flipped_facets, 0u);
    EXPECT_EQ(fingerprint(out), fingerprint(in));
    EXPECT_EQ(kelm_mesh_repair(&in, &r, &in, &o), 0);
    EXPECT_EQ(kelm_mesh_repair(nullptr, &r, &in, &o), 0);
    add_facet(in, 0, 1, in.createVertex(KelmPoint(2, 0, 0)));  // on the line through 0 and 1
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.dropped_zero_area, 1u);
    // Flat across a diagonal, and the first facet.
    kelm_test::make_mesh(in, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {0, 0, 1}}, {{0, 1, 2}, {0, 1, 3}});
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.dropped_zero_area, 1u);

    // Each part is oriented, then turned outward.
    kelm_test::make_tetrahedron(in);
    std::swap(in.getFacet(2)->vertex[1], in.getFacet(2)->vertex[2]);
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.flipped_facets, 1u);
    EXPECT_EQ(out.getFacet(2)->vertex[1], 3u);
    EXPECT_TRUE(clean(out));
    // Inside out: consistent as it is, then turned over whole.
    make_part(in);
    for (unsigned f = 0; f < in.getFacetCount(); ++f)
        std::swap(in.getFacet(f)->vertex[1], in.getFacet(f)->vertex[2]);
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.flipped_facets, 12u);
    KelmMeshFacetSet cube;
    make_part(cube);
    EXPECT_EQ(fingerprint(out), fingerprint(cube));
    // A band of flipped facets around a torus: turned back without conflicts.
    kelm_test::make_torus(in, 3, 3);
    for (unsigned f = 0; f < 6; ++f)
        std::swap(in.getFacet(f)->vertex[1], in.getFacet(f)->vertex[2]);
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.orientation_conflicts, 0u);
    EXPECT_TRUE(clean(out));
    // Two inside-out tetrahedra sharing only the edge of vertices 0 and 1, the first edge:
    // four facets on it, so neither part is closed and neither is turned over.
    kelm_test::make_mesh(
        in, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, -1}},
        {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}, {0, 1, 4}, {0, 5, 1}, {0, 4, 5}, {1, 5, 4}});
    kelm_mesh_repair(&out, &r, &in, nullptr);
    EXPECT_EQ(r.flipped_facets, 0u);

    // A soup welded, degenerate and duplicate facets dropped, faces kept: each facet
    // with its own three vertices, nudged below the tolerance.
    in.clear();
    for (unsigned f = 0; f < cube.getFacetCount(); ++f) {
        KelmMeshFacet* g = in.createFacet(nullptr);
        *g = *cube.getFacet(f);
        for (unsigned k = 0; k < 3; ++k) {
            double p[3];
            cube.getVertex(p, g->vertex[k]);
            p[0] += (f % 3) * 1e-9;
            g->vertex[k] = in.createVertex(p);
        }
    }
    for (unsigned i = 0; i < cube.getFaceCount(); ++i) in.createFace()->copy(cube.getFace(i));
    add_facet(in, 0, 0, 5);           // 12: repeated vertex
    add_facet(in, 3, 4, 5);           // 13: facet 1 again, after the weld
    in.getFace(1)->setFacetCount(4);  // the top face takes 12 and 13 too
    o = KelmMeshRepairOptions();
    o.weld_tolerance = 0.0;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_FALSE(clean(out));  // nudged copies stay apart at tolerance 0
    o.weld_tolerance = 1e-6;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.welded_vertices, r.dropped_degenerate, r.dropped_duplicates,
                 out.getVertexCount(), out.getFacetCount()}),
              U({28, 1, 1, 8, 12}));
    ASSERT_EQ(out.getFaceCount(), 2u);
    EXPECT_EQ(U({out.getFace(1)->getFirstFacet(), out.getFace(1)->getFacetCount()}), U({10, 2}));
    EXPECT_EQ(KelmMeshFaceColor::find(out.getFace(1))->getColor(), 0x2f6fb0u);
    EXPECT_TRUE(clean(out));
    EXPECT_EQ(kelm_mesh_weld(&in, -1.0), 0u);
    EXPECT_EQ(kelm_mesh_weld(nullptr, 0.0), 0u);

    // Holes filled up to the size asked.
    make_part(in);
    in.deleteFacet(10);  // the top: a three-edge hole, then a four-edge one
    o = KelmMeshRepairOptions();
    o.fill_holes = 3;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.filled_holes, r.added_facets}), U({1, 1}));
    EXPECT_TRUE(clean(out));
    for (unsigned f = 0; f < in.getFacetCount(); ++f)  // inside out: outward once closed
        if (in.getFacet(f)) std::swap(in.getFacet(f)->vertex[1], in.getFacet(f)->vertex[2]);
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_TRUE(clean(out));
    for (unsigned f = 0; f < in.getFacetCount(); ++f)
        if (in.getFacet(f)) std::swap(in.getFacet(f)->vertex[1], in.getFacet(f)->vertex[2]);
    ASSERT_EQ(out.getFaceCount(), 3u);  // the top face keeps its other facet
    EXPECT_EQ(U({out.getFace(1)->getFacetCount(), out.getFace(2)->getFirstFacet()}), U({1, 11}));
    in.deleteFacet(11);
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.unfilled_holes, r.added_facets, out.getFaceCount()}), U({1, 0, 1}));
    o.fill_holes = 4;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.added_facets, 2u);
    KelmMeshCheckReport c;
    EXPECT_EQ(std::make_pair(kelm_mesh_check(&c, &out, 1), c.volume), std::make_pair(1, 1.0));
    // A non-convex hole: the open top of an L-shaped prism, six edges.
    make_tube(in, {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
    add_facet(in, 0, 3, 1);  // the bottom, seen from below
    add_facet(in, 1, 3, 2);
    add_facet(in, 0, 5, 3);
    add_facet(in, 3, 5, 4);
    o.fill_holes = 6;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.added_facets, 4u);
    EXPECT_EQ(kelm_mesh_check(&c, &out, 1), 1);
    EXPECT_DOUBLE_EQ(c.volume, 3.0);
    // A point in the middle of a side is a flat corner, never cut as an ear: a tube over
    // a rectangle, open at both ends, closes without a zero-area facet.
    make_tube(in, {{1, 0}, {2, 0}, {2, 1}, {0, 1}, {0, 0}});
    o.fill_holes = 5;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(r.added_facets, 6u);
    EXPECT_EQ(kelm_mesh_check(&c, &out, 1), 1);
    EXPECT_TRUE(c.zero_area_facets.empty());
    EXPECT_DOUBLE_EQ(c.volume, 2.0);
    // The border of a lone facet is a hole that only a copy of the facet would fill.
    kelm_test::make_triangle(in);
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.filled_holes, r.added_facets, r.unfilled_holes}), U({0, 0, 1}));

    // Small parts dropped; parts split.
    make_part(in);
    kelm_mesh_make_box(&in, 2.0, 0.0, 0.0, 3.0, 1.0, 2.0);  // a second box: facets 12-23
    for (const KelmPoint& p : {KelmPoint(5, 5, 5), KelmPoint(6, 5, 5), KelmPoint(5, 6, 5)})
        in.createVertex(p);
    add_facet(in, 16, 17, 18);  // a stray triangle
    o = KelmMeshRepairOptions();
    o.min_part_facets = 2;
    kelm_mesh_repair(&out, &r, &in, &o);
    EXPECT_EQ(U({r.dropped_parts, r.dropped_part_facets, out.getFacetCount()}), U({1, 1, 24}));

    std::vector<KelmMeshFacetSet> parts;
    EXPECT_EQ(kelm_mesh_split_parts(&parts, &in), 3u);
    EXPECT_EQ(fingerprint(parts[0]), fingerprint(cube));  // the first part with its faces
    EXPECT_EQ(U({parts[1].getVertexCount(), parts[1].getFacetCount(), parts[1].getFaceCount()}),
              U({8, 12, 0}));
    EXPECT_EQ(kelm_mesh_check(&c, &parts[1], 0), 1);
    EXPECT_DOUBLE_EQ(c.volume, 2.0);
    EXPECT_EQ(parts[2].getFacet(0)->vertex[2], 2u);
    EXPECT_EQ(kelm_mesh_split_parts(nullptr, &in), 0u);
}

}  // namespace
