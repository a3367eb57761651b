#include "kelmmath/geom/xform.h"

#include <cmath>

#include "geom/internal_geom.h"
#include "geom/internal_xform.h"
#include "kelmmath/geom/vector.h"

using kelm_internal::kNegligible;
using kelm_internal::or_identity;
using kelm_internal::or_zero;

namespace {

bool is_negligible(const double* v) {
    return kelm_vec_is_zero(v, kNegligible) != 0;
}

// True when a unit axis points along the global x axis (its y and z parts vanish).
bool lies_along_x(const double* z) {
    return std::fabs(z[1]) < kNegligible && std::fabs(z[2]) < kNegligible;
}

// The reference used when none is given: anything not parallel to z.
void fallback_reference(double* r, const double* z) {
    kelm_vec_put(r, lies_along_x(z) ? kelm_vec_010 : kelm_vec_100);
}

// Copies v into the axis slot at index `at` and clears the bottom row below it.
void put_axis(double* r, int at, const double* v) {
    const double x = v[0], y = v[1], z = v[2];
    r[at] = x;
    r[at + 1] = y;
    r[at + 2] = z;
    r[at + 3] = 0.0;
}

void put_axes(double* r, const double* x, const double* y, const double* z) {
    put_axis(r, 0, x);
    put_axis(r, 4, y);
    put_axis(r, 8, z);
}

// r = S * r with S = diag(s, s, s, 1): rows 0-2 of every column, the origin included.
void scale_rows(double* r, const double* src, double sx, double sy, double sz) {
    double out[16];
    for (int col = 0; col < 4; ++col) {
        out[4 * col] = src[4 * col] * sx;
        out[4 * col + 1] = src[4 * col + 1] * sy;
        out[4 * col + 2] = src[4 * col + 2] * sz;
        out[4 * col + 3] = src[4 * col + 3];
    }
    kelm_xform_put(r, out);
}

// A per-axis factor that is missing or not positive means "leave this axis alone".
double axis_factor(double f) {
    return (f == KELM_NULL_REAL || f <= 0.0) ? 1.0 : f;
}

// v - (v . a) a: the part of v perpendicular to the unit vector a.
void remove_component(double* r, const double* v, const double* a) {
    const double d = kelm_vec_dot(v, a);
    for (int i = 0; i < 3; ++i) r[i] = v[i] - d * a[i];
}

// The twelve 2x2 minors behind both the determinant and the inverse: s0..s5 of
// columns 0-1, c0..c5 of columns 2-3, for the row pairs 01, 02, 03, 12, 13, 23.
struct Minors {
    double s[6];
    double c[6];
};

Minors minors_of(const double* m) {
    Minors k;
    k.s[0] = m[0] * m[5] - m[1] * m[4];
    k.s[1] = m[0] * m[6] - m[2] * m[4];
    k.s[2] = m[0] * m[7] - m[3] * m[4];
    k.s[3] = m[1] * m[6] - m[2] * m[5];
    k.s[4] = m[1] * m[7] - m[3] * m[5];
    k.s[5] = m[2] * m[7] - m[3] * m[6];
    k.c[0] = m[8] * m[13] - m[9] * m[12];
    k.c[1] = m[8] * m[14] - m[10] * m[12];
    k.c[2] = m[8] * m[15] - m[11] * m[12];
    k.c[3] = m[9] * m[14] - m[10] * m[13];
    k.c[4] = m[9] * m[15] - m[11] * m[13];
    k.c[5] = m[10] * m[15] - m[11] * m[14];
    return k;
}

double det_of(const Minors& k) {
    return k.s[0] * k.c[5] - k.s[1] * k.c[4] + k.s[2] * k.c[3] + k.s[3] * k.c[2] - k.s[4] * k.c[1] +
           k.s[5] * k.c[0];
}

// The adjugate of M, in column order. Reading the storage row by row gives the
// transpose of M; its adjugate written back row by row is the adjugate of M, so
// the row-pair minors above serve directly.
void adjugate(double* out, const double* m, const Minors& k) {
    const double* s = k.s;
    const double* c = k.c;
    out[0] = m[5] * c[5] - m[6] * c[4] + m[7] * c[3];
    out[4] = -m[4] * c[5] + m[6] * c[2] - m[7] * c[1];
    out[8] = m[4] * c[4] - m[5] * c[2] + m[7] * c[0];
    out[12] = -m[4] * c[3] + m[5] * c[1] - m[6] * c[0];
    out[1] = -m[1] * c[5] + m[2] * c[4] - m[3] * c[3];
    out[5] = m[0] * c[5] - m[2] * c[2] + m[3] * c[1];
    out[9] = -m[0] * c[4] + m[1] * c[2] - m[3] * c[0];
    out[13] = m[0] * c[3] - m[1] * c[1] + m[2] * c[0];
    out[2] = m[13] * s[5] - m[14] * s[4] + m[15] * s[3];
    out[6] = -m[12] * s[5] + m[14] * s[2] - m[15] * s[1];
    out[10] = m[12] * s[4] - m[13] * s[2] + m[15] * s[0];
    out[14] = -m[12] * s[3] + m[13] * s[1] - m[14] * s[0];
    out[3] = -m[9] * s[5] + m[10] * s[4] - m[11] * s[3];
    out[7] = m[8] * s[5] - m[10] * s[2] + m[11] * s[1];
    out[11] = -m[8] * s[4] + m[9] * s[2] - m[11] * s[0];
    out[15] = m[8] * s[3] - m[9] * s[1] + m[10] * s[0];
}

// Strict comparison of the listed indices of a against b.
int all_within(const double* a, const double* b, const int* idx, int n, double eps) {
    for (int i = 0; i < n; ++i) {
        if (!(eps > std::fabs(a[idx[i]] - b[idx[i]]))) return 0;
    }
    return 1;
}

constexpr int kAllIndices[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int kAxisIndices[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};

}  // namespace

const double kelm_xform_identity[16] = {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0,
                                        0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0};

// ---- KelmXform -------------------------------------------------------------

KelmXform::KelmXform() {
    kelm_xform_put_identity(m_);
}

KelmXform::KelmXform(double xi, double xj, double xk, double yi, double yj, double yk, double zi,
                     double zj, double zk, double ox, double oy, double oz)
    : m_{xi, xj, xk, 0.0, yi, yj, yk, 0.0, zi, zj, zk, 0.0, ox, oy, oz, 1.0} {}

KelmXform::KelmXform(const double* const m) {
    kelm_xform_put(m_, m);
}

void KelmXform::xdir(const KelmDirection& v) {
    kelm_xform_put_xdir(m_, v);
}
void KelmXform::xdir(const double* const v) {
    kelm_xform_put_xdir(m_, v);
}
void KelmXform::xdir(double i, double j, double k) {
    kelm_xform_put_xdir(m_, i, j, k);
}
void KelmXform::xdir(ListOfDouble* l) {
    kelm_xform_put_xdir(m_, l);
}
void KelmXform::ydir(const KelmDirection& v) {
    kelm_xform_put_ydir(m_, v);
}
void KelmXform::ydir(const double* const v) {
    kelm_xform_put_ydir(m_, v);
}
void KelmXform::ydir(double i, double j, double k) {
    kelm_xform_put_ydir(m_, i, j, k);
}
void KelmXform::ydir(ListOfDouble* l) {
    kelm_xform_put_ydir(m_, l);
}
void KelmXform::zdir(const KelmDirection& v) {
    kelm_xform_put_zdir(m_, v);
}
void KelmXform::zdir(const double* const v) {
    kelm_xform_put_zdir(m_, v);
}
void KelmXform::zdir(double i, double j, double k) {
    kelm_xform_put_zdir(m_, i, j, k);
}
void KelmXform::zdir(ListOfDouble* l) {
    kelm_xform_put_zdir(m_, l);
}
void KelmXform::origin(const KelmPoint& p) {
    kelm_xform_put_origin(m_, p);
}
void KelmXform::origin(const double* const p) {
    kelm_xform_put_origin(m_, p);
}
void KelmXform::origin(double x, double y, double z) {
    kelm_xform_put_origin(m_, x, y, z);
}
void KelmXform::origin(ListOfDouble* l) {
    kelm_xform_put_origin(m_, l);
}

void KelmXform::put_identity() {
    kelm_xform_put_identity(m_);
}
void KelmXform::put_alldirs(const KelmXform& src) {
    kelm_xform_put_alldirs(m_, src.data());
}
void KelmXform::put_dirs(const KelmDirection& axis, const KelmDirection& ref) {
    kelm_xform_put_dirs(m_, axis.data(), ref.data());
}
void KelmXform::put_cto(const KelmDirection& x, const KelmDirection& y, const KelmDirection& z,
                        const KelmPoint& origin, double scale) {
    kelm_xform_put_cto(m_, x.data(), y.data(), z.data(), origin.data(), scale);
}
void KelmXform::put_rotation(const KelmDirection& axis, double angle, KelmUnit unit) {
    kelm_xform_put_rotation(m_, axis.data(), angle, unit);
}

// ---- Construction ----------------------------------------------------------

void kelm_xform_put(double* const r, const double* const src) {
    const double* m = or_identity(src);
    if (m == r) return;
    double out[16];
    for (int i = 0; i < 16; ++i) out[i] = m[i];
    for (int i = 0; i < 16; ++i) r[i] = out[i];
}
void kelm_xform_put(double* const r, const KelmXform& src) {
    kelm_xform_put(r, src.data());
}

void kelm_xform_put_identity(double* const r) {
    kelm_xform_put(r, kelm_xform_identity);
}

void kelm_xform_put_origin(double* const r, const double* const p) {
    const double* v = or_zero(p);
    const double x = v[0], y = v[1], z = v[2];
    r[12] = x;
    r[13] = y;
    r[14] = z;
    r[15] = 1.0;
}
void kelm_xform_put_origin(double* const r, const KelmPoint& p) {
    kelm_xform_put_origin(r, p.data());
}
void kelm_xform_put_origin(double* const r, double x, double y, double z) {
    const double p[3] = {x, y, z};
    kelm_xform_put_origin(r, p);
}
void kelm_xform_put_origin(double* const r, ListOfDouble* l) {
    double p[3];
    kelm_internal::put_from_list(p, 3, l);
    kelm_xform_put_origin(r, p);
}

void kelm_xform_put_xdir(double* const r, const double* const v) {
    put_axis(r, 0, or_zero(v));
}
void kelm_xform_put_xdir(double* const r, const KelmDirection& v) {
    kelm_xform_put_xdir(r, v.data());
}
void kelm_xform_put_xdir(double* const r, double i, double j, double k) {
    const double v[3] = {i, j, k};
    kelm_xform_put_xdir(r, v);
}
void kelm_xform_put_xdir(double* const r, ListOfDouble* l) {
    double v[3];
    kelm_internal::put_from_list(v, 3, l);
    kelm_xform_put_xdir(r, v);
}

void kelm_xform_put_ydir(double* const r, const double* const v) {
    put_axis(r, 4, or_zero(v));
}
void kelm_xform_put_ydir(double* const r, const KelmDirection& v) {
    kelm_xform_put_ydir(r, v.data());
}
void kelm_xform_put_ydir(double* const r, double i, double j, double k) {
    const double v[3] = {i, j, k};
    kelm_xform_put_ydir(r, v);
}
void kelm_xform_put_ydir(double* const r, ListOfDouble* l) {
    double v[3];
    kelm_internal::put_from_list(v, 3, l);
    kelm_xform_put_ydir(r, v);
}

void kelm_xform_put_zdir(double* const r, const double* const v) {
    put_axis(r, 8, or_zero(v));
}
void kelm_xform_put_zdir(double* const r, const KelmDirection& v) {
    kelm_xform_put_zdir(r, v.data());
}
void kelm_xform_put_zdir(double* const r, double i, double j, double k) {
    const double v[3] = {i, j, k};
    kelm_xform_put_zdir(r, v);
}
void kelm_xform_put_zdir(double* const r, ListOfDouble* l) {
    double v[3];
    kelm_internal::put_from_list(v, 3, l);
    kelm_xform_put_zdir(r, v);
}

// The axes are copied one after the other (x, then y, then z), so an argument
// may be its own target slot but not a slot written before it.
void kelm_xform_put_alldirs(double* const r, const double* const x, const double* const y,
                            const double* const z) {
    put_axis(r, 0, or_zero(x));
    put_axis(r, 4, or_zero(y));
    put_axis(r, 8, or_zero(z));
}
void kelm_xform_put_alldirs(double* const r, const double* const src) {
    const double* m = or_identity(src);
    kelm_xform_put_alldirs(r, m, m + 4, m + 8);
}

void kelm_xform_put_dirs(double* const r, const double* const axis, const double* const ref) {
    // Both references are tested as given, before normalising: a tiny axis is
    // treated as missing.
    double z[3], x_ref[3], y[3], x[3];
    if (!axis || is_negligible(axis)) {
        kelm_vec_put(z, kelm_vec_001);
    } else {
        kelm_vec_normalize(z, axis);
    }
    if (!ref || is_negligible(ref)) {
        fallback_reference(x_ref, z);
    } else {
        kelm_vec_normalize(x_ref, ref);
    }
    kelm_vec_cross(y, z, x_ref);
    kelm_vec_normalize(y);
    kelm_vec_cross(x, y, z);
    kelm_vec_normalize(x);
    put_axes(r, x, y, z);
}

void kelm_xform_put_cto(double* const r, const double* const x, const double* const y,
                        const double* const z, const double* const origin, double scale) {
    // Z is tested after normalising, so any non-zero z keeps its direction.
    double zz[3], v[3], xx[3], u[3], yy[3];
    kelm_vec_normalize(zz, or_zero(z));
    if (is_negligible(zz)) kelm_vec_put(zz, kelm_vec_001);
    kelm_vec_normalize(v, or_zero(x));
    if (is_negligible(v)) fallback_reference(v, zz);
    remove_component(xx, v, zz);
    kelm_vec_normalize(xx);
    // y only contributes its side and its part perpendicular to Z and X, so a y
    // on the negative side of Z x X yields a left-handed frame.
    if (!y || is_negligible(y)) {
        kelm_vec_cross(u, zz, xx);
    } else {
        kelm_vec_put(u, y);
    }
    const double uz = kelm_vec_dot(u, zz);
    const double ux = kelm_vec_dot(u, xx);
    for (int i = 0; i < 3; ++i) yy[i] = u[i] - uz * zz[i] - ux * xx[i];
    kelm_vec_normalize(yy);
    put_axes(r, xx, yy, zz);
    // The origin is read only after the axes are in place.
    kelm_xform_put_origin(r, origin);
    if (kelm_internal::uniform_scale_applies(scale)) scale_rows(r, r, scale, scale, scale);
}

void kelm_xform_put_rotation(double* const r, const double* const axis, double angle,
                             KelmUnit unit) {
    if (unit == kelm_unit_deg) angle *= kelm_internal::kDegreesToRadians;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    double a[3];
    kelm_vec_normalize(a, or_zero(axis));
    if (is_negligible(a)) {
        kelm_xform_put_identity(r);
        return;
    }
    const double x = a[0], y = a[1], z = a[2];
    const double m[12] = {t * x * x + c,     t * x * y + z * s, t * x * z - y * s, 0.0,
                          t * x * y - z * s, t * y * y + c,     t * y * z + x * s, 0.0,
                          t * x * z + y * s, t * y * z - x * s, t * z * z + c,     0.0};
    // Clean-up so that quarter turns give exact zeros instead of cos(pi/2) noise.
    for (int i = 0; i < 12; ++i) r[i] = std::fabs(m[i]) < kNegligible ? 0.0 : m[i];
}

void kelm_xform_normalize(double* const r, const double* const src) {
    const double* m = or_identity(src);
    double x[3], y[3], z[3];
    kelm_vec_normalize(x, m);
    kelm_vec_normalize(y, m + 4);
    kelm_vec_normalize(z, m + 8);
    for (int i = 0; i < 3; ++i) {
        r[i] = x[i];
        r[4 + i] = y[i];
        r[8 + i] = z[i];
    }
}
void kelm_xform_normalize(double* const r) {
    kelm_xform_normalize(r, r);
}
void kelm_xform_normalize(KelmXform& r, const KelmXform& src) {
    kelm_xform_normalize(r.data(), src.data());
}
void kelm_xform_normalize(KelmXform& r) {
    kelm_xform_normalize(r.data(), r.data());
}

// ---- Operations ------------------------------------------------------------

void kelm_xform_compose(double* const r, const double* const a, const double* const b) {
    const double* x = or_identity(a);
    const double* y = or_identity(b);
    double out[16];
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            out[4 * col + row] = x[row] * y[4 * col] + x[4 + row] * y[4 * col + 1] +
                                 x[8 + row] * y[4 * col + 2] + x[12 + row] * y[4 * col + 3];
        }
    }
    kelm_xform_put(r, out);
}
void kelm_xform_compose(KelmXform& r, const KelmXform& a, const KelmXform& b) {
    kelm_xform_compose(r.data(), a.data(), b.data());
}

