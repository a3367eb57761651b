#include "kelmmath/geom/xform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "kelmmath/geom/vector.h"
#include "kelmmath/geom/xform2d.h"

namespace {

const double kS = std::sqrt(0.5);
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kHalfPi = 1.5707963267948966;
using V = std::vector<double>;

// The first n values at m; all values of a plane transform.
V values(const double* m, int n = 16) {
    return V(m, m + n);
}
V values(const KelmXform2D& m) {
    return V(m.data(), m.data() + 9);
}

void expect_values(const double* actual, std::vector<double> expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << i;
}
void expect_near(const double* actual, const double* expected, int n, double eps) {
    for (int i = 0; i < n; ++i) EXPECT_NEAR(actual[i], expected[i], eps) << i;
}
void expect_axes(const double* m, std::vector<double> x, std::vector<double> y,
                 std::vector<double> z) {
    expect_values(m, x);
    expect_values(m + 4, y);
    expect_values(m + 8, z);
}

// A transform whose every value differs, so swapped or dropped slots show.
template <class X = KelmXform>
X filled(double base) {
    X m;
    for (std::size_t i = 0; i < sizeof(X) / sizeof(double); ++i) m.data()[i] = base + i;
    return m;
}

struct Random {
    explicit Random(unsigned seed = 20240611u) : gen(seed) {}
    std::mt19937 gen;
    double next() { return std::uniform_real_distribution<double>(-3.0, 3.0)(gen); }
    KelmDirection dir() { return KelmDirection(next(), next(), next()); }
    KelmXform placement() {
        KelmXform m;
        kelm_xform_put_cto(m.data(), dir().data(), dir().data(), dir().data(), dir().data(), 1.0);
        return m;
    }
    KelmXform general() {
        KelmXform m;
        for (int i = 0; i < 16; ++i) m.data()[i] = next();
        return m;
    }
    KelmXform2D general2d() {
        KelmXform2D m;
        for (int i = 0; i < 9; ++i) m.data()[i] = next();
        return m;
    }
    KelmXform2D placement2d() {
        KelmXform2D m;
        const double x[2] = {next(), next()}, y[2] = {next(), next()}, o[2] = {next(), next()};
        kelm_xform2d_put_cto(m.data(), x, y, o, 1.0);
        return m;
    }
};

// Determinant by the permutation sum: an oracle independent of the minor scheme.
double det_oracle(const double* m) {
    int p[4] = {0, 1, 2, 3};
    double det = 0.0;
    do {
        int inversions = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j) inversions += p[i] > p[j];
        double term = inversions % 2 ? -1.0 : 1.0;
        for (int col = 0; col < 4; ++col) term *= m[4 * col + p[col]];
        det += term;
    } while (std::next_permutation(p, p + 4));
    return det;
}

