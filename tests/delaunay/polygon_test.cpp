#include "kelmmath/delaunay/polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "delaunay/internal_polygon.h"
#include "support/capture.h"

namespace {

using Ring = std::vector<double>;
using kelm_test::ErrorRecorder;

Ring square(double x0, double y0, double x1, double y1) {
    return {x0, y0, x1, y0, x1, y1, x0, y1};
}
// The same square the other way round (a hole), from its last corner.
Ring hole(double x0, double y0, double x1, double y1) {
    return {x0, y1, x1, y1, x1, y0, x0, y0};
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
        const long double twice = ((long double)b[0] - a[0]) * ((long double)c[1] - a[1]) -
                                  ((long double)c[0] - a[0]) * ((long double)b[1] - a[1]);
        EXPECT_GT(twice, 0.0L) << "triangle " << t;
        o.area += twice / 2;
    }
    return o;
}

// Untidy outlines of every kind, each area worked out by hand for both rules, and
// self-crossing rings on a coarse grid, where the triangulator cannot force a segment
// in one go (the first) or its flips turn a triangle over (the second): midpoints
// become vertices after the crossings (their areas are the fill rules integrated over
// horizontal bands). The input point counts are those after merging repeats.
TEST(KelmPolygon2D, UntidyOutlinesCoverTheirArea) {
    const Ring outer = square(0, 0, 4, 4);
    const double e = 1e-15;
    const Ring grid1 = {8, 1.5, -7, -0.5, 6, 0, -1, -0.5, 2, -0.5, 5, -0.5, -1, 3.5, 3, 0, 0, 0};
    const Ring grid2 = {-7, 2.5, 3,   3, 4,   1.5, 5, 2.5, 0, 1.5, 3,   3.5, 8,   3, 1,
                        2,  5,   1.5, 5, 2.5, 7,   3, 5,   0, 0,   3.5, 7,   3.5, 5, 4};
    const Ring tri = {4, 1, 5, 3, 2, -0.5};
    const struct {
        const char* name;
        unsigned inputs;
        double even_odd, non_zero;
        std::vector<Ring> rings;
    } cases[] = {
        {"T-junction, shared edge part", 7, 5, 5, {square(0, 0, 2, 2), square(2, 0, 3, 1)}},
        {"holes touching at a vertex", 11, 14, 14, {outer, hole(1, 1, 2, 2), hole(2, 2, 3, 3)}},
        {"holes sharing an edge", 10, 14, 14, {outer, hole(1, 1, 2, 2), hole(2, 1, 3, 2)}},
        {"hole along the outer edge", 8, 15, 15, {outer, hole(3, 1, 4, 2)}},
        {"same-sense hole", 8, 15, 16, {outer, square(1, 1, 2, 2)}},
        {"shared segment", 6, 2, 2, {square(0, 0, 1, 1), square(1, 0, 2, 1)}},
        {"doubled ring", 4, 0, 1, {square(0, 0, 1, 1), square(0, 0, 1, 1)}},
        {"spikes in and out", 7, 4, 4, {{0, 0, 2, 0, 2, 2, 1, 2, 1, 1, 1, 2, 1, 3, 1, 2, 0, 2}}},
        {"hole as the outer", 8, 1, 1, {square(0, 0, 2, 2), hole(0, 0, 2, 2), square(3, 0, 4, 1)}},
        {"bowtie", 4, 2, 2, {{0, 0, 2, 2, 2, 0, 0, 2}}},
        {"overlapping squares", 8, 6, 7, {square(0, 0, 2, 2), square(1, 1, 3, 3)}},
        {"hole 1e-15 beyond the edge", 8, 14, 14, {outer, {3, 1, 3, 3, 4 + e, 3, 4 + e, 1}}},
        {"apexes 1e-28 apart", 5, 2, 2, {{-1, -1, 1, -1, 0, 0}, {-1, 1, 0, 1e-28, 1, 1}}},
        {"forced through midpoints", 9, 7.6094319085450977, 7.8478244586713766, {grid1}},
        {"flips turn a triangle", 17, 12.727951558218223, 14.156294825340224, {grid2, tri}},
    };
    for (const auto& c : cases) {
        for (int rule : {KELM_FILL_EVEN_ODD, KELM_FILL_NON_ZERO}) {
            SCOPED_TRACE(std::string(c.name) + (rule ? " non-zero" : " even-odd"));
            KelmPolygon2D p;
            ErrorRecorder rec;
            const Outcome o = run(c.rings, rule, &p);
            EXPECT_EQ(std::vector<std::size_t>({std::size_t(o.ok), rec.count(), o.input_points}),
                      (std::vector<std::size_t>{1, 0, c.inputs}));
            EXPECT_NEAR((double)o.area, rule ? c.non_zero : c.even_odd, 1e-13);
            ASSERT_FALSE(HasFailure());  // the later rows take long when the arrangement is off
        }
    }
}

