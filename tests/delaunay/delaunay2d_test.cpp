#include "kelmmath/delaunay/delaunay2d.h"

#include <gtest/gtest.h>

#include "support/delaunay.h"

namespace {

using kelm_internal::DelaunayState;
using kelm_internal::PointClass;
using kelm_test::makeBox;
using kelm_test::unitState;
using kelm_test::unitTriangulator;
const unsigned N = KELM_NONE;

// Vertices then edges of every triangle; vertices then triangles of every edge.
std::vector<unsigned> tables(KelmDelaunay2D& d) {
    std::vector<unsigned> out;
    for (unsigned t = 0; t < d.getTriangleCount(); ++t)
        for (unsigned k = 0; k < 6; ++k)
            out.push_back(k < 3 ? d.getTriangleVertex(t, k) : d.getTriangleEdge(t, k - 3));
    for (unsigned e = 0; e < d.getEdgeCount(); ++e)
        for (unsigned k = 0; k < 4; ++k)
            out.push_back(k < 2 ? d.getEdgeVertex(e, k) : d.getEdgeTriangle(e, k - 2));
    return out;
}

TEST(KelmDelaunay2DInit, EnclosingTriangleAndRefusals) {
    KelmBoundingBox2D box = makeBox(0, 0, 1, 1), wide = makeBox(10, 20, 14, 21);
    KelmDelaunay2D d, w;
    ASSERT_EQ(d.init(&box, 1.0), 1);
    EXPECT_EQ(std::vector<double>(d.getPoint(0), d.getPoint(0) + 6),
              (std::vector<double>{-1, -1, 4, -1, -1, 4}));
    EXPECT_EQ(tables(d), (std::vector<unsigned>{0, 1, 2, 0, 1, 2, /* edges */ 0, 1, 0, N,  //
                                                1, 2, 0, N, 0, 2, 0, N}));
    EXPECT_EQ(std::vector<unsigned>({d.findEdge(1, 0), d.findEdge(2, 0), d.findEdge(0, 0)}),
              (std::vector<unsigned>{0, 2, N}));
    ASSERT_EQ(w.init(&wide, 1.0), 1);  // width and height apart
    EXPECT_EQ(std::vector<double>(w.getPoint(1), w.getPoint(1) + 4),
              (std::vector<double>{26, 19, 6, 24}));

    EXPECT_EQ(d.init(&wide, 1.0), 0);
    EXPECT_EQ(d.getPoint(0)[0], -1.0);
    KelmDelaunay2D n;
    EXPECT_EQ(n.init(nullptr, 1.0), 0);
    EXPECT_EQ(n.init(&box, 1.0), 1);

    // Boxes whose enclosing triangle takes no point (zero width, 1e-300: determinant
    // 0, +-1e300: weights NaN, NaN box or scale) keep it out of all triangles; 1e150 fits.
    // Rows: the box, the y scale, the point.
    const double rows[][7] = {{0, 0, 0, 1, 1, 0, 0.5},
                              {0, 0, 1e-300, 1e-300, 1, 5e-301, 5e-301},
                              {-1e300, -1e300, 1e300, 1e300, 1, 0, 0},
                              {-1e300, -1e300, 1e300, 1e300, 1, 1e300, 1e300},
                              {NAN, 0, 1, 1, 1, 0.5, 0.5},
                              {0, 0, 1, 1, NAN, 0.5, 0.5},
                              {0, 0, 1e150, 1e150, 1, 5e149, 5e149}};
    for (const auto& r : rows) {
        KelmBoundingBox2D b = makeBox(r[0], r[1], r[2], r[3]);
        KelmDelaunay2D t;
        EXPECT_EQ(t.init(&b, r[4]), 1);
        EXPECT_EQ(t.insertPoint(&r[5]), r[5] == 5e149 ? 3u : N) << r[2] << " " << r[4];
        EXPECT_EQ(t.getPointCount(), 4u);
        EXPECT_EQ(kelm_test::triangulation_problem(t), "");
        if (r[5] != 5e149) continue;
        EXPECT_EQ(t.insertPoint(KelmPoint2D(1e149, 9e149)), 4u);
        EXPECT_EQ(t.insertPoint(KelmPoint2D(9e149, 1e149)), 5u);
        EXPECT_TRUE(kelm_test::passesAngleTest(t));
    }

    // Members without a state are inert: before init, and after an init on an empty
    // box (which keeps an empty state: a second init fails too).
    KelmBoundingBox2D empty;
    KelmDelaunay2D never, failed;
    EXPECT_EQ(std::vector<int>({failed.init(&empty, 1.0), failed.init(&box, 1.0)}),
              std::vector<int>(2, 0));
    for (KelmDelaunay2D* d : {&never, &failed}) {
        KelmReal2DArray pts;
        pts.append(0.5, 0.5);
        unsigned a = 1, b = 2;
        d->getTriangle(&a, &b, nullptr, 0);
        // Inserts store nothing; every getter answers none.
        EXPECT_EQ(std::vector<unsigned>({d->insertPoint(KelmPoint2D(0.5, 0.5)),
                                         d->insertPoints(pts), d->findEdge(0, 1),
                                         d->getTriangleVertex(0, 0), d->getTriangleEdge(0, 0),
                                         d->getEdgeVertex(0, 0), d->getEdgeTriangle(0, 0), a, b}),
                  std::vector<unsigned>(9, N));
        EXPECT_EQ(std::vector<int>({d->insertEdge(3, 3, 1), d->resolveInside(), d->isInside(0)}),
                  (std::vector<int>{0, 0, -1}));
        EXPECT_EQ(d->getPointCount() + d->getTriangleCount() + d->getEdgeCount(), 0u);
        EXPECT_EQ(d->getPoint(0), nullptr);
        EXPECT_EQ(kelm_test::dumpMeshText(*d) + kelm_test::dumpMeshText(*d, true), "");
    }
}

TEST(KelmDelaunay2DInsert, SplitTablesDuplicatesAndPointForms) {
    KelmDelaunay2D d = unitTriangulator(), origin = unitTriangulator();
    const double pt[2] = {0.5, 0.5};
    EXPECT_EQ(d.insertPoint(pt), 3u);
    EXPECT_EQ(tables(d), (std::vector<unsigned>{0, 3, 2, 5, 3, 2, 3, 0, 1, 3, 4, 0,  //
                                                3, 1, 2, 4, 5, 1,                    /* edges */
                                                0, 1, 1, N, 1, 2, 2, N, 0, 2, 0, N,  //
                                                3, 0, 0, 1, 3, 1, 1, 2, 3, 2, 0, 2}));
    const std::vector<unsigned> before = tables(d);
    // Copies are deep: what they take leaves d unchanged.
    KelmDelaunay2D copy(d), assigned, blank;
    assigned = d;
    EXPECT_EQ(kelm_test::dumpMeshText(assigned), kelm_test::dumpMeshText(d));
    EXPECT_EQ(copy.insertPoint(KelmPoint2D(0.2, 0.3)), 4u);
    EXPECT_EQ(assigned.insertPoint(KelmPoint2D(0.7, 0.3)), 4u);
    EXPECT_EQ(copy.getPoint(4)[0], 0.2);
    EXPECT_EQ(assigned.getPoint(4)[0], 0.7);
    assigned = static_cast<KelmDelaunay2D&>(assigned);
    EXPECT_EQ(assigned.getPointCount(), 5u);
    assigned = blank;  // drops the state: init works again
    KelmBoundingBox2D box = makeBox(0, 0, 1, 1);
    EXPECT_EQ(assigned.init(&box, 1.0), 1);
    KelmDelaunay2D moved(std::move(copy));
    EXPECT_EQ(moved.getPointCount(), 5u);
    // Duplicates and the enclosing corners add nothing.
    EXPECT_EQ(d.insertPoint(KelmPoint2D(0.5, 0.5)), 3u);
    EXPECT_EQ(d.insertPoint(KelmPoint2D(4, -1)), 1u);
    EXPECT_EQ(d.getPointCount(), 4u);
    EXPECT_EQ(tables(d), before);
    EXPECT_EQ(d.insertPoint(KelmPoint2D(0.25, -0.5)), 4u);
    EXPECT_EQ(d.getPoint(4)[1], -0.5);
    // A null pointer reads as the origin.
    EXPECT_EQ(origin.insertPoint(static_cast<const double*>(nullptr)), 3u);
    EXPECT_EQ(origin.getPoint(3)[0] + origin.getPoint(3)[1], 0.0);
}

TEST(KelmDelaunay2DInsert, YScaleMultipliesStoredY) {
    KelmBoundingBox2D box = makeBox(0, 0, 2, 2), tall = makeBox(0, 0, 2, 4);
    KelmDelaunay2D scaled, plain, mirrored;
    ASSERT_EQ(scaled.init(&box, 2.0) + plain.init(&tall, 1.0) + mirrored.init(&box, -1.0), 3);
    EXPECT_EQ(std::vector<double>(scaled.getPoint(0), scaled.getPoint(0) + 6),
              (std::vector<double>{-2, -4, 8, -4, -2, 16}));
    EXPECT_EQ(scaled.insertPoint(KelmPoint2D(1, 1)), 3u);
    EXPECT_EQ(scaled.getPoint(3)[1], 2.0);
    EXPECT_EQ(plain.insertPoint(KelmPoint2D(1, 2)), 3u);
    // Scale 2 gives the tables of pre-scaled points; a negative scale mirrors the
    // plane (a clockwise enclosing triangle). Both pass the angle test.
    for (const auto& p : kelm_test::randomPoints(7, 200, 0, 0, 2, 2)) {
        ASSERT_EQ(scaled.insertPoint(KelmPoint2D(p.first, p.second)),
                  plain.insertPoint(KelmPoint2D(p.first, 2 * p.second)));
        ASSERT_NE(mirrored.insertPoint(KelmPoint2D(p.first, p.second)), N);
    }
    EXPECT_EQ(tables(scaled), tables(plain));
    EXPECT_LT(
        kelm_test::signedArea2(mirrored.getPoint(0), mirrored.getPoint(1), mirrored.getPoint(2)),
        0.0);
    for (KelmDelaunay2D* d : {&scaled, &mirrored}) EXPECT_TRUE(kelm_test::passesAngleTest(*d));
}

TEST(KelmDelaunay2DInsert, FailuresNearPointsAndRuns) {
    KelmDelaunay2D d = unitTriangulator(), r = unitTriangulator();
    // NaN, infinite and far points stay in the vertex list, in no triangle; the
    // smallest normal number and the null real add nothing.
    const double refused[][3] = {{NAN, 0.5, 4},     {0.5, NAN, 5},     {INFINITY, 0.5, 6},
                                 {DBL_MIN, 0.5, 6}, {0.5, DBL_MIN, 6}, {0.5, KELM_NULL_REAL, 6},
                                 {100, 100, 7}};
    for (const auto& r : refused) {
        EXPECT_EQ(d.insertPoint(r), N) << r[0] << " " << r[1];
        EXPECT_EQ(d.getPointCount(), r[2]) << r[0] << " " << r[1];
    }
    // Below the bottom edge y = -1 by a barycentric weight of -1e-7: taken.
    EXPECT_EQ(d.insertPoint(KelmPoint2D(0.5, -1 - 5e-7)), 7u);
    EXPECT_EQ(d.getTriangleCount(), 3u);
    EXPECT_EQ(d.insertPoint(KelmPoint2D(0.5, -1 - 1e-4)), N);
    // A constraint to a vertex that is in no triangle finds no edge to join.
    EXPECT_EQ(d.insertEdge(3, 7, 1), 0);
    EXPECT_EQ(kelm_test::triangulation_problem(d), "");
    const std::string dump = kelm_test::dumpMeshText(d);
    EXPECT_NE(dump.find("pt[3] = (nan,0.5)\npt[4] = (0.5,nan)\npt[5] = (inf,0.5)\n"),
              std::string::npos);

    // insertPoints answers the index of the first point, or none when one fails.
    KelmReal2DArray none, pts, bad;
    EXPECT_EQ(r.insertPoints(none), N);
    pts.append(0.5, 0.5);
    pts.append(0.2, 0.3);
    pts.append(0.5, 0.5);  // a duplicate is no failure
    EXPECT_EQ(r.insertPoints(pts), 3u);
    EXPECT_EQ(r.insertPoints(pts), 3u);  // all duplicates now: nothing is added
    bad.append(0.7, 0.1);
    bad.append(100, 100);  // fails; the others still go in
    bad.append(0.1, 0.7);
    EXPECT_EQ(r.insertPoints(bad), N);
    EXPECT_EQ(r.getPointCount(), 8u);
    EXPECT_EQ(r.getTriangleCount(), 9u);

    // A degenerate triangle met first stops the scan, though a later one holds it.
    DelaunayState s = unitState();
    const double inside[2] = {0.5, 0.5};
    EXPECT_EQ(s.locatePoint(inside), 0u);
    s.triVerts(0)[2] = 1;
    s.addTriangle(0, 1, 2, 0, 1, 2);
    EXPECT_EQ(s.locatePoint(inside), N);
}

TEST(KelmDelaunay2DDump, TextsMatch) {
    KelmBoundingBox2D grid_box = makeBox(0, 0, 9, 9);
    KelmDelaunay2D d = unitTriangulator(), grid;
    EXPECT_EQ(kelm_test::dumpMeshText(d),
              "Coords sz=3\npt[0] = (-1,-1)\npt[1] = (4,-1)\npt[2] = (-1,4)\n"
              "Facet sz=1\nFacet[0] = 0 1 2\n  edges=0 1 2\n\n"
              "Edge sz=3\nedge[0]= 0 1\n  facet=0 *\nedge[1]= 1 2\n  facet=0 *\n"
              "edge[2]= 0 2\n  facet=0 *\n\n");
    for (const auto& p : {KelmPoint2D(0.5, 0.5), KelmPoint2D(0.1, 0.123456789012345678),
                          KelmPoint2D(0.9, 0.2), KelmPoint2D(1.0 / 3, 0.9)})
        ASSERT_NE(d.insertPoint(p), N);
    kelm_test::expect_golden("delaunay_facets.txt", kelm_test::dumpMeshText(d, true));
    kelm_test::expect_golden("delaunay_mesh.txt", kelm_test::dumpMeshText(d));

    // A grid: cocircular cells (angle sums of 180 degrees), points on edges.
    ASSERT_EQ(grid.init(&grid_box, 1.0), 1);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) ASSERT_NE(grid.insertPoint(KelmPoint2D(i, j)), N);
    EXPECT_EQ(kelm_test::triangulation_problem(grid, true), "");
    kelm_test::expect_golden("delaunay_grid_mesh.txt", kelm_test::dumpMeshText(grid));
}

