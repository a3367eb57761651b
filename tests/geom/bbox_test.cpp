#include "kelmmath/geom/bbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "kelmmath/geom/bbox2d.h"
#include "kelmmath/geom/xform.h"
#include "kelmmath/geom/xform2d.h"

namespace {

constexpr double kNull = 2.2250738585072014e-308;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
using V = std::vector<double>;

// What differs between the space box and the plane box. The shared cases are written
// in space; the plane box runs them with every z dropped, which keeps each answer
// since both boxes treat their axes alike.
template <class B>
constexpr unsigned N = std::is_same<B, KelmBoundingBox>::value ? 3 : 2;
template <class B>
using ArrayOf = std::conditional_t<N<B> == 3, KelmReal3DArray, KelmReal2DArray>;
template <class B>
using PointOf = std::conditional_t<N<B> == 3, KelmPoint, KelmPoint2D>;
template <class B>
using XformOf = std::conditional_t<N<B> == 3, KelmXform, KelmXform2D>;

// The forms that take the coordinates one by one, with or without a transform.
template <class B, class... M>
void add(B& b, const double* p, const M&... m) {
    if constexpr (N<B> == 3)
        b.update(p[0], p[1], p[2], m...);
    else
        b.update(p[0], p[1], m...);
}
template <class B>
int holds(const B& b, const double* p, double tol) {
    if constexpr (N<B> == 3)
        return b.contains(p[0], p[1], p[2], tol);
    else
        return b.contains(p[0], p[1], tol);
}
int meet(KelmBoundingBox& r, const KelmBoundingBox& a, const KelmBoundingBox& b, double tol) {
    return kelm_bounds_intersect(r, a, b, tol);
}
int meet(KelmBoundingBox2D& r, const KelmBoundingBox2D& a, const KelmBoundingBox2D& b, double tol) {
    return kelm_bounds2d_intersect(r, a, b, tol);
}
// A turn by angle about z, then a shift by t.
template <class B>
XformOf<B> turn(double angle, const double* t) {
    const double c = std::cos(angle), s = std::sin(angle);
    if constexpr (N<B> == 3)
        return KelmXform(c, s, 0, -s, c, 0, 0, 0, 1, t[0], t[1], t[2]);
    else
        return KelmXform2D(c, s, -s, c, t[0], t[1]);
}

// The minimum point, then the maximum point.
template <class B>
V bounds(const B& b) {
    V v(b.minpt().data(), b.minpt().data() + N<B>);
    v.insert(v.end(), b.maxpt().data(), b.maxpt().data() + N<B>);
    return v;
}

// The bounds (lo, hi) of a space box as a box like b holds them.
template <class B>
V cut(const B&, V lo, V hi) {
    lo.resize(N<B>);
    lo.insert(lo.end(), hi.begin(), hi.begin() + N<B>);
    return lo;
}

// The centre, the diagonal, the longest and the shortest side.
template <class B>
V measures(const B& b) {
    const auto c = b.centerpt();
    V v(c.data(), c.data() + N<B>);
    v.insert(v.end(), {b.diagonal(), b.longside(), b.shortside()});
    return v;
}

template <class B>
B box(V lo, V hi) {
    B b;
    b.update(lo.data());
    b.update(hi.data());
    return b;
}

template <class B>
B cube(double x, double y, double z) {
    return box<B>({x, y, z}, {x + 1, y + 1, z + 1});
}

template <class A>
void append(A& a, double x, double y, double z) {
    const double p[3] = {x, y, z};
    a.append(p);
}

// Boxes grown from p by each of the five point forms, through m when it is given.
template <class B, class... M>
std::vector<B> five_forms(const double* p, const M&... m) {
    ListOfDouble list(p, N<B>);
    ArrayOf<B> points;
    points.append(p);
    std::vector<B> b(5);
    b[0].update(p, m...);
    b[1].update(PointOf<B>(p), m...);
    add(b[2], p, m...);
    b[3].update(&list, m...);
    b[4].update(points, m...);
    return b;
}

template <class B>
class BoxTest : public ::testing::Test {};
struct BoxNames {
    template <class B>
    static std::string GetName(int) {
        return N<B> == 3 ? "Space" : "Plane";
    }
};
using BoxTypes = ::testing::Types<KelmBoundingBox, KelmBoundingBox2D>;
TYPED_TEST_SUITE(BoxTest, BoxTypes, BoxNames);

TYPED_TEST(BoxTest, EmptyBoxClearStorageOrderAndEmptiness) {
    using B = TypeParam;
    constexpr unsigned n = N<B>;
    B b;
    EXPECT_EQ(b.is_empty(), 1);
    EXPECT_EQ(bounds(b), V(2 * n, kNull));
    EXPECT_EQ(measures(b), V(n + 3, 0.0));

    b = box<B>({1, 2, 3}, {4, 5, 6});
    const double* raw = reinterpret_cast<const double*>(&b);
    EXPECT_EQ(V(raw, raw + 2 * n), cut(b, {1, 2, 3}, {4, 5, 6}));
    // References to the stored points; nothing re-orders them.
    EXPECT_EQ((b.minpt().x(10), b.maxpt().y(-1), bounds(b)), cut(b, {10, 2, 3}, {4, -1, 6}));
    EXPECT_EQ((b.clear(), b.is_empty()), 1);
    EXPECT_EQ(bounds(b), V(2 * n, kNull));

    // Emptiness is a minimum x equal to the null real.
    b = cube<B>(0, 0, 0);
    b.minpt().x(kNull);
    const double mid[3] = {0.5, 0.5, 0.5};
    EXPECT_EQ(b.is_empty(), 1);
    EXPECT_EQ(b.contains(mid, 1.0), 0);
    EXPECT_EQ(measures(b), V(N<B> + 3, 0.0));

    // A point with a null x leaves an empty box empty; the next one overwrites it.
    const double null_x[3] = {kNull, 7, 8}, q[3] = {3, 4, 5};
    B c;
    EXPECT_EQ((add(c, null_x), c.is_empty()), 1);
    EXPECT_EQ((add(c, q), bounds(c)), cut(c, {3, 4, 5}, {3, 4, 5}));
    B d;
    EXPECT_EQ((d.minpt().x(kNaN), d.is_empty()), 0);
}

TYPED_TEST(BoxTest, PointsGrowTheBoxNanNeverReplacesABoundSidesOnEveryAxis) {
    using B = TypeParam;
    const double p[3][3] = {{1, 2, 3}, {-1, 6, 0}, {0, 4, 5}};
    B b;
    EXPECT_EQ((add(b, p[0]), bounds(b)), cut(b, {1, 2, 3}, {1, 2, 3}));
    EXPECT_EQ(b.diagonal(), 0.0);
    EXPECT_EQ(holds(b, p[0], 0.0), 1);
    EXPECT_EQ((add(b, p[1]), add(b, p[2]), bounds(b)), cut(b, {-1, 2, 0}, {1, 6, 5}));
    // Sides 2, 4 and 5, in axis order.
    const V centre = {0, 4, 2.5};
    V want(centre.begin(), centre.begin() + N<B>);
    want.insert(want.end(), {std::sqrt(N<B> == 3 ? 45.0 : 20.0), N<B> == 3 ? 5.0 : 4.0, 2.0});
    EXPECT_EQ(measures(b), want);

    const double nan_x[3] = {kNaN, 7, kNaN}, nan_y[3] = {0.5, kNaN, -1};
    add(b, nan_x);
    ArrayOf<B> points;
    points.append(nan_y);
    EXPECT_EQ((b.update(points), bounds(b)), cut(b, {-1, 2, -1}, {1, 7, 5}));

    // Sides are measured on every axis.
    for (unsigned a = 0; a < N<B>; ++a) {
        V lo = {0, 0, 0}, hi = {3, 3, 3};
        lo[a] = 10;  // the odd side lies away from the origin
        hi[a] = 11;
        EXPECT_EQ(box<B>(lo, hi).shortside(), 1.0) << a;
        hi[a] = 20;
        EXPECT_EQ(box<B>(lo, hi).longside(), 10.0) << a;
    }
}

TYPED_TEST(BoxTest, BoxesListsAndNullArguments) {
    using B = TypeParam;
    const double far[3] = {100, 100, 100};
    const XformOf<B> shift = turn<B>(0.0, far);
    const double* const none = nullptr;
    const B before = box<B>({1, 2, 3}, {4, 5, 6});
    B b = before;
    b.update(B());
    b.update(B(), shift);
    b.update(none);
    b.update(none, shift);
    b.update(none, shift.data());
    b.update(ArrayOf<B>(), shift);
    EXPECT_EQ((b.update(b), bounds(b)), bounds(before));
    b.update(box<B>({0, 3, 4}, {2, 9, 5}));
    b.update(box<B>({7, 7, 7}, {8, 8, 8}), none);  // as it stands
    EXPECT_EQ(bounds(b), cut(b, {0, 2, 3}, {8, 9, 8}));

    ListOfDouble one{7.0}, four{1.0, -2.0, 3.0, -100.0};
    B l;
    EXPECT_EQ((l.update(&one), l.update(&four), bounds(l)), cut(l, {1, -2, 0}, {7, 0, 3}));
    l.update(static_cast<ListOfDouble*>(nullptr));  // the origin
    EXPECT_EQ(bounds(l), cut(l, {0, -2, 0}, {7, 0, 3}));
}

TYPED_TEST(BoxTest, ArrayGrowsByItsMaximumThenItsMinimum) {
    using B = TypeParam;
    ArrayOf<B> points, odd;
    append(points, 2, -1, 4);
    append(points, -3, 5, 0);
    B b = cube<B>(0, 0, 0);
    EXPECT_EQ((b.update(points), bounds(b)), cut(b, {-3, -1, 0}, {2, 5, 4}));

    // Visible when the maximum point's x is the null real: it leaves an empty box
    // empty and the minimum point then makes the box. One by one ends otherwise.
    append(odd, -1, 0, 0);
    append(odd, kNull, 5, 5);
    B whole, one_by_one;
    whole.update(odd);
    one_by_one.update(odd.get(0));
    one_by_one.update(odd.get(1));
    EXPECT_EQ(bounds(whole), cut(b, {-1, 0, 0}, {-1, 0, 0}));
    EXPECT_EQ(bounds(one_by_one), cut(b, {-1, 0, 0}, {kNull, 5, 5}));
}

TYPED_TEST(BoxTest, TurnedBoxEnclosesItsMovedCorners) {
    using B = TypeParam;
    const double angle = std::atan(1.0), c = std::cos(angle), s = std::sin(angle);
    const double shift[3] = {10, -20, 30};
    const XformOf<B> m = turn<B>(angle, shift);
    const B src = box<B>({1, 2, 3}, {4, 6, 5});
    V lo(3, 1e300), hi(3, -1e300);
    for (double x : {1.0, 4.0})
        for (double y : {2.0, 6.0})
            for (double z : {3.0, 5.0}) {
                const double q[3] = {c * x - s * y + 10, s * x + c * y - 20, z + 30};
                for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], q[a]);
                for (int a = 0; a < 3; ++a) hi[a] = std::max(hi[a], q[a]);
            }
    B by_object, by_array, self = src;
    by_object.update(src, m);
    by_array.update(src, m.data());
    self.update(self, m);
    const V got = bounds(by_object), want = cut(src, lo, hi), before = bounds(src);
    for (unsigned i = 0; i < 2 * N<B>; ++i) {
        EXPECT_DOUBLE_EQ(got[i], want[i]) << i;
        EXPECT_EQ(bounds(self)[i],
                  i < N<B> ? std::min(got[i], before[i]) : std::max(got[i], before[i]));
    }
    EXPECT_EQ(bounds(by_array), got);

    // Shifting x by the null real: the corners at minimum x come first and leave the
    // box empty; those at maximum x then make it.
    const double null_x[3] = {kNull, 0, 0};
    B order;
    order.update(cube<B>(0, 0, 0), turn<B>(0.0, null_x));
    EXPECT_EQ(bounds(order), cut(order, {1, 0, 0}, {1, 1, 1}));
}

