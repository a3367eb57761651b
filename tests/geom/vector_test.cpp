#include "kelmmath/geom/vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "kelmmath/geom/points.h"
#include "kelmmath/geom/vector2d.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
using V = std::vector<double>;

// The first n values at v; the components of a value object (read after the call that
// wrote it).
V vals(const double* v, int n = 3) {
    return V(v, v + n);
}
template <class T>
V comps(const T& r) {
    return V(r.data(), r.data() + sizeof(T) / sizeof(double));
}

void expect_near(const double* v, const V& want, double tol) {
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(want[i], v[i], tol) << i;
}

TEST(KelmVecNormalize, SpaceScalesByTheReciprocalPlaneDividesZeroLength) {
    double r[3] = {9, 9, 9};
    const double a[3] = {3, 4, 0};
    // 3 * (1/5) rounds differently from 3 / 5: the components are scaled by 1/|a|.
    EXPECT_EQ((kelm_vec_normalize(r, a), vals(r)), (V{3.0 * (1.0 / 5.0), 4.0 * (1.0 / 5.0), 0.0}));
    EXPECT_NE(0.6, r[0]);
    const double tiny[3] = {1e-320, 0, 0};  // its length underflows to zero
    for (const double* zero : {kelm_vec_zero, static_cast<const double*>(nullptr), tiny})
        EXPECT_EQ((kelm_vec_put(r, 9, 9, 9), kelm_vec_normalize(r, zero), vals(r)), (V{0, 0, 0}));
    const double small[3] = {0, std::ldexp(1.0, -500), 0};  // small, not zero length
    EXPECT_EQ((kelm_vec_normalize(r, small), vals(r)), (V{0, 1, 0}));
    const double bad[3] = {kNaN, 1, 0};
    kelm_vec_normalize(r, bad);
    EXPECT_TRUE(std::isnan(r[0]) && std::isnan(r[1]) && std::isnan(r[2]));

    // The plane form divides: 3 / 5 exactly.
    double r2[2];
    EXPECT_EQ((kelm_vec2d_normalize(r2, a), vals(r2, 2)), (V{0.6, 0.8}));
    EXPECT_EQ((kelm_vec2d_normalize(r2, nullptr), vals(r2, 2)), (V{0, 0}));
    double tiny2[2] = {1e-320, -1e-320};
    EXPECT_EQ((kelm_vec2d_normalize(tiny2), vals(tiny2, 2)), (V{0, 0}));
    EXPECT_TRUE((kelm_vec2d_normalize(r2, bad), std::isnan(r2[0]) && std::isnan(r2[1])));
}

TEST(KelmVecNormalTo, EachCaseGivesAUnitPerpendicular) {
    const double s = std::sqrt(0.5), t = 1 / std::sqrt(5.0);
    const struct {
        double in[3];
        double out[3];
    } cases[] = {
        {{0, 0, 1}, {1, 0, 0}},          {{1, 0, 0}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}},          {{0, 0, 0}, {1, 0, 0}},
        {{1, 1, 0}, {s, -s, 0}},         {{1, 0, 1}, {s, 0, -s}},
        {{0, 1, 1}, {0, s, -s}},         {{1, 2, 3}, {2 * t, -t, 0}},
        {{-2, 1e-16, 4}, {2 * t, 0, t}}, {{1e-16, 3, 4}, {0, 0.8, -0.6}},
        {{5, 1e-16, 0}, {0, 1, 0}},      {{1e-15, 0, 1e-15}, {s, 0, -s}},  // 1e-15 counts
    };
    for (const auto& c : cases) {
        double r[3];
        kelm_vec_normal_to(r, c.in);
        expect_near(r, {c.out[0], c.out[1], c.out[2]}, 1e-15);
        EXPECT_NEAR(0.0, kelm_vec_dot(r, c.in), 1e-15);
    }
}

