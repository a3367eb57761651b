#include "kelmmath/geom/xform2d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "kelmmath/geom/xform.h"

namespace {

const double kS = std::sqrt(0.5);
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void expect_values(const double* actual, std::vector<double> expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << i;
}
void expect_near(const double* actual, std::vector<double> expected, double eps) {
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], eps) << i;
}
std::vector<double> values(const KelmXform2D& m) {
    return {m.data(), m.data() + 9};
}

KelmXform2D filled(double base) {
    KelmXform2D m;
    for (int i = 0; i < 9; ++i) m.data()[i] = base + i;
    return m;
}

struct Random {
    std::mt19937 gen{987654321u};
    double next() { return std::uniform_real_distribution<double>(-3.0, 3.0)(gen); }
    KelmXform2D placement() {
        KelmXform2D m;
        const double x[2] = {next(), next()}, y[2] = {next(), next()}, o[2] = {next(), next()};
        kelm_xform2d_put_cto(m.data(), x, y, o, 1.0);
        return m;
    }
    KelmXform2D general() {
        KelmXform2D m;
        for (int i = 0; i < 9; ++i) m.data()[i] = next();
        return m;
    }
};

// The 3D transform acting on the plane z = 0 as m acts on the plane.
KelmXform embed(const KelmXform2D& m) {
    const double* v = m.data();
    KelmXform e(v[0], v[1], 0, v[3], v[4], 0, 0, 0, 1, v[6], v[7], 0);
    e.data()[3] = v[2];
    e.data()[7] = v[5];
    e.data()[15] = v[8];
    return e;
}

TEST(KelmXform2DLayout, ConstructorsSettersAndReferences) {
    expect_values(kelm_xform2d_identity, {1, 0, 0, 0, 1, 0, 0, 0, 1});
    expect_values(KelmXform2D().data(), {1, 0, 0, 0, 1, 0, 0, 0, 1});
    expect_values(KelmXform2D(static_cast<const double*>(nullptr)).data(),
                  {1, 0, 0, 0, 1, 0, 0, 0, 1});
    KelmXform2D m(1, 0, 0, 1, 5, 6);
    expect_values(m.data(), {1, 0, 0, 0, 1, 0, 5, 6, 1});
    EXPECT_EQ(m.ydir().data(), m.data() + 3);
    EXPECT_EQ(m.origin().data(), m.data() + 6);
    m.origin().v(-6);
    EXPECT_EQ(m.data()[7], -6.0);

    KelmXform2D s = filled(10);
    s.xdir(3, 4);
    expect_values(s.data(), {3, 4, 0, 13, 14, 15, 16, 17, 18});
    ListOfDouble one{7};
    s.ydir(&one);
    s.origin(KelmPoint2D(8, 9));
    expect_values(s.data(), {3, 4, 0, 7, 0, 0, 8, 9, 1});
    kelm_xform2d_put_origin(s.data(), static_cast<const double*>(nullptr));
    kelm_xform2d_put_xdir(s.data(), KelmDirection2D(-1, 2));
    expect_values(s.data(), {-1, 2, 0, 7, 0, 0, 0, 0, 1});

    KelmXform2D a = filled(20);
    kelm_xform2d_put_alldirs(a.data(), nullptr, a.data() + 3);
    expect_values(a.data(), {0, 0, 0, 23, 24, 0, 26, 27, 28});
    a.put_alldirs(filled(0));
    expect_values(a.data(), {0, 1, 0, 3, 4, 0, 26, 27, 28});
}

TEST(KelmXform2DConstruction, DirsCtoRotationNormalize) {
    KelmXform2D m = filled(10);
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

    m = filled(0);
    m.put_rotation(90, kelm_unit_deg);
    expect_values(m.data(), {0, 1, 0, -1, 0, 0, 6, 7, 8});
    kelm_xform2d_put_rotation(m.data(), 3.141592653589793, kelm_unit_radian);
    expect_values(m.data(), {-1, 0, 0, 0, -1, 0, 6, 7, 8});
    // The cleared slots hold +0.0: the y axis (-s, c) must not keep a -0.0.
    for (double angle : {0.0, 180.0, -180.0, 90.0, 270.0, 360.0}) {
        kelm_xform2d_put_rotation(m.data(), angle, kelm_unit_deg);
        for (int i : {0, 1, 3, 4}) {
            EXPECT_FALSE(m.data()[i] == 0.0 && std::signbit(m.data()[i])) << angle << " " << i;
        }
    }

    KelmXform2D n(2, 0, 0, 3, 5, 6);
    n.data()[2] = 9;
    KelmXform2D r = filled(30);
    kelm_xform2d_normalize(r, n);
    expect_values(r.data(), {1, 0, 32, 0, 1, 35, 36, 37, 38});
    kelm_xform2d_normalize(n);
    expect_values(n.data(), {1, 0, 9, 0, 1, 0, 5, 6, 1});
}

