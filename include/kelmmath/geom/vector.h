#ifndef KELMMATH_GEOM_VECTOR_H
#define KELMMATH_GEOM_VECTOR_H

#include "kelmmath/core/containers.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/kelmmath_export.h"

// 3D vector and point arithmetic on double[3] arrays.
//
// The conventions of points.h hold throughout: a null input array reads as
// (0, 0, 0) unless noted, result pointers are never checked, and a result may
// be the same array as any input (except for kelm_pt_circle_params). Each
// function has a raw-array form and class overloads that pass the objects'
// components to it and do nothing else.
//
// Products and determinants
//   kelm_vec_dot(a, b)           a . b; a and b must be valid (no null default).
//   kelm_vec_cross(r, a, b)      r = a x b.
//   kelm_vec_det2x2(a, b)        a0 b1 - a1 b0 over two 2-element arrays; 0.0
//                                when either pointer is null.
//   kelm_vec_det3x3(a, b, c)     a . (b x c), the determinant with rows a, b, c;
//                                0.0 when any pointer is null.
//
// Sums and scaling
//   kelm_vec_diff(r, a, b)       r = a - b
//   kelm_vec_sum(r, a, b)        r = a + b
//   kelm_vec_scale(r, a, s)      r = s a
//   kelm_vec_negate(r, a)        r = -a;  kelm_vec_negate(a) negates in place.
//
// Lengths and directions
//   kelm_vec_length(a)           |a|; a must be valid.
//   kelm_vec_normalize(r, a)     r = a / |a|, computed as a times 1/|a|; a
//                                length of at most KELM_NULL_REAL gives
//                                (0, 0, 0); NaN components propagate.
//                                kelm_vec_normalize(a) works in place.
//   kelm_vec_normal_to(r, a)     a unit vector perpendicular to a, built from
//                                the first two components of a that are not
//                                negligible (below 1e-15 in magnitude) and lying
//                                in their coordinate plane:
//                                  (a, b, *) -> (s, -s a/b, 0)
//                                  (a, 0, c) -> (s, 0, -s a/c)
//                                  (0, b, c) -> (0, s, -s b/c)
//                                with s > 0 chosen for unit length; (a, 0, 0)
//                                gives (0, 1, 0) and every other case,
//                                the zero vector included, gives (1, 0, 0).
//
// Comparisons (1 or 0, strict tests, components in the order x, y, z)
//   kelm_vec_is_equal(a, b, eps)        eps > |ai - bi| for every i
//   kelm_vec_is_equal(a, x, y, z, eps)  the same against (x, y, z)
//   kelm_vec_is_zero(a, eps)            eps > |ai| for every i
//
// Filling a vector
//   kelm_vec_put(r, a)           r = a (null a gives (0, 0, 0))
//   kelm_vec_put(r, x, y, z)     r = (x, y, z)
//   kelm_vec_put(r, l)           component n from the n-th value of the list,
//                                0.0 where the list is shorter or null
//   kelm_vec_put(r, point)       r = the object's components
//   kelm_vec_put_zero(r)         r = (0, 0, 0)
//
// Points
//   kelm_pt_distance(a, b), kelm_pt_distance_sq(a, b)  distance and its square.
//   kelm_pt_midpoint(r, a, b)    r = (a + b) 0.5
//   kelm_pt_nearest_on_line(r, t, p, dir, q)
//       Foot r of the perpendicular from q on the line through p along dir:
//       t = ((q - p) . dir) / (dir . dir), r = p + t dir. t is stored when the
//       pointer is not null. dir need not be of unit length (t is measured in
//       units of dir); a zero dir gives NaN.
//   kelm_pt_nearest_on_line_thru_pts(r, t, p1, p2, q)
//       The same for the line through p1 and p2 (t = 0 at p1, t = 1 at p2).
//   kelm_pt_circle_params(center, radius, normal, p1, p2, p3)
//       The circle through three points: its centre, radius and the unit normal
//       of its plane, oriented by the right-hand rule over p1, p2, p3. Returns
//       1 on success, 0 when center or a point is null, when two consecutive
//       points coincide, or when the points are collinear. normal may be null.
//       center and normal must not share storage with p1, p2 or p3. Nothing is
//       written on the first failures; for collinear points normal receives the
//       (zero) normal and center and radius are left unchanged.

// Products and determinants
KELMMATH_API double kelm_vec_dot(const double* const a, const double* const b);
KELMMATH_API double kelm_vec_dot(const KelmPoint& a, const KelmPoint& b);
KELMMATH_API double kelm_vec_dot(const KelmDirection& a, const KelmDirection& b);

