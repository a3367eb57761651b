// The mesh XML reader on arbitrary documents, through its two file entry points.
//
// The input is the file. Whatever it holds, reading must end without a memory error,
// leak or undefined behaviour, and what was read must be a well-formed facet set:
// faces in document order, each spanning facets that exist, corner normals that
// exist. A document that reads without error must also survive a trip through the
// writer: written and read again it gives the same vertices bit for bit, the same
// facets, faces, face properties and id, and normals within 1e-14 relative.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/xml_writer.h"

namespace {

using kelm_fuzz::same_real;

struct Attr {
    std::string name;
    std::string value;
    bool operator==(const Attr& o) const { return name == o.name && value == o.value; }
};

std::vector<Attr> face_attributes(const KelmMeshFace* face) {
    std::vector<Attr> out;
    const KelmMeshFaceAtts* atts = KelmMeshFaceAtts::find(face);
    if (atts == nullptr) return out;
    const KelmMeshShellFaceAttributeVec& v = atts->getAttributes();
    for (unsigned i = 0; i < v.size(); ++i) {
        const KelmMeshShellFaceAttribute* a = v.get(i);
        KELM_FUZZ_CHECK(a != nullptr);
        out.push_back({a->name.str() ? a->name.str() : "", a->value.str() ? a->value.str() : ""});
    }
    return out;
}

// What the reader promises about any record, complete or cut short by an error.
void check_well_formed(const KelmMeshFacetSet& fs) {
    const unsigned nf = fs.getFacetCount();
    const unsigned nn = fs.getNormalCount();
    unsigned next_first = 0;
    for (unsigned i = 0; i < fs.getFaceCount(); ++i) {
        const KelmMeshFace* face = fs.getFace(i);
        KELM_FUZZ_CHECK(face != nullptr);
        // Faces follow one another; the last may be open (count 0) after an error.
        KELM_FUZZ_CHECK(face->getFirstFacet() == next_first || face->getFacetCount() == 0);
        KELM_FUZZ_CHECK(face->getFirstFacet() <= nf);
        KELM_FUZZ_CHECK(face->getFacetCount() <= nf - face->getFirstFacet());
        next_first = face->getFirstFacet() + face->getFacetCount();
    }
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs.getFacet(f);
        KELM_FUZZ_CHECK(facet != nullptr);
        for (unsigned k = 0; k < 3; ++k)
            KELM_FUZZ_CHECK(facet->normal[k] == KELM_NONE || facet->normal[k] < nn);
    }
}

// Normals are written with 15 significant digits.
bool close_normal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (std::isinf(a) || std::isinf(b)) return a == b;
    return std::fabs(a - b) <= 1e-14 * std::fmax(std::fabs(a), std::fabs(b));
}

// The non-empty corner normals of a facet, in corner order.
std::vector<const double*> corner_normals(const KelmMeshFacetSet& fs, const KelmMeshFacet* f) {
    std::vector<const double*> out;
    for (unsigned k = 0; k < 3; ++k)
        if (f->normal[k] != KELM_NONE) out.push_back(fs.getNormal(f->normal[k]));
    return out;
}

void check_round_trip(const KelmMeshShellRecord& rec) {
    kelm_fuzz::MemoryFile file;
    kelm_mesh_xml_save(file.path(), &rec, rec.id.str(), KELM_NO_COLOR);
    KelmMeshShellRecord back;
    KELM_FUZZ_CHECK(kelm_mesh_xml_read_shell(&back, file.path()) == 1);

    KELM_FUZZ_CHECK(
        std::strcmp(back.id.str() ? back.id.str() : "", rec.id.str() ? rec.id.str() : "") == 0);
    KELM_FUZZ_CHECK(back.getVertexCount() == rec.getVertexCount());
    for (unsigned v = 0; v < rec.getVertexCount(); ++v) {
        double a[3], b[3];
        rec.getVertex(a, v);
        back.getVertex(b, v);
        for (int i = 0; i < 3; ++i) KELM_FUZZ_CHECK(same_real(a[i], b[i]));
    }
    KELM_FUZZ_CHECK(back.getFacetCount() == rec.getFacetCount());
    for (unsigned f = 0; f < rec.getFacetCount(); ++f) {
        const KelmMeshFacet* a = rec.getFacet(f);
        const KelmMeshFacet* b = back.getFacet(f);
        KELM_FUZZ_CHECK(a != nullptr && b != nullptr);
        for (int i = 0; i < 3; ++i) KELM_FUZZ_CHECK(a->vertex[i] == b->vertex[i]);
        const std::vector<const double*> na = corner_normals(rec, a);
        const std::vector<const double*> nb = corner_normals(back, b);
        KELM_FUZZ_CHECK(na.size() == nb.size());
        for (std::size_t k = 0; k < na.size(); ++k)
            for (int i = 0; i < 3; ++i) KELM_FUZZ_CHECK(close_normal(na[k][i], nb[k][i]));
    }
    if (rec.getFaceCount() == 0) {
        // The writer puts all facets into one <facets>, which reads back as one face.
        KELM_FUZZ_CHECK(back.getFaceCount() <= 1);
        return;
    }
    KELM_FUZZ_CHECK(back.getFaceCount() == rec.getFaceCount());
    for (unsigned i = 0; i < rec.getFaceCount(); ++i) {
        KelmMeshFace* a = rec.getFace(i);
        KelmMeshFace* b = back.getFace(i);
        KELM_FUZZ_CHECK(a->getFirstFacet() == b->getFirstFacet());
        KELM_FUZZ_CHECK(a->getFacetCount() == b->getFacetCount());
        KELM_FUZZ_CHECK(kelm_mesh_get_color(a) == kelm_mesh_get_color(b));
        KELM_FUZZ_CHECK(face_attributes(a) == face_attributes(b));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kelm_fuzz::QuietContext quiet;
    kelm_fuzz::MemoryFile file;
    file.write(data, size);

    // Every <shell> anywhere in the document.
    {
        KelmMeshShellRecordVec recs;
        const int ok = kelm_mesh_xml_read(&recs, file.path());
        for (unsigned i = 0; i < recs.size(); ++i) {
            KELM_FUZZ_CHECK(recs[i] != nullptr);
            check_well_formed(*recs[i]);
        }
        if (ok == 1) {
            KELM_FUZZ_CHECK(quiet.errors == 0);
            for (unsigned i = 0; i < recs.size(); ++i) check_round_trip(*recs[i]);
        } else {
            KELM_FUZZ_CHECK(quiet.errors > 0);
        }

        // Copies own their records; a moved-from list is empty and still usable.
        KelmMeshShellRecordVec copy(recs);
        KELM_FUZZ_CHECK(copy.size() == recs.size());
        KelmMeshShellRecordVec moved(std::move(copy));
        KELM_FUZZ_CHECK(copy.size() == 0);
        copy = moved;
        recs = std::move(moved);
        KELM_FUZZ_CHECK(recs.size() == copy.size());
    }

    // The document's root element as the shell.
    {
        quiet.errors = 0;
        KelmMeshShellRecord rec;
        const int ok = kelm_mesh_xml_read_shell(&rec, file.path());
        check_well_formed(rec);
        if (ok == 1) {
            KELM_FUZZ_CHECK(quiet.errors == 0);
            check_round_trip(rec);
        }
        KelmMeshShellRecord copy(rec);
        KELM_FUZZ_CHECK(copy.getVertexCount() == rec.getVertexCount());
        KelmMeshShellRecord assigned;
        assigned = rec;
        KELM_FUZZ_CHECK(assigned.getFacetCount() == rec.getFacetCount());
    }
    return 0;
}
