// Facet-set build and copy at 10^5 and 10^6 facets.
//
// Each benchmark also times, in the same process and right after its own loop, a
// baseline doing the same work with plain standard containers (flat vertex and
// normal doubles, one heap allocation per facet reached through a vector of
// pointers). The counter "x_baseline" is the library's time divided by the
// baseline's: about 1 means the facet set adds no cost of its own.

#include <benchmark/benchmark.h>
#include <kelmmath/kelmmath.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A square grid of (n+1)^2 vertices and 2n^2 facets in the plane z = 0.
unsigned grid_side(std::int64_t facets) {
    unsigned n = 1;
    while (2ull * n * n < static_cast<unsigned long long>(facets)) ++n;
    return n;
}

void build_set(KelmMeshFacetSet& fs, unsigned n) {
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i) {
            const double p[3] = {double(i), double(j), 0.0};
            fs.createVertex(p);
        }
    const double up[3] = {0.0, 0.0, 1.0};
    const unsigned nz = fs.createNormal(up);
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            KelmMeshFacet* f = fs.createFacet(nullptr);
            f->vertex[0] = a, f->vertex[1] = b, f->vertex[2] = d;
            f->normal[0] = f->normal[1] = f->normal[2] = nz;
            f = fs.createFacet(nullptr);
            f->vertex[0] = a, f->vertex[1] = d, f->vertex[2] = c;
            f->normal[0] = f->normal[1] = f->normal[2] = nz;
        }
}

// The same mesh in standard containers.
struct PlainMesh {
    std::vector<double> verts, normals;
    std::vector<std::unique_ptr<std::array<unsigned, 6>>> facets;

    PlainMesh() = default;
    PlainMesh(const PlainMesh& o) : verts(o.verts), normals(o.normals) {
        facets.reserve(o.facets.size());
        for (const auto& f : o.facets) facets.emplace_back(new std::array<unsigned, 6>(*f));
    }
};

void build_plain(PlainMesh& m, unsigned n) {
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i) {
            m.verts.push_back(i);
            m.verts.push_back(j);
            m.verts.push_back(0.0);
        }
    m.normals = {0.0, 0.0, 1.0};
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            m.facets.emplace_back(new std::array<unsigned, 6>{a, b, d, 0, 0, 0});
            m.facets.emplace_back(new std::array<unsigned, 6>{a, d, c, 0, 0, 0});
        }
}

// Mean seconds per call of fn over a few runs.
template <class Fn>
double time_per_call(Fn fn, int runs) {
    const auto t0 = Clock::now();
    for (int r = 0; r < runs; ++r) fn();
    return std::chrono::duration<double>(Clock::now() - t0).count() / runs;
}

void report(benchmark::State& state, double ours, double base, unsigned facets) {
    state.counters["x_baseline"] = ours / base;
    state.counters["facets"] = facets;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(facets));
}

void BM_FacetSetBuild(benchmark::State& state) {
    const unsigned n = grid_side(state.range(0));
    const auto t0 = Clock::now();
    for (auto _ : state) {
        KelmMeshFacetSet fs;
        build_set(fs, n);
        benchmark::DoNotOptimize(fs.getFacetCount());
    }
    const double ours =
        std::chrono::duration<double>(Clock::now() - t0).count() / state.iterations();
    const double base = time_per_call(
        [n] {
            PlainMesh m;
            build_plain(m, n);
            benchmark::DoNotOptimize(m.facets.size());
        },
        3);
    report(state, ours, base, 2 * n * n);
}

void BM_FacetSetCopy(benchmark::State& state) {
    const unsigned n = grid_side(state.range(0));
    KelmMeshFacetSet src;
    build_set(src, n);
    src.createFace(0, src.getFacetCount());
    kelm_mesh_set_color(&src, 0u, 0x336699);
    const auto t0 = Clock::now();
    for (auto _ : state) {
        KelmMeshFacetSet dst(src);
        benchmark::DoNotOptimize(dst.getFacetCount());
    }
    const double ours =
        std::chrono::duration<double>(Clock::now() - t0).count() / state.iterations();
    PlainMesh plain;
    build_plain(plain, n);
    const double base = time_per_call(
        [&plain] {
            PlainMesh copy(plain);
            benchmark::DoNotOptimize(copy.facets.size());
        },
        3);
    report(state, ours, base, 2 * n * n);
}

void BM_FacetSetCopyTransformed(benchmark::State& state) {
    const unsigned n = grid_side(state.range(0));
    KelmMeshFacetSet src;
    build_set(src, n);
    KelmXform m;
    m.origin(10.0, -4.0, 2.5);
    const auto t0 = Clock::now();
    for (auto _ : state) {
        KelmMeshFacetSet dst;
        kelm_mesh_copy(&dst, &src, m);
        benchmark::DoNotOptimize(dst.getFacetCount());
    }
    const double ours =
        std::chrono::duration<double>(Clock::now() - t0).count() / state.iterations();
    // Baseline: the untransformed copy of the same set.
    const double base = time_per_call(
        [&src] {
            KelmMeshFacetSet dst(src);
            benchmark::DoNotOptimize(dst.getFacetCount());
        },
        3);
    report(state, ours, base, 2 * n * n);
}

BENCHMARK(BM_FacetSetBuild)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FacetSetCopy)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FacetSetCopyTransformed)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
