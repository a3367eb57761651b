// Mesh XML round trip: whatever a face holds, the writer's document reads back.
//
// The input builds a facet set with a few vertices and facets and up to four faces,
// each with an optional colour and up to eight attributes whose names and values are
// any bytes (NUL aside; names may repeat, be empty, be "color" or look like the
// writer's encoded form). The set is saved with kelm_mesh_xml_save and read back with
// kelm_mesh_xml_read. Checked on every input:
//   - the read succeeds and gives one record with the set's faces;
//   - each face comes back with its attributes, in order, byte for byte, up to the
//     first attribute without a name (where a face's list has always ended), and with
//     its colour unless its list ended early;
//   - the id comes back as given when XML can carry it.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/internal_xmltext.h"
#include "fuzz_support.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/xml_writer.h"
#include "../tests/support/xml_round_trip.h"

namespace {

using Pairs = kelm_test::AttributePairs;

struct FaceModel {
    Pairs atts;  // what should come back
    unsigned color = KELM_NO_COLOR;
};

// Names and values favour the cases that matter: the format's own name, the encoded
// form's prefix, a name already used, and raw bytes.
std::string name_of(kelm_fuzz::Bytes& in, const Pairs& before) {
    switch (in.u8() % 8) {
        case 0: return "color";
        case 1: return "kelm.attr." + in.text(3);
        case 2: return before.empty() ? "a" : before[in.below(before.size())].first;
        case 3: return "n" + std::to_string(in.u8());
        default: return in.text(12);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kelm_fuzz::Bytes in(data, size);
    kelm_fuzz::QuietContext quiet;
    KelmMeshFacetSet fs;
    const unsigned vertices = 3 + in.below(4);
    for (unsigned i = 0; i < vertices; ++i) {
        const double p[3] = {in.coordinate(), in.coordinate(), in.coordinate()};
        fs.createVertex(p);
    }
    const unsigned facets = 1 + in.below(4);
    for (unsigned i = 0; i < facets; ++i) {
        KelmMeshFacet* f = fs.createFacet(nullptr);
        for (int c = 0; c < 3; ++c) f->vertex[c] = in.below(vertices);
    }
    const std::string id = in.text(10);
    const unsigned faces = 1 + in.below(4);
    std::vector<FaceModel> model(faces);
    for (unsigned i = 0; i < faces; ++i) {
        // Faces lie one after another, so the read gives each its own facets back.
        KelmMeshFace* face = fs.createFace(i < facets ? i : facets, i + 1 < faces ? 1 : facets);
        const uint8_t colour_kind = in.u8();
        if (colour_kind & 1) {
            model[i].color = in.u32() & 0xFFFFFFu;
            kelm_mesh_set_color(face, model[i].color);
        }
        const unsigned n = in.below(9);
        KelmMeshFaceAtts* atts = n > 0 ? KelmMeshFaceAtts::make(face) : nullptr;
        Pairs given;
        for (unsigned k = 0; k < n; ++k) {
            std::string name = name_of(in, given);
            std::string value = in.text(24);
            atts->getAttributes().append(new KelmMeshShellFaceAttribute(name.c_str(),
                                                                        value.c_str()));
            given.emplace_back(std::move(name), std::move(value));
        }
        for (const auto& p : given) {
            if (p.first.empty()) {  // the list ends here, and no colour is written
                model[i].color = KELM_NO_COLOR;
                break;
            }
            model[i].atts.push_back(p);
        }
    }

    kelm_fuzz::MemoryFile file;
    kelm_mesh_xml_save(file.path(), &fs, id.c_str(), KELM_NO_COLOR);
    KelmMeshShellRecordVec recs;
    KELM_FUZZ_CHECK(kelm_mesh_xml_read(&recs, file.path()) == 1);
    KELM_FUZZ_CHECK(recs.size() == 1);
    const KelmMeshShellRecord* rec = recs[0];
    KELM_FUZZ_CHECK(rec->getFaceCount() == faces);
    for (unsigned i = 0; i < faces; ++i) {
        KELM_FUZZ_CHECK(kelm_test::face_attributes(rec->getFace(i)) == model[i].atts);
        KELM_FUZZ_CHECK(kelm_mesh_get_color(rec->getFace(i)) == model[i].color);
    }
    if (kelm_internal::is_xml_text(id.c_str()))
        KELM_FUZZ_CHECK(std::string(rec->id.str() ? rec->id.str() : "") == id);
    return 0;
}
