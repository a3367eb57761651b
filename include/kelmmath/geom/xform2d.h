#ifndef KELMMATH_GEOM_XFORM2D_H
#define KELMMATH_GEOM_XFORM2D_H

#include <type_traits>

#include "kelmmath/core/containers.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/kelmmath_export.h"
#include "kelmmath/units/units.h"

// 2D transforms (placements in the plane).
//
// A 2D transform is a 3x3 matrix of doubles stored column by column: M(row, col)
// sits at index 3 * col + row.
//
//   index  0-1  x axis direction     2  0 in a placement
//          3-4  y axis direction     5  0
//          6-7  origin               8  1
//
// The functions behave as their 3D namesakes in kelmmath/geom/xform.h with two
// coordinates in place of three: the same null, aliasing, slot-copying and
// ListOfDouble rules, and the same strict comparisons. Differences:
//   - kelm_xform2d_apply is r = p0 * X + p1 * Y + origin, and kelm_xform2d_apply_dir
//     r = d0 * X + d1 * Y: the bottom row (indices 2, 5, 8) is never read, so there is
//     no division.
//   - Normalising a 2D axis divides each component by the length (the zero vector
//     for a length of at most the null real).
//   - kelm_xform2d_put_dirs(r, x): X = x normalised (or (1, 0) when x is null or
//     both components are below 1e-15, tested before normalising), Y = X turned a
//     quarter counter-clockwise; writes indices 0-5 only.
//   - kelm_xform2d_put_cto(r, x, y, origin, scale): X = x normalised. When X is
//     negligible the frame comes from y: X is y normalised turned a quarter
//     clockwise, Y is y normalised, and the identity axes when y is negligible too.
//     Otherwise Y is X turned a quarter counter-clockwise, or clockwise when a
//     non-negligible y lies on that side's negative half (left-handed frame): y
//     only picks the side. The origin is copied, index 8 set to 1.0, and the scale
//     applied as in 3D with diag(scale, scale, 1).
//   - kelm_xform2d_put_rotation(r, angle, unit): the counter-clockwise rotation by
//     angle (degrees when unit is 21, "deg", radians otherwise); a cosine or sine
//     below 1e-15 in magnitude gives exact zeros. Writes indices 0-5 only.
//   - kelm_xform2d_inverse is the general 3x3 inverse (identity and 0 for an exactly
//     zero determinant); kelm_xform2d_det is the 3x3 determinant (1.0 for null).
//   - kelm_xform2d_is_dir_identity compares indices 0, 1, 3, 4.

// The 2D identity transform: 1.0 at indices 0, 4, 8, 0.0 elsewhere.
KELMMATH_API extern const double kelm_xform2d_identity[9];

// A 2D transform: exactly the nine doubles of the layout above, nothing else.
class KELMMATH_API KelmXform2D {
public:
    KelmXform2D();  // the identity
    KelmXform2D(double xi, double xj, double yi, double yj, double ox, double oy);
    explicit KelmXform2D(const double* const m);  // copy of m; null gives the identity

    double* data() { return m_; }
    const double* data() const { return m_; }

    // References into the array: x axis at 0-1, y at 3-4, origin at 6-7.
    KelmDirection2D& xdir() { return *reinterpret_cast<KelmDirection2D*>(m_ + 0); }
    const KelmDirection2D& xdir() const {
        return *reinterpret_cast<const KelmDirection2D*>(m_ + 0);
    }
    KelmDirection2D& ydir() { return *reinterpret_cast<KelmDirection2D*>(m_ + 3); }
    const KelmDirection2D& ydir() const {
        return *reinterpret_cast<const KelmDirection2D*>(m_ + 3);
    }
    KelmPoint2D& origin() { return *reinterpret_cast<KelmPoint2D*>(m_ + 6); }
    const KelmPoint2D& origin() const { return *reinterpret_cast<const KelmPoint2D*>(m_ + 6); }

    void xdir(const KelmDirection2D& v);
    void xdir(const double* const v);
    void xdir(double i, double j);
    void xdir(ListOfDouble* l);
    void ydir(const KelmDirection2D& v);
    void ydir(const double* const v);
    void ydir(double i, double j);
    void ydir(ListOfDouble* l);
    void origin(const KelmPoint2D& p);
    void origin(const double* const p);
    void origin(double x, double y);
    void origin(ListOfDouble* l);

    void put_identity();
    void put_alldirs(const KelmXform2D& src);
    void put_dirs(const KelmDirection2D& x);
    void put_cto(const KelmDirection2D& x, const KelmDirection2D& y, const KelmPoint2D& origin,
                 double scale);
    void put_rotation(double angle, KelmUnit unit);

private:
    double m_[9];
};

static_assert(sizeof(KelmXform2D) == 9 * sizeof(double) &&
                  std::is_standard_layout<KelmXform2D>::value,
              "KelmXform2D must be exactly nine doubles");

// Construction.
KELMMATH_API void kelm_xform2d_put(double* const r, const double* const src);
KELMMATH_API void kelm_xform2d_put(double* const r, const KelmXform2D& src);
KELMMATH_API void kelm_xform2d_put_identity(double* const r);

