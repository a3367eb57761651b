// Mesh files: a 2 000 000-facet binary STL (a closed torus, written by the benchmark)
// read, welded and handed to the topology, in ring and in shuffled facet order; and
// the parse speed of ASCII STL and OBJ.
//
// Counters (times are processor times, user + system, so that other load on the
// machine does not skew the ratios):
//   x_admesh      our time / the time of `admesh --exact FILE` on the same file, in
//                 the same run (only when admesh is installed); both whole child
//                 processes, the file in the page cache, each the median of five runs
//                 (admesh on shuffled facets: one run)
//   x_ring        shuffled order time / ring order time (child processes, same run):
//                 the median of the ratios of five adjacent pairs, which one goes
//                 first alternating, so that a change in the host's speed falls
//                 inside pairs rather than between the two sides
//   peak_MiB      peak resident memory of a child process that does the read + init
//                 once (admesh_peak_MiB: that of admesh)
//   MB_per_s      input bytes parsed per second of processor time (text formats)
//   x_strtod      text parse time / the time strtod alone takes for the same numbers
//
// The files live in the temporary directory and are removed at the end;
// `meshfile_bench --write-files DIR` writes them into DIR and keeps them.

#include <benchmark/benchmark.h>
#include <kelmmath/kelmmath.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kRing = 1000, kTube = 1000;  // 2 000 000 facets
constexpr int kChildRuns = 5;                   // child runs behind each median

struct Triangle {
    float c[9];
};

// The torus as triangles (outward orientation), in ring order.
std::vector<Triangle> torus_triangles(unsigned nu, unsigned nv) {
    auto vertex = [&](unsigned i, unsigned j, float* out) {
        const double u = 6.283185307179586 * (i % nu) / nu, v = 6.283185307179586 * (j % nv) / nv;
        out[0] = static_cast<float>((50.0 + 20.0 * std::cos(v)) * std::cos(u));
        out[1] = static_cast<float>((50.0 + 20.0 * std::cos(v)) * std::sin(u));
        out[2] = static_cast<float>(20.0 * std::sin(v));
    };
    std::vector<Triangle> tris;
    tris.reserve(2ull * nu * nv);
    for (unsigned i = 0; i < nu; ++i)
        for (unsigned j = 0; j < nv; ++j) {
            Triangle a, b;
            vertex(i, j, a.c);
            vertex(i + 1, j, a.c + 3);
            vertex(i + 1, j + 1, a.c + 6);
            vertex(i, j, b.c);
            vertex(i + 1, j + 1, b.c + 3);
            vertex(i, j + 1, b.c + 6);
            tris.push_back(a);
            tris.push_back(b);
        }
    return tris;
}

std::string temp_path(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/kelm_meshfile_bench_" +
           std::to_string(getpid()) + "_" + name;
}

void write_binary_stl(const std::string& path, const std::vector<Triangle>& tris) {
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return;
    char header[80] = "solid torus (binary, whatever the first word says)";
    std::fwrite(header, 1, 80, fp);
    const std::uint32_t n = static_cast<std::uint32_t>(tris.size());
    std::fwrite(&n, 4, 1, fp);
    std::vector<char> rec(50 * tris.size());
    for (std::size_t i = 0; i < tris.size(); ++i) {
        const float normal[3] = {0, 0, 0};
        std::memcpy(&rec[50 * i], normal, 12);
        std::memcpy(&rec[50 * i + 12], tris[i].c, 36);
    }
    std::fwrite(rec.data(), 1, rec.size(), fp);
    std::fclose(fp);
}

// The two files, made once for the whole run.
// The torus in ring order, then with its facets shuffled.
void write_torus_files(const std::string& ring, const std::string& shuffled) {
    std::vector<Triangle> tris = torus_triangles(kRing, kTube);
    write_binary_stl(ring, tris);
    std::mt19937 rng(12345);
    for (std::size_t i = tris.size(); i > 1; --i) std::swap(tris[i - 1], tris[rng() % i]);
    write_binary_stl(shuffled, tris);
}

struct Files {
    std::string ring = temp_path("ring.stl"), shuffled = temp_path("shuffled.stl");
    Files() { write_torus_files(ring, shuffled); }
    ~Files() {
        std::remove(ring.c_str());
        std::remove(shuffled.c_str());
    }
};

