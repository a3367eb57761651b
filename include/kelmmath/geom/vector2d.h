#ifndef KELMMATH_GEOM_VECTOR2D_H
#define KELMMATH_GEOM_VECTOR2D_H

#include "kelmmath/core/containers.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/kelmmath_export.h"

// 2D vector and point arithmetic on double[2] arrays: the plane counterparts
// of vector.h, component by component over x and y.
//
// The conventions of points.h hold: a null input array reads as (0, 0) unless
// noted, result pointers are never checked, and a result may be the same array
// as any input. Class overloads pass the objects' components to the array form.
//
// Where the plane differs from space:
//   kelm_vec2d_dot(a, b), kelm_vec2d_cross(a, b)
//       a0 b0 + a1 b1 and a0 b1 - a1 b0 (the z component of the 3D cross
//       product: positive when b is counter-clockwise from a). Both inputs must
//       be valid (kelm_vec_det2x2 is the null-tolerant form of the cross).
//   kelm_vec2d_length(a)         |a|; a must be valid.
//   kelm_vec2d_normalize(r, a)   each component divided by |a|; a length of at
//                                most KELM_NULL_REAL gives (0, 0).
//   kelm_vec2d_normal_to(r, a)   r = (-a1, a0), the counter-clockwise quarter
//                                turn, not normalised; a must be valid.
//
// The rest behave as in 3D:
//   kelm_vec2d_diff / sum / scale / negate, kelm_vec2d_is_equal (strict,
//   eps > |ai - bi|), kelm_vec2d_is_zero (eps > |ai|), kelm_vec2d_put (from an
//   array, two values, a list read for two components, or a value object),
//   kelm_vec2d_put_zero, kelm_pt2d_distance / distance_sq / midpoint, and
//   kelm_pt2d_nearest_on_line / nearest_on_line_thru_pts:
//   t = ((q - p) . dir) / (dir . dir), r = p + t dir, t stored when not null,
//   NaN for a zero dir.

// Products
KELMMATH_API double kelm_vec2d_dot(const double* const a, const double* const b);
KELMMATH_API double kelm_vec2d_dot(const KelmPoint2D& a, const KelmPoint2D& b);
KELMMATH_API double kelm_vec2d_dot(const KelmDirection2D& a, const KelmDirection2D& b);

KELMMATH_API double kelm_vec2d_cross(const double* const a, const double* const b);
KELMMATH_API double kelm_vec2d_cross(const KelmPoint2D& a, const KelmPoint2D& b);
KELMMATH_API double kelm_vec2d_cross(const KelmDirection2D& a, const KelmDirection2D& b);

