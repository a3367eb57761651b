// Topology build and validation at 10^4, 10^5 and 10^6 facets, and the build of a
// fan around one hub vertex at 10^3, 10^4 and 10^5 facets.
//
// Counters, all measured in the same process right after the benchmark's own loop:
//   ns_per_facet  time per facet of the benchmark itself
//   x_linear      time per facet divided by that of the smallest size of the same
//                 benchmark: about 1 at every size means the time grows linearly
//   x_baseline    (build) time divided by that of a plain pass that numbers the
//                 edges of the same set with a std::unordered_map
//   x_build       (validate) time divided by the build time of the same mesh

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"

namespace {

using Clock = std::chrono::steady_clock;

void add_facet(KelmMeshFacetSet& fs, unsigned a, unsigned b, unsigned c) {
    KelmMeshFacet* f = fs.createFacet(nullptr);
    f->vertex[0] = a;
    f->vertex[1] = b;
    f->vertex[2] = c;
}

// A closed torus of about `facets` facets (two per quad), consistently wound.
std::unique_ptr<KelmMeshFacetSet> make_torus(std::int64_t facets) {
    const unsigned rows = static_cast<unsigned>(std::sqrt(facets / 4.0));
    const unsigned cols = static_cast<unsigned>(facets / (2 * rows));
    auto fs = std::make_unique<KelmMeshFacetSet>();
    const double two_pi = 6.283185307179586;
    for (unsigned i = 0; i < rows; ++i)
        for (unsigned j = 0; j < cols; ++j) {
            const double u = two_pi * i / rows, w = two_pi * j / cols, r = 3.0 + std::cos(w);
            const double p[3] = {r * std::cos(u), r * std::sin(u), std::sin(w)};
            fs->createVertex(p);
        }
    for (unsigned i = 0; i < rows; ++i)
        for (unsigned j = 0; j < cols; ++j) {
            const unsigned a = i * cols + j, b = ((i + 1) % rows) * cols + j;
            const unsigned c = ((i + 1) % rows) * cols + (j + 1) % cols;
            const unsigned d = i * cols + (j + 1) % cols;
            add_facet(*fs, a, b, c);
            add_facet(*fs, a, c, d);
        }
    return fs;
}

// A closed disc of `facets` facets around hub vertex 0 (the lowest number).
std::unique_ptr<KelmMeshFacetSet> make_fan(std::int64_t facets) {
    const unsigned n = static_cast<unsigned>(facets);
    auto fs = std::make_unique<KelmMeshFacetSet>();
    const double hub[3] = {0.0, 0.0, 0.0};
    fs->createVertex(hub);
    for (unsigned i = 0; i < n; ++i) {
        const double a = 6.283185307179586 * i / n;
        const double p[3] = {std::cos(a), std::sin(a), 0.0};
        fs->createVertex(p);
    }
    for (unsigned i = 1; i < n; ++i) add_facet(*fs, 0, i, i + 1);
    add_facet(*fs, 0, n, 1);
    return fs;
}

using Maker = std::unique_ptr<KelmMeshFacetSet> (*)(std::int64_t);

// Meshes are made once per size and kept for the whole run.
const KelmMeshFacetSet& mesh(Maker make, std::int64_t facets) {
    static std::map<std::pair<Maker, std::int64_t>, std::unique_ptr<KelmMeshFacetSet>> cache;
    auto& slot = cache[{make, facets}];
    if (!slot) slot = make(facets);
    return *slot;
}

template <class Fn>
double seconds_per_call(Fn fn, int runs) {
    const auto t0 = Clock::now();
    for (int r = 0; r < runs; ++r) fn();
    return std::chrono::duration<double>(Clock::now() - t0).count() / runs;
}

double build_seconds(const KelmMeshFacetSet& fs, int runs) {
    return seconds_per_call(
        [&fs] {
            KelmMeshTopology t;
            t.init(&fs);
            benchmark::DoNotOptimize(t.getEdgeCount());
        },
        runs);
}

double validate_seconds(const KelmMeshFacetSet& fs, int runs) {
    KelmMeshTopology t;
    t.init(&fs);
    return seconds_per_call([&t] { benchmark::DoNotOptimize(t.validate()); }, runs);
}

// Numbers the edges of fs with a hash map: the least work any build must do.
double plain_edge_numbering_seconds(const KelmMeshFacetSet& fs, int runs) {
    return seconds_per_call(
        [&fs] {
            std::unordered_map<std::uint64_t, unsigned> edges;
            edges.reserve(fs.getFacetCount() * 2);
            for (unsigned f = 0; f < fs.getFacetCount(); ++f) {
                const KelmMeshFacet* facet = fs.getFacet(f);
                for (unsigned k = 0; k < 3; ++k) {
                    unsigned a = facet->vertex[k], b = facet->vertex[(k + 1) % 3];
                    if (a > b) std::swap(a, b);
                    edges.emplace((std::uint64_t(a) << 32) | b, unsigned(edges.size()));
                }
            }
            benchmark::DoNotOptimize(edges.size());
        },
        runs);
}

double elapsed_per_iteration(Clock::time_point t0, const benchmark::State& state) {
    return std::chrono::duration<double>(Clock::now() - t0).count() / state.iterations();
}

void set_counters(benchmark::State& state, double seconds, unsigned facets, double smallest,
                  unsigned smallest_facets) {
    state.counters["ns_per_facet"] = 1e9 * seconds / facets;
    state.counters["x_linear"] = (seconds / facets) / (smallest / smallest_facets);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(facets));
}

void BM_BuildTorus(benchmark::State& state) {
    const KelmMeshFacetSet& fs = mesh(make_torus, state.range(0));
    const auto t0 = Clock::now();
    for (auto _ : state) {
        KelmMeshTopology t;
        t.init(&fs);
        benchmark::DoNotOptimize(t.getEdgeCount());
    }
    const double ours = elapsed_per_iteration(t0, state);
    const KelmMeshFacetSet& small = mesh(make_torus, 10000);
    set_counters(state, ours, fs.getFacetCount(), build_seconds(small, 20), small.getFacetCount());
    state.counters["x_baseline"] = ours / plain_edge_numbering_seconds(fs, 3);
}

void BM_ValidateTorus(benchmark::State& state) {
    const KelmMeshFacetSet& fs = mesh(make_torus, state.range(0));
    KelmMeshTopology t;
    t.init(&fs);
    const auto t0 = Clock::now();
    for (auto _ : state) {
        if (!t.validate()) state.SkipWithError("the torus failed validation");
        benchmark::ClobberMemory();
    }
    const double ours = elapsed_per_iteration(t0, state);
    const KelmMeshFacetSet& small = mesh(make_torus, 10000);
    set_counters(state, ours, fs.getFacetCount(), validate_seconds(small, 10),
                 small.getFacetCount());
    state.counters["x_build"] = ours / build_seconds(fs, 3);
}

void BM_BuildHubFan(benchmark::State& state) {
    const KelmMeshFacetSet& fs = mesh(make_fan, state.range(0));
    const auto t0 = Clock::now();
    for (auto _ : state) {
        KelmMeshTopology t;
        t.init(&fs);
        benchmark::DoNotOptimize(t.getEdgeCount());
    }
    const double ours = elapsed_per_iteration(t0, state);
    const KelmMeshFacetSet& small = mesh(make_fan, 1000);
    set_counters(state, ours, fs.getFacetCount(), build_seconds(small, 50), small.getFacetCount());
    state.counters["x_baseline"] = ours / plain_edge_numbering_seconds(fs, 3);
}

BENCHMARK(BM_BuildTorus)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ValidateTorus)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildHubFan)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
