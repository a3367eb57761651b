#ifndef KELMMATH_GEOM_XFORM_H
#define KELMMATH_GEOM_XFORM_H

#include <type_traits>

#include "kelmmath/core/containers.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/kelmmath_export.h"
#include "kelmmath/units/units.h"

// 3D transforms (placements).
//
// A transform is a 4x4 matrix of doubles stored column by column: element
// M(row, col) sits at index 4 * col + row, and a point p maps to M * (p0, p1, p2, 1).
//
//   index  0-2   x axis direction          3   0 in a placement
//          4-6   y axis direction          7   0
//          8-10  z axis direction          11  0
//          12-14 origin (translation)      15  1
//
// The axes are not forced to unit length or to be orthogonal except by the
// operations that say so. Composition, inversion, the determinant and point
// application use all sixteen values, so a bottom row other than (0, 0, 0, 1)
// acts as a projective transform.
//
// Conventions shared by every function below:
//   - results come first (double* const), then inputs, then scalars;
//   - a null input transform reads as kelm_xform_identity, a null input point or
//     direction as (0, 0, 0); result pointers are never checked;
//   - every result may be the same array as any input. The slot-copying setters
//     (put_xdir/ydir/zdir/origin, put_alldirs) fill their slots in order, so an
//     argument may be the current content of its own target slot, but not of a
//     slot of the same transform that is written before it is read;
//   - "negligible" means every component is below 1e-15 in magnitude (strict test);
//     normalising multiplies by the reciprocal of the length and gives the zero
//     vector for a length of at most the null real;
//   - a ListOfDouble* fills the components from the list: a null list gives zeros,
//     missing values are 0.0, extra values are ignored.
//
// Construction (only the slots named are written):
//   kelm_xform_put           all sixteen values from src (null src: identity).
//   kelm_xform_put_identity  all sixteen values of the identity.
//   kelm_xform_put_origin    12-14 = the point, 15 = 1.0.
//   kelm_xform_put_xdir      0-2 = v as passed (not normalised), 3 = 0.0;
//   kelm_xform_put_ydir      4-6 and 7; kelm_xform_put_zdir 8-10 and 11.
//   kelm_xform_put_alldirs   the three axes (from three vectors, each null read as
//                            zero, or from another transform), 3, 7, 11 = 0.0;
//                            the origin and index 15 are left alone.
//   kelm_xform_put_dirs      orthonormal right-handed axes: Z along axis, X in the
//                            plane of axis and ref. A negligible or null axis gives
//                            Z = (0, 0, 1); a negligible or null ref gives (0, 1, 0)
//                            when Z lies along the x axis and (1, 0, 0) otherwise;
//                            both tested before normalising. Y = |Z x R|,
//                            X = |Y x Z|. A ref parallel to axis gives zero X and Y.
//                            The origin and index 15 are left alone.
//   kelm_xform_put_cto       a full placement from an x reference, a y reference, a
//                            z axis, an origin and a uniform scale. Z = |z| (zero
//                            after normalising: (0, 0, 1)); X is |x| (or the fallback
//                            of put_dirs) made perpendicular to Z; Y is y (or Z x X
//                            when y is negligible) made perpendicular to Z and X, so
//                            it keeps the side of y: a y on the negative side of
//                            Z x X gives a left-handed frame. The origin is then
//                            copied and index 15 set to 1.0. A scale that is not
//                            the null real, greater than 0 and not within 1e-15 of 1
//                            multiplies the axes and the origin.
//   kelm_xform_put_rotation  rotation by angle about axis through the origin
//                            (counter-clockwise looking down the axis). The angle is
//                            in degrees when unit is 21 ("deg"), radians otherwise.
//                            Entries of the 3x3 part below 1e-15 in magnitude become
//                            exact zeros. A negligible axis (after normalising) gives
//                            the whole identity, origin included; otherwise the
//                            origin and index 15 are left alone.
//   kelm_xform_normalize     each axis normalised on its own (not made orthogonal);
//                            only 0-2, 4-6, 8-10 of r are written.
//
// Operations:
//   kelm_xform_compose       r = a * b: mapping by r maps by b first, then by a.
//   kelm_xform_inverse       r = m^-1 and 1; the identity and 0 when det(m) is
//                            exactly 0.0 (no tolerance; NaN counts as non-singular).
//   kelm_xform_det           determinant of the 4x4 matrix; 1.0 for a null m.
//   kelm_xform_apply         image of point p, divided by the bottom row's w
//                            (w = 1 when it is exactly 0).
//   kelm_xform_apply_dir     image of direction d: the 3x3 part only, not normalised.
//   kelm_xform_scale (s)     r = diag(s, s, s, 1) * src, or a copy of src when s is
//                            the null real, not > 0 (NaN too) or within 1e-15 of 1.
//   kelm_xform_scale (sx, sy, sz)
//                            r = diag(sx, sy, sz, 1) * src, always; a factor that is
//                            the null real or <= 0 counts as 1 (NaN stays NaN).
//   kelm_xform_transform_to  r = b * a^-1 and 1, so that r * a = b; 0 and r
//                            untouched when a is singular.
//   kelm_xform_is_identity, kelm_xform_is_dir_identity, kelm_xform_is_equal
//                            1 when every compared value is strictly within eps
//                            (all sixteen; the nine axis values; all sixteen of a
//                            against b); eps 0.0 therefore always gives 0.
//
// The three-reference apply forms map (px, py, pz) and store the result through
// x, y, z, which may be the very variables that supplied the values.

