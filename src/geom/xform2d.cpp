#include "kelmmath/geom/xform2d.h"

#include <cmath>

#include "geom/internal_geom.h"
#include "geom/internal_xform.h"
#include "kelmmath/geom/vector2d.h"

using kelm_internal::kNegligible;
using kelm_internal::or_identity2d;
using kelm_internal::or_zero2d;

namespace {

bool is_negligible(const double* v) {
    return kelm_vec2d_is_zero(v, kNegligible) != 0;
}

// Copies v into the axis slot at index `at` and clears the bottom row below it.
void put_axis(double* r, int at, const double* v) {
    const double x = v[0], y = v[1];
    r[at] = x;
    r[at + 1] = y;
    r[at + 2] = 0.0;
}

void put_axes(double* r, const double* x, const double* y) {
    put_axis(r, 0, x);
    put_axis(r, 3, y);
}

// r = diag(sx, sy, 1) * src: rows 0-1 of every column, the origin included.
void scale_rows(double* r, const double* src, double sx, double sy) {
    double out[9];
    for (int col = 0; col < 3; ++col) {
        out[3 * col] = src[3 * col] * sx;
        out[3 * col + 1] = src[3 * col + 1] * sy;
        out[3 * col + 2] = src[3 * col + 2];
    }
    kelm_xform2d_put(r, out);
}

double axis_factor(double f) {
    return (f == KELM_NULL_REAL || f <= 0.0) ? 1.0 : f;
}

// The adjugate of M in column order. As in 3D, reading the storage row by row
// gives the transpose, whose adjugate written back row by row is M's adjugate.
void adjugate(double* out, const double* m) {
    out[0] = m[4] * m[8] - m[5] * m[7];
    out[1] = m[2] * m[7] - m[1] * m[8];
    out[2] = m[1] * m[5] - m[2] * m[4];
    out[3] = m[5] * m[6] - m[3] * m[8];
    out[4] = m[0] * m[8] - m[2] * m[6];
    out[5] = m[2] * m[3] - m[0] * m[5];
    out[6] = m[3] * m[7] - m[4] * m[6];
    out[7] = m[1] * m[6] - m[0] * m[7];
    out[8] = m[0] * m[4] - m[1] * m[3];
}

// Expansion along the first column, from the same cofactors as the adjugate.
double det_from(const double* m, const double* adj) {
    return m[0] * adj[0] + m[1] * adj[3] + m[2] * adj[6];
}

int all_within(const double* a, const double* b, const int* idx, int n, double eps) {
    for (int i = 0; i < n; ++i) {
        if (!(eps > std::fabs(a[idx[i]] - b[idx[i]]))) return 0;
    }
    return 1;
}

constexpr int kAllIndices[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr int kAxisIndices[4] = {0, 1, 3, 4};

}  // namespace

const double kelm_xform2d_identity[9] = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};

// ---- KelmXform2D -----------------------------------------------------------

KelmXform2D::KelmXform2D() {
    kelm_xform2d_put_identity(m_);
}

KelmXform2D::KelmXform2D(double xi, double xj, double yi, double yj, double ox, double oy)
    : m_{xi, xj, 0.0, yi, yj, 0.0, ox, oy, 1.0} {}

KelmXform2D::KelmXform2D(const double* const m) {
    kelm_xform2d_put(m_, m);
}

void KelmXform2D::xdir(const KelmDirection2D& v) {
    kelm_xform2d_put_xdir(m_, v);
}
void KelmXform2D::xdir(const double* const v) {
    kelm_xform2d_put_xdir(m_, v);
}
void KelmXform2D::xdir(double i, double j) {
    kelm_xform2d_put_xdir(m_, i, j);
}
void KelmXform2D::xdir(ListOfDouble* l) {
    kelm_xform2d_put_xdir(m_, l);
}
void KelmXform2D::ydir(const KelmDirection2D& v) {
    kelm_xform2d_put_ydir(m_, v);
}
void KelmXform2D::ydir(const double* const v) {
    kelm_xform2d_put_ydir(m_, v);
}
void KelmXform2D::ydir(double i, double j) {
    kelm_xform2d_put_ydir(m_, i, j);
}
void KelmXform2D::ydir(ListOfDouble* l) {
    kelm_xform2d_put_ydir(m_, l);
}
void KelmXform2D::origin(const KelmPoint2D& p) {
    kelm_xform2d_put_origin(m_, p);
}
void KelmXform2D::origin(const double* const p) {
    kelm_xform2d_put_origin(m_, p);
}
void KelmXform2D::origin(double x, double y) {
    kelm_xform2d_put_origin(m_, x, y);
}
void KelmXform2D::origin(ListOfDouble* l) {
    kelm_xform2d_put_origin(m_, l);
}

