#include "kelmmath/meshio/xml_writer.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/internal_xmltext.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/core/platform.h"
#include "kelmmath/core/streams.h"
#include "kelmmath/core/xmlwriter.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "meshio/internal_numbers.h"
#include "meshio/internal_xml_attributes.h"

using kelm_internal::kNumberRoom;

namespace {

constexpr int kVertexDigits = 17;  // enough for every double to read back exactly
constexpr int kNormalDigits = 15;

bool wants_facet_normals(const KelmMeshXMLOpts* opts) {
    return opts != nullptr && opts->facet_normals != 0;
}

void put_attribute(KelmXMLWriter* w, const char* name, const char* value) {
    w->beginAttribute(name);
    w->text(value);
    w->endAttribute();
}

void put_color_attribute(KelmXMLWriter* w, unsigned int color) {
    char buf[16];
    *kelm_internal::format_hex06(buf, color) = '\0';
    put_attribute(w, "color", buf);
}

// Writes the name/value pairs of one <facets> element. A pair XML can hold as it is
// goes out as given; any other is written encoded (internal_xml_attributes.h) and
// reported, so the document stays well-formed and our reader gets the bytes back.
class FacetsAttributes {
public:
    // face: the face whose attributes these are, or null for a caller's list (whose
    // "color" is the caller's own and goes out as given). Messages name the face by
    // its index in fs, looked up only when a message is written.
    FacetsAttributes(KelmXMLWriter* w, const KelmMeshFacetSet* fs, const KelmMeshFace* face)
        : w_(w), fs_(fs), face_(face) {}

    void put(unsigned int index, const char* name, const char* value) {
        const char* why = nullptr;
        if (!kelm_internal::is_xml_name(name)) {
            why = "has a name that is not an XML name";
        } else if (face_ != nullptr && std::strcmp(name, "color") == 0) {
            why = "is named like the face colour";
        } else if (kelm_internal::has_encoded_attribute_prefix(name)) {
            why = "has a name starting with kelm.attr.";
        } else if (written(name)) {
            why = "repeats a name of the element";
        } else if (!kelm_internal::is_xml_text(value)) {
            why = "has a value XML 1.0 cannot carry";
        }
        if (why == nullptr) {
            put_attribute(w_, name, value);
            plain_.push_back(name);
            return;
        }
        const std::string encoded_name =
            kelm_internal::kEncodedAttributePrefix + std::to_string(index);
        report(name, why, encoded_name.c_str());
        put_attribute(w_, encoded_name.c_str(),
                      kelm_internal::encode_attribute(name, value).c_str());
    }

    // The list ends early at an entry without a name (what follows is not written).
    void ended_at(unsigned int index) const {
        kelm_ec()->error("mesh XML: face %s: attribute %u has no name: it, the attributes "
                         "after it and the colour are not written\n",
                         face_text().c_str(), index);
    }

private:
    bool written(const char* name) const {
        for (const char* n : plain_) {
            if (std::strcmp(n, name) == 0) return true;
        }
        return false;
    }

    std::string face_text() const {
        for (unsigned int i = 0; i < fs_->getFaceCount(); ++i) {
            if (fs_->getFace(i) == face_) return std::to_string(i);
        }
        return "(not in the set)";
    }

    void report(const char* name, const char* why, const char* encoded_name) const {
        const std::string shown = kelm_internal::shown_text(name);
        if (face_ != nullptr) {
            kelm_ec()->warning("mesh XML: face %s: attribute \"%s\" %s: written as %s\n",
                               face_text().c_str(), shown.c_str(), why, encoded_name);
        } else {
            kelm_ec()->warning("mesh XML: <facets>: attribute \"%s\" %s: written as %s\n",
                               shown.c_str(), why, encoded_name);
        }
    }