// The flip test's shortcut against the angle form, where the two could part: near
// cocircular, right angles, lattices, 1e-70 to 1e70, repeated and non-finite points.
TEST(DelaunayPredicates, FlipShortcutAgreesWithTheAngleForm) {
    std::mt19937_64 gen(20261206);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double kPi = std::acos(-1.0);
    unsigned shortcut_cases = 0, known_cases[3] = {0, 0, 0};
    for (unsigned i = 0; i < 400000; ++i) {
        const unsigned kind = i % 8;
        double pts[4][2];
        if (kind == 0 || kind >= 6)  // anywhere, then changed below
            for (auto& pt : pts) pt[0] = unit(gen), pt[1] = unit(gen);
        if (kind == 1 || kind == 2) {  // on one circle, each point moved by up to 10^-k
            const double nudge = std::pow(10.0, -static_cast<double>(gen() % 17));
            for (auto& pt : pts) {
                const double t = 2 * kPi * unit(gen);
                pt[0] = std::cos(t) + nudge * (unit(gen) - 0.5);
                pt[1] = std::sin(t) + nudge * (unit(gen) - 0.5);
            }
        }
        if (kind == 3) {  // p on the circle over the diameter ab: a right angle at p
            const double t = 2 * kPi * unit(gen);
            pts[0][0] = -1, pts[0][1] = 0, pts[1][0] = 1, pts[1][1] = 0;
            pts[2][0] = std::cos(t), pts[2][1] = std::sin(t);
            pts[3][0] = 4 * unit(gen) - 2, pts[3][1] = 4 * unit(gen) - 2;
            if (gen() & 1) std::swap(pts[2], pts[3]);
        }
        if (kind == 4)  // small lattice: exact right angles and cocircular quads
            for (auto& pt : pts) pt[0] = double(gen() % 5), pt[1] = double(gen() % 5);
        if (kind == 5) {  // a random quad scaled by 10^k and moved far away
            const double scale = std::pow(10.0, static_cast<double>(gen() % 141) - 70.0);
            const double shift = (gen() & 1) ? 1e8 * unit(gen) : 0.0;
            for (auto& pt : pts) pt[0] = shift + scale * unit(gen), pt[1] = scale * unit(gen);
        }
        if (kind == 6) {  // p or q repeats a or b
            const double* from = pts[gen() % 2];
            std::copy(from, from + 2, pts[2 + gen() % 2]);
        }
        const double odd[5] = {INFINITY, -INFINITY, NAN, 1e300, 1e-300};
        if (kind == 7) pts[gen() % 4][gen() % 2] = odd[gen() % 5];  // not finite or extreme
        const int fast = kelm_internal::needsFlip(pts[0], pts[1], pts[2], pts[3]);
        const int angles = kelm_internal::needsFlipAngles(pts[0], pts[1], pts[2], pts[3]);
        ASSERT_EQ(fast, angles) << "case " << i;
        if (kind == 1 || kind == 2) shortcut_cases += fast;
        // The same given the least scale class of the coordinates, or a weaker one.
        int known = 2;
        for (const auto& pt : pts)
            known = std::min({known, kelm_internal::coordinateScale(pt[0]),
                              kelm_internal::coordinateScale(pt[1])});
        for (int scale = known; scale > 0; --scale) {
            ASSERT_EQ(kelm_internal::needsFlip(pts[0], pts[1], pts[2], pts[3], scale), angles)
                << "case " << i << " scale " << scale;
            ++known_cases[scale];
        }
    }
    EXPECT_GT(shortcut_cases, 0u);
    EXPECT_GT(known_cases[2], 200000u);
    EXPECT_GT(known_cases[1], known_cases[2]);
}

