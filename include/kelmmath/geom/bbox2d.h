#ifndef KELMMATH_GEOM_BBOX2D_H
#define KELMMATH_GEOM_BBOX2D_H

#include <type_traits>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/geom/xform2d.h"
#include "kelmmath/kelmmath_export.h"

// Axis-aligned box of the plane: the twin of KelmBoundingBox (bbox.h) over x and
// y, with the same emptiness, growth, tolerance and intersection rules.
//
// A box is exactly two 2D points, the minimum then the maximum: its four doubles
// lie in the order minx, miny, maxx, maxy. A new or cleared box holds
// KELM_NULL_REAL in all four and is empty when its minimum x equals
// KELM_NULL_REAL. Each coordinate accessor has a second name: minu() = minx(),
// minv() = miny(), maxu() = maxx(), maxv() = maxy().
//
// update(...) takes a box, a point (KelmPoint2D, double[2], x y), a
// KelmReal2DArray or a ListOfDouble* (its first two values, 0.0 for a missing
// one, the origin for a null list); each without a transform, with a
// KelmXform2D or with a double[9] (null is the identity). Points are mapped by
// kelm_xform2d_apply, a null double[9] included (forms without a transform add
// points exactly as given); a box adds its four mapped corners, or itself as it
// stands under a null double[9]. A null point pointer, an empty box and an array
// with no points change nothing. An array grows the box by its (max x, max y)
// point and then by its (min x, min y) point.
//
// contains(..., tol) and intersects(..., tol) use inclusive bounds widened by
// tol (a negative tol shrinks the box); an empty box contains and intersects
// nothing, and an array must have at least one point to be contained or to
// intersect. Boxes that only share an edge or a corner intersect at tol 0.0.
class KELMMATH_API KelmBoundingBox2D {
public:
    KelmBoundingBox2D();

    void clear();
    int is_empty() const;

    KelmPoint2D& minpt() { return min_; }
    const KelmPoint2D& minpt() const { return min_; }
    KelmPoint2D& maxpt() { return max_; }
    const KelmPoint2D& maxpt() const { return max_; }

    double minx() const { return min_.x(); }
    double miny() const { return min_.y(); }
    double maxx() const { return max_.x(); }
    double maxy() const { return max_.y(); }
    double minu() const { return min_.x(); }
    double minv() const { return min_.y(); }
    double maxu() const { return max_.x(); }
    double maxv() const { return max_.y(); }

    KelmPoint2D centerpt() const;
    double diagonal() const;
    double longside() const;
    double shortside() const;

    void update(const KelmBoundingBox2D& box);
    void update(const KelmBoundingBox2D& box, const KelmXform2D& m);
    void update(const KelmBoundingBox2D& box, const double* const m);

    void update(const KelmPoint2D& p);
    void update(const KelmPoint2D& p, const KelmXform2D& m);
    void update(const KelmPoint2D& p, const double* const m);
    void update(const double* const p);
    void update(const double* const p, const KelmXform2D& m);
    void update(const double* const p, const double* const m);
    void update(double x, double y);
    void update(double x, double y, const KelmXform2D& m);
    void update(double x, double y, const double* const m);

    void update(const KelmReal2DArray& points);
    void update(const KelmReal2DArray& points, const KelmXform2D& m);
    void update(const KelmReal2DArray& points, const double* const m);

    void update(ListOfDouble* l);
    void update(ListOfDouble* l, const KelmXform2D& m);
    void update(ListOfDouble* l, const double* const m);

    int contains(const KelmBoundingBox2D& box, double tol) const;
    int contains(const KelmPoint2D& p, double tol) const;
    int contains(const double* const p, double tol) const;
    int contains(double x, double y, double tol) const;
    int contains(const KelmReal2DArray& points, double tol) const;
    int contains(ListOfDouble* l, double tol) const;

    int intersects(const KelmBoundingBox2D& box, double tol) const;
    int intersects(const KelmReal2DArray& points, double tol) const;

private:
    KelmPoint2D min_;
    KelmPoint2D max_;
};

static_assert(sizeof(KelmBoundingBox2D) == 4 * sizeof(double) &&
                  std::is_standard_layout<KelmBoundingBox2D>::value &&
                  std::is_trivially_copyable<KelmBoundingBox2D>::value,
              "KelmBoundingBox2D must be exactly its two points");

// The overlap of a and b, written to result (which may be a or b), by the rules
// of kelm_bounds_intersect over x and y: 0 and an empty result when a or b is
// empty; (lo, hi) and 1 for a strict overlap on both axes; otherwise 0 and an
// empty result at tol exactly 0.0; otherwise 1 with the contact or gap spanned
// when hi + tol > lo on both axes, else 0 and an empty result.
KELMMATH_API int kelm_bounds2d_intersect(KelmBoundingBox2D& result, const KelmBoundingBox2D& a,
                                         const KelmBoundingBox2D& b, double tol);

#endif  // KELMMATH_GEOM_BBOX2D_H