// The identity transform: 1.0 at indices 0, 5, 10, 15, 0.0 elsewhere.
KELMMATH_API extern const double kelm_xform_identity[16];

// A 3D transform: exactly the sixteen doubles of the layout above, nothing else.
class KELMMATH_API KelmXform {
public:
    KelmXform();  // the identity
    KelmXform(double xi, double xj, double xk, double yi, double yj, double yk, double zi,
              double zj, double zk, double ox, double oy, double oz);
    explicit KelmXform(const double* const m);  // copy of m; null gives the identity

    double* data() { return m_; }
    const double* data() const { return m_; }

    // References into the array: x axis at 0-2, y at 4-6, z at 8-10, origin 12-14.
    KelmDirection& xdir() { return *reinterpret_cast<KelmDirection*>(m_ + 0); }
    const KelmDirection& xdir() const { return *reinterpret_cast<const KelmDirection*>(m_ + 0); }
    KelmDirection& ydir() { return *reinterpret_cast<KelmDirection*>(m_ + 4); }
    const KelmDirection& ydir() const { return *reinterpret_cast<const KelmDirection*>(m_ + 4); }
    KelmDirection& zdir() { return *reinterpret_cast<KelmDirection*>(m_ + 8); }
    const KelmDirection& zdir() const { return *reinterpret_cast<const KelmDirection*>(m_ + 8); }
    KelmPoint& origin() { return *reinterpret_cast<KelmPoint*>(m_ + 12); }
    const KelmPoint& origin() const { return *reinterpret_cast<const KelmPoint*>(m_ + 12); }

    void xdir(const KelmDirection& v);
    void xdir(const double* const v);
    void xdir(double i, double j, double k);
    void xdir(ListOfDouble* l);
    void ydir(const KelmDirection& v);
    void ydir(const double* const v);
    void ydir(double i, double j, double k);
    void ydir(ListOfDouble* l);
    void zdir(const KelmDirection& v);
    void zdir(const double* const v);
    void zdir(double i, double j, double k);
    void zdir(ListOfDouble* l);
    void origin(const KelmPoint& p);
    void origin(const double* const p);
    void origin(double x, double y, double z);
    void origin(ListOfDouble* l);

    void put_identity();
    void put_alldirs(const KelmXform& src);
    void put_dirs(const KelmDirection& axis, const KelmDirection& ref);
    void put_cto(const KelmDirection& x, const KelmDirection& y, const KelmDirection& z,
                 const KelmPoint& origin, double scale);
    void put_rotation(const KelmDirection& axis, double angle, KelmUnit unit);

private:
    double m_[16];
};

static_assert(sizeof(KelmXform) == 16 * sizeof(double) && std::is_standard_layout<KelmXform>::value,
              "KelmXform must be exactly sixteen doubles");

// Construction.
KELMMATH_API void kelm_xform_put(double* const r, const double* const src);
KELMMATH_API void kelm_xform_put(double* const r, const KelmXform& src);
KELMMATH_API void kelm_xform_put_identity(double* const r);

KELMMATH_API void kelm_xform_put_origin(double* const r, const double* const p);
KELMMATH_API void kelm_xform_put_origin(double* const r, const KelmPoint& p);
KELMMATH_API void kelm_xform_put_origin(double* const r, double x, double y, double z);
KELMMATH_API void kelm_xform_put_origin(double* const r, ListOfDouble* l);

KELMMATH_API void kelm_xform_put_xdir(double* const r, const double* const v);
KELMMATH_API void kelm_xform_put_xdir(double* const r, const KelmDirection& v);
KELMMATH_API void kelm_xform_put_xdir(double* const r, double i, double j, double k);
KELMMATH_API void kelm_xform_put_xdir(double* const r, ListOfDouble* l);

