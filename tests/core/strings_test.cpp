#include "kelmmath/core/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kelmmath/core/platform.h"

namespace {

TEST(KelmStringObject, EmptyReadsAsNullCopiesShareOneBufferUntilStopSharing) {
    EXPECT_EQ(KelmStringObject().str(), nullptr);
    EXPECT_EQ(KelmStringObject("").str(), nullptr);
    EXPECT_EQ(KelmStringObject(nullptr).str(), nullptr);
    KelmStringObject a("alpha");
    KelmStringObject b(a);
    EXPECT_EQ(a.str(), b.str());
    b.stop_sharing();
    EXPECT_NE(a.str(), b.str());
    EXPECT_STREQ(b.str(), "alpha");
    const_cast<char*>(b.str())[0] = 'A';
    EXPECT_STREQ(a.str(), "alpha");
    EXPECT_STREQ(b.str(), "Alpha");
}

// stop_sharing copies exactly when another object holds the buffer, so it shows the
// reference count.
TEST(KelmStringObject, SharingCountFollowsTheHolders) {
    const std::string long_text(300, 'x');
    KelmStringObject a(long_text.c_str()), none;
    EXPECT_EQ(a.length() + none.length(), 300u);
    const char* own = a.str();
    a.stop_sharing();  // the only holder keeps its buffer
    none.stop_sharing();
    EXPECT_EQ(a.str(), own);
    EXPECT_EQ(none.str(), nullptr);
    KelmStringObject b(a), c;
    c = a;
    c = "other";  // two holders left
    b.stop_sharing();
    EXPECT_NE(b.str(), own);
    EXPECT_EQ(b.str(), long_text);
    a.stop_sharing();  // the only holder again
    EXPECT_EQ(a.str(), own);
}

TEST(KelmStringObject, CopyReplacesTextIncludingFromItself) {
    KelmStringObject a("one"), b("two"), c;
    a.copy(a.str() + 1);  // text taken from the object's own buffer
    EXPECT_STREQ(a.str(), "ne");
    a.copy(b);
    EXPECT_EQ(a.str(), b.str());
    a.copy(a);
    EXPECT_STREQ(a.str(), "two");
    a = "three";
    EXPECT_STREQ(a.str(), "three");
    EXPECT_STREQ(b.str(), "two");
    c = b;
    c = std::move(a);
    EXPECT_STREQ(c.str(), "three");
}

TEST(KelmPlatform, StrcasecmpIgnoresAsciiCaseOnlyFopenAnswersNull) {
    EXPECT_EQ(kelm_strcasecmp("MilliMetre", "millimetre"), 0);
    EXPECT_EQ(kelm_strcasecmp("AZ", "az"), 0);  // both ends of the range fold
    EXPECT_LT(kelm_strcasecmp("@[", "`{"), 0);  // their neighbours do not
    EXPECT_NE(kelm_strcasecmp("mm", "mm2"), 0);
    EXPECT_LT(kelm_strcasecmp("a", "B"), 0);
    EXPECT_GT(kelm_strcasecmp("b", "A"), 0);
    EXPECT_EQ(kelm_strcasecmp(nullptr, nullptr), 0);
    EXPECT_NE(kelm_strcasecmp(nullptr, "a"), 0);
    // kelm_fopen answers null when it cannot open.
    EXPECT_EQ(kelm_fopen("/nonexistent/dir/file.xml", "r"), nullptr);
    EXPECT_EQ(kelm_fopen(nullptr, "r"), nullptr);
    EXPECT_EQ(kelm_fopen("", "r"), nullptr);
}

}  // namespace
