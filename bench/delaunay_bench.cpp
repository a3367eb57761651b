// The triangulator at scale.
//
// Every figure is also given as a ratio to a baseline timed in the same run
// (machines are shared and noisy):
//  - Uniform/n: n uniform random points through insertPoints; "x_1k" is the
//    time over that of 1000 such points, so about n/1000 means n log n-like
//    growth ("x_1k_per_pt" divides that by n/1000).
//  - Plain/n (n <= 10^4): the same with the plain scans, "x_1k" against the
//    same indexed baseline; "x_indexed" is the time over Uniform/n.
//  - Grid1000 (a 1000 x 1000 lattice, row by row) and Circle (10^5 points on
//    a circle, in angle order): "x_uniform" is the time per point over that of
//    the same number of uniform points.
//  - Outline: 10^5 uniform points, then a 10^4-point outline (a wavy closed
//    curve) inserted as points and then as border edges; the time is that of
//    the edges alone. OutlinePlain does the same at a tenth of the size in
//    both modes, "x_indexed" being the ratio.
//  - LongEdges: a 200-point star outline over 10^5 points; each edge crosses
//    many triangles.
//  - Memory: heap bytes per point held by a triangulation of n uniform points
//    (glibc only); "x_plain" is the ratio to the plain scans' state at 10^4.
//  - Peer: where the CGAL headers were found at configure time, its
//    Delaunay_triangulation_2 on the same uniform points, inserted as one range
//    (its fastest path); "x_peer" on Uniform/n is our time over its time,
//    the median over five pairs of adjacent runs.
//
// The plain-scan runs need the internal mode switch; cmake/families/
// delaunay.cmake gives this program the triangulator's objects for it
// (KELMMATH_BENCH_INTERNALS). Without it those runs are left out.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

#include "kelmmath/delaunay/delaunay2d.h"

#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
#include <malloc.h>
#define KELM_BENCH_HEAP 1
#endif

#ifdef KELMMATH_BENCH_INTERNALS
#include "delaunay/internal_delaunay.h"
#endif

#if defined(KELMMATH_BENCH_PEER) && defined(__has_include)
#if __has_include(<CGAL/Delaunay_triangulation_2.h>)
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#define KELM_BENCH_WITH_PEER 1
#endif
#endif

