#ifndef KELMMATH_DELAUNAY_POLYGON_H
#define KELMMATH_DELAUNAY_POLYGON_H

#include <memory>

#include "kelmmath/core/constants.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/kelmmath_export.h"

namespace kelm_internal {
class PolygonState;
}

// Fill rules of KelmPolygon2D: which points of the plane the rings enclose.
// Even-odd: a point is inside when a ray from it crosses the rings an odd
// number of times. Non-zero: inside when the rings wind around it a non-zero
// number of times (a counter-clockwise ring adds 1, a clockwise ring takes 1).
enum KelmFillRule { KELM_FILL_EVEN_ODD = 0, KELM_FILL_NON_ZERO = 1 };

// Triangulation of a planar region given by closed rings as they come from
// drawings and map tiles: rings may touch, share segments, run back over
// themselves, cross each other or themselves. Built on KelmDelaunay2D.
//
// Input. addRing takes one closed ring of count points (x, y); the closing
// repeat of the first point and consecutive repeats are dropped. A ring with a
// coordinate that is NaN or infinite is refused with an error and nothing of it
// is kept; a ring with fewer than 3 distinct points is skipped with a warning.
// Both return 0; a kept ring returns 1. A null xy reads as no points.
//
// Triangulation. triangulate(rule) builds the result from all rings added so
// far and returns 1, or reports through the error context and returns 0 with
// an empty result (no rings, an unknown rule, a point or segment the
// triangulator refuses, or inside labels that disagree). Steps:
// - Output vertices: the rings' points first, in input order, each distinct
//   point once (points closer than the tolerance share the first one's
//   vertex); then the crossing points of segments, appended; then, rarely,
//   midpoints of a segment that the triangulator could not force in whole
//   (each half is forced instead).
// - Tolerance: tol = 1e-12 * max(width, height) + 16 * DBL_EPSILON * (largest
//   absolute coordinate), from the box of all points (getTolerance). A point
//   within tol of a segment, away from its ends, lies on it: the segment is
//   split there. Segments that cross are cut at their crossing point, found
//   with exact orientation tests. Collinear overlapping pieces are merged
//   into one edge that keeps how many segments cover it and their net
//   direction.
// - Border: an edge bounds the region from its coverage, never per segment:
//   an odd count under even-odd; for non-zero, the winding numbers on its two
//   sides, one zero and one not. Only edges that can bound the region are
//   forced into the triangulation, so a spike or a doubled segment adds its
//   points but no constraint.
// - Labels: every triangle gets a winding number (even-odd: a crossing count)
//   by walking from the outside across the edges; a triangle reached with two
//   values, an inside triangle using a corner of the enclosing triangle, or a
//   triangle on which the triangulator's own parity labelling disagrees makes
//   the call fail with an error.
//
// Result. getPointCount / getPoint give the output vertices (getPoint points
// into the list: x, y as given); getInputPointCount is how many of them come
// from the rings. getTriangle gives the inside triangles as vertex indices,
// counter-clockwise. The result stays until the next triangulate or clear.
// Getters do not check their indices.
//
// clear() drops the rings and the result. Objects are used by one thread at a
// time; copies are not allowed, moves are.
class KELMMATH_API KelmPolygon2D {
public:
    KelmPolygon2D();
    ~KelmPolygon2D();
    KelmPolygon2D(const KelmPolygon2D&) = delete;
    KelmPolygon2D& operator=(const KelmPolygon2D&) = delete;
    KelmPolygon2D(KelmPolygon2D&& other) noexcept;
    KelmPolygon2D& operator=(KelmPolygon2D&& other) noexcept;

    int addRing(const double* xy, unsigned count);
    int addRing(const KelmReal2DArray& ring);
    unsigned getRingCount() const;
    void clear();

    int triangulate(int rule);

    double getTolerance() const;
    unsigned getInputPointCount() const;
    unsigned getPointCount() const;
    const double* getPoint(unsigned i) const;
    unsigned getTriangleCount() const;
    void getTriangle(unsigned* a, unsigned* b, unsigned* c, unsigned tri) const;

private:
    std::unique_ptr<kelm_internal::PolygonState> state_;
};

#endif  // KELMMATH_DELAUNAY_POLYGON_H
