// Insertion of random points into the triangulator.
//
// Point location scans every triangle, so n insertions cost on the order of n^2
// barycentric tests. Each run also times 1000 insertions (best of three, outside
// the timed loop) and reports its mean time as a multiple of that ("x_1k"),
// which stays comparable on a busy machine: about 1 for 1000 points and about
// 100 for 10000 with a plain scan.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

#include "kelmmath/delaunay/delaunay2d.h"

namespace {

std::vector<double> randomPoints(unsigned n) {
    std::mt19937 gen(12345);
    std::vector<double> xy(2 * n);
    for (double& v : xy) v = static_cast<double>(gen()) / 4294967296.0;
    return xy;
}

// Inserts every point into a fresh triangulation of the unit square; returns
// the number of triangles so that the work cannot be optimised away.
unsigned triangulate(const std::vector<double>& xy) {
    KelmBoundingBox2D box;
    box.update(0.0, 0.0);
    box.update(1.0, 1.0);
    KelmDelaunay2D d;
    d.init(&box, 1.0);
    for (std::size_t i = 0; i < xy.size(); i += 2) d.insertPoint(&xy[i]);
    return d.getTriangleCount();
}

double secondsFor(const std::vector<double>& xy) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(triangulate(xy));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

void BM_InsertRandomPoints(benchmark::State& state) {
    const unsigned n = static_cast<unsigned>(state.range(0));
    const std::vector<double> xy = randomPoints(n);
    // The best of three runs, so that a cold first run does not skew it.
    const std::vector<double> base_xy = randomPoints(1000);
    double baseline = secondsFor(base_xy);
    for (int k = 0; k < 2; ++k) baseline = std::min(baseline, secondsFor(base_xy));
    double total = 0.0;
    std::int64_t runs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(triangulate(xy));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        total += took.count();
        ++runs;
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["x_1k"] = total / static_cast<double>(runs) / baseline;
}
BENCHMARK(BM_InsertRandomPoints)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