TEST(KelmPolygon2D, VerticesComeInInputOrderThenCrossings) {
    // A closing repeat and repeats in a row are dropped; the bowtie's crossing is appended.
    KelmPolygon2D p;
    const Outcome o = run({{0, 0, 0, 0, 2, 2, 2, 0, 2, 0, 0, 2, 0, 0}}, KELM_FILL_EVEN_ODD, &p);
    ASSERT_EQ(std::vector<unsigned>({unsigned(o.ok), o.input_points, o.points, o.triangles}),
              (std::vector<unsigned>{1, 4, 5, 2}));
    EXPECT_EQ(Ring(p.getPoint(0), p.getPoint(0) + 10), (Ring{0, 0, 2, 2, 2, 0, 0, 2, 1, 1}));

    // Coincident points of different rings share a vertex; points closer than the
    // tolerance too. The T-junction adds no vertex.
    KelmPolygon2D q;
    const Outcome t =
        run({square(0, 0, 2, 2), {2 + 1e-13, 0, 3, 0, 3, 1, 2 + 1e-14, 1}}, KELM_FILL_EVEN_ODD, &q);
    ASSERT_EQ(std::vector<unsigned>({unsigned(t.ok), t.input_points, t.points}),
              (std::vector<unsigned>{1, 7, 7}));
    EXPECT_EQ(q.getPoint(4)[0], 3.0);
    EXPECT_EQ(q.getPoint(6)[0], 2 + 1e-14);
    EXPECT_NEAR((double)t.area, 5.0, 1e-12);
    EXPECT_DOUBLE_EQ(q.getTolerance(), 1e-12 * 3 + 16 * std::numeric_limits<double>::epsilon() * 3);

    // Seventeen-digit coordinates near 2e7: a square with a T-junction on its right
    // edge from an attached square, and a triangular hole.
    const double x0 = 20000001.234567891, y0 = 19999998.765432109;
    const double x1 = x0 + 10, y1 = y0 + 10, xm = x0 + 5, ym = y0 + 5;
    KelmPolygon2D r;
    const Outcome big = run({square(x0, y0, x1, y1),
                             square(x1, y0, x1 + 5, ym),
                             {xm, ym, xm + 1, ym + 3, xm - 1, ym + 3}},
                            KELM_FILL_EVEN_ODD, &r);
    ASSERT_EQ(big.ok, 1);
    const long double want = ((long double)x1 - x0) * ((long double)y1 - y0) +
                             ((long double)x1 + 5 - x1) * ((long double)ym - y0) - 3.0L;
    EXPECT_NEAR((double)big.area, (double)want, 1e-7);
}