    KelmXMLWriter* w_;
    const KelmMeshFacetSet* fs_;
    const KelmMeshFace* face_;
    std::vector<const char*> plain_;
};

// The facet in slot i, or null for a null facet and for an index the set does not
// have (the caller's range may run past the end; that is skipped rather than read).
const KelmMeshFacet* facet_at(const KelmMeshFacetSet* fs, unsigned int i) {
    return i < fs->getFacetCount() ? fs->getFacet(i) : nullptr;
}

void write_facet_normal_attribute(KelmXMLWriter* w, const KelmMeshFacetSet* fs,
                                  const KelmMeshFacet* f) {
    double n[3] = {0.0, 0.0, 0.0};
    const unsigned int nv = fs->getVertexCount();
    // Vertex indices read from a file are not checked; one outside the set has no
    // position, and its facet gets the zero normal instead of a read out of bounds.
    if (f->vertex[0] < nv && f->vertex[1] < nv && f->vertex[2] < nv) {
        fs->getTriangleNormal(n, f->vertex[0], f->vertex[1], f->vertex[2]);
    }
    char buf[3 * kNumberRoom];
    kelm_internal::format_real_triple(buf, n, kNormalDigits);
    put_attribute(w, "fn", buf);
}

void write_facet(KelmXMLWriter* w, const KelmMeshFacetSet* fs, const KelmMeshFacet* f,
                 bool facet_normals) {
    char buf[3 * kNumberRoom];
    w->beginElement("f");
    char* p = kelm_internal::format_int_bits(buf, f->vertex[0]);
    *p++ = ' ';
    p = kelm_internal::format_int_bits(p, f->vertex[1]);
    *p++ = ' ';
    p = kelm_internal::format_int_bits(p, f->vertex[2]);
    *p = '\0';
    put_attribute(w, "v", buf);
    if (facet_normals) write_facet_normal_attribute(w, fs, f);
    const unsigned int normal_count = fs->getNormalCount();
    for (int corner = 0; corner < 3; ++corner) {
        // A normal index past the normal count has no stored vector: left out like none.
        const unsigned int k = f->normal[corner];
        if (k == KELM_NONE || k >= normal_count) continue;
        w->beginElement("n");
        kelm_internal::format_real_triple(buf, fs->getNormal(k), kNormalDigits);
        put_attribute(w, "d", buf);
        w->endElement("n");
    }
    w->endElement("f");
}

// Runs the writer form as a whole compact document on a stream.
template <class Body>
void write_document(KelmOutputStream* os, Body body) {
    KelmXMLWriter w(os);
    w.setIndent(false);
    w.writeHeader();
    body(&w);
    w.close();
    os->flush();
}

// Runs a stream form on a file opened for writing; nothing when it cannot be opened.
template <class StreamForm>
void write_file(const char* file, StreamForm stream_form) {
    FILE* fp = kelm_fopen(file, "w");
    if (fp == nullptr) return;
    {
        KelmOutputFile out(fp, file);
        stream_form(&out);
    }
    std::fclose(fp);
}

}  // namespace

// ---------------------------------------------------------------------------------
// Pieces.

void kelm_mesh_xml_save_header(KelmXMLWriter* writer, KelmMeshXMLOpts*, const KelmMeshFacetSet* fs,
                               const char* id, unsigned int color) {
    writer->beginElement("shell");
    if (id != nullptr) put_attribute(writer, "id", id);
    if (color != KELM_NO_COLOR) put_color_attribute(writer, color);
    writer->beginElement("verts");
    const unsigned int count = fs->getVertexCount();
    const double* xyz = fs->rawverts().data();
    char buf[3 * kNumberRoom];
    for (unsigned int i = 0; i < count; ++i) {
        writer->beginElement("v");
        kelm_internal::format_real_triple(buf, xyz + 3 * static_cast<std::size_t>(i),
                                          kVertexDigits);
        put_attribute(writer, "p", buf);
        writer->endElement("v");
    }
    writer->endElement("verts");
}

void kelm_mesh_xml_save_header(KelmXMLWriter* writer, const KelmMeshFacetSet* fs, const char* id,
                               unsigned int color) {
    kelm_mesh_xml_save_header(writer, nullptr, fs, id, color);
}

namespace {

// The range form's body. face: the face whose attributes atts holds, or null for a
// caller's list; color: the face's colour text, or null.
void write_facets_range(KelmXMLWriter* writer, KelmMeshXMLOpts* opts, const KelmMeshFacetSet* fs,
                        unsigned int first, unsigned int count, const char** atts,
                        const KelmMeshFace* face, const char* color) {
    const bool facet_normals = wants_facet_normals(opts);
    if (first == KELM_NONE) return;
    writer->beginElement("facets");
    FacetsAttributes out(writer, fs, face);
    unsigned int index = 0;
    if (atts != nullptr) {
        for (const char** a = atts; a[0] != nullptr; a += 2) out.put(index++, a[0], a[1]);
    }
    if (color != nullptr) put_attribute(writer, "color", color);
    for (unsigned int k = 0; k < count; ++k) {
        const KelmMeshFacet* f = facet_at(fs, first + k);
        if (f != nullptr) write_facet(writer, fs, f, facet_normals);
    }
    writer->endElement("facets");
}

}  // namespace