KELMMATH_API void kelm_vec_cross(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_vec_cross(KelmPoint& r, const KelmPoint& a, const KelmPoint& b);
KELMMATH_API void kelm_vec_cross(KelmDirection& r, const KelmDirection& a, const KelmDirection& b);

KELMMATH_API double kelm_vec_det2x2(const double* const a, const double* const b);
KELMMATH_API double kelm_vec_det2x2(const KelmDirection2D& a, const KelmDirection2D& b);

KELMMATH_API double kelm_vec_det3x3(const double* const a, const double* const b,
                                    const double* const c);
KELMMATH_API double kelm_vec_det3x3(const KelmDirection& a, const KelmDirection& b,
                                    const KelmDirection& c);

// Sums and scaling
KELMMATH_API void kelm_vec_diff(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_vec_diff(KelmPoint& r, const KelmPoint& a, const KelmPoint& b);
KELMMATH_API void kelm_vec_diff(KelmDirection& r, const KelmPoint& a, const KelmPoint& b);
KELMMATH_API void kelm_vec_diff(KelmDirection& r, const KelmDirection& a, const KelmDirection& b);

KELMMATH_API void kelm_vec_sum(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_vec_sum(KelmPoint& r, const KelmPoint& a, const KelmPoint& b);
KELMMATH_API void kelm_vec_sum(KelmPoint& r, const KelmPoint& a, const KelmDirection& b);
KELMMATH_API void kelm_vec_sum(KelmDirection& r, const KelmDirection& a, const KelmDirection& b);

KELMMATH_API void kelm_vec_scale(double* const r, const double* const a, double s);
KELMMATH_API void kelm_vec_scale(KelmPoint& r, const KelmPoint& a, double s);
KELMMATH_API void kelm_vec_scale(KelmDirection& r, const KelmDirection& a, double s);

KELMMATH_API void kelm_vec_negate(double* const r, const double* const a);
KELMMATH_API void kelm_vec_negate(double* const a);
KELMMATH_API void kelm_vec_negate(KelmPoint& a);
KELMMATH_API void kelm_vec_negate(KelmPoint& r, const KelmPoint& a);
KELMMATH_API void kelm_vec_negate(KelmDirection& a);
KELMMATH_API void kelm_vec_negate(KelmDirection& r, const KelmDirection& a);

// Lengths and directions
KELMMATH_API double kelm_vec_length(const double* const a);
KELMMATH_API double kelm_vec_length(const KelmDirection& a);

KELMMATH_API void kelm_vec_normalize(double* const r, const double* const a);
KELMMATH_API void kelm_vec_normalize(double* const a);
KELMMATH_API void kelm_vec_normalize(KelmDirection& a);
KELMMATH_API void kelm_vec_normalize(KelmDirection& r, const KelmDirection& a);

KELMMATH_API void kelm_vec_normal_to(double* const r, const double* const a);
KELMMATH_API void kelm_vec_normal_to(KelmPoint& r, const KelmPoint& a);
KELMMATH_API void kelm_vec_normal_to(KelmDirection& r, const KelmDirection& a);

// Comparisons
KELMMATH_API int kelm_vec_is_equal(const double* const a, const double* const b, double eps);
KELMMATH_API int kelm_vec_is_equal(const double* const a, double x, double y, double z, double eps);
KELMMATH_API int kelm_vec_is_equal(const KelmPoint& a, const KelmPoint& b, double eps);
KELMMATH_API int kelm_vec_is_equal(const KelmDirection& a, const KelmDirection& b, double eps);

KELMMATH_API int kelm_vec_is_zero(const double* const a, double eps);
KELMMATH_API int kelm_vec_is_zero(const KelmPoint& a, double eps);
KELMMATH_API int kelm_vec_is_zero(const KelmDirection& a, double eps);

// Filling a vector
KELMMATH_API void kelm_vec_put(double* const r, const double* const a);
KELMMATH_API void kelm_vec_put(double* const r, double x, double y, double z);
KELMMATH_API void kelm_vec_put(double* const r, ListOfDouble* l);
KELMMATH_API void kelm_vec_put(double* const r, const KelmPoint& p);
KELMMATH_API void kelm_vec_put(double* const r, const KelmDirection& d);
KELMMATH_API void kelm_vec_put_zero(double* const r);

// Points
KELMMATH_API double kelm_pt_distance(const double* const a, const double* const b);
KELMMATH_API double kelm_pt_distance(const KelmPoint& a, const KelmPoint& b);

KELMMATH_API double kelm_pt_distance_sq(const double* const a, const double* const b);
KELMMATH_API double kelm_pt_distance_sq(const KelmPoint& a, const KelmPoint& b);

KELMMATH_API void kelm_pt_midpoint(double* const r, const double* const a, const double* const b);
KELMMATH_API void kelm_pt_midpoint(KelmPoint& r, const KelmPoint& a, const KelmPoint& b);

KELMMATH_API void kelm_pt_nearest_on_line(double* const r, double* const t, const double* const p,
                                          const double* const dir, const double* const q);
KELMMATH_API void kelm_pt_nearest_on_line(KelmPoint& r, double* const t, const KelmPoint& p,
                                          const KelmDirection& dir, const KelmPoint& q);

KELMMATH_API void kelm_pt_nearest_on_line_thru_pts(double* const r, double* const t,
                                                   const double* const p1, const double* const p2,
                                                   const double* const q);
KELMMATH_API void kelm_pt_nearest_on_line_thru_pts(KelmPoint& r, double* const t,
                                                   const KelmPoint& p1, const KelmPoint& p2,
                                                   const KelmPoint& q);

KELMMATH_API int kelm_pt_circle_params(double* const center, double& radius, double* const normal,
                                       const double* const p1, const double* const p2,
                                       const double* const p3);
KELMMATH_API int kelm_pt_circle_params(KelmPoint& center, double& radius, KelmDirection& normal,
                                       const KelmPoint& p1, const KelmPoint& p2,
                                       const KelmPoint& p3);

#endif  // KELMMATH_GEOM_VECTOR_H
