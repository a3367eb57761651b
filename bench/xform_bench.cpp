// Transform composition, inversion and point mapping.
//
// Each benchmark also times, in the same process right after its own loop, a
// baseline doing the same arithmetic inline in this file (a plain 4x4 product,
// a plain point mapping, and for the inverse the plain product as a yardstick).
// The counter "x_baseline" is the library's time divided by the baseline's:
// about 1 means the call and its null/aliasing handling add nothing measurable.

#include <benchmark/benchmark.h>
#include <kelmmath/geom/xform.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<KelmXform> random_placements(int n) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> v(-10.0, 10.0);
    std::vector<KelmXform> out(n);
    for (KelmXform& m : out) {
        const double x[3] = {v(rng), v(rng), v(rng)}, y[3] = {v(rng), v(rng), v(rng)};
        const double z[3] = {v(rng), v(rng), v(rng)}, o[3] = {v(rng), v(rng), v(rng)};
        kelm_xform_put_cto(m.data(), x, y, z, o, 1.0);
    }
    return out;
}

void inline_compose(double* r, const double* a, const double* b) {
    double out[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            out[4 * c + row] = a[row] * b[4 * c] + a[4 + row] * b[4 * c + 1] +
                               a[8 + row] * b[4 * c + 2] + a[12 + row] * b[4 * c + 3];
    for (int i = 0; i < 16; ++i) r[i] = out[i];
}

void inline_apply(double* r, const double* m, const double* p) {
    const double w = m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15];
    for (int i = 0; i < 3; ++i)
        r[i] = (m[i] * p[0] + m[4 + i] * p[1] + m[8 + i] * p[2] + m[12 + i]) / w;
}

// Runs body over the transforms `rounds` times and returns the elapsed seconds.
template <class Body>
double timed(int rounds, Body body) {
    const auto start = Clock::now();
    for (int k = 0; k < rounds; ++k) body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr int kCount = 1024;

void Compose(benchmark::State& state) {
    const std::vector<KelmXform> ms = random_placements(kCount);
    KelmXform acc;
    auto lib = [&] {
        for (const KelmXform& m : ms) kelm_xform_compose(acc, acc, m);
        benchmark::DoNotOptimize(acc);
    };
    auto base = [&] {
        for (const KelmXform& m : ms) inline_compose(acc.data(), acc.data(), m.data());
        benchmark::DoNotOptimize(acc);
    };
    for (auto _ : state) lib();
    const int rounds = static_cast<int>(state.iterations());
    state.counters["x_baseline"] = timed(rounds, lib) / timed(rounds, base);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void Inverse(benchmark::State& state) {
    const std::vector<KelmXform> ms = random_placements(kCount);
    KelmXform r;
    auto lib = [&] {
        for (const KelmXform& m : ms) kelm_xform_inverse(r, m);
        benchmark::DoNotOptimize(r);
    };
    auto base = [&] {
        for (const KelmXform& m : ms) inline_compose(r.data(), m.data(), m.data());
        benchmark::DoNotOptimize(r);
    };
    for (auto _ : state) lib();
    const int rounds = static_cast<int>(state.iterations());
    state.counters["x_baseline"] = timed(rounds, lib) / timed(rounds, base);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void ApplyPoints(benchmark::State& state) {
    const KelmXform m = random_placements(1).front();
    std::vector<double> pts(3 * state.range(0));
    std::mt19937 rng(3);
    for (double& v : pts) v = std::uniform_real_distribution<double>(-100, 100)(rng);
    double r[3];
    auto lib = [&] {
        for (std::size_t i = 0; i < pts.size(); i += 3) {
            kelm_xform_apply(r, m, &pts[i]);
            benchmark::DoNotOptimize(r);
        }
    };
    auto base = [&] {
        for (std::size_t i = 0; i < pts.size(); i += 3) {
            inline_apply(r, m.data(), &pts[i]);
            benchmark::DoNotOptimize(r);
        }
    };
    for (auto _ : state) lib();
    const int rounds = static_cast<int>(state.iterations());
    state.counters["x_baseline"] = timed(rounds, lib) / timed(rounds, base);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(Compose);
BENCHMARK(Inverse);
BENCHMARK(ApplyPoints)->Arg(1 << 16);

BENCHMARK_MAIN();
