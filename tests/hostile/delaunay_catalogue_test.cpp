// Bad input for the constrained triangulator: points on the enclosing triangle and a
// flip between twin triangles. The links of the triangulation are checked along the
// way. (Boxes near 1e-300 and 1e300, NaN and the null real, collinear rows,
// constraints through vertices, cocircular grids and empty states are in the unit
// tests; the generated families of the stress suite cover all of these in bulk.)

#include <gtest/gtest.h>

#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "support/capture.h"
#include "support/delaunay.h"

namespace {

#define EXPECT_LINKS_HOLD(d) EXPECT_EQ(kelm_test::triangulation_problem(d), "")

TEST(HostileDelaunay, PointsOnTheEnclosingTriangle) {
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
}

// Found by fuzzing: two nearly coincident points and constraints between them led a
// recovery flip to turn an edge shared by two triangles with the same three vertices,
// leaving a triangle that repeated a vertex. Such a flip is now refused unchanged.
TEST(HostileDelaunay, FlipBetweenTwinTrianglesIsRefused) {
    KelmBoundingBox2D box = kelm_test::makeBox(0, 0, 2, 3);
    KelmDelaunay2D d;
    d.init(&box, 1.0);
    const double N = KELM_NONE, points[][3] = {{0, 0, 3}, {0, 7.2911220195563975e-304, 4},
                                               {1, 1, 5}, {1, 1.1287523298547345e-288, N},
                                               {2, 2, N}, {1.2759470487579503e-303, 1, 8},
                                               {1, 3, N}};
    for (const auto& p : points) EXPECT_EQ(d.insertPoint(p), p[2]) << p[0] << " " << p[1];
    EXPECT_LINKS_HOLD(d);
    kelm_test::StdoutCapture out;
    const int answers[4] = {1, 0, 1, 0};
    const unsigned ends[5] = {3, 4, 5, 8, 3};
    for (unsigned k = 0; k < 4; ++k) {
        EXPECT_EQ(d.insertEdge(ends[k], ends[k + 1], 1), answers[k]) << k;
        EXPECT_EQ(out.text(), k < 3 ? "" : "Failed to flip edge\n") << k;
        EXPECT_LINKS_HOLD(d);
    }
    out.restore();
    EXPECT_EQ(d.resolveInside(), 1);
}

}  // namespace
