#ifndef KELMMATH_MESHIO_INTERNAL_MESHFILE_H
#define KELMMATH_MESHIO_INTERNAL_MESHFILE_H

// Shared internals of the mesh file readers and writers: the mesh builder that welds
// vertices and cuts polygons into triangles, a text cursor for the text formats, and
// the per-format entry points.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "kelmmath/meshio/meshfile.h"

// A hint to fetch the memory at p, and a mark that keeps a function that only gives
// such hints inlined (GCC drops calls to functions it finds without effect).
#if defined(__GNUC__)
#define KELM_MESHFILE_PREFETCH(p) __builtin_prefetch(p)
#define KELM_MESHFILE_INLINE __attribute__((always_inline))
#else
#define KELM_MESHFILE_PREFETCH(p) ((void)(p))
#define KELM_MESHFILE_INLINE
#endif

namespace kelm_internal {

// Reports "<name>: <text>" through kelm_ec()->error; always returns 0.
int file_error(const char* name, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Builds the mesh of one file straight into a facet set (which must start empty):
// vertices welded as they arrive, facets (triangles) in order, optional normals.
class MeshBuilder {
public:
    MeshBuilder(const KelmMeshReadOptions& opts, const char* name, KelmMeshFacetSet* fs);

    // Room for about n vertices (after welding) and m facets.
    void reserve(std::size_t vertices, std::size_t facets);

    // A vertex of an indexed format: welded unless weld is off; its welded number is
    // remembered as file vertex number file_vertex_count()-1.
    void add_file_vertex(const double* p);
    unsigned file_vertex_count() const { return static_cast<unsigned>(vmap_.size()); }

    // A normal of the file (kept only when keep_normals is set); returns its number.
    unsigned add_normal(const double* n);

    // A polygon over file vertex numbers (checked by the caller), with optional
    // normal numbers (null: none; KELM_NONE entries allowed). polygon is the polygon's
    // number in the file, for the report of coordinates that are not finite.
    void add_polygon(const unsigned* file_vertices, const unsigned* normals, unsigned n,
                     unsigned polygon);

    // A triangle of STL: three corners (nine doubles) and the stored facet normal.
    void add_triangle(const double* corners, const double* normal, unsigned facet);

    // n records of a binary STL (50 bytes each: normal, three corners, attribute),
    // the first of them facet number first. Welds on the floats' bits, which gives
    // the same vertices as welding their exact double values.
    void add_stl_records(const unsigned char* records, std::size_t n, unsigned first);

    // Reports the warning about coordinates that are not finite, runs the tolerance
    // weld, fills info; 0 when there is no facet at all.
    int finish(KelmMeshReadInfo* info);

    const char* name() const { return name_; }
    unsigned polygons() const { return polygons_; }

private:
    unsigned weld(const double* p);
    unsigned weld_float(const std::uint32_t* key, std::uint64_t hash);
    void grow_table();
    void grow_float_table();
    void push_facet(unsigned a, unsigned b, unsigned c, unsigned na, unsigned nb, unsigned nc);
    void triangulate(const unsigned* verts, const unsigned* normals, unsigned n);
    void note_bad(unsigned polygon);
    void tolerance_weld();

    const double* vert(unsigned v) const { return fs_->rawverts().get(v); }

    KelmMeshReadOptions opts_;
    const char* name_;
    KelmMeshFacetSet* fs_;
    std::vector<unsigned> vmap_;     // file vertex -> welded vertex
    std::vector<unsigned> table_;    // weld hash: welded vertex + 1, 0 = empty
    std::size_t table_mask_ = 0;
    int shift_ = 64;
    struct FloatSlot {
        std::uint32_t x, y, z;  // the bits of the three floats, -0.0 made +0.0
        std::uint32_t id;       // welded vertex + 1; 0: empty
    };
    std::vector<FloatSlot> ftable_;  // weld hash of binary STL
    std::size_t fcount_ = 0;
    int fshift_ = 64;
    std::vector<unsigned char> finite_;  // per welded vertex
    std::vector<unsigned> scratch_;
    unsigned polygons_ = 0;
    unsigned split_ = 0;
    unsigned bad_ = 0;
    unsigned first_bad_ = 0;
    unsigned stl_corners_ = 0;
};

// A cursor over the text of a text format, counting lines for the messages.
struct TextCursor {
    const char* p;
    const char* end;
    std::size_t line = 1;

    bool at_end() const { return p >= end; }
    // Skips blanks and tabs (and carriage returns), not line breaks.
    void skip_blanks() {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\f' || *p == '\v')) ++p;
    }
    // Skips all white space, counting line breaks.
    void skip_space() {
        for (; p < end; ++p) {
            if (*p == '\n')
                ++line;
            else if (!(*p == ' ' || *p == '\t' || *p == '\r' || *p == '\f' || *p == '\v'))
                break;
        }
    }
    // Moves past the next line break.
    void next_line() {
        while (p < end && *p != '\n') ++p;
        if (p < end) {
            ++p;
            ++line;
        }
    }
    bool at_line_end() const { return p >= end || *p == '\n' || *p == '#'; }
    // The next token (up to white space); empty at the end.
    std::size_t token_length() const {
        const char* q = p;
        while (q < end && !(*q == ' ' || *q == '\t' || *q == '\r' || *q == '\n' || *q == '\f' ||
                            *q == '\v'))
            ++q;
        return static_cast<std::size_t>(q - p);
    }
    // Reads a real (an optional '+' first); false when none is there.
    bool real(double* out);
    // Reads a non-negative integer that fits in 32 bits; false otherwise.
    bool uint(unsigned* out);
    // Reads an integer of at most 64 bits with an optional sign.
    bool int64(long long* out);
    // Whether the next token is word, ignoring ASCII case; moves past it when it is.
    bool keyword(const char* word);
    // Up to 24 characters of the next token, for messages ("end of file" at the end).
    std::string shown() const;
};

// Per-format readers over a whole file in memory; each reports and returns 0 on bad
// input.
int read_stl_binary(MeshBuilder& b, const unsigned char* data, std::size_t size);
// The same from a stream whose first 84 bytes (header) are read; size is the file's.
int read_stl_binary(MeshBuilder& b, FILE* fp, const unsigned char* header,
                    unsigned long long size);
int read_stl_ascii(MeshBuilder& b, const char* data, std::size_t size);
int read_obj(MeshBuilder& b, const char* data, std::size_t size);
int read_ply(MeshBuilder& b, const unsigned char* data, std::size_t size);
int read_off(MeshBuilder& b, const char* data, std::size_t size);

// Per-format writers; each returns 0 after a write error (reported by the caller).
int write_stl_binary(const KelmMeshFacetSet* fs, FILE* fp);
int write_stl_ascii(const KelmMeshFacetSet* fs, FILE* fp);
int write_obj(const KelmMeshFacetSet* fs, FILE* fp);
int write_ply(const KelmMeshFacetSet* fs, FILE* fp, bool binary);
int write_off(const KelmMeshFacetSet* fs, FILE* fp);

// A buffered writer of text and bytes to a FILE*.
class FileOut {
public:
    explicit FileOut(FILE* fp) : fp_(fp) { buf_.reserve(kSize + 256); }
    ~FileOut() { flush(); }
    void put(const char* s, std::size_t n) {
        buf_.append(s, n);
        if (buf_.size() >= kSize) flush();
    }
    void put(const char* s);
    void real(double v);   // "%.17g"
    void uint(unsigned v);
    void ch(char c) { buf_.push_back(c); }
    // One text line: prefix, then three values separated by spaces, then a newline.
    void reals_line(const char* prefix, const double* v) {
        put(prefix);
        for (int k = 0; k < 3; ++k) {
            real(v[k]);
            ch(k < 2 ? ' ' : '\n');
        }
    }
    void triangle_line(const unsigned* v) {  // "3 a b c\n", the OFF and PLY facet line
        ch('3');
        for (int k = 0; k < 3; ++k) {
            ch(' ');
            uint(v[k]);
        }
        ch('\n');
    }
    bool flush() {
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), fp_) != buf_.size())
            ok_ = false;
        buf_.clear();
        return ok_;
    }
    bool ok() { return flush() && !std::ferror(fp_); }

private:
    static constexpr std::size_t kSize = 1 << 16;
    FILE* fp_;
    std::string buf_;
    bool ok_ = true;
};

}  // namespace kelm_internal

#endif  // KELMMATH_MESHIO_INTERNAL_MESHFILE_H
