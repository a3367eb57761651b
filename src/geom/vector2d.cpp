#include "kelmmath/geom/vector2d.h"

#include <cmath>

#include "geom/internal_geom.h"

using kelm_internal::or_zero2d;

// As in 3D, every array form reads its inputs into locals before writing, so
// that a result may be the same array as any input.

// Products

double kelm_vec2d_dot(const double* const a, const double* const b) {
    return a[0] * b[0] + a[1] * b[1];
}
double kelm_vec2d_dot(const KelmPoint2D& a, const KelmPoint2D& b) {
    return kelm_vec2d_dot(a.data(), b.data());
}
double kelm_vec2d_dot(const KelmDirection2D& a, const KelmDirection2D& b) {
    return kelm_vec2d_dot(a.data(), b.data());
}

double kelm_vec2d_cross(const double* const a, const double* const b) {
    return a[0] * b[1] - a[1] * b[0];
}
double kelm_vec2d_cross(const KelmPoint2D& a, const KelmPoint2D& b) {
    return kelm_vec2d_cross(a.data(), b.data());
}
double kelm_vec2d_cross(const KelmDirection2D& a, const KelmDirection2D& b) {
    return kelm_vec2d_cross(a.data(), b.data());
}

// Sums and scaling

void kelm_vec2d_diff(double* const r, const double* const a, const double* const b) {
    const double* const u = or_zero2d(a);
    const double* const v = or_zero2d(b);
    kelm_vec2d_put(r, u[0] - v[0], u[1] - v[1]);
}
void kelm_vec2d_diff(KelmPoint2D& r, const KelmPoint2D& a, const KelmPoint2D& b) {
    kelm_vec2d_diff(r.data(), a.data(), b.data());
}
void kelm_vec2d_diff(KelmDirection2D& r, const KelmPoint2D& a, const KelmPoint2D& b) {
    kelm_vec2d_diff(r.data(), a.data(), b.data());
}
void kelm_vec2d_diff(KelmDirection2D& r, const KelmDirection2D& a, const KelmDirection2D& b) {
    kelm_vec2d_diff(r.data(), a.data(), b.data());
}

void kelm_vec2d_sum(double* const r, const double* const a, const double* const b) {
    const double* const u = or_zero2d(a);
    const double* const v = or_zero2d(b);
    kelm_vec2d_put(r, u[0] + v[0], u[1] + v[1]);
}
void kelm_vec2d_sum(KelmPoint2D& r, const KelmPoint2D& a, const KelmPoint2D& b) {
    kelm_vec2d_sum(r.data(), a.data(), b.data());
}
void kelm_vec2d_sum(KelmPoint2D& r, const KelmPoint2D& a, const KelmDirection2D& b) {
    kelm_vec2d_sum(r.data(), a.data(), b.data());
}
void kelm_vec2d_sum(KelmDirection2D& r, const KelmDirection2D& a, const KelmDirection2D& b) {
    kelm_vec2d_sum(r.data(), a.data(), b.data());
}

void kelm_vec2d_scale(double* const r, const double* const a, double s) {
    const double* const u = or_zero2d(a);
    kelm_vec2d_put(r, s * u[0], s * u[1]);
}
void kelm_vec2d_scale(KelmPoint2D& r, const KelmPoint2D& a, double s) {
    kelm_vec2d_scale(r.data(), a.data(), s);
}
void kelm_vec2d_scale(KelmDirection2D& r, const KelmDirection2D& a, double s) {
    kelm_vec2d_scale(r.data(), a.data(), s);
}

void kelm_vec2d_negate(double* const r, const double* const a) {
    const double* const u = or_zero2d(a);
    kelm_vec2d_put(r, -u[0], -u[1]);
}
void kelm_vec2d_negate(double* const a) {
    kelm_vec2d_negate(a, a);
}
void kelm_vec2d_negate(KelmPoint2D& a) {
    kelm_vec2d_negate(a.data());
}
void kelm_vec2d_negate(KelmPoint2D& r, const KelmPoint2D& a) {
    kelm_vec2d_negate(r.data(), a.data());
}
void kelm_vec2d_negate(KelmDirection2D& a) {
    kelm_vec2d_negate(a.data());
}
void kelm_vec2d_negate(KelmDirection2D& r, const KelmDirection2D& a) {
    kelm_vec2d_negate(r.data(), a.data());
}

// Lengths and directions

double kelm_vec2d_length(const double* const a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1]);
}
double kelm_vec2d_length(const KelmDirection2D& a) {
    return kelm_vec2d_length(a.data());
}

// In the plane each component is divided by the length (the 3D form multiplies
// by the reciprocal); the two roundings can differ in the last bit.
void kelm_vec2d_normalize(double* const r, const double* const a) {
    const double* const u = or_zero2d(a);
    const double len = kelm_vec2d_length(u);
    if (len <= KELM_NULL_REAL) {
        kelm_vec2d_put_zero(r);
        return;
    }
    kelm_vec2d_put(r, u[0] / len, u[1] / len);
}
void kelm_vec2d_normalize(double* const a) {
    kelm_vec2d_normalize(a, a);
}
void kelm_vec2d_normalize(KelmDirection2D& a) {
    kelm_vec2d_normalize(a.data());
}
void kelm_vec2d_normalize(KelmDirection2D& r, const KelmDirection2D& a) {
    kelm_vec2d_normalize(r.data(), a.data());
}

