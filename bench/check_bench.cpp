// The mesh check at the sizes CAM users meet, against peers in the same run.
//
//   BM_Summary/ring, /shuffled   a 2 000 000-facet closed torus as a binary STL file
//                                (facets in ring order, or shuffled): read through the
//                                library (welding equal points as it reads), check
//                                everything but self-intersections
//   BM_SelfIntersections         the grid search on a 10^6-facet torus
//
// Counters, each from the same process:
//   x_admesh   time divided by that of `admesh --exact FILE` on the same file (when the
//              admesh program is installed): the median of our three runs over the
//              median of three admesh runs (one on shuffled facets)
//   x_cgal     time divided by that of CGAL's does_self_intersect on the same mesh
//              (when libcgal-dev was found at configure time)
//   clean      1 when the check found the mesh clean (it must)
//
// check_bench --real DIR prints, for each OFF file of DIR, what the check and the
// repair find, instead of running the benchmarks.

#include <benchmark/benchmark.h>
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/meshfile.h"
#include "kelmmath/topology/check.h"
#include "kelmmath/topology/repair.h"

#ifdef KELM_BENCH_HAVE_CGAL
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Torus of rows x cols quads, two facets each, as corner coordinates (9 floats per
// facet) or as an indexed set.
void torus_point(double* p, unsigned i, unsigned j, unsigned rows, unsigned cols) {
    const double two_pi = 6.283185307179586;
    const double u = two_pi * i / rows, w = two_pi * j / cols, r = 3.0 + std::cos(w);
    p[0] = r * std::cos(u);
    p[1] = r * std::sin(u);
    p[2] = std::sin(w);
}

void torus_facets(std::vector<unsigned>* tri, unsigned rows, unsigned cols) {
    for (unsigned i = 0; i < rows; ++i)
        for (unsigned j = 0; j < cols; ++j) {
            const unsigned a = i * cols + j, b = ((i + 1) % rows) * cols + j;
            const unsigned c = ((i + 1) % rows) * cols + (j + 1) % cols;
            const unsigned d = i * cols + (j + 1) % cols;
            tri->insert(tri->end(), {a, b, c, a, c, d});
        }
}

void make_torus(KelmMeshFacetSet* fs, unsigned rows, unsigned cols) {
    for (unsigned i = 0; i < rows; ++i)
        for (unsigned j = 0; j < cols; ++j) {
            double p[3];
            torus_point(p, i, j, rows, cols);
            fs->createVertex(p);
        }
    std::vector<unsigned> tri;
    torus_facets(&tri, rows, cols);
    for (std::size_t t = 0; t < tri.size(); t += 3) {
        KelmMeshFacet* f = fs->createFacet(nullptr);
        for (unsigned k = 0; k < 3; ++k) f->vertex[k] = tri[t + k];
    }
}

// Binary STL of the torus; shuffled: the facets in random order.
std::string write_torus_stl(unsigned rows, unsigned cols, bool shuffled) {
    const std::string file =
        std::string("/tmp/kelm_check_bench_") + (shuffled ? "shuffled" : "ring") + ".stl";
    std::vector<float> xyz;
    for (unsigned i = 0; i < rows; ++i)
        for (unsigned j = 0; j < cols; ++j) {
            double p[3];
            torus_point(p, i, j, rows, cols);
            xyz.insert(xyz.end(), {float(p[0]), float(p[1]), float(p[2])});
        }
    std::vector<unsigned> tri;
    torus_facets(&tri, rows, cols);
    std::vector<unsigned> order(tri.size() / 3);
    for (unsigned t = 0; t < order.size(); ++t) order[t] = t;
    if (shuffled) std::shuffle(order.begin(), order.end(), std::mt19937(7));
    std::FILE* fp = std::fopen(file.c_str(), "wb");
    if (!fp) return "";
    char header[80] = "kelmmath check bench torus";
    std::fwrite(header, 1, 80, fp);
    const std::uint32_t n = static_cast<std::uint32_t>(order.size());
    std::fwrite(&n, 4, 1, fp);
    for (unsigned t : order) {
        float rec[12] = {0, 0, 0};
        for (unsigned k = 0; k < 3; ++k) std::memcpy(rec + 3 + 3 * k, &xyz[3 * tri[3 * t + k]], 12);
        const std::uint16_t attr = 0;
        std::fwrite(rec, 4, 12, fp);
        std::fwrite(&attr, 2, 1, fp);
    }
    std::fclose(fp);
    return file;
}

// The least OFF reader: '#' comments skipped, polygons fanned into triangles, anything
// after a face's corner list (a colour) ignored.
bool read_off(KelmMeshFacetSet* fs, const std::string& file) {
    std::FILE* fp = std::fopen(file.c_str(), "r");
    if (!fp) return false;
    std::vector<std::vector<std::string>> lines;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, fp)) {
        if (char* hash = std::strchr(buf, '#')) *hash = '\0';
        std::vector<std::string> words;
        for (char* w = std::strtok(buf, " \t\r\n"); w; w = std::strtok(nullptr, " \t\r\n"))
            words.push_back(w);
        if (!words.empty()) lines.push_back(words);
    }
    std::fclose(fp);
    if (lines.empty() || lines[0][0] != "OFF") return false;
    std::vector<std::string> counts(lines[0].begin() + 1, lines[0].end());
    std::size_t at = 1;
    if (counts.empty() && lines.size() > 1) counts = lines[at++];
    if (counts.size() < 2) return false;
    const unsigned long nv = std::stoul(counts[0]), nf = std::stoul(counts[1]);
    if (lines.size() < at + nv + nf) return false;
    for (unsigned long v = 0; v < nv; ++v, ++at) {
        if (lines[at].size() < 3) return false;
        const double p[3] = {std::stod(lines[at][0]), std::stod(lines[at][1]),
                             std::stod(lines[at][2])};
        fs->createVertex(p);
    }
    for (unsigned long f = 0; f < nf; ++f, ++at) {
        const std::vector<std::string>& w = lines[at];
        const unsigned long n = std::stoul(w[0]);
        if (w.size() < n + 1) return false;
        for (unsigned long k = 2; k < n; ++k) {
            KelmMeshFacet* g = fs->createFacet(nullptr);
            g->vertex[0] = static_cast<unsigned>(std::stoul(w[1]));
            g->vertex[1] = static_cast<unsigned>(std::stoul(w[k]));
            g->vertex[2] = static_cast<unsigned>(std::stoul(w[k + 1]));
        }
    }
    return true;
}

