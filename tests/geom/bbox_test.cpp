#include "kelmmath/geom/bbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "kelmmath/geom/xform.h"

namespace {

constexpr double kNull = 2.2250738585072014e-308;
using V = std::vector<double>;

V values(const KelmBoundingBox& b) {
    return {b.minx(), b.miny(), b.minz(), b.maxx(), b.maxy(), b.maxz()};
}

KelmBoundingBox make_box(double x0, double y0, double z0, double x1, double y1, double z1) {
    KelmBoundingBox b;
    b.update(x0, y0, z0);
    b.update(x1, y1, z1);
    return b;
}

KelmBoundingBox cube_at(double x, double y, double z) {
    return make_box(x, y, z, x + 1, y + 1, z + 1);
}

// Rotation by angle about z, then a translation, built from its axes.
KelmXform rotation_z(double angle, double tx, double ty, double tz) {
    const double c = std::cos(angle), s = std::sin(angle);
    return KelmXform(c, s, 0, -s, c, 0, 0, 0, 1, tx, ty, tz);
}

TEST(KelmBoundingBox, EmptyBoxAndStorageOrder) {
    KelmBoundingBox b;
    EXPECT_EQ(b.is_empty(), 1);
    EXPECT_EQ(values(b), V(6, kNull));
    EXPECT_EQ(values(b)[0], 2.2250738585072014e-308);
    EXPECT_EQ(b.centerpt().x(), 0.0);
    EXPECT_EQ(b.centerpt().z(), 0.0);
    EXPECT_EQ(b.diagonal(), 0.0);
    EXPECT_EQ(b.longside(), 0.0);
    EXPECT_EQ(b.shortside(), 0.0);

    b = make_box(1, 2, 3, 4, 5, 6);
    const double* raw = reinterpret_cast<const double*>(&b);
    EXPECT_EQ(V(raw, raw + 6), (V{1, 2, 3, 4, 5, 6}));
    b.minpt().x(10);  // references to the stored points; nothing re-orders them
    b.maxpt().z(-1);
    EXPECT_EQ(values(b), (V{10, 2, 3, 4, 5, -1}));
    b.clear();
    EXPECT_EQ(b.is_empty(), 1);
    EXPECT_EQ(values(b), V(6, kNull));
}

TEST(KelmBoundingBox, PointsGrowTheBoxAndNanNeverReplacesABound) {
    KelmBoundingBox b;
    b.update(1, 2, 3);
    EXPECT_EQ(values(b), (V{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(b.diagonal(), 0.0);
    EXPECT_EQ(b.contains(1, 2, 3, 0.0), 1);
    b.update(-1, 6, 0);
    b.update(0, 4, 5);
    EXPECT_EQ(values(b), (V{-1, 2, 0, 1, 6, 5}));
    EXPECT_EQ(b.centerpt().y(), 4.0);
    EXPECT_EQ(b.centerpt().z(), 2.5);
    EXPECT_DOUBLE_EQ(b.diagonal(), std::sqrt(4.0 + 16.0 + 25.0));
    EXPECT_EQ(b.longside(), 5.0);
    EXPECT_EQ(b.shortside(), 2.0);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    b.update(nan, 7, nan);
    KelmReal3DArray points;
    points.append(0.5, nan, -1);
    b.update(points);
    EXPECT_EQ(values(b), (V{-1, 2, -1, 1, 7, 5}));
}

TEST(KelmBoundingBox, SidesAreMeasuredOnEveryAxis) {
    for (int a = 0; a < 3; ++a) {
        double lo[3] = {0, 0, 0}, hi[3] = {3, 3, 3};
        lo[a] = 10;  // the odd side lies away from the origin
        hi[a] = 11;
        EXPECT_EQ(make_box(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]).shortside(), 1.0) << a;
        hi[a] = 20;
        EXPECT_EQ(make_box(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]).longside(), 10.0) << a;
    }
}

TEST(KelmBoundingBox, EmptinessIsMinimumXEqualToNullReal) {
    KelmBoundingBox b = cube_at(0, 0, 0);
    b.minpt().x(kNull);
    EXPECT_EQ(b.is_empty(), 1);
    EXPECT_EQ(b.contains(0.5, 0.5, 0.5, 1.0), 0);
    EXPECT_EQ(b.diagonal() + b.longside() + b.shortside() + b.centerpt().y(), 0.0);

    // A point with a null x leaves an empty box empty; the next one overwrites it.
    KelmBoundingBox c;
    c.update(kNull, 7, 8);
    EXPECT_EQ(c.is_empty(), 1);
    c.update(3, 4, 5);
    EXPECT_EQ(values(c), (V{3, 4, 5, 3, 4, 5}));

    KelmBoundingBox d;
    d.minpt().x(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(d.is_empty(), 0);
}

TEST(KelmBoundingBox, BoxesListsAndNullArguments) {
    const KelmBoundingBox before = make_box(1, 2, 3, 4, 5, 6);
    const KelmXform shift = rotation_z(0.0, 100, 100, 100);
    KelmBoundingBox b = before;
    b.update(KelmBoundingBox());
    b.update(KelmBoundingBox(), shift);
    b.update(static_cast<const KelmBoundingBox*>(nullptr));
    b.update(static_cast<const double*>(nullptr));
    b.update(static_cast<const double*>(nullptr), shift);
    b.update(static_cast<const double*>(nullptr), shift.data());
    b.update(KelmReal3DArray(), shift);
    b.update(b);
    EXPECT_EQ(values(b), values(before));

    KelmBoundingBox empty;
    empty.update(&before);
    EXPECT_EQ(values(empty), values(before));
    b.update(make_box(0, 3, 4, 2, 9, 5));
    b.update(make_box(7, 7, 7, 8, 8, 8), static_cast<const double*>(nullptr));  // as it stands
    EXPECT_EQ(values(b), (V{0, 2, 3, 8, 9, 8}));

    ListOfDouble one{7.0}, four{1.0, -2.0, 3.0, -100.0};
    KelmBoundingBox l;
    l.update(&one);
    l.update(&four);
    EXPECT_EQ(values(l), (V{1, -2, 0, 7, 0, 3}));
    l.update(static_cast<ListOfDouble*>(nullptr));  // the origin
    EXPECT_EQ(values(l), (V{0, -2, 0, 7, 0, 3}));
}

TEST(KelmBoundingBox, ArrayGrowsByItsMaximumThenItsMinimum) {
    KelmReal3DArray points;
    points.append(2, -1, 4);
    points.append(-3, 5, 0);
    KelmBoundingBox b = cube_at(0, 0, 0);
    b.update(points);
    EXPECT_EQ(values(b), (V{-3, -1, 0, 2, 5, 4}));

    // Visible when the maximum point's x is the null real: it leaves an empty box
    // empty and the minimum point then makes the box. One by one ends otherwise.
    KelmReal3DArray odd;
    odd.append(-1, 0, 0);
    odd.append(kNull, 5, 5);
    KelmBoundingBox whole, one_by_one;
    whole.update(odd);
    one_by_one.update(odd.get(0));
    one_by_one.update(odd.get(1));
    EXPECT_EQ(values(whole), (V{-1, 0, 0, -1, 0, 0}));
    EXPECT_EQ(values(one_by_one), (V{-1, 0, 0, kNull, 5, 5}));
}

TEST(KelmBoundingBox, RotatedBoxEnclosesItsMovedCorners) {
    const double angle = std::atan(1.0), c = std::cos(angle), s = std::sin(angle);
    const KelmXform m = rotation_z(angle, 10, -20, 30);
    const KelmBoundingBox src = make_box(1, 2, 3, 4, 6, 5);
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (double x : {1.0, 4.0})
        for (double y : {2.0, 6.0})
            for (double z : {3.0, 5.0}) {
                const double q[3] = {c * x - s * y + 10, s * x + c * y - 20, z + 30};
                for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], q[a]);
                for (int a = 0; a < 3; ++a) hi[a] = std::max(hi[a], q[a]);
            }
    KelmBoundingBox by_object, by_array, self = src;
    by_object.update(src, m);
    by_array.update(src, m.data());
    self.update(self, m);
    const V got = values(by_object);
    for (int a = 0; a < 3; ++a) {
        EXPECT_DOUBLE_EQ(got[a], lo[a]) << "axis " << a;
        EXPECT_DOUBLE_EQ(got[a + 3], hi[a]) << "axis " << a;
        EXPECT_EQ(values(self)[a], std::min(got[a], values(src)[a]));
        EXPECT_EQ(values(self)[a + 3], std::max(got[a + 3], values(src)[a + 3]));
    }
    EXPECT_EQ(values(by_array), got);
    EXPECT_GT(by_object.maxx() - by_object.minx(), src.maxx() - src.minx());

    // Shifting x by the null real: the four corners at minimum x come first and
    // leave the box empty; those at maximum x then make it.
    KelmBoundingBox order;
    order.update(cube_at(0, 0, 0), KelmXform(1, 0, 0, 0, 1, 0, 0, 0, 1, kNull, 0, 0));
    EXPECT_EQ(values(order), (V{1, 0, 0, 1, 1, 1}));
}

TEST(KelmBoundingBox, PointsAndArraysGoThroughTheTransform) {
    // A bottom row of (0, 0, 0, 2) halves every image.
    double half[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2};
    const KelmXform half_xform(half);
    const double p[3] = {2, 4, -6};
    ListOfDouble list{2, 4, -6};
    std::vector<KelmBoundingBox> boxes(8);
    boxes[0].update(p, half);
    boxes[1].update(p, half_xform);
    boxes[2].update(KelmPoint(p), half);
    boxes[3].update(KelmPoint(p), half_xform);
    boxes[4].update(2, 4, -6, half);
    boxes[5].update(2, 4, -6, half_xform);
    boxes[6].update(&list, half);
    boxes[7].update(&list, half_xform);
    for (const KelmBoundingBox& b : boxes) EXPECT_EQ(values(b), (V{1, 2, -3, 1, 2, -3}));

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-50.0, 50.0);
    KelmReal3DArray points;
    for (int i = 0; i < 200; ++i) points.append(coord(rng), coord(rng), coord(rng));
    const KelmXform m = rotation_z(0.3, 1, 2, 3);
    KelmBoundingBox whole, by_data, one_by_one, plain, plain_points;
    whole.update(points, m);
    by_data.update(points, m.data());
    plain.update(points);
    for (unsigned i = 0; i < points.size(); ++i) {
        one_by_one.update(points.as_point(i), m);
        plain_points.update(points.get(i));
    }
    EXPECT_EQ(values(whole), values(one_by_one));
    EXPECT_EQ(values(by_data), values(one_by_one));
    EXPECT_EQ(values(plain), values(plain_points));
}