TEST(KelmXformLayout, ConstructorsAndReferencesIntoTheArray) {
    expect_values(kelm_xform_identity, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    for (const KelmXform& i : {KelmXform(), KelmXform(static_cast<const double*>(nullptr))})
        expect_values(i.data(), values(kelm_xform_identity));

    KelmXform m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    expect_values(m.data(), {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 1});
    const double* slots[] = {m.xdir().data(), m.ydir().data(), m.zdir().data(), m.origin().data()};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(slots[i], m.data() + 4 * i) << i;
    m.ydir().j(-5);
    m.origin().z(-12);
    EXPECT_EQ((V{m.data()[5], m.data()[14]}), (V{-5, -12}));
    const KelmXform& cm = m;
    EXPECT_EQ(cm.zdir().k(), 9.0);
}

TEST(KelmXformSetters, SlotCopiesTouchOnlyTheirSlots) {
    KelmXform m = filled(100);
    kelm_xform_put_xdir(m.data(), 3, 4, 0);
    expect_values(m.data(), {3, 4, 0, 0, 104, 105, 106, 107});
    kelm_xform_put_ydir(m.data(), static_cast<const double*>(nullptr));
    expect_values(m.data() + 4, {0, 0, 0, 0, 108});
    ListOfDouble two{7, 8};
    EXPECT_EQ((kelm_xform_put_zdir(m.data(), &two), values(m.data() + 8, 5)), (V{7, 8, 0, 0, 112}));
    ListOfDouble five{1, 2, 3, 4, 5};
    EXPECT_EQ((kelm_xform_put_origin(m.data(), &five), values(m.data() + 12, 4)), (V{1, 2, 3, 1}));
    kelm_xform_put_origin(m.data(), static_cast<ListOfDouble*>(nullptr));
    expect_values(m.data() + 12, {0, 0, 0, 1});

    // Member setters forward with the same argument to the matching slots.
    KelmXform c = filled(0);
    c.xdir(KelmDirection(1, 2, 3));
    c.ydir(4, 5, 6);
    double z[3] = {7, 8, 9};
    c.zdir(z);
    c.origin(KelmPoint(10, 11, 12));
    expect_values(c.data(), {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 1});

    // put_alldirs leaves the origin and index 15 alone; a null source reads as identity.
    KelmXform a = filled(50);
    a.data()[15] = 9;
    kelm_xform_put_alldirs(a.data(), static_cast<const double*>(nullptr));
    expect_values(a.data(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 62, 63, 64, 9});
    kelm_xform_put_alldirs(a.data(), z, nullptr, a.data() + 8);  // z slot onto itself
    expect_axes(a.data(), {7, 8, 9, 0}, {0, 0, 0, 0}, {0, 0, 1, 0});
    a.put_alldirs(filled(20));
    expect_axes(a.data(), {20, 21, 22, 0}, {24, 25, 26, 0}, {28, 29, 30, 0});
}

TEST(KelmXformPutDirs, FrameFromAxisAndReference) {
    KelmXform m = filled(10);
    kelm_xform_put_dirs(m.data(), nullptr, nullptr);
    expect_axes(m.data(), {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0});
    expect_values(m.data() + 12, {22, 23, 24, 25});  // origin and 15 untouched

    m.put_dirs(KelmDirection(1, 0, 0), KelmDirection());
    expect_axes(m.data(), {0, 1, 0}, {0, 0, 1}, {1, 0, 0});
    kelm_xform_put_dirs(m.data(), KelmDirection(0, 0, 5).data(), KelmDirection(1, 1, 0).data());
    expect_near(m.data(), KelmXform(kS, kS, 0, -kS, kS, 0, 0, 0, 1, 22, 23, 24).data(), 15, 1e-15);

    // A tiny axis counts as missing before normalising.
    kelm_xform_put_dirs(m.data(), KelmDirection(1e-16, 0, 0).data(), nullptr);
    expect_axes(m.data(), {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    // A reference along the axis gives no fallback: X and Y vanish.
    kelm_xform_put_dirs(m.data(), KelmDirection(0, 0, 2).data(), KelmDirection(0, 0, -1).data());
    expect_axes(m.data(), {0, 0, 0}, {0, 0, 0}, {0, 0, 1});

    Random rnd;
    for (int n = 0; n < 50; ++n) {
        KelmDirection axis = rnd.dir(), ref = rnd.dir();
        kelm_xform_put_dirs(m.data(), axis.data(), ref.data());
        EXPECT_NEAR(kelm_vec_det3x3(m.data(), m.data() + 4, m.data() + 8), 1.0, 1e-12);
        KelmDirection unit_axis;
        kelm_vec_normalize(unit_axis, axis);
        expect_near(m.data() + 8, unit_axis.data(), 3, 1e-15);
        EXPECT_NEAR(kelm_vec_det3x3(m.data(), axis.data(), ref.data()), 0.0, 1e-12);  // coplanar
        EXPECT_GT(kelm_vec_dot(m.data(), ref.data()), 0.0);
    }
}

TEST(KelmXformPutCto, PlacementFromReferencesOriginAndScale) {
    KelmXform m = filled(0);
    const double origin[3] = {1, 2, 3};
    kelm_xform_put_cto(m.data(), nullptr, nullptr, nullptr, origin, 1.0);
    expect_values(m.data(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});
    kelm_xform_put_cto(m.data(), nullptr, nullptr, nullptr, origin, 2.0);
    expect_values(m.data(), {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 2, 4, 6, 1});
    for (double s : {0.0, -1.0, KELM_NULL_REAL, 1.0 + 5e-16, kNaN}) {
        kelm_xform_put_cto(m.data(), nullptr, nullptr, nullptr, origin, s);
        EXPECT_EQ((V{m.data()[0], m.data()[12]}), (V{1, 1})) << s;
    }

    m.put_cto(KelmDirection(1, 1, 0), KelmDirection(), KelmDirection(0, 0, 1), KelmPoint(), 1.0);
    expect_near(m.data(), KelmXform(kS, kS, 0, -kS, kS, 0, 0, 0, 1, 0, 0, 0).data(), 16, 1e-15);
    m.put_cto(KelmDirection(1, 1, 0), KelmDirection(1, -1, 0), KelmDirection(0, 0, 1), KelmPoint(),
              1.0);
    expect_near(m.data() + 4, KelmDirection(kS, -kS, 0).data(), 3, 1e-15);
    EXPECT_NEAR(kelm_xform_det(m), -1.0, 1e-15);  // left-handed frame kept

    // z is tested after normalising, unlike the axis of put_dirs.
    kelm_xform_put_cto(m.data(), nullptr, nullptr, KelmDirection(1e-16, 0, 0).data(), nullptr, 1);
    expect_near(m.data(), KelmXform(0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0).data(), 16, 1e-15);
    // A y reference in the X-Z plane gives the zero Y.
    kelm_xform_put_cto(m.data(), kelm_vec_100, KelmDirection(3, 0, 4).data(), nullptr, nullptr, 1);
    expect_values(m.data() + 4, {0, 0, 0});

    // Directions are read before anything is written: a frame can be rebuilt from itself.
    KelmXform r(0, 2, 0, -3, 0, 0, 0, 0, 4, 5, 6, 7);
    kelm_xform_put_cto(r.data(), r.data(), r.data() + 4, r.data() + 8, r.data() + 12, 1.0);
    expect_values(r.data(), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1});

    Random rnd;
    for (int n = 0; n < 50; ++n) {
        KelmXform p = rnd.placement();
        EXPECT_NEAR(std::fabs(kelm_xform_det(p)), 1.0, 1e-12);
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b)
                EXPECT_NEAR(kelm_vec_dot(p.data() + 4 * a, p.data() + 4 * b), a == b, 1e-12);
    }
}

TEST(KelmXformPutRotation, RotationAboutAnAxis) {
    KelmXform m = filled(0);
    m.put_rotation(KelmDirection(0, 0, 1), 90, kelm_unit_deg);
    expect_values(m.data(), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 12, 13, 14, 15});
    for (KelmUnit u : {kelm_unit_radian, kelm_unit_unknown, kelm_unit_mm}) {
        KelmXform q = filled(0);
        kelm_xform_put_rotation(q.data(), KelmDirection(0, 0, 2).data(), kHalfPi, u);
        expect_values(q.data(), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 12, 13, 14, 15});
    }
    kelm_xform_put_rotation(m.data(), nullptr, 30, kelm_unit_deg);
    expect_values(m.data(), values(kelm_xform_identity));
    // Cleared entries are +0.0, whatever the sign of the noise they replace.
    for (const KelmDirection& ax : {KelmDirection(0, 0, -1), KelmDirection(1, 0, 0)})
        for (double angle : {0.0, 90.0, 180.0, -270.0}) {
            kelm_xform_put_rotation(m.data(), ax.data(), angle, kelm_unit_deg);
            for (int i = 0; i < 12; ++i)
                EXPECT_FALSE(m.data()[i] == 0.0 && std::signbit(m.data()[i])) << angle << " " << i;
        }

    // A general rotation moves a vector as Rodrigues' formula says.
    const double c = std::cos(0.7), s = std::sin(0.7), k[3] = {1.0 / 3, -2.0 / 3, 2.0 / 3};
    const double v[3] = {0.5, 1.5, -0.25}, kv = kelm_vec_dot(k, v);
    double kxv[3], want[3], got[3];
    kelm_vec_cross(kxv, k, v);
    for (int i = 0; i < 3; ++i) want[i] = v[i] * c + kxv[i] * s + k[i] * kv * (1 - c);
    kelm_xform_put_rotation(m.data(), KelmDirection(1, -2, 2).data(), 0.7, kelm_unit_radian);
    kelm_xform_apply_dir(got, m.data(), v);
    expect_near(got, want, 3, 1e-14);
    EXPECT_NEAR(kelm_xform_det(m), 1.0, 1e-14);
}

