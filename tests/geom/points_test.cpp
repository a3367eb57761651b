#include "kelmmath/geom/points.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

template <class T>
void ExpectComponents(const T& obj, double a, double b, double c = 0.0) {
    const int n = sizeof(T) / sizeof(double);
    const double want[3] = {a, b, c};
    for (int i = 0; i < n; ++i) EXPECT_EQ(want[i], obj.data()[i]) << i;
}

TEST(KelmIsEpsilonEqual, ExactEqualityThenNullRealThenStrictTolerance) {
    for (double x : {0.0, -3e200, 1e-310, KELM_NULL_REAL, kInf}) {
        EXPECT_EQ(1, kelm_is_epsilon_equal(x, x, 0.0)) << x;
    }
    EXPECT_EQ(0, kelm_is_epsilon_equal(KELM_NULL_REAL, 0.0, 1.0));
    EXPECT_EQ(0, kelm_is_epsilon_equal(0.0, KELM_NULL_REAL, 1.0));
    EXPECT_EQ(1, kelm_is_epsilon_equal(-KELM_NULL_REAL, 0.0, 1.0));  // only +DBL_MIN is null
    EXPECT_EQ(1, kelm_is_epsilon_equal(0.0, 5e-16, 1e-15));
    EXPECT_EQ(0, kelm_is_epsilon_equal(0.0, 0.5, 0.5));
    EXPECT_EQ(0, kelm_is_epsilon_equal(-1.0, 1.0, 2.0));
}

TEST(KelmTolerancePredicates, NaNIsNeverWithinATolerance) {
    EXPECT_EQ(0, kelm_is_epsilon_equal(kNaN, kNaN, 1.0));
    EXPECT_EQ(0, kelm_is_epsilon_equal(0.0, kNaN, 1.0));
    EXPECT_EQ(0, kelm_is_epsilon_equal(0.0, 1e-20, kNaN));
    EXPECT_EQ(1, kelm_is_epsilon_equal(2.0, 2.0, kNaN));  // exact equality needs no eps
    EXPECT_EQ(0, kelm_is_epsilon_zero(kNaN, 1.0));
    EXPECT_EQ(0, kelm_is_epsilon_zero(0.0, kNaN));
    EXPECT_EQ(0, kelm_is_epsilon_nonzero(kNaN, 1.0));
    EXPECT_EQ(0, kelm_is_epsilon_nonzero(1.0, kNaN));
}

TEST(KelmTolerancePredicates, ZeroAndNonzeroAreComplementaryExceptForTheNullReal) {
    for (double v : {0.0, 1e-16, -1e-16, 1e-15, -1e-15, -7.0, -kInf, 1e-310, -KELM_NULL_REAL}) {
        EXPECT_EQ(1, kelm_is_epsilon_zero(v, 1e-15) + kelm_is_epsilon_nonzero(v, 1e-15)) << v;
    }
    EXPECT_EQ(0, kelm_is_epsilon_zero(1e-15, 1e-15));  // strictly below
    EXPECT_EQ(0, kelm_is_epsilon_zero(KELM_NULL_REAL, 1.0));
    EXPECT_EQ(0, kelm_is_epsilon_nonzero(KELM_NULL_REAL, 0.0));
}

TEST(KelmValueClasses, ConstantsAndLayout) {
    ExpectComponents(KelmPoint(kelm_vec_zero), 0, 0, 0);
    ExpectComponents(KelmPoint(kelm_vec_100), 1, 0, 0);
    ExpectComponents(KelmPoint(kelm_vec_010), 0, 1, 0);
    ExpectComponents(KelmPoint(kelm_vec_001), 0, 0, 1);
    KelmPoint pts[2] = {KelmPoint(1, 2, 3), KelmPoint(4, 5, 6)};
    EXPECT_EQ(reinterpret_cast<const double*>(&pts[0]), pts[0].data());
    EXPECT_EQ(pts[0].data() + 3, pts[1].data());
    // Objects laid over plain storage read and write the doubles in order.
    double raw[4] = {7, 8, 9, 10};
    EXPECT_EQ(10.0, reinterpret_cast<const KelmPoint2D*>(raw + 2)->v());
    reinterpret_cast<KelmDirection*>(raw)->k(-1.0);
    EXPECT_EQ(-1.0, raw[2]);
}

TEST(KelmValueClasses, ConstructorsFillEveryComponent) {
    ExpectComponents(KelmPoint(), 0, 0, 0);
    ExpectComponents(KelmDirection(3, 4, 0), 3, 4, 0);  // never normalised
    const double a[3] = {1.5, -2.5, 3.5};
    ExpectComponents(KelmDirection(a), 1.5, -2.5, 3.5);
    ExpectComponents(KelmPoint2D(a), 1.5, -2.5);
    ExpectComponents(KelmPoint(static_cast<const double*>(nullptr)), 0, 0, 0);
    ExpectComponents(KelmDirection2D(static_cast<const double*>(nullptr)), 0, 0);

    ListOfDouble one{7.0}, four{1, 2, 3, 4}, empty;
    ExpectComponents(KelmPoint(&one), 7, 0, 0);
    ExpectComponents(KelmDirection(&four), 1, 2, 3);
    ExpectComponents(KelmDirection(&empty), 0, 0, 0);
    ExpectComponents(KelmPoint(static_cast<ListOfDouble*>(nullptr)), 0, 0, 0);
    ExpectComponents(KelmPoint2D(&four), 1, 2);
    ExpectComponents(KelmDirection2D(&one), 7, 0);
}

TEST(KelmValueClasses, SettersAndSharedAccessors) {
    KelmPoint p;
    p.xyz(1, 2, 3);
    p.y(-4);
    ExpectComponents(p, 1, -4, 3);
    KelmDirection d;
    d.ijk(5, 6, 7);
    d.i(2);
    ExpectComponents(d, 2, 6, 7);
    EXPECT_EQ(7.0, d.k());

    KelmPoint2D q;
    q.x(5);
    q.v(6);
    EXPECT_EQ(5.0, q.u());
    EXPECT_EQ(6.0, q.y());
    q.uv(1, 2);
    ExpectComponents(q, 1, 2);
    q.xy(3, 4);
    EXPECT_EQ(3.0, q.u());
    KelmDirection2D e(1, 2);
    e.ij(-1, -2);
    e.j(8);
    ExpectComponents(e, -1, 8);

    KelmPoint copy;
    copy = p;
    p.x(100);  // copies own their components
    ExpectComponents(copy, 1, -4, 3);
}

}  // namespace