TEST(KelmPolygon2D, BadInputIsReportedAndLeavesNoResult) {
    KelmPolygon2D p;
    ErrorRecorder rec;
    EXPECT_EQ(p.triangulate(KELM_FILL_EVEN_ODD), 0);
    EXPECT_EQ(rec.errors(), std::vector<std::string>{"KelmPolygon2D: no ring to triangulate"});

    const Ring good = square(0, 0, 1, 1);
    ASSERT_EQ(p.addRing(good.data(), 4), 1);
    ASSERT_EQ(p.triangulate(KELM_FILL_NON_ZERO), 1);
    ASSERT_EQ(p.getTriangleCount(), 2u);

    rec.clear();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Ring bad[] = {{0, 0, 1, 0, nan, 1}, {0, 0, INFINITY, 0, 1, 1}, {0, 0, 1, 1, 0, 0, 1, 1}};
    for (const Ring& r : bad)
        EXPECT_EQ(p.addRing(r.data(), static_cast<unsigned>(r.size() / 2)), 0);
    EXPECT_EQ(p.addRing(nullptr, 5), 0);
    EXPECT_EQ(rec.errors(), (std::vector<std::string>{
                                "KelmPolygon2D: ring 1, point 2: the coordinates are not finite",
                                "KelmPolygon2D: ring 2, point 1: the coordinates are not finite"}));
    EXPECT_EQ(rec.warnings(),
              (std::vector<std::string>{
                  "KelmPolygon2D: ring 3 has fewer than 3 distinct points; skipped",
                  "KelmPolygon2D: ring 4 has fewer than 3 distinct points; skipped"}));
    EXPECT_EQ(p.getRingCount(), 1u);

    rec.clear();
    EXPECT_EQ(p.triangulate(7), 0);
    EXPECT_EQ(rec.errors(), std::vector<std::string>{"KelmPolygon2D: unknown fill rule 7"});
    EXPECT_EQ(p.getTriangleCount() + p.getPointCount(), 0u);

    KelmReal2DArray arr;
    for (unsigned i = 0; i < 4; ++i) arr.append(&good[2 * i]);
    KelmPolygon2D moved(std::move(p));
    EXPECT_EQ(moved.addRing(arr), 1);
    EXPECT_EQ(moved.triangulate(KELM_FILL_EVEN_ODD), 1);
    EXPECT_EQ(moved.getTriangleCount(), 0u);  // the same square twice
    moved.clear();
    EXPECT_EQ(moved.getRingCount(), 0u);
}

TEST(KelmPolygonParts, SnapArrangeAndOrient) {
    // A point takes the lowest vertex within the tolerance, or is appended.
    std::vector<double> xy = {0, 0, 1.5, 0};
    kelm_internal::VertexSnap snap(&xy, 0, 0, 1.0);
    // (0.75, 0) is within 1 of both vertices.
    EXPECT_EQ(std::vector<unsigned>({snap.add(0.75, 0), snap.add(1.5, 0.9), snap.add(-2, 0),
                                     snap.find(-2.5, 0.5), snap.find(4, 4)}),
              (std::vector<unsigned>{0, 1, 2, 2, KELM_NONE}));
    EXPECT_EQ(xy.size(), 6u);
    // Thousands of cells, the index grown many times: each point is found again.
    std::vector<double> grid;
    kelm_internal::VertexSnap many(&grid, 0, 0, 0.1);
    unsigned wrong = 0;
    for (unsigned i = 0; i < 4000; ++i) wrong += many.add(i % 64, i / 64) != i;
    for (unsigned i = 0; i < 4000; ++i) wrong += many.find(i % 64 + 0.05, i / 64) != i;
    EXPECT_EQ(wrong, 0u);

    // A tall rectangle across a square: each horizontal side of the square and each
    // vertical side of the rectangle is cut twice, in order along it, each piece once.
    xy = square(0, 0, 4, 4);
    const Ring tall = square(1, -1, 3, 5);
    xy.insert(xy.end(), tall.begin(), tall.end());
    const std::vector<unsigned> segs = {0, 1, 1, 2, 2, 3, 3, 0, 4, 5, 5, 6, 6, 7, 7, 4};
    const auto edges = kelm_internal::arrangeSegments(&xy, segs, 1e-12);
    EXPECT_EQ(xy.size(), 24u);  // the four crossings appended
    EXPECT_EQ(edges.size(), 16u);
    for (const auto& e : edges)  // count and winding
        EXPECT_EQ(std::make_pair(e.count, std::abs(e.winding)), std::make_pair(1, 1)) << e.a;

    // The orientation is exact where the plain determinant rounds away.
    const double a[2] = {0.5, 0.5}, b[2] = {12, 12}, c[2] = {24, 24};
    const double up[2] = {24, std::nextafter(24.0, 25.0)},
                 down[2] = {24, std::nextafter(24.0, 23.0)};
    using kelm_internal::orient2dExact;
    EXPECT_EQ(std::vector<int>(
                  {orient2dExact(a, b, c), orient2dExact(a, b, up), orient2dExact(a, b, down)}),
              (std::vector<int>{0, 1, -1}));
}

}  // namespace
