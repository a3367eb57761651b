// The mesh file readers (STL, OBJ, PLY, OFF) on arbitrary bytes.
//
// The first byte picks the format (found from the content, or one named) and the
// options; the rest is the file. Whatever it holds, reading must end without a memory
// error, leak, hang or undefined behaviour; a failed read leaves the set empty, a
// successful one gives at least one facet whose corners and normals exist. A mesh
// that reads must survive OFF (and, when its coordinates are finite, binary PLY)
// written and read again: the same vertices bit for bit and the same facets.

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/meshfile.h"

namespace {

using kelm_fuzz::same_real;

void check_well_formed(const KelmMeshFacetSet& fs) {
    KELM_FUZZ_CHECK(fs.getFacetCount() > 0);
    for (unsigned f = 0; f < fs.getFacetCount(); ++f) {
        const KelmMeshFacet* facet = fs.getFacet(f);
        KELM_FUZZ_CHECK(facet != nullptr);
        for (unsigned k = 0; k < 3; ++k) {
            KELM_FUZZ_CHECK(facet->vertex[k] < fs.getVertexCount());
            KELM_FUZZ_CHECK(facet->normal[k] == KELM_NONE ||
                            facet->normal[k] < fs.getNormalCount());
        }
    }
}

void check_round_trip(const KelmMeshFacetSet& fs, KelmMeshFileFormat format) {
    kelm_fuzz::MemoryFile file;
    FILE* fp = std::fopen(file.path(), "wb");
    KELM_FUZZ_CHECK(fp != nullptr);
    KELM_FUZZ_CHECK(kelm_mesh_file_write(&fs, fp, "fuzz", format) == 1);
    std::fclose(fp);
    const std::string text = file.read();
    KelmMeshReadOptions opts;
    opts.weld = 0;
    opts.keep_bad = 1;
    KelmMeshFacetSet back;
    KELM_FUZZ_CHECK(kelm_mesh_mem_read(&back, text.data(), text.size(), "again", &opts, nullptr));
    KELM_FUZZ_CHECK(back.getVertexCount() == fs.getVertexCount());
    KELM_FUZZ_CHECK(back.getFacetCount() == fs.getFacetCount());
    for (unsigned v = 0; v < fs.getVertexCount(); ++v) {
        double p[3], q[3];
        fs.getVertex(p, v);
        back.getVertex(q, v);
        for (int k = 0; k < 3; ++k) KELM_FUZZ_CHECK(same_real(p[k], q[k]));
    }
    for (unsigned f = 0; f < fs.getFacetCount(); ++f)
        KELM_FUZZ_CHECK(std::memcmp(fs.getFacet(f)->vertex, back.getFacet(f)->vertex,
                                    sizeof(unsigned) * 3) == 0);
}

bool all_finite(const KelmMeshFacetSet& fs) {
    for (unsigned v = 0; v < fs.getVertexCount(); ++v) {
        double p[3];
        fs.getVertex(p, v);
        for (double c : p)
            if (!std::isfinite(c)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    kelm_fuzz::QuietContext quiet;
    const uint8_t pick = data[0];
    KelmMeshReadOptions opts;
    opts.format = static_cast<KelmMeshFileFormat>((pick & 7) <= 7 ? (pick & 7) : 0);
    opts.weld = (pick & 0x08) ? 0 : 1;
    opts.keep_normals = (pick & 0x10) ? 1 : 0;
    opts.keep_bad = (pick & 0x20) ? 1 : 0;
    opts.weld_tolerance = (pick & 0x40) ? 1e-3 : 0.0;
    KelmMeshFacetSet fs;
    fs.createVertex(KelmPoint(1, 2, 3));
    KelmMeshReadInfo info;
    const int ok = kelm_mesh_mem_read(&fs, data + 1, size - 1, "fuzz", &opts, &info);
    if (!ok) {
        KELM_FUZZ_CHECK(fs.getVertexCount() == 0 && fs.getFacetCount() == 0);
        KELM_FUZZ_CHECK(quiet.errors > 0);
        return 0;
    }
    check_well_formed(fs);
    KELM_FUZZ_CHECK(info.file_facets >= info.bad_facets);
    check_round_trip(fs, kelm_mesh_file_off);
    if (all_finite(fs)) check_round_trip(fs, kelm_mesh_file_ply_binary_le);
    return 0;
}
