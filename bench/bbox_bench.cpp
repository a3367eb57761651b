// Growing a box over a large point array, against the baseline of adding the
// same points one at a time in the same run. Compare the items_per_second of the
// pairs: Array/... against PointByPoint/... with the same argument.

#include <benchmark/benchmark.h>
#include <kelmmath/geom/arrays.h>
#include <kelmmath/geom/bbox.h>
#include <kelmmath/geom/xform.h>

#include <cmath>
#include <random>

namespace {

KelmReal3DArray random_points(unsigned n) {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> coord(-1000.0, 1000.0);
    KelmReal3DArray points;
    points.capacity(n);
    for (unsigned i = 0; i < n; ++i) points.append(coord(rng), coord(rng), coord(rng));
    return points;
}

KelmXform some_placement() {
    const double c = std::cos(0.3), s = std::sin(0.3);
    return KelmXform(c, s, 0, -s, c, 0, 0, 0, 1, 5, -7, 11);
}

void PointByPoint(benchmark::State& state) {
    const KelmReal3DArray points = random_points(static_cast<unsigned>(state.range(0)));
    for (auto _ : state) {
        KelmBoundingBox box;
        for (unsigned i = 0; i < points.size(); ++i) box.update(points.get(i));
        benchmark::DoNotOptimize(box);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Array(benchmark::State& state) {
    const KelmReal3DArray points = random_points(static_cast<unsigned>(state.range(0)));
    for (auto _ : state) {
        KelmBoundingBox box;
        box.update(points);
        benchmark::DoNotOptimize(box);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void PointByPointThroughXform(benchmark::State& state) {
    const KelmReal3DArray points = random_points(static_cast<unsigned>(state.range(0)));
    const KelmXform m = some_placement();
    for (auto _ : state) {
        KelmBoundingBox box;
        for (unsigned i = 0; i < points.size(); ++i) box.update(points.get(i), m);
        benchmark::DoNotOptimize(box);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ArrayThroughXform(benchmark::State& state) {
    const KelmReal3DArray points = random_points(static_cast<unsigned>(state.range(0)));
    const KelmXform m = some_placement();
    for (auto _ : state) {
        KelmBoundingBox box;
        box.update(points, m);
        benchmark::DoNotOptimize(box);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ArrayContains(benchmark::State& state) {
    const KelmReal3DArray points = random_points(static_cast<unsigned>(state.range(0)));
    KelmBoundingBox box;
    box.update(points);
    for (auto _ : state) benchmark::DoNotOptimize(box.contains(points, 0.0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(PointByPoint)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(Array)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(PointByPointThroughXform)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(ArrayThroughXform)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(ArrayContains)->Arg(1 << 10)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