// A null double[16] is the identity of kelm_xform_apply, applied arithmetically:
// -0.0 comes out as 0.0 and an infinite coordinate as NaNs. The forms without a
// transform add the point exactly as given.
TEST(KelmBoundingBox, NullTransformStillMapsPointsWhileNoTransformDoesNot) {
    // The five point forms, each with a null double[16] or without a transform.
    auto grow = [](const double* p, bool with_null) {
        const double* const no_m = nullptr;
        ListOfDouble list(p, 3);
        KelmReal3DArray points;
        points.append(p);
        std::vector<KelmBoundingBox> b(5);
        with_null ? b[0].update(p, no_m) : b[0].update(p);
        with_null ? b[1].update(KelmPoint(p), no_m) : b[1].update(KelmPoint(p));
        with_null ? b[2].update(p[0], p[1], p[2], no_m) : b[2].update(p[0], p[1], p[2]);
        with_null ? b[3].update(&list, no_m) : b[3].update(&list);
        with_null ? b[4].update(points, no_m) : b[4].update(points);
        return b;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double neg_zero[3] = {-0.0, 1, 2}, far[3] = {inf, 1, 2};
    for (const KelmBoundingBox& b : grow(neg_zero, true)) {
        EXPECT_EQ(values(b), (V{0, 1, 2, 0, 1, 2}));
        EXPECT_FALSE(std::signbit(b.minx()) || std::signbit(b.maxx()));
    }
    for (const KelmBoundingBox& b : grow(neg_zero, false))
        EXPECT_TRUE(std::signbit(b.minx()) && std::signbit(b.maxx()));
    for (const KelmBoundingBox& b : grow(far, true)) {
        EXPECT_EQ(b.is_empty(), 0);
        for (double v : values(b)) EXPECT_TRUE(std::isnan(v));
    }
    for (const KelmBoundingBox& b : grow(far, false))
        EXPECT_EQ(values(b), (V{inf, 1, 2, inf, 1, 2}));
}

TEST(KelmBoundingBox, ContainsPointsWithInclusiveTolerance) {
    const KelmBoundingBox b = make_box(0, 0, 0, 1, 2, 3);
    // Half a unit outside each face in turn: contained exactly when tol >= 0.5.
    const double outside[6][3] = {{-0.5, 1, 1},  {1.5, 1, 1},    {0.5, -0.5, 1},
                                  {0.5, 2.5, 1}, {0.5, 1, -0.5}, {0.5, 1, 3.5}};
    for (const auto& p : outside) {
        EXPECT_EQ(b.contains(p, 0.4), 0) << p[0] << " " << p[1] << " " << p[2];
        EXPECT_EQ(b.contains(p, 0.5), 1) << p[0] << " " << p[1] << " " << p[2];
    }
    EXPECT_EQ(b.contains(1, 1, 1, -0.25), 0);  // a negative tolerance shrinks
    EXPECT_EQ(b.contains(0.75, 1, 1, -0.25), 1);
    EXPECT_EQ(b.contains(static_cast<const double*>(nullptr), 10.0), 0);
    EXPECT_EQ(KelmBoundingBox().contains(kNull, kNull, kNull, 1.0), 0);

    // Every form on the corner (1, 2, 3) and on its mirror (3, 2, 1).
    const double in[3] = {1, 2, 3}, out[3] = {3, 2, 1};
    ListOfDouble in_list{1, 2, 3}, out_list{3, 2, 1};
    EXPECT_EQ(b.contains(in, 0.0) + b.contains(KelmPoint(in), 0.0) + b.contains(1, 2, 3, 0.0) +
                  b.contains(&in_list, 0.0),
              4);
    EXPECT_EQ(b.contains(out, 0.0) + b.contains(KelmPoint(out), 0.0) + b.contains(3, 2, 1, 0.0) +
                  b.contains(&out_list, 0.0),
              0);
    EXPECT_EQ(cube_at(-0.5, -0.5, -0.5).contains(static_cast<ListOfDouble*>(nullptr), 0.0), 1);
}

TEST(KelmBoundingBox, ContainsBoxesAndArrays) {
    const KelmBoundingBox b = make_box(0, 0, 0, 4, 4, 4);
    EXPECT_EQ(b.contains(b, 0.0), 1);
    EXPECT_EQ(b.contains(make_box(1, 1, 1, 3, 3, 5), 0.0), 0);   // maximum outside
    EXPECT_EQ(b.contains(make_box(1, -1, 1, 3, 3, 3), 0.0), 0);  // minimum outside
    EXPECT_EQ(b.contains(make_box(1, -1, 1, 3, 3, 3), 1.0), 1);
    EXPECT_EQ(b.contains(KelmBoundingBox(), 100.0), 0);
    EXPECT_EQ(KelmBoundingBox().contains(b, 100.0), 0);

    KelmReal3DArray points;
    EXPECT_EQ(b.contains(points, 100.0), 0);  // no points: not contained
    points.append(1, 1, 1);
    points.append(4, 0, 2);
    EXPECT_EQ(b.contains(points, 0.0), 1);
    points.append(2, 2, 4.5);
    EXPECT_EQ(b.contains(points, 0.0), 0);
    EXPECT_EQ(b.contains(points, 0.5), 1);
    EXPECT_EQ(KelmBoundingBox().contains(points, 100.0), 0);

    // One point differs from the others; every point is read as three coordinates.
    KelmReal3DArray one_out, one_in;
    for (double x : {1.0, 9.0, 1.0, 1.0}) one_out.append(x, 1, 1);
    for (double x : {9.0, 1.0, 9.0, 9.0}) one_in.append(x, 1, 1);
    EXPECT_EQ(b.contains(one_out, 0.0) + 2 * b.intersects(one_in, 0.0), 2);
}

TEST(KelmBoundingBox, IntersectsTouchingBoxesAndArrays) {
    const KelmBoundingBox b = cube_at(0, 0, 0);
    for (int axis = 0; axis < 3; ++axis) {
        for (double side : {-1.0, 1.0}) {
            double at[3] = {0, 0, 0};
            at[axis] = side;
            EXPECT_EQ(b.intersects(cube_at(at[0], at[1], at[2]), 0.0), 1) << axis << side;
            at[axis] = 1.5 * side;  // 0.5 apart
            const KelmBoundingBox apart = cube_at(at[0], at[1], at[2]);
            EXPECT_EQ(b.intersects(apart, 0.4), 0) << axis << side;
            EXPECT_EQ(b.intersects(apart, 0.5), 1) << axis << side;
            EXPECT_EQ(apart.intersects(b, 0.5), 1) << axis << side;
        }
    }
    EXPECT_EQ(b.intersects(KelmBoundingBox(), 10.0), 0);
    EXPECT_EQ(KelmBoundingBox().intersects(b, 10.0), 0);

    KelmReal3DArray points;
    EXPECT_EQ(b.intersects(points, 10.0), 0);
    points.append(5, 5, 5);
    points.append(2, 0.5, 0.5);
    EXPECT_EQ(b.intersects(points, 0.0), 0);
    EXPECT_EQ(b.intersects(points, 1.0), 1);
    EXPECT_EQ(KelmBoundingBox().intersects(points, 10.0), 0);
}

TEST(KelmBoundsIntersect, OverlapContactGapAndAliasing) {
    const KelmBoundingBox a = cube_at(0, 0, 0), face = cube_at(1, 0, 0), gap = cube_at(1.5, 0, 0);
    KelmBoundingBox r = cube_at(9, 9, 9);
    EXPECT_EQ(kelm_bounds_intersect(r, a, face, 0.0), 0);  // sharing the face x = 1
    EXPECT_EQ(values(r), V(6, kNull));
    EXPECT_EQ(kelm_bounds_intersect(r, a, face, 1e-9), 1);
    EXPECT_EQ(values(r), (V{1, 0, 0, 1, 1, 1}));
    EXPECT_EQ(kelm_bounds_intersect(r, gap, a, 1.0), 1);  // the gap, minimum below maximum
    EXPECT_EQ(values(r), (V{1, 0, 0, 1.5, 1, 1}));
    EXPECT_EQ(kelm_bounds_intersect(r, a, cube_at(0, 2.5, 0), 1.0), 0);
    EXPECT_EQ(r.is_empty(), 1);
    r = a;
    EXPECT_EQ(kelm_bounds_intersect(r, a, KelmBoundingBox(), 10.0), 0);
    EXPECT_EQ(r.is_empty(), 1);
    r = a;
    EXPECT_EQ(kelm_bounds_intersect(r, KelmBoundingBox(), a, 10.0), 0);
    EXPECT_EQ(r.is_empty(), 1);

    const KelmBoundingBox p = make_box(0, 0, 0, 2, 2, 2), q = make_box(1, -1, 1.5, 3, 1, 4);
    KelmBoundingBox first = p, second = q, in_gap = a;
    EXPECT_EQ(kelm_bounds_intersect(first, first, q, 0.0), 1);
    EXPECT_EQ(kelm_bounds_intersect(second, p, second, 0.0), 1);
    EXPECT_EQ(kelm_bounds_intersect(in_gap, in_gap, gap, 1.0), 1);
    EXPECT_EQ(values(first), (V{1, 0, 1.5, 2, 1, 2}));
    EXPECT_EQ(values(second), values(first));
    EXPECT_EQ(values(in_gap), (V{1, 0, 0, 1.5, 1, 1}));
}

}  // namespace