// A null transform array is the identity of the transform's apply, done in arithmetic:
// -0.0 comes out as 0.0, and an infinite x makes y NaN (and in space, where the
// image is divided by its w, every coordinate). The forms without a transform add
// the point exactly as given.
TYPED_TEST(BoxTest, NullTransformStillMapsPointsWhileNoTransformDoesNot) {
    using B = TypeParam;
    const double* const no_m = nullptr;
    const double neg_zero[3] = {-0.0, 1, 2}, far[3] = {kInf, 1, 2};
    for (const B& b : five_forms<B>(neg_zero, no_m)) {
        EXPECT_EQ(bounds(b), cut(b, {0, 1, 2}, {0, 1, 2}));
        EXPECT_FALSE(std::signbit(b.minx()) || std::signbit(b.maxx()));
    }
    for (const B& b : five_forms<B>(neg_zero))
        EXPECT_TRUE(std::signbit(b.minx()) && std::signbit(b.maxx()));
    for (const B& b : five_forms<B>(far, no_m)) {
        const V got = bounds(b);
        for (unsigned i = 0; i < got.size(); ++i)
            EXPECT_TRUE(N<B> == 2 && i % 2 == 0 ? got[i] == kInf : std::isnan(got[i])) << i;
    }
    for (const B& b : five_forms<B>(far)) EXPECT_EQ(bounds(b), cut(b, {kInf, 1, 2}, {kInf, 1, 2}));
}

