// Array forms against their class overloads for a few vector operations. The
// class overloads only forward, so each ratio should stay close to 1.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "kelmmath/geom/vector.h"
#include "kelmmath/geom/vector2d.h"

namespace {

constexpr int kCount = 1024;

// Deterministic, well-spread inputs (no two consecutive points coincide).
std::vector<double> Inputs(int n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    unsigned s = 12345u;
    for (double& x : v) {
        s = s * 1664525u + 1013904223u;
        x = static_cast<double>(s >> 8) / 16777216.0 * 20.0 - 10.0;
    }
    return v;
}

void BM_NormalizeArray(benchmark::State& state) {
    const std::vector<double> in = Inputs(3 * kCount);
    double r[3];
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            kelm_vec_normalize(r, &in[3 * i]);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_NormalizeArray);

void BM_NormalizeClass(benchmark::State& state) {
    const std::vector<double> in = Inputs(3 * kCount);
    const KelmDirection* dirs = reinterpret_cast<const KelmDirection*>(in.data());
    KelmDirection r;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            kelm_vec_normalize(r, dirs[i]);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_NormalizeClass);

void BM_CrossArray(benchmark::State& state) {
    const std::vector<double> in = Inputs(3 * kCount + 3);
    double r[3];
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            kelm_vec_cross(r, &in[3 * i], &in[3 * i + 3]);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_CrossArray);

void BM_CrossClass(benchmark::State& state) {
    const std::vector<double> in = Inputs(3 * kCount + 3);
    const KelmDirection* dirs = reinterpret_cast<const KelmDirection*>(in.data());
    KelmDirection r;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            kelm_vec_cross(r, dirs[i], dirs[i + 1]);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_CrossClass);

void BM_CircleArray(benchmark::State& state) {
    const std::vector<double> in = Inputs(3 * kCount + 6);
    double c[3], n[3], radius = 0.0;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            benchmark::DoNotOptimize(
                kelm_pt_circle_params(c, radius, n, &in[3 * i], &in[3 * i + 3], &in[3 * i + 6]));
        }
    }
}
BENCHMARK(BM_CircleArray);

void BM_CircleClass(benchmark::State& state) {
    const std::vector<double> in = Inputs(3 * kCount + 6);
    const KelmPoint* pts = reinterpret_cast<const KelmPoint*>(in.data());
    KelmPoint c;
    KelmDirection n;
    double radius = 0.0;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            benchmark::DoNotOptimize(
                kelm_pt_circle_params(c, radius, n, pts[i], pts[i + 1], pts[i + 2]));
        }
    }
}
BENCHMARK(BM_CircleClass);

void BM_Normalize2dArray(benchmark::State& state) {
    const std::vector<double> in = Inputs(2 * kCount);
    double r[2];
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            kelm_vec2d_normalize(r, &in[2 * i]);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_Normalize2dArray);

void BM_Normalize2dClass(benchmark::State& state) {
    const std::vector<double> in = Inputs(2 * kCount);
    const KelmDirection2D* dirs = reinterpret_cast<const KelmDirection2D*>(in.data());
    KelmDirection2D r;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            kelm_vec2d_normalize(r, dirs[i]);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_Normalize2dClass);

// Prints the usual table, then each class form's time as a ratio of the array
// form measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nclass overload / array form (CPU time):\n");
        for (const char* op : {"Normalize", "Cross", "Circle", "Normalize2d"}) {
            const std::string base = std::string("BM_") + op;
            const auto a = times_.find(base + "Array");
            const auto c = times_.find(base + "Class");
            if (a == times_.end() || c == times_.end() || a->second <= 0.0) continue;
            std::printf("  %-12s %.3f\n", op, c->second / a->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
