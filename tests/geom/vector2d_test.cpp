#include "kelmmath/geom/vector2d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kelmmath/geom/vector.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
using V = std::vector<double>;

// The components of a result object, read after the call that wrote it.
template <class T>
V xy(const T& r) {
    return V(r.data(), r.data() + 2);
}

void ExpectVec(const double* v, double x, double y) {
    EXPECT_EQ(x, v[0]);
    EXPECT_EQ(y, v[1]);
}

TEST(KelmVec2dProducts, CrossIsPositiveCounterClockwise) {
    const double x[2] = {1, 0}, y[2] = {0, 1}, a[2] = {2, 3}, b[2] = {-1, 4};
    EXPECT_EQ(1.0, kelm_vec2d_cross(x, y));
    EXPECT_EQ(-1.0, kelm_vec2d_cross(y, x));
    EXPECT_EQ(11.0, kelm_vec2d_cross(a, b));
    EXPECT_EQ(kelm_vec_det2x2(a, b), kelm_vec2d_cross(a, b));
    EXPECT_EQ(10.0, kelm_vec2d_dot(a, b));
}

TEST(KelmVec2dDirections, NormalizeDividesAndNormalToTurns) {
    double r[2];
    const double a[2] = {3, 4};
    kelm_vec2d_normalize(r, a);
    ExpectVec(r, 0.6, 0.8);  // 3 / 5 exactly, unlike 3 * (1 / 5)
    double tiny[2] = {1e-320, -1e-320};
    kelm_vec2d_normalize(tiny);
    ExpectVec(tiny, 0, 0);
    kelm_vec2d_normalize(r, static_cast<const double*>(nullptr));
    ExpectVec(r, 0, 0);
    const double bad[2] = {kNaN, 0};
    kelm_vec2d_normalize(r, bad);
    EXPECT_TRUE(std::isnan(r[0]) && std::isnan(r[1]));

    kelm_vec2d_normal_to(r, a);
    ExpectVec(r, -4, 3);  // a quarter turn, not normalised
    EXPECT_EQ(25.0, kelm_vec2d_cross(a, r));
}

TEST(KelmVec2dBasics, ComparisonsPutAndNullInputs) {
    const double a[2] = {1, 2}, b[2] = {0.5, -3};
    double r[2];
    kelm_vec2d_sum(r, nullptr, b);
    ExpectVec(r, 0.5, -3);
    EXPECT_EQ(5.0, kelm_pt2d_distance_sq(a, nullptr));
    EXPECT_EQ(0, kelm_vec2d_is_equal(a, a, 0.0));
    EXPECT_EQ(1, kelm_vec2d_is_equal(a, 1 + 1e-12, 2, 1e-11));
    EXPECT_EQ(0, kelm_vec2d_is_equal(a, 1, 2 + 1e-10, 1e-11));
    const double nan_y[2] = {0, kNaN}, tiny[2] = {-1e-16, 1e-16};
    EXPECT_EQ(0, kelm_vec2d_is_zero(nan_y, 1.0));
    EXPECT_EQ(1, kelm_vec2d_is_zero(tiny, 1e-15));
    EXPECT_EQ(0, kelm_vec2d_is_zero(tiny, 1e-16));
    EXPECT_EQ(1, kelm_vec2d_is_zero(static_cast<const double*>(nullptr), 1e-300));

    ListOfDouble one{6}, three{1, 2, 3};
    kelm_vec2d_put(r, &one);
    ExpectVec(r, 6, 0);
    kelm_vec2d_put(r, &three);
    ExpectVec(r, 1, 2);
    kelm_vec2d_put(r, static_cast<ListOfDouble*>(nullptr));
    ExpectVec(r, 0, 0);
    kelm_vec2d_put(r, KelmDirection2D(-7, -8));
    kelm_vec2d_put(r, static_cast<const double*>(nullptr));
    ExpectVec(r, 0, 0);
}

TEST(KelmPt2dNearestOnLine, FootAndParameter) {
    const double q[2] = {2, 2}, p2[2] = {4, 0}, a[2] = {1, 2}, dir[2] = {0, -2};
    double r[2], t = -1;
    kelm_pt2d_nearest_on_line_thru_pts(r, &t, nullptr, p2, q);
    ExpectVec(r, 2, 0);
    EXPECT_EQ(0.5, t);
    kelm_pt2d_nearest_on_line(r, nullptr, a, dir, p2);
    ExpectVec(r, 1, 0);
    kelm_pt2d_nearest_on_line(r, &t, a, nullptr, q);  // no guard: 0/0
    EXPECT_TRUE(std::isnan(t));
}