TEST(KelmXform2DOperations, ComposeInverseApplyScaleCompare) {
    KelmXform2D t(1, 0, 0, 1, 5, 6), q, r;
    q.put_rotation(90, kelm_unit_deg);
    KelmPoint2D p;
    kelm_xform2d_compose(r, t, q);
    kelm_xform2d_apply(p, r, KelmPoint2D(1, 0));
    expect_values(p.data(), {5, 7});

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
    kelm_xform2d_apply(x, y, odd, x, y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
    kelm_xform2d_apply_dir(x, y, odd, 1, 1);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 3);

    const KelmXform2D src = filled(1);
    for (double s : {1.0, 0.0, -2.0, KELM_NULL_REAL, kNaN}) {
        kelm_xform2d_scale(r, src, s);
        expect_values(r.data(), values(src));
    }
    kelm_xform2d_scale(r, src, 2.0);
    expect_values(r.data(), {2, 4, 3, 8, 10, 6, 14, 16, 9});
    kelm_xform2d_scale(r, src, 3.0, -1.0);
    expect_values(r.data(), {3, 2, 3, 12, 5, 6, 21, 8, 9});

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

    r = filled(3);
    EXPECT_EQ(kelm_xform2d_transform_to(r.data(), zero, nullptr), 0);
    expect_values(r.data(), values(filled(3)));
}

TEST(KelmXform2DProperties, InverseRoundTripsAndAgreementWith3D) {
    Random rnd;
    for (int n = 0; n < 60; ++n) {
        const bool general = n % 2;
        KelmXform2D a = general ? rnd.general() : rnd.placement(), b = rnd.placement(), inv, prod;
        ASSERT_EQ(kelm_xform2d_inverse(inv, a), 1);
        kelm_xform2d_compose(prod, inv, a);
        EXPECT_TRUE(kelm_xform2d_is_identity(prod, general ? 1e-9 : 1e-12)) << n;
        if (!general) {
            EXPECT_NEAR(std::fabs(kelm_xform2d_det(a)), 1.0, 1e-12);
        }

        // The 2D functions agree with the 3D ones on the embedded matrices.
        KelmXform ea = embed(a), eb = embed(b), e3;
        EXPECT_NEAR(kelm_xform2d_det(a), kelm_xform_det(ea), 1e-12);
        kelm_xform2d_compose(prod, a, b);
        kelm_xform_compose(e3, ea, eb);
        EXPECT_TRUE(kelm_xform_is_equal(embed(prod), e3, 1e-12));
        kelm_xform_inverse(e3, ea);
        EXPECT_TRUE(kelm_xform_is_equal(embed(inv), e3, 1e-9));

        // transform_to carries a onto b.
        ASSERT_EQ(kelm_xform2d_transform_to(prod, a, b), 1);
        kelm_xform2d_compose(prod, prod, a);
        EXPECT_TRUE(kelm_xform2d_is_equal(prod, b, 1e-9));

        // A plane rotation is the 3D rotation about z restricted to the plane.
        const double angle = rnd.next() * 60;
        KelmXform2D rot2 = b;
        KelmXform rot3 = embed(b);
        rot2.put_rotation(angle, kelm_unit_deg);
        rot3.put_rotation(KelmDirection(0, 0, 1), angle, kelm_unit_deg);
        EXPECT_TRUE(kelm_xform_is_equal(embed(rot2), rot3, 1e-15)) << angle;
    }
}

// The in-place forms of the operations are tested with the space ones (xform_test.cpp).
TEST(KelmXform2DAliasing, PlacementRebuiltFromItself) {
    KelmXform2D m(kS, kS, -kS, kS, 1, 2);
    KelmXform2D same = m;
    kelm_xform2d_put_cto(same.data(), same.data(), same.data() + 3, same.data() + 6, 1.0);
    expect_near(same.data(), values(m), 1e-15);
}

}  // namespace
