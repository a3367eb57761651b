#include "kelmmath/geom/vector.h"

#include <cmath>

#include "geom/internal_geom.h"

using kelm_internal::kNegligible;
using kelm_internal::or_zero;

// Every array form copies what it reads into locals before it writes its
// result, so that a result may be the same array as any of its inputs.

namespace {

bool negligible(double v) {
    return kNegligible > std::fabs(v);
}

}  // namespace

// Products and determinants

double kelm_vec_dot(const double* const a, const double* const b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
double kelm_vec_dot(const KelmPoint& a, const KelmPoint& b) {
    return kelm_vec_dot(a.data(), b.data());
}
double kelm_vec_dot(const KelmDirection& a, const KelmDirection& b) {
    return kelm_vec_dot(a.data(), b.data());
}

void kelm_vec_cross(double* const r, const double* const a, const double* const b) {
    const double* const u = or_zero(a);
    const double* const v = or_zero(b);
    const double x = u[1] * v[2] - u[2] * v[1];
    const double y = u[2] * v[0] - u[0] * v[2];
    const double z = u[0] * v[1] - u[1] * v[0];
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_vec_cross(KelmPoint& r, const KelmPoint& a, const KelmPoint& b) {
    kelm_vec_cross(r.data(), a.data(), b.data());
}
void kelm_vec_cross(KelmDirection& r, const KelmDirection& a, const KelmDirection& b) {
    kelm_vec_cross(r.data(), a.data(), b.data());
}

// The determinants answer 0.0 for a missing row instead of reading it as zero
// (the value is the same; no array is touched).
double kelm_vec_det2x2(const double* const a, const double* const b) {
    if (!a || !b) return 0.0;
    return a[0] * b[1] - a[1] * b[0];
}
double kelm_vec_det2x2(const KelmDirection2D& a, const KelmDirection2D& b) {
    return kelm_vec_det2x2(a.data(), b.data());
}

double kelm_vec_det3x3(const double* const a, const double* const b, const double* const c) {
    if (!a || !b || !c) return 0.0;
    double bc[3];
    kelm_vec_cross(bc, b, c);
    return kelm_vec_dot(a, bc);
}
double kelm_vec_det3x3(const KelmDirection& a, const KelmDirection& b, const KelmDirection& c) {
    return kelm_vec_det3x3(a.data(), b.data(), c.data());
}

// Sums and scaling

void kelm_vec_diff(double* const r, const double* const a, const double* const b) {
    const double* const u = or_zero(a);
    const double* const v = or_zero(b);
    const double x = u[0] - v[0];
    const double y = u[1] - v[1];
    const double z = u[2] - v[2];
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_vec_diff(KelmPoint& r, const KelmPoint& a, const KelmPoint& b) {
    kelm_vec_diff(r.data(), a.data(), b.data());
}
void kelm_vec_diff(KelmDirection& r, const KelmPoint& a, const KelmPoint& b) {
    kelm_vec_diff(r.data(), a.data(), b.data());
}
void kelm_vec_diff(KelmDirection& r, const KelmDirection& a, const KelmDirection& b) {
    kelm_vec_diff(r.data(), a.data(), b.data());
}

void kelm_vec_sum(double* const r, const double* const a, const double* const b) {
    const double* const u = or_zero(a);
    const double* const v = or_zero(b);
    const double x = u[0] + v[0];
    const double y = u[1] + v[1];
    const double z = u[2] + v[2];
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_vec_sum(KelmPoint& r, const KelmPoint& a, const KelmPoint& b) {
    kelm_vec_sum(r.data(), a.data(), b.data());
}
void kelm_vec_sum(KelmPoint& r, const KelmPoint& a, const KelmDirection& b) {
    kelm_vec_sum(r.data(), a.data(), b.data());
}
void kelm_vec_sum(KelmDirection& r, const KelmDirection& a, const KelmDirection& b) {
    kelm_vec_sum(r.data(), a.data(), b.data());
}

void kelm_vec_scale(double* const r, const double* const a, double s) {
    const double* const u = or_zero(a);
    const double x = s * u[0];
    const double y = s * u[1];
    const double z = s * u[2];
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_vec_scale(KelmPoint& r, const KelmPoint& a, double s) {
    kelm_vec_scale(r.data(), a.data(), s);
}
void kelm_vec_scale(KelmDirection& r, const KelmDirection& a, double s) {
    kelm_vec_scale(r.data(), a.data(), s);
}

void kelm_vec_negate(double* const r, const double* const a) {
    const double* const u = or_zero(a);
    const double x = -u[0];
    const double y = -u[1];
    const double z = -u[2];
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_vec_negate(double* const a) {
    kelm_vec_negate(a, a);
}
void kelm_vec_negate(KelmPoint& a) {
    kelm_vec_negate(a.data());
}
void kelm_vec_negate(KelmPoint& r, const KelmPoint& a) {
    kelm_vec_negate(r.data(), a.data());
}
void kelm_vec_negate(KelmDirection& a) {
    kelm_vec_negate(a.data());
}
void kelm_vec_negate(KelmDirection& r, const KelmDirection& a) {
    kelm_vec_negate(r.data(), a.data());
}

// Lengths and directions

double kelm_vec_length(const double* const a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}
double kelm_vec_length(const KelmDirection& a) {
    return kelm_vec_length(a.data());
}

// Multiplying by the reciprocal (rather than dividing each component) is the
// library's rounding for 3D unit vectors. A length at most the null real
// counts as zero; a NaN length fails that test, so NaN components propagate.
void kelm_vec_normalize(double* const r, const double* const a) {
    const double* const u = or_zero(a);
    const double len = kelm_vec_length(u);
    if (len <= KELM_NULL_REAL) {
        kelm_vec_put_zero(r);
        return;
    }
    const double inv = 1.0 / len;
    kelm_vec_scale(r, u, inv);
}
void kelm_vec_normalize(double* const a) {
    kelm_vec_normalize(a, a);
}
void kelm_vec_normalize(KelmDirection& a) {
    kelm_vec_normalize(a.data());
}
void kelm_vec_normalize(KelmDirection& r, const KelmDirection& a) {
    kelm_vec_normalize(r.data(), a.data());
}

// The perpendicular is built in the coordinate plane of the first two
// components that are not negligible, so that it never divides by a tiny
// value; when fewer than two remain, a coordinate axis orthogonal to the input
// is perpendicular already. A NaN component is not negligible.
void kelm_vec_normal_to(double* const r, const double* const a) {
    const double* const u = or_zero(a);
    const double x = u[0];
    const double y = u[1];
    const double z = u[2];
    if (!negligible(x)) {
        if (!negligible(y)) {
            const double s = std::sqrt(y * y / (x * x + y * y));
            kelm_vec_put(r, s, -s * x / y, 0.0);
        } else if (!negligible(z)) {
            const double s = std::sqrt(z * z / (x * x + z * z));
            kelm_vec_put(r, s, 0.0, -s * x / z);
        } else {
            kelm_vec_put(r, kelm_vec_010);
        }
    } else if (!negligible(y) && !negligible(z)) {
        const double s = std::sqrt(z * z / (y * y + z * z));
        kelm_vec_put(r, 0.0, s, -s * y / z);
    } else {
        kelm_vec_put(r, kelm_vec_100);
    }
}
void kelm_vec_normal_to(KelmPoint& r, const KelmPoint& a) {
    kelm_vec_normal_to(r.data(), a.data());
}
void kelm_vec_normal_to(KelmDirection& r, const KelmDirection& a) {
    kelm_vec_normal_to(r.data(), a.data());
}

// Comparisons: strict tests, written so that a NaN difference fails them,
// checked in the order x, y, z and stopping at the first failure.

int kelm_vec_is_equal(const double* const a, const double* const b, double eps) {
    const double* const u = or_zero(a);
    const double* const v = or_zero(b);
    for (int i = 0; i < 3; ++i) {
        if (!(eps > std::fabs(u[i] - v[i]))) return 0;
    }
    return 1;
}
int kelm_vec_is_equal(const double* const a, double x, double y, double z, double eps) {
    const double b[3] = {x, y, z};
    return kelm_vec_is_equal(a, b, eps);
}
int kelm_vec_is_equal(const KelmPoint& a, const KelmPoint& b, double eps) {
    return kelm_vec_is_equal(a.data(), b.data(), eps);
}
int kelm_vec_is_equal(const KelmDirection& a, const KelmDirection& b, double eps) {
    return kelm_vec_is_equal(a.data(), b.data(), eps);
}

int kelm_vec_is_zero(const double* const a, double eps) {
    const double* const u = or_zero(a);
    for (int i = 0; i < 3; ++i) {
        if (!(eps > std::fabs(u[i]))) return 0;
    }
    return 1;
}
int kelm_vec_is_zero(const KelmPoint& a, double eps) {
    return kelm_vec_is_zero(a.data(), eps);
}
int kelm_vec_is_zero(const KelmDirection& a, double eps) {
    return kelm_vec_is_zero(a.data(), eps);
}

// Filling a vector

void kelm_vec_put(double* const r, const double* const a) {
    const double* const u = or_zero(a);
    kelm_vec_put(r, u[0], u[1], u[2]);
}
void kelm_vec_put(double* const r, double x, double y, double z) {
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_vec_put(double* const r, ListOfDouble* l) {
    kelm_internal::put_from_list(r, 3, l);
}
void kelm_vec_put(double* const r, const KelmPoint& p) {
    kelm_vec_put(r, p.data());
}
void kelm_vec_put(double* const r, const KelmDirection& d) {
    kelm_vec_put(r, d.data());
}
void kelm_vec_put_zero(double* const r) {
    kelm_vec_put(r, 0.0, 0.0, 0.0);
}

// Points

double kelm_pt_distance(const double* const a, const double* const b) {
    return std::sqrt(kelm_pt_distance_sq(a, b));
}
double kelm_pt_distance(const KelmPoint& a, const KelmPoint& b) {
    return kelm_pt_distance(a.data(), b.data());
}

double kelm_pt_distance_sq(const double* const a, const double* const b) {
    const double* const u = or_zero(a);
    const double* const v = or_zero(b);
    const double dx = u[0] - v[0];
    const double dy = u[1] - v[1];
    const double dz = u[2] - v[2];
    return dx * dx + dy * dy + dz * dz;
}
double kelm_pt_distance_sq(const KelmPoint& a, const KelmPoint& b) {
    return kelm_pt_distance_sq(a.data(), b.data());
}

void kelm_pt_midpoint(double* const r, const double* const a, const double* const b) {
    const double* const u = or_zero(a);
    const double* const v = or_zero(b);
    const double x = (u[0] + v[0]) * 0.5;
    const double y = (u[1] + v[1]) * 0.5;
    const double z = (u[2] + v[2]) * 0.5;
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_pt_midpoint(KelmPoint& r, const KelmPoint& a, const KelmPoint& b) {
    kelm_pt_midpoint(r.data(), a.data(), b.data());
}

// No guard against a zero direction: the caller gets NaN rather than a point
// silently chosen on a line that does not exist.
void kelm_pt_nearest_on_line(double* const r, double* const t, const double* const p,
                             const double* const dir, const double* const q) {
    double base[3];
    double along[3];
    double pq[3];
    kelm_vec_put(base, p);
    kelm_vec_put(along, dir);
    kelm_vec_diff(pq, q, base);
    const double param = kelm_vec_dot(pq, along) / kelm_vec_dot(along, along);
    kelm_vec_scale(along, along, param);
    kelm_vec_sum(r, base, along);
    if (t) *t = param;
}
void kelm_pt_nearest_on_line(KelmPoint& r, double* const t, const KelmPoint& p,
                             const KelmDirection& dir, const KelmPoint& q) {
    kelm_pt_nearest_on_line(r.data(), t, p.data(), dir.data(), q.data());
}

void kelm_pt_nearest_on_line_thru_pts(double* const r, double* const t, const double* const p1,
                                      const double* const p2, const double* const q) {
    double dir[3];
    kelm_vec_diff(dir, p2, p1);
    kelm_pt_nearest_on_line(r, t, p1, dir, q);
}
void kelm_pt_nearest_on_line_thru_pts(KelmPoint& r, double* const t, const KelmPoint& p1,
                                      const KelmPoint& p2, const KelmPoint& q) {
    kelm_pt_nearest_on_line_thru_pts(r.data(), t, p1.data(), p2.data(), q.data());
}

// The centre is where the perpendicular bisectors of p1p2 and p2p3 meet in the
// plane of the three points. Nothing is written until the plane normal is
// known; a collinear triple then leaves the (zero) normal behind and the
// centre and radius untouched. The points are copied first, so the results
// never read storage they have just written.
int kelm_pt_circle_params(double* const center, double& radius, double* const normal,
                          const double* const p1, const double* const p2, const double* const p3) {
    if (!center || !p1 || !p2 || !p3) return 0;
    double a[3], b[3], c[3];
    kelm_vec_put(a, p1);
    kelm_vec_put(b, p2);
    kelm_vec_put(c, p3);

    double u[3], w[3];
    kelm_vec_diff(u, b, a);
    kelm_vec_normalize(u);
    kelm_vec_diff(w, c, b);
    kelm_vec_normalize(w);
    if (kelm_vec_is_zero(u, kNegligible)) return 0;  // p1 and p2 coincide
    if (kelm_vec_is_zero(w, kNegligible)) return 0;  // p2 and p3 coincide

    double n[3];
    kelm_vec_cross(n, u, w);
    kelm_vec_normalize(n);
    double scratch[3];
    kelm_vec_put(normal ? normal : scratch, n);

    double m1[3], m2[3], d[3];
    kelm_pt_midpoint(m1, a, b);
    kelm_pt_midpoint(m2, b, c);
    kelm_vec_diff(d, m2, m1);

    double bis1[3], bis2[3], meet[3];
    kelm_vec_cross(bis1, n, u);  // bisector of p1p2, in the plane
    kelm_vec_cross(bis2, n, w);  // bisector of p2p3
    kelm_vec_cross(meet, bis1, bis2);
    const double len = kelm_vec_length(meet);
    const double l = len * len;
    if (l == 0.0) return 0;  // collinear points: no circle

    const double t = kelm_vec_det3x3(d, bis2, meet) / l;
    double ctr[3];
    kelm_vec_scale(ctr, bis1, t);
    kelm_vec_sum(ctr, m1, ctr);
    kelm_vec_put(center, ctr);
    radius = kelm_pt_distance(a, ctr);
    return 1;
}
int kelm_pt_circle_params(KelmPoint& center, double& radius, KelmDirection& normal,
                          const KelmPoint& p1, const KelmPoint& p2, const KelmPoint& p3) {
    return kelm_pt_circle_params(center.data(), radius, normal.data(), p1.data(), p2.data(),
                                 p3.data());
}
