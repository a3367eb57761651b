#include "kelmmath/geom/bbox2d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "kelmmath/geom/xform2d.h"

namespace {

constexpr double kNull = 2.2250738585072014e-308;
using V = std::vector<double>;

V values(const KelmBoundingBox2D& b) {
    return {b.minx(), b.miny(), b.maxx(), b.maxy()};
}

KelmBoundingBox2D make_box(double x0, double y0, double x1, double y1) {
    KelmBoundingBox2D b;
    b.update(x0, y0);
    b.update(x1, y1);
    return b;
}

KelmBoundingBox2D square_at(double x, double y) {
    return make_box(x, y, x + 1, y + 1);
}

TEST(KelmBoundingBox2D, EmptyBoxAccessorsAndMeasures) {
    KelmBoundingBox2D b;
    EXPECT_EQ(b.is_empty(), 1);
    EXPECT_EQ(values(b), V(4, kNull));
    EXPECT_EQ(b.minu(), 2.2250738585072014e-308);
    EXPECT_EQ(b.centerpt().x(), 0.0);
    EXPECT_EQ(b.centerpt().y(), 0.0);
    EXPECT_EQ(b.diagonal() + b.longside() + b.shortside(), 0.0);

    b.update(3, -1);
    b.update(-1, 2);
    b.update(0, 5);
    b.update(std::numeric_limits<double>::quiet_NaN(), 4);
    const double* raw = reinterpret_cast<const double*>(&b);
    EXPECT_EQ(V(raw, raw + 4), (V{-1, -1, 3, 5}));
    EXPECT_EQ((V{b.minu(), b.minv(), b.maxu(), b.maxv()}), values(b));
    EXPECT_EQ(b.centerpt().y(), 2.0);
    EXPECT_EQ(b.diagonal(), std::sqrt(16.0 + 36.0));
    EXPECT_EQ(b.longside(), 6.0);
    EXPECT_EQ(b.shortside(), 4.0);
    b.maxpt().v(9);
    EXPECT_EQ(b.maxy(), 9.0);
    b.clear();
    EXPECT_EQ(values(b), V(4, kNull));
}

TEST(KelmBoundingBox2D, SidesAreMeasuredOnEveryAxis) {
    for (int a = 0; a < 2; ++a) {
        double lo[2] = {0, 0}, hi[2] = {3, 3};
        lo[a] = 10;  // the odd side lies away from the origin
        hi[a] = 11;
        EXPECT_EQ(make_box(lo[0], lo[1], hi[0], hi[1]).shortside(), 1.0) << a;
        hi[a] = 20;
        EXPECT_EQ(make_box(lo[0], lo[1], hi[0], hi[1]).longside(), 10.0) << a;
    }
}

TEST(KelmBoundingBox2D, GrowthFromBoxesListsArraysAndNulls) {
    const KelmXform2D shift(1, 0, 0, 1, 50, 50);
    KelmBoundingBox2D b = square_at(0, 0);
    b.update(KelmBoundingBox2D(), shift);
    b.update(static_cast<const double*>(nullptr), shift.data());
    b.update(KelmReal2DArray(), shift);
    b.update(b);
    EXPECT_EQ(values(b), (V{0, 0, 1, 1}));
    b.update(make_box(5, 5, 6, 6), static_cast<const double*>(nullptr));  // as it stands
    EXPECT_EQ(values(b), (V{0, 0, 6, 6}));

    ListOfDouble one{7.0}, three{-1.0, -2.0, 100.0};
    KelmBoundingBox2D l = square_at(1, 1);
    l.update(static_cast<ListOfDouble*>(nullptr));  // the origin
    l.update(&one);
    l.update(&three);
    EXPECT_EQ(values(l), (V{-1, -2, 7, 2}));

    KelmReal2DArray odd;  // grows by (max x, max y), then by (min x, min y)
    odd.append(-1, 0);
    odd.append(kNull, 5);
    KelmBoundingBox2D whole;
    whole.update(odd);
    EXPECT_EQ(values(whole), (V{-1, 0, -1, 0}));
}

TEST(KelmBoundingBox2D, RotatedSquareEnclosesItsMovedCorners) {
    const double angle = std::atan(1.0), c = std::cos(angle), s = std::sin(angle);
    const KelmXform2D m(c, s, -s, c, 10, -20);
    const KelmBoundingBox2D src = make_box(1, 2, 4, 6);
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (double x : {1.0, 4.0})
        for (double y : {2.0, 6.0}) {
            const double q[2] = {c * x - s * y + 10, s * x + c * y - 20};
            for (int a = 0; a < 2; ++a) lo[a] = std::min(lo[a], q[a]);
            for (int a = 0; a < 2; ++a) hi[a] = std::max(hi[a], q[a]);
        }
    KelmBoundingBox2D by_object, by_array;
    by_object.update(src, m);
    by_array.update(src, m.data());
    const V got = values(by_object);
    for (int a = 0; a < 2; ++a) {
        EXPECT_DOUBLE_EQ(got[a], lo[a]) << "axis " << a;
        EXPECT_DOUBLE_EQ(got[a + 2], hi[a]) << "axis " << a;
    }
    EXPECT_EQ(values(by_array), got);
    EXPECT_GT(by_object.longside(), src.longside());

    // The corners at minimum x come first: shifted to a null x they leave the
    // box empty, and the corners at maximum x make it.
    KelmBoundingBox2D order;
    order.update(square_at(0, 0), KelmXform2D(1, 0, 0, 1, kNull, 0));
    EXPECT_EQ(values(order), (V{1, 0, 1, 1}));
}

TEST(KelmBoundingBox2D, PointFormsGoThroughTheTransform) {
    const KelmXform2D m(0, 1, -1, 0, 10, 20);  // quarter turn, then a shift
    const double p[2] = {2, 3};
    ListOfDouble list{2, 3};
    std::vector<KelmBoundingBox2D> boxes(9);
    boxes[0].update(p, m);
    boxes[1].update(p, m.data());
    boxes[2].update(KelmPoint2D(2, 3), m);
    boxes[3].update(KelmPoint2D(2, 3), m.data());
    boxes[4].update(2, 3, m);
    boxes[5].update(2, 3, m.data());
    boxes[6].update(&list, m);
    boxes[7].update(&list, m.data());
    KelmReal2DArray points;
    points.append(p);
    boxes[8].update(points, m.data());
    for (const KelmBoundingBox2D& b : boxes) EXPECT_EQ(values(b), (V{7, 22, 7, 22}));
}

// A null double[9] is the identity of kelm_xform2d_apply, applied arithmetically:
// -0.0 comes out as 0.0 and an infinite x makes y NaN. The forms without a transform
// add the point exactly as given.
TEST(KelmBoundingBox2D, NullTransformStillMapsPointsWhileNoTransformDoesNot) {
    // The five point forms, each with a null double[9] or without a transform.
    auto grow = [](const double* p, bool with_null) {
        const double* const no_m = nullptr;
        ListOfDouble list(p, 2);
        KelmReal2DArray points;
        points.append(p);
        std::vector<KelmBoundingBox2D> b(5);
        with_null ? b[0].update(p, no_m) : b[0].update(p);
        with_null ? b[1].update(KelmPoint2D(p), no_m) : b[1].update(KelmPoint2D(p));
        with_null ? b[2].update(p[0], p[1], no_m) : b[2].update(p[0], p[1]);
        with_null ? b[3].update(&list, no_m) : b[3].update(&list);
        with_null ? b[4].update(points, no_m) : b[4].update(points);
        return b;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double neg_zero[2] = {-0.0, 1}, far[2] = {inf, 1};
    for (const KelmBoundingBox2D& b : grow(neg_zero, true)) {
        EXPECT_EQ(values(b), (V{0, 1, 0, 1}));
        EXPECT_FALSE(std::signbit(b.minx()) || std::signbit(b.maxx()));
    }
    for (const KelmBoundingBox2D& b : grow(neg_zero, false))
        EXPECT_TRUE(std::signbit(b.minx()) && std::signbit(b.maxx()));
    for (const KelmBoundingBox2D& b : grow(far, true)) {
        EXPECT_EQ(b.minx(), inf);
        EXPECT_TRUE(std::isnan(b.miny()));
    }
    for (const KelmBoundingBox2D& b : grow(far, false)) EXPECT_EQ(values(b), (V{inf, 1, inf, 1}));
}

TEST(KelmBoundingBox2D, ContainsAndIntersectsWithTolerance) {
    const KelmBoundingBox2D b = make_box(0, 0, 1, 2);
    const double outside[4][2] = {{-0.5, 1}, {1.5, 1}, {0.5, -0.5}, {0.5, 2.5}};
    for (const auto& p : outside) {
        EXPECT_EQ(b.contains(p, 0.4), 0) << p[0] << " " << p[1];
        EXPECT_EQ(b.contains(p, 0.5), 1) << p[0] << " " << p[1];
    }
    ListOfDouble in_list{1, 2}, out_list{2, 1};
    EXPECT_EQ(
        b.contains(KelmPoint2D(1, 2), 0.0) + b.contains(1, 2, 0.0) + b.contains(&in_list, 0.0), 3);
    EXPECT_EQ(
        b.contains(KelmPoint2D(2, 1), 0.0) + b.contains(2, 1, 0.0) + b.contains(&out_list, 0.0), 0);
    EXPECT_EQ(b.contains(1, 1, -0.25), 0);
    EXPECT_EQ(b.contains(static_cast<const double*>(nullptr), 10.0), 0);
    EXPECT_EQ(KelmBoundingBox2D().contains(kNull, kNull, 1.0), 0);
    EXPECT_EQ(b.contains(make_box(0.5, 0.5, 1, 3), 0.0), 0);
    EXPECT_EQ(b.contains(make_box(-1, 0.5, 1, 1), 0.0), 0);
    EXPECT_EQ(b.contains(make_box(-1, 0.5, 1, 1), 1.0), 1);
    EXPECT_EQ(b.contains(KelmBoundingBox2D(), 10.0), 0);

    KelmReal2DArray points;
    EXPECT_EQ(b.contains(points, 10.0) + b.intersects(points, 10.0), 0);
    points.append(3, 3);
    points.append(0.5, 2.25);
    EXPECT_EQ(b.intersects(points, 0.0), 0);
    EXPECT_EQ(b.intersects(points, 0.25), 1);
    EXPECT_EQ(b.contains(points, 0.25), 0);
    EXPECT_EQ(b.contains(points, 2.0), 1);
    // One point differs from the others; every point is read as two coordinates.
    KelmReal2DArray one_out, one_in;
    for (double x : {0.5, 9.0, 0.5, 0.5}) one_out.append(x, 1);
    for (double x : {9.0, 0.5, 9.0, 9.0}) one_in.append(x, 1);
    EXPECT_EQ(b.contains(one_out, 0.0) + 2 * b.intersects(one_in, 0.0), 2);

    const KelmBoundingBox2D u = square_at(0, 0);
    for (int axis = 0; axis < 2; ++axis) {
        for (double side : {-1.0, 1.0}) {
            double at[2] = {0, 0};
            at[axis] = side;
            EXPECT_EQ(u.intersects(square_at(at[0], at[1]), 0.0), 1) << axis << side;
            at[axis] = 1.5 * side;
            EXPECT_EQ(u.intersects(square_at(at[0], at[1]), 0.4), 0) << axis << side;
            EXPECT_EQ(square_at(at[0], at[1]).intersects(u, 0.5), 1) << axis << side;
        }
    }
    EXPECT_EQ(u.intersects(KelmBoundingBox2D(), 10.0) + KelmBoundingBox2D().intersects(u, 10.0), 0);
}

TEST(KelmBounds2DIntersect, OverlapContactGapAndAliasing) {
    const KelmBoundingBox2D a = square_at(0, 0), edge = square_at(0, 1);
    KelmBoundingBox2D r = square_at(5, 5);
    EXPECT_EQ(kelm_bounds2d_intersect(r, a, edge, 0.0), 0);  // sharing the edge y = 1
    EXPECT_EQ(values(r), V(4, kNull));
    EXPECT_EQ(kelm_bounds2d_intersect(r, a, edge, 1e-9), 1);
    EXPECT_EQ(values(r), (V{0, 1, 1, 1}));
    EXPECT_EQ(kelm_bounds2d_intersect(r, square_at(0, 1.5), a, 1.0), 1);
    EXPECT_EQ(values(r), (V{0, 1, 1, 1.5}));
    EXPECT_EQ(kelm_bounds2d_intersect(r, a, square_at(2.5, 0), 1.0), 0);
    EXPECT_EQ(r.is_empty(), 1);
    r = a;
    EXPECT_EQ(kelm_bounds2d_intersect(r, KelmBoundingBox2D(), a, 10.0), 0);
    EXPECT_EQ(r.is_empty(), 1);

    KelmBoundingBox2D self = make_box(0, 0, 2, 2), other = make_box(1, -1, 3, 1.5);
    EXPECT_EQ(kelm_bounds2d_intersect(self, self, make_box(1, -1, 3, 1.5), 0.0), 1);
    EXPECT_EQ(kelm_bounds2d_intersect(other, make_box(0, 0, 2, 2), other, 0.0), 1);
    EXPECT_EQ(values(self), (V{1, 0, 2, 1.5}));
    EXPECT_EQ(values(other), values(self));
}

}  // namespace
