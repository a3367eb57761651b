// OBJ: "v" and "f" statements (with "vn" references as corner normals when asked),
// reading into the mesh builder and writing from a facet set.

#include <cstring>
#include <vector>

#include "kelmmath/meshio/meshfile.h"
#include "meshio/internal_meshfile.h"

namespace kelm_internal {

namespace {

int line_error(MeshBuilder& b, const TextCursor& c, const char* what) {
    return file_error(b.name(), "line %zu: %s, found %s", c.line, what, c.shown().c_str());
}

// One index of an "f" corner: from 1, or negative back from the last of count items;
// KELM_NONE when it names no item.
unsigned resolve(long long i, unsigned count) {
    if (i > 0 && static_cast<unsigned long long>(i) <= count) return static_cast<unsigned>(i - 1);
    if (i < 0 && static_cast<unsigned long long>(-i) <= count)
        return static_cast<unsigned>(count + i);
    return KELM_NONE;
}

bool is_end(const TextCursor& c) {
    return c.p >= c.end || *c.p == ' ' || *c.p == '\t' || *c.p == '\r' || *c.p == '\n';
}

}  // namespace

int read_obj(MeshBuilder& b, const char* data, std::size_t size) {
    TextCursor c{data, data + size};
    std::vector<unsigned> verts, norms;
    unsigned normal_count = 0, texture_count = 0, polygon = 0;
    b.reserve(size / 64, size / 64);
    while (!c.at_end()) {
        c.skip_blanks();
        if (c.at_end()) break;
        const char k0 = *c.p;
        const char k1 = c.p + 1 < c.end ? c.p[1] : '\n';
        const bool blank1 = k1 == ' ' || k1 == '\t';
        if (k0 == 'v' && (blank1 || ((k1 == 'n' || k1 == 't') && c.p + 2 < c.end &&
                                     (c.p[2] == ' ' || c.p[2] == '\t')))) {
            c.p += blank1 ? 1 : 2;
            double p[3];
            for (int k = 0; k < 3; ++k) {
                c.skip_blanks();
                // A texture coordinate may have one or two values only.
                if (k1 == 't' && k > 0 && c.at_line_end()) {
                    p[k] = 0.0;
                    continue;
                }
                if (!c.real(p + k)) return line_error(b, c, "expected a number");
            }
            if (k1 == ' ' || k1 == '\t')
                b.add_file_vertex(p);
            else if (k1 == 'n')
                b.add_normal(p), ++normal_count;
            else
                ++texture_count;
        } else if (k0 == 'f' && blank1) {
            ++c.p;
            verts.clear();
            norms.clear();
            for (;;) {
                c.skip_blanks();
                if (c.at_line_end()) break;
                long long iv = 0, it = 0, in = 0;
                if (!c.int64(&iv)) return line_error(b, c, "expected a vertex index");
                if (c.p < c.end && *c.p == '/') {
                    ++c.p;
                    if (c.p < c.end && *c.p != '/' && !c.int64(&it))
                        return line_error(b, c, "expected a texture index");
                    if (c.p < c.end && *c.p == '/') {
                        ++c.p;
                        if (!c.int64(&in)) return line_error(b, c, "expected a normal index");
                    }
                }
                if (!is_end(c)) return line_error(b, c, "expected a corner");
                const unsigned v = resolve(iv, b.file_vertex_count());
                if (v == KELM_NONE)
                    return file_error(b.name(), "line %zu: vertex index %lld out of range (%u "
                                      "vertices so far)",
                                      c.line, iv, b.file_vertex_count());
                if (it != 0 && resolve(it, texture_count) == KELM_NONE)
                    return file_error(b.name(), "line %zu: texture index %lld out of range (%u so "
                                      "far)",
                                      c.line, it, texture_count);
                unsigned n = KELM_NONE;
                if (in != 0) {
                    n = resolve(in, normal_count);
                    if (n == KELM_NONE)
                        return file_error(b.name(), "line %zu: normal index %lld out of range (%u "
                                          "so far)",
                                          c.line, in, normal_count);
                }
                verts.push_back(v);
                norms.push_back(n);
            }
            if (verts.size() < 3)
                return file_error(b.name(), "line %zu: a face with %zu corner%s", c.line,
                                  verts.size(), verts.size() == 1 ? "" : "s");
            b.add_polygon(verts.data(), norms.data(), static_cast<unsigned>(verts.size()),
                          polygon++);
        }
        c.next_line();
    }
    return 1;
}

int write_obj(const KelmMeshFacetSet* fs, FILE* fp) {
    FileOut out(fp);
    out.put("# written by kelmmath\n");
    const unsigned nv = fs->getVertexCount(), nn = fs->getNormalCount();
    for (unsigned v = 0; v < nv; ++v) {
        double p[3];
        fs->getVertex(p, v);
        out.reals_line("v ", p);
    }
    for (unsigned v = 0; v < nn; ++v) {
        double p[3];
        fs->getNormal(p, v);
        out.reals_line("vn ", p);
    }
    const unsigned nf = fs->getFacetCount();
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        out.ch('f');
        for (int k = 0; k < 3; ++k) {
            out.ch(' ');
            out.uint(facet->vertex[k] + 1);
            if (facet->normal[k] != KELM_NONE) {
                out.put("//");
                out.uint(facet->normal[k] + 1);
            }
        }
        out.ch('\n');
    }
    return out.ok() ? 1 : 0;
}

}  // namespace kelm_internal
