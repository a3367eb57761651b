#include "kelmmath/meshio/meshfile.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "kelmmath/core/errors.h"
#include "kelmmath/core/platform.h"
#include "mesh/internal_facetset.h"
#include "mesh/internal_memory.h"
#include "meshio/internal_meshfile.h"
#include "meshio/internal_numbers.h"

namespace kelm_internal {

int file_error(const char* name, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    kelm_ec()->error("%s: %s", name ? name : "(memory)", text);
    return 0;
}

// ---- welding ------------------------------------------------------------------------

namespace {

// Polygons with more corners than this are cut as a fan: ear clipping takes time
// cubic in the corner count at worst.
constexpr unsigned kMaxEarClipCorners = 256;

inline std::uint64_t bits_of(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The bits that decide whether two coordinates are the same: adding +0.0 turns -0.0
// into +0.0 and changes nothing else.
inline std::uint64_t weld_bits(double v) {
    return bits_of(v + 0.0);
}

// The power of two n as 2^k: k.
inline int log2_of(std::size_t n) {
    int k = 0;
    while ((std::size_t{1} << k) < n) ++k;
    return k;
}

inline std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

// Coordinates read from floats have their low mantissa bits zero, so every bit of the
// three keys is folded in before the multiply carries them to the top.
inline std::uint64_t weld_hash(std::uint64_t x, std::uint64_t y, std::uint64_t z) {
    std::uint64_t h = x ^ rotl(y, 21) ^ rotl(z, 42);
    h ^= h >> 31;
    return h * 0x9E3779B97F4A7C15ull;
}

inline bool finite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

inline double orient2d(const double* a, const double* b, const double* c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

}  // namespace

MeshBuilder::MeshBuilder(const KelmMeshReadOptions& opts, const char* name, KelmMeshFacetSet* fs)
    : opts_(opts), name_(name ? name : "(memory)"), fs_(fs) {}

void MeshBuilder::reserve(std::size_t vertices, std::size_t facets) {
    FacetSetAccess::reserve(*fs_, static_cast<unsigned>(vertices), 0,
                            static_cast<unsigned>(facets));
    finite_.reserve(finite_.size() + vertices);
    if (!opts_.weld) return;
    std::size_t size = 64;
    while (size < 2 * vertices) size *= 2;
    if (size > table_.size()) {
        table_.clear();
        table_.shrink_to_fit();
        table_.reserve(size);
        advise_huge_pages(table_.data(), sizeof(unsigned) * size);
        table_.assign(size, 0);
        table_mask_ = size - 1;
        shift_ = 64 - log2_of(size);
        // Entries placed before are placed again.
        for (unsigned v = 0; v < finite_.size(); ++v) {
            const double* p = vert(v);
            std::size_t s = weld_hash(weld_bits(p[0]), weld_bits(p[1]), weld_bits(p[2])) >>
                            (64 - log2_of(size));
            while (table_[s] != 0) s = (s + 1) & table_mask_;
            table_[s] = v + 1;
        }
    }
}

void MeshBuilder::grow_table() {
    reserve(table_.empty() ? 32 : table_.size(), 0);
}

unsigned MeshBuilder::weld(const double* p) {
    const unsigned count = static_cast<unsigned>(finite_.size());
    if (opts_.weld) {
        if (2 * (count + 1) > table_.size()) grow_table();
        const std::uint64_t x = weld_bits(p[0]), y = weld_bits(p[1]), z = weld_bits(p[2]);
        std::size_t s = weld_hash(x, y, z) >> shift_;
        for (;; s = (s + 1) & table_mask_) {
            const unsigned e = table_[s];
            if (e == 0) {
                table_[s] = count + 1;
                break;
            }
            const double* q = vert(e - 1);
            if (weld_bits(q[0]) == x && weld_bits(q[1]) == y && weld_bits(q[2]) == z)
                return e - 1;
        }
    }
    fs_->createVertex(p);
    finite_.push_back(finite3(p) ? 1 : 0);
    return count;
}

void MeshBuilder::add_file_vertex(const double* p) {
    vmap_.push_back(weld(p));
}

unsigned MeshBuilder::add_normal(const double* n) {
    if (!opts_.keep_normals) return KELM_NONE;
    return fs_->createNormal(n);
}

void MeshBuilder::note_bad(unsigned polygon) {
    if (bad_++ == 0) first_bad_ = polygon;
}

void MeshBuilder::push_facet(unsigned a, unsigned b, unsigned c, unsigned na, unsigned nb,
                             unsigned nc) {
    KelmMeshFacet* f = fs_->createFacet(nullptr);
    f->vertex[0] = a;
    f->vertex[1] = b;
    f->vertex[2] = c;
    if (!opts_.keep_normals) return;
    f->normal[0] = na;
    f->normal[1] = nb;
    f->normal[2] = nc;
}

void MeshBuilder::add_polygon(const unsigned* file_vertices, const unsigned* normals, unsigned n,
                              unsigned polygon) {
    ++polygons_;
    scratch_.resize(2 * n);
    unsigned* verts = scratch_.data();
    unsigned* nrm = scratch_.data() + n;
    bool finite = true;
    for (unsigned i = 0; i < n; ++i) {
        verts[i] = vmap_[file_vertices[i]];
        nrm[i] = normals ? normals[i] : KELM_NONE;
        finite = finite && finite_[verts[i]];
    }
    if (!finite) {
        note_bad(polygon);
        if (!opts_.keep_bad) return;
    }
    if (n == 3) {
        push_facet(verts[0], verts[1], verts[2], nrm[0], nrm[1], nrm[2]);
        return;
    }
    ++split_;
    triangulate(verts, normals ? nrm : nullptr, n);
}

namespace {

inline std::uint32_t float_key(const unsigned char* p) {
    std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                      (static_cast<std::uint32_t>(p[2]) << 16) |
                      (static_cast<std::uint32_t>(p[3]) << 24);
    return u == 0x80000000u ? 0u : u;  // -0.0 is +0.0
}

inline std::uint64_t float_hash(const std::uint32_t* k) {
    std::uint64_t h = (static_cast<std::uint64_t>(k[0]) << 32 | k[1]) ^
                      (static_cast<std::uint64_t>(k[2]) * 0xC2B2AE3D27D4EB4Full);
    h ^= h >> 29;
    return h * 0x9E3779B97F4A7C15ull;
}

inline bool float_finite(std::uint32_t k) {
    return (k & 0x7F800000u) != 0x7F800000u;
}

inline double float_value(std::uint32_t k) {
    float f;
    std::memcpy(&f, &k, sizeof f);
    return f;
}

}  // namespace

void MeshBuilder::grow_float_table() {
    std::vector<FloatSlot> old;
    old.swap(ftable_);
    const std::size_t size = old.empty() ? 64 : 2 * old.size();
    ftable_.reserve(size);
    advise_huge_pages(ftable_.data(), sizeof(FloatSlot) * size);
    ftable_.assign(size, FloatSlot{0, 0, 0, 0});
    fshift_ = 64 - log2_of(size);
    const int shift = fshift_;
    for (const FloatSlot& e : old) {
        if (e.id == 0) continue;
        const std::uint32_t k[3] = {e.x, e.y, e.z};
        std::size_t s = float_hash(k) >> shift;
        while (ftable_[s].id != 0) s = (s + 1) & (size - 1);
        ftable_[s] = e;
    }
}

unsigned MeshBuilder::weld_float(const std::uint32_t* k, std::uint64_t hash) {
    const std::size_t mask = ftable_.size() - 1;
    std::size_t s = hash >> fshift_;
    for (;; s = (s + 1) & mask) {
        FloatSlot& e = ftable_[s];
        if (e.id == 0) break;
        if (e.x == k[0] && e.y == k[1] && e.z == k[2]) return e.id - 1;
    }
    const unsigned v = static_cast<unsigned>(finite_.size());
    ftable_[s] = FloatSlot{k[0], k[1], k[2], v + 1};
    ++fcount_;
    const double p[3] = {float_value(k[0]), float_value(k[1]), float_value(k[2])};
    fs_->createVertex(p);
    finite_.push_back(1);
    return v;
}

void MeshBuilder::add_stl_records(const unsigned char* records, std::size_t n, unsigned first) {
    if (!opts_.weld || opts_.keep_normals) {
        // The plain path: every corner its own vertex, or normals to keep.
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char* r = records + 50 * i;
            double v[12];
            for (int k = 0; k < 12; ++k) v[k] = float_value(float_key(r + 4 * k));
            add_triangle(v + 3, v, first + static_cast<unsigned>(i));
        }
        return;
    }
    if (ftable_.empty()) {
        // Sized for the vertices reserved (a closed surface: half the facet count)
        // to be at most three eighths full. In a file whose facets come in no
        // spatial order every lookup misses the caches, and a probe that runs onto
        // a line not fetched ahead waits for memory: at half full one lookup in ten
        // ended on another line than its first slot's, at a quarter full one in
        // twenty-five (a 2 000 000-facet torus).
        std::size_t size = 64;
        while (3 * size < 8 * static_cast<std::size_t>(fs_->rawverts().capacity())) size *= 2;
        ftable_.reserve(size);
        advise_huge_pages(ftable_.data(), sizeof(FloatSlot) * size);
        ftable_.assign(size, FloatSlot{0, 0, 0, 0});
        fshift_ = 64 - log2_of(size);
    }
    int shift = fshift_;
    // The table is too large for the caches and each lookup lands in a random place:
    // the slots of the corners a few records ahead are fetched while this one is welded,
    // each with the slot after it (a quarter of the slots end a cache line, and about
    // one lookup in seven goes on past its first slot).
    constexpr std::size_t kAhead = 8;
    // Always inlined: GCC takes a function that only prefetches for one without effect
    // and drops the calls.
    auto prefetch = [&](std::size_t i) KELM_MESHFILE_INLINE {
        const unsigned char* r = records + 50 * i + 12;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t k[3] = {float_key(r + 12 * c), float_key(r + 12 * c + 4),
                                        float_key(r + 12 * c + 8)};
            const std::size_t slot = float_hash(k) >> shift;
            KELM_MESHFILE_PREFETCH(&ftable_[slot]);
            KELM_MESHFILE_PREFETCH(&ftable_[(slot + 1) & (ftable_.size() - 1)]);
        }
    };
    for (std::size_t i = 0; i < kAhead && i < n; ++i) prefetch(i);
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) prefetch(i + kAhead);
        const unsigned char* r = records + 50 * i + 12;
        std::uint32_t k[9];
        bool finite = true;
        for (int j = 0; j < 9; ++j) {
            k[j] = float_key(r + 4 * j);
            finite = finite && float_finite(k[j]);
        }
        ++polygons_;
        stl_corners_ += 3;
        if (!finite) {
            note_bad(first + static_cast<unsigned>(i));
            if (!opts_.keep_bad) continue;
            // Kept: a corner that is not finite goes to the table of doubles, where
            // it joins others by its bits; finite corners stay in the float table.
            unsigned w[3];
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t* kc = k + 3 * c;
                if (4 * (fcount_ + 1) > 3 * ftable_.size()) {
                    grow_float_table();
                    shift = fshift_;
                }
                if (float_finite(kc[0]) && float_finite(kc[1]) && float_finite(kc[2])) {
                    w[c] = weld_float(kc, float_hash(kc));
                } else {
                    const double v[3] = {float_value(kc[0]), float_value(kc[1]),
                                         float_value(kc[2])};
                    w[c] = weld(v);
                }
            }
            push_facet(w[0], w[1], w[2], KELM_NONE, KELM_NONE, KELM_NONE);
            continue;
        }
        // Up to three quarters full: linear probing stays short and the table small.
        if (4 * (fcount_ + 3) > 3 * ftable_.size()) {
            grow_float_table();
            shift = fshift_;
        }
        const unsigned a = weld_float(k, float_hash(k));
        const unsigned b = weld_float(k + 3, float_hash(k + 3));
        const unsigned c = weld_float(k + 6, float_hash(k + 6));
        push_facet(a, b, c, KELM_NONE, KELM_NONE, KELM_NONE);
    }
}

