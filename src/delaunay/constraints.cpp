// Constrained edges and inside/outside labelling of the triangulation.

#include <cmath>
#include <cstdio>
#include <vector>

#include "delaunay/internal_delaunay.h"
#include "kelmmath/geom/vector2d.h"

namespace kelm_internal {

namespace {

// Segments whose directions differ by a sine below this are taken as parallel.
constexpr double kParallelSine = 1e-10;

}  // namespace

int segmentsCross(const double* A, const double* B, const double* C, const double* D) {
    double d1[2], d2[2], r[2], q[2];
    kelm_vec2d_diff(d1, B, A);
    kelm_vec2d_diff(d2, D, C);
    const double len1 = kelm_vec2d_length(d1);
    const double len2 = kelm_vec2d_length(d2);
    kelm_vec2d_scale(r, d1, 1.0 / len1);
    kelm_vec2d_scale(q, d2, 1.0 / len2);
    const double cross = r[1] * q[0] - q[1] * r[0];
    if (std::fabs(cross) < kParallelSine) return 0;
    // A + s (B - A) = C + t (D - C), solved on the unit directions.
    const double s = ((C[1] - A[1]) * q[0] - q[1] * (C[0] - A[0])) / cross / len1;
    const double t = ((C[1] - A[1]) * r[0] - (C[0] - A[0]) * r[1]) / cross / len2;
    return s >= 0 && s <= 1 && t >= 0 && t <= 1 ? 1 : 0;
}

double triangleArea(const double* a, const double* b, const double* c) {
    const double sum =
        (a[0] * b[1] - b[0] * a[1]) + (b[0] * c[1] - c[0] * b[1]) + (c[0] * a[1] - a[0] * c[1]);
    return std::fabs(0.5 * sum);
}

// Area won by flipping e: about 0 for a convex quadrilateral, negative when the
// flipped triangles would overlap. Edges without two triangles give 0.
double DelaunayState::flipGain(unsigned e) const {
    const unsigned o0 = oppositeVertex(edgeTris(e)[0], e);
    const unsigned o1 = oppositeVertex(edgeTris(e)[1], e);
    if (o0 == KELM_NONE || o1 == KELM_NONE) return 0.0;
    const double* u = point(edgeVerts(e)[0]);
    const double* w = point(edgeVerts(e)[1]);
    const double* p0 = point(o0);
    const double* p1 = point(o1);
    return triangleArea(p0, u, w) + triangleArea(p1, u, w) - triangleArea(p0, p1, u) -
           triangleArea(p0, p1, w);
}

// An edge crossing (a, b) that shares a triangle with both ends is returned at
// once. Otherwise the last crossing edge beside a and the last beside b are
// kept, and the one whose flip is closer to a convex exchange wins.
unsigned DelaunayState::findCrossingEdge(unsigned a, unsigned b) const {
    const unsigned n = edgeCount();
    const double* pa = point(a);
    const double* pb = point(b);
    unsigned beside_a = KELM_NONE, beside_b = KELM_NONE;
    for (unsigned e = 0; e < n; ++e) {
        if (beside_a != KELM_NONE && beside_b != KELM_NONE) break;
        const unsigned u = edgeVerts(e)[0], w = edgeVerts(e)[1];
        if (u == a || u == b || w == a || w == b) continue;
        if (!segmentsCross(pa, pb, point(u), point(w))) continue;
        const unsigned t0 = edgeTris(e)[0], t1 = edgeTris(e)[1];
        const bool touches_a = holds(t0, a) || holds(t1, a);
        const bool touches_b = holds(t0, b) || holds(t1, b);
        if (touches_a && touches_b) return e;
        if (touches_a) beside_a = e;
        if (touches_b) beside_b = e;
    }
    if (beside_a != KELM_NONE && beside_b != KELM_NONE)
        return flipGain(beside_b) > flipGain(beside_a) ? beside_b : beside_a;
    return beside_a != KELM_NONE ? beside_a : beside_b;
}

// Forces (a, b) in by flipping the edges that cross it, one at a time, each
// flip bringing a new edge to a or b. Edges at a or b never cross, so every
// flip removes one crossing candidate for good and the loop ends within the
// edge count.
int DelaunayState::insertEdge(unsigned a, unsigned b, int border) {
    if (a >= pointCount() || b >= pointCount()) return 0;
    const unsigned value = border ? (kNoFlipBit | kBorderBit) : kNoFlipBit;
    if (a == b) return 1;
    unsigned e = edgeBetween(a, b);
    if (e != KELM_NONE) {
        edgeFlags(e) = value;
        return 1;
    }

    // Flipping around a vertex on the segment would end in triangles that
    // overlap; such a constraint is refused before anything changes.
    if (hasVertexOnSegment(a, b)) return 0;

    // With the index, the candidates for the next crossing edge are kept up to
    // date flip by flip instead of being searched for among all edges.
    CrossingSearch crossing(*this, a, b);
    const bool indexed_search = indexed() && crossing.start();
    if (indexed())
        ++(indexed_search ? index_.counters.indexed_crossings : index_.counters.plain_crossings);
    auto next_crossing = [&]() {
        return indexed_search ? crossing.next() : findCrossingEdge(a, b);
    };

    std::vector<unsigned> flipped;
    e = next_crossing();
    while (e != KELM_NONE) {
        const unsigned t0 = edgeTris(e)[0], t1 = edgeTris(e)[1];
        const unsigned p0 = oppositeVertex(t0, e), p1 = oppositeVertex(t1, e);
        if ((edgeFlags(e) & kNoFlipBit) || p0 == KELM_NONE || p1 == KELM_NONE) return 0;

        if ((p0 == a && p1 == b) || (p0 == b && p1 == a)) {
            // The last crossing edge: its flip joins a and b.
            if (!flipEdge(e, t0, t1, p0, p1)) return 0;
            edgeFlags(e) = value;
            legalizeOtherEdges(t0, e);
            legalizeOtherEdges(t1, e);
            for (unsigned f : flipped) {
                if (!relegalizeEdge(f)) return 0;
            }
            return 1;
        }
        if (p0 != a && p0 != b && p1 != a && p1 != b) return 0;

        flipped.push_back(e);
        if (!flipEdge(e, t0, t1, p0, p1)) {
            std::printf("Failed to flip edge\n");
            return 0;
        }
        if (indexed_search) crossing.update(t0, t1);
        e = next_crossing();
    }

    // No crossing edge is left; the flips may have joined a and b already.
    e = edgeBetween(a, b);
    if (e == KELM_NONE) return 0;
    edgeFlags(e) = value;
    return 1;
}

unsigned DelaunayState::vertexOnSegment(unsigned a, unsigned b) const {
    const double* pa = point(a);
    const double* pb = point(b);
    const double dx = pb[0] - pa[0], dy = pb[1] - pa[1];
    const double length_sq = dx * dx + dy * dy;
    // Edge ends are exactly the vertices that are in the triangulation.
    const unsigned n = edgeCount();
    for (unsigned e = 0; e < n; ++e) {
        for (unsigned k = 0; k < 2; ++k) {
            const unsigned v = edgeVerts(e)[k];
            if (v == a || v == b) continue;
            if (onOpenSegment(pa, dx, dy, length_sq, point(v))) return v;
        }
    }
    return KELM_NONE;
}

bool onOpenSegment(const double* a, double dx, double dy, double length_sq, const double* v) {
    const double vx = v[0] - a[0], vy = v[1] - a[1];
    if (dx * vy - dy * vx != 0) return false;
    const double along = dx * vx + dy * vy;
    return along > 0 && along < length_sq;
}

int DelaunayState::legalizeOtherEdges(unsigned t, unsigned e) {
    unsigned others[3];
    unsigned count = 0;
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned f = triEdges(t)[k];
        if (f != e) others[count++] = f;
    }
    if (count != 2) return 0;
    const unsigned f1 = others[0], f2 = others[1];

