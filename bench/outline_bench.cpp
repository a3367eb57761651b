// Polygon triangulation of a map-like outline.
//
// The outline is generated: a 1000 x 1000 tile whose border is one ring, lakes
// (noisy circles, some with an island), half-lakes cut by the tile's border
// (their chord runs along it: shared segments and T-junctions), and blocks of
// buildings that share walls, a lower neighbour's corner lying on the higher
// one's wall (T-junctions). About 13 000 points in about 1 400 rings.
//
//  - Outline/0 (even-odd) and Outline/1 (non-zero): KelmPolygon2D, rings
//    added and triangulated; "x_peer" is our time over that of CGAL's
//    Constrained_Delaunay_triangulation_2 (points and constraints inserted as
//    one range, then the usual marking of domains by nesting level), the
//    median over five pairs of adjacent runs, where libcgal-dev is installed.
//  - Phases: where our time goes, each phase timed alone: "arrange" (snapping
//    and splitting, internal), "points" (KelmDelaunay2D::insertPoints of the
//    vertices), "edges" (insertEdge of the border edges), and "rest" (the
//    labels and checks: the whole less the three).
//
// cmake/families/outline.cmake gives this program the family's objects for the
// internal phase timing (KELMMATH_BENCH_INTERNALS).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/delaunay/polygon.h"
#include "kelmmath/geom/bbox2d.h"

#ifdef KELMMATH_BENCH_INTERNALS
#include "delaunay/internal_polygon.h"
#endif

#if defined(KELMMATH_BENCH_PEER) && defined(__has_include)
#if __has_include(<CGAL/Constrained_Delaunay_triangulation_2.h>)
#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#define KELM_BENCH_WITH_PEER 1
#endif
#endif