void MeshBuilder::add_triangle(const double* corners, const double* normal, unsigned facet) {
    ++polygons_;
    stl_corners_ += 3;
    if (!(finite3(corners) && finite3(corners + 3) && finite3(corners + 6))) {
        note_bad(facet);
        if (!opts_.keep_bad) return;
    }
    const unsigned a = weld(corners), b = weld(corners + 3), c = weld(corners + 6);
    const unsigned nn = add_normal(normal);
    push_facet(a, b, c, nn, nn, nn);
}

// Ear clipping in the plane that best fits the polygon. The plane's normal is Newell's;
// the polygon is projected on the coordinate plane most nearly parallel to it, with
// the sign of the normal's largest component giving the polygon's turning sense there.
// An ear is a corner that turns that way and whose triangle holds no other remaining
// corner (on its boundary included). Starting each search at the corner after the
// previous ear makes a convex polygon come out as the fan from its first corner.
void MeshBuilder::triangulate(const unsigned* verts, const unsigned* normals, unsigned n) {
    auto emit = [&](unsigned i, unsigned j, unsigned k) {
        push_facet(verts[i], verts[j], verts[k], normals ? normals[i] : KELM_NONE,
                   normals ? normals[j] : KELM_NONE, normals ? normals[k] : KELM_NONE);
    };
    double nv[3] = {0.0, 0.0, 0.0};
    for (unsigned i = 0; i < n; ++i) {
        const double* a = vert(verts[i]);
        const double* b = vert(verts[(i + 1) % n]);
        nv[0] += (a[1] - b[1]) * (a[2] + b[2]);
        nv[1] += (a[2] - b[2]) * (a[0] + b[0]);
        nv[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    const double ax = std::fabs(nv[0]), ay = std::fabs(nv[1]), az = std::fabs(nv[2]);
    const int drop = (ax >= ay && ax >= az) ? 0 : (ay >= az ? 1 : 2);
    const double sense = nv[drop] > 0 ? 1.0 : -1.0;
    std::vector<unsigned> rem(n);
    for (unsigned i = 0; i < n; ++i) rem[i] = i;
    const bool clip = n <= kMaxEarClipCorners && std::isfinite(nv[drop]) && nv[drop] != 0.0;
    if (clip) {
        const int u = (drop + 1) % 3, w = (drop + 2) % 3;
        std::vector<double> pt(2 * n);
        for (unsigned i = 0; i < n; ++i) {
            pt[2 * i] = vert(verts[i])[u];
            pt[2 * i + 1] = vert(verts[i])[w];
        }
        auto is_ear = [&](unsigned m, unsigned pos) {
            const unsigned p = rem[(pos + m - 1) % m], c = rem[pos], q = rem[(pos + 1) % m];
            const double *P = &pt[2 * p], *C = &pt[2 * c], *Q = &pt[2 * q];
            if (sense * orient2d(P, C, Q) <= 0) return false;
            for (unsigned k = 0; k < m; ++k) {
                const unsigned r = rem[k];
                if (r == p || r == c || r == q) continue;
                if (verts[r] == verts[p] || verts[r] == verts[c] || verts[r] == verts[q]) continue;
                const double* R = &pt[2 * r];
                if (sense * orient2d(P, C, R) >= 0 && sense * orient2d(C, Q, R) >= 0 &&
                    sense * orient2d(Q, P, R) >= 0)
                    return false;
            }
            return true;
        };
        unsigned m = n, pos = 1;
        while (m > 3) {
            bool cut = false;
            for (unsigned k = 0; k < m && !cut; ++k) {
                const unsigned at = (pos + k) % m;
                if (!is_ear(m, at)) continue;
                emit(rem[(at + m - 1) % m], rem[at], rem[(at + 1) % m]);
                rem.erase(rem.begin() + at);
                --m;
                pos = at % m;
                cut = true;
            }
            if (!cut) break;  // no ear: the rest as a fan
        }
        rem.resize(m);
    }
    for (unsigned j = 1; j + 1 < rem.size(); ++j) emit(rem[0], rem[j], rem[j + 1]);
}

// Joins each vertex to the first-met vertex within the tolerance, found through a grid
// of cells as wide as the tolerance (a match lies in one of the 27 cells around).
void MeshBuilder::tolerance_weld() {
    const unsigned nv = static_cast<unsigned>(finite_.size());
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (unsigned v = 0; v < nv; ++v) {
        if (!finite_[v]) continue;
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::fmin(lo[k], vert(v)[k]);
            hi[k] = std::fmax(hi[k], vert(v)[k]);
        }
    }
    const double diag = std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) +
                                  (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                                  (hi[2] - lo[2]) * (hi[2] - lo[2]));
    const double tol = opts_.weld_tolerance * diag;
    if (!(tol > 0.0) || !std::isfinite(tol)) return;
    std::unordered_map<std::uint64_t, std::vector<unsigned>> cells;
    auto cell_of = [&](const double* p, int k) {
        return static_cast<long long>(std::floor((p[k] - lo[k]) / tol));
    };
    auto key = [](long long x, long long y, long long z) {
        return (static_cast<std::uint64_t>(x & 0x1FFFFF) << 42) |
               (static_cast<std::uint64_t>(y & 0x1FFFFF) << 21) |
               static_cast<std::uint64_t>(z & 0x1FFFFF);
    };
    // to[v]: the surviving vertex v joins, numbered again in first-met order.
    std::vector<unsigned> to(nv), renumber(nv, KELM_NONE);
    KelmReal3DArray kept;
    std::vector<unsigned char> kept_finite;
    for (unsigned v = 0; v < nv; ++v) {
        const double* p = vert(v);
        unsigned found = KELM_NONE;
        if (finite_[v]) {
            const long long cx = cell_of(p, 0), cy = cell_of(p, 1), cz = cell_of(p, 2);
            for (long long dx = -1; dx <= 1; ++dx)
                for (long long dy = -1; dy <= 1; ++dy)
                    for (long long dz = -1; dz <= 1; ++dz) {
                        auto it = cells.find(key(cx + dx, cy + dy, cz + dz));
                        if (it == cells.end()) continue;
                        for (unsigned r : it->second) {
                            const double* q = vert(r);
                            const double d0 = p[0] - q[0], d1 = p[1] - q[1], d2 = p[2] - q[2];
                            if (d0 * d0 + d1 * d1 + d2 * d2 <= tol * tol && r < found) found = r;
                        }
                    }
            if (found == KELM_NONE) cells[key(cx, cy, cz)].push_back(v);
        }
        if (found == KELM_NONE) {
            renumber[v] = kept.size();
            kept.append(p);
            kept_finite.push_back(finite_[v]);
        }
        to[v] = renumber[found == KELM_NONE ? v : found];
    }
    FacetSetAccess::replace_vertices(*fs_, kept);
    for (unsigned f = 0; f < fs_->getFacetCount(); ++f) {
        KelmMeshFacet* facet = fs_->getFacet(f);
        for (unsigned k = 0; k < 3; ++k) facet->vertex[k] = to[facet->vertex[k]];
    }
    for (unsigned& m : vmap_) m = to[m];
    finite_.swap(kept_finite);
}