TYPED_TEST(BoxTest, ContainsPointsWithInclusiveTolerance) {
    using B = TypeParam;
    const V top = {1, 2, 3};
    const B b = box<B>({0, 0, 0}, top);
    // Half a unit outside each face in turn: contained exactly when tol >= 0.5.
    for (unsigned a = 0; a < N<B>; ++a)
        for (bool high : {false, true}) {
            double p[3] = {0.5, 1, 1.5};
            p[a] = high ? top[a] + 0.5 : -0.5;
            EXPECT_EQ(b.contains(p, 0.4), 0) << a << high;
            EXPECT_EQ(b.contains(p, 0.5), 1) << a << high;
        }
    const double edge[3] = {1, 1, 1}, inside[3] = {0.75, 1, 1}, null_pt[3] = {kNull, kNull, kNull};
    EXPECT_EQ(holds(b, edge, -0.25), 0);  // a negative tolerance shrinks
    EXPECT_EQ(holds(b, inside, -0.25), 1);
    EXPECT_EQ(b.contains(static_cast<const double*>(nullptr), 10.0), 0);
    EXPECT_EQ(holds(B(), null_pt, 1.0), 0);

    // Every form on the corner (1, 2, 3) and on its mirror (3, 2, 1).
    using P = PointOf<B>;
    const double in[3] = {1, 2, 3}, out[3] = {3, 2, 1};
    ListOfDouble in_list(in, 3), out_list(out, 3);
    EXPECT_EQ(b.contains(in, 0.0) + b.contains(P(in), 0.0) + holds(b, in, 0.0) +
                  b.contains(&in_list, 0.0),
              4);
    EXPECT_EQ(b.contains(out, 0.0) + b.contains(P(out), 0.0) + holds(b, out, 0.0) +
                  b.contains(&out_list, 0.0),
              0);
    EXPECT_EQ(cube<B>(-0.5, -0.5, -0.5).contains(static_cast<ListOfDouble*>(nullptr), 0.0), 1);
}

