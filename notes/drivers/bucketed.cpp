// The topology tables built by vertex-range buckets (a record per side scattered by its
// lower vertex, each bucket worked in the caches, edge numbers from a bit per side):
// tried against the per-vertex lines of the library and dropped (slower in both orders:
// the scatter and the write-back of results by side cost more than the lines' misses).
// Prints the library's init time, this build's, and whether the tables are the same.
#include <kelmmath/kelmmath.h>
#include <sys/resource.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>
#include <sys/mman.h>
#include <time.h>

static double now() { timespec t; clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t); return t.tv_sec + 1e-9 * t.tv_nsec; }
static const unsigned NONE = 0xffffffffu;

struct Out { std::vector<unsigned> ev, ef, fe, vf; };

struct Rec { unsigned s, lo, hi; };  // hi == NONE: corner only (lo is the corner)

static bool build(const unsigned* c, unsigned nf, unsigned nv, Out& o, unsigned shift) {
    const unsigned nb = (nv >> shift) + 1;
    const std::size_t ns = 3ull * nf;
    // count
    std::vector<unsigned> start(nb + 1, 0);
    for (unsigned f = 0; f < nf; ++f) {
        const unsigned* v = c + 3 * f;
        unsigned lo[3];
        for (int k = 0; k < 3; ++k) { unsigned a = v[k], b = v[(k + 1) % 3]; lo[k] = a < b ? a : b; start[(lo[k] >> shift) + 1]++; }
        for (int k = 0; k < 3; ++k) if (v[k] != lo[0] && v[k] != lo[1] && v[k] != lo[2]) start[(v[k] >> shift) + 1]++;
    }
    for (unsigned b = 0; b < nb; ++b) start[b + 1] += start[b];
    double T0=now();
    const std::size_t nr = start[nb];
    std::unique_ptr<Rec[]> recs(new Rec[nr]);
    madvise(recs.get(), nr * sizeof(Rec), MADV_HUGEPAGE);
    std::vector<unsigned> fill(start.begin(), start.end() - 1);
    for (unsigned f = 0; f < nf; ++f) {
        const unsigned* v = c + 3 * f;
        unsigned lo[3];
        for (int k = 0; k < 3; ++k) {
            unsigned a = v[k], b = v[(k + 1) % 3]; lo[k] = a < b ? a : b; unsigned hi = a < b ? b : a;
            recs[fill[lo[k] >> shift]++] = Rec{3 * f + k, lo[k], hi};
        }
        for (int k = 0; k < 3; ++k) if (v[k] != lo[0] && v[k] != lo[1] && v[k] != lo[2])
            recs[fill[v[k] >> shift]++] = Rec{3 * f + k, v[k], NONE};
    }
    double T1=now();
    const std::size_t nw = ns / 64 + 1;
    std::vector<unsigned long long> isnew(nw, 0);
    std::vector<unsigned> partner(ns);  // first side of a second side
    o.vf.assign(nv, NONE);
    struct E { unsigned hi, s; };
    struct alignas(64) Line { unsigned count, pad; E e[7]; };
    const unsigned per = 1u << shift;
    std::unique_ptr<Line[]> lines(new Line[per]);
    std::unordered_map<unsigned long long, unsigned> over;
    for (unsigned b = 0; b < nb; ++b) {
        const unsigned base = b << shift;
        for (unsigned i = 0; i < per; ++i) lines[i].count = 0;
        for (std::size_t i = start[b]; i < start[b + 1]; ++i) {
            const Rec r = recs[i];
            const unsigned f = r.s / 3;
            if (o.vf[r.lo] == NONE) o.vf[r.lo] = f;
            if (r.hi == NONE) continue;
            Line& L = lines[r.lo - base];
            unsigned* found = nullptr;
            for (unsigned j = 0; j < L.count; ++j) if (L.e[j].hi == r.hi) { found = &L.e[j].s; break; }
            if (!found && L.count == 7) { auto it = over.find((1ull * r.lo << 32) | r.hi); if (it != over.end()) found = &it->second; }
            if (!found) {
                if (L.count < 7) L.e[L.count++] = E{r.hi, r.s}; else over.emplace((1ull * r.lo << 32) | r.hi, r.s);
                isnew[r.s >> 6] |= 1ull << (r.s & 63);
            } else if (!(*found & 0x80000000u)) {
                partner[r.s] = *found;
                *found |= 0x80000000u;
            } else return false;
        }
    }
    double T2=now();
    std::vector<unsigned> pre(nw + 1, 0);
    for (std::size_t w = 0; w < nw; ++w) pre[w + 1] = pre[w] + __builtin_popcountll(isnew[w]);
    const unsigned ne = pre[nw];
    o.ev.resize(2 * ne); o.ef.resize(2 * ne); o.fe.resize(ns);
    unsigned e = 0;
    for (std::size_t s = 0; s < ns; ++s) {
        const unsigned f = unsigned(s / 3);
        if (isnew[s >> 6] >> (s & 63) & 1) {
            const unsigned* v = c + 3 * f; const unsigned k = s % 3;
            unsigned a = v[k], bb = v[(k + 1) % 3];
            o.ev[2 * e] = a < bb ? a : bb; o.ev[2 * e + 1] = a < bb ? bb : a;
            o.ef[2 * e] = f; o.ef[2 * e + 1] = NONE;
            o.fe[s] = e++;
        } else {
            const unsigned p = partner[s];
            const unsigned ep = pre[p >> 6] + __builtin_popcountll(isnew[p >> 6] & ((1ull << (p & 63)) - 1));
            o.fe[s] = ep;
            o.ef[2 * ep + 1] = f;
        }
    }
    double T3=now(); std::fprintf(stderr,"count+scatter %.3f/%.3f buckets %.3f final %.3f\n",T0-0.0,T1-T0,T2-T1,T3-T2);
    return true;
}

int main(int argc, char** argv) {
    KelmMeshFacetSet fs; kelm_mesh_file_read(&fs, argv[1], nullptr);
    const unsigned shift = argc > 2 ? atoi(argv[2]) : 13;
    const unsigned nf = fs.getFacetCount(), nv = fs.getVertexCount();
    std::vector<unsigned> c(3ull * nf);
    for (unsigned f = 0; f < nf; ++f) for (int k = 0; k < 3; ++k) c[3 * f + k] = fs.getFacet(f)->vertex[k];
    double best_lib = 1e9, best_b = 1e9;
    bool same = true;
    for (int it = 0; it < 3; ++it) {
        double t0 = now();
        KelmMeshTopology t; t.init(&fs);
        double t1 = now();
        Out o; bool ok = build(c.data(), nf, nv, o, shift);
        double t2 = now();
        if (t1 - t0 < best_lib) best_lib = t1 - t0;
        if (t2 - t1 < best_b) best_b = t2 - t1;
        if (it == 0) {
            if (!ok || o.ev.size() != 2ull * t.getEdgeCount()) same = false;
            for (unsigned e = 0; same && e < t.getEdgeCount(); ++e)
                for (int i = 0; i < 2; ++i) if (o.ev[2 * e + i] != t.getEdgeVertex(e, i) || o.ef[2 * e + i] != t.getEdgeFacet(e, i)) same = false;
            for (unsigned f = 0; same && f < nf; ++f) for (int i = 0; i < 3; ++i) if (o.fe[3 * f + i] != t.getFacetEdge(f, i)) same = false;
            for (unsigned v = 0; same && v < nv; ++v) if (o.vf[v] != t.getFirstVertexFacet(v)) same = false;
        }
    }
    std::printf("%s lib %.3f buckets %.3f same %d\n", argv[1], best_lib, best_b, same);
}
