// Bad input for the constrained triangulator: duplicate points, collinear rows,
// cocircular grids, points on the enclosing triangle, coordinates near 1e-300 and
// 1e300, NaN and the null real, constraints through vertices, crossing constraints
// and constraints at the enclosing corners. Every call is followed by a check of the
// triangulation's links.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "hostile/structure_checks.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/bbox2d.h"
#include "support/capture.h"
#include "support/delaunay.h"

namespace {

using kelm_hostile::triangulation_problem;

KelmBoundingBox2D make_box(double x0, double y0, double x1, double y1) {
    KelmBoundingBox2D box;
    box.minpt().data()[0] = x0;
    box.minpt().data()[1] = y0;
    box.maxpt().data()[0] = x1;
    box.maxpt().data()[1] = y1;
    return box;
}

// A triangulator on the box, with a link check available after every call.
class Tri {
public:
    Tri(double x0, double y0, double x1, double y1, double yscale = 1.0) {
        KelmBoundingBox2D box = make_box(x0, y0, x1, y1);
        init = d.init(&box, yscale);
    }
    unsigned add(double x, double y) {
        const double p[2] = {x, y};
        return d.insertPoint(p);
    }
    std::string dump() {
        kelm_test::StdoutCapture out;
        d.dumpMesh();
        return out.text();
    }
    KelmDelaunay2D d;
    int init = 0;
};

#define EXPECT_LINKS_HOLD(tri) EXPECT_EQ(triangulation_problem((tri).d), "")

bool is_flagged(const std::string& dump, unsigned a, unsigned b, const char* flags) {
    return dump.find("= " + std::to_string(a) + " " + std::to_string(b) + flags + "\n") !=
               std::string::npos ||
           dump.find("= " + std::to_string(b) + " " + std::to_string(a) + flags + "\n") !=
               std::string::npos;
}

TEST(HostileDelaunay, DuplicatePoints) {
    Tri t(0, 0, 1, 1);
    ASSERT_EQ(t.init, 1);
    EXPECT_EQ(t.add(0.5, 0.5), 3u);
    EXPECT_EQ(t.add(0.5, 0.5), 3u);
    EXPECT_EQ(t.add(0.25, 0.75), 4u);
    EXPECT_EQ(t.add(0.25, 0.75), 4u);
    EXPECT_EQ(t.add(0.5, 0.5), 3u);
    // The enclosing corners themselves.
    EXPECT_EQ(t.add(-1, -1), 0u);
    EXPECT_EQ(t.add(-1, 4), 2u);
    EXPECT_EQ(t.d.getPointCount(), 5u);
    EXPECT_EQ(t.d.getTriangleCount(), 5u);
    EXPECT_LINKS_HOLD(t);
    KelmReal2DArray batch;
    batch.append(0.25, 0.75);
    batch.append(0.25, 0.75);
    batch.append(0.5, 0.5);
    EXPECT_EQ(t.d.insertPoints(batch), 4u);
    EXPECT_EQ(t.d.getPointCount(), 5u);
    EXPECT_LINKS_HOLD(t);
}

TEST(HostileDelaunay, CollinearRows) {
    Tri t(0, 0, 5, 5);
    for (unsigned i = 0; i <= 5; ++i) {
        EXPECT_EQ(t.add(i, 0), 3 + i);  // a row: vertices 3 .. 8
        EXPECT_LINKS_HOLD(t);
    }
    for (unsigned i = 1; i <= 5; ++i) {
        EXPECT_EQ(t.add(0, i), 8 + i);  // a column from the row's first point: 9 .. 13
        EXPECT_LINKS_HOLD(t);
    }
    for (unsigned i = 1; i <= 4; ++i) {
        EXPECT_EQ(t.add(i, i), 13 + i);  // a diagonal: 14 .. 17
        EXPECT_LINKS_HOLD(t);
    }
    // A constraint that runs through vertices is refused and changes nothing.
    const std::string before = t.dump();
    EXPECT_EQ(t.d.insertEdge(3, 8, 1), 0);
    EXPECT_EQ(t.d.insertEdge(3, 13, 0), 0);  // up the column
    EXPECT_EQ(t.d.insertEdge(3, 17, 0), 0);
    EXPECT_EQ(t.dump(), before);
    // Its pieces between neighbours go in.
    for (unsigned v = 3; v < 8; ++v) {
        EXPECT_EQ(t.d.insertEdge(v, v + 1, 1), 1) << v;
        EXPECT_LINKS_HOLD(t);
        EXPECT_TRUE(is_flagged(t.dump(), v, v + 1, " (no flip) (border)")) << v;
    }
}

TEST(HostileDelaunay, CocircularGridAndItsBorder) {
    Tri t(0, 0, 5, 5);
    unsigned id[6][6];
    for (unsigned y = 0; y < 6; ++y)
        for (unsigned x = 0; x < 6; ++x) {
            id[y][x] = t.add(x, y);
            ASSERT_EQ(id[y][x], 3 + 6 * y + x);
        }
    EXPECT_LINKS_HOLD(t);
    EXPECT_EQ(t.d.getTriangleCount(), 1u + 2u * 36u);
    // Every square of the grid has four cocircular corners: either diagonal passes.
    EXPECT_TRUE(kelm_test::passesAngleTest(t.d));

    // The grid's outline as border edges, then labels by crossing parity.
    for (unsigned i = 0; i < 5; ++i) {
        EXPECT_EQ(t.d.insertEdge(id[0][i], id[0][i + 1], 1), 1);
        EXPECT_EQ(t.d.insertEdge(id[5][i], id[5][i + 1], 1), 1);
        EXPECT_EQ(t.d.insertEdge(id[i][0], id[i + 1][0], 1), 1);
        EXPECT_EQ(t.d.insertEdge(id[i][5], id[i + 1][5], 1), 1);
        EXPECT_LINKS_HOLD(t);
    }
    EXPECT_EQ(t.d.resolveInside(), 1);
    for (unsigned tri = 0; tri < t.d.getTriangleCount(); ++tri) {
        double cx = 0, cy = 0;
        for (unsigned k = 0; k < 3; ++k) {
            cx += t.d.getPoint(t.d.getTriangleVertex(tri, k))[0] / 3;
            cy += t.d.getPoint(t.d.getTriangleVertex(tri, k))[1] / 3;
        }
        const int inside = cx > 0 && cx < 5 && cy > 0 && cy < 5;
        EXPECT_EQ(t.d.isInside(tri), inside) << tri;
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
    // A point found in triangle 0 still goes in.
    EXPECT_EQ(t.add(0.25, 0.5), 5u);
    EXPECT_LINKS_HOLD(t);

    // The corners of the caller's box lie well inside.
    Tri u(0, 0, 1, 1);
    EXPECT_EQ(u.add(0, 0), 3u);
    EXPECT_EQ(u.add(1, 1), 4u);
    EXPECT_EQ(u.add(0, 1), 5u);
    EXPECT_EQ(u.add(1, 0), 6u);
    EXPECT_LINKS_HOLD(u);
    EXPECT_TRUE(kelm_test::passesAngleTest(u.d));
}

TEST(HostileDelaunay, HugeAndTinyCoordinates) {
    {
        // A box of 1e-300: the enclosing triangle's determinant underflows to 0.
        Tri t(0, 0, 1e-300, 1e-300);
        EXPECT_EQ(t.init, 1);
        EXPECT_EQ(t.add(5e-301, 5e-301), KELM_NONE);
        EXPECT_EQ(t.d.getPointCount(), 4u);
        EXPECT_LINKS_HOLD(t);
    }
    {
        // A box of +-1e300: the determinant overflows and every weight is NaN.
        Tri t(-1e300, -1e300, 1e300, 1e300);
        EXPECT_EQ(t.add(0, 0), KELM_NONE);
        EXPECT_EQ(t.add(1e300, 1e300), KELM_NONE);
        EXPECT_EQ(t.d.getPointCount(), 5u);
        EXPECT_LINKS_HOLD(t);
    }
    {
        // 1e150 still fits: points go in as usual.
        Tri t(0, 0, 1e150, 1e150);
        EXPECT_EQ(t.add(5e149, 5e149), 3u);
        EXPECT_EQ(t.add(1e149, 9e149), 4u);
        EXPECT_EQ(t.add(9e149, 1e149), 5u);
        EXPECT_LINKS_HOLD(t);
        EXPECT_TRUE(kelm_test::passesAngleTest(t.d));
    }
    {
        // Points 1e-300 apart in a unit box: each call answers with the next index or
        // refuses, and the links hold throughout.
        Tri t(0, 0, 1, 1);
        EXPECT_EQ(t.add(1e-300, 0), 3u);
        const double pts[][2] = {{0, 1e-300},      {2e-300, 1e-300}, {0.5, 0.5},
                                 {1e-300, 1e-300}, {0, 0},           {1, 1e-300}};
        for (const auto& p : pts) {
            const unsigned before = t.d.getPointCount();
            const unsigned v = t.add(p[0], p[1]);
            EXPECT_TRUE(v == KELM_NONE || v == before || v < before) << p[0] << " " << p[1];
            EXPECT_LINKS_HOLD(t);
        }
    }
}

TEST(HostileDelaunay, NanAndTheNullReal) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Tri t(0, 0, 1, 1);
    EXPECT_EQ(t.add(nan, 0.5), KELM_NONE);  // stays in the vertex list, in no triangle
    EXPECT_EQ(t.add(0.5, nan), KELM_NONE);
    EXPECT_EQ(t.add(inf, 0.5), KELM_NONE);
    EXPECT_EQ(t.d.getPointCount(), 6u);
    EXPECT_EQ(t.add(DBL_MIN, 0.5), KELM_NONE);  // the null real: nothing is added
    EXPECT_EQ(t.add(0.5, KELM_NULL_REAL), KELM_NONE);
    EXPECT_EQ(t.d.getPointCount(), 6u);
    EXPECT_EQ(t.add(0.5, 0.5), 6u);
    EXPECT_LINKS_HOLD(t);
    // A constraint to a vertex that is in no triangle finds no edge to join.
    EXPECT_EQ(t.d.insertEdge(3, 6, 1), 0);
    EXPECT_LINKS_HOLD(t);
    const std::string dump = t.dump();
    EXPECT_NE(dump.find("pt[3] = (nan,0.5)\n"), std::string::npos);
    EXPECT_NE(dump.find("pt[5] = (inf,0.5)\n"), std::string::npos);

    // NaN in the box: the enclosing triangle is NaN and takes no point.
    Tri n(nan, 0, 1, 1);
    EXPECT_EQ(n.init, 1);
    EXPECT_EQ(n.add(0.5, 0.5), KELM_NONE);
    EXPECT_LINKS_HOLD(n);
    Tri s(0, 0, 1, 1, nan);  // a NaN scale makes every stored y NaN
    EXPECT_EQ(s.add(0.5, 0.5), KELM_NONE);

    // The null real in the box: no triangle at all, and no second chance.
    Tri e(0, 0, DBL_MIN, 1);
    EXPECT_EQ(e.init, 0);
    KelmBoundingBox2D good = make_box(0, 0, 1, 1);
    EXPECT_EQ(e.d.init(&good, 1.0), 0);
    // The empty state answers as no state: it prints nothing, stores no point
    // and refuses every change.
    EXPECT_EQ(e.dump(), "");
    EXPECT_EQ(e.add(0.5, 0.5), KELM_NONE);
    EXPECT_EQ(e.d.getPointCount() + e.d.getTriangleCount(), 0u);
    EXPECT_EQ(e.d.insertEdge(0, 0, 1), 0);
    EXPECT_EQ(e.d.resolveInside(), 0);
    EXPECT_EQ(e.dump(), "");
}

TEST(HostileDelaunay, ConstraintsThroughVertices) {
    Tri t(0, 0, 2, 2);
    const unsigned a = t.add(0, 0), b = t.add(2, 0), c = t.add(2, 2), d = t.add(0, 2);
    const unsigned m = t.add(1, 1);
    ASSERT_EQ(m, 7u);
    const std::string before = t.dump();
    EXPECT_EQ(t.d.insertEdge(a, c, 1), 0);  // through m
    EXPECT_EQ(t.d.insertEdge(d, b, 0), 0);
    EXPECT_EQ(t.dump(), before);
    EXPECT_EQ(t.d.insertEdge(a, m, 1), 1);
    EXPECT_EQ(t.d.insertEdge(m, c, 1), 1);
    EXPECT_LINKS_HOLD(t);
    const std::string after = t.dump();
    EXPECT_TRUE(is_flagged(after, a, m, " (no flip) (border)"));
    EXPECT_TRUE(is_flagged(after, m, c, " (no flip) (border)"));
    // A segment that only touches a vertex at its end is an ordinary constraint.
    EXPECT_EQ(t.d.insertEdge(b, m, 0), 1);
    EXPECT_EQ(t.d.insertEdge(d, m, 0), 1);
    EXPECT_LINKS_HOLD(t);
}

TEST(HostileDelaunay, CrossingConstraints) {
    Tri t(0, 0, 4, 4);
    const unsigned w = t.add(0, 2), e = t.add(4, 2), s = t.add(2, 0), n = t.add(2, 4);
    t.add(1, 1);
    t.add(3, 3);
    t.add(1, 3);
    t.add(3, 1);
    EXPECT_EQ(t.d.insertEdge(w, e, 1), 1);
    EXPECT_LINKS_HOLD(t);
    const unsigned forced = t.d.findEdge(w, e);
    ASSERT_NE(forced, KELM_NONE);
    // The crossing constraint is refused; the first keeps its place and its flags.
    EXPECT_EQ(t.d.insertEdge(s, n, 1), 0);
    EXPECT_LINKS_HOLD(t);
    EXPECT_EQ(t.d.findEdge(w, e), forced);
    EXPECT_TRUE(is_flagged(t.dump(), w, e, " (no flip) (border)"));
    // The same edge forced again without the border flag keeps only "no flip".
    EXPECT_EQ(t.d.insertEdge(e, w, 0), 1);
    EXPECT_TRUE(is_flagged(t.dump(), w, e, " (no flip)"));
    // Later points never flip it.
    t.add(2, 2.5);
    t.add(2, 1.5);
    t.add(1.9, 2.01);
    EXPECT_EQ(t.d.findEdge(w, e), forced);
    EXPECT_LINKS_HOLD(t);
}

TEST(HostileDelaunay, ConstraintsAtTheCornersAndBeyond) {
    Tri t(0, 0, 1, 1);
    const unsigned p = t.add(0.5, 0.5), q = t.add(0.2, 0.7);
    EXPECT_EQ(t.d.insertEdge(1, 2, 1), 1);  // an enclosing side: only its flag changes
    EXPECT_TRUE(is_flagged(t.dump(), 1, 2, " (no flip) (border)"));
    for (unsigned corner : {0u, 1u, 2u}) {
        const int r = t.d.insertEdge(corner, q, 0);
        EXPECT_TRUE(r == 0 || r == 1);
        EXPECT_LINKS_HOLD(t);
    }
    EXPECT_EQ(t.d.insertEdge(p, 99, 1), 0);
    EXPECT_EQ(t.d.insertEdge(KELM_NONE, p, 1), 0);
    EXPECT_EQ(t.d.insertEdge(p, p, 1), 1);
    EXPECT_EQ(t.d.resolveInside(), 1);
    for (unsigned tri = 0; tri < t.d.getTriangleCount(); ++tri) {
        const int label = t.d.isInside(tri);
        EXPECT_TRUE(label == 0 || label == 1 || label == static_cast<int>(KELM_NONE));
    }
    EXPECT_EQ(t.d.isInside(t.d.getTriangleCount()), static_cast<int>(KELM_NONE));
    EXPECT_LINKS_HOLD(t);
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
    EXPECT_EQ(t.d.insertEdge(3, 4, 1), 1);
    EXPECT_LINKS_HOLD(t);
    EXPECT_EQ(t.d.insertEdge(4, 5, 1), 0);
    EXPECT_LINKS_HOLD(t);
    EXPECT_EQ(t.d.insertEdge(5, 8, 1), 1);
    EXPECT_LINKS_HOLD(t);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(t.d.insertEdge(8, 3, 1), 0);
    EXPECT_EQ(out.text(), "Failed to flip edge\n");
    out.restore();
    EXPECT_LINKS_HOLD(t);
    EXPECT_EQ(t.d.resolveInside(), 1);
}

}  // namespace