TYPED_TEST(BoxTest, ContainsBoxesAndArrays) {
    using B = TypeParam;
    const B b = box<B>({0, 0, 0}, {4, 4, 4});
    EXPECT_EQ(b.contains(b, 0.0), 1);
    for (unsigned a = 0; a < N<B>; ++a) {
        V lo = {1, 1, 1}, hi = {3, 3, 3};
        hi[a] = 5;
        EXPECT_EQ(b.contains(box<B>(lo, hi), 0.0), 0) << a;  // maximum outside
        hi[a] = 3;
        lo[a] = -1;
        EXPECT_EQ(b.contains(box<B>(lo, hi), 0.0), 0) << a;  // minimum outside
        EXPECT_EQ(b.contains(box<B>(lo, hi), 1.0), 1) << a;
    }
    EXPECT_EQ(b.contains(B(), 100.0), 0);
    EXPECT_EQ(B().contains(b, 100.0), 0);

    ArrayOf<B> points, one_out, one_in;
    EXPECT_EQ(b.contains(points, 100.0), 0);  // no points: not contained
    EXPECT_EQ((append(points, 1, 1, 1), append(points, 4, 0, 2), b.contains(points, 0.0)), 1);
    EXPECT_EQ((append(points, 2, 4.5, 2), b.contains(points, 0.0)), 0);
    EXPECT_EQ(b.contains(points, 0.5), 1);
    EXPECT_EQ(B().contains(points, 100.0), 0);

    // One point differs from the others; every point is read whole.
    for (double x : {1.0, 9.0, 1.0, 1.0}) append(one_out, x, 1, 1);
    for (double x : {9.0, 1.0, 9.0, 9.0}) append(one_in, x, 1, 1);
    EXPECT_EQ(b.contains(one_out, 0.0) + 2 * b.intersects(one_in, 0.0), 2);
}