TEST(KelmVecCompare, StrictPerComponentTests) {
    const double a[3] = {1, 2, 3}, b[3] = {1, 2, 3 + 1e-9};
    const double nan_z[3] = {0, 0, kNaN}, tiny[3] = {1e-16, 0, -1e-16};
    const double zero_then_one[4] = {0, 0, 0, 1};  // only three components count
    EXPECT_EQ((std::vector<int>{
                  kelm_vec_is_equal(a, a, 0.0), kelm_vec_is_equal(a, b, 1e-8),
                  kelm_vec_is_equal(a, b, 1e-10), kelm_vec_is_equal(a, 1, 2, 3 + 1e-9, 1e-8),
                  kelm_vec_is_equal(a, 1.1, 2, 3, 1e-8), kelm_vec_is_equal(nan_z, nan_z, 1.0),
                  kelm_vec_is_zero(nan_z, 1e300), kelm_vec_is_zero(tiny, 1e-15),
                  kelm_vec_is_zero(tiny, 1e-16), kelm_vec_is_zero(zero_then_one, 1e-15),
                  kelm_vec_is_zero(static_cast<const double*>(nullptr), 1e-15),
                  kelm_vec_is_equal(nullptr, tiny, 1e-15)}),
              (std::vector<int>{0, 1, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1}));

    const double nan_y[2] = {0, kNaN}, tiny2[2] = {-1e-16, 1e-16};
    EXPECT_EQ((std::vector<int>{
                  kelm_vec2d_is_equal(a, a, 0.0), kelm_vec2d_is_equal(a, 1 + 1e-12, 2, 1e-11),
                  kelm_vec2d_is_equal(a, 1, 2 + 1e-10, 1e-11), kelm_vec2d_is_zero(nan_y, 1.0),
                  kelm_vec2d_is_zero(tiny2, 1e-15), kelm_vec2d_is_zero(tiny2, 1e-16),
                  kelm_vec2d_is_zero(static_cast<const double*>(nullptr), 1e-300)}),
              (std::vector<int>{0, 1, 0, 0, 1, 0, 1}));
}

TEST(KelmVecProducts, CrossAndDeterminants) {
    const double a[3] = {1, 2, 3}, b[3] = {-4, 5, 0.5}, c[3] = {2, -1, 7};
    double r[3];
    kelm_vec_cross(r, a, b);
    EXPECT_EQ(vals(r), (V{2 * 0.5 - 3 * 5, 3 * -4 - 1 * 0.5, 1 * 5 - 2 * -4}));
    EXPECT_EQ((kelm_vec_cross(r, nullptr, b), vals(r)), (V{0, 0, 0}));
    EXPECT_EQ(1.0, kelm_vec_det3x3(kelm_vec_100, kelm_vec_010, kelm_vec_001));
    EXPECT_EQ(-1.0, kelm_vec_det3x3(kelm_vec_010, kelm_vec_100, kelm_vec_001));
    EXPECT_EQ((kelm_vec_cross(r, b, c), kelm_vec_dot(a, r)), kelm_vec_det3x3(a, b, c));
    EXPECT_EQ(0.0, kelm_vec_det3x3(nullptr, b, c) + kelm_vec_det3x3(a, nullptr, c) +
                       kelm_vec_det3x3(a, b, nullptr));
    EXPECT_EQ(13.0, kelm_vec_det2x2(a, b));
    EXPECT_EQ(0.0, kelm_vec_det2x2(nullptr, b) + kelm_vec_det2x2(a, nullptr));

    // The plane cross product is positive counter-clockwise; normal_to turns a quarter.
    const double x[2] = {1, 0}, y[2] = {0, 1}, d[2] = {-1, 4};
    EXPECT_EQ(1.0, kelm_vec2d_cross(x, y));
    EXPECT_EQ(-1.0, kelm_vec2d_cross(y, x));
    EXPECT_EQ(kelm_vec_det2x2(a, d), kelm_vec2d_cross(a, d));
    EXPECT_EQ(7.0, kelm_vec2d_dot(a, d));
    EXPECT_EQ((kelm_vec2d_normal_to(r, b), vals(r, 2)), (V{-5, -4}));  // not normalised
    EXPECT_EQ((kelm_vec2d_sum(r, nullptr, b), vals(r, 2)), (V{-4, 5}));
    EXPECT_EQ(5.0, kelm_pt2d_distance_sq(a, nullptr));
}