    const unsigned o1 = oppositeVertex(t, f1);
    if (o1 == KELM_NONE) return 0;
    bool on_edge = false;
    const unsigned nb = otherTriangle(f2, t, &on_edge);
    if (!on_edge || nb == KELM_NONE) return 0;
    if (!legalizeEdge(f1, o1)) return 0;

    // The first legalisation may have flipped f2 away from t; read it afresh
    // from the neighbour's side.
    const unsigned m = otherTriangle(f2, nb, &on_edge);
    if (!on_edge || m == KELM_NONE) return 0;
    const unsigned o2 = oppositeVertex(m, f2);
    if (o2 == KELM_NONE) return 0;
    return legalizeEdge(f2, o2) ? 1 : 0;
}

// Re-checks an edge flipped while forcing a constraint in. It does not look at
// the edge's flags: edges in the flipped list are never constrained.
int DelaunayState::relegalizeEdge(unsigned f) {
    const unsigned t0 = edgeTris(f)[0], t1 = edgeTris(f)[1];
    const unsigned p0 = oppositeVertex(t0, f), p1 = oppositeVertex(t1, f);
    if (p0 == KELM_NONE || p1 == KELM_NONE) return 0;
    if (!needsFlip(f, p0, p1)) return 1;
    if (!flipEdge(f, t0, t1, p0, p1)) return 0;
    if (!legalizeOtherEdges(t0, f)) return 0;
    return legalizeOtherEdges(t1, f) ? 1 : 0;
}