TEST(DelaunayPredicates, ScaleClassifyFlipAndCross) {
    using kelm_internal::coordinateScale;
    for (double c : {0.0, -0.0, 0x1p-40, -0x1p-40, 0x1p95, -0x1p95, 1.0, -12345.678, 1e-12, 1e28})
        EXPECT_EQ(coordinateScale(c), 2) << c;
    for (double c : {0x1p-41, 0x1p96, 0x1p-100, -0x1p180, 1e-30, 1e50})
        EXPECT_EQ(coordinateScale(c), 1) << c;
    for (double c : {0x1p-101, 0x1p181, 1e-300, 1e300, 4.9e-324, HUGE_VAL, -HUGE_VAL, std::nan("")})
        EXPECT_EQ(coordinateScale(c), 0) << c;

    using kelm_internal::classifyPoint;
    using kelm_internal::needsFlip;
    using kelm_internal::segmentsCross;
    const double a[2] = {0, 0}, b[2] = {4, 0}, c[2] = {0, 4}, far_b[2] = {8, 0};
    const double on_edge[2] = {2, 2}, left[2] = {-2e-6, 1}, below[2] = {1, -2e-6};
    const double beyond[2] = {2 + 2e-6, 2}, corner_out[2] = {-1e-7, -1e-7};
    double v = 42;
    EXPECT_EQ(classifyPoint(a, b, c, on_edge, &v), PointClass::kInside);
    EXPECT_EQ(v, 42.0);
    EXPECT_EQ(classifyPoint(a, b, c, left, &v), PointClass::kNear);
    EXPECT_DOUBLE_EQ(v, -5e-7);  // the weight of vertex 1
    EXPECT_EQ(classifyPoint(a, b, c, below, &v), PointClass::kNear);
    EXPECT_DOUBLE_EQ(v, -5e-7);  // the weight of vertex 2
    EXPECT_EQ(classifyPoint(a, b, c, beyond, &v), PointClass::kNear);
    EXPECT_NEAR(v, 5e-7, 1e-15);  // the excess of the sum, positive
    EXPECT_EQ(classifyPoint(a, b, c, corner_out, &v), PointClass::kOutside);
    EXPECT_EQ(classifyPoint(a, b, far_b, c, &v), PointClass::kDegenerate);

    // The edge (0, 1)-(0, -1) with p and q on the x axis.
    const double e0[2] = {0, 1}, e1[2] = {0, -1};
    const double p1[2] = {-1, 0}, q1[2] = {1, 0}, p2[2] = {-0.5, 0}, q3[2] = {3, 0},
                 q4[2] = {1.5, 0};
    // Angles 90 + 90 (no tolerance, no flip), both obtuse, 126.9 + 36.9, 67.4 + 126.9, NaN.
    EXPECT_EQ(std::vector<int>({needsFlip(e0, e1, p1, q1), needsFlip(e0, e1, p2, p2),
                                needsFlip(e0, e1, p2, q3), needsFlip(e1, e0, q4, p2),
                                needsFlip(e0, e1, e0, q1)}),
              (std::vector<int>{0, 1, 0, 1, 0}));

    const double x2[2] = {2, 0}, up[2] = {2, 3}, low[2] = {0, -1}, diag[2] = {3, 3};
    // Crossing, touching at an end (twice), apart, parallel, of zero length.
    EXPECT_EQ(std::vector<int>({segmentsCross(a, diag, c, b), segmentsCross(a, x2, x2, up),
                                segmentsCross(a, x2, low, a), segmentsCross(a, x2, up, b),
                                segmentsCross(a, b, a, x2), segmentsCross(a, b, x2, x2)}),
              (std::vector<int>{1, 1, 1, 0, 0, 0}));
}