void KelmXform2D::put_identity() {
    kelm_xform2d_put_identity(m_);
}
void KelmXform2D::put_alldirs(const KelmXform2D& src) {
    kelm_xform2d_put_alldirs(m_, src.data());
}
void KelmXform2D::put_dirs(const KelmDirection2D& x) {
    kelm_xform2d_put_dirs(m_, x.data());
}
void KelmXform2D::put_cto(const KelmDirection2D& x, const KelmDirection2D& y,
                          const KelmPoint2D& origin, double scale) {
    kelm_xform2d_put_cto(m_, x.data(), y.data(), origin.data(), scale);
}
void KelmXform2D::put_rotation(double angle, KelmUnit unit) {
    kelm_xform2d_put_rotation(m_, angle, unit);
}

// ---- Construction ----------------------------------------------------------

void kelm_xform2d_put(double* const r, const double* const src) {
    const double* m = or_identity2d(src);
    if (m == r) return;
    double out[9];
    for (int i = 0; i < 9; ++i) out[i] = m[i];
    for (int i = 0; i < 9; ++i) r[i] = out[i];
}
void kelm_xform2d_put(double* const r, const KelmXform2D& src) {
    kelm_xform2d_put(r, src.data());
}

void kelm_xform2d_put_identity(double* const r) {
    kelm_xform2d_put(r, kelm_xform2d_identity);
}

void kelm_xform2d_put_origin(double* const r, const double* const p) {
    const double* v = or_zero2d(p);
    const double x = v[0], y = v[1];
    r[6] = x;
    r[7] = y;
    r[8] = 1.0;
}
void kelm_xform2d_put_origin(double* const r, const KelmPoint2D& p) {
    kelm_xform2d_put_origin(r, p.data());
}
void kelm_xform2d_put_origin(double* const r, double x, double y) {
    const double p[2] = {x, y};
    kelm_xform2d_put_origin(r, p);
}
void kelm_xform2d_put_origin(double* const r, ListOfDouble* l) {
    double p[2];
    kelm_internal::put_from_list(p, 2, l);
    kelm_xform2d_put_origin(r, p);
}

void kelm_xform2d_put_xdir(double* const r, const double* const v) {
    put_axis(r, 0, or_zero2d(v));
}
void kelm_xform2d_put_xdir(double* const r, const KelmDirection2D& v) {
    kelm_xform2d_put_xdir(r, v.data());
}
void kelm_xform2d_put_xdir(double* const r, double i, double j) {
    const double v[2] = {i, j};
    kelm_xform2d_put_xdir(r, v);
}
void kelm_xform2d_put_xdir(double* const r, ListOfDouble* l) {
    double v[2];
    kelm_internal::put_from_list(v, 2, l);
    kelm_xform2d_put_xdir(r, v);
}

void kelm_xform2d_put_ydir(double* const r, const double* const v) {
    put_axis(r, 3, or_zero2d(v));
}
void kelm_xform2d_put_ydir(double* const r, const KelmDirection2D& v) {
    kelm_xform2d_put_ydir(r, v.data());
}
void kelm_xform2d_put_ydir(double* const r, double i, double j) {
    const double v[2] = {i, j};
    kelm_xform2d_put_ydir(r, v);
}
void kelm_xform2d_put_ydir(double* const r, ListOfDouble* l) {
    double v[2];
    kelm_internal::put_from_list(v, 2, l);
    kelm_xform2d_put_ydir(r, v);
}

// Copied x first, then y: an argument may be its own target slot only.
void kelm_xform2d_put_alldirs(double* const r, const double* const x, const double* const y) {
    put_axis(r, 0, or_zero2d(x));
    put_axis(r, 3, or_zero2d(y));
}
void kelm_xform2d_put_alldirs(double* const r, const double* const src) {
    const double* m = or_identity2d(src);
    kelm_xform2d_put_alldirs(r, m, m + 3);
}

