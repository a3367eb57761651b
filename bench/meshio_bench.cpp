// Throughput of the mesh exchange formats on a mesh of one million facets.
//
//   XmlWrite    kelm_mesh_xml_save into a stream that only counts the bytes
//   JsonWrite   kelm_mesh_json_save likewise
//   XmlRead     kelm_mesh_xml_read of the file XmlWrite's text makes
//   ExpatParse  expat alone on the same file, fed in the same blocks as the reader
//               (kelm_internal::next_read_block), no handlers: the baseline the reader
//               is measured against
//   PrintfText  the vertex and facet texts of the XML file made with snprintf alone:
//               what formatting through the printf family would cost
//   XmlReadPaired  the reader and expat's bare parse run in adjacent pairs (which one
//               goes first alternates); x_expat is the median of the pairs' ratios of
//               processor time
//
// Each run reports bytes per second; the summary at the end gives MB/s and the
// reader's time as a multiple of expat's bare parse, all measured in this run. On a
// shared host the load moves between two separate runs, and their ratio with it; a
// change of load falls into few of the adjacent pairs, which the median passes over.

#include <benchmark/benchmark.h>
#include <expat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "kelmmath/core/core.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/json_writer.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/xml_writer.h"
// The reader's block schedule, so that expat's bare parse is fed exactly as the
// reader feeds it (a header-only internal; the benchmark links the shared library).
#include "../src/meshio/internal_read_blocks.h"

namespace {

constexpr unsigned kColumns = 1000;  // 2 * 1000 * 500 = 10^6 facets
constexpr unsigned kRows = 500;

// A wavy grid: (kColumns + 1) x (kRows + 1) vertices with coordinates that need all
// 17 digits, two facets per cell, corner normals on one facet in eight.
const KelmMeshFacetSet& grid_mesh() {
    static KelmMeshFacetSet* fs = [] {
        auto* m = new KelmMeshFacetSet;
        for (unsigned r = 0; r <= kRows; ++r) {
            for (unsigned c = 0; c <= kColumns; ++c) {
                const double p[3] = {c * 0.1, r * 0.1, std::sin(c * 0.01) * std::cos(r * 0.013)};
                m->createVertex(p);
            }
        }
        const double up[3] = {0.0, 0.0, 1.0};
        const unsigned n = m->createNormal(up);
        for (unsigned r = 0; r < kRows; ++r) {
            for (unsigned c = 0; c < kColumns; ++c) {
                const unsigned a = r * (kColumns + 1) + c;
                const unsigned quads[2][3] = {{a, a + 1, a + kColumns + 2},
                                              {a, a + kColumns + 2, a + kColumns + 1}};
                for (const auto& q : quads) {
                    unsigned idx = 0;
                    KelmMeshFacet* f = m->createFacet(&idx);
                    for (int k = 0; k < 3; ++k) f->vertex[k] = q[k];
                    if (idx % 8 == 0) f->normal[0] = f->normal[1] = f->normal[2] = n;
                }
            }
        }
        return m;
    }();
    return *fs;
}

// Counts what it is given and throws it away.
class CountingStream : public KelmOutputStream {
public:
    using KelmOutputStream::put;
    void put(const char* text) override {
        bytes += std::char_traits<char>::length(text);
        benchmark::DoNotOptimize(text);
    }
    void put(const char* text, std::size_t length) override {
        bytes += length;
        benchmark::DoNotOptimize(text);
    }
    std::size_t bytes = 0;
};

std::string written_file;  // removed at the end of the run

// The XML file of the grid, written once.
const std::string& xml_file() {
    if (written_file.empty()) {
        written_file = "/tmp/kelmmath_meshio_bench_" + std::to_string(getpid()) + ".xml";
        kelm_mesh_xml_save(written_file.c_str(), &grid_mesh(), "grid", KELM_NO_COLOR);
    }
    return written_file;
}

long file_size(const std::string& path) {
    FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) return 0;
    std::fseek(fp, 0, SEEK_END);
    const long n = std::ftell(fp);
    std::fclose(fp);
    return n;
}

