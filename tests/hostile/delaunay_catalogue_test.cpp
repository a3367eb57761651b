// Bad input for the constrained triangulator: collinear rows and constraints through
// their vertices, points on the enclosing triangle, coordinates near 1e-300 and
// 1e300, NaN and the null real, and a flip between twin triangles. The links of the
// triangulation are checked along the way. (Cocircular grids, crossing constraints
// and constraints to the enclosing corners are in the unit tests; the generated
// families of the stress suite cover all of these in bulk.)

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "support/capture.h"
#include "support/delaunay.h"

namespace {

using kelm_test::dumpMeshText;

// A triangulator on the box.
struct Tri {
    Tri(double x0, double y0, double x1, double y1, double yscale = 1.0) {
        KelmBoundingBox2D box = kelm_test::makeBox(x0, y0, x1, y1);
        init = d.init(&box, yscale);
    }
    unsigned add(double x, double y) {
        const double p[2] = {x, y};
        return d.insertPoint(p);
    }
    KelmDelaunay2D d;
    int init = 0;
};

#define EXPECT_LINKS_HOLD(tri) EXPECT_EQ(kelm_test::triangulation_problem((tri).d), "")

// The edge a-b carries exactly the given flag words in the dump.
bool is_flagged(Tri& t, unsigned a, unsigned b, const char* flags) {
    const std::string dump = dumpMeshText(t.d);
    for (const std::string& pair :
         {std::to_string(a) + " " + std::to_string(b), std::to_string(b) + " " + std::to_string(a)})
        if (dump.find("= " + pair + flags + "\n") != std::string::npos) return true;
    return false;
}

TEST(HostileDelaunay, CollinearRowsAndConstraintsThroughVertices) {
    Tri t(0, 0, 5, 5);
    for (unsigned i = 0; i <= 5; ++i) EXPECT_EQ(t.add(i, 0), 3 + i);   // a row: 3 .. 8
    for (unsigned i = 1; i <= 5; ++i) EXPECT_EQ(t.add(0, i), 8 + i);   // a column: 9 .. 13
    for (unsigned i = 1; i <= 4; ++i) EXPECT_EQ(t.add(i, i), 13 + i);  // a diagonal: 14 .. 17
    EXPECT_LINKS_HOLD(t);
    // A constraint that runs through vertices is refused and changes nothing.
    const std::string before = dumpMeshText(t.d);
    EXPECT_EQ(t.d.insertEdge(3, 8, 1), 0);
    EXPECT_EQ(t.d.insertEdge(3, 13, 0), 0);
    EXPECT_EQ(t.d.insertEdge(3, 17, 0), 0);
    EXPECT_EQ(dumpMeshText(t.d), before);
    // Its pieces between neighbours go in.
    for (unsigned v = 3; v < 8; ++v) {
        EXPECT_EQ(t.d.insertEdge(v, v + 1, 1), 1) << v;
        EXPECT_LINKS_HOLD(t);
        EXPECT_TRUE(is_flagged(t, v, v + 1, " (no flip) (border)")) << v;
    }
}

TEST(HostileDelaunay, PointsOnTheEnclosingTriangle) {
    Tri t(0, 0, 1, 1);  // corners (-1,-1), (4,-1), (-1,4)
    // On the side between corners 0 and 1: the split leaves a flat triangle (3, 0, 1)
    // that no flip can remove, since that side lies on the hull.
    EXPECT_EQ(t.add(1.5, -1), 3u);
    EXPECT_LINKS_HOLD(t);
    unsigned a, b, c;
    t.d.getTriangle(&a, &b, &c, 1);
    EXPECT_EQ(std::vector<unsigned>({a, b, c}), std::vector<unsigned>({3, 0, 1}));
    // A later point whose scan meets the flat triangle before the one that holds it
    // is refused, and stays in the vertex list.
    EXPECT_EQ(t.add(2, 0.5), KELM_NONE);
    EXPECT_EQ(t.d.getPointCount(), 5u);
    // A corner is a duplicate of its vertex (triangle 0, before the flat one, holds it).
    EXPECT_EQ(t.add(-1, 4), 2u);
    EXPECT_EQ(t.add(-1, -1), 0u);
    // A point found in triangle 0 still goes in.
    EXPECT_EQ(t.add(0.25, 0.5), 5u);
    EXPECT_LINKS_HOLD(t);

    // The corners of the caller's box lie well inside.
    Tri u(0, 0, 1, 1);
    for (unsigned k = 0; k < 4; ++k) EXPECT_EQ(u.add(k % 2, k / 2), 3 + k);
    EXPECT_LINKS_HOLD(u);
    EXPECT_TRUE(kelm_test::passesAngleTest(u.d));
}

TEST(HostileDelaunay, HugeAndTinyCoordinates) {
    // A box of 1e-300: the enclosing triangle's determinant underflows to 0.
    Tri tiny(0, 0, 1e-300, 1e-300);
    EXPECT_EQ(tiny.init, 1);
    EXPECT_EQ(tiny.add(5e-301, 5e-301), KELM_NONE);
    EXPECT_EQ(tiny.d.getPointCount(), 4u);
    EXPECT_LINKS_HOLD(tiny);
    // A box of +-1e300: the determinant overflows and every weight is NaN.
    Tri huge(-1e300, -1e300, 1e300, 1e300);
    EXPECT_EQ(huge.add(0, 0), KELM_NONE);
    EXPECT_EQ(huge.add(1e300, 1e300), KELM_NONE);
    EXPECT_EQ(huge.d.getPointCount(), 5u);
    EXPECT_LINKS_HOLD(huge);
    // 1e150 still fits: points go in as usual.
    Tri big(0, 0, 1e150, 1e150);
    EXPECT_EQ(big.add(5e149, 5e149), 3u);
    EXPECT_EQ(big.add(1e149, 9e149), 4u);
    EXPECT_EQ(big.add(9e149, 1e149), 5u);
    EXPECT_LINKS_HOLD(big);
    EXPECT_TRUE(kelm_test::passesAngleTest(big.d));
    // Points 1e-300 apart in a unit box: each call answers with the next index or
    // refuses, and the links hold throughout.
    Tri t(0, 0, 1, 1);
    EXPECT_EQ(t.add(1e-300, 0), 3u);
    const double pts[][2] = {{0, 1e-300},      {2e-300, 1e-300}, {0.5, 0.5},
                             {1e-300, 1e-300}, {0, 0},           {1, 1e-300}};
    for (const auto& p : pts) {
        const unsigned before = t.d.getPointCount(), v = t.add(p[0], p[1]);
        EXPECT_TRUE(v == KELM_NONE || v <= before) << p[0] << " " << p[1];
        EXPECT_LINKS_HOLD(t);
    }
}

TEST(HostileDelaunay, NanAndTheNullReal) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Tri t(0, 0, 1, 1);
    EXPECT_EQ(t.add(nan, 0.5), KELM_NONE);  // stays in the vertex list, in no triangle
    EXPECT_EQ(t.add(0.5, nan), KELM_NONE);
    EXPECT_EQ(t.add(INFINITY, 0.5), KELM_NONE);
    EXPECT_EQ(t.add(0.5, KELM_NULL_REAL), KELM_NONE);  // the null real: nothing is added
    EXPECT_EQ(t.add(0.5, 0.5), 6u);
    EXPECT_LINKS_HOLD(t);
    // A constraint to a vertex that is in no triangle finds no edge to join.
    EXPECT_EQ(t.d.insertEdge(3, 6, 1), 0);
    EXPECT_LINKS_HOLD(t);
    const std::string dump = dumpMeshText(t.d);
    EXPECT_NE(dump.find("pt[3] = (nan,0.5)\n"), std::string::npos);
    EXPECT_NE(dump.find("pt[5] = (inf,0.5)\n"), std::string::npos);