TEST(KelmVecPut, FromEverySource) {
    double r[3];
    ListOfDouble two{4, 5}, five{1, 2, 3, 4, 5};
    EXPECT_EQ((kelm_vec_put(r, &two), vals(r)), (V{4, 5, 0}));
    EXPECT_EQ((kelm_vec_put(r, &five), vals(r)), (V{1, 2, 3}));
    EXPECT_EQ((kelm_vec_put(r, static_cast<ListOfDouble*>(nullptr)), vals(r)), (V{0, 0, 0}));
    kelm_vec_put(r, KelmDirection(3, 4, 5));
    EXPECT_EQ((kelm_vec_put(r, static_cast<const double*>(nullptr)), vals(r)), (V{0, 0, 0}));

    ListOfDouble one{6}, three{1, 2, 3};
    EXPECT_EQ((kelm_vec2d_put(r, &one), vals(r, 2)), (V{6, 0}));
    EXPECT_EQ((kelm_vec2d_put(r, &three), vals(r, 2)), (V{1, 2}));
    EXPECT_EQ((kelm_vec2d_put(r, static_cast<ListOfDouble*>(nullptr)), vals(r, 2)), (V{0, 0}));
    kelm_vec2d_put(r, KelmDirection2D(-7, -8));
    EXPECT_EQ((kelm_vec2d_put(r, static_cast<const double*>(nullptr)), vals(r, 2)), (V{0, 0}));
}

TEST(KelmPtNearestOnLine, FootAndParameter) {
    const double q[3] = {1, 1, 0}, dir[3] = {2, 0, 0};
    double r[3], t = -1;
    EXPECT_EQ((kelm_pt_nearest_on_line(r, &t, nullptr, dir, q), vals(r)), (V{1, 0, 0}));
    EXPECT_EQ(0.5, t);
    const double p1[3] = {1, 1, 1}, p2[3] = {1, 1, 5}, off[3] = {4, -2, 2};
    EXPECT_EQ(1.0, (kelm_pt_nearest_on_line_thru_pts(r, &t, p1, p2, p2), t));
    kelm_pt_nearest_on_line_thru_pts(r, nullptr, p1, p2, off);  // t is optional
    EXPECT_EQ(vals(r), (V{1, 1, 2}));
    kelm_pt_nearest_on_line(r, &t, p1, kelm_vec_zero, q);  // no guard: 0/0
    EXPECT_TRUE(std::isnan(t) && std::isnan(r[0]));

    const double q2[2] = {2, 2}, b2[2] = {4, 0}, a2[2] = {1, 2}, dir2[2] = {0, -2};
    EXPECT_EQ((kelm_pt2d_nearest_on_line_thru_pts(r, &t, nullptr, b2, q2), vals(r, 2)), (V{2, 0}));
    EXPECT_EQ(0.5, t);
    EXPECT_EQ((kelm_pt2d_nearest_on_line(r, nullptr, a2, dir2, b2), vals(r, 2)), (V{1, 0}));
    EXPECT_TRUE((kelm_pt2d_nearest_on_line(r, &t, a2, nullptr, q2), std::isnan(t)));
}

TEST(KelmPtCircleParams, CircleThroughThreePointsAndFailures) {
    const double p1[3] = {1, 0, 0}, p2[3] = {0, 1, 0}, p3[3] = {-1, 0, 0};
    double c[3], n[3], radius = 0;
    ASSERT_EQ(1, kelm_pt_circle_params(c, radius, n, p1, p2, p3));
    expect_near(c, {0, 0, 0}, 1e-15);
    expect_near(n, {0, 0, 1}, 1e-15);
    EXPECT_NEAR(1.0, radius, 1e-15);
    ASSERT_EQ(1, kelm_pt_circle_params(c, radius, nullptr, p3, p2, p1));  // normal optional
    ASSERT_EQ(1, kelm_pt_circle_params(c, radius, n, p3, p2, p1));
    expect_near(n, {0, 0, -1}, 1e-15);

    // A tilted scalene triangle: the centre is equidistant and in the plane.
    const double a[3] = {1, 2, 3}, b[3] = {4, -1, 2}, d[3] = {0.5, 0.5, -2};
    ASSERT_EQ(1, kelm_pt_circle_params(c, radius, n, a, b, d));
    for (const double* p : {a, b, d}) EXPECT_NEAR(radius, kelm_pt_distance(c, p), 1e-12);
    for (const double* p : {b, d, static_cast<const double*>(c)})
        EXPECT_NEAR(kelm_vec_dot(n, a), kelm_vec_dot(n, p), 1e-12);
    EXPECT_NEAR(1.0, kelm_vec_length(n), 1e-15);

    // Failures write nothing before the normal.
    const double q3[3] = {-1, 2, 0};
    kelm_vec_put(c, 7, 7, 7);
    kelm_vec_put(n, 8, 8, 8);
    radius = 9;
    // Equal points, then a missing point in each place.
    const double* const bad[][3] = {
        {p1, p1, p2}, {p1, p2, p2}, {nullptr, p2, p1}, {p1, nullptr, p2}, {p1, p2, nullptr}};
    for (const auto& t : bad) EXPECT_EQ(0, kelm_pt_circle_params(c, radius, n, t[0], t[1], t[2]));
    EXPECT_EQ(0, kelm_pt_circle_params(nullptr, radius, n, p1, p2, q3));
    EXPECT_EQ((V{c[0], c[1], c[2], n[0], n[1], n[2], radius}), (V{7, 7, 7, 8, 8, 8, 9}));
    // Collinear points: the zero normal is left behind, centre and radius are not.
    EXPECT_EQ(0, kelm_pt_circle_params(c, radius, n, p1, p2, q3));
    EXPECT_EQ((V{c[0], c[1], c[2], n[0], n[1], n[2], radius}), (V{7, 7, 7, 0, 0, 0, 9}));
}