int MeshBuilder::finish(KelmMeshReadInfo* info) {
    if (bad_ > 0) {
        kelm_ec()->warning("%s: %u facet%s with coordinates that are not finite %s (the first is "
                           "facet %u)",
                           name_, bad_, bad_ == 1 ? "" : "s", opts_.keep_bad ? "kept" : "dropped",
                           first_bad_);
    }
    if (fs_->getFacetCount() == 0) return file_error(name_, "holds no facets");
    if (opts_.weld && opts_.weld_tolerance > 0.0) tolerance_weld();
    if (info) {
        info->file_vertices = stl_corners_ ? stl_corners_ : file_vertex_count();
        info->file_facets = polygons_;
        info->bad_facets = bad_;
        info->split_polygons = split_;
    }
    return 1;
}

// ---- text cursor ----------------------------------------------------------------------

namespace {
inline bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
}  // namespace

bool TextCursor::real(double* out) {
    const char* q = p;
    if (q < end && *q == '+') ++q;
    const std::from_chars_result r = std::from_chars(q, end, *out);
    if (r.ec == std::errc::result_out_of_range) {
        // A number beyond the double range reads as an infinity or zero, as strtod gives.
        const char* s = q;
        *out = std::strtod(std::string(s, static_cast<std::size_t>(r.ptr - s)).c_str(), nullptr);
    } else if (r.ec != std::errc()) {
        return false;
    }
    if (r.ptr < end && !is_space(*r.ptr)) return false;
    p = r.ptr;
    return true;
}

