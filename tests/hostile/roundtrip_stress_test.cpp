// Ten thousand random meshes from fixed seeds (kelm_test::random_xml_mesh), written as
// XML and read back alternately by the root reader and the document reader; each must
// give back what kelm_test::xml_round_trip_problem expects, its id, and no report.

#include <gtest/gtest.h>

#include <string>

#include "hostile/hostile_support.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/xml_writer.h"
#include "support/xml_round_trip.h"

namespace {

TEST(HostileRoundTripStress, TenThousandRandomMeshes) {
    kelm_hostile::Watchdog watchdog(30);
    kelm_hostile::ScratchFile file("roundtrip.xml");
    unsigned failures = 0;
    for (uint32_t seed = 0; seed < 10000 && failures < 5; ++seed) {
        watchdog.start("mesh seed " + std::to_string(seed));
        KelmMeshFacetSet fs;
        std::string id;
        unsigned color = 0;
        kelm_test::random_xml_mesh(seed, fs, id, color);
        kelm_mesh_xml_save(file.path(), &fs, id.c_str(), color);
        kelm_test::ErrorRecorder recorder;
        KelmMeshShellRecordVec recs;
        KelmMeshShellRecord one;
        const KelmMeshShellRecord* back = &one;
        if (seed % 2 == 0 ? kelm_mesh_xml_read_shell(&one, file.path()) != 1
                          : kelm_mesh_xml_read(&recs, file.path()) != 1 || recs.size() != 1)
            back = nullptr;
        else if (seed % 2 == 1)
            back = recs[0];
        std::string problem = back == nullptr ? "read failed"
                              : kelm_hostile::text_of(back->id) != id
                                  ? "id differs"
                                  : kelm_test::xml_round_trip_problem(fs, *back);
        if (problem.empty() && recorder.count() != 0) problem = recorder.entries()[0].text;
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ": " << problem;
        }
    }
    EXPECT_EQ(failures, 0u);
}

}  // namespace
