#include <benchmark/benchmark.h>

#include "kelmmath/core/platform.h"
#include "kelmmath/units/units.h"
static void BM_Baseline_Multiply(benchmark::State& s) {
    double v = 1.0, f = 25.4;
    for (auto _ : s) {
        benchmark::DoNotOptimize(f);
        v = v * f;
        benchmark::DoNotOptimize(v);
    }
}
static void BM_Factor(benchmark::State& s) {
    int i = 0;
    for (auto _ : s) {
        KelmUnit a = KelmUnit(2 + (i & 7)), b = KelmUnit(2 + ((i >> 3) & 7));
        ++i;
        benchmark::DoNotOptimize(kelm_get_unit_conversion_factor(a, b));
    }
}
static void BM_MeasureAsUnit(benchmark::State& s) {
    for (auto _ : s)
        benchmark::DoNotOptimize(kelm_get_measure_as_unit(3.0, kelm_unit_in, kelm_unit_mm));
}
static void BM_GetUnitLastName(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(kelm_get_unit("tooth"));
}
static void BM_RelatedByFactorMiss(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(kelm_get_unit_related_by_factor(kelm_unit_mm, 7.0));
}
static void BM_InitShutdown(benchmark::State& s) {
    for (auto _ : s) {
        kelm_unit_shutdown();
        kelm_unit_init();
    }
}
BENCHMARK(BM_Baseline_Multiply);
BENCHMARK(BM_Factor);
BENCHMARK(BM_MeasureAsUnit);
BENCHMARK(BM_GetUnitLastName);
BENCHMARK(BM_RelatedByFactorMiss);
BENCHMARK(BM_InitShutdown);
BENCHMARK_MAIN();