// Every array form with a result gives the same answer when the result is the
// same array as one of its inputs; d is the number of components.
using P = const double*;
using Fn = void (*)(double*, P, P, P);
void expect_result_may_be_any_input(int d, const std::vector<Fn>& cases) {
    const double in[3][3] = {{1.5, -2, 3}, {0.25, 4, -1}, {-3, 0.5, 2}};
    for (std::size_t n = 0; n < cases.size(); ++n) {
        double want[3];
        cases[n](want, in[0], in[1], in[2]);
        for (int k = 0; k < 3; ++k) {
            double args[3][3];
            for (int i = 0; i < 9; ++i) args[i / 3][i % 3] = in[i / 3][i % 3];
            cases[n](args[k], args[0], args[1], args[2]);
            for (int i = 0; i < d; ++i) EXPECT_EQ(want[i], args[k][i]) << n << k << i;
        }
    }
}

TEST(KelmVecAliasing, ResultMayBeAnyInput) {
    expect_result_may_be_any_input(
        3,
        {
            [](double* r, P a, P b, P) { kelm_vec_cross(r, a, b); },
            [](double* r, P a, P b, P) { kelm_vec_diff(r, a, b); },
            [](double* r, P a, P b, P) { kelm_vec_sum(r, a, b); },
            [](double* r, P a, P, P) { kelm_vec_scale(r, a, -1.5); },
            [](double* r, P a, P, P) { kelm_vec_negate(r, a); },
            [](double* r, P a, P, P) { kelm_vec_normalize(r, a); },
            [](double* r, P a, P, P) { kelm_vec_normal_to(r, a); },
            [](double* r, P a, P, P) { kelm_vec_put(r, a); },
            [](double* r, P a, P b, P) { kelm_pt_midpoint(r, a, b); },
            [](double* r, P a, P b, P c) { kelm_pt_nearest_on_line(r, nullptr, a, b, c); },
            [](double* r, P a, P b, P c) { kelm_pt_nearest_on_line_thru_pts(r, nullptr, a, b, c); },
        });
    expect_result_may_be_any_input(
        2, {
               [](double* r, P a, P b, P) { kelm_vec2d_diff(r, a, b); },
               [](double* r, P a, P b, P) { kelm_vec2d_sum(r, a, b); },
               [](double* r, P a, P, P) { kelm_vec2d_scale(r, a, 0.75); },
               [](double* r, P a, P, P) { kelm_vec2d_negate(r, a); },
               [](double* r, P a, P, P) { kelm_vec2d_normalize(r, a); },
               [](double* r, P a, P, P) { kelm_vec2d_normal_to(r, a); },
               [](double* r, P a, P, P) { kelm_vec2d_put(r, a); },
               [](double* r, P a, P b, P) { kelm_pt2d_midpoint(r, a, b); },
               [](double* r, P a, P b, P c) { kelm_pt2d_nearest_on_line(r, nullptr, a, b, c); },
               [](double* r, P a, P b, P c) {
                   kelm_pt2d_nearest_on_line_thru_pts(r, nullptr, a, b, c);
               },
           });
    double v[3] = {3, 4, 0};
    kelm_vec_negate(v);
    EXPECT_EQ((kelm_vec_normalize(v), vals(v)), (V{-3.0 * (1.0 / 5.0), -4.0 * (1.0 / 5.0), 0.0}));
}