TEST(KelmXformCompose, ProductAppliesTheRightOperandFirst) {
    KelmXform t(1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0), q, r;
    q.put_rotation(KelmDirection(0, 0, 1), 90, kelm_unit_deg);
    KelmPoint p;
    kelm_xform_compose(r, t, q);
    EXPECT_EQ((kelm_xform_apply(p, r, KelmPoint(1, 0, 0)), values(p.data(), 3)), (V{1, 1, 0}));
    kelm_xform_compose(r, q, t);
    EXPECT_EQ((kelm_xform_apply(p, r, KelmPoint(1, 0, 0)), values(p.data(), 3)), (V{0, 2, 0}));

    Random rnd;
    for (int n = 0; n < 20; ++n) {
        KelmXform a = rnd.general(), b = rnd.general(), ab, sq;
        KelmPoint x(rnd.next(), rnd.next(), rnd.next()), one, two, three;
        kelm_xform_compose(ab, a, b);
        // Mapping by a*b is mapping by b then a, projective division included.
        kelm_xform_apply(one, b, x);
        kelm_xform_apply(two, a, one);
        kelm_xform_apply(three, ab, x);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(three.data()[i], two.data()[i], 1e-9 * (1 + std::fabs(two.data()[i])));
        sq = a;
        kelm_xform_compose(sq.data(), sq.data(), sq.data());
        kelm_xform_compose(ab, a, a);
        EXPECT_EQ(values(sq.data()), values(ab.data()));
    }
    kelm_xform_compose(r.data(), nullptr, t.data());
    EXPECT_EQ(values(r.data()), values(t.data()));
}