void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                               const KelmMeshFacetSet* fs, unsigned int first, unsigned int count,
                               const char** atts) {
    write_facets_range(writer, opts, fs, first, count, atts, nullptr, nullptr);
}

void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                               unsigned int first, unsigned int count, const char** atts) {
    kelm_mesh_xml_save_facets(writer, nullptr, fs, first, count, atts);
}

void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                               const KelmMeshFacetSet* fs, kelm_uint_vector* facets) {
    const bool facet_normals = wants_facet_normals(opts);
    writer->beginElement("facets");
    const unsigned int n = facets != nullptr ? facets->size() : 0;
    for (unsigned int k = 0; k < n; ++k) {
        const KelmMeshFacet* f = facet_at(fs, (*facets)[k]);
        if (f != nullptr) write_facet(writer, fs, f, facet_normals);
    }
    writer->endElement("facets");
}

void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                               kelm_uint_vector* facets) {
    kelm_mesh_xml_save_facets(writer, nullptr, fs, facets);
}

void kelm_mesh_xml_save_face(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                             const KelmMeshFacetSet* fs, const KelmMeshFace* face) {
    if (face == nullptr) return;
    // Name, value, name, value, ..., null. An empty name is a null pointer and so
    // ends the list: the attributes after it and the colour are not written.
    std::vector<const char*> atts;
    bool ended = false;
    if (const KelmMeshFaceAtts* props = KelmMeshFaceAtts::find(face)) {
        const KelmMeshShellFaceAttributeVec& entries = props->getAttributes();
        for (unsigned int i = 0; i < entries.size(); ++i) {
            const KelmMeshShellFaceAttribute* e = entries.get(i);
            const char* name = e != nullptr ? e->name.str() : nullptr;
            if (name == nullptr) {
                if (face->getFirstFacet() != KELM_NONE)
                    FacetsAttributes(writer, fs, face).ended_at(i);
                ended = true;
                break;
            }
            atts.push_back(name);
            atts.push_back(e->value.str());
        }
    }
    atts.push_back(nullptr);
    char color_text[16];
    const char* color = nullptr;
    const KelmMeshFaceColor* prop = KelmMeshFaceColor::find(face);
    if (!ended && prop != nullptr && prop->getColor() != KELM_NO_COLOR) {
        *kelm_internal::format_hex06(color_text, prop->getColor()) = '\0';
        color = color_text;
    }
    write_facets_range(writer, opts, fs, face->getFirstFacet(), face->getFacetCount(),
                       atts.data(), face, color);
}

void kelm_mesh_xml_save_face(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                             const KelmMeshFace* face) {
    kelm_mesh_xml_save_face(writer, nullptr, fs, face);
}

void kelm_mesh_xml_save_footer(KelmXMLWriter* writer, KelmMeshXMLOpts*) {
    writer->endElement("shell");
}

void kelm_mesh_xml_save_footer(KelmXMLWriter* writer) {
    kelm_mesh_xml_save_footer(writer, nullptr);
}

// ---------------------------------------------------------------------------------
// Whole shells.

void kelm_mesh_xml_save(KelmXMLWriter* writer, KelmMeshXMLOpts* opts, const KelmMeshFacetSet* fs,
                        const char* id, unsigned int color) {
    const unsigned int faces = fs->getFaceCount();
    if (faces == 0) {
        kelm_mesh_xml_save_no_faces(writer, opts, fs, id, color);
        return;
    }
    // With faces, colours belong to the faces' <facets> elements.
    kelm_mesh_xml_save_header(writer, opts, fs, id, KELM_NO_COLOR);
    for (unsigned int i = 0; i < faces; ++i)
        kelm_mesh_xml_save_face(writer, opts, fs, fs->getFace(i));
    kelm_mesh_xml_save_footer(writer, opts);
}

void kelm_mesh_xml_save(KelmXMLWriter* writer, const KelmMeshFacetSet* fs, const char* id,
                        unsigned int color) {
    kelm_mesh_xml_save(writer, nullptr, fs, id, color);
}