TEST(DelaunayTables, OppositeVertexAndEdgeSlotTakeTheFirstMatch) {
    DelaunayState s = unitState();
    const unsigned e = s.addEdge(7, 5, 0, N);
    const unsigned loop = s.addEdge(7, 7, 0, N);
    auto opposite = [&](unsigned v0, unsigned v1, unsigned v2, unsigned edge) {
        s.triVerts(0)[0] = v0, s.triVerts(0)[1] = v1, s.triVerts(0)[2] = v2;
        return s.oppositeVertex(0, edge);
    };
    // Rows: the triangle's vertices, the edge, the answer. Each end once: the third
    // vertex, wherever the ends sit; an end twice: the pairs are tried in the order
    // (0, 1), (0, 2), (1, 2); an edge from a vertex to itself; an edge the triangle
    // lacks. Then the record's first edge number equal to an end changes nothing, nor
    // do vertex 0 and numbers past the signed range.
    const unsigned big = 0x80000005u, low = s.addEdge(0, big, 0, N);
    const unsigned rows[][5] = {{5, 7, 9, e, 9},     {9, 5, 7, e, 9},     {7, 9, 5, e, 9},
                                {5, 5, 7, e, 5},     {7, 5, 5, e, 5},     {5, 7, 7, e, 7},
                                {5, 7, 7, loop, 5},  {7, 7, 7, loop, 7},  {5, 9, 11, e, N},
                                {5, 5, 5, e, N},     {9, 5, 11, e, N},    {9, 7, 5, e, 9},
                                {0, 3, big, low, 3}, {big, 3, 3, low, N}, {0, 0, big, low, 0}};
    for (const auto& r : rows) {
        if (&r == &rows[10]) s.triEdges(0)[0] = 7;
        EXPECT_EQ(opposite(r[0], r[1], r[2], r[3]), r[4]) << r[0] << " " << r[1] << " " << r[2];
    }
    EXPECT_EQ(s.oppositeVertex(N, e), N);
    opposite(0, 1, 2, e);  // triangle 0 back on its own vertices

    // Every edge list over a few pairs: the first slot joining u and w, or 3.
    // Vertex 0 and a number past the signed range are among the ends.
    const unsigned huge = 0x80000004u;
    const unsigned pairs[7][2] = {{4, 5}, {5, 4}, {4, 6}, {6, 6}, {5, 6}, {0, 5}, {huge, 0}};
    const unsigned ends[6] = {0, 4, 5, 6, 7, huge};
    unsigned edge[7];
    for (unsigned k = 0; k < 7; ++k) edge[k] = s.addEdge(pairs[k][0], pairs[k][1], 0, N);
    for (unsigned abc = 0; abc < 7 * 7 * 7; ++abc) {
        unsigned* te = s.triEdges(0);
        te[0] = edge[abc / 49], te[1] = edge[abc / 7 % 7], te[2] = edge[abc % 7];
        for (unsigned u : ends)
            for (unsigned w : ends) {
                unsigned want = 3;
                for (unsigned k = 3; k-- > 0;) {
                    const unsigned* ev = s.edgeVerts(te[k]);
                    if ((ev[0] == u && ev[1] == w) || (ev[0] == w && ev[1] == u)) want = k;
                }
                ASSERT_EQ(s.triangleEdgeSlot(0, u, w), want) << u << " " << w;
            }
    }
}

TEST(DelaunayOrientLikeDeathTest, InconsistentTablesStopTheProcess) {
    DelaunayState s = unitState();
    s.triEdges(0)[0] = 9;  // an edge number equal to the missing vertex changes nothing
    // Standard output goes to stderr in the child, where the text is matched. One
    // reference vertex alone is no shared side.
    EXPECT_EXIT((dup2(2, 1), s.orientLike(0, 0, 8, 9)), testing::ExitedWithCode(2),
                "^INTERNAL: get_facet_topology: could not find facet edge in facet\n$");
    EXPECT_EXIT((dup2(2, 1), s.orientPair(0, 1, 9)), testing::ExitedWithCode(2),
                "^INTERNAL: get_facet_topology\\(2\\): could requested verts not found\n$");
    s.orientLike(0, 0, 1, 2);
    EXPECT_EQ(s.triVerts(0)[0], 0u);
    s.orientLike(0, 9, 1, 0);  // the pair (1, 0) runs against (0, 1, 2)
    EXPECT_EQ(std::vector<unsigned>(s.triVerts(0), s.triVerts(0) + 3),
              (std::vector<unsigned>{1, 0, 2}));
}

}  // namespace
