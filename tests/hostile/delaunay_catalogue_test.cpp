// Bad input for the constrained triangulator: points on the enclosing triangle,
// coordinates near 1e-300 and 1e300, NaN and the null real, and a flip between twin
// triangles. The links of the triangulation are checked along the way. (Collinear
// rows, constraints through vertices, cocircular grids and empty states are in the
// unit tests; the generated families of the stress suite cover all of these in bulk.)

#include <gtest/gtest.h>

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
}

TEST(HostileDelaunay, HugeTinyAndNanBoxesTakeNoPoint) {
    // A box of 1e-300 (the enclosing triangle's determinant underflows to 0), one of
    // +-1e300 (it overflows and every weight is NaN), NaN in the box, and a NaN scale
    // (every stored y is NaN): the point stays in the vertex list, in no triangle.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double box[4], yscale, x, y;
    } rows[] = {{{0, 0, 1e-300, 1e-300}, 1, 5e-301, 5e-301},
                {{-1e300, -1e300, 1e300, 1e300}, 1, 0, 0},
                {{-1e300, -1e300, 1e300, 1e300}, 1, 1e300, 1e300},
                {{nan, 0, 1, 1}, 1, 0.5, 0.5},
                {{0, 0, 1, 1}, nan, 0.5, 0.5}};
    for (const auto& r : rows) {
        Tri t(r.box[0], r.box[1], r.box[2], r.box[3], r.yscale);
        EXPECT_EQ(t.init, 1);
        EXPECT_EQ(t.add(r.x, r.y), KELM_NONE) << r.box[2] << " " << r.yscale;
        EXPECT_EQ(t.d.getPointCount(), 4u);
        EXPECT_LINKS_HOLD(t);
    }
    // 1e150 still fits: points go in as usual.
    Tri big(0, 0, 1e150, 1e150);
    EXPECT_EQ(big.add(5e149, 5e149), 3u);
    EXPECT_EQ(big.add(1e149, 9e149), 4u);
    EXPECT_EQ(big.add(9e149, 1e149), 5u);
    EXPECT_LINKS_HOLD(big);
    EXPECT_TRUE(kelm_test::passesAngleTest(big.d));

    // NaN and infinite points stay in the vertex list; the null real adds nothing.
    Tri t(0, 0, 1, 1);
    EXPECT_EQ(t.add(nan, 0.5), KELM_NONE);
    EXPECT_EQ(t.add(0.5, nan), KELM_NONE);
    EXPECT_EQ(t.add(INFINITY, 0.5), KELM_NONE);
    EXPECT_EQ(t.add(0.5, KELM_NULL_REAL), KELM_NONE);
    EXPECT_EQ(t.add(0.5, 0.5), 6u);
    // A constraint to a vertex that is in no triangle finds no edge to join.
    EXPECT_EQ(t.d.insertEdge(3, 6, 1), 0);
    EXPECT_LINKS_HOLD(t);
    const std::string dump = dumpMeshText(t.d);
    EXPECT_NE(dump.find("pt[3] = (nan,0.5)\n"), std::string::npos);
    EXPECT_NE(dump.find("pt[5] = (inf,0.5)\n"), std::string::npos);
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