TEST(KelmXformInverse, InverseDeterminantTransformToAndSingularMatrices) {
    KelmXform m(1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 2, 3), inv;
    EXPECT_EQ(kelm_xform_inverse(inv, m), 1);
    expect_values(inv.data() + 12, {-1, -2, -3, 1});
    EXPECT_EQ(kelm_xform_inverse(m, m), 1);
    EXPECT_EQ(values(m.data()), values(inv.data()));

    double zero[16] = {};
    inv = filled(5);
    EXPECT_EQ(kelm_xform_inverse(inv.data(), zero), 0);
    EXPECT_TRUE(kelm_xform_is_identity(inv, 1e-300));
    EXPECT_EQ(kelm_xform_inverse(inv.data(), nullptr), 1);
    EXPECT_EQ(kelm_xform_det(static_cast<const double*>(nullptr)), 1.0);
    KelmXform nan_m = filled(1);
    nan_m.data()[6] = kNaN;
    EXPECT_EQ(kelm_xform_inverse(inv, nan_m), 1);  // NaN determinant is not "singular"
    // transform_to leaves its result alone when the first transform is singular.
    inv = filled(7);
    EXPECT_EQ(kelm_xform_transform_to(inv.data(), zero, kelm_xform_identity), 0);
    EXPECT_EQ(values(inv.data()), values(filled(7).data()));

    Random rnd;
    // Placements invert to 1e-12; general matrices, less well conditioned, to 1e-9.
    for (int n = 0; n < 60; ++n) {
        const bool general = n % 2;
        const double eps = general ? 1e-9 : 1e-12;
        KelmXform a = general ? rnd.general() : rnd.placement(), b = a, prod;
        EXPECT_NEAR(kelm_xform_det(a), det_oracle(a.data()), 1e-10);
        ASSERT_EQ(kelm_xform_inverse(b, b), 1);
        kelm_xform_compose(prod, b, a);
        EXPECT_TRUE(kelm_xform_is_identity(prod, eps)) << n;
        kelm_xform_compose(prod, a, b);
        EXPECT_TRUE(kelm_xform_is_identity(prod, eps)) << n;
        // transform_to carries one placement onto another, and a placement onto itself
        // by the identity.
        const KelmXform c = rnd.placement();
        ASSERT_EQ(kelm_xform_transform_to(prod, a, c), 1);
        kelm_xform_compose(b, prod, a);
        EXPECT_TRUE(kelm_xform_is_equal(b, c, 1e-9)) << n;
        ASSERT_EQ(kelm_xform_transform_to(prod, c, c), 1);
        EXPECT_TRUE(kelm_xform_is_identity(prod, 1e-12)) << n;
    }
}

TEST(KelmXformApply, PointsDirectionsAndProjectiveRow) {
    KelmXform m(0, 1, 0, -1, 0, 0, 0, 0, 1, 10, 20, 30);
    double r[3];
    EXPECT_EQ((kelm_xform_apply(r, m, KelmPoint(1, 2, 3).data()), values(r, 3)), (V{8, 21, 33}));
    kelm_xform_apply_dir(r, m, KelmDirection(1, 2, 3).data());
    expect_values(r, {-2, 1, 3});
    EXPECT_EQ((kelm_xform_apply(r, nullptr, nullptr), values(r, 3)), (V{0, 0, 0}));

    KelmXform flat(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0);
    flat.data()[15] = 0.0;  // bottom row all zeros: w taken as 1
    EXPECT_EQ((kelm_xform_apply(r, flat, KelmPoint(1, 2, 3).data()), values(r, 3)), (V{1, 2, 3}));
    flat.data()[15] = 2.0;
    kelm_xform_apply(r, flat, KelmPoint(1, 2, 3).data());
    expect_values(r, {0.5, 1, 1.5});

    // Three-reference forms may read and write the very same variables.
    double x = 1, y = 2, z = 3;
    EXPECT_EQ((kelm_xform_apply(x, y, z, m, x, y, z), V{x, y, z}), (V{8, 21, 33}));
    const KelmXform shift(1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 5, 5);
    EXPECT_EQ((kelm_xform_apply_dir(x, y, z, shift, 1, 0, 0), V{x, y, z}), (V{1, 0, 0}));
}