const Files& files() {
    static Files f;
    return f;
}

// What the library does with such a file: read, weld, build the topology.
unsigned read_and_build(const char* path) {
    KelmMeshFacetSet fs;
    if (!kelm_mesh_file_read(&fs, path, nullptr)) return 0;
    KelmMeshTopology topo;
    topo.init(&fs);
    return topo.getEdgeCount();
}

struct ChildRun {
    double seconds = 0;
    double cpu_seconds = 0;
    double peak_mib = 0;
    bool ok = false;
};

// Runs fn (ours) or a program (argv) in a child process: wall time and peak memory.
template <class Fn>
ChildRun in_child(Fn fn, char* const* argv) {
    ChildRun r;
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) return r;
    if (pid == 0) {
        if (argv) {
            if (!std::freopen("/dev/null", "w", stdout)) _exit(3);
            execvp(argv[0], argv);
            _exit(127);
        }
        _exit(fn() ? 0 : 1);
    }
    int status = 0;
    struct rusage use;
    if (wait4(pid, &status, 0, &use) != pid) return r;
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    r.peak_mib = use.ru_maxrss / 1024.0;
    r.cpu_seconds = use.ru_utime.tv_sec + use.ru_stime.tv_sec +
                    1e-6 * (use.ru_utime.tv_usec + use.ru_stime.tv_usec);
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// The run of median processor time, with the largest peak of all.
ChildRun median_of(std::vector<ChildRun> all) {
    std::sort(all.begin(), all.end(),
              [](const ChildRun& a, const ChildRun& b) { return a.cpu_seconds < b.cpu_seconds; });
    ChildRun m = all[all.size() / 2];
    for (const ChildRun& r : all) {
        m.peak_mib = std::max(m.peak_mib, r.peak_mib);
        m.ok = m.ok && r.ok;
    }
    return m;
}

// The median of runs child runs of a program (processor time), with the largest peak.
// One run's time swings with the system's page-fault work; the median does not.
ChildRun median_child(char* const* argv, int runs) {
    std::vector<ChildRun> all;
    for (int i = 0; i < runs; ++i) all.push_back(in_child([] { return true; }, argv));
    return median_of(all);
}

bool have_admesh() {
    return std::system("command -v admesh >/dev/null 2>&1") == 0;
}

void BM_StlReadWeldTopology(benchmark::State& state) {
    const bool shuffled = state.range(0) != 0;
    const std::string& path = shuffled ? files().shuffled : files().ring;
    const auto t0 = Clock::now();
    for (auto _ : state) {
        if (read_and_build(path.c_str()) == 0) state.SkipWithError("the file was not read");
    }
    const double ours =
        std::chrono::duration<double>(Clock::now() - t0).count() / state.iterations();
    (void)ours;
    // Our side runs as a fresh process too (this program again, told to do only the
    // read and build), so that neither side pays for a large parent's address space.
    std::string self = "/proc/self/exe", flag = "--read-and-build", file = path;
    char* ours_argv[] = {&self[0], &flag[0], &file[0], nullptr};
    ChildRun mine;
    if (shuffled) {
        // Shuffled and ring runs in adjacent pairs, the order alternating.
        std::string ring_file = files().ring;
        char* ring_argv[] = {&self[0], &flag[0], &ring_file[0], nullptr};
        std::vector<ChildRun> runs;
        std::vector<double> ratios;
        for (int i = 0; i < kChildRuns; ++i) {
            const bool ring_first = i % 2 == 1;
            const ChildRun first = in_child([] { return true; }, ring_first ? ring_argv : ours_argv);
            const ChildRun second = in_child([] { return true; }, ring_first ? ours_argv : ring_argv);
            const ChildRun& s = ring_first ? second : first;
            const ChildRun& r = ring_first ? first : second;
            runs.push_back(s);
            ratios.push_back(s.cpu_seconds / r.cpu_seconds);
        }
        mine = median_of(runs);
        std::sort(ratios.begin(), ratios.end());
        state.counters["x_ring"] = ratios[ratios.size() / 2];
    } else {
        mine = median_child(ours_argv, kChildRuns);
    }
    state.counters["peak_MiB"] = mine.peak_mib;
    state.counters["child_cpu_s"] = mine.cpu_seconds;
    if (have_admesh()) {
        char prog[] = "admesh", exact[] = "--exact";
        char* argv[] = {prog, exact, &file[0], nullptr};
        // admesh on shuffled facets takes some fifteen seconds: once is enough there.
        const ChildRun peer = median_child(argv, shuffled ? 1 : kChildRuns);
        if (peer.ok) {
            state.counters["x_admesh"] = mine.cpu_seconds / peer.cpu_seconds;
            state.counters["admesh_cpu_s"] = peer.cpu_seconds;
            state.counters["admesh_peak_MiB"] = peer.peak_mib;
        }
    }
    state.SetItemsProcessed(state.iterations() * 2ll * kRing * kTube);
}

