#include "kelmmath/core/streams.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(KelmOutputString, CollectsInOrder) {
    KelmOutputString s;
    EXPECT_STREQ(s.str(), "");
    s.put("ab");
    s.put(nullptr);
    s.put("cdef", 2);
    EXPECT_STREQ(s.str(), "abcd");
    s.clear();
    EXPECT_STREQ(s.str(), "");
}

TEST(KelmOutputFile, WritesAndFlushesWithoutClosing) {
    FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    {
        KelmOutputFile out(fp, "tmp");
        out.put("hello ");
        out.put("world!!", 5);
        out.put("!?", 1);
        out.flush();
    }
    std::rewind(fp);  // still open after the stream is gone
    char buf[32] = {0};
    ASSERT_EQ(std::fread(buf, 1, sizeof buf - 1, fp), 12u);
    EXPECT_STREQ(buf, "hello world!");
    std::fclose(fp);
}

}  // namespace