int DelaunayState::resolveInside() {
    // One label per vertex entry of the triangle list (three per triangle);
    // only the first triangleCount() are ever written.
    const unsigned entries = 3 * triangleCount();
    tri_labels.capacity(entries);
    tri_labels.size(entries);
    for (unsigned i = 0; i < entries; ++i) tri_labels[i] = KELM_NONE;
    if (edgeCount() == 0) return 0;  // no enclosing triangle to start from

    // The triangle on edge 0 touches two enclosing corners: outside every loop.
    const unsigned seed = edgeTris(0)[0];
    tri_labels[seed] = kOutside;
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned e = triEdges(seed)[k];
        if (e == KELM_NONE) continue;
        bool on_edge = false;
        const unsigned n = otherTriangle(e, seed, &on_edge);
        if (!on_edge) break;
        if (n == KELM_NONE || tri_labels[n] != KELM_NONE) continue;
        const unsigned value = (edgeFlags(e) & kBorderBit) ? kInside : kOutside;
        if (!fillInside(n, value)) break;
    }
    return 1;
}

// Depth-first labelling by crossing parity. The frames stand for the calls of a
// recursion (triangle, its label, the next of its three edges to follow), so
// the visiting order is that of the recursion while the depth, which can reach
// the triangle count, stays off the call stack.
int DelaunayState::fillInside(unsigned t, unsigned value) {
    if (t >= tri_labels.size() || tri_labels[t] != KELM_NONE) return 0;
    struct Frame {
        unsigned tri;
        unsigned value;
        unsigned next_edge;
    };
    std::vector<Frame> stack;
    tri_labels[t] = value;
    stack.push_back({t, value, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next_edge == 3) {
            stack.pop_back();
            continue;
        }
        const unsigned e = triEdges(top.tri)[top.next_edge++];
        if (e == KELM_NONE) continue;
        bool on_edge = false;
        const unsigned n = otherTriangle(e, top.tri, &on_edge);
        if (!on_edge) return 0;
        if (n == KELM_NONE || tri_labels[n] != KELM_NONE) continue;
        const bool crosses = (edgeFlags(e) & kBorderBit) != 0;
        const unsigned v = crosses ? (top.value == kOutside ? kInside : kOutside) : top.value;
        tri_labels[n] = v;
        stack.push_back({n, v, 0});  // invalidates top
    }
    return 1;
}

}  // namespace kelm_internal