TYPED_TEST(BoxTest, IntersectsTouchingBoxesAndArrays) {
    using B = TypeParam;
    const B b = cube<B>(0, 0, 0);
    for (unsigned axis = 0; axis < N<B>; ++axis) {
        for (double side : {-1.0, 1.0}) {
            double at[3] = {0, 0, 0};
            at[axis] = side;
            EXPECT_EQ(b.intersects(cube<B>(at[0], at[1], at[2]), 0.0), 1) << axis << side;
            at[axis] = 1.5 * side;  // 0.5 apart
            const B apart = cube<B>(at[0], at[1], at[2]);
            EXPECT_EQ(b.intersects(apart, 0.4), 0) << axis << side;
            EXPECT_EQ(b.intersects(apart, 0.5), 1) << axis << side;
            EXPECT_EQ(apart.intersects(b, 0.5), 1) << axis << side;
        }
    }
    EXPECT_EQ(b.intersects(B(), 10.0), 0);
    EXPECT_EQ(B().intersects(b, 10.0), 0);

    ArrayOf<B> points;
    EXPECT_EQ(b.intersects(points, 10.0), 0);
    append(points, 5, 5, 5);
    EXPECT_EQ((append(points, 2, 0.5, 0.5), b.intersects(points, 0.0)), 0);
    EXPECT_EQ(b.intersects(points, 1.0), 1);
    EXPECT_EQ(B().intersects(points, 10.0), 0);
}