constexpr unsigned kRows = 1000, kCols = 1000;  // 2 000 000 facets

// The median wall time of runs runs of admesh on file (0 when it is not installed).
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double admesh_seconds(const std::string& file, int runs) {
    if (std::system("command -v admesh >/dev/null 2>&1") != 0) return 0.0;
    const std::string cmd = "admesh --exact '" + file + "' >/dev/null 2>&1";
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point t0 = Clock::now();
        if (std::system(cmd.c_str()) != 0) return 0.0;
        times.push_back(seconds_since(t0));
    }
    return median(times);
}

void BM_Summary(benchmark::State& state) {
    const bool shuffled = state.range(0) != 0;
    state.SetLabel(shuffled ? "shuffled" : "ring");
    const std::string file = write_torus_stl(kRows, kCols, shuffled);
    // Each side's time is the median of its runs: ours three in this process, admesh
    // three fresh processes; the first run of either meets memory the system has not
    // handed out for a while, which costs more here than the work.
    std::vector<double> runs, reads, checks;
    bool clean = false;
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        KelmMeshFacetSet fs;
        kelm_mesh_file_read(&fs, file.c_str(), nullptr);  // welds equal points as it reads
        const Clock::time_point t1 = Clock::now();
        KelmMeshCheckReport r;
        clean = kelm_mesh_check(&r, &fs, 0) == 1 && r.used_vertices == kRows * kCols;
        reads.push_back(std::chrono::duration<double>(t1 - t0).count());
        checks.push_back(seconds_since(t1));
        runs.push_back(seconds_since(t0));
        state.SetIterationTime(runs.back());
    }
    const double ours = median(runs);
    state.counters["read_s"] = median(reads);
    state.counters["check_s"] = median(checks);
    state.counters["clean"] = clean;
    state.counters["s"] = ours;
    // admesh on shuffled facets takes some fifteen seconds: once is enough there.
    if (const double peer = admesh_seconds(file, shuffled ? 1 : 3)) {
        state.counters["admesh_s"] = peer;
        state.counters["x_admesh"] = ours / peer;
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_Summary)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

#ifdef KELM_BENCH_HAVE_CGAL
double cgal_seconds(const KelmMeshFacetSet& fs, bool* found) {
    using K = CGAL::Exact_predicates_inexact_constructions_kernel;
    using Mesh = CGAL::Surface_mesh<K::Point_3>;
    Mesh mesh;
    std::vector<Mesh::Vertex_index> vi;
    for (unsigned v = 0; v < fs.getVertexCount(); ++v) {
        const double* p = fs.rawverts().get(v);
        vi.push_back(mesh.add_vertex(K::Point_3(p[0], p[1], p[2])));
    }
    for (unsigned f = 0; f < fs.getFacetCount(); ++f) {
        const unsigned* v = fs.getFacet(f)->vertex;
        mesh.add_face(vi[v[0]], vi[v[1]], vi[v[2]]);
    }
    const Clock::time_point t0 = Clock::now();
    *found = CGAL::Polygon_mesh_processing::does_self_intersect(mesh);
    return seconds_since(t0);
}