namespace {

using Clock = std::chrono::steady_clock;
using Points = std::vector<double>;  // x, y, x, y, ...

const double kPi = std::acos(-1.0);

Points uniformPoints(unsigned n, unsigned seed = 12345) {
    std::mt19937 gen(seed);
    Points xy(2 * static_cast<std::size_t>(n));
    for (double& v : xy) v = static_cast<double>(gen()) / 4294967296.0;
    return xy;
}

KelmReal2DArray toArray(const Points& xy) {
    KelmReal2DArray pts;
    for (std::size_t i = 0; i < xy.size(); i += 2) pts.append(xy[i], xy[i + 1]);
    return pts;
}

void initUnitBox(KelmDelaunay2D& d) {
    KelmBoundingBox2D box;
    box.update(0.0, 0.0);
    box.update(1.0, 1.0);
    d.init(&box, 1.0);
}

// Selects the plain scans for the triangulations made while it lives.
class PlainScans {
public:
#ifdef KELMMATH_BENCH_INTERNALS
    explicit PlainScans(bool on) : previous_(kelm_internal::defaultSearchMode()) {
        if (on) kelm_internal::setDefaultSearchMode(kelm_internal::SearchMode::kPlainScans);
    }
    ~PlainScans() {
        kelm_internal::setDefaultSearchMode(previous_);
    }
    static bool available() {
        return true;
    }

private:
    kelm_internal::SearchMode previous_;
#else
    explicit PlainScans(bool) {}
    static bool available() {
        return false;
    }
#endif
};

// Seconds to triangulate xy through insertPoints in a fresh object.
double insertSeconds(const Points& xy, bool plain) {
    const KelmReal2DArray pts = toArray(xy);
    PlainScans scope(plain);
    const auto start = Clock::now();
    KelmDelaunay2D d;
    initUnitBox(d);
    benchmark::DoNotOptimize(d.insertPoints(pts));
    benchmark::DoNotOptimize(d.getTriangleCount());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Uniform insertion times by n, measured once per run (best of three below
// 10^6) and shared by every ratio.
double uniformSeconds(unsigned n) {
    static std::map<unsigned, double> cache;
    auto it = cache.find(n);
    if (it != cache.end()) return it->second;
    const Points xy = uniformPoints(n);
    double best = insertSeconds(xy, false);
    for (int k = 0; k < (n < 1000000 ? 2 : 0); ++k) best = std::min(best, insertSeconds(xy, false));
    return cache[n] = best;
}

double baselineSeconds() {
    return uniformSeconds(1000);
}

#ifdef KELM_BENCH_WITH_PEER
double peerSeconds(const Points& xy) {
    using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
    std::vector<Kernel::Point_2> pts;
    for (std::size_t i = 0; i < xy.size(); i += 2) pts.emplace_back(xy[i], xy[i + 1]);
    const auto start = Clock::now();
    CGAL::Delaunay_triangulation_2<Kernel> dt;
    dt.insert(pts.begin(), pts.end());
    benchmark::DoNotOptimize(dt.number_of_faces());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Our time over the peer's, from runs taken in adjacent pairs (which one goes
// first alternates): the median of the pairs' ratios. A change in the host's
// load moves the pairs it falls in, and the median passes over them; a single
// pair would carry it whole, since our insertion is bound by memory latency
// and slows under a busy neighbour far more than the peer's sorted one does.
double peerRatio(const Points& xy, unsigned pairs) {
    std::vector<double> ratios;
    for (unsigned k = 0; k < pairs; ++k) {
        double ours, theirs;
        if (k % 2 == 0) {
            ours = insertSeconds(xy, false);
            theirs = peerSeconds(xy);
        } else {
            theirs = peerSeconds(xy);
            ours = insertSeconds(xy, false);
        }
        ratios.push_back(ours / theirs);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}
#endif

void BM_Uniform(benchmark::State& state) {
    const unsigned n = static_cast<unsigned>(state.range(0));
    const Points xy = uniformPoints(n);
    const double base = baselineSeconds();
    double total = 0.0;
    for (auto _ : state) total += insertSeconds(xy, false);
    const double mean = total / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["x_1k"] = mean / base;
    state.counters["x_1k_per_pt"] = mean / base / (n / 1000.0);
#ifdef KELM_BENCH_WITH_PEER
    state.counters["x_peer"] = peerRatio(xy, 5);
#endif
}
BENCHMARK(BM_Uniform)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Plain(benchmark::State& state) {
    if (!PlainScans::available()) {
        state.SkipWithError("plain scans need KELMMATH_BENCH_INTERNALS");
        return;
    }
    const unsigned n = static_cast<unsigned>(state.range(0));
    const Points xy = uniformPoints(n);
    const double base = baselineSeconds();
    double total = 0.0;
    for (auto _ : state) total += insertSeconds(xy, true);
    const double mean = total / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["x_1k"] = mean / base;
    state.counters["x_indexed"] = mean / uniformSeconds(n);
}
BENCHMARK(BM_Plain)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Time per point of xy over that of as many uniform points.
void runShape(benchmark::State& state, const Points& xy, const KelmBoundingBox2D& box) {
    const KelmReal2DArray pts = toArray(xy);
    const unsigned n = static_cast<unsigned>(xy.size() / 2);
    double total = 0.0;
    for (auto _ : state) {
        const auto start = Clock::now();
        KelmDelaunay2D d;
        KelmBoundingBox2D b = box;
        d.init(&b, 1.0);
        benchmark::DoNotOptimize(d.insertPoints(pts));
        total += std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double mean = total / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["x_uniform"] = mean / uniformSeconds(n);
}

void BM_Grid1000(benchmark::State& state) {
    Points xy;
    for (int i = 0; i < 1000; ++i)
        for (int j = 0; j < 1000; ++j) {
            xy.push_back(j);
            xy.push_back(i);
        }
    KelmBoundingBox2D box;
    box.update(0.0, 0.0);
    box.update(999.0, 999.0);
    runShape(state, xy, box);
}
BENCHMARK(BM_Grid1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Circle(benchmark::State& state) {
    const unsigned n = static_cast<unsigned>(state.range(0));
    Points xy;
    for (unsigned i = 0; i < n; ++i) {
        xy.push_back(std::cos(2 * kPi * i / n));
        xy.push_back(std::sin(2 * kPi * i / n));
    }
    KelmBoundingBox2D box;
    box.update(-1.0, -1.0);
    box.update(1.0, 1.0);
    runShape(state, xy, box);
}
BENCHMARK(BM_Circle)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A closed wavy curve around the square's centre, inside the unit square.
Points outline(unsigned n, double waves, double depth) {
    Points xy;
    for (unsigned i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        const double r = 0.35 + depth * std::sin(waves * a);
        xy.push_back(0.5 + r * std::cos(a));
        xy.push_back(0.5 + r * std::sin(a));
    }
    return xy;
}

// Seconds to force the closed outline in as border edges, after the interior
// points and the outline's own points went in (not timed). *ok counts the
// edges that went in.
double outlineSeconds(const Points& interior, const Points& ring, bool plain, unsigned* ok) {
    PlainScans scope(plain);
    KelmDelaunay2D d;
    initUnitBox(d);
    d.insertPoints(toArray(interior));
    const unsigned n = static_cast<unsigned>(ring.size() / 2);
    std::vector<unsigned> v(n);
    for (unsigned i = 0; i < n; ++i) v[i] = d.insertPoint(&ring[2 * i]);
    const auto start = Clock::now();
    *ok = 0;
    for (unsigned i = 0; i < n; ++i) *ok += d.insertEdge(v[i], v[(i + 1) % n], 1);
    d.resolveInside();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_Outline(benchmark::State& state) {
    const Points interior = uniformPoints(100000), ring = outline(10000, 40, 0.08);
    double total = 0.0;
    unsigned ok = 0;
    for (auto _ : state) total += outlineSeconds(interior, ring, false, &ok);
    state.counters["s_edges"] = total / static_cast<double>(state.iterations());
    state.counters["edges_in"] = ok;
    state.counters["x_1k"] = total / static_cast<double>(state.iterations()) / baselineSeconds();
}
BENCHMARK(BM_Outline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OutlinePlain(benchmark::State& state) {
    if (!PlainScans::available()) {
        state.SkipWithError("plain scans need KELMMATH_BENCH_INTERNALS");
        return;
    }
    const Points interior = uniformPoints(10000), ring = outline(1000, 40, 0.08);
    double total = 0.0;
    unsigned ok = 0;
    for (auto _ : state) total += outlineSeconds(interior, ring, true, &ok);
    const double mean = total / static_cast<double>(state.iterations());
    unsigned ok_indexed = 0;
    double indexed = outlineSeconds(interior, ring, false, &ok_indexed);
    for (int k = 0; k < 2; ++k)
        indexed = std::min(indexed, outlineSeconds(interior, ring, false, &ok_indexed));
    state.counters["s_edges"] = mean;
    state.counters["edges_in"] = ok;
    state.counters["x_indexed"] = mean / indexed;
}
BENCHMARK(BM_OutlinePlain)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LongEdges(benchmark::State& state) {
    const Points interior = uniformPoints(100000), star = outline(200, 100, 0.3);
    double total = 0.0;
    unsigned ok = 0;
    for (auto _ : state) total += outlineSeconds(interior, star, false, &ok);
    state.counters["s_edges"] = total / static_cast<double>(state.iterations());
    state.counters["edges_in"] = ok;
}
BENCHMARK(BM_LongEdges)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef KELM_BENCH_HEAP
double heapBytes() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}

// Heap bytes per point held by a triangulation of n uniform points.
double bytesPerPoint(unsigned n, bool plain) {
    const KelmReal2DArray pts = toArray(uniformPoints(n));
    PlainScans scope(plain);
    const double before = heapBytes();
    KelmDelaunay2D d;
    initUnitBox(d);
    d.insertPoints(pts);
    return (heapBytes() - before) / n;
}
#endif

void BM_Memory(benchmark::State& state) {
#ifdef KELM_BENCH_HEAP
    const unsigned n = static_cast<unsigned>(state.range(0));
    double bytes = 0.0;
    for (auto _ : state) bytes = bytesPerPoint(n, false);
    state.counters["bytes_per_pt"] = bytes;
    if (PlainScans::available()) {
        static const double plain = bytesPerPoint(10000, true);
        state.counters["x_plain"] = bytes / plain;
    }
#else
    state.SkipWithError("heap figures need glibc 2.33 or later");
#endif
}
BENCHMARK(BM_Memory)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
#ifdef KELM_BENCH_WITH_PEER
    std::printf("peer: CGAL Delaunay_triangulation_2, range insertion\n");
#else
    std::printf("peer: not compared (the CGAL headers, from libcgal-dev, were not found)\n");
#endif
    if (!PlainScans::available()) std::printf("plain scans: not built in\n");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
