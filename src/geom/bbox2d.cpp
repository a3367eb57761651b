#include "kelmmath/geom/bbox2d.h"

#include <algorithm>

#include "geom/internal_bbox.h"
#include "kelmmath/geom/vector2d.h"

namespace {

using kelm_internal::box_add_box;
using kelm_internal::box_add_corners;
using kelm_internal::box_add_point;
using kelm_internal::box_add_points;

// A box given without a transform, or with a null one, is added as it stands.
const double* const kNoTransform = nullptr;

struct AsIs {
    void operator()(double* r, const double* p) const {
        r[0] = p[0];
        r[1] = p[1];
    }
};

// Points given with a transform always go through kelm_xform2d_apply, even when the
// transform is null: the identity is then applied arithmetically (-0.0 becomes 0.0,
// an infinite coordinate makes the other one NaN), exactly as the apply function does
// it. Only the forms without a transform take the point as it stands.
struct Through {
    const double* m;
    void operator()(double* r, const double* p) const { kelm_xform2d_apply(r, m, p); }
};

// Adds the image of p under map; a null p changes nothing.
template <class Map>
void add_point(double* mn, double* mx, const double* p, Map map) {
    if (p == nullptr) return;
    double q[2];
    map(q, p);
    box_add_point<2>(mn, mx, q);
}

}  // namespace

KelmBoundingBox2D::KelmBoundingBox2D() {
    clear();
}

void KelmBoundingBox2D::clear() {
    kelm_internal::box_clear<2>(min_.data(), max_.data());
}

int KelmBoundingBox2D::is_empty() const {
    return kelm_internal::box_is_empty<2>(min_.data());
}

KelmPoint2D KelmBoundingBox2D::centerpt() const {
    KelmPoint2D center;
    if (!is_empty()) kelm_pt2d_midpoint(center.data(), min_.data(), max_.data());
    return center;
}

double KelmBoundingBox2D::diagonal() const {
    return is_empty() ? 0.0 : kelm_pt2d_distance(min_.data(), max_.data());
}

double KelmBoundingBox2D::longside() const {
    if (is_empty()) return 0.0;
    return std::max(maxx() - minx(), maxy() - miny());
}

double KelmBoundingBox2D::shortside() const {
    if (is_empty()) return 0.0;
    return std::min(maxx() - minx(), maxy() - miny());
}

// --- update: boxes ---------------------------------------------------------

void KelmBoundingBox2D::update(const KelmBoundingBox2D& box) {
    update(box, kNoTransform);
}
void KelmBoundingBox2D::update(const KelmBoundingBox2D& box, const KelmXform2D& m) {
    update(box, m.data());
}
void KelmBoundingBox2D::update(const KelmBoundingBox2D& box, const double* const m) {
    if (m == nullptr) {
        box_add_box<2>(min_.data(), max_.data(), box.min_.data(), box.max_.data());
    } else {
        box_add_corners<2>(min_.data(), max_.data(), box.min_.data(), box.max_.data(), Through{m});
    }
}

// --- update: points --------------------------------------------------------

void KelmBoundingBox2D::update(const KelmPoint2D& p) {
    update(p.data());
}
void KelmBoundingBox2D::update(const KelmPoint2D& p, const KelmXform2D& m) {
    update(p.data(), m.data());
}
void KelmBoundingBox2D::update(const KelmPoint2D& p, const double* const m) {
    update(p.data(), m);
}
void KelmBoundingBox2D::update(const double* const p) {
    add_point(min_.data(), max_.data(), p, AsIs());
}
void KelmBoundingBox2D::update(const double* const p, const KelmXform2D& m) {
    update(p, m.data());
}
void KelmBoundingBox2D::update(const double* const p, const double* const m) {
    add_point(min_.data(), max_.data(), p, Through{m});
}
void KelmBoundingBox2D::update(double x, double y) {
    const double p[2] = {x, y};
    update(p);
}
void KelmBoundingBox2D::update(double x, double y, const KelmXform2D& m) {
    update(x, y, m.data());
}
void KelmBoundingBox2D::update(double x, double y, const double* const m) {
    const double p[2] = {x, y};
    update(p, m);
}

// --- update: point arrays and lists ----------------------------------------

void KelmBoundingBox2D::update(const KelmReal2DArray& points) {
    box_add_points<2>(min_.data(), max_.data(), points.data(), points.size(), AsIs());
}
void KelmBoundingBox2D::update(const KelmReal2DArray& points, const KelmXform2D& m) {
    update(points, m.data());
}
void KelmBoundingBox2D::update(const KelmReal2DArray& points, const double* const m) {
    box_add_points<2>(min_.data(), max_.data(), points.data(), points.size(), Through{m});
}

void KelmBoundingBox2D::update(ListOfDouble* l) {
    double p[2];
    kelm_vec2d_put(p, l);
    update(p);
}
void KelmBoundingBox2D::update(ListOfDouble* l, const KelmXform2D& m) {
    update(l, m.data());
}
void KelmBoundingBox2D::update(ListOfDouble* l, const double* const m) {
    double p[2];
    kelm_vec2d_put(p, l);
    update(p, m);
}

// --- contains and intersects -----------------------------------------------

int KelmBoundingBox2D::contains(const KelmBoundingBox2D& box, double tol) const {
    return kelm_internal::box_contains_box<2>(min_.data(), max_.data(), box.min_.data(),
                                              box.max_.data(), tol);
}
int KelmBoundingBox2D::contains(const KelmPoint2D& p, double tol) const {
    return contains(p.data(), tol);
}
int KelmBoundingBox2D::contains(const double* const p, double tol) const {
    return kelm_internal::box_contains_point<2>(min_.data(), max_.data(), p, tol);
}
int KelmBoundingBox2D::contains(double x, double y, double tol) const {
    const double p[2] = {x, y};
    return contains(p, tol);
}
int KelmBoundingBox2D::contains(const KelmReal2DArray& points, double tol) const {
    return kelm_internal::box_contains_points<2>(min_.data(), max_.data(), points.data(),
                                                 points.size(), tol);
}
int KelmBoundingBox2D::contains(ListOfDouble* l, double tol) const {
    double p[2];
    kelm_vec2d_put(p, l);
    return contains(p, tol);
}

int KelmBoundingBox2D::intersects(const KelmBoundingBox2D& box, double tol) const {
    return kelm_internal::box_overlaps<2>(min_.data(), max_.data(), box.min_.data(),
                                          box.max_.data(), tol);
}
int KelmBoundingBox2D::intersects(const KelmReal2DArray& points, double tol) const {
    return kelm_internal::box_meets_points<2>(min_.data(), max_.data(), points.data(),
                                              points.size(), tol);
}

int kelm_bounds2d_intersect(KelmBoundingBox2D& result, const KelmBoundingBox2D& a,
                            const KelmBoundingBox2D& b, double tol) {
    return kelm_internal::box_intersect<2>(result.minpt().data(), result.maxpt().data(),
                                           a.minpt().data(), a.maxpt().data(), b.minpt().data(),
                                           b.maxpt().data(), tol);
}
