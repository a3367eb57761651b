#include "kelmmath/meshio/json_writer.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/core/platform.h"
#include "kelmmath/core/streams.h"
#include "kelmmath/mesh/facetset.h"
#include "meshio/internal_numbers.h"

namespace {

constexpr int kRealDigits = 6;  // "%g"

// The numbers of one list, joined by ",". Each number and each comma goes out as a
// piece of its own, so a stream sees exactly the pieces the list is made of; the file
// forms gather the pieces in their stream (BufferedOutputFile) for speed.
class NumberList {
public:
    explicit NumberList(KelmOutputStream* os) : os_(os) {}
    NumberList(const NumberList&) = delete;
    NumberList& operator=(const NumberList&) = delete;

    void add_real(double v) {
        comma();
        put(kelm_internal::format_real(buf_, v, kRealDigits));
    }
    void add_uint(unsigned int v) {
        comma();
        put(kelm_internal::format_uint(buf_, v));
    }

private:
    // A comma before every number but the first of the list.
    void comma() {
        if (comma_) os_->put(",");
        comma_ = true;
    }
    void put(char* end) {
        *end = '\0';
        os_->put(buf_);
    }

    KelmOutputStream* os_;
    char buf_[kelm_internal::kNumberRoom + 1];
    bool comma_ = false;
};

// The file forms' stream: a KelmOutputFile that gathers the small pieces in memory
// and writes them in large blocks, in the order put. One write per piece would cost
// more than formatting the number it carries.
class BufferedOutputFile : public KelmOutputFile {
public:
    BufferedOutputFile(FILE* fp, const char* name) : KelmOutputFile(fp, name) {
        pending_.reserve(kBlock);
    }
    BufferedOutputFile(const BufferedOutputFile&) = delete;
    BufferedOutputFile& operator=(const BufferedOutputFile&) = delete;
    ~BufferedOutputFile() override { drain(); }

    using KelmOutputFile::put;
    void put(const char* text) override {
        if (text != nullptr) gather(text, std::strlen(text));
    }
    void put(const char* text, std::size_t length) override { gather(text, length); }
    void flush() override {
        drain();
        KelmOutputFile::flush();
    }

private:
    void gather(const char* text, std::size_t length) {
        pending_.append(text, length);
        if (pending_.size() >= kBlock) drain();
    }
    void drain() {
        if (pending_.empty()) return;
        KelmOutputFile::put(pending_.data(), pending_.size());
        pending_.clear();
    }

    static constexpr std::size_t kBlock = 64 * 1024;
    std::string pending_;
};

// The member separator: ",\n" before every member but the first of an object.
void separator(KelmOutputStream* os, int* state) {
    if (*state == 1) {
        os->put(",\n");
    } else {
        *state = 1;
    }
}

void begin_list(KelmOutputStream* os, int* state, const char* key) {
    separator(os, state);
    os->put(key);
    os->put(" : [");
}

// The facet in slot i; null for KELM_NONE, a null facet and an index past the end,
// each of which is reported.
const KelmMeshFacet* listed_facet(const KelmMeshFacetSet* fs, unsigned int i) {
    const KelmMeshFacet* f = i < fs->getFacetCount() ? fs->getFacet(i) : nullptr;
    if (f == nullptr) kelm_ec()->error("kelm_mesh_writer: have NULL facet");
    return f;
}

void add_facet_verts(NumberList* list, const KelmMeshFacetSet* fs, unsigned int i) {
    const KelmMeshFacet* f = listed_facet(fs, i);
    if (f == nullptr) return;
    for (unsigned int v : f->vertex) list->add_uint(v);
}

// False, ending the list, for a facet that cannot be written.
bool add_facet_normals(NumberList* list, const KelmMeshFacetSet* fs, unsigned int i) {
    const KelmMeshFacet* f = listed_facet(fs, i);
    if (f == nullptr) return false;
    for (unsigned int n : f->normal) {
        if (n == KELM_NONE) return false;
    }
    for (unsigned int n : f->normal) list->add_uint(n);
    return true;
}

void add_reals(NumberList* list, const double* v, unsigned int points) {
    const std::size_t n = 3 * static_cast<std::size_t>(points);
    for (std::size_t i = 0; i < n; ++i) list->add_real(v[i]);
}

// Both facet lists for the facets that index(k), k < count, names.
template <class Index>
void write_facet_lists(KelmOutputStream* os, int* state, const KelmMeshFacetSet* fs,
                       unsigned int count, int normals, Index index) {
    begin_list(os, state, "facet_verts");
    {
        NumberList list(os);
        for (unsigned int k = 0; k < count; ++k) add_facet_verts(&list, fs, index(k));
    }
    os->put("]");
    if (normals == 0) return;
    begin_list(os, state, "facet_normals");
    {
        NumberList list(os);
        for (unsigned int k = 0; k < count; ++k) {
            if (!add_facet_normals(&list, fs, index(k))) break;
        }
    }
    os->put("]");
}

// Opens the file, runs body on a stream over it, flushes and closes; nothing when
// the file cannot be opened.
template <class Body>
void write_file(const char* file, Body body) {
    FILE* fp = kelm_fopen(file, "w");
    if (fp == nullptr) return;
    {
        BufferedOutputFile out(fp, file);
        body(&out);
        out.flush();
    }
    std::fclose(fp);
}

}  // namespace