// The pairs CGAL's self_intersections finds, or -1 when the mesh is not a valid
// surface mesh for it.
long cgal_pairs(const KelmMeshFacetSet& fs) {
    using K = CGAL::Exact_predicates_inexact_constructions_kernel;
    using Mesh = CGAL::Surface_mesh<K::Point_3>;
    Mesh mesh;
    std::vector<Mesh::Vertex_index> vi;
    for (unsigned v = 0; v < fs.getVertexCount(); ++v) {
        const double* p = fs.rawverts().get(v);
        vi.push_back(mesh.add_vertex(K::Point_3(p[0], p[1], p[2])));
    }
    for (unsigned f = 0; f < fs.getFacetCount(); ++f) {
        const unsigned* v = fs.getFacet(f)->vertex;
        if (mesh.add_face(vi[v[0]], vi[v[1]], vi[v[2]]) == Mesh::null_face()) return -1;
    }
    std::vector<std::pair<Mesh::Face_index, Mesh::Face_index>> out;
    CGAL::Polygon_mesh_processing::self_intersections(mesh, std::back_inserter(out));
    return static_cast<long>(out.size());
}
#endif

void BM_SelfIntersections(benchmark::State& state) {
    KelmMeshFacetSet fs;
    make_torus(&fs, 500, 1000);  // 10^6 facets
    std::vector<KelmMeshCheckPair> pairs;
    for (auto _ : state) benchmark::DoNotOptimize(kelm_mesh_self_intersections(&pairs, &fs));
    const Clock::time_point t0 = Clock::now();
    kelm_mesh_self_intersections(&pairs, &fs);
    const double ours = seconds_since(t0);
    state.counters["pairs"] = double(pairs.size());
    state.counters["s"] = ours;
#ifdef KELM_BENCH_HAVE_CGAL
    bool found = false;
    const double peer = cgal_seconds(fs, &found);
    state.counters["cgal_s"] = peer;
    state.counters["cgal_found"] = found;
    state.counters["x_cgal"] = ours / peer;
#endif
}
BENCHMARK(BM_SelfIntersections)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---- --real DIR ---------------------------------------------------------------------

int report_real(const char* dir) {
    DIR* d = opendir(dir);
    if (!d) {
        std::fprintf(stderr, "check_bench: %s: no such folder\n", dir);
        return 2;
    }
    std::vector<std::string> names;
    while (const dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".off") == 0) names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    std::printf("%-28s %8s %8s %5s %6s %6s %6s %6s %5s %5s %5s %6s %7s %12s %s\n", "mesh",
                "vertices", "facets", "parts", "closed", "holes", "nm_e", "nm_v", "degen", "zero",
                "dupl", "misor", "selfint", "volume", "after repair  (CGAL pairs)");
    for (const std::string& n : names) {
        KelmMeshFacetSet fs;
        if (!read_off(&fs, std::string(dir) + "/" + n)) {
            std::printf("%-28s unreadable\n", n.c_str());
            continue;
        }
        KelmMeshCheckReport r;
        kelm_mesh_check(&r, &fs, 1);
        KelmMeshFacetSet fixed;
        KelmMeshRepairOptions o;
        o.weld_tolerance = 0.0;
        o.fill_holes = 32;
        KelmMeshRepairReport rr;
        kelm_mesh_repair(&fixed, &rr, &fs, &o);
        KelmMeshCheckReport after;
        kelm_mesh_check(&after, &fixed, 0);
        std::printf("%-28s %8u %8u %5zu %6s %6zu %6zu %6zu %5zu %5zu %5zu %6zu %7zu %12.6g %s\n",
                    n.c_str(), r.vertices, r.facets, r.parts.size(), r.closed ? "yes" : "no",
                    r.holes.size(), r.nonmanifold_edges.size(), r.nonmanifold_vertices.size(),
                    r.degenerate_facets.size(), r.zero_area_facets.size(),
                    r.duplicate_facets.size(), r.misoriented_edges.size(),
                    r.self_intersections.size(), r.volume,
                    after.clean() ? "clean" : (after.closed ? "closed" : "open"));
#ifdef KELM_BENCH_HAVE_CGAL
        if (!r.self_intersections.empty() || !r.zero_area_facets.empty()) {
            const long peer = cgal_pairs(fs);
            if (peer >= 0) std::printf("%-28s CGAL finds %ld pairs\n", "", peer);
        }
#endif
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--real") == 0) return report_real(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
