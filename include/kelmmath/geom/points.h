#ifndef KELMMATH_GEOM_POINTS_H
#define KELMMATH_GEOM_POINTS_H

#include <type_traits>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/kelmmath_export.h"

// Numeric conventions shared by every geometric function of the library.
//
// Points and vectors are plain arrays: double[3] (x, y, z) in space and
// double[2] (x, y) in the plane. Free functions take results first
// (double* const), then inputs (const double* const), then scalars.
//
//   - A null input array reads as the zero vector; a null input transform as
//     the identity. Result pointers are never checked.
//   - Every function reads all of its inputs before writing its result, so a
//     result may be the same array as an input (the exceptions say so).
//   - KELM_NULL_REAL (DBL_MIN) stands for a missing value and is compared with
//     ordered equality only: a NaN is never the null real.
//   - "Below eps" always means the strict test eps > |v|; a NaN is never below
//     any tolerance. A vector of length at most KELM_NULL_REAL has zero length.

// Tolerance predicates, each returning 1 or 0.
//
// kelm_is_epsilon_equal(a, b, eps): 1 when a == b exactly (two null reals are
//   equal); otherwise 0 when a or b is the null real; otherwise eps > |a - b|.
// kelm_is_epsilon_zero(a, eps): 0 for the null real; otherwise eps > |a|.
// kelm_is_epsilon_nonzero(a, eps): 0 for the null real; otherwise |a| >= eps.
// A NaN argument makes each of them 0, except that two equal values are equal
// whatever eps is.
KELMMATH_API int kelm_is_epsilon_equal(double a, double b, double eps);
KELMMATH_API int kelm_is_epsilon_zero(double a, double eps);
KELMMATH_API int kelm_is_epsilon_nonzero(double a, double eps);

// Constant vectors: the origin and the three unit axes.
KELMMATH_API extern const double kelm_vec_zero[3];
KELMMATH_API extern const double kelm_vec_100[3];
KELMMATH_API extern const double kelm_vec_010[3];
KELMMATH_API extern const double kelm_vec_001[3];

// Point and direction value classes.
//
// Each class holds exactly its components as one array of doubles, with no
// virtual function, no base and no other member, so a reference to an object
// is interchangeable with a pointer to its first component and an object may
// be laid over storage holding the same number of doubles. data() hands the
// component array to the free functions.
//
//   KelmPoint        x, y, z      KelmDirection    i, j, k
//   KelmPoint2D      x, y (u, v)  KelmDirection2D  i, j
//
// The default constructor gives the zero vector. The array constructor copies
// the components (a null pointer gives zeros). The list constructor takes
// component n from the n-th value of the list when there is one and 0.0
// otherwise (a null list gives zeros); extra values are ignored. A direction is
// never normalised by a constructor or a setter. Copies are plain copies of the
// components.
class KELMMATH_API KelmPoint {
public:
    KelmPoint() : v_{0.0, 0.0, 0.0} {}
    KelmPoint(double x, double y, double z) : v_{x, y, z} {}
    explicit KelmPoint(const double* const a);
    explicit KelmPoint(ListOfDouble* l);

    double x() const { return v_[0]; }
    double y() const { return v_[1]; }
    double z() const { return v_[2]; }
    void x(double value) { v_[0] = value; }
    void y(double value) { v_[1] = value; }
    void z(double value) { v_[2] = value; }
    void xyz(double x, double y, double z) {
        v_[0] = x;
        v_[1] = y;
        v_[2] = z;
    }

    double* data() { return v_; }
    const double* data() const { return v_; }

private:
    double v_[3];
};

class KELMMATH_API KelmDirection {
public:
    KelmDirection() : v_{0.0, 0.0, 0.0} {}
    KelmDirection(double i, double j, double k) : v_{i, j, k} {}
    explicit KelmDirection(const double* const a);
    explicit KelmDirection(ListOfDouble* l);

    double i() const { return v_[0]; }
    double j() const { return v_[1]; }
    double k() const { return v_[2]; }
    void i(double value) { v_[0] = value; }
    void j(double value) { v_[1] = value; }
    void k(double value) { v_[2] = value; }
    void ijk(double i, double j, double k) {
        v_[0] = i;
        v_[1] = j;
        v_[2] = k;
    }

    double* data() { return v_; }
    const double* data() const { return v_; }

private:
    double v_[3];
};

class KELMMATH_API KelmPoint2D {
public:
    KelmPoint2D() : v_{0.0, 0.0} {}
    KelmPoint2D(double x, double y) : v_{x, y} {}
    explicit KelmPoint2D(const double* const a);
    explicit KelmPoint2D(ListOfDouble* l);

    double x() const { return v_[0]; }
    double y() const { return v_[1]; }
    double u() const { return v_[0]; }
    double v() const { return v_[1]; }
    void x(double value) { v_[0] = value; }
    void y(double value) { v_[1] = value; }
    void u(double value) { v_[0] = value; }
    void v(double value) { v_[1] = value; }
    void xy(double x, double y) {
        v_[0] = x;
        v_[1] = y;
    }
    void uv(double u, double v) {
        v_[0] = u;
        v_[1] = v;
    }

    double* data() { return v_; }
    const double* data() const { return v_; }

private:
    double v_[2];
};

class KELMMATH_API KelmDirection2D {
public:
    KelmDirection2D() : v_{0.0, 0.0} {}
    KelmDirection2D(double i, double j) : v_{i, j} {}
    explicit KelmDirection2D(const double* const a);
    explicit KelmDirection2D(ListOfDouble* l);

    double i() const { return v_[0]; }
    double j() const { return v_[1]; }
    void i(double value) { v_[0] = value; }
    void j(double value) { v_[1] = value; }
    void ij(double i, double j) {
        v_[0] = i;
        v_[1] = j;
    }

    double* data() { return v_; }
    const double* data() const { return v_; }

private:
    double v_[2];
};

// The layout other families rely on: the components and nothing else.
static_assert(sizeof(KelmPoint) == 3 * sizeof(double) &&
                  std::is_standard_layout<KelmPoint>::value &&
                  std::is_trivially_copyable<KelmPoint>::value,
              "KelmPoint must be exactly three doubles");
static_assert(sizeof(KelmDirection) == 3 * sizeof(double) &&
                  std::is_standard_layout<KelmDirection>::value &&
                  std::is_trivially_copyable<KelmDirection>::value,
              "KelmDirection must be exactly three doubles");
static_assert(sizeof(KelmPoint2D) == 2 * sizeof(double) &&
                  std::is_standard_layout<KelmPoint2D>::value &&
                  std::is_trivially_copyable<KelmPoint2D>::value,
              "KelmPoint2D must be exactly two doubles");
static_assert(sizeof(KelmDirection2D) == 2 * sizeof(double) &&
                  std::is_standard_layout<KelmDirection2D>::value &&
                  std::is_trivially_copyable<KelmDirection2D>::value,
              "KelmDirection2D must be exactly two doubles");

#endif  // KELMMATH_GEOM_POINTS_H