// ---- text parse speed ---------------------------------------------------------------

std::string ascii_stl_text(const std::vector<Triangle>& tris) {
    std::string s = "solid torus\n";
    char line[128];
    for (const Triangle& t : tris) {
        s += "facet normal 0 0 0\n outer loop\n";
        for (int c = 0; c < 3; ++c) {
            std::snprintf(line, sizeof line, "  vertex %.9g %.9g %.9g\n", t.c[3 * c],
                          t.c[3 * c + 1], t.c[3 * c + 2]);
            s += line;
        }
        s += " endloop\nendfacet\n";
    }
    return s + "endsolid torus\n";
}

std::string obj_text(unsigned nu, unsigned nv) {
    std::string s;
    char line[128];
    for (unsigned i = 0; i < nu; ++i)
        for (unsigned j = 0; j < nv; ++j) {
            const double u = 6.283185307179586 * i / nu, v = 6.283185307179586 * j / nv;
            std::snprintf(line, sizeof line, "v %.17g %.17g %.17g\n",
                          (50.0 + 20.0 * std::cos(v)) * std::cos(u),
                          (50.0 + 20.0 * std::cos(v)) * std::sin(u), 20.0 * std::sin(v));
            s += line;
        }
    for (unsigned i = 0; i < nu; ++i)
        for (unsigned j = 0; j < nv; ++j) {
            const unsigned a = i * nv + j + 1, b = ((i + 1) % nu) * nv + j + 1,
                           c = ((i + 1) % nu) * nv + (j + 1) % nv + 1,
                           d = i * nv + (j + 1) % nv + 1;
            std::snprintf(line, sizeof line, "f %u %u %u\nf %u %u %u\n", a, b, c, a, c, d);
            s += line;
        }
    return s;
}

// strtod over every number of the text: what the plainest parser pays for numbers.
double cpu_now() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double strtod_seconds(const std::string& text) {
    const double t0 = cpu_now();
    double sum = 0;
    const char* p = text.c_str();
    while (*p) {
        if ((*p >= '0' && *p <= '9') || *p == '-') {
            char* end;
            sum += std::strtod(p, &end);
            p = end;
        } else {
            ++p;
        }
    }
    benchmark::DoNotOptimize(sum);
    return cpu_now() - t0;
}

void text_parse(benchmark::State& state, const std::string& text) {
    const double t0 = cpu_now();
    for (auto _ : state) {
        KelmMeshFacetSet fs;
        if (!kelm_mesh_mem_read(&fs, text.data(), text.size(), "bench", nullptr, nullptr))
            state.SkipWithError("the text was not read");
    }
    const double ours = (cpu_now() - t0) / state.iterations();
    state.counters["MB_per_s"] = text.size() / ours / 1e6;
    state.counters["x_strtod"] = ours / strtod_seconds(text);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_AsciiStlParse(benchmark::State& state) {
    static const std::string text = ascii_stl_text(torus_triangles(300, 300));
    text_parse(state, text);
}

void BM_ObjParse(benchmark::State& state) {
    static const std::string text = obj_text(500, 500);
    text_parse(state, text);
}

BENCHMARK(BM_StlReadWeldTopology)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AsciiStlParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjParse)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--read-and-build") == 0)
        return read_and_build(argv[2]) != 0 ? 0 : 1;
    // The benchmark's two files, kept in DIR for other measurements.
    if (argc == 3 && std::strcmp(argv[1], "--write-files") == 0) {
        const std::string dir = argv[2];
        write_torus_files(dir + "/ring.stl", dir + "/shuffled.stl");
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