void kelm_mesh_json_save_header(KelmOutputStream* os, int* state, const KelmMeshFacetSet* fs,
                                int normals, const char* id, unsigned int color) {
    int own_state = 0;
    if (state == nullptr) state = &own_state;
    *state = 0;
    os->put("{\n");
    if (id != nullptr) {
        separator(os, state);
        os->put("id");
        os->put(" : \"");
        os->put(id);
        os->put("\"");
    }
    if (color != KELM_NO_COLOR) {
        separator(os, state);
        os->put("color");
        os->put(" : ");
        char buf[kelm_internal::kNumberRoom];
        *kelm_internal::format_int_bits(buf, color) = '\0';
        os->put(buf);
    }
    begin_list(os, state, "verts");
    {
        NumberList list(os);
        add_reals(&list, fs->rawverts().data(), fs->getVertexCount());
    }
    os->put("]");
    if (normals != 0) {
        begin_list(os, state, "normals");
        {
            NumberList list(os);
            add_reals(&list, fs->rawnormals().data(), fs->getNormalCount());
        }
        os->put("]");
    }
}

void kelm_mesh_json_save_facets(KelmOutputStream* os, int* state, const KelmMeshFacetSet* fs,
                                unsigned int first, unsigned int count, int normals) {
    if (first == KELM_NONE) return;
    int own_state = 1;
    if (state == nullptr) state = &own_state;
    write_facet_lists(os, state, fs, count, normals, [first](unsigned int k) { return first + k; });
}

void kelm_mesh_json_save_facets(KelmOutputStream* os, int* state, const KelmMeshFacetSet* fs,
                                kelm_uint_vector* facets, int normals) {
    int own_state = 1;
    if (state == nullptr) state = &own_state;
    const unsigned int count = facets != nullptr ? facets->size() : 0;
    write_facet_lists(os, state, fs, count, normals,
                      [facets](unsigned int k) { return (*facets)[k]; });
}

void kelm_mesh_json_save_footer(KelmOutputStream* os) {
    os->put("}");
}

void kelm_mesh_json_save_no_faces(KelmOutputStream* os, const KelmMeshFacetSet* fs, const char* id,
                                  unsigned int color, int normals) {
    int state = 0;
    kelm_mesh_json_save_header(os, &state, fs, normals, id, color);
    kelm_mesh_json_save_facets(os, &state, fs, 0, fs->getFacetCount(), normals);
    kelm_mesh_json_save_footer(os);
}

void kelm_mesh_json_save(KelmOutputStream* os, const KelmMeshFacetSet* fs, const char* id,
                         unsigned int color, int normals) {
    kelm_mesh_json_save_no_faces(os, fs, id, color, normals);
    os->flush();
}

void kelm_mesh_json_save_fragment(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                  kelm_uint_vector* facets, int normals) {
    int state = 0;
    kelm_mesh_json_save_header(os, &state, fs, normals, "fragment", KELM_NO_COLOR);
    kelm_mesh_json_save_facets(os, &state, fs, facets, normals);
    kelm_mesh_json_save_footer(os);
}

void kelm_mesh_json_save(const char* file, const KelmMeshFacetSet* fs, const char* id,
                         unsigned int color, int normals) {
    write_file(file, [&](KelmOutputStream* os) {
        kelm_mesh_json_save_no_faces(os, fs, id, color, normals);
    });
}

void kelm_mesh_json_save_no_faces(const char* file, const KelmMeshFacetSet* fs, const char* id,
                                  unsigned int color, int normals) {
    write_file(file, [&](KelmOutputStream* os) {
        kelm_mesh_json_save_no_faces(os, fs, id, color, normals);
    });
}

void kelm_mesh_json_save_fragment(const char* file, const KelmMeshFacetSet* fs,
                                  kelm_uint_vector* facets, int normals) {
    write_file(
        file, [&](KelmOutputStream* os) { kelm_mesh_json_save_fragment(os, fs, facets, normals); });
}