KELMMATH_API void kelm_xform_put_ydir(double* const r, const double* const v);
KELMMATH_API void kelm_xform_put_ydir(double* const r, const KelmDirection& v);
KELMMATH_API void kelm_xform_put_ydir(double* const r, double i, double j, double k);
KELMMATH_API void kelm_xform_put_ydir(double* const r, ListOfDouble* l);

KELMMATH_API void kelm_xform_put_zdir(double* const r, const double* const v);
KELMMATH_API void kelm_xform_put_zdir(double* const r, const KelmDirection& v);
KELMMATH_API void kelm_xform_put_zdir(double* const r, double i, double j, double k);
KELMMATH_API void kelm_xform_put_zdir(double* const r, ListOfDouble* l);

KELMMATH_API void kelm_xform_put_alldirs(double* const r, const double* const x,
                                         const double* const y, const double* const z);
KELMMATH_API void kelm_xform_put_alldirs(double* const r, const double* const src);

KELMMATH_API void kelm_xform_put_dirs(double* const r, const double* const axis,
                                      const double* const ref);
KELMMATH_API void kelm_xform_put_cto(double* const r, const double* const x, const double* const y,
                                     const double* const z, const double* const origin,
                                     double scale);
KELMMATH_API void kelm_xform_put_rotation(double* const r, const double* const axis, double angle,
                                          KelmUnit unit);

KELMMATH_API void kelm_xform_normalize(double* const r, const double* const src);
KELMMATH_API void kelm_xform_normalize(double* const r);
KELMMATH_API void kelm_xform_normalize(KelmXform& r, const KelmXform& src);
KELMMATH_API void kelm_xform_normalize(KelmXform& r);

// Operations.
KELMMATH_API void kelm_xform_compose(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_xform_compose(KelmXform& r, const KelmXform& a, const KelmXform& b);

KELMMATH_API int kelm_xform_inverse(double* const r, const double* const m);
KELMMATH_API int kelm_xform_inverse(KelmXform& r, const KelmXform& m);

KELMMATH_API double kelm_xform_det(const double* const m);
KELMMATH_API double kelm_xform_det(const KelmXform& m);

KELMMATH_API void kelm_xform_apply(double* const r, const double* const m, const double* const p);
KELMMATH_API void kelm_xform_apply(KelmPoint& r, const KelmXform& m, const KelmPoint& p);
KELMMATH_API void kelm_xform_apply(double* const r, const KelmXform& m, const double* const p);
KELMMATH_API void kelm_xform_apply(double& x, double& y, double& z, const KelmXform& m, double px,
                                   double py, double pz);

KELMMATH_API void kelm_xform_apply_dir(double* const r, const double* const m,
                                       const double* const d);
KELMMATH_API void kelm_xform_apply_dir(KelmDirection& r, const KelmXform& m,
                                       const KelmDirection& d);
KELMMATH_API void kelm_xform_apply_dir(double* const r, const KelmXform& m, const double* const d);
KELMMATH_API void kelm_xform_apply_dir(double& x, double& y, double& z, const KelmXform& m,
                                       double dx, double dy, double dz);

KELMMATH_API void kelm_xform_scale(double* const r, const double* const src, double s);
KELMMATH_API void kelm_xform_scale(double* const r, const double* const src, double sx, double sy,
                                   double sz);
KELMMATH_API void kelm_xform_scale(KelmXform& r, const KelmXform& src, double s);
KELMMATH_API void kelm_xform_scale(KelmXform& r, const KelmXform& src, double sx, double sy,
                                   double sz);

KELMMATH_API int kelm_xform_transform_to(double* const r, const double* const a,
                                         const double* const b);
KELMMATH_API int kelm_xform_transform_to(KelmXform& r, const KelmXform& a, const KelmXform& b);

KELMMATH_API int kelm_xform_is_identity(const double* const m, double eps);
KELMMATH_API int kelm_xform_is_identity(const KelmXform& m, double eps);
KELMMATH_API int kelm_xform_is_dir_identity(const double* const m, double eps);
KELMMATH_API int kelm_xform_is_dir_identity(const KelmXform& m, double eps);
KELMMATH_API int kelm_xform_is_equal(const double* const a, const double* const b, double eps);
KELMMATH_API int kelm_xform_is_equal(const KelmXform& a, const KelmXform& b, double eps);

#endif  // KELMMATH_GEOM_XFORM_H