bool TextCursor::uint(unsigned* out) {
    const std::from_chars_result r = std::from_chars(p, end, *out);
    if (r.ec != std::errc() || (r.ptr < end && !is_space(*r.ptr))) return false;
    p = r.ptr;
    return true;
}

bool TextCursor::int64(long long* out) {
    const std::from_chars_result r = std::from_chars(p, end, *out);
    if (r.ec != std::errc()) return false;
    p = r.ptr;
    return true;
}

bool TextCursor::keyword(const char* word) {
    const std::size_t n = std::strlen(word);
    if (token_length() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = p[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    p += n;
    return true;
}

std::string TextCursor::shown() const {
    if (p >= end) return "end of file";
    std::size_t n = token_length();
    if (n == 0) return "end of line";
    std::string s = "\"" + std::string(p, n < 24 ? n : 24) + (n > 24 ? "...\"" : "\"");
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    return s;
}

// ---- output ---------------------------------------------------------------------------

void FileOut::put(const char* s) {
    put(s, std::strlen(s));
}

void FileOut::real(double v) {
    char text[kNumberRoom];
    put(text, static_cast<std::size_t>(format_real(text, v, 17) - text));
}

void FileOut::uint(unsigned v) {
    char text[kNumberRoom];
    put(text, static_cast<std::size_t>(format_uint(text, v) - text));
}

}  // namespace kelm_internal

// ---- formats ------------------------------------------------------------------------------

namespace {

using kelm_internal::file_error;

bool starts_with_nocase(const char* p, const char* end, const char* word) {
    for (; *word; ++word, ++p) {
        if (p >= end) return false;
        char c = *p;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *word) return false;
    }
    return true;
}

bool is_obj_statement(const char* p, std::size_t n) {
    static const char* const kNames[] = {"v",      "vt",     "vn", "vp", "f", "l",      "p",
                                         "o",      "g",      "s",  "mg", "usemtl", "mtllib",
                                         "curv",   "surf",   "cstype", "deg", "bmat", "step"};
    for (const char* name : kNames)
        if (std::strlen(name) == n && std::memcmp(name, p, n) == 0) return true;
    return false;
}

const KelmMeshReadOptions kDefaultOptions;

// The end of every read: the mesh handed to fs, or fs and info emptied after a failure.
int finish_read(KelmMeshFacetSet* fs, kelm_internal::MeshBuilder& builder, int ok,
                KelmMeshReadInfo* info) {
    if (ok && builder.finish(info)) return 1;
    fs->clear();
    if (info) {
        const KelmMeshFileFormat found = info->format;
        *info = KelmMeshReadInfo();
        info->format = found;
    }
    return 0;
}

}  // namespace