KELMMATH_API void kelm_xform2d_put_origin(double* const r, const double* const p);
KELMMATH_API void kelm_xform2d_put_origin(double* const r, const KelmPoint2D& p);
KELMMATH_API void kelm_xform2d_put_origin(double* const r, double x, double y);
KELMMATH_API void kelm_xform2d_put_origin(double* const r, ListOfDouble* l);

KELMMATH_API void kelm_xform2d_put_xdir(double* const r, const double* const v);
KELMMATH_API void kelm_xform2d_put_xdir(double* const r, const KelmDirection2D& v);
KELMMATH_API void kelm_xform2d_put_xdir(double* const r, double i, double j);
KELMMATH_API void kelm_xform2d_put_xdir(double* const r, ListOfDouble* l);

KELMMATH_API void kelm_xform2d_put_ydir(double* const r, const double* const v);
KELMMATH_API void kelm_xform2d_put_ydir(double* const r, const KelmDirection2D& v);
KELMMATH_API void kelm_xform2d_put_ydir(double* const r, double i, double j);
KELMMATH_API void kelm_xform2d_put_ydir(double* const r, ListOfDouble* l);

KELMMATH_API void kelm_xform2d_put_alldirs(double* const r, const double* const x,
                                           const double* const y);
KELMMATH_API void kelm_xform2d_put_alldirs(double* const r, const double* const src);

KELMMATH_API void kelm_xform2d_put_dirs(double* const r, const double* const x);
KELMMATH_API void kelm_xform2d_put_cto(double* const r, const double* const x,
                                       const double* const y, const double* const origin,
                                       double scale);
KELMMATH_API void kelm_xform2d_put_rotation(double* const r, double angle, KelmUnit unit);

KELMMATH_API void kelm_xform2d_normalize(double* const r, const double* const src);
KELMMATH_API void kelm_xform2d_normalize(double* const r);
KELMMATH_API void kelm_xform2d_normalize(KelmXform2D& r, const KelmXform2D& src);
KELMMATH_API void kelm_xform2d_normalize(KelmXform2D& r);

// Operations.
KELMMATH_API void kelm_xform2d_compose(double* const r, const double* const a,
                                       const double* const b);
KELMMATH_API void kelm_xform2d_compose(KelmXform2D& r, const KelmXform2D& a, const KelmXform2D& b);

KELMMATH_API int kelm_xform2d_inverse(double* const r, const double* const m);
KELMMATH_API int kelm_xform2d_inverse(KelmXform2D& r, const KelmXform2D& m);

KELMMATH_API double kelm_xform2d_det(const double* const m);
KELMMATH_API double kelm_xform2d_det(const KelmXform2D& m);

KELMMATH_API void kelm_xform2d_apply(double* const r, const double* const m, const double* const p);
KELMMATH_API void kelm_xform2d_apply(KelmPoint2D& r, const KelmXform2D& m, const KelmPoint2D& p);
KELMMATH_API void kelm_xform2d_apply(double* const r, const KelmXform2D& m, const double* const p);
KELMMATH_API void kelm_xform2d_apply(double& x, double& y, const KelmXform2D& m, double px,
                                     double py);

KELMMATH_API void kelm_xform2d_apply_dir(double* const r, const double* const m,
                                         const double* const d);
KELMMATH_API void kelm_xform2d_apply_dir(KelmDirection2D& r, const KelmXform2D& m,
                                         const KelmDirection2D& d);
KELMMATH_API void kelm_xform2d_apply_dir(double* const r, const KelmXform2D& m,
                                         const double* const d);
KELMMATH_API void kelm_xform2d_apply_dir(double& x, double& y, const KelmXform2D& m, double dx,
                                         double dy);

KELMMATH_API void kelm_xform2d_scale(double* const r, const double* const src, double s);
KELMMATH_API void kelm_xform2d_scale(double* const r, const double* const src, double sx,
                                     double sy);
KELMMATH_API void kelm_xform2d_scale(KelmXform2D& r, const KelmXform2D& src, double s);
KELMMATH_API void kelm_xform2d_scale(KelmXform2D& r, const KelmXform2D& src, double sx, double sy);

KELMMATH_API int kelm_xform2d_transform_to(double* const r, const double* const a,
                                           const double* const b);
KELMMATH_API int kelm_xform2d_transform_to(KelmXform2D& r, const KelmXform2D& a,
                                           const KelmXform2D& b);

KELMMATH_API int kelm_xform2d_is_identity(const double* const m, double eps);
KELMMATH_API int kelm_xform2d_is_identity(const KelmXform2D& m, double eps);
KELMMATH_API int kelm_xform2d_is_dir_identity(const double* const m, double eps);
KELMMATH_API int kelm_xform2d_is_dir_identity(const KelmXform2D& m, double eps);
KELMMATH_API int kelm_xform2d_is_equal(const double* const a, const double* const b, double eps);
KELMMATH_API int kelm_xform2d_is_equal(const KelmXform2D& a, const KelmXform2D& b, double eps);

#endif  // KELMMATH_GEOM_XFORM2D_H
