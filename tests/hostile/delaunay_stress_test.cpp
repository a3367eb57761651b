// Ten thousand generated triangulations from fixed seeds, every family of
// support/delaunay_cases.h (extreme magnitudes included), points sent one by one or
// in runs. The links are checked after every call; the angle test is not, since on
// cocircular points both diagonals of a square may answer "flip".

#include <gtest/gtest.h>

#include <string>

#include "hostile/hostile_support.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "support/delaunay_cases.h"

namespace {

TEST(HostileDelaunayStress, TenThousandDegenerateTriangulations) {
    kelm_hostile::QuietContext quiet;
    kelm_hostile::QuietStdout quiet_stdout;
    kelm_hostile::Watchdog watchdog(30);
    unsigned failures = 0;
    for (unsigned seed = 0; seed < 10000 && failures < 5; ++seed) {
        watchdog.start("delaunay seed " + std::to_string(seed));
        const kelm_test::DelaunayCase c = kelm_test::makeDelaunayCase(seed, 8);
        KelmDelaunay2D d;
        const std::string problem = kelm_test::runCase(d, c, seed % 2 == 1);
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << " (" << c.family << ") " << problem;
            continue;
        }
        d.dumpMesh();
        d.dumpFacets();
    }
    EXPECT_EQ(failures, 0u);
}

}  // namespace