KelmMeshFileFormat kelm_mesh_file_detect(const void* data, std::size_t size,
                                         unsigned long long file_size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (size >= 84 && file_size >= 84) {
        const unsigned long long n = bytes[80] | (bytes[81] << 8) | (bytes[82] << 16) |
                                     (static_cast<unsigned long long>(bytes[83]) << 24);
        if (84 + 50 * n == file_size) return kelm_mesh_file_stl_binary;
    }
    const char* p = static_cast<const char*>(data);
    const char* end = p + size;
    if (size >= 3 && std::memcmp(p, "ply", 3) == 0 && (size == 3 || p[3] == '\n' || p[3] == '\r')) {
        const char* f = p;
        while (f + 7 < end && std::memcmp(f, "format ", 7) != 0) ++f;
        if (f + 7 < end) {
            f += 7;
            while (f < end && *f == ' ') ++f;
            if (starts_with_nocase(f, end, "binary_little_endian")) return kelm_mesh_file_ply_binary_le;
            if (starts_with_nocase(f, end, "binary_big_endian")) return kelm_mesh_file_ply_binary_be;
        }
        return kelm_mesh_file_ply_ascii;
    }
    // Text formats: the first word after white space and comment lines.
    kelm_internal::TextCursor c{p, end};
    for (;;) {
        c.skip_space();
        if (c.at_end() || *c.p != '#') break;
        c.next_line();
    }
    const std::size_t n = c.token_length();
    if (n >= 3 && std::memcmp(c.p + n - 3, "OFF", 3) == 0 && n <= 6) return kelm_mesh_file_off;
    if (starts_with_nocase(c.p, end, "solid") && (n == 5)) return kelm_mesh_file_stl_ascii;
    if (n > 0 && is_obj_statement(c.p, n)) return kelm_mesh_file_obj;
    // Binary data that is no known text: a binary STL whose size does not fit its count,
    // which its reader reports.
    if (size >= 84) {
        for (std::size_t i = 0; i < size && i < 512; ++i)
            if (bytes[i] == 0 || bytes[i] > 127) return kelm_mesh_file_stl_binary;
    }
    if (starts_with_nocase(c.p, end, "solid")) return kelm_mesh_file_stl_ascii;
    return kelm_mesh_file_unknown;
}

