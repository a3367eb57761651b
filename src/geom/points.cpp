#include "kelmmath/geom/points.h"

#include <cmath>

#include "kelmmath/geom/vector.h"
#include "kelmmath/geom/vector2d.h"

const double kelm_vec_zero[3] = {0.0, 0.0, 0.0};
const double kelm_vec_100[3] = {1.0, 0.0, 0.0};
const double kelm_vec_010[3] = {0.0, 1.0, 0.0};
const double kelm_vec_001[3] = {0.0, 0.0, 1.0};

// The exact-equality test comes first so that two null reals (and two equal
// values under any eps, NaN included) compare equal; a null real is otherwise
// a missing value and never close to anything. Every comparison is written so
// that a NaN makes it false.
int kelm_is_epsilon_equal(double a, double b, double eps) {
    if (a == b) return 1;
    if (a == KELM_NULL_REAL || b == KELM_NULL_REAL) return 0;
    return eps > std::fabs(a - b) ? 1 : 0;
}

int kelm_is_epsilon_zero(double a, double eps) {
    if (a == KELM_NULL_REAL) return 0;
    return eps > std::fabs(a) ? 1 : 0;
}

int kelm_is_epsilon_nonzero(double a, double eps) {
    if (a == KELM_NULL_REAL) return 0;
    return std::fabs(a) >= eps ? 1 : 0;
}

KelmPoint::KelmPoint(const double* const a) {
    kelm_vec_put(v_, a);
}
KelmPoint::KelmPoint(ListOfDouble* l) {
    kelm_vec_put(v_, l);
}

KelmDirection::KelmDirection(const double* const a) {
    kelm_vec_put(v_, a);
}
KelmDirection::KelmDirection(ListOfDouble* l) {
    kelm_vec_put(v_, l);
}

KelmPoint2D::KelmPoint2D(const double* const a) {
    kelm_vec2d_put(v_, a);
}
KelmPoint2D::KelmPoint2D(ListOfDouble* l) {
    kelm_vec2d_put(v_, l);
}

KelmDirection2D::KelmDirection2D(const double* const a) {
    kelm_vec2d_put(v_, a);
}
KelmDirection2D::KelmDirection2D(ListOfDouble* l) {
    kelm_vec2d_put(v_, l);
}