TYPED_TEST(BoxTest, IntersectionOverlapContactGapAndAliasing) {
    using B = TypeParam;
    const B a = cube<B>(0, 0, 0), gap = cube<B>(1.5, 0, 0);
    B r = cube<B>(9, 9, 9);
    for (unsigned axis = 0; axis < N<B>; ++axis) {
        double at[3] = {0, 0, 0};
        at[axis] = 1;
        V lo = {0, 0, 0}, hi = {1, 1, 1};
        lo[axis] = 1;
        EXPECT_EQ(meet(r, a, cube<B>(at[0], at[1], at[2]), 0.0), 0) << axis;  // a shared face
        EXPECT_EQ(bounds(r), V(2 * N<B>, kNull));
        EXPECT_EQ(meet(r, a, cube<B>(at[0], at[1], at[2]), 1e-9), 1) << axis;
        EXPECT_EQ(bounds(r), cut(r, lo, hi));
        at[axis] = 1.5;  // the gap: its minimum below its maximum
        hi[axis] = 1.5;
        EXPECT_EQ(meet(r, cube<B>(at[0], at[1], at[2]), a, 1.0), 1) << axis;
        EXPECT_EQ(bounds(r), cut(r, lo, hi));
    }
    for (const auto& [x, y, tol] : {std::make_tuple(a, cube<B>(0, 2.5, 0), 1.0),
                                    std::make_tuple(a, B(), 10.0), std::make_tuple(B(), a, 10.0)}) {
        r = a;
        EXPECT_EQ(meet(r, x, y, tol), 0);
        EXPECT_EQ(r.is_empty(), 1);
    }

    const B p = box<B>({0, 0, 0}, {2, 2, 2}), q = box<B>({1, -1, 1.5}, {3, 1, 4});
    B first = p, second = q, in_gap = a;
    EXPECT_EQ(meet(first, first, q, 0.0), 1);
    EXPECT_EQ(meet(second, p, second, 0.0), 1);
    EXPECT_EQ(meet(in_gap, in_gap, gap, 1.0), 1);
    EXPECT_EQ(bounds(first), cut(r, {1, 0, 1.5}, {2, 1, 2}));
    EXPECT_EQ(bounds(second), bounds(first));
    EXPECT_EQ(bounds(in_gap), cut(r, {1, 0, 0}, {1.5, 1, 1}));
}

// Every point form, with the transform object and with its array.
TYPED_TEST(BoxTest, PointsAndArraysGoThroughTheTransform) {
    using B = TypeParam;
    const double quarter[9] = {0, 1, 0, -1, 0, 0, 10, 20, 1};  // a quarter turn, then a shift
    XformOf<B> m;
    if (N<B> == 3)
        m.data()[15] = 2;  // a bottom row of (0, 0, 0, 2) halves every image
    else
        std::copy(quarter, quarter + 9, m.data());
    const V image = N<B> == 3 ? V{1, 2, -3} : V{6, 22};
    const double p[3] = {2, 4, -6};
    for (const auto& boxes : {five_forms<B>(p, m), five_forms<B>(p, m.data())})
        for (const B& b : boxes) EXPECT_EQ(bounds(b), cut(b, image, image));

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-50.0, 50.0);
    ArrayOf<B> points;
    for (int i = 0; i < 200; ++i) append(points, coord(rng), coord(rng), coord(rng));
    const double shift[3] = {1, 2, 3};
    const XformOf<B> t = turn<B>(0.3, shift);
    B whole, by_data, one_by_one, plain, plain_points;
    whole.update(points, t);
    by_data.update(points, t.data());
    plain.update(points);
    for (unsigned i = 0; i < points.size(); ++i) {
        one_by_one.update(points.as_point(i), t);
        plain_points.update(points.get(i));
    }
    EXPECT_EQ(bounds(whole), bounds(one_by_one));
    EXPECT_EQ(bounds(by_data), bounds(one_by_one));
    EXPECT_EQ(bounds(plain), bounds(plain_points));
}

TEST(KelmBoundingBoxForms, PointerToASpaceBoxAndSecondNamesOfThePlaneBox) {
    const KelmBoundingBox before = box<KelmBoundingBox>({1, 2, 3}, {4, 5, 6});
    KelmBoundingBox b = before, empty;
    EXPECT_EQ((b.update(static_cast<const KelmBoundingBox*>(nullptr)), bounds(b)), bounds(before));
    EXPECT_EQ((empty.update(&before), bounds(empty)), bounds(before));
    const KelmBoundingBox2D c = box<KelmBoundingBox2D>({-1, -1}, {3, 2});
    EXPECT_EQ((V{c.minu(), c.minv(), c.maxu(), c.maxv()}), (V{-1, -1, 3, 2}));
}

}  // namespace
