#include "kelmmath/delaunay/polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "delaunay/internal_polygon.h"
#include "support/capture.h"

namespace {

using Ring = std::vector<double>;
using kelm_test::ErrorRecorder;

Ring square(double x0, double y0, double x1, double y1) { return {x0, y0, x1, y0, x1, y1, x0, y1}; }
Ring reversed(Ring r) {
    Ring out;
    for (std::size_t i = r.size(); i >= 2; i -= 2) out.insert(out.end(), {r[i - 2], r[i - 1]});
    return out;
}

struct Outcome {
    int ok;
    long double area;
    unsigned points, input_points, triangles;
};

// Triangulates the rings; every triangle must be counter-clockwise over valid vertices.
Outcome run(const std::vector<Ring>& rings, int rule, KelmPolygon2D* p) {
    for (const Ring& r : rings) p->addRing(r.data(), static_cast<unsigned>(r.size() / 2));
    Outcome o{p->triangulate(rule), 0.0L, p->getPointCount(), p->getInputPointCount(),
              p->getTriangleCount()};
    for (unsigned t = 0; t < o.triangles; ++t) {
        unsigned v[3];
        p->getTriangle(&v[0], &v[1], &v[2], t);
        for (unsigned k : v) EXPECT_LT(k, o.points);
        const double *a = p->getPoint(v[0]), *b = p->getPoint(v[1]), *c = p->getPoint(v[2]);
        const long double twice =
            ((long double)b[0] - a[0]) * ((long double)c[1] - a[1]) -
            ((long double)c[0] - a[0]) * ((long double)b[1] - a[1]);
        EXPECT_GT(twice, 0.0L) << "triangle " << t;
        o.area += twice / 2;
    }
    return o;
}

struct Case {
    const char* name;
    std::vector<Ring> rings;
    double even_odd, non_zero;  // inside areas
};

// Untidy outlines of every kind, each area worked out by hand for both rules.
TEST(KelmPolygon2D, UntidyOutlinesCoverTheirHandComputedArea) {
    const Ring outer = square(0, 0, 4, 4);
    const double e = 1e-15;
    const std::vector<Case> cases = {
        {"T-junction and partly shared edge", {square(0, 0, 2, 2), square(2, 0, 3, 1)}, 5, 5},
        {"holes touching at a vertex", {outer, reversed(square(1, 1, 2, 2)), reversed(square(2, 2, 3, 3))}, 14, 14},
        {"holes sharing an edge", {outer, reversed(square(1, 1, 2, 2)), reversed(square(2, 1, 3, 2))}, 14, 14},
        {"hole touching the outer ring along an edge", {outer, reversed(square(3, 1, 4, 2))}, 15, 15},
        {"same-sense hole", {outer, square(1, 1, 2, 2)}, 15, 16},
        {"shared segment", {square(0, 0, 1, 1), square(1, 0, 2, 1)}, 2, 2},
        {"doubled ring", {square(0, 0, 1, 1), square(0, 0, 1, 1)}, 0, 1},
        {"spikes in and out", {{0, 0, 2, 0, 2, 2, 1, 2, 1, 1, 1, 2, 1, 3, 1, 2, 0, 2}}, 4, 4},
        {"hole equal to the outer ring", {square(0, 0, 2, 2), reversed(square(0, 0, 2, 2)), square(3, 0, 4, 1)}, 1, 1},
        {"bowtie", {{0, 0, 2, 2, 2, 0, 0, 2}}, 2, 2},
        {"overlapping squares", {square(0, 0, 2, 2), square(1, 1, 3, 3)}, 6, 7},
        {"hole 1e-15 beyond the outer edge", {outer, {3, 1, 3, 3, 4 + e, 3, 4 + e, 1}}, 14, 14},
        {"apexes 1e-28 apart", {{-1, -1, 1, -1, 0, 0}, {-1, 1, 0, 1e-28, 1, 1}}, 2, 2},
    };
    for (const Case& c : cases) {
        for (int rule : {KELM_FILL_EVEN_ODD, KELM_FILL_NON_ZERO}) {
            SCOPED_TRACE(std::string(c.name) + (rule ? " non-zero" : " even-odd"));
            KelmPolygon2D p;
            ErrorRecorder rec;
            const Outcome o = run(c.rings, rule, &p);
            EXPECT_EQ(o.ok, 1);
            EXPECT_EQ(rec.count(), 0u);
            EXPECT_NEAR((double)o.area, rule ? c.non_zero : c.even_odd, 1e-13);
        }
    }
}

TEST(KelmPolygon2D, VerticesComeInInputOrderThenCrossings) {
    // A closing repeat and repeats in a row are dropped; the bowtie's crossing is appended.
    KelmPolygon2D p;
    const Ring bowtie = {0, 0, 0, 0, 2, 2, 2, 0, 2, 0, 0, 2, 0, 0};
    const Outcome o = run({bowtie}, KELM_FILL_EVEN_ODD, &p);
    ASSERT_EQ(o.ok, 1);
    EXPECT_EQ(o.input_points, 4u);
    ASSERT_EQ(o.points, 5u);
    const double want[5][2] = {{0, 0}, {2, 2}, {2, 0}, {0, 2}, {1, 1}};
    for (unsigned v = 0; v < 5; ++v) {
        EXPECT_EQ(p.getPoint(v)[0], want[v][0]);
        EXPECT_EQ(p.getPoint(v)[1], want[v][1]);
    }
    EXPECT_EQ(o.triangles, 2u);

    // Coincident points of different rings share a vertex; points closer than the
    // tolerance too. The T-junction adds no vertex.
    KelmPolygon2D q;
    const Outcome t =
        run({square(0, 0, 2, 2), {2 + 1e-13, 0, 3, 0, 3, 1, 2 + 1e-14, 1}}, KELM_FILL_EVEN_ODD, &q);
    ASSERT_EQ(t.ok, 1);
    EXPECT_EQ(t.input_points, 7u);
    EXPECT_EQ(t.points, 7u);
    EXPECT_EQ(q.getPoint(4)[0], 3.0);
    EXPECT_EQ(q.getPoint(6)[0], 2 + 1e-14);
    EXPECT_NEAR((double)t.area, 5.0, 1e-12);
    EXPECT_DOUBLE_EQ(q.getTolerance(), 1e-12 * 3 + 16 * std::numeric_limits<double>::epsilon() * 3);
}

// Self-crossing rings on a coarse grid, where the triangulator cannot force a
// segment in one go (the first) or its flips turn a triangle over (the second):
// midpoints become vertices after the crossings. The areas are the fill rules
// integrated over horizontal bands (as kelm-triangulate checks).
TEST(KelmPolygon2D, HardSegmentsForcedThroughTheirMidpoints) {
    struct Hard {
        std::vector<Ring> rings;
        unsigned input_points;
        double area[2];
    };
    const Hard cases[] = {
        {{{8, 1.5, -7, -0.5, 6, 0, -1, -0.5, 2, -0.5, 5, -0.5, -1, 3.5, 3, 0, 0, 0}},
         9, {7.6094319085450977, 7.8478244586713766}},
        {{{-7, 2.5, 3, 3, 4, 1.5, 5, 2.5, 0, 1.5, 3, 3.5, 8, 3, 1, 2, 5, 1.5, 5, 2.5, 7, 3, 5, 0,
           0, 3.5, 7, 3.5, 5, 4},
          {4, 1, 5, 3, 2, -0.5}},
         17, {12.727951558218223, 14.156294825340224}},
    };
    for (const Hard& c : cases) {
        for (int rule : {KELM_FILL_EVEN_ODD, KELM_FILL_NON_ZERO}) {
            KelmPolygon2D p;
            const Outcome o = run(c.rings, rule, &p);
            ASSERT_EQ(o.ok, 1);
            EXPECT_EQ(o.input_points, c.input_points);
            EXPECT_NEAR((double)o.area, c.area[rule], 1e-12);
        }
    }
}

TEST(KelmPolygon2D, SeventeenDigitCoordinatesNear2e7) {
    const double x0 = 20000001.234567891, y0 = 19999998.765432109;
    const double x1 = x0 + 10, y1 = y0 + 10, xm = x0 + 5, ym = y0 + 5;
    // A square with a T-junction on its right edge from an attached square, and a
    // triangular hole.
    const std::vector<Ring> rings = {square(x0, y0, x1, y1), square(x1, y0, x1 + 5, ym),
                                     {xm, ym, xm + 1, ym + 3, xm - 1, ym + 3}};
    KelmPolygon2D p;
    const Outcome o = run(rings, KELM_FILL_EVEN_ODD, &p);
    ASSERT_EQ(o.ok, 1);
    const long double want = ((long double)x1 - x0) * ((long double)y1 - y0) +
                             ((long double)x1 + 5 - x1) * ((long double)ym - y0) - 3.0L;
    EXPECT_NEAR((double)o.area, (double)want, 1e-7);
}

TEST(KelmPolygon2D, BadInputIsReportedAndLeavesNoResult) {
    KelmPolygon2D p;
    ErrorRecorder rec;
    EXPECT_EQ(p.triangulate(KELM_FILL_EVEN_ODD), 0);
    ASSERT_EQ(rec.errors().size(), 1u);
    EXPECT_EQ(rec.errors()[0], "KelmPolygon2D: no ring to triangulate");

    const Ring good = square(0, 0, 1, 1);
    ASSERT_EQ(p.addRing(good.data(), 4), 1);
    ASSERT_EQ(p.triangulate(KELM_FILL_NON_ZERO), 1);
    ASSERT_EQ(p.getTriangleCount(), 2u);

    rec.clear();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Ring bad[] = {{0, 0, 1, 0, nan, 1}, {0, 0, inf, 0, 1, 1}};
    for (const Ring& r : bad) EXPECT_EQ(p.addRing(r.data(), 3), 0);
    EXPECT_EQ(rec.errors(), (std::vector<std::string>{
                                "KelmPolygon2D: ring 1, point 2: the coordinates are not finite",
                                "KelmPolygon2D: ring 2, point 1: the coordinates are not finite"}));
    const Ring thin = {0, 0, 1, 1, 0, 0, 1, 1};
    EXPECT_EQ(p.addRing(thin.data(), 4), 0);
    EXPECT_EQ(p.addRing(nullptr, 5), 0);
    EXPECT_EQ(rec.warnings(), (std::vector<std::string>{
                                  "KelmPolygon2D: ring 3 has fewer than 3 distinct points; skipped",
                                  "KelmPolygon2D: ring 4 has fewer than 3 distinct points; skipped"}));
    EXPECT_EQ(p.getRingCount(), 1u);

    rec.clear();
    EXPECT_EQ(p.triangulate(7), 0);
    EXPECT_EQ(rec.errors(), std::vector<std::string>{"KelmPolygon2D: unknown fill rule 7"});
    EXPECT_EQ(p.getTriangleCount(), 0u);
    EXPECT_EQ(p.getPointCount(), 0u);

    KelmReal2DArray arr;
    for (unsigned i = 0; i < 4; ++i) arr.append(&good[2 * i]);
    KelmPolygon2D moved(std::move(p));
    EXPECT_EQ(moved.addRing(arr), 1);
    EXPECT_EQ(moved.triangulate(KELM_FILL_EVEN_ODD), 1);
    EXPECT_EQ(moved.getTriangleCount(), 0u);  // the same square twice
    moved.clear();
    EXPECT_EQ(moved.getRingCount(), 0u);
}

TEST(KelmPolygonSnap, APointTakesTheLowestVertexWithinTheTolerance) {
    std::vector<double> xy = {0, 0, 1.5, 0};
    kelm_internal::VertexSnap snap(&xy, 0, 0, 1.0);
    EXPECT_EQ(snap.add(0.75, 0), 0u);  // within 1 of both
    EXPECT_EQ(snap.add(1.5, 0.9), 1u);
    EXPECT_EQ(snap.add(-2, 0), 2u);
    EXPECT_EQ(snap.find(-2.5, 0.5), 2u);
    EXPECT_EQ(snap.find(4, 4), KELM_NONE);
    EXPECT_EQ(xy.size(), 6u);
}

TEST(KelmPolygonArrange, EachCrossingCutsBothSegmentsOnce) {
    // A tall rectangle across a square: each horizontal side of the square and
    // each vertical side of the rectangle is cut twice, in order along it.
    std::vector<double> xy = square(0, 0, 4, 4);
    const Ring tall = square(1, -1, 3, 5);
    xy.insert(xy.end(), tall.begin(), tall.end());
    const std::vector<unsigned> segs = {0, 1, 1, 2, 2, 3, 3, 0, 4, 5, 5, 6, 6, 7, 7, 4};
    const auto edges = kelm_internal::arrangeSegments(&xy, segs, 1e-12);
    EXPECT_EQ(xy.size(), 24u);  // the four crossings appended
    EXPECT_EQ(edges.size(), 16u);
    for (const auto& e : edges) {
        EXPECT_EQ(e.count, 1) << e.a << " " << e.b;
        EXPECT_EQ(std::abs(e.winding), 1) << e.a << " " << e.b;
    }
}

TEST(KelmPolygonOrient, ExactWhereThePlainDeterminantRoundsAway) {
    const double a[2] = {0.5, 0.5}, b[2] = {12, 12}, c[2] = {24, 24};
    EXPECT_EQ(kelm_internal::orient2dExact(a, b, c), 0);
    const double up[2] = {24, std::nextafter(24.0, 25.0)}, down[2] = {24, std::nextafter(24.0, 23.0)};
    EXPECT_EQ(kelm_internal::orient2dExact(a, b, up), 1);
    EXPECT_EQ(kelm_internal::orient2dExact(a, b, down), -1);
}

}  // namespace