const char* kelm_mesh_file_format_name(KelmMeshFileFormat format) {
    switch (format) {
        case kelm_mesh_file_stl_binary:
            return "binary STL";
        case kelm_mesh_file_stl_ascii:
            return "ASCII STL";
        case kelm_mesh_file_obj:
            return "OBJ";
        case kelm_mesh_file_ply_ascii:
            return "ASCII PLY";
        case kelm_mesh_file_ply_binary_le:
            return "binary little-endian PLY";
        case kelm_mesh_file_ply_binary_be:
            return "binary big-endian PLY";
        case kelm_mesh_file_off:
            return "OFF";
        default:
            return "unknown";
    }
}

KelmMeshFileFormat kelm_mesh_file_format_of_name(const char* name) {
    if (!name) return kelm_mesh_file_unknown;
    const char* dot = std::strrchr(name, '.');
    if (!dot) return kelm_mesh_file_unknown;
    if (kelm_strcasecmp(dot, ".stl") == 0) return kelm_mesh_file_stl_binary;
    if (kelm_strcasecmp(dot, ".obj") == 0) return kelm_mesh_file_obj;
    if (kelm_strcasecmp(dot, ".ply") == 0) return kelm_mesh_file_ply_binary_le;
    if (kelm_strcasecmp(dot, ".off") == 0) return kelm_mesh_file_off;
    return kelm_mesh_file_unknown;
}

