#include "kelmmath/geom/bbox.h"

#include <algorithm>

#include "geom/internal_bbox.h"
#include "kelmmath/geom/vector.h"

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
        r[2] = p[2];
    }
};

// Points given with a transform always go through kelm_xform_apply, even when the
// transform is null: the identity is then applied arithmetically (-0.0 becomes 0.0,
// a point with an infinite coordinate maps to NaNs), exactly as the apply function
// does it. Only the forms without a transform take the point as it stands.
struct Through {
    const double* m;
    void operator()(double* r, const double* p) const { kelm_xform_apply(r, m, p); }
};

// Adds the image of p under map; a null p changes nothing.
template <class Map>
void add_point(double* mn, double* mx, const double* p, Map map) {
    if (p == nullptr) return;
    double q[3];
    map(q, p);
    box_add_point<3>(mn, mx, q);
}

}  // namespace

KelmBoundingBox::KelmBoundingBox() {
    clear();
}

void KelmBoundingBox::clear() {
    kelm_internal::box_clear<3>(min_.data(), max_.data());
}

int KelmBoundingBox::is_empty() const {
    return kelm_internal::box_is_empty<3>(min_.data());
}

KelmPoint KelmBoundingBox::centerpt() const {
    KelmPoint center;
    if (!is_empty()) kelm_pt_midpoint(center.data(), min_.data(), max_.data());
    return center;
}

double KelmBoundingBox::diagonal() const {
    return is_empty() ? 0.0 : kelm_pt_distance(min_.data(), max_.data());
}

double KelmBoundingBox::longside() const {
    if (is_empty()) return 0.0;
    return std::max({maxx() - minx(), maxy() - miny(), maxz() - minz()});
}

double KelmBoundingBox::shortside() const {
    if (is_empty()) return 0.0;
    return std::min({maxx() - minx(), maxy() - miny(), maxz() - minz()});
}

// --- update: boxes ---------------------------------------------------------

void KelmBoundingBox::update(const KelmBoundingBox& box) {
    update(box, kNoTransform);
}
void KelmBoundingBox::update(const KelmBoundingBox& box, const KelmXform& m) {
    update(box, m.data());
}
void KelmBoundingBox::update(const KelmBoundingBox& box, const double* const m) {
    if (m == nullptr) {
        box_add_box<3>(min_.data(), max_.data(), box.min_.data(), box.max_.data());
    } else {
        box_add_corners<3>(min_.data(), max_.data(), box.min_.data(), box.max_.data(), Through{m});
    }
}
void KelmBoundingBox::update(const KelmBoundingBox* box) {
    if (box != nullptr) update(*box);
}

// --- update: points --------------------------------------------------------

void KelmBoundingBox::update(const KelmPoint& p) {
    update(p.data());
}
void KelmBoundingBox::update(const KelmPoint& p, const KelmXform& m) {
    update(p.data(), m.data());
}
void KelmBoundingBox::update(const KelmPoint& p, const double* const m) {
    update(p.data(), m);
}
void KelmBoundingBox::update(const double* const p) {
    add_point(min_.data(), max_.data(), p, AsIs());
}
void KelmBoundingBox::update(const double* const p, const KelmXform& m) {
    update(p, m.data());
}
void KelmBoundingBox::update(const double* const p, const double* const m) {
    add_point(min_.data(), max_.data(), p, Through{m});
}
void KelmBoundingBox::update(double x, double y, double z) {
    const double p[3] = {x, y, z};
    update(p);
}
void KelmBoundingBox::update(double x, double y, double z, const KelmXform& m) {
    update(x, y, z, m.data());
}
void KelmBoundingBox::update(double x, double y, double z, const double* const m) {
    const double p[3] = {x, y, z};
    update(p, m);
}

// --- update: point arrays and lists ----------------------------------------

void KelmBoundingBox::update(const KelmReal3DArray& points) {
    box_add_points<3>(min_.data(), max_.data(), points.data(), points.size(), AsIs());
}
void KelmBoundingBox::update(const KelmReal3DArray& points, const KelmXform& m) {
    update(points, m.data());
}
void KelmBoundingBox::update(const KelmReal3DArray& points, const double* const m) {
    box_add_points<3>(min_.data(), max_.data(), points.data(), points.size(), Through{m});
}

void KelmBoundingBox::update(ListOfDouble* l) {
    double p[3];
    kelm_vec_put(p, l);
    update(p);
}
void KelmBoundingBox::update(ListOfDouble* l, const KelmXform& m) {
    update(l, m.data());
}
void KelmBoundingBox::update(ListOfDouble* l, const double* const m) {
    double p[3];
    kelm_vec_put(p, l);
    update(p, m);
}

// --- contains and intersects -----------------------------------------------

int KelmBoundingBox::contains(const KelmBoundingBox& box, double tol) const {
    return kelm_internal::box_contains_box<3>(min_.data(), max_.data(), box.min_.data(),
                                              box.max_.data(), tol);
}
int KelmBoundingBox::contains(const KelmPoint& p, double tol) const {
    return contains(p.data(), tol);
}
int KelmBoundingBox::contains(const double* const p, double tol) const {
    return kelm_internal::box_contains_point<3>(min_.data(), max_.data(), p, tol);
}
int KelmBoundingBox::contains(double x, double y, double z, double tol) const {
    const double p[3] = {x, y, z};
    return contains(p, tol);
}
int KelmBoundingBox::contains(const KelmReal3DArray& points, double tol) const {
    return kelm_internal::box_contains_points<3>(min_.data(), max_.data(), points.data(),
                                                 points.size(), tol);
}
int KelmBoundingBox::contains(ListOfDouble* l, double tol) const {
    double p[3];
    kelm_vec_put(p, l);
    return contains(p, tol);
}

int KelmBoundingBox::intersects(const KelmBoundingBox& box, double tol) const {
    return kelm_internal::box_overlaps<3>(min_.data(), max_.data(), box.min_.data(),
                                          box.max_.data(), tol);
}
int KelmBoundingBox::intersects(const KelmReal3DArray& points, double tol) const {
    return kelm_internal::box_meets_points<3>(min_.data(), max_.data(), points.data(),
                                              points.size(), tol);
}

int kelm_bounds_intersect(KelmBoundingBox& result, const KelmBoundingBox& a,
                          const KelmBoundingBox& b, double tol) {
    return kelm_internal::box_intersect<3>(result.minpt().data(), result.maxpt().data(),
                                           a.minpt().data(), a.maxpt().data(), b.minpt().data(),
                                           b.maxpt().data(), tol);
}
