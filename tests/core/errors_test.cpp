#include "kelmmath/core/errors.h"

#include <gtest/gtest.h>

#include <string>

#include "support/capture.h"

namespace {

TEST(KelmErrorContext, RecorderReceivesFormattedTextExactly) {
    kelm_test::ErrorRecorder rec;
    EXPECT_EQ(kelm_ec(), &rec);
    kelm_ec()->error("facet %u has %s\n", 4294967295u, "three");
    kelm_ec()->warning("%d%%", 5);
    ASSERT_EQ(rec.count(), 2u);
    EXPECT_EQ(rec.entries()[0].severity, KelmErrorContext::Error);
    EXPECT_EQ(rec.entries()[0].text, "facet 4294967295 has three\n");
    EXPECT_EQ(rec.entries()[1].severity, KelmErrorContext::Warning);
    EXPECT_EQ(rec.entries()[1].text, "5%");
    const std::string big(5000, 'x');  // long messages are not cut
    kelm_ec()->error("<%s>", big.c_str());
    ASSERT_EQ(rec.count(), 3u);
    EXPECT_EQ(rec.entries()[2].text, "<" + big + ">");
}

TEST(KelmErrorContext, SetReturnsPreviousAndNullRestoresDefault) {
    KelmErrorContext* original = kelm_ec();
    {
        kelm_test::ErrorRecorder outer;
        {
            kelm_test::ErrorRecorder inner;
            EXPECT_EQ(kelm_ec(), &inner);
        }
        EXPECT_EQ(kelm_ec(), &outer);
    }
    EXPECT_EQ(kelm_ec(), original);
    KelmErrorContext mine;
    EXPECT_EQ(kelm_set_ec(&mine), original);
    EXPECT_EQ(kelm_set_ec(nullptr), &mine);
    EXPECT_EQ(kelm_ec(), original);
    {
        KelmErrorContext gone;
        kelm_set_ec(&gone);
    }  // destroyed while installed: the default takes over again
    EXPECT_EQ(kelm_ec(), original);
}

TEST(KelmErrorContext, DefaultReportPrefixesTheSeverityAndEndsTheLine) {
    KelmErrorContext plain;
    KelmErrorContext* previous = kelm_set_ec(&plain);
    testing::internal::CaptureStderr();
    kelm_ec()->error("bad %d", 1);
    kelm_ec()->warning("odd\n");
    kelm_ec()->error("%s", "");
    const std::string text = testing::internal::GetCapturedStderr();
    kelm_set_ec(previous);
    EXPECT_EQ(text, "kelmmath error: bad 1\nkelmmath warning: odd\nkelmmath error: \n");
}

}  // namespace