int kelm_mesh_mem_read(KelmMeshFacetSet* fs, const void* data, std::size_t size,
                       const char* name, const KelmMeshReadOptions* opts, KelmMeshReadInfo* info) {
    if (info) *info = KelmMeshReadInfo();
    if (!fs) return 0;
    fs->clear();
    if (!opts) opts = &kDefaultOptions;
    if (!name) name = "(memory)";
    if (size == 0 || !data) return file_error(name, "is empty");
    KelmMeshFileFormat format = opts->format;
    if (format == kelm_mesh_file_unknown) format = kelm_mesh_file_detect(data, size, size);
    if (info) info->format = format;
    kelm_internal::MeshBuilder builder(*opts, name, fs);
    const char* text = static_cast<const char*>(data);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    int ok = 0;
    switch (format) {
        case kelm_mesh_file_stl_binary:
            ok = kelm_internal::read_stl_binary(builder, bytes, size);
            break;
        case kelm_mesh_file_stl_ascii:
            ok = kelm_internal::read_stl_ascii(builder, text, size);
            break;
        case kelm_mesh_file_obj:
            ok = kelm_internal::read_obj(builder, text, size);
            break;
        case kelm_mesh_file_ply_ascii:
        case kelm_mesh_file_ply_binary_le:
        case kelm_mesh_file_ply_binary_be:
            ok = kelm_internal::read_ply(builder, bytes, size);
            break;
        case kelm_mesh_file_off:
            ok = kelm_internal::read_off(builder, text, size);
            break;
        default:
            return file_error(name, "is not a mesh file of a known format");
    }
    return finish_read(fs, builder, ok, info);
}