void BM_XmlWrite(benchmark::State& state) {
    const KelmMeshFacetSet& fs = grid_mesh();
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingStream out;
        kelm_mesh_xml_save(&out, &fs, "grid", KELM_NO_COLOR);
        bytes += out.bytes;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_XmlWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_JsonWrite(benchmark::State& state) {
    const KelmMeshFacetSet& fs = grid_mesh();
    std::size_t bytes = 0;
    for (auto _ : state) {
        CountingStream out;
        kelm_mesh_json_save(&out, &fs, "grid", KELM_NO_COLOR, 1);
        bytes += out.bytes;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_JsonWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

bool read_grid(const std::string& path, KelmMeshShellRecordVec* recs) {
    return kelm_mesh_xml_read(recs, path.c_str()) == 1 && recs->size() == 1 &&
           (*recs)[0]->getFacetCount() == 2 * kColumns * kRows;
}

// expat alone on the file, no handlers, fed in the reader's blocks.
bool expat_parse(const std::string& path) {
    FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) return false;
    XML_Parser parser = KELMXML_ParserCreate(nullptr);
    bool ok = true;
    std::size_t read_so_far = 0;
    for (;;) {
        const std::size_t block = kelm_internal::next_read_block(read_so_far);
        void* buffer = KELMXML_GetBuffer(parser, static_cast<int>(block));
        const std::size_t n = std::fread(buffer, 1, block, fp);
        read_so_far += n;
        if (KELMXML_ParseBuffer(parser, static_cast<int>(n), n == 0) != KELMXML_STATUS_OK) {
            ok = false;
            break;
        }
        if (n == 0) break;
    }
    KELMXML_ParserFree(parser);
    std::fclose(fp);
    return ok;
}

void BM_XmlRead(benchmark::State& state) {
    const std::string& path = xml_file();
    for (auto _ : state) {
        KelmMeshShellRecordVec recs;
        if (!read_grid(path, &recs)) {
            state.SkipWithError("read failed");
            return;
        }
        // Freeing the million facets read is not reading: it is left out of the time.
        state.PauseTiming();
        recs.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * file_size(path));
}
BENCHMARK(BM_XmlRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ExpatParse(benchmark::State& state) {
    const std::string& path = xml_file();
    for (auto _ : state) {
        if (!expat_parse(path)) {
            state.SkipWithError("parse failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * file_size(path));
}
BENCHMARK(BM_ExpatParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

double thread_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Processor time of one read of the file (freeing the result left out) or of one
// bare parse; negative when it fails.
double read_seconds(const std::string& path) {
    KelmMeshShellRecordVec recs;
    const double start = thread_seconds();
    const bool ok = read_grid(path, &recs);
    const double seconds = thread_seconds() - start;
    return ok ? seconds : -1.0;
}

double expat_seconds(const std::string& path) {
    const double start = thread_seconds();
    const bool ok = expat_parse(path);
    const double seconds = thread_seconds() - start;
    return ok ? seconds : -1.0;
}

// Each iteration is one pair: a read and a bare parse, the first of them alternating.
void BM_XmlReadPaired(benchmark::State& state) {
    const std::string& path = xml_file();
    std::vector<double> ratios;
    for (auto _ : state) {
        double read, expat;
        if (ratios.size() % 2 == 0) {
            read = read_seconds(path);
            expat = expat_seconds(path);
        } else {
            expat = expat_seconds(path);
            read = read_seconds(path);
        }
        if (read < 0.0 || expat <= 0.0) {
            state.SkipWithError("read or parse failed");
            return;
        }
        ratios.push_back(read / expat);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["x_expat"] = ratios[ratios.size() / 2];
    state.counters["x_expat_q1"] = ratios[ratios.size() / 4];
    state.counters["x_expat_q3"] = ratios[(3 * ratios.size()) / 4];
    state.counters["pairs"] = static_cast<double>(ratios.size());
}
BENCHMARK(BM_XmlReadPaired)->Unit(benchmark::kMillisecond)->Iterations(11);

void BM_PrintfText(benchmark::State& state) {
    const KelmMeshFacetSet& fs = grid_mesh();
    const double* xyz = fs.rawverts().data();
    std::size_t bytes = 0;
    char buf[128];
    for (auto _ : state) {
        for (unsigned i = 0; i < fs.getVertexCount(); ++i) {
            const double* p = xyz + 3 * static_cast<std::size_t>(i);
            bytes += static_cast<std::size_t>(
                std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g", p[0], p[1], p[2]));
        }
        for (unsigned i = 0; i < fs.getFacetCount(); ++i) {
            const KelmMeshFacet* f = fs.getFacet(i);
            bytes += static_cast<std::size_t>(
                std::snprintf(buf, sizeof buf, "%d %d %d", static_cast<int>(f->vertex[0]),
                              static_cast<int>(f->vertex[1]), static_cast<int>(f->vertex[2])));
        }
        benchmark::DoNotOptimize(buf);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PrintfText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The usual table, then MB/s per benchmark and the reader against expat.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With --benchmark_repetitions the summary keeps the fastest repetition,
            // not the mean/median/stddev rows.
            if (run.run_type == Run::RT_Aggregate) continue;
            const std::string full = run.benchmark_name();
            Result& r = results_[full.substr(0, full.find('/'))];
            const double cpu_seconds = run.GetAdjustedCPUTime() / 1e3;  // given in ms
            if (r.cpu_seconds > 0.0 && r.cpu_seconds <= cpu_seconds) continue;
            r.seconds = run.GetAdjustedRealTime() / 1e3;
            r.cpu_seconds = cpu_seconds;
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) r.mb_per_second = it->second.value / 1e6;
            for (const char* name : {"x_expat", "x_expat_q1", "x_expat_q3", "pairs"}) {
                const auto c = run.counters.find(name);
                if (c != run.counters.end()) paired_[name] = c->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nthroughput (MB/s, 1 MB = 10^6 bytes), one million facets:\n");
        for (const auto& [name, r] : results_) {
            std::printf("  %-16s %8.1f MB/s  %8.1f ms\n", name.c_str(), r.mb_per_second,
                        r.seconds * 1e3);
        }
        const auto read = results_.find("BM_XmlRead");
        const auto expat = results_.find("BM_ExpatParse");
        if (read != results_.end() && expat != results_.end() && expat->second.seconds > 0) {
            // On a loaded machine the wall-clock ratio drifts; the CPU-time ratio is the
            // steadier of the two (both runs are single-threaded).
            std::printf("  XmlRead time / ExpatParse time: %.2f (wall clock), %.2f (CPU)\n",
                        read->second.seconds / expat->second.seconds,
                        read->second.cpu_seconds / expat->second.cpu_seconds);
        }
        if (paired_.count("x_expat") != 0) {
            std::printf(
                "  XmlRead / ExpatParse in adjacent pairs (CPU): median %.2f, quartiles "
                "%.2f and %.2f, %.0f pairs\n",
                paired_["x_expat"], paired_["x_expat_q1"], paired_["x_expat_q3"], paired_["pairs"]);
        }
        if (!written_file.empty()) std::remove(written_file.c_str());
    }

private:
    struct Result {
        double seconds = 0.0;
        double cpu_seconds = 0.0;
        double mb_per_second = 0.0;
    };
    std::map<std::string, Result> results_;
    std::map<std::string, double> paired_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