// Asymmetric inputs, so that a swapped or dropped argument shows.
TEST(KelmVec2dClassOverloads, ForwardToTheArrayForms) {
    const KelmPoint2D p(1, 2), q(-2, 0.5), s(3, -1);
    const KelmDirection2D d(0.5, -1), e(2, 3);
    EXPECT_EQ(-1.0, kelm_vec2d_dot(p, q));
    EXPECT_EQ(-2.0, kelm_vec2d_dot(d, e));
    EXPECT_EQ(4.5, kelm_vec2d_cross(p, q));
    EXPECT_EQ(-3.5, kelm_vec2d_cross(e, d));
    EXPECT_EQ(5.0, kelm_vec2d_length(KelmDirection2D(-3, 4)));
    EXPECT_EQ(11.25, kelm_pt2d_distance_sq(p, q));
    EXPECT_EQ(5.0, kelm_pt2d_distance(p, KelmPoint2D(4, 6)));
    EXPECT_EQ(1, kelm_vec2d_is_equal(p, KelmPoint2D(1, 2.5), 0.6));
    EXPECT_EQ(0, kelm_vec2d_is_equal(d, e, 3.9) + kelm_vec2d_is_zero(p, 1.5));
    EXPECT_EQ(1, kelm_vec2d_is_zero(KelmDirection2D(), 1e-15));

    KelmPoint2D rp;
    KelmDirection2D rd;
    EXPECT_EQ((kelm_vec2d_diff(rp, p, q), xy(rp)), V({3, 1.5}));
    EXPECT_EQ((kelm_vec2d_diff(rd, q, p), xy(rd)), V({-3, -1.5}));
    EXPECT_EQ((kelm_vec2d_diff(rd, d, e), xy(rd)), V({-1.5, -4}));
    EXPECT_EQ((kelm_vec2d_sum(rp, p, q), xy(rp)), V({-1, 2.5}));
    EXPECT_EQ((kelm_vec2d_sum(rp, p, d), xy(rp)), V({1.5, 1}));
    EXPECT_EQ((kelm_vec2d_sum(rd, d, e), xy(rd)), V({2.5, 2}));
    EXPECT_EQ((kelm_vec2d_scale(rp, p, 3), xy(rp)), V({3, 6}));
    EXPECT_EQ((kelm_vec2d_scale(rd, e, -1), xy(rd)), V({-2, -3}));
    kelm_vec2d_negate(rp, q);
    EXPECT_EQ((kelm_vec2d_negate(rp), xy(rp)), V({-2, 0.5}));
    kelm_vec2d_negate(rd, d);
    EXPECT_EQ((kelm_vec2d_negate(rd), xy(rd)), V({0.5, -1}));
    EXPECT_EQ((kelm_vec2d_normalize(rd, KelmDirection2D(0, -4)), xy(rd)), V({0, -1}));
    EXPECT_EQ((kelm_vec2d_normalize(rd = KelmDirection2D(3, 0)), xy(rd)), V({1, 0}));
    EXPECT_EQ((kelm_vec2d_normal_to(rp, p), xy(rp)), V({-2, 1}));
    EXPECT_EQ((kelm_vec2d_normal_to(rd, e), xy(rd)), V({-3, 2}));
    EXPECT_EQ((kelm_pt2d_midpoint(rp, p, s), xy(rp)), V({2, 0.5}));
    EXPECT_EQ((kelm_vec2d_put(rp.data(), p), xy(rp)), V({1, 2}));

    double t = 0;
    EXPECT_EQ(
        (kelm_pt2d_nearest_on_line(rp, &t, KelmPoint2D(0, 1), KelmDirection2D(4, 0), s), xy(rp)),
        V({3, 1}));
    EXPECT_EQ(0.75, t);
    EXPECT_EQ((kelm_pt2d_nearest_on_line_thru_pts(rp, &t, KelmPoint2D(0, 1), KelmPoint2D(0, 5), s),
               xy(rp)),
              V({0, -1}));
    EXPECT_EQ(-0.5, t);
}

}  // namespace