int kelm_xform_inverse(double* const r, const double* const m) {
    double in[16];
    kelm_xform_put(in, m);
    const Minors k = minors_of(in);
    const double det = det_of(k);
    // Exact test only: a nearly singular matrix is still inverted, and a NaN
    // determinant is passed through rather than hidden.
    if (det == 0.0) {
        kelm_xform_put_identity(r);
        return 0;
    }
    double out[16];
    adjugate(out, in, k);
    for (int i = 0; i < 16; ++i) r[i] = out[i] / det;
    return 1;
}
int kelm_xform_inverse(KelmXform& r, const KelmXform& m) {
    return kelm_xform_inverse(r.data(), m.data());
}

double kelm_xform_det(const double* const m) {
    return det_of(minors_of(or_identity(m)));
}
double kelm_xform_det(const KelmXform& m) {
    return kelm_xform_det(m.data());
}

void kelm_xform_apply(double* const r, const double* const m, const double* const p) {
    const double* t = or_identity(m);
    const double* v = or_zero(p);
    double w = t[3] * v[0] + t[7] * v[1] + t[11] * v[2] + t[15];
    if (w == 0.0) w = 1.0;  // a point at infinity is left unprojected
    const double x = (t[0] * v[0] + t[4] * v[1] + t[8] * v[2] + t[12]) / w;
    const double y = (t[1] * v[0] + t[5] * v[1] + t[9] * v[2] + t[13]) / w;
    const double z = (t[2] * v[0] + t[6] * v[1] + t[10] * v[2] + t[14]) / w;
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_xform_apply(KelmPoint& r, const KelmXform& m, const KelmPoint& p) {
    kelm_xform_apply(r.data(), m.data(), p.data());
}
void kelm_xform_apply(double* const r, const KelmXform& m, const double* const p) {
    kelm_xform_apply(r, m.data(), p);
}
void kelm_xform_apply(double& x, double& y, double& z, const KelmXform& m, double px, double py,
                      double pz) {
    double v[3] = {px, py, pz};
    kelm_xform_apply(v, m.data(), v);
    x = v[0];
    y = v[1];
    z = v[2];
}

void kelm_xform_apply_dir(double* const r, const double* const m, const double* const d) {
    const double* t = or_identity(m);
    const double* v = or_zero(d);
    const double x = t[0] * v[0] + t[4] * v[1] + t[8] * v[2];
    const double y = t[1] * v[0] + t[5] * v[1] + t[9] * v[2];
    const double z = t[2] * v[0] + t[6] * v[1] + t[10] * v[2];
    r[0] = x;
    r[1] = y;
    r[2] = z;
}
void kelm_xform_apply_dir(KelmDirection& r, const KelmXform& m, const KelmDirection& d) {
    kelm_xform_apply_dir(r.data(), m.data(), d.data());
}
void kelm_xform_apply_dir(double* const r, const KelmXform& m, const double* const d) {
    kelm_xform_apply_dir(r, m.data(), d);
}
void kelm_xform_apply_dir(double& x, double& y, double& z, const KelmXform& m, double dx, double dy,
                          double dz) {
    double v[3] = {dx, dy, dz};
    kelm_xform_apply_dir(v, m.data(), v);
    x = v[0];
    y = v[1];
    z = v[2];
}

void kelm_xform_scale(double* const r, const double* const src, double s) {
    if (kelm_internal::uniform_scale_applies(s)) {
        scale_rows(r, or_identity(src), s, s, s);
    } else {
        kelm_xform_put(r, src);
    }
}
void kelm_xform_scale(double* const r, const double* const src, double sx, double sy, double sz) {
    scale_rows(r, or_identity(src), axis_factor(sx), axis_factor(sy), axis_factor(sz));
}
void kelm_xform_scale(KelmXform& r, const KelmXform& src, double s) {
    kelm_xform_scale(r.data(), src.data(), s);
}
void kelm_xform_scale(KelmXform& r, const KelmXform& src, double sx, double sy, double sz) {
    kelm_xform_scale(r.data(), src.data(), sx, sy, sz);
}

int kelm_xform_transform_to(double* const r, const double* const a, const double* const b) {
    double inv[16];
    if (!kelm_xform_inverse(inv, a)) return 0;  // r stays as it was
    kelm_xform_compose(r, b, inv);
    return 1;
}
int kelm_xform_transform_to(KelmXform& r, const KelmXform& a, const KelmXform& b) {
    return kelm_xform_transform_to(r.data(), a.data(), b.data());
}

int kelm_xform_is_identity(const double* const m, double eps) {
    return all_within(or_identity(m), kelm_xform_identity, kAllIndices, 16, eps);
}
int kelm_xform_is_identity(const KelmXform& m, double eps) {
    return kelm_xform_is_identity(m.data(), eps);
}
int kelm_xform_is_dir_identity(const double* const m, double eps) {
    return all_within(or_identity(m), kelm_xform_identity, kAxisIndices, 9, eps);
}
int kelm_xform_is_dir_identity(const KelmXform& m, double eps) {
    return kelm_xform_is_dir_identity(m.data(), eps);
}
int kelm_xform_is_equal(const double* const a, const double* const b, double eps) {
    return all_within(or_identity(a), or_identity(b), kAllIndices, 16, eps);
}
int kelm_xform_is_equal(const KelmXform& a, const KelmXform& b, double eps) {
    return kelm_xform_is_equal(a.data(), b.data(), eps);
}
