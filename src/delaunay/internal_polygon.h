#ifndef KELMMATH_SRC_DELAUNAY_INTERNAL_POLYGON_H
#define KELMMATH_SRC_DELAUNAY_INTERNAL_POLYGON_H

#include <cstdint>
#include <vector>

#include "core/internal_hash.h"

namespace kelm_internal {

// Sign of the orientation of (a, b, c): 1 counter-clockwise, -1 clockwise, 0
// collinear, exact for every finite input (a floating filter, then an exact
// expansion sum of the six products).
int orient2dExact(const double* a, const double* b, const double* c);

// An edge of the arrangement: vertices a < b, the number of ring segments
// covering it, and their net direction (+1 for each segment running a to b, -1
// for each running b to a).
struct ArrangementEdge {
    unsigned a, b;
    int count;
    int winding;
};

// Points closer than tol are one vertex: snaps points into an index of cells
// of side tol and hands back the first vertex within tol, or adds a new one.
class VertexSnap {
public:
    VertexSnap(std::vector<double>* xy, double minx, double miny, double tol);
    unsigned find(double x, double y) const;  // a vertex within tol, or KELM_NONE
    unsigned add(double x, double y);  // find, else append; first indexes vertices appended since
    void index(unsigned v);            // makes vertex v findable (v from 0 up, in order)
    void reserve(std::size_t n);       // room for n vertices in the index

private:
    std::uint64_t key(long long ix, long long iy) const;
    long long cell(double v, double lo) const;
    std::vector<double>* xy_;
    double minx_, miny_, tol_;
    std::vector<unsigned> next_;  // the chain of vertices in a cell
    U64Map<unsigned> head_;       // the newest vertex of a cell
};

// Turns ring segments (pairs of vertex indices into xy) into a planar
// arrangement: splits each segment at every vertex within tol of its interior,
// cuts crossing segments at their crossing point (appended to xy, or snapped
// to a vertex within tol), repeats until nothing changes, and merges identical
// pieces. Edges come out sorted by (a, b).
std::vector<ArrangementEdge> arrangeSegments(std::vector<double>* xy,
                                             std::vector<unsigned> segments, double tol);

// The rings' points into points, those closer than the tolerance sharing the
// first one's vertex, and the rings' segments as vertex pairs (repeats in a
// row dropped). tol = 1e-12 * the larger side of the points' box + 16 eps *
// the largest absolute coordinate.
std::vector<unsigned> snapRings(const std::vector<std::vector<double>>& rings,
                                std::vector<double>* points, double* tol, unsigned* input_points);

}  // namespace kelm_internal

#endif  // KELMMATH_SRC_DELAUNAY_INTERNAL_POLYGON_H