// Sums and scaling
KELMMATH_API void kelm_vec2d_diff(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_vec2d_diff(KelmPoint2D& r, const KelmPoint2D& a, const KelmPoint2D& b);
KELMMATH_API void kelm_vec2d_diff(KelmDirection2D& r, const KelmPoint2D& a, const KelmPoint2D& b);
KELMMATH_API void kelm_vec2d_diff(KelmDirection2D& r, const KelmDirection2D& a,
                                  const KelmDirection2D& b);

KELMMATH_API void kelm_vec2d_sum(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_vec2d_sum(KelmPoint2D& r, const KelmPoint2D& a, const KelmPoint2D& b);
KELMMATH_API void kelm_vec2d_sum(KelmPoint2D& r, const KelmPoint2D& a, const KelmDirection2D& b);
KELMMATH_API void kelm_vec2d_sum(KelmDirection2D& r, const KelmDirection2D& a,
                                 const KelmDirection2D& b);

KELMMATH_API void kelm_vec2d_scale(double* const r, const double* const a, double s);
KELMMATH_API void kelm_vec2d_scale(KelmPoint2D& r, const KelmPoint2D& a, double s);
KELMMATH_API void kelm_vec2d_scale(KelmDirection2D& r, const KelmDirection2D& a, double s);

KELMMATH_API void kelm_vec2d_negate(double* const r, const double* const a);
KELMMATH_API void kelm_vec2d_negate(double* const a);
KELMMATH_API void kelm_vec2d_negate(KelmPoint2D& a);
KELMMATH_API void kelm_vec2d_negate(KelmPoint2D& r, const KelmPoint2D& a);
KELMMATH_API void kelm_vec2d_negate(KelmDirection2D& a);
KELMMATH_API void kelm_vec2d_negate(KelmDirection2D& r, const KelmDirection2D& a);

// Lengths and directions
KELMMATH_API double kelm_vec2d_length(const double* const a);
KELMMATH_API double kelm_vec2d_length(const KelmDirection2D& a);

KELMMATH_API void kelm_vec2d_normalize(double* const r, const double* const a);
KELMMATH_API void kelm_vec2d_normalize(double* const a);
KELMMATH_API void kelm_vec2d_normalize(KelmDirection2D& a);
KELMMATH_API void kelm_vec2d_normalize(KelmDirection2D& r, const KelmDirection2D& a);

KELMMATH_API void kelm_vec2d_normal_to(double* const r, const double* const a);
KELMMATH_API void kelm_vec2d_normal_to(KelmPoint2D& r, const KelmPoint2D& a);
KELMMATH_API void kelm_vec2d_normal_to(KelmDirection2D& r, const KelmDirection2D& a);

// Comparisons
KELMMATH_API int kelm_vec2d_is_equal(const double* const a, const double* const b, double eps);
KELMMATH_API int kelm_vec2d_is_equal(const double* const a, double x, double y, double eps);
KELMMATH_API int kelm_vec2d_is_equal(const KelmPoint2D& a, const KelmPoint2D& b, double eps);
KELMMATH_API int kelm_vec2d_is_equal(const KelmDirection2D& a, const KelmDirection2D& b,
                                     double eps);

KELMMATH_API int kelm_vec2d_is_zero(const double* const a, double eps);
KELMMATH_API int kelm_vec2d_is_zero(const KelmPoint2D& a, double eps);
KELMMATH_API int kelm_vec2d_is_zero(const KelmDirection2D& a, double eps);

// Filling a vector
KELMMATH_API void kelm_vec2d_put(double* const r, const double* const a);
KELMMATH_API void kelm_vec2d_put(double* const r, double x, double y);
KELMMATH_API void kelm_vec2d_put(double* const r, ListOfDouble* l);
KELMMATH_API void kelm_vec2d_put(double* const r, const KelmPoint2D& p);
KELMMATH_API void kelm_vec2d_put(double* const r, const KelmDirection2D& d);
KELMMATH_API void kelm_vec2d_put_zero(double* const r);

// Points
KELMMATH_API double kelm_pt2d_distance(const double* const a, const double* const b);
KELMMATH_API double kelm_pt2d_distance(const KelmPoint2D& a, const KelmPoint2D& b);

KELMMATH_API double kelm_pt2d_distance_sq(const double* const a, const double* const b);
KELMMATH_API double kelm_pt2d_distance_sq(const KelmPoint2D& a, const KelmPoint2D& b);

KELMMATH_API void kelm_pt2d_midpoint(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_pt2d_midpoint(KelmPoint2D& r, const KelmPoint2D& a, const KelmPoint2D& b);

KELMMATH_API void kelm_pt2d_nearest_on_line(double* const r, double* const t, const double* const p,
                                            const double* const dir, const double* const q);
KELMMATH_API void kelm_pt2d_nearest_on_line(KelmPoint2D& r, double* const t, const KelmPoint2D& p,
                                            const KelmDirection2D& dir, const KelmPoint2D& q);

KELMMATH_API void kelm_pt2d_nearest_on_line_thru_pts(double* const r, double* const t,
                                                     const double* const p1, const double* const p2,
                                                     const double* const q);
KELMMATH_API void kelm_pt2d_nearest_on_line_thru_pts(KelmPoint2D& r, double* const t,
                                                     const KelmPoint2D& p1, const KelmPoint2D& p2,
                                                     const KelmPoint2D& q);

#endif  // KELMMATH_GEOM_VECTOR2D_H