void kelm_vec2d_normal_to(double* const r, const double* const a) {
    kelm_vec2d_put(r, -a[1], a[0]);
}
void kelm_vec2d_normal_to(KelmPoint2D& r, const KelmPoint2D& a) {
    kelm_vec2d_normal_to(r.data(), a.data());
}
void kelm_vec2d_normal_to(KelmDirection2D& r, const KelmDirection2D& a) {
    kelm_vec2d_normal_to(r.data(), a.data());
}

// Comparisons: strict, so that a NaN difference fails; x before y.

int kelm_vec2d_is_equal(const double* const a, const double* const b, double eps) {
    const double* const u = or_zero2d(a);
    const double* const v = or_zero2d(b);
    if (!(eps > std::fabs(u[0] - v[0]))) return 0;
    return eps > std::fabs(u[1] - v[1]) ? 1 : 0;
}
int kelm_vec2d_is_equal(const double* const a, double x, double y, double eps) {
    const double b[2] = {x, y};
    return kelm_vec2d_is_equal(a, b, eps);
}
int kelm_vec2d_is_equal(const KelmPoint2D& a, const KelmPoint2D& b, double eps) {
    return kelm_vec2d_is_equal(a.data(), b.data(), eps);
}
int kelm_vec2d_is_equal(const KelmDirection2D& a, const KelmDirection2D& b, double eps) {
    return kelm_vec2d_is_equal(a.data(), b.data(), eps);
}

int kelm_vec2d_is_zero(const double* const a, double eps) {
    const double* const u = or_zero2d(a);
    if (!(eps > std::fabs(u[0]))) return 0;
    return eps > std::fabs(u[1]) ? 1 : 0;
}
int kelm_vec2d_is_zero(const KelmPoint2D& a, double eps) {
    return kelm_vec2d_is_zero(a.data(), eps);
}
int kelm_vec2d_is_zero(const KelmDirection2D& a, double eps) {
    return kelm_vec2d_is_zero(a.data(), eps);
}

// Filling a vector

void kelm_vec2d_put(double* const r, const double* const a) {
    const double* const u = or_zero2d(a);
    kelm_vec2d_put(r, u[0], u[1]);
}
void kelm_vec2d_put(double* const r, double x, double y) {
    r[0] = x;
    r[1] = y;
}
void kelm_vec2d_put(double* const r, ListOfDouble* l) {
    kelm_internal::put_from_list(r, 2, l);
}
void kelm_vec2d_put(double* const r, const KelmPoint2D& p) {
    kelm_vec2d_put(r, p.data());
}
void kelm_vec2d_put(double* const r, const KelmDirection2D& d) {
    kelm_vec2d_put(r, d.data());
}
void kelm_vec2d_put_zero(double* const r) {
    kelm_vec2d_put(r, 0.0, 0.0);
}

// Points

double kelm_pt2d_distance(const double* const a, const double* const b) {
    return std::sqrt(kelm_pt2d_distance_sq(a, b));
}
double kelm_pt2d_distance(const KelmPoint2D& a, const KelmPoint2D& b) {
    return kelm_pt2d_distance(a.data(), b.data());
}

double kelm_pt2d_distance_sq(const double* const a, const double* const b) {
    const double* const u = or_zero2d(a);
    const double* const v = or_zero2d(b);
    const double dx = u[0] - v[0];
    const double dy = u[1] - v[1];
    return dx * dx + dy * dy;
}
double kelm_pt2d_distance_sq(const KelmPoint2D& a, const KelmPoint2D& b) {
    return kelm_pt2d_distance_sq(a.data(), b.data());
}

void kelm_pt2d_midpoint(double* const r, const double* const a, const double* const b) {
    const double* const u = or_zero2d(a);
    const double* const v = or_zero2d(b);
    kelm_vec2d_put(r, (u[0] + v[0]) * 0.5, (u[1] + v[1]) * 0.5);
}
void kelm_pt2d_midpoint(KelmPoint2D& r, const KelmPoint2D& a, const KelmPoint2D& b) {
    kelm_pt2d_midpoint(r.data(), a.data(), b.data());
}

// No guard against a zero direction: the result is NaN, as in 3D.
void kelm_pt2d_nearest_on_line(double* const r, double* const t, const double* const p,
                               const double* const dir, const double* const q) {
    double base[2];
    double along[2];
    double pq[2];
    kelm_vec2d_put(base, p);
    kelm_vec2d_put(along, dir);
    kelm_vec2d_diff(pq, q, base);
    const double param = kelm_vec2d_dot(pq, along) / kelm_vec2d_dot(along, along);
    kelm_vec2d_put(r, base[0] + param * along[0], base[1] + param * along[1]);
    if (t) *t = param;
}
void kelm_pt2d_nearest_on_line(KelmPoint2D& r, double* const t, const KelmPoint2D& p,
                               const KelmDirection2D& dir, const KelmPoint2D& q) {
    kelm_pt2d_nearest_on_line(r.data(), t, p.data(), dir.data(), q.data());
}

void kelm_pt2d_nearest_on_line_thru_pts(double* const r, double* const t, const double* const p1,
                                        const double* const p2, const double* const q) {
    double dir[2];
    kelm_vec2d_diff(dir, p2, p1);
    kelm_pt2d_nearest_on_line(r, t, p1, dir, q);
}
void kelm_pt2d_nearest_on_line_thru_pts(KelmPoint2D& r, double* const t, const KelmPoint2D& p1,
                                        const KelmPoint2D& p2, const KelmPoint2D& q) {
    kelm_pt2d_nearest_on_line_thru_pts(r.data(), t, p1.data(), p2.data(), q.data());
}