namespace {

using Clock = std::chrono::steady_clock;
using Ring = std::vector<double>;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class MapTile {
public:
    std::vector<Ring> rings;
    std::size_t points = 0;

    MapTile() {
        rings.push_back({0, 0, kSize, 0, kSize, kSize, 0, kSize});
        const int cells = 25;
        const double cell = kSize / cells;
        for (int i = 0; i < cells; ++i) {
            for (int j = 0; j < cells; ++j) {
                const double x = i * cell, y = j * cell;
                if (j == 0 && i % 3 == 1) {
                    halfLake(x + cell / 2, cell * 0.42);
                } else if (uniform_(rng_) < 0.25) {
                    lake(x + cell / 2, y + cell / 2, cell * (0.3 + 0.12 * uniform_(rng_)));
                } else {
                    block(x + cell * 0.1, y + cell * 0.1, cell * 0.8);
                }
            }
        }
        for (const Ring& r : rings) points += r.size() / 2;
    }

private:
    static constexpr double kSize = 1000.0;

    void circle(double cx, double cy, double r, int n, bool clockwise) {
        Ring ring;
        for (int k = 0; k < n; ++k) {
            const double a = 2 * M_PI * (clockwise ? n - k : k) / n;
            const double rr = r * (0.85 + 0.15 * uniform_(rng_));
            ring.insert(ring.end(), {cx + rr * std::cos(a), cy + rr * std::sin(a)});
        }
        rings.push_back(ring);
    }

    void lake(double cx, double cy, double r) {
        circle(cx, cy, r, 40, true);
        if (uniform_(rng_) < 0.5) circle(cx, cy, r * 0.35, 24, false);
    }

    // A lake cut by the tile's lower border: its chord lies on the border.
    void halfLake(double cx, double r) {
        Ring ring = {cx + r, 0.0};
        const int n = 30;
        for (int k = 1; k < n; ++k) {
            const double a = M_PI * k / n;
            ring.insert(ring.end(), {cx + r * std::cos(a), r * std::sin(a) * (0.8 + 0.2 * uniform_(rng_))});
        }
        ring.insert(ring.end(), {cx - r, 0.0, cx, 0.0});
        // Clockwise as a hole: reverse the counter-clockwise arc.
        Ring cw;
        for (std::size_t i = ring.size(); i >= 2; i -= 2) cw.insert(cw.end(), {ring[i - 2], ring[i - 1]});
        rings.push_back(cw);
    }

    // Two or three buildings in a row sharing walls; a lower one's corner lies
    // on its higher neighbour's wall.
    void block(double x, double y, double size) {
        const int n = 2 + static_cast<int>(uniform_(rng_) * 2);
        const double w = size / n;
        for (int k = 0; k < n; ++k) {
            const double x0 = x + k * w, x1 = x0 + w;
            const double h = size * (0.4 + 0.6 * uniform_(rng_));
            // Clockwise (holes in the land), with a notch in some.
            if (uniform_(rng_) < 0.4) {
                rings.push_back({x0, y, x0, y + h, x1, y + h, x1, y + h * 0.6, x0 + w * 0.6, y + h * 0.6,
                                 x0 + w * 0.6, y});
            } else {
                rings.push_back({x0, y, x0, y + h, x1, y + h, x1, y});
            }
        }
    }

    std::mt19937 rng_{20261207};
    std::uniform_real_distribution<double> uniform_{0.0, 1.0};
};

const MapTile& tile() {
    static const MapTile t;
    return t;
}

unsigned g_added = 0;  // vertices beyond the rings' points in the last run

double oursSeconds(int rule) {
    const auto start = Clock::now();
    KelmPolygon2D p;
    for (const Ring& r : tile().rings) p.addRing(r.data(), static_cast<unsigned>(r.size() / 2));
    if (!p.triangulate(rule)) std::fprintf(stderr, "outline_bench: the tile failed\n");
    benchmark::DoNotOptimize(p.getTriangleCount());
    const double s = seconds(start);
    g_added = p.getPointCount() - p.getInputPointCount();
    return s;
}

#ifdef KELM_BENCH_WITH_PEER
struct FaceInfo {
    int nesting_level = -1;
};
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Fbb = CGAL::Triangulation_face_base_with_info_2<FaceInfo, Kernel>;
using Fb = CGAL::Constrained_triangulation_face_base_2<Kernel, Fbb>;
using Tds = CGAL::Triangulation_data_structure_2<CGAL::Triangulation_vertex_base_2<Kernel>, Fb>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<Kernel, Tds, CGAL::Exact_predicates_tag>;

// Flood from start across unconstrained edges; constrained ones are queued
// for the next nesting level.
void markFrom(Cdt& cdt, Cdt::Face_handle start, int level, std::vector<Cdt::Edge>* border) {
    if (start->info().nesting_level != -1) return;
    std::vector<Cdt::Face_handle> stack{start};
    start->info().nesting_level = level;
    while (!stack.empty()) {
        const Cdt::Face_handle f = stack.back();
        stack.pop_back();
        for (int i = 0; i < 3; ++i) {
            const Cdt::Face_handle n = f->neighbor(i);
            if (n->info().nesting_level != -1) continue;
            if (cdt.is_constrained(Cdt::Edge(f, i))) {
                border->push_back(Cdt::Edge(f, i));
            } else {
                n->info().nesting_level = level;
                stack.push_back(n);
            }
        }
    }
}

double peerSeconds() {
    std::vector<Kernel::Point_2> pts;
    std::vector<std::pair<std::size_t, std::size_t>> segs;
    for (const Ring& r : tile().rings) {
        const std::size_t first = pts.size(), n = r.size() / 2;
        for (std::size_t i = 0; i < n; ++i) {
            pts.emplace_back(r[2 * i], r[2 * i + 1]);
            segs.emplace_back(first + i, first + (i + 1) % n);
        }
    }
    const auto start = Clock::now();
    Cdt cdt;
    cdt.insert_constraints(pts.begin(), pts.end(), segs.begin(), segs.end());
    std::vector<Cdt::Edge> border;
    markFrom(cdt, cdt.infinite_face(), 0, &border);
    while (!border.empty()) {
        const Cdt::Edge e = border.back();
        border.pop_back();
        const Cdt::Face_handle n = e.first->neighbor(e.second);
        if (n->info().nesting_level == -1) markFrom(cdt, n, e.first->info().nesting_level + 1, &border);
    }
    std::size_t inside = 0;
    for (const Cdt::Face_handle f : cdt.finite_face_handles()) inside += f->info().nesting_level % 2;
    benchmark::DoNotOptimize(inside);
    return seconds(start);
}

// Our time over the peer's: the median of five adjacent pairs, the order in a
// pair alternating, so that a change in the host's load falls in few pairs.
double peerRatio(int rule) {
    std::vector<double> ratios;
    for (int k = 0; k < 5; ++k) {
        double ours, theirs;
        if (k % 2 == 0) {
            ours = oursSeconds(rule);
            theirs = peerSeconds();
        } else {
            theirs = peerSeconds();
            ours = oursSeconds(rule);
        }
        ratios.push_back(ours / theirs);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[2];
}
#endif

void BM_Outline(benchmark::State& state) {
    const int rule = static_cast<int>(state.range(0));
    double total = 0.0;
    for (auto _ : state) total += oursSeconds(rule);
    state.SetItemsProcessed(state.iterations() * static_cast<long>(tile().points));
    state.counters["points"] = static_cast<double>(tile().points);
    state.counters["rings"] = static_cast<double>(tile().rings.size());
    state.counters["ms"] = 1e3 * total / static_cast<double>(state.iterations());
    state.counters["added_points"] = g_added;
#ifdef KELM_BENCH_WITH_PEER
    state.counters["x_peer"] = peerRatio(rule);
#endif
}
BENCHMARK(BM_Outline)->Arg(KELM_FILL_EVEN_ODD)->Arg(KELM_FILL_NON_ZERO)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef KELM_BENCH_WITH_PEER
void BM_OutlinePeer(benchmark::State& state) {
    double total = 0.0;
    for (auto _ : state) total += peerSeconds();
    state.counters["ms"] = 1e3 * total / static_cast<double>(state.iterations());
}
BENCHMARK(BM_OutlinePeer)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

#ifdef KELMMATH_BENCH_INTERNALS
// The phases one by one, under the even-odd rule, in ms; the best of five.
void BM_OutlinePhases(benchmark::State& state) {
    double arrange = 1e9, points = 1e9, edges = 1e9, whole = 1e9;
    for (auto _ : state) {
        for (int k = 0; k < 5; ++k) {
            whole = std::min(whole, oursSeconds(KELM_FILL_EVEN_ODD));
            auto start = Clock::now();
            std::vector<double> xy;
            double tol = 0.0;
            unsigned input = 0;
            std::vector<unsigned> segs = kelm_internal::snapRings(tile().rings, &xy, &tol, &input);
            const auto arranged = kelm_internal::arrangeSegments(&xy, std::move(segs), tol);
            arrange = std::min(arrange, seconds(start));

            KelmReal2DArray pts;
            pts.size(static_cast<unsigned>(xy.size() / 2));
            for (unsigned v = 0; v < pts.size(); ++v) {
                pts[v][0] = xy[2 * v] / 1024.0;
                pts[v][1] = xy[2 * v + 1] / 1024.0;
            }
            KelmBoundingBox2D box;
            box.update(pts);
            start = Clock::now();
            KelmDelaunay2D tri;
            tri.init(&box, 1.0);
            tri.insertPoints(pts);
            points = std::min(points, seconds(start));
            start = Clock::now();
            for (const auto& e : arranged)
                if (e.count & 1) tri.insertEdge(e.a + 3, e.b + 3, 1);
            edges = std::min(edges, seconds(start));
        }
    }
    state.counters["arrange_ms"] = 1e3 * arrange;
    state.counters["points_ms"] = 1e3 * points;
    state.counters["edges_ms"] = 1e3 * edges;
    state.counters["rest_ms"] = 1e3 * (whole - arrange - points - edges);
    state.counters["whole_ms"] = 1e3 * whole;
}
BENCHMARK(BM_OutlinePhases)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

BENCHMARK_MAIN();
