// STL, binary and ASCII: reading into the mesh builder, writing from a facet set.

#include <cstring>
#include <vector>

#include "kelmmath/meshio/meshfile.h"
#include "meshio/internal_meshfile.h"

namespace kelm_internal {

namespace {

constexpr std::size_t kHeader = 84;  // 80 bytes of header text, then the facet count
constexpr std::size_t kRecord = 50;  // normal, three corners (12 floats), attribute word

inline void put_le32(unsigned char* p, std::uint32_t u) {
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}

inline void put_le_float(unsigned char* p, double v) {
    const float f = static_cast<float>(v);
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    put_le32(p, u);
}

int expected(MeshBuilder& b, const TextCursor& c, const char* what) {
    return file_error(b.name(), "line %zu: expected %s, found %s", c.line, what,
                      c.shown().c_str());
}

// "keyword" after white space, or a report.
bool expect_word(MeshBuilder& b, TextCursor& c, const char* word, const char* shown) {
    c.skip_space();
    if (c.keyword(word)) return true;
    expected(b, c, shown);
    return false;
}

bool read_reals(MeshBuilder& b, TextCursor& c, double* out) {
    for (int k = 0; k < 3; ++k) {
        c.skip_space();
        if (!c.real(out + k)) {
            expected(b, c, "a number");
            return false;
        }
    }
    return true;
}

}  // namespace

// The count is checked against the size before anything is reserved from it.
int check_stl_binary_size(const char* name, const unsigned char* header, unsigned long long size,
                          std::uint32_t* count) {
    if (size < kHeader)
        return file_error(name, "is too short for a binary STL: %llu bytes, fewer than the 84 of "
                          "its header", size);
    const std::uint32_t n = static_cast<std::uint32_t>(header[80]) |
                            (static_cast<std::uint32_t>(header[81]) << 8) |
                            (static_cast<std::uint32_t>(header[82]) << 16) |
                            (static_cast<std::uint32_t>(header[83]) << 24);
    const unsigned long long room = (size - kHeader) / kRecord;
    if (room < n)
        return file_error(name, "facet %llu at byte %llu: truncated: the header gives %u facets, "
                          "the file holds %llu bytes",
                          room, kHeader + room * kRecord, n, size);
    if (size != kHeader + n * static_cast<unsigned long long>(kRecord))
        return file_error(name, "byte %llu: %llu bytes after the last of %u facets",
                          kHeader + n * static_cast<unsigned long long>(kRecord),
                          size - kHeader - n * static_cast<unsigned long long>(kRecord), n);
    *count = n;
    return 1;
}

int read_stl_binary(MeshBuilder& b, const unsigned char* data, std::size_t size) {
    std::uint32_t count = 0;
    if (!check_stl_binary_size(b.name(), data, size, &count)) return 0;
    // A closed surface has about half as many vertices as facets.
    b.reserve(count / 2 + 16, count);
    b.add_stl_records(data + kHeader, count, 0);
    return 1;
}

int read_stl_binary(MeshBuilder& b, FILE* fp, const unsigned char* header,
                    unsigned long long size) {
    std::uint32_t count = 0;
    if (!check_stl_binary_size(b.name(), header, size, &count)) return 0;
    b.reserve(count / 2 + 16, count);
    constexpr std::size_t kChunk = 1 << 14;  // records read at a time
    std::vector<unsigned char> chunk(kChunk * kRecord);
    for (std::uint32_t done = 0; done < count;) {
        const std::size_t n = count - done < kChunk ? count - done : kChunk;
        const std::size_t got = std::fread(chunk.data(), kRecord, n, fp);
        b.add_stl_records(chunk.data(), got, done);
        done += static_cast<std::uint32_t>(got);
        if (got < n)
            return file_error(b.name(), "facet %u at byte %llu: truncated while it was read",
                              done, kHeader + static_cast<unsigned long long>(done) * kRecord);
    }
    return 1;
}

int read_stl_ascii(MeshBuilder& b, const char* data, std::size_t size) {
    TextCursor c{data, data + size};
    c.skip_space();
    if (!c.keyword("solid")) return expected(b, c, "\"solid\"");
    c.next_line();
    unsigned facet = 0;
    for (;;) {
        c.skip_space();
        if (c.at_end()) return file_error(b.name(), "line %zu: the file ends before \"endsolid\"",
                                          c.line);
        if (c.keyword("endsolid")) {
            c.next_line();
            c.skip_space();
            if (c.at_end()) return 1;
            if (!c.keyword("solid")) return expected(b, c, "\"solid\" or the end of the file");
            c.next_line();
            continue;
        }
        if (!c.keyword("facet")) return expected(b, c, "\"facet\" or \"endsolid\"");
        double normal[3], corners[9];
        if (!expect_word(b, c, "normal", "\"normal\"") || !read_reals(b, c, normal) ||
            !expect_word(b, c, "outer", "\"outer\"") || !expect_word(b, c, "loop", "\"loop\""))
            return 0;
        for (int k = 0; k < 3; ++k)
            if (!expect_word(b, c, "vertex", "\"vertex\"") || !read_reals(b, c, corners + 3 * k))
                return 0;
        if (!expect_word(b, c, "endloop", "\"endloop\"") ||
            !expect_word(b, c, "endfacet", "\"endfacet\""))
            return 0;
        b.add_triangle(corners, normal, facet++);
    }
}

int write_stl_binary(const KelmMeshFacetSet* fs, FILE* fp) {
    unsigned char header[kHeader];
    std::memset(header, ' ', 80);
    static const char kTitle[] = "binary STL written by kelmmath";
    std::memcpy(header, kTitle, sizeof kTitle - 1);
    unsigned count = 0;
    const unsigned nf = fs->getFacetCount();
    for (unsigned f = 0; f < nf; ++f)
        if (fs->getFacet(f)) ++count;
    put_le32(header + 80, count);
    FileOut out(fp);
    out.put(reinterpret_cast<const char*>(header), kHeader);
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        unsigned char rec[kRecord];
        double n[3];
        fs->getFacetNormal(n, facet);
        for (int k = 0; k < 3; ++k) put_le_float(rec + 4 * k, n[k]);
        for (int c = 0; c < 3; ++c) {
            double p[3];
            fs->getVertex(p, facet->vertex[c]);
            for (int k = 0; k < 3; ++k) put_le_float(rec + 12 + 12 * c + 4 * k, p[k]);
        }
        rec[48] = rec[49] = 0;
        out.put(reinterpret_cast<const char*>(rec), kRecord);
    }
    return out.ok() ? 1 : 0;
}

int write_stl_ascii(const KelmMeshFacetSet* fs, FILE* fp) {
    FileOut out(fp);
    out.put("solid kelmmath\n");
    const unsigned nf = fs->getFacetCount();
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        double n[3];
        fs->getFacetNormal(n, facet);
        out.reals_line("facet normal ", n);
        out.put(" outer loop\n");
        for (int c = 0; c < 3; ++c) {
            double p[3];
            fs->getVertex(p, facet->vertex[c]);
            out.reals_line("  vertex ", p);
        }
        out.put(" endloop\nendfacet\n");
    }
    out.put("endsolid kelmmath\n");
    return out.ok() ? 1 : 0;
}

}  // namespace kelm_internal