    // NaN in the box: the enclosing triangle is NaN and takes no point.
    Tri n(nan, 0, 1, 1);
    EXPECT_EQ(n.init, 1);
    EXPECT_EQ(n.add(0.5, 0.5), KELM_NONE);
    EXPECT_LINKS_HOLD(n);
    Tri s(0, 0, 1, 1, nan);  // a NaN scale makes every stored y NaN
    EXPECT_EQ(s.add(0.5, 0.5), KELM_NONE);

    // The null real in the box: no triangle at all, and no second chance; the empty
    // state prints nothing and refuses every change.
    Tri e(0, 0, DBL_MIN, 1);
    EXPECT_EQ(e.init, 0);
    KelmBoundingBox2D good = kelm_test::makeBox(0, 0, 1, 1);
    EXPECT_EQ(e.d.init(&good, 1.0), 0);
    EXPECT_EQ(e.d.insertEdge(0, 0, 1), 0);
    EXPECT_EQ(dumpMeshText(e.d), "");
}

// Found by fuzzing: two nearly coincident points and constraints between them led a
// recovery flip to turn an edge shared by two triangles with the same three vertices,
// leaving a triangle that repeated a vertex. Such a flip is now refused unchanged.
TEST(HostileDelaunay, FlipBetweenTwinTrianglesIsRefused) {
    Tri t(0, 0, 2, 3);
    EXPECT_EQ(t.add(0, 0), 3u);
    EXPECT_EQ(t.add(0, 7.2911220195563975e-304), 4u);
    EXPECT_EQ(t.add(1, 1), 5u);
    EXPECT_EQ(t.add(1, 1.1287523298547345e-288), KELM_NONE);
    EXPECT_EQ(t.add(2, 2), KELM_NONE);
    EXPECT_EQ(t.add(1.2759470487579503e-303, 1), 8u);
    EXPECT_EQ(t.add(1, 3), KELM_NONE);
    EXPECT_LINKS_HOLD(t);
    kelm_test::StdoutCapture out;
    const int answers[4] = {1, 0, 1, 0};
    const unsigned ends[5] = {3, 4, 5, 8, 3};
    for (unsigned k = 0; k < 4; ++k) {
        EXPECT_EQ(t.d.insertEdge(ends[k], ends[k + 1], 1), answers[k]) << k;
        EXPECT_EQ(out.text(), k < 3 ? "" : "Failed to flip edge\n") << k;
        EXPECT_LINKS_HOLD(t);
    }
    out.restore();
    EXPECT_EQ(t.d.resolveInside(), 1);
}

}  // namespace
