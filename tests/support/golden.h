#ifndef KELMMATH_TESTS_SUPPORT_GOLDEN_H
#define KELMMATH_TESTS_SUPPORT_GOLDEN_H

// Golden files: expected texts kept under tests/golden/.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace kelm_test {

// Compares text with tests/golden/<name>; with KELMMATH_UPDATE_GOLDEN=1 the file is
// rewritten from text first. A missing file fails the test.
inline void expect_golden(const std::string& name, const std::string& text) {
    const std::string path = std::string(KELMMATH_SOURCE_DIR) + "/tests/golden/" + name;
    const char* update = std::getenv("KELMMATH_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1")
        std::ofstream(path, std::ios::binary) << text;
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << "missing golden file " << path;
    std::ostringstream golden;
    golden << in.rdbuf();
    EXPECT_EQ(golden.str(), text) << "differs from " << path;
}

}  // namespace kelm_test

#endif
