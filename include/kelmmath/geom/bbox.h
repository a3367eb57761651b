#ifndef KELMMATH_GEOM_BBOX_H
#define KELMMATH_GEOM_BBOX_H

#include <type_traits>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/geom/xform.h"
#include "kelmmath/kelmmath_export.h"

// Axis-aligned box of 3D space.
//
// A box is exactly two points, the minimum then the maximum, so its six doubles
// lie in the order minx, miny, minz, maxx, maxy, maxz. It owns no heap storage;
// copies copy the six values.
//
// Emptiness. A new or cleared box holds KELM_NULL_REAL in all six values. A box
// is empty when, and only when, its minimum x equals KELM_NULL_REAL (ordered
// equality: a NaN minimum is not empty); the other five values are not looked
// at. An empty box contains nothing and intersects nothing.
//
// Measures. minx() ... maxz() return the stored values as they are (the null
// real for an empty box). centerpt() is the midpoint of the two corners (the
// origin when empty); diagonal() their distance; longside() and shortside() the
// largest and smallest of the three extents (all 0.0 when empty). minpt() and
// maxpt() hand out the stored points themselves: nothing checks min <= max after
// a caller writes through them.
//
// update(...) grows the box so that it encloses the argument:
//   - a point (KelmPoint, double[3], x y z): an empty box becomes the point;
//     otherwise each bound moves out to the value where the value lies beyond it
//     (plain ordered comparisons, so a NaN never replaces a bound). A null point
//     pointer changes nothing.
//   - another box (reference or pointer): nothing for an empty or null box; an
//     empty box becomes a copy of it; otherwise the bounds move out.
//   - a point array: nothing when it has no points; otherwise the box is grown
//     by the point of the per-axis maxima of the array and then by the point of
//     the per-axis minima.
//   - a ListOfDouble*: the point made of its first three values (0.0 for each
//     missing one; a null list gives the origin, which is then added).
// Each form also comes with a transform (KelmXform or double[16]; a null
// double[16] is the identity): points are mapped by kelm_xform_apply before they
// are added, and a box adds its eight mapped corners, so the result encloses the
// moved box. A box with a null double[16] is added as it stands; a point always
// goes through kelm_xform_apply, so a null double[16] still turns -0.0 into 0.0
// and a point with an infinite coordinate into NaNs, while the forms without a
// transform add points exactly as given. The argument may be this box itself.
//
// contains(..., tol) and intersects(..., tol) use inclusive bounds widened by
// tol on every side (a negative tol shrinks the box): a point p is contained
// when min - tol <= p <= max + tol on x, y and z. A box is contained when it is
// not empty and both of its corners are; an array when it has at least one
// point and all of its points are; a null point pointer is not contained.
// intersects(box) is 1 when neither box is empty and, on every axis,
// min - tol <= other.max and other.min <= max + tol, so boxes that only share a
// face, an edge or a corner intersect at tol 0.0; intersects(array) is 1 when at
// least one point of the array is contained.
class KELMMATH_API KelmBoundingBox {
public:
    KelmBoundingBox();

    void clear();
    int is_empty() const;

    KelmPoint& minpt() { return min_; }
    const KelmPoint& minpt() const { return min_; }
    KelmPoint& maxpt() { return max_; }
    const KelmPoint& maxpt() const { return max_; }

    double minx() const { return min_.x(); }
    double miny() const { return min_.y(); }
    double minz() const { return min_.z(); }
    double maxx() const { return max_.x(); }
    double maxy() const { return max_.y(); }
    double maxz() const { return max_.z(); }

    KelmPoint centerpt() const;
    double diagonal() const;
    double longside() const;
    double shortside() const;

    void update(const KelmBoundingBox& box);
    void update(const KelmBoundingBox& box, const KelmXform& m);
    void update(const KelmBoundingBox& box, const double* const m);
    void update(const KelmBoundingBox* box);

    void update(const KelmPoint& p);
    void update(const KelmPoint& p, const KelmXform& m);
    void update(const KelmPoint& p, const double* const m);
    void update(const double* const p);
    void update(const double* const p, const KelmXform& m);
    void update(const double* const p, const double* const m);
    void update(double x, double y, double z);
    void update(double x, double y, double z, const KelmXform& m);
    void update(double x, double y, double z, const double* const m);

    void update(const KelmReal3DArray& points);
    void update(const KelmReal3DArray& points, const KelmXform& m);
    void update(const KelmReal3DArray& points, const double* const m);

    void update(ListOfDouble* l);
    void update(ListOfDouble* l, const KelmXform& m);
    void update(ListOfDouble* l, const double* const m);

    int contains(const KelmBoundingBox& box, double tol) const;
    int contains(const KelmPoint& p, double tol) const;
    int contains(const double* const p, double tol) const;
    int contains(double x, double y, double z, double tol) const;
    int contains(const KelmReal3DArray& points, double tol) const;
    int contains(ListOfDouble* l, double tol) const;

    int intersects(const KelmBoundingBox& box, double tol) const;
    int intersects(const KelmReal3DArray& points, double tol) const;

private:
    KelmPoint min_;
    KelmPoint max_;
};

static_assert(sizeof(KelmBoundingBox) == 6 * sizeof(double) &&
                  std::is_standard_layout<KelmBoundingBox>::value &&
                  std::is_trivially_copyable<KelmBoundingBox>::value,
              "KelmBoundingBox must be exactly its two points");

// The overlap of a and b, written to result (which may be a or b).
//
// Returns 0 and makes result empty when a or b is empty. Otherwise, per axis,
// lo is the larger minimum and hi the smaller maximum: when hi > lo on all three
// axes the result is (lo, hi) and 1. Boxes that only touch or are apart give 0
// and an empty result when tol is exactly 0.0; with another tol they give 1 when
// hi + tol > lo on every axis, and the result spans the contact or the gap
// between them on each axis (the smaller of lo and hi as minimum, never an
// inverted interval); otherwise 0 and an empty result.
KELMMATH_API int kelm_bounds_intersect(KelmBoundingBox& result, const KelmBoundingBox& a,
                                       const KelmBoundingBox& b, double tol);

#endif  // KELMMATH_GEOM_BBOX_H