// The class overloads pass each object to the matching array argument; the
// inputs are asymmetric so that swapped arguments show.
TEST(KelmVecClassOverloads, ForwardToTheArrayForms) {
    const KelmPoint p(1, 2, 3), q(-2, 0.5, 4), s(3, 1, -1);
    const KelmDirection d(0.5, -1, 2), e(2, 3, -4), f(1, 1, 7);
    EXPECT_EQ(-2 + 1 + 12, kelm_vec_dot(p, q));
    EXPECT_EQ(1 - 3 - 8, kelm_vec_dot(d, e));
    EXPECT_EQ(5.0, kelm_vec_det2x2(KelmDirection2D(1, 2), KelmDirection2D(-3, -1)));
    EXPECT_EQ(kelm_vec_det3x3(d.data(), e.data(), f.data()), kelm_vec_det3x3(d, e, f));
    EXPECT_EQ(1.5, kelm_vec_length(KelmDirection(1, 1, 0.5)));
    EXPECT_EQ(9 + 2.25 + 1, kelm_pt_distance_sq(p, q));
    EXPECT_EQ(3.5, kelm_pt_distance(p, q));
    EXPECT_EQ(0, kelm_vec_is_equal(p, q, 2.5) + kelm_vec_is_equal(d, e, 5.0));
    EXPECT_EQ(1, kelm_vec_is_equal(d, KelmDirection(0.5, -1, 2.5), 0.6));
    EXPECT_EQ(1, kelm_vec_is_zero(KelmPoint(), 1e-15) + kelm_vec_is_zero(d, 1.5));

    KelmPoint rp;
    KelmDirection rd;
    EXPECT_EQ((kelm_vec_cross(rp, p, q), comps(rp)), V({8 - 1.5, -6 - 4, 0.5 + 4}));
    EXPECT_EQ((kelm_vec_cross(rd, e, d), comps(rd)), V({6 - 4, -2 - 4, -2 - 1.5}));
    EXPECT_EQ((kelm_vec_diff(rp, p, q), comps(rp)), V({3, 1.5, -1}));
    EXPECT_EQ((kelm_vec_diff(rd, q, p), comps(rd)), V({-3, -1.5, 1}));
    EXPECT_EQ((kelm_vec_diff(rd, d, e), comps(rd)), V({-1.5, -4, 6}));
    EXPECT_EQ((kelm_vec_sum(rp, p, d), comps(rp)), V({1.5, 1, 5}));
    EXPECT_EQ((kelm_vec_sum(rp, p, q), comps(rp)), V({-1, 2.5, 7}));
    EXPECT_EQ((kelm_vec_sum(rd, d, e), comps(rd)), V({2.5, 2, -2}));
    EXPECT_EQ((kelm_vec_scale(rp, p, 2), comps(rp)), V({2, 4, 6}));
    EXPECT_EQ((kelm_vec_scale(rd, d, -2), comps(rd)), V({-1, 2, -4}));
    EXPECT_EQ((kelm_vec_negate(rp, q), kelm_vec_negate(rp), comps(rp)), V({-2, 0.5, 4}));
    EXPECT_EQ((kelm_vec_negate(rd, e), kelm_vec_negate(rd), comps(rd)), V({2, 3, -4}));
    EXPECT_EQ((kelm_vec_normalize(rd, KelmDirection(0, 0, -3)), comps(rd)), V({0, 0, -1}));
    EXPECT_EQ((kelm_vec_normalize(rd = KelmDirection(0, 2, 0)), comps(rd)), V({0, 1, 0}));
    EXPECT_EQ((kelm_vec_normal_to(rp, KelmPoint(0, 0, 5)), comps(rp)), (V{1, 0, 0}));
    EXPECT_EQ((kelm_vec_normal_to(rd, KelmDirection(5, 0, 0)), comps(rd)), (V{0, 1, 0}));
    EXPECT_EQ((kelm_pt_midpoint(rp, p, s), comps(rp)), V({2, 1.5, 1}));

    double t = 0;
    EXPECT_EQ(
        (kelm_pt_nearest_on_line(rp, &t, KelmPoint(1, 0, 0), KelmDirection(0, 4, 0), p), comps(rp)),
        V({1, 2, 0}));
    EXPECT_EQ(0.5, t);
    EXPECT_EQ((kelm_pt_nearest_on_line_thru_pts(rp, &t, KelmPoint(1, 0, 0), KelmPoint(1, 0, 4), p),
               comps(rp)),
              V({1, 0, 3}));
    EXPECT_EQ(0.75, t);
    double wc[3], wn[3], wr = 0, radius = 0;
    KelmPoint center;
    EXPECT_EQ(1, kelm_pt_circle_params(wc, wr, wn, p.data(), q.data(), s.data()));
    EXPECT_EQ(1, kelm_pt_circle_params(center, radius, rd, p, q, s));
    EXPECT_EQ((V{center.x(), center.y(), center.z(), rd.i(), rd.j(), rd.k(), radius}),
              (V{wc[0], wc[1], wc[2], wn[0], wn[1], wn[2], wr}));
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
    EXPECT_EQ((kelm_vec2d_diff(rp, p, q), comps(rp)), V({3, 1.5}));
    EXPECT_EQ((kelm_vec2d_diff(rd, q, p), comps(rd)), V({-3, -1.5}));
    EXPECT_EQ((kelm_vec2d_diff(rd, d, e), comps(rd)), V({-1.5, -4}));
    EXPECT_EQ((kelm_vec2d_sum(rp, p, q), comps(rp)), V({-1, 2.5}));
    EXPECT_EQ((kelm_vec2d_sum(rp, p, d), comps(rp)), V({1.5, 1}));
    EXPECT_EQ((kelm_vec2d_sum(rd, d, e), comps(rd)), V({2.5, 2}));
    EXPECT_EQ((kelm_vec2d_scale(rp, p, 3), comps(rp)), V({3, 6}));
    EXPECT_EQ((kelm_vec2d_scale(rd, e, -1), comps(rd)), V({-2, -3}));
    EXPECT_EQ((kelm_vec2d_negate(rp, q), kelm_vec2d_negate(rp), comps(rp)), V({-2, 0.5}));
    EXPECT_EQ((kelm_vec2d_negate(rd, d), kelm_vec2d_negate(rd), comps(rd)), V({0.5, -1}));
    EXPECT_EQ((kelm_vec2d_normalize(rd, KelmDirection2D(0, -4)), comps(rd)), V({0, -1}));
    EXPECT_EQ((kelm_vec2d_normalize(rd = KelmDirection2D(3, 0)), comps(rd)), V({1, 0}));
    EXPECT_EQ((kelm_vec2d_normal_to(rp, p), comps(rp)), V({-2, 1}));
    EXPECT_EQ((kelm_vec2d_normal_to(rd, e), comps(rd)), V({-3, 2}));
    EXPECT_EQ((kelm_pt2d_midpoint(rp, p, s), comps(rp)), V({2, 0.5}));
    EXPECT_EQ((kelm_vec2d_put(rp.data(), p), comps(rp)), V({1, 2}));

    double t = 0;
    EXPECT_EQ(
        (kelm_pt2d_nearest_on_line(rp, &t, KelmPoint2D(0, 1), KelmDirection2D(4, 0), s), comps(rp)),
        V({3, 1}));
    EXPECT_EQ(0.75, t);
    EXPECT_EQ((kelm_pt2d_nearest_on_line_thru_pts(rp, &t, KelmPoint2D(0, 1), KelmPoint2D(0, 5), s),
               comps(rp)),
              V({0, -1}));
    EXPECT_EQ(-0.5, t);
}