TEST(KelmXformScale, UniformPerAxisAndNormalize) {
    const KelmXform src = filled(1);
    KelmXform r;
    for (double s : {1.0, 0.0, -2.0, KELM_NULL_REAL, kNaN, 1.0 - 5e-16})
        EXPECT_EQ((r = filled(99), kelm_xform_scale(r, src, s), values(r.data())),
                  values(src.data()));
    kelm_xform_scale(r, src, 2.0);
    expect_values(r.data(), {2, 4, 6, 4, 10, 12, 14, 8, 18, 20, 22, 12, 26, 28, 30, 16});

    kelm_xform_scale(r.data(), kelm_xform_identity, 2.0, 0.0, -1.0);
    expect_values(r.data(), {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    kelm_xform_scale(r, src, 2.0, 3.0, KELM_NULL_REAL);  // row i times factor i
    expect_values(r.data(), {2, 6, 3, 4, 10, 18, 7, 8, 18, 30, 11, 12, 26, 42, 15, 16});
    EXPECT_TRUE((kelm_xform_scale(r, src, 1.0, kNaN, 1.0), std::isnan(r.data()[1])));
    EXPECT_EQ(r.data()[0], 1.0);

    // Normalising takes each axis on its own.
    KelmXform axes(2, 0, 0, 0, 3, 0, 0, 0, 0, 7, 8, 9);
    r = filled(100);
    kelm_xform_normalize(r, axes);
    expect_values(r.data(), {1, 0, 0, 103, 0, 1, 0, 107, 0, 0, 0, 111, 112, 113, 114, 115});
    KelmXform skew(3, 4, 0, 1, 1, 0, 0, 0, 2, 5, 6, 7);
    kelm_xform_normalize(skew);
    expect_near(skew.data(), KelmXform(0.6, 0.8, 0, kS, kS, 0, 0, 0, 1, 5, 6, 7).data(), 16, 1e-15);
    kelm_xform_normalize(r.data(), nullptr);
    expect_axes(r.data(), {1, 0, 0, 103}, {0, 1, 0, 107}, {0, 0, 1, 111});
}

TEST(KelmXformCompare, StrictTolerancesOverTheRightSlots) {
    const KelmXform t(1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 2, 3);
    EXPECT_EQ(kelm_xform_is_dir_identity(t, 1e-9), 1);
    EXPECT_EQ(kelm_xform_is_identity(t, 1e-9), 0);
    EXPECT_EQ(kelm_xform_is_identity(KelmXform(), 0.0), 0);  // strict: eps 0 never holds
    EXPECT_EQ(kelm_xform_is_equal(t, t, 0.0), 0);
    EXPECT_EQ(kelm_xform_is_dir_identity(KelmXform(1, 0, 0, 0.5, 1, 0, 0, 0, 1, 0, 0, 0), 0.1), 0);
    KelmXform proj;
    proj.data()[3] = 0.5;  // bottom row counts for is_identity only
    EXPECT_EQ(kelm_xform_is_identity(proj, 0.1), 0);
    EXPECT_EQ(kelm_xform_is_dir_identity(proj, 0.1), 1);
    EXPECT_EQ(kelm_xform_is_identity(static_cast<const double*>(nullptr), 1e-300), 1);
    EXPECT_EQ(kelm_xform_is_equal(nullptr, t.data(), 10.0), 1);
    EXPECT_EQ(kelm_xform_is_equal(nullptr, t.data(), 3.0), 0);  // |0 - 3| is not below 3
    KelmXform nan_m;
    nan_m.data()[15] = kNaN;
    EXPECT_EQ(kelm_xform_is_identity(nan_m, 1e300), 0);
    for (int i = 0; i < 16; ++i) {  // each slot on its own; the axes are the first three rows
        KelmXform off;
        off.data()[i] += 1;
        EXPECT_EQ(kelm_xform_is_identity(off, 0.5) + kelm_xform_is_equal(off, KelmXform(), 0.5), 0);
        EXPECT_EQ(kelm_xform_is_dir_identity(off, 0.5), i % 4 == 3 || i > 11) << i;
    }
}

// Every result computed into a separate array (filled from start) equals the one
// computed in place over the first operand a.
using Op = void (*)(double*, const double*, const double*);
void expect_in_place_agrees(int size, const double* start, const double* a, const double* b,
                            const std::vector<Op>& ops) {
    for (std::size_t i = 0; i < ops.size(); ++i) {
        V separate(start, start + size), in_place(a, a + size);
        ops[i](separate.data(), a, b);
        ops[i](in_place.data(), in_place.data(), b);
        EXPECT_EQ(in_place, separate) << i;
    }
}

TEST(KelmXformAliasing, ResultsMayShareStorageWithInputs) {
    Random rnd;
    const KelmXform a = rnd.general(), b = rnd.general();
    using P = const double*;
    expect_in_place_agrees(16, filled(0).data(), a.data(), b.data(),
                           {[](double* r, P x, P y) { kelm_xform_compose(r, x, y); },
                            [](double* r, P x, P y) { kelm_xform_compose(r, y, x); },
                            [](double* r, P x, P) { kelm_xform_inverse(r, x); },
                            [](double* r, P x, P) { kelm_xform_scale(r, x, 2.5); },
                            [](double* r, P x, P) { kelm_xform_scale(r, x, 2, 3, 4); },
                            [](double* r, P x, P) { kelm_xform_put(r, x); },
                            [](double* r, P x, P y) { kelm_xform_transform_to(r, x, y); },
                            [](double* r, P x, P y) { kelm_xform_transform_to(r, y, x); }});
    // A point or a direction mapped onto itself: the first three values of a.
    expect_in_place_agrees(16, a.data(), a.data(), b.data(),
                           {[](double* r, P x, P y) { kelm_xform_apply(r, y, x); },
                            [](double* r, P x, P y) { kelm_xform_apply_dir(r, y, x); }});

    const KelmXform2D a2 = rnd.general2d(), b2 = rnd.general2d();
    expect_in_place_agrees(9, a2.data(), a2.data(), b2.data(),
                           {[](double* r, P x, P y) { kelm_xform2d_compose(r, x, y); },
                            [](double* r, P x, P y) { kelm_xform2d_compose(r, y, x); },
                            [](double* r, P x, P) { kelm_xform2d_inverse(r, x); },
                            [](double* r, P x, P) { kelm_xform2d_scale(r, x, 2.5); },
                            [](double* r, P x, P) { kelm_xform2d_scale(r, x, 2, 3); },
                            [](double* r, P x, P y) { kelm_xform2d_transform_to(r, x, y); },
                            [](double* r, P x, P y) { kelm_xform2d_transform_to(r, y, x); },
                            [](double* r, P x, P) { kelm_xform2d_apply(r, x, x + 6); },
                            [](double* r, P x, P) { kelm_xform2d_apply_dir(r, x, x + 1); }});
}

// The 3D transform acting on the plane z = 0 as m acts on the plane.
KelmXform embed(const KelmXform2D& m) {
    const double* v = m.data();
    const double e[16] = {v[0], v[1], 0, v[2], v[3], v[4], 0, v[5],
                          0,    0,    1, 0,    v[6], v[7], 0, v[8]};
    return KelmXform(e);
}

TEST(KelmXform2DLayout, ConstructorsSettersAndReferences) {
    expect_values(kelm_xform2d_identity, {1, 0, 0, 0, 1, 0, 0, 0, 1});
    for (const KelmXform2D& i : {KelmXform2D(), KelmXform2D(static_cast<const double*>(nullptr))})
        expect_values(i.data(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    KelmXform2D m(1, 0, 0, 1, 5, 6);
    expect_values(m.data(), {1, 0, 0, 0, 1, 0, 5, 6, 1});
    EXPECT_EQ(m.ydir().data(), m.data() + 3);
    EXPECT_EQ(m.origin().data(), m.data() + 6);
    EXPECT_EQ((m.origin().v(-6), m.data()[7]), -6.0);

    KelmXform2D s = filled<KelmXform2D>(10);
    EXPECT_EQ((s.xdir(3, 4), values(s.data(), 9)), (V{3, 4, 0, 13, 14, 15, 16, 17, 18}));
    ListOfDouble one{7};
    s.ydir(&one);
    EXPECT_EQ((s.origin(KelmPoint2D(8, 9)), values(s.data(), 9)), (V{3, 4, 0, 7, 0, 0, 8, 9, 1}));
    kelm_xform2d_put_origin(s.data(), static_cast<const double*>(nullptr));
    kelm_xform2d_put_xdir(s.data(), KelmDirection2D(-1, 2));
    expect_values(s.data(), {-1, 2, 0, 7, 0, 0, 0, 0, 1});

    KelmXform2D a = filled<KelmXform2D>(20);
    kelm_xform2d_put_alldirs(a.data(), nullptr, a.data() + 3);
    expect_values(a.data(), {0, 0, 0, 23, 24, 0, 26, 27, 28});
    a.put_alldirs(filled<KelmXform2D>(0));
    expect_values(a.data(), {0, 1, 0, 3, 4, 0, 26, 27, 28});

    // A placement rebuilt from itself.
    KelmXform2D rot(kS, kS, -kS, kS, 1, 2), same = rot;
    kelm_xform2d_put_cto(same.data(), same.data(), same.data() + 3, same.data() + 6, 1.0);
    expect_near(same.data(), rot.data(), 9, 1e-15);
}

TEST(KelmXform2DConstruction, DirsCtoRotationNormalize) {
    KelmXform2D m = filled<KelmXform2D>(10);
    m.put_dirs(KelmDirection2D(0, 2));
    expect_values(m.data(), {0, 1, 0, -1, 0, 0, 16, 17, 18});
    kelm_xform2d_put_dirs(m.data(), KelmDirection2D(1e-16, 0).data());
    expect_values(m.data(), {1, 0, 0, 0, 1, 0, 16, 17, 18});
    kelm_xform2d_put_dirs(m.data(), KelmDirection2D(3, 4).data());
    expect_values(m.data(), {0.6, 0.8, 0, -0.8, 0.6, 0});  // divided, not multiplied

    // y picks the side only: a negative side makes a left-handed frame.
    m.put_cto(KelmDirection2D(1, 0), KelmDirection2D(0, -1), KelmPoint2D(), 1.0);
    expect_values(m.data(), {1, 0, 0, 0, -1, 0, 0, 0, 1});
    EXPECT_EQ(kelm_xform2d_det(m), -1.0);
    m.put_cto(KelmDirection2D(1, 0), KelmDirection2D(5, 5), KelmPoint2D(), 1.0);
    expect_values(m.data() + 3, {0, 1});
    m.put_cto(KelmDirection2D(), KelmDirection2D(0, 1), KelmPoint2D(), 1.0);
    expect_values(m.data(), {1, 0, 0, 0, 1, 0});
    m.put_cto(KelmDirection2D(), KelmDirection2D(), KelmPoint2D(1, 1), 2.0);
    expect_values(m.data(), {2, 0, 0, 0, 2, 0, 2, 2, 1});
    kelm_xform2d_put_cto(m.data(), nullptr, KelmDirection2D(0, -3).data(), nullptr, -2.0);
    expect_values(m.data(), {-1, 0, 0, 0, -1, 0, 0, 0, 1});  // X from y, turned clockwise
    kelm_xform2d_put_cto(m.data(), KelmDirection2D(0, 1).data(), KelmDirection2D(1e-16, 0).data(),
                         nullptr, KELM_NULL_REAL);
    expect_values(m.data(), {0, 1, 0, -1, 0, 0});  // negligible y: no flip

    m = filled<KelmXform2D>(0);
    m.put_rotation(90, kelm_unit_deg);
    expect_values(m.data(), {0, 1, 0, -1, 0, 0, 6, 7, 8});
    kelm_xform2d_put_rotation(m.data(), 3.141592653589793, kelm_unit_radian);
    expect_values(m.data(), {-1, 0, 0, 0, -1, 0, 6, 7, 8});
    // The cleared slots hold +0.0: the y axis (-s, c) must not keep a -0.0.
    for (double angle : {0.0, 180.0, -180.0, 90.0, 270.0, 360.0}) {
        kelm_xform2d_put_rotation(m.data(), angle, kelm_unit_deg);
        for (int i : {0, 1, 3, 4})
            EXPECT_FALSE(m.data()[i] == 0.0 && std::signbit(m.data()[i])) << angle << " " << i;
    }

    KelmXform2D n(2, 0, 0, 3, 5, 6);
    n.data()[2] = 9;
    KelmXform2D r = filled<KelmXform2D>(30);
    kelm_xform2d_normalize(r, n);
    expect_values(r.data(), {1, 0, 32, 0, 1, 35, 36, 37, 38});
    EXPECT_EQ((kelm_xform2d_normalize(n), values(n.data(), 9)), (V{1, 0, 9, 0, 1, 0, 5, 6, 1}));
}

TEST(KelmXform2DOperations, ComposeInverseApplyScaleCompare) {
    // The product is compared with the space one in the properties test below.
    KelmXform2D t(1, 0, 0, 1, 5, 6), r;
    EXPECT_EQ(kelm_xform2d_inverse(r, t), 1);
    expect_values(r.data(), {1, 0, 0, 0, 1, 0, -5, -6, 1});
    double zero[9] = {};
    EXPECT_EQ(kelm_xform2d_inverse(r.data(), zero), 0);
    expect_values(r.data(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    EXPECT_EQ(kelm_xform2d_det(static_cast<const double*>(nullptr)), 1.0);

    // The bottom row is never read when mapping.
    KelmXform2D odd(2, 0, 0, 3, 1, 1);
    odd.data()[2] = 7;
    odd.data()[8] = 2;
    double x = 1, y = 1;
    EXPECT_EQ((kelm_xform2d_apply(x, y, odd, x, y), V{x, y}), (V{3, 4}));
    EXPECT_EQ((kelm_xform2d_apply_dir(x, y, odd, 1, 2), V{x, y}), (V{2, 6}));

    const KelmXform2D src = filled<KelmXform2D>(1);
    for (double s : {1.0, 0.0, -2.0, KELM_NULL_REAL, kNaN})
        EXPECT_EQ((kelm_xform2d_scale(r, src, s), values(r)), values(src)) << s;

    EXPECT_EQ(kelm_xform2d_is_dir_identity(t, 1e-9), 1);
    EXPECT_EQ(kelm_xform2d_is_identity(t, 1e-9), 0);
    EXPECT_EQ(kelm_xform2d_is_equal(t, t, 0.0), 0);
    EXPECT_EQ(kelm_xform2d_is_equal(nullptr, kelm_xform2d_identity, 1e-300), 1);
    for (int i = 0; i < 9; ++i) {  // each slot on its own; the axes are 0, 1, 3, 4
        KelmXform2D off;
        off.data()[i] += 1;
        EXPECT_EQ(kelm_xform2d_is_identity(off, 0.5) + kelm_xform2d_is_equal(off, {}, 0.5), 0);
        EXPECT_EQ(kelm_xform2d_is_dir_identity(off, 0.5), i == 2 || i > 4) << i;
    }

    r = filled<KelmXform2D>(3);
    EXPECT_EQ(kelm_xform2d_transform_to(r.data(), zero, nullptr), 0);
    expect_values(r.data(), values(filled<KelmXform2D>(3)));
}

TEST(KelmXform2DProperties, AgreementWith3DOnEmbeddedMatrices) {
    Random rnd(987654321u);
    for (int n = 0; n < 60; ++n) {
        const bool general = n % 2;
        KelmXform2D a = general ? rnd.general2d() : rnd.placement2d(), b = rnd.placement2d(), inv,
                    prod;
        ASSERT_EQ(kelm_xform2d_inverse(inv, a), 1);
        if (!general) {
            EXPECT_NEAR(std::fabs(kelm_xform2d_det(a)), 1.0, 1e-12);
        }

        // The 2D functions agree with the 3D ones on the embedded matrices.
        KelmXform ea = embed(a), eb = embed(b), e3;
        EXPECT_NEAR(kelm_xform2d_det(a), kelm_xform_det(ea), 1e-12);
        kelm_xform2d_compose(prod, a, b);
        EXPECT_TRUE((kelm_xform_compose(e3, ea, eb), kelm_xform_is_equal(embed(prod), e3, 1e-12)));
        EXPECT_TRUE((kelm_xform_inverse(e3, ea), kelm_xform_is_equal(embed(inv), e3, 1e-9)));

        // Scaling: uniform, and per axis with a factor that is ignored.
        kelm_xform2d_scale(prod, a, 2.5);
        kelm_xform_scale(e3, ea, 2.5, 2.5, 1.0);
        EXPECT_EQ(values(embed(prod).data()), values(e3.data()));
        kelm_xform2d_scale(prod, a, 3.0, -1.0);
        kelm_xform_scale(e3, ea, 3.0, -1.0, 1.0);
        EXPECT_EQ(values(embed(prod).data()), values(e3.data()));

        // transform_to carries a onto b.
        ASSERT_EQ(kelm_xform2d_transform_to(prod, a, b), 1);
        EXPECT_TRUE((kelm_xform2d_compose(prod, prod, a), kelm_xform2d_is_equal(prod, b, 1e-9)));

        // A plane rotation is the 3D rotation about z restricted to the plane.
        const double angle = rnd.next() * 60;
        KelmXform2D rot2 = b;
        KelmXform rot3 = embed(b);
        rot2.put_rotation(angle, kelm_unit_deg);
        rot3.put_rotation(KelmDirection(0, 0, 1), angle, kelm_unit_deg);
        EXPECT_TRUE(kelm_xform_is_equal(embed(rot2), rot3, 1e-15)) << angle;
    }
}

}  // namespace