int kelm_mesh_file_read(KelmMeshFacetSet* fs, FILE* fp, const char* name,
                        const KelmMeshReadOptions* opts, KelmMeshReadInfo* info) {
    if (info) *info = KelmMeshReadInfo();
    if (!fs) return 0;
    fs->clear();
    if (!fp) return 0;
    if (!name) name = "(stream)";
    if (!opts) opts = &kDefaultOptions;
    // The size tells a binary STL apart and bounds its count; such a file is read in
    // pieces straight into the builder. Every other file is read into memory whole.
    unsigned char head[512];
    const std::size_t got = std::fread(head, 1, sizeof head, fp);
    const long start = std::ftell(fp) - static_cast<long>(got);
    long end = -1;
    if (start >= 0 && std::fseek(fp, 0, SEEK_END) == 0) end = std::ftell(fp);
    if (end >= start && start >= 0 && got > 0) {
        const unsigned long long size = static_cast<unsigned long long>(end - start);
        KelmMeshFileFormat format = opts->format;
        if (format == kelm_mesh_file_unknown) format = kelm_mesh_file_detect(head, got, size);
        if (format == kelm_mesh_file_stl_binary && std::fseek(fp, start + 84, SEEK_SET) == 0) {
            if (info) info->format = format;
            kelm_internal::MeshBuilder builder(*opts, name, fs);
            const int ok = kelm_internal::read_stl_binary(builder, fp, head, size);
            return finish_read(fs, builder, ok, info);
        }
    }
    std::string data(reinterpret_cast<const char*>(head), got);
    if (end >= 0 && std::fseek(fp, start + static_cast<long>(got), SEEK_SET) != 0)
        return file_error(name, "cannot be read");
    if (end > start) data.reserve(static_cast<std::size_t>(end - start));
    std::unique_ptr<char[]> chunk(new char[1 << 16]);
    for (;;) {
        const std::size_t n = std::fread(chunk.get(), 1, 1 << 16, fp);
        data.append(chunk.get(), n);
        if (n < (1u << 16)) break;
    }
    if (std::ferror(fp)) return file_error(name, "cannot be read");
    return kelm_mesh_mem_read(fs, data.data(), data.size(), name, opts, info);
}

int kelm_mesh_file_read(KelmMeshFacetSet* fs, const char* name, const KelmMeshReadOptions* opts,
                        KelmMeshReadInfo* info) {
    if (info) *info = KelmMeshReadInfo();
    if (!fs) return 0;
    FILE* fp = kelm_fopen(name, "rb");
    if (!fp) {
        fs->clear();
        return file_error(name, "cannot be opened");
    }
    const int ok = kelm_mesh_file_read(fs, fp, name, opts, info);
    std::fclose(fp);
    return ok;
}

int kelm_mesh_file_read(KelmMeshFacetSet* fs, const char* name, const KelmMeshReadOptions* opts) {
    return kelm_mesh_file_read(fs, name, opts, nullptr);
}

int kelm_mesh_file_write(const KelmMeshFacetSet* fs, FILE* fp, const char* name,
                         KelmMeshFileFormat format) {
    if (!fs || !fp) return 0;
    if (!name) name = "(stream)";
    // A corner beyond the lists would be read past their end.
    const unsigned nv = fs->getVertexCount(), nn = fs->getNormalCount(), nf = fs->getFacetCount();
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        for (unsigned k = 0; facet && k < 3; ++k) {
            if (facet->vertex[k] >= nv)
                return file_error(name, "facet %u names vertex %u, the set has %u", f,
                                  facet->vertex[k], nv);
            if (facet->normal[k] != KELM_NONE && facet->normal[k] >= nn)
                return file_error(name, "facet %u names normal %u, the set has %u", f,
                                  facet->normal[k], nn);
        }
    }
    int ok = 0;
    switch (format) {
        case kelm_mesh_file_unknown:
        case kelm_mesh_file_stl_binary:
            ok = kelm_internal::write_stl_binary(fs, fp);
            break;
        case kelm_mesh_file_stl_ascii:
            ok = kelm_internal::write_stl_ascii(fs, fp);
            break;
        case kelm_mesh_file_obj:
            ok = kelm_internal::write_obj(fs, fp);
            break;
        case kelm_mesh_file_ply_binary_le:
            ok = kelm_internal::write_ply(fs, fp, true);
            break;
        case kelm_mesh_file_ply_ascii:
            ok = kelm_internal::write_ply(fs, fp, false);
            break;
        case kelm_mesh_file_off:
            ok = kelm_internal::write_off(fs, fp);
            break;
        default:
            return file_error(name, "cannot be written as %s", kelm_mesh_file_format_name(format));
    }
    if (!ok) return file_error(name, "cannot be written");
    return 1;
}

int kelm_mesh_file_write(const KelmMeshFacetSet* fs, const char* name, KelmMeshFileFormat format) {
    if (!fs) return 0;
    FILE* fp = kelm_fopen(name, "wb");
    if (!fp) return file_error(name, "cannot be opened for writing");
    int ok = kelm_mesh_file_write(fs, fp, name, format);
    if (std::fclose(fp) != 0 && ok) ok = file_error(name, "cannot be written");
    return ok;
}
