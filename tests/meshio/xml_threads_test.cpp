// Threads that each use their own objects, and the process-wide pieces they share
// (the error context, the unit factor rows, the face property type counter, the set
// of shell states on parsers). Run under ThreadSanitizer by `make tsan`.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kelmmath/core/xmlparser.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/xml_writer.h"
#include "kelmmath/units/units.h"
#include "meshio/internal_shells.h"
#include "support/meshio.h"
#include "support/xml_round_trip.h"

namespace {

constexpr int kThreads = 4;

// Records reports from every thread, one at a time; installed before the threads start.
class LockedRecorder : public kelm_test::ErrorRecorder {
    void report(Severity s, const char* message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ErrorRecorder::report(s, message);
    }
    std::mutex mutex_;
};

template <class Body>
void run_threads(Body body) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
    for (std::thread& th : threads) th.join();
}

// A property class of the test's own: its number is drawn by whichever thread asks
// first, while the others ask too (the numbers themselves: KelmMeshFacePropDeathTest).
class ThreadProp : public KelmMeshFaceProp {
public:
    static unsigned int getFacePropType() {
        static const unsigned int type = _new_info_type();
        return type;
    }
    unsigned int getType() override { return getFacePropType(); }
    KelmMeshFaceProp* duplicate() const override { return new ThreadProp; }
};

TEST(KelmThreads, LazyTablesAndTypeNumbersOnFirstUseFromSeveralThreads) {
    kelm_unit_shutdown();  // the next query builds the rows again, from several threads
    std::vector<double> inch(kThreads), deg(kThreads);
    std::vector<unsigned> type(kThreads);
    run_threads([&](int t) {
        inch[t] = kelm_get_unit_conversion_factor(kelm_unit_in, kelm_unit_mm);
        deg[t] = kelm_get_unit_conversion_factor(kelm_unit_ft, kelm_unit_cm);
        type[t] = ThreadProp::getFacePropType();
    });
    EXPECT_EQ(inch, std::vector<double>(kThreads, 25.4));
    EXPECT_EQ(deg, std::vector<double>(kThreads, deg[0]));
    EXPECT_EQ(type, std::vector<unsigned>(kThreads, type[0]));
}

// Each thread writes its own set (with an attribute that must be encoded, so every
// thread reports through the shared context) and reads it back inside a parse of its
// own, through the shell reader's hand-over.
TEST(KelmThreads, WritersAndReadersOnTheirOwnObjects) {
    LockedRecorder reports;
    const unsigned before = kelm_internal::open_shell_count();
    std::vector<int> same(kThreads, 0);
    run_threads([&](int t) {
        for (int round = 0; round < 20; ++round) {
            KelmMeshFacetSet fs;
            kelm_test::make_triangle(fs);
            KelmMeshFace* face = fs.createFace(0, 1);
            kelm_mesh_set_color(face, static_cast<unsigned>(t));
            KelmMeshFaceAtts::make(face)->setAttribute("thread number", std::to_string(t).c_str());
            KelmOutputString xml;
            kelm_mesh_xml_save(&xml, &fs, "t", KELM_NO_COLOR);

            KelmMeshShellRecord rec, dangling;
            KelmXML_Parser parser = KELMXML_ParserCreate(nullptr);
            kelm_mesh_xml_read_shell_element(parser, &rec, nullptr);
            const std::string text = xml.str();
            const bool ok = KELMXML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) ==
                            KELMXML_STATUS_OK;
            // Half the rounds free a parser still inside a shell.
            if (round % 2 == 1) kelm_mesh_xml_read_shell_element(parser, &dangling, nullptr);
            KELMXML_ParserFree(parser);
            same[t] += ok && rec.getFaceCount() == 1 &&
                       kelm_mesh_get_color(rec.getFace(0)) == static_cast<unsigned>(t) &&
                       kelm_test::face_attributes(rec.getFace(0)) ==
                           kelm_test::AttributePairs{{"thread number", std::to_string(t)}};
        }
    });
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(same[t], 20) << t;
    EXPECT_EQ(reports.warnings().size(), kThreads * 20u);
    EXPECT_EQ(reports.errors().size(), 0u);
    EXPECT_EQ(kelm_internal::open_shell_count(), before);
}

}  // namespace
