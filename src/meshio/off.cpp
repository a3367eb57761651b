// OFF: the header word, the counts, vertices and polygon faces; reading into the mesh
// builder and writing from a facet set.

#include <cstring>
#include <vector>

#include "kelmmath/meshio/meshfile.h"
#include "meshio/internal_meshfile.h"

namespace kelm_internal {

namespace {

// White space and comments (from # to the end of the line).
void skip_space_and_comments(TextCursor& c) {
    for (;;) {
        c.skip_space();
        if (c.at_end() || *c.p != '#') return;
        c.next_line();
    }
}

int off_error(MeshBuilder& b, const TextCursor& c, const char* what) {
    return file_error(b.name(), "line %zu: expected %s, found %s", c.line, what,
                      c.shown().c_str());
}

}  // namespace

int read_off(MeshBuilder& b, const char* data, std::size_t size) {
    TextCursor c{data, data + size};
    skip_space_and_comments(c);
    const std::size_t n = c.token_length();
    if (n < 3 || std::memcmp(c.p + n - 3, "OFF", 3) != 0)
        return off_error(b, c, "the header \"OFF\"");
    // Prefixes: C colours, N normals, ST texture coordinates (all ignored after x y z);
    // 4 and n change the dimension, which this reader does not take.
    for (std::size_t i = 0; i + 3 < n; ++i)
        if (c.p[i] == '4' || c.p[i] == 'n')
            return file_error(b.name(), "line %zu: \"%.*s\" meshes are not three-dimensional",
                              c.line, static_cast<int>(n), c.p);
    c.p += n;
    c.skip_blanks();
    if (c.keyword("BINARY")) return file_error(b.name(), "line %zu: binary OFF is not read", c.line);
    unsigned nv = 0, nf = 0, ne = 0;
    skip_space_and_comments(c);
    if (!c.uint(&nv)) return off_error(b, c, "the vertex count");
    skip_space_and_comments(c);
    if (!c.uint(&nf)) return off_error(b, c, "the face count");
    skip_space_and_comments(c);
    if (!c.uint(&ne)) return off_error(b, c, "the edge count");
    // Each vertex needs at least six characters ("0 0 0\n"), each face eight.
    const std::size_t left = static_cast<std::size_t>(c.end - c.p);
    if (nv > left / 6 || nf > left / 8 || 6ull * nv + 8ull * nf > left + 1)
        return file_error(b.name(), "line %zu: %u vertices and %u faces do not fit in the %zu "
                          "bytes left",
                          c.line, nv, nf, left);
    b.reserve(nv, 2ull * nf);
    c.next_line();
    for (unsigned v = 0; v < nv; ++v) {
        skip_space_and_comments(c);
        double p[3];
        for (int k = 0; k < 3; ++k) {
            c.skip_blanks();
            if (!c.real(p + k)) return off_error(b, c, "a coordinate");
        }
        b.add_file_vertex(p);
        c.next_line();
    }
    std::vector<unsigned> corners;
    for (unsigned f = 0; f < nf; ++f) {
        skip_space_and_comments(c);
        unsigned k = 0;
        if (!c.uint(&k)) return off_error(b, c, "a corner count");
        if (k < 3)
            return file_error(b.name(), "line %zu: face %u has %u corner%s", c.line, f, k,
                              k == 1 ? "" : "s");
        if (k > static_cast<std::size_t>(c.end - c.p) / 2)
            return file_error(b.name(), "line %zu: face %u: %u corners do not fit in the file",
                              c.line, f, k);
        corners.resize(k);
        for (unsigned i = 0; i < k; ++i) {
            c.skip_blanks();
            if (!c.uint(&corners[i])) return off_error(b, c, "a vertex index");
            if (corners[i] >= nv)
                return file_error(b.name(), "line %zu: face %u: vertex index %u out of range "
                                  "(%u vertices)",
                                  c.line, f, corners[i], nv);
        }
        b.add_polygon(corners.data(), nullptr, k, f);
        c.next_line();
    }
    skip_space_and_comments(c);
    if (!c.at_end()) return off_error(b, c, "the end of the file");
    return 1;
}

int write_off(const KelmMeshFacetSet* fs, FILE* fp) {
    FileOut out(fp);
    const unsigned nv = fs->getVertexCount(), nf = fs->getFacetCount();
    unsigned count = 0;
    for (unsigned f = 0; f < nf; ++f)
        if (fs->getFacet(f)) ++count;
    out.put("OFF\n");
    out.uint(nv);
    out.ch(' ');
    out.uint(count);
    out.put(" 0\n");
    for (unsigned v = 0; v < nv; ++v) {
        double p[3];
        fs->getVertex(p, v);
        out.reals_line("", p);
    }
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        out.triangle_line(facet->vertex);
    }
    return out.ok() ? 1 : 0;
}

}  // namespace kelm_internal