void kelm_xform2d_put_dirs(double* const r, const double* const x) {
    // Tested as given, before normalising: a tiny x counts as missing.
    double xx[2], yy[2];
    if (!x || is_negligible(x)) {
        kelm_vec2d_put(xx, 1.0, 0.0);
    } else {
        kelm_vec2d_normalize(xx, x);
    }
    kelm_vec2d_put(yy, -xx[1], xx[0]);
    put_axes(r, xx, yy);
}

void kelm_xform2d_put_cto(double* const r, const double* const x, const double* const y,
                          const double* const origin, double scale) {
    double xx[2], yy[2];
    kelm_vec2d_normalize(xx, or_zero2d(x));
    if (is_negligible(xx)) {
        // No usable x: the frame is built from y alone.
        kelm_vec2d_normalize(yy, or_zero2d(y));
        if (is_negligible(yy)) {
            kelm_vec2d_put(xx, 1.0, 0.0);
            kelm_vec2d_put(yy, 0.0, 1.0);
        } else {
            kelm_vec2d_put(xx, yy[1], -yy[0]);
        }
    } else {
        // y only picks the side of Y; its length and exact direction are unused.
        const bool flip = y && !is_negligible(y) && y[0] * -xx[1] + y[1] * xx[0] < 0.0;
        if (flip) {
            kelm_vec2d_put(yy, xx[1], -xx[0]);
        } else {
            kelm_vec2d_put(yy, -xx[1], xx[0]);
        }
    }
    put_axes(r, xx, yy);
    // The origin is read only after the axes are in place.
    kelm_xform2d_put_origin(r, origin);
    if (kelm_internal::uniform_scale_applies(scale)) scale_rows(r, r, scale, scale);
}

void kelm_xform2d_put_rotation(double* const r, double angle, KelmUnit unit) {
    if (unit == kelm_unit_deg) angle *= kelm_internal::kDegreesToRadians;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    double x[2] = {c, s};
    double y[2] = {-s, c};
    // Quarter turns give exact zeros instead of cos(pi/2) noise. The slots are
    // cleared after the matrix is formed, so that -s never leaves a -0.0 behind.
    if (std::fabs(c) < kNegligible) x[0] = y[1] = 0.0;
    if (std::fabs(s) < kNegligible) x[1] = y[0] = 0.0;
    put_axes(r, x, y);
}

void kelm_xform2d_normalize(double* const r, const double* const src) {
    const double* m = or_identity2d(src);
    double x[2], y[2];
    kelm_vec2d_normalize(x, m);
    kelm_vec2d_normalize(y, m + 3);
    r[0] = x[0];
    r[1] = x[1];
    r[3] = y[0];
    r[4] = y[1];
}
void kelm_xform2d_normalize(double* const r) {
    kelm_xform2d_normalize(r, r);
}
void kelm_xform2d_normalize(KelmXform2D& r, const KelmXform2D& src) {
    kelm_xform2d_normalize(r.data(), src.data());
}
void kelm_xform2d_normalize(KelmXform2D& r) {
    kelm_xform2d_normalize(r.data(), r.data());
}

// ---- Operations ------------------------------------------------------------

void kelm_xform2d_compose(double* const r, const double* const a, const double* const b) {
    const double* x = or_identity2d(a);
    const double* y = or_identity2d(b);
    double out[9];
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
            out[3 * col + row] =
                x[row] * y[3 * col] + x[3 + row] * y[3 * col + 1] + x[6 + row] * y[3 * col + 2];
        }
    }
    kelm_xform2d_put(r, out);
}
void kelm_xform2d_compose(KelmXform2D& r, const KelmXform2D& a, const KelmXform2D& b) {
    kelm_xform2d_compose(r.data(), a.data(), b.data());
}

int kelm_xform2d_inverse(double* const r, const double* const m) {
    double in[9], adj[9];
    kelm_xform2d_put(in, m);
    adjugate(adj, in);
    const double det = det_from(in, adj);
    if (det == 0.0) {  // exact test, as in 3D
        kelm_xform2d_put_identity(r);
        return 0;
    }
    for (int i = 0; i < 9; ++i) r[i] = adj[i] / det;
    return 1;
}
int kelm_xform2d_inverse(KelmXform2D& r, const KelmXform2D& m) {
    return kelm_xform2d_inverse(r.data(), m.data());
}

double kelm_xform2d_det(const double* const m) {
    const double* t = or_identity2d(m);
    double adj[9];
    adjugate(adj, t);
    return det_from(t, adj);
}
double kelm_xform2d_det(const KelmXform2D& m) {
    return kelm_xform2d_det(m.data());
}

