// Bad input for the constrained triangulator: points on the enclosing triangle, a flip
// between twin triangles, and ten thousand generated runs of every family of
// support/delaunay_cases.h (boxes near 1e-300 and 1e300, NaN, rows, constraints
// through vertices; the unit tests hold the exact cases). The links are checked after
// every call; the angle test is not, since on cocircular points both diagonals of a
// square may answer "flip".

#include <gtest/gtest.h>

#include "hostile/hostile_support.h"
#include "support/delaunay.h"

namespace {

#define EXPECT_LINKS_HOLD(d) EXPECT_EQ(kelm_test::triangulation_problem(d), "")

TEST(HostileDelaunay, PointsOnTheEnclosingTriangleAndTwinFlips) {
    KelmDelaunay2D d = kelm_test::unitTriangulator();  // corners (-1,-1), (4,-1), (-1,4)
    // On the side between corners 0 and 1: the split leaves a flat triangle (3, 0, 1)
    // that no flip can remove, since that side lies on the hull.
    EXPECT_EQ(d.insertPoint(KelmPoint2D(1.5, -1)), 3u);
    EXPECT_LINKS_HOLD(d);
    unsigned a, b, c;
    d.getTriangle(&a, &b, &c, 1);
    EXPECT_EQ(std::vector<unsigned>({a, b, c}), std::vector<unsigned>({3, 0, 1}));
    // A later point whose scan meets the flat triangle before the one that holds it
    // is refused, and stays in the vertex list.
    EXPECT_EQ(d.insertPoint(KelmPoint2D(2, 0.5)), KELM_NONE);
    EXPECT_EQ(d.getPointCount(), 5u);
    // A corner is a duplicate of its vertex (triangle 0, before the flat one, holds it).
    EXPECT_EQ(d.insertPoint(KelmPoint2D(-1, 4)), 2u);
    EXPECT_EQ(d.insertPoint(KelmPoint2D(-1, -1)), 0u);
    // A point found in triangle 0 still goes in.
    EXPECT_EQ(d.insertPoint(KelmPoint2D(0.25, 0.5)), 5u);
    EXPECT_LINKS_HOLD(d);

    // Found by fuzzing: two nearly coincident points and constraints between them led a
    // recovery flip to turn an edge shared by two triangles with the same three vertices,
    // leaving a triangle that repeated a vertex. Such a flip is now refused unchanged.
    KelmBoundingBox2D box = kelm_test::makeBox(0, 0, 2, 3);
    KelmDelaunay2D t;
    t.init(&box, 1.0);
    const double N = KELM_NONE, points[][3] = {{0, 0, 3}, {0, 7.2911220195563975e-304, 4},
                                               {1, 1, 5}, {1, 1.1287523298547345e-288, N},
                                               {2, 2, N}, {1.2759470487579503e-303, 1, 8},
                                               {1, 3, N}};
    for (const auto& p : points) EXPECT_EQ(t.insertPoint(p), p[2]) << p[0] << " " << p[1];
    EXPECT_LINKS_HOLD(t);
    kelm_test::StdoutCapture out;
    const int answers[4] = {1, 0, 1, 0};
    const unsigned ends[5] = {3, 4, 5, 8, 3};
    for (unsigned k = 0; k < 4; ++k) {
        EXPECT_EQ(t.insertEdge(ends[k], ends[k + 1], 1), answers[k]) << k;
        EXPECT_EQ(out.text(), k < 3 ? "" : "Failed to flip edge\n") << k;
        EXPECT_LINKS_HOLD(t);
    }
    out.restore();
    EXPECT_EQ(t.resolveInside(), 1);
}

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