void kelm_mesh_xml_save(KelmOutputStream* os, KelmMeshXMLOpts* opts, const KelmMeshFacetSet* fs,
                        const char* id, unsigned int color) {
    write_document(os, [&](KelmXMLWriter* w) { kelm_mesh_xml_save(w, opts, fs, id, color); });
}

void kelm_mesh_xml_save(KelmOutputStream* os, const KelmMeshFacetSet* fs, const char* id,
                        unsigned int color) {
    kelm_mesh_xml_save(os, nullptr, fs, id, color);
}

void kelm_mesh_xml_save(const char* file, KelmMeshXMLOpts* opts, const KelmMeshFacetSet* fs,
                        const char* id, unsigned int color) {
    write_file(file, [&](KelmOutputStream* os) { kelm_mesh_xml_save(os, opts, fs, id, color); });
}

void kelm_mesh_xml_save(const char* file, const KelmMeshFacetSet* fs, const char* id,
                        unsigned int color) {
    kelm_mesh_xml_save(file, nullptr, fs, id, color);
}

void kelm_mesh_xml_save_no_faces(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                 const KelmMeshFacetSet* fs, const char* id, unsigned int color) {
    kelm_mesh_xml_save_header(writer, opts, fs, id, color);
    kelm_mesh_xml_save_facets(writer, opts, fs, 0, fs->getFacetCount(), nullptr);
    kelm_mesh_xml_save_footer(writer, opts);
}

void kelm_mesh_xml_save_no_faces(KelmXMLWriter* writer, const KelmMeshFacetSet* fs, const char* id,
                                 unsigned int color) {
    kelm_mesh_xml_save_no_faces(writer, nullptr, fs, id, color);
}

void kelm_mesh_xml_save_no_faces(KelmOutputStream* os, KelmMeshXMLOpts* opts,
                                 const KelmMeshFacetSet* fs, const char* id, unsigned int color) {
    write_document(os,
                   [&](KelmXMLWriter* w) { kelm_mesh_xml_save_no_faces(w, opts, fs, id, color); });
}

void kelm_mesh_xml_save_no_faces(KelmOutputStream* os, const KelmMeshFacetSet* fs, const char* id,
                                 unsigned int color) {
    kelm_mesh_xml_save_no_faces(os, nullptr, fs, id, color);
}

void kelm_mesh_xml_save_no_faces(const char* file, KelmMeshXMLOpts* opts,
                                 const KelmMeshFacetSet* fs, const char* id, unsigned int color) {
    write_file(file,
               [&](KelmOutputStream* os) { kelm_mesh_xml_save_no_faces(os, opts, fs, id, color); });
}

void kelm_mesh_xml_save_no_faces(const char* file, const KelmMeshFacetSet* fs, const char* id,
                                 unsigned int color) {
    kelm_mesh_xml_save_no_faces(file, nullptr, fs, id, color);
}

void kelm_mesh_xml_save_fragment(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                 const KelmMeshFacetSet* fs, kelm_uint_vector* facets) {
    kelm_mesh_xml_save_header(writer, opts, fs, "fragment", KELM_NO_COLOR);
    kelm_mesh_xml_save_facets(writer, opts, fs, facets);
    kelm_mesh_xml_save_footer(writer, opts);
}

void kelm_mesh_xml_save_fragment(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                 kelm_uint_vector* facets) {
    kelm_mesh_xml_save_fragment(writer, nullptr, fs, facets);
}

void kelm_mesh_xml_save_fragment(KelmOutputStream* os, KelmMeshXMLOpts* opts,
                                 const KelmMeshFacetSet* fs, kelm_uint_vector* facets) {
    write_document(os, [&](KelmXMLWriter* w) { kelm_mesh_xml_save_fragment(w, opts, fs, facets); });
}

void kelm_mesh_xml_save_fragment(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                 kelm_uint_vector* facets) {
    kelm_mesh_xml_save_fragment(os, nullptr, fs, facets);
}

void kelm_mesh_xml_save_fragment(const char* file, KelmMeshXMLOpts* opts,
                                 const KelmMeshFacetSet* fs, kelm_uint_vector* facets) {
    write_file(file,
               [&](KelmOutputStream* os) { kelm_mesh_xml_save_fragment(os, opts, fs, facets); });
}

void kelm_mesh_xml_save_fragment(const char* file, const KelmMeshFacetSet* fs,
                                 kelm_uint_vector* facets) {
    kelm_mesh_xml_save_fragment(file, nullptr, fs, facets);
}