// Unlike 3D there is no projective division: the bottom row is never read.
void kelm_xform2d_apply(double* const r, const double* const m, const double* const p) {
    const double* t = or_identity2d(m);
    const double* v = or_zero2d(p);
    const double x = t[0] * v[0] + t[3] * v[1] + t[6];
    const double y = t[1] * v[0] + t[4] * v[1] + t[7];
    r[0] = x;
    r[1] = y;
}
void kelm_xform2d_apply(KelmPoint2D& r, const KelmXform2D& m, const KelmPoint2D& p) {
    kelm_xform2d_apply(r.data(), m.data(), p.data());
}
void kelm_xform2d_apply(double* const r, const KelmXform2D& m, const double* const p) {
    kelm_xform2d_apply(r, m.data(), p);
}
void kelm_xform2d_apply(double& x, double& y, const KelmXform2D& m, double px, double py) {
    double v[2] = {px, py};
    kelm_xform2d_apply(v, m.data(), v);
    x = v[0];
    y = v[1];
}

void kelm_xform2d_apply_dir(double* const r, const double* const m, const double* const d) {
    const double* t = or_identity2d(m);
    const double* v = or_zero2d(d);
    const double x = t[0] * v[0] + t[3] * v[1];
    const double y = t[1] * v[0] + t[4] * v[1];
    r[0] = x;
    r[1] = y;
}
void kelm_xform2d_apply_dir(KelmDirection2D& r, const KelmXform2D& m, const KelmDirection2D& d) {
    kelm_xform2d_apply_dir(r.data(), m.data(), d.data());
}
void kelm_xform2d_apply_dir(double* const r, const KelmXform2D& m, const double* const d) {
    kelm_xform2d_apply_dir(r, m.data(), d);
}
void kelm_xform2d_apply_dir(double& x, double& y, const KelmXform2D& m, double dx, double dy) {
    double v[2] = {dx, dy};
    kelm_xform2d_apply_dir(v, m.data(), v);
    x = v[0];
    y = v[1];
}

void kelm_xform2d_scale(double* const r, const double* const src, double s) {
    if (kelm_internal::uniform_scale_applies(s)) {
        scale_rows(r, or_identity2d(src), s, s);
    } else {
        kelm_xform2d_put(r, src);
    }
}
void kelm_xform2d_scale(double* const r, const double* const src, double sx, double sy) {
    scale_rows(r, or_identity2d(src), axis_factor(sx), axis_factor(sy));
}
void kelm_xform2d_scale(KelmXform2D& r, const KelmXform2D& src, double s) {
    kelm_xform2d_scale(r.data(), src.data(), s);
}
void kelm_xform2d_scale(KelmXform2D& r, const KelmXform2D& src, double sx, double sy) {
    kelm_xform2d_scale(r.data(), src.data(), sx, sy);
}

int kelm_xform2d_transform_to(double* const r, const double* const a, const double* const b) {
    double inv[9];
    if (!kelm_xform2d_inverse(inv, a)) return 0;  // r stays as it was
    kelm_xform2d_compose(r, b, inv);
    return 1;
}
int kelm_xform2d_transform_to(KelmXform2D& r, const KelmXform2D& a, const KelmXform2D& b) {
    return kelm_xform2d_transform_to(r.data(), a.data(), b.data());
}

int kelm_xform2d_is_identity(const double* const m, double eps) {
    return all_within(or_identity2d(m), kelm_xform2d_identity, kAllIndices, 9, eps);
}
int kelm_xform2d_is_identity(const KelmXform2D& m, double eps) {
    return kelm_xform2d_is_identity(m.data(), eps);
}
int kelm_xform2d_is_dir_identity(const double* const m, double eps) {
    return all_within(or_identity2d(m), kelm_xform2d_identity, kAxisIndices, 4, eps);
}
int kelm_xform2d_is_dir_identity(const KelmXform2D& m, double eps) {
    return kelm_xform2d_is_dir_identity(m.data(), eps);
}
int kelm_xform2d_is_equal(const double* const a, const double* const b, double eps) {
    return all_within(or_identity2d(a), or_identity2d(b), kAllIndices, 9, eps);
}
int kelm_xform2d_is_equal(const KelmXform2D& a, const KelmXform2D& b, double eps) {
    return kelm_xform2d_is_equal(a.data(), b.data(), eps);
}
