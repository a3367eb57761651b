#ifndef KELMMATH_GEOM_INTERNAL_BBOX_H
#define KELMMATH_GEOM_INTERNAL_BBOX_H

// The box arithmetic shared by KelmBoundingBox (N = 3) and KelmBoundingBox2D
// (N = 2), written once over the number of axes. A box is seen as two arrays of
// N doubles, its minimum mn and its maximum mx. Every function copies what it
// reads into locals before it writes, so an argument may be the box itself.

#include <cstddef>

#include "kelmmath/core/constants.h"

namespace kelm_internal {

template <int N>
inline bool box_is_empty(const double* mn) {
    return mn[0] == KELM_NULL_REAL;
}

template <int N>
inline void box_clear(double* mn, double* mx) {
    for (int a = 0; a < N; ++a) mn[a] = mx[a] = KELM_NULL_REAL;
}

// Grows the box by the point p. Plain ordered comparisons: a NaN coordinate never
// replaces a bound.
template <int N>
inline void box_add_point(double* mn, double* mx, const double* p) {
    double q[N];
    for (int a = 0; a < N; ++a) q[a] = p[a];
    if (box_is_empty<N>(mn)) {
        for (int a = 0; a < N; ++a) mn[a] = mx[a] = q[a];
        return;
    }
    for (int a = 0; a < N; ++a) {
        if (mn[a] > q[a]) mn[a] = q[a];
        if (q[a] > mx[a]) mx[a] = q[a];
    }
}

// Grows the box by the box (omn, omx), taken as it stands.
template <int N>
inline void box_add_box(double* mn, double* mx, const double* omn, const double* omx) {
    double lo[N], hi[N];
    for (int a = 0; a < N; ++a) {
        lo[a] = omn[a];
        hi[a] = omx[a];
    }
    if (box_is_empty<N>(lo)) return;
    if (box_is_empty<N>(mn)) {
        for (int a = 0; a < N; ++a) {
            mn[a] = lo[a];
            mx[a] = hi[a];
        }
        return;
    }
    for (int a = 0; a < N; ++a) {
        if (mn[a] > lo[a]) mn[a] = lo[a];
        if (hi[a] > mx[a]) mx[a] = hi[a];
    }
}

// Grows the box by the images under map of the 2^N corners of (omn, omx). The
// corners go in binary order with the last axis changing fastest: in 3D
// (minx, miny, minz), (minx, miny, maxz), (minx, maxy, minz), ... (maxx, maxy, maxz).
template <int N, class Map>
inline void box_add_corners(double* mn, double* mx, const double* omn, const double* omx, Map map) {
    double lo[N], hi[N];
    for (int a = 0; a < N; ++a) {
        lo[a] = omn[a];
        hi[a] = omx[a];
    }
    if (box_is_empty<N>(lo)) return;
    for (int k = 0; k < (1 << N); ++k) {
        double corner[N], image[N];
        for (int a = 0; a < N; ++a) corner[a] = ((k >> (N - 1 - a)) & 1) ? hi[a] : lo[a];
        map(image, corner);
        box_add_point<N>(mn, mx, image);
    }
}

// Grows the box by n points stored flat (N doubles each), each taken through map.
// The per-axis extremes of the points are formed first; the box then grows by the
// point of the maxima and after that by the point of the minima.
template <int N, class Map>
inline void box_add_points(double* mn, double* mx, const double* points, unsigned n, Map map) {
    if (n == 0) return;
    double lo[N], hi[N], q[N];
    map(q, points);
    for (int a = 0; a < N; ++a) lo[a] = hi[a] = q[a];
    for (unsigned i = 1; i < n; ++i) {
        map(q, points + static_cast<std::size_t>(N) * i);
        for (int a = 0; a < N; ++a) {
            if (q[a] > hi[a]) hi[a] = q[a];
            if (lo[a] > q[a]) lo[a] = q[a];
        }
    }
    box_add_point<N>(mn, mx, hi);
    box_add_point<N>(mn, mx, lo);
}

// Inclusive containment of p in the box widened by tol on every side. The test
// fails at the first axis where the point lies outside.
template <int N>
inline bool box_holds(const double* mn, const double* mx, const double* p, double tol) {
    for (int a = 0; a < N; ++a) {
        if (mn[a] - tol > p[a] || p[a] > mx[a] + tol) return false;
    }
    return true;
}

template <int N>
inline bool box_contains_point(const double* mn, const double* mx, const double* p, double tol) {
    return p != nullptr && !box_is_empty<N>(mn) && box_holds<N>(mn, mx, p, tol);
}

template <int N>
inline bool box_contains_box(const double* mn, const double* mx, const double* omn,
                             const double* omx, double tol) {
    return !box_is_empty<N>(mn) && !box_is_empty<N>(omn) && box_holds<N>(mn, mx, omn, tol) &&
           box_holds<N>(mn, mx, omx, tol);
}

template <int N>
inline bool box_contains_points(const double* mn, const double* mx, const double* points,
                                unsigned n, double tol) {
    if (n == 0 || box_is_empty<N>(mn)) return false;
    for (unsigned i = 0; i < n; ++i) {
        if (!box_holds<N>(mn, mx, points + static_cast<std::size_t>(N) * i, tol)) return false;
    }
    return true;
}

// Overlap (touching included) of two boxes, the first widened by tol.
template <int N>
inline bool box_overlaps(const double* mn, const double* mx, const double* omn, const double* omx,
                         double tol) {
    if (box_is_empty<N>(mn) || box_is_empty<N>(omn)) return false;
    for (int a = 0; a < N; ++a) {
        if (mn[a] - tol > omx[a]) return false;
    }
    for (int a = 0; a < N; ++a) {
        if (omn[a] > mx[a] + tol) return false;
    }
    return true;
}

template <int N>
inline bool box_meets_points(const double* mn, const double* mx, const double* points, unsigned n,
                             double tol) {
    if (box_is_empty<N>(mn)) return false;
    for (unsigned i = 0; i < n; ++i) {
        if (box_holds<N>(mn, mx, points + static_cast<std::size_t>(N) * i, tol)) return true;
    }
    return false;
}

// The overlap of boxes a and b into r (which may be a or b); 1 or 0.
template <int N>
inline int box_intersect(double* rmn, double* rmx, const double* amn, const double* amx,
                         const double* bmn, const double* bmx, double tol) {
    if (box_is_empty<N>(amn) || box_is_empty<N>(bmn)) {
        box_clear<N>(rmn, rmx);
        return 0;
    }
    double lo[N], hi[N];
    for (int a = 0; a < N; ++a) {
        lo[a] = amn[a] > bmn[a] ? amn[a] : bmn[a];
        hi[a] = amx[a] < bmx[a] ? amx[a] : bmx[a];
    }
    bool overlap = true;
    for (int a = 0; a < N && overlap; ++a) overlap = hi[a] > lo[a];
    if (overlap) {
        for (int a = 0; a < N; ++a) {
            rmn[a] = lo[a];
            rmx[a] = hi[a];
        }
        return 1;
    }
    // Touching or separate boxes meet only through a tolerance; exactly 0.0
    // asks for a true overlap.
    bool within = tol != 0.0;
    for (int a = 0; a < N && within; ++a) within = hi[a] + tol > lo[a];
    if (!within) {
        box_clear<N>(rmn, rmx);
        return 0;
    }
    // The result spans the contact or the gap: never an inverted interval.
    for (int a = 0; a < N; ++a) {
        const bool ordered = hi[a] > lo[a];
        rmn[a] = ordered ? lo[a] : hi[a];
        rmx[a] = ordered ? hi[a] : lo[a];
    }
    return 1;
}

}  // namespace kelm_internal

#endif  // KELMMATH_GEOM_INTERNAL_BBOX_H