TEST(KelmTolerancePredicates, ExactEqualityThenNullRealThenStrictToleranceNeverNaN) {
    // a, b, eps, kelm_is_epsilon_equal(a, b, eps): only +DBL_MIN is the null real, and exact
    // equality needs no eps.
    const std::tuple<double, double, double, int> rows[] = {
        {0.0, 0.0, 0.0, 1},
        {-3e200, -3e200, 0.0, 1},
        {1e-310, 1e-310, 0.0, 1},
        {kInf, kInf, 0.0, 1},
        {KELM_NULL_REAL, KELM_NULL_REAL, 0.0, 1},
        {KELM_NULL_REAL, 0.0, 1.0, 0},
        {0.0, KELM_NULL_REAL, 1.0, 0},
        {-KELM_NULL_REAL, 0.0, 1.0, 1},
        {0.0, 5e-16, 1e-15, 1},
        {0.0, 0.5, 0.5, 0},
        {-1.0, 1.0, 2.0, 0},
        {kNaN, kNaN, 1.0, 0},
        {0.0, kNaN, 1.0, 0},
        {0.0, 1e-20, kNaN, 0},
        {2.0, 2.0, kNaN, 1}};
    for (const auto& [a, b, eps, want] : rows)
        EXPECT_EQ(kelm_is_epsilon_equal(a, b, eps), want) << a << " " << b << " " << eps;
    // Zero and nonzero are complementary except for the null real and NaN.
    for (double v : {0.0, 1e-16, -1e-16, 1e-15, -1e-15, -7.0, -kInf, 1e-310, -KELM_NULL_REAL})
        EXPECT_EQ(1, kelm_is_epsilon_zero(v, 1e-15) + kelm_is_epsilon_nonzero(v, 1e-15)) << v;
    EXPECT_EQ(0, kelm_is_epsilon_zero(1e-15, 1e-15));  // strictly below
    EXPECT_EQ(0, kelm_is_epsilon_zero(KELM_NULL_REAL, 1.0) +
                     kelm_is_epsilon_nonzero(KELM_NULL_REAL, 0.0));
    EXPECT_EQ(0, kelm_is_epsilon_zero(kNaN, 1.0) + kelm_is_epsilon_zero(0.0, kNaN) +
                     kelm_is_epsilon_nonzero(kNaN, 1.0) + kelm_is_epsilon_nonzero(1.0, kNaN));
}

TEST(KelmValueClasses, LayoutConstructorsSettersAndAccessors) {
    KelmPoint pts[2] = {KelmPoint(1, 2, 3), KelmPoint(4, 5, 6)};
    EXPECT_EQ(reinterpret_cast<const double*>(&pts[0]), pts[0].data());
    EXPECT_EQ(pts[0].data() + 3, pts[1].data());
    // Objects laid over plain storage read and write the doubles in order.
    double raw[4] = {7, 8, 9, 10};
    EXPECT_EQ(10.0, reinterpret_cast<const KelmPoint2D*>(raw + 2)->v());
    EXPECT_EQ(-1.0, (reinterpret_cast<KelmDirection*>(raw)->k(-1.0), raw[2]));

    EXPECT_EQ(comps(KelmPoint()), (V{0, 0, 0}));
    EXPECT_EQ(comps(KelmDirection(3, 4, 0)), (V{3, 4, 0}));  // never normalised
    const double a[3] = {1.5, -2.5, 3.5};
    EXPECT_EQ(comps(KelmDirection(a)), (V{1.5, -2.5, 3.5}));
    EXPECT_EQ(comps(KelmPoint2D(a)), (V{1.5, -2.5}));
    EXPECT_EQ(comps(KelmPoint(static_cast<const double*>(nullptr))), (V{0, 0, 0}));
    EXPECT_EQ(comps(KelmDirection2D(static_cast<const double*>(nullptr))), (V{0, 0}));

    ListOfDouble one{7.0}, four{1, 2, 3, 4}, empty;
    EXPECT_EQ(comps(KelmPoint(&one)), (V{7, 0, 0}));
    EXPECT_EQ(comps(KelmDirection(&four)), (V{1, 2, 3}));
    EXPECT_EQ(comps(KelmDirection(&empty)), (V{0, 0, 0}));
    EXPECT_EQ(comps(KelmPoint(static_cast<ListOfDouble*>(nullptr))), (V{0, 0, 0}));
    EXPECT_EQ(comps(KelmPoint2D(&four)), (V{1, 2}));
    EXPECT_EQ(comps(KelmDirection2D(&one)), (V{7, 0}));

    KelmPoint p;
    EXPECT_EQ((p.xyz(1, 2, 3), p.y(-4), comps(p)), (V{1, -4, 3}));
    KelmDirection d;
    EXPECT_EQ((d.ijk(5, 6, 7), d.i(2), comps(d)), (V{2, 6, 7}));
    EXPECT_EQ(7.0, d.k());

    KelmPoint2D q;
    EXPECT_EQ((q.x(5), q.v(6), V{q.u(), q.y()}), (V{5, 6}));
    EXPECT_EQ((q.uv(1, 2), comps(q)), (V{1, 2}));
    EXPECT_EQ((q.xy(3, 4), q.u()), 3.0);
    KelmDirection2D e(1, 2);
    EXPECT_EQ((e.ij(-1, -2), e.j(8), comps(e)), (V{-1, 8}));
}

}  // namespace
