#include "kelmmath/delaunay/delaunay2d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "delaunay/internal_delaunay.h"
#include "geom/internal_geom.h"

namespace kelm_internal {

namespace {

// Determinants below this make a triangle unusable for the barycentric test.
constexpr double kDegenerateDet = 1e-25;
// How far outside a triangle a point may lie and still be taken by it.
constexpr double kNearMargin = 1e-6;

// The difference, length and products are written out here rather than taken
// from the plane vector functions: this runs for every flip test, and the
// arithmetic is the same.
void unitDiff(double* r, const double* a, const double* b) {
    const double d[2] = {a[0] - b[0], a[1] - b[1]};
    // Divided, not multiplied by the reciprocal, and unguarded: a zero length
    // gives NaN, which the callers read as "no flip".
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    r[0] = d[0] / len;
    r[1] = d[1] / len;
}

double dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1];
}

// Replaces the first entry equal to from among n (2 or 3) entries; false
// when absent. Which entry it is varies at random between calls: the position
// is worked out without branches, and only its check branches.
bool replaceEntry(unsigned* list, unsigned n, unsigned from, unsigned to) {
    unsigned at = unsigned(list[0] != from);
    if (n == 3) at *= 1 + unsigned(list[1] != from);
    if (list[at] != from) return false;
    list[at] = to;
    return true;
}

}  // namespace

PointClass classifyPoint(const double* p0, const double* p1, const double* p2, const double* p,
                         double* nearness) {
    const double x0 = p0[0], y0 = p0[1];
    const double x1 = p1[0], y1 = p1[1];
    const double x2 = p2[0], y2 = p2[1];
    const double px = p[0], py = p[1];
    const double det = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    if (std::fabs(det) < kDegenerateDet) return PointClass::kDegenerate;
    const double s = ((px - x0) * (y2 - y0) - (x2 - x0) * (py - y0)) / det;
    const double t = ((py - y0) * (x1 - x0) - (y1 - y0) * (px - x0)) / det;
    const double sum = s + t;
    if (s >= 0 && t >= 0 && sum <= 1) return PointClass::kInside;
    if (0 > s && s > -kNearMargin && t >= 0 && sum <= 1) {
        *nearness = s;
        return PointClass::kNear;
    }
    if (0 > t && t > -kNearMargin && s >= 0 && sum <= 1) {
        *nearness = t;
        return PointClass::kNear;
    }
    if (sum > 1 && sum - 1 < kNearMargin && s >= 0 && t >= 0) {
        *nearness = sum - 1;
        return PointClass::kNear;
    }
    return PointClass::kOutside;
}

namespace {

// Coordinate differences inside this range (or zero) keep every product and
// quotient of the angle test away from overflow and subnormal values, where
// its relative rounding bounds hold.
bool wellScaled(double d) {
    const double m = std::fabs(d);
    return d == 0 || (m >= 1e-60 && m <= 1e60);
}

// Differences inside the narrower range also keep the squared products of
// mixedAngleSign normal.
bool narrowlyScaled(const double* d) {
    for (unsigned k = 0; k < 8; ++k) {
        const double m = std::fabs(d[k]);
        if (m != 0 && !(m >= 1e-30 && m <= 1e30)) return false;
    }
    return true;
}

// The sign the angle test's cosine takes for the vectors u and w, when the
// dot product u.w decides it beyond any rounding: the cosine is u.w over the
// product of the lengths, formed from the rounded unit vectors, and each of
// its two terms is off by at most a few units in the last place relative to
// |ux wx| + |uy wy|. 0 when too close to call.
int clearSign(const double* u, const double* w) {
    const double xx = u[0] * w[0], yy = u[1] * w[1];
    const double dot = xx + yy;
    const double margin = 1e-14 * (std::fabs(xx) + std::fabs(yy));
    return dot > margin ? 1 : (dot < -margin ? -1 : 0);
}

// One angle obtuse, the other acute: the angle form flips when
// sin P cos Q + sin Q cos P < 0. Formed from the differences themselves rather
// than from unit vectors, the same sum t comes out multiplied by L, the product
// of the four lengths. The angle form is off by less than 1e-13 in its sum and
// t by less than 1e-13 * L, so when |t| > 1e-12 * L (t^2 > 1e-24 * L^2) both
// have t's sign. 0 when closer than that. The differences must be narrowly
// scaled, for the squared products to stay normal.
int mixedAngleSign(const double* d) {
    const double sin_p = std::fabs(d[3] * d[0] - d[2] * d[1]);
    const double sin_q = std::fabs(d[6] * d[5] - d[7] * d[4]);
    const double cos_p = d[0] * d[2] + d[1] * d[3];
    const double cos_q = d[4] * d[6] + d[5] * d[7];
    const double t = sin_p * cos_q + sin_q * cos_p;
    const double l2 = (d[0] * d[0] + d[1] * d[1]) * (d[2] * d[2] + d[3] * d[3]) *
                      (d[4] * d[4] + d[5] * d[5]) * (d[6] * d[6] + d[7] * d[7]);
    if (!(t * t > 1e-24 * l2)) return 0;
    return t < 0 ? -1 : 1;
}

}  // namespace

// The usual answer (both angles acute, or both obtuse) comes from the signs of
// two dot products, without the square roots and divisions of the angle form;
// it is the answer the angle form gives, and anything closer goes to it.
int needsFlip(const double* a, const double* b, const double* p, const double* q) {
    return needsFlip(a, b, p, q, 0);
}

// With the coordinates' scale known, the differences need no range test: the
// differences of doubles that are each zero or of magnitude at least 2^-k are
// zero or at least 2^(-k-52) in magnitude (all are multiples of that), and
// those of doubles at most 2^m in magnitude are at most 2^(m+1).
int needsFlip(const double* a, const double* b, const double* p, const double* q, int scale) {
    const double d[8] = {a[0] - p[0], a[1] - p[1], b[0] - p[0], b[1] - p[1],
                         a[0] - q[0], a[1] - q[1], b[0] - q[0], b[1] - q[1]};
    bool scaled = scale > 0;
    if (!scaled) {
        scaled = true;
        for (double v : d) scaled = scaled && wellScaled(v);
    }
    if (scaled) {
        const int at_p = clearSign(d, d + 2), at_q = clearSign(d + 4, d + 6);
        if (at_p > 0 && at_q > 0) return 0;
        if (at_p < 0 && at_q < 0) return 1;
        if (at_p != 0 && at_q != 0 && (scale == 2 || narrowlyScaled(d))) {
            const int mixed = mixedAngleSign(d);
            if (mixed != 0) return mixed < 0 ? 1 : 0;
        }
    }
    return needsFlipAngles(a, b, p, q);
}

int coordinateScale(double c) {
    const double m = std::fabs(c);
    if (m == 0 || (m >= 0x1p-40 && m <= 0x1p95)) return 2;
    return m >= 0x1p-100 && m <= 0x1p180 ? 1 : 0;
}

int needsFlipAngles(const double* a, const double* b, const double* p, const double* q) {
    double u1[2], u2[2], w1[2], w2[2];
    unitDiff(u1, a, p);
    unitDiff(u2, b, p);
    unitDiff(w1, a, q);
    unitDiff(w2, b, q);
    const double cos_p = dot(u1, u2);
    const double cos_q = dot(w1, w2);
    if (cos_p >= 0 && cos_q >= 0) return 0;  // both angles at most 90 degrees
    if (cos_p < 0 && cos_q < 0) return 1;    // both obtuse
    // One obtuse angle: sin(P + Q) < 0 means P + Q > 180 degrees.
    const double sin_p = std::fabs(u2[1] * u1[0] - u2[0] * u1[1]);
    const double sin_q = std::fabs(w2[0] * w1[1] - w2[1] * w1[0]);
    return sin_p * cos_q + sin_q * cos_p < 0 ? 1 : 0;
}

// --- state basics ------------------------------------------------------------

unsigned DelaunayState::addPoint(double x, double y) {
    const unsigned index = pointCount();
    const double stored_y = yscale * y;
    points.append(x);
    points.append(stored_y);
    coordinate_scale_ =
        std::min(coordinate_scale_, std::min(coordinateScale(x), coordinateScale(stored_y)));
    indexAddPoint();
    return index;
}

unsigned DelaunayState::addEdge(unsigned a, unsigned b, unsigned t0, unsigned t1) {
    const unsigned index = edgeCount();
    edges.push_back(Edge{{a, b}, {t0, t1}, 0u});
    return index;
}

unsigned DelaunayState::addTriangle(unsigned v0, unsigned v1, unsigned v2, unsigned e0, unsigned e1,
                                    unsigned e2) {
    const unsigned index = triangleCount();
    tris.push_back(Triangle{{v0, v1, v2}, {e0, e1, e2}, 0});
    return index;
}

void DelaunayState::reserveFor(unsigned n) {
    // Growth stays geometric, so that many small batches cost no more than
    // one large one.
    auto room = [](auto& list, std::size_t needed) {
        if (needed > list.capacity()) list.reserve(std::max(needed, list.capacity() * 3 / 2));
    };
    const std::size_t more = n;
    room(tris, tris.size() + 2 * more);
    room(edges, edges.size() + 3 * more);
    if (index_.active) {
        room(index_.vertex_tri, index_.vertex_tri.size() + more);
        room(index_.cell_next, index_.cell_next.size() + more);
    }
    const std::size_t coords = points.size() + 2 * more;
    if (coords > points.capacity() && coords <= std::numeric_limits<unsigned>::max() / 2)
        points.capacity(static_cast<unsigned>(
            std::max<std::size_t>(coords, points.capacity() + points.capacity() / 2)));
}

unsigned DelaunayState::otherTriangle(unsigned e, unsigned tri, bool* on_edge) const {
    const unsigned* et = edgeTris(e);
    *on_edge = true;
    if (et[0] == tri) return et[1];
    if (et[1] == tri) return et[0];
    *on_edge = false;
    return KELM_NONE;
}

unsigned DelaunayState::triangleEdgeJoining(unsigned tri, unsigned u, unsigned w) const {
    if (tri == KELM_NONE) return KELM_NONE;
    const unsigned slot = triangleEdgeSlot(tri, u, w);
    return slot < 3 ? triEdges(tri)[slot] : KELM_NONE;
}

// The three slots are tested together and the first match taken from the
// mask: which slot matches varies at random from one flip to the next, and a
// branch on it would mostly be mispredicted.
unsigned DelaunayState::triangleEdgeSlot(unsigned tri, unsigned u, unsigned w) const {
    static constexpr unsigned char kFirst[8] = {3, 0, 1, 0, 2, 0, 1, 0};
    const unsigned* te = triEdges(tri);
    unsigned match = 0;
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned e0 = edgeVerts(te[k])[0], e1 = edgeVerts(te[k])[1];
        match |= unsigned(((e0 == u) & (e1 == w)) | ((e0 == w) & (e1 == u))) << k;
    }
    return kFirst[match];
}

// --- set-up and point insertion ---------------------------------------------

int DelaunayState::init(const double* box, double y_scale) {
    yscale = y_scale;
    const double xmin = box[0], ymin = box[1], xmax = box[2], ymax = box[3];
    if (xmin == KELM_NULL_REAL || ymin == KELM_NULL_REAL || xmax == KELM_NULL_REAL ||
        ymax == KELM_NULL_REAL)
        return 0;
    const double dx = xmax - xmin;
    const double dy = ymax - ymin;
    // Wide enough that every point of the box lies well inside.
    addPoint(xmin - dx, ymin - dy);
    addPoint(xmax + 3 * dx, ymin - dy);
    addPoint(xmin - dx, ymax + 3 * dy);
    addEdge(0, 1, 0, KELM_NONE);
    addEdge(1, 2, 0, KELM_NONE);
    addEdge(0, 2, 0, KELM_NONE);
    addTriangle(0, 1, 2, 0, 1, 2);
    indexInit(box);
    return 1;
}

unsigned DelaunayState::locatePoint(const double* P) const {
    const unsigned n = triangleCount();
    unsigned best = KELM_NONE;
    double best_value = 0.0;
    for (unsigned t = 0; t < n; ++t) {
        const unsigned* tv = tris[t].v;
        double value = 0.0;
        switch (classifyPoint(point(tv[0]), point(tv[1]), point(tv[2]), P, &value)) {
            case PointClass::kDegenerate:
                return KELM_NONE;
            case PointClass::kInside:
                return t;
            case PointClass::kNear:
                // Values are compared as they stand; ties keep the earlier triangle.
                if (best == KELM_NONE || value > best_value) {
                    best = t;
                    best_value = value;
                }
                break;
            case PointClass::kOutside:
                break;
        }
    }
    return best;
}

unsigned DelaunayState::findEdge(unsigned a, unsigned b) const {
    const unsigned n = edgeCount();
    for (unsigned e = 0; e < n; ++e) {
        const unsigned* ev = edges[e].v;
        if ((ev[0] == a && ev[1] == b) || (ev[0] == b && ev[1] == a)) return e;
    }
    return KELM_NONE;
}

unsigned DelaunayState::insertPoint(double x, double y, unsigned start) {
    return insertPointBetween(x, y, start, [] {});
}

template <class Between>
unsigned DelaunayState::insertPointBetween(double x, double y, unsigned start, Between between) {
    if (x == KELM_NULL_REAL || y == KELM_NULL_REAL) return KELM_NONE;
    const unsigned p = addPoint(x, y);
    const double P[2] = {point(p)[0], point(p)[1]};
    const unsigned t = locate(P, start);
    if (t == KELM_NONE) return KELM_NONE;  // the point stays, in no triangle

    for (unsigned k = 0; k < 3; ++k) {
        const unsigned v = triVerts(t)[k];
        if (point(v)[0] == P[0] && point(v)[1] == P[1]) {
            points.size(points.size() - 2);
            indexDropPoint();
            return v;
        }
    }

    const unsigned edges[3] = {triEdges(t)[0], triEdges(t)[1], triEdges(t)[2]};
    index_.deferring = index_.active;
    bool ok = splitTriangle(t, p) != 0;
    between();
    if (ok) {
        for (unsigned e : edges) {
            if (!legalizeEdge(e, p)) {
                ok = false;
                break;
            }
            between();
        }
    }
    classifyChanged();
    return ok ? p : KELM_NONE;
}

void DelaunayState::insertRun(const double* xy, unsigned n, unsigned* vertices) {
    // Group g is looked ahead over from the time group g - kDepth goes in.
    // Each insertion makes kPasses passes, taking the kDepth lookaheads under
    // way in turn, so a group's lookahead has kLookAhead * kPasses passes
    // before it is needed, enough for most; what is left is done just before
    // the group goes in. Two groups ahead rather than more keeps the time
    // from a line's request to its use short: fewer of the lines leave the
    // caches, and fewer of their pages the address translation caches, before
    // the insertion reads them.
    constexpr unsigned kDepth = 2;
    constexpr unsigned kPasses = 4;
    const unsigned groups = (n + kLookAhead - 1) / kLookAhead;
    std::vector<LookAheadRun> runs(std::min(groups, kDepth + 1));
    auto run_of = [&](unsigned g) -> LookAheadRun& { return runs[g % runs.size()]; };
    auto begin = [&](unsigned g) {
        const unsigned first = g * kLookAhead;
        lookAheadBegin(&run_of(g), xy + 2 * first, std::min(kLookAhead, n - first),
                       g > 0 ? xy + 2 * (first - 1) : nullptr);
    };
    for (unsigned g = 0; g < groups && g < kDepth; ++g) begin(g);
    for (unsigned g = 0; g < groups; ++g) {
        LookAheadRun& current = run_of(g);
        while (lookAheadPass(&current)) {
        }
        unsigned starts[kLookAhead];
        std::copy(current.starts, current.starts + current.count, starts);
        if (g + kDepth < groups) begin(g + kDepth);
        const unsigned first = g * kLookAhead;
        const unsigned count = std::min(kLookAhead, n - first);
        const unsigned ahead = std::min(groups, g + kDepth + 1);
        for (unsigned j = 0; j < count; ++j) {
            // The passes are spread over the insertion: each asks for lines
            // in a burst, and the insertion's own work goes on while they
            // come rather than after.
            unsigned calls = 0;
            auto pass = [&] {
                if (calls < kPasses) {
                    const unsigned next = g + 1 + calls % kDepth;
                    ++calls;
                    if (next < ahead) lookAheadPass(&run_of(next));
                }
            };
            const double* xy_j = xy + 2 * (first + j);
            vertices[first + j] = insertPointBetween(xy_j[0], xy_j[1], starts[j], pass);
            while (calls < kPasses) pass();
        }
    }
}

// Appends the triangle bounded by the new edges f and g (sharing vertex p) and
// the edge of t that closes them; that edge now names the new triangle in
// place of t.
int DelaunayState::makeTriangle(unsigned t, unsigned f, unsigned g, unsigned closing) {
    const unsigned f0 = edgeVerts(f)[0], f1 = edgeVerts(f)[1];
    const unsigned g0 = edgeVerts(g)[0], g1 = edgeVerts(g)[1];
    unsigned f_other, g_other;
    if (f0 == g0 || f0 == g1) {
        f_other = f1;
        g_other = f0 == g0 ? g1 : g0;
    } else if (f1 == g0 || f1 == g1) {
        f_other = f0;
        g_other = f1 == g0 ? g1 : g0;
    } else {
        return 0;
    }
    const unsigned third =
        closing != KELM_NONE ? closing : triangleEdgeJoining(t, f_other, g_other);
    if (third == KELM_NONE) return 0;
    const unsigned index = triangleCount();
    if (!replaceEntry(edgeTris(third), 2, t, index)) return 0;
    addTriangle(f0, f1, g_other, f, g, third);
    return 1;
}

// The triangle t = (a, b, c) holding p becomes three, each then turned to the
// sense of (a, b, c):
//
//        c              c
//       / \            /|\      t  = (p, c, a), reused
//      /   \    ->    / p \     T1 = (p, a, b), appended
//     /     \        / / \ \    T2 = (p, b, c), appended
//    a-------b      a-------b
int DelaunayState::splitTriangle(unsigned t, unsigned p) {
    const unsigned a = triVerts(t)[0], b = triVerts(t)[1], c = triVerts(t)[2];
    // The sides of t, from its slot code when that is current and its
    // vertices differ (each edge then joins one pair only, so the code's slot
    // is the one a search would find); else searched for.
    unsigned side[3] = {KELM_NONE, KELM_NONE, KELM_NONE};
    const unsigned code = currentSlotCode(t);
    if (code != SearchIndex::kNoSlotCode && a != b && b != c && c != a) {
        for (unsigned i = 0; i < 3; ++i) side[i] = triEdges(t)[SearchIndex::slotOfSide(code, i)];
    }
    const unsigned e_pa = addEdge(p, a, KELM_NONE, KELM_NONE);
    const unsigned e_pb = addEdge(p, b, KELM_NONE, KELM_NONE);
    const unsigned e_pc = addEdge(p, c, KELM_NONE, KELM_NONE);

    // A failure part-way leaves edges that no triangle lists: the index is
    // dropped and the plain scans take over.
    const unsigned t1 = triangleCount();
    const bool made_t1 = makeTriangle(t, e_pa, e_pb, side[0]);
    const unsigned t2 = triangleCount();
    if (!made_t1 || !makeTriangle(t, e_pb, e_pc, side[1])) {
        indexLost();
        return 0;
    }

    edgeTris(e_pa)[0] = t;
    edgeTris(e_pa)[1] = t1;
    edgeTris(e_pb)[0] = t1;
    edgeTris(e_pb)[1] = t2;
    edgeTris(e_pc)[0] = t;
    edgeTris(e_pc)[1] = t2;

    const unsigned e_ca = side[2] != KELM_NONE ? side[2] : triangleEdgeJoining(t, c, a);
    if (e_ca == KELM_NONE) {
        indexLost();
        return 0;
    }
    triEdges(t)[0] = e_pc;
    triEdges(t)[1] = e_pa;
    triEdges(t)[2] = e_ca;
    triVerts(t)[0] = p;
    triVerts(t)[1] = edgeVerts(e_ca)[0];
    triVerts(t)[2] = edgeVerts(e_ca)[1];

    if (a != b && b != c && c != a) {
        // What orientLike works out by search: t1 = (p, a, b) and t2 = (p, b, c)
        // already run as (a, b, c) does, and t does when it reads (p, c, a)
        // rather than (p, a, c).
        unsigned* tv = triVerts(t);
        if (tv[1] == a) std::swap(tv[0], tv[1]);
    } else {
        orientLike(t, a, b, c);
        orientLike(t1, a, b, c);
        orientLike(t2, a, b, c);
    }
    indexSplit(t, t1, t2, p, a, b, c);
    return 1;
}

void DelaunayState::orientLike(unsigned tri, unsigned r0, unsigned r1, unsigned r2) {
    if (tri != KELM_NONE) {
        // Each reference vertex looked up once; the pairs are tried in order.
        const unsigned* tv = triVerts(tri);
        const bool h0 = tv[0] == r0 || tv[1] == r0 || tv[2] == r0;
        const bool h1 = tv[0] == r1 || tv[1] == r1 || tv[2] == r1;
        const bool h2 = tv[0] == r2 || tv[1] == r2 || tv[2] == r2;
        if (h0 && h1) {
            orientPair(tri, r0, r1);
            return;
        }
        if (h1 && h2) {
            orientPair(tri, r1, r2);
            return;
        }
        if (h2 && h0) {
            orientPair(tri, r2, r0);
            return;
        }
    }
    // The triangle shares no side with its reference: the tables are broken.
    std::printf("INTERNAL: get_facet_topology: could not find facet edge in facet\n");
    std::exit(2);
}

void DelaunayState::orientPair(unsigned tri, unsigned x, unsigned y) {
    unsigned* tv = triVerts(tri);
    int ix = -1, iy = -1;
    for (int k = 0; k < 3; ++k) {
        if (ix < 0 && tv[k] == x) ix = k;
        if (iy < 0 && tv[k] == y) iy = k;
    }
    if (ix < 0 || iy < 0) {
        std::printf("INTERNAL: get_facet_topology(2): could requested verts not found\n");
        std::exit(2);
    }
    if ((ix + 1) % 3 == iy) return;  // x then y: same sense as the reference
    const unsigned first = tv[0];
    tv[0] = tv[1];
    tv[1] = first;
}

int DelaunayState::needsFlip(unsigned edge, unsigned p, unsigned q) const {
    return kelm_internal::needsFlip(point(edgeVerts(edge)[0]), point(edgeVerts(edge)[1]), point(p),
                                    point(q), coordinate_scale_);
}

// The edge e shared by tp (third vertex p) and tq (third vertex q) turns over:
//
//        a               a
//       /|\             / \        e  = (a, b) -> (p, q)
//      p | q    ->     p---q       tp = (a, b, p) -> (p, q, a)
//       \|/             \ /        tq = (a, b, q) -> (p, q, b)
//        b               b
//
// tp takes the side (q, a) from tq, tq the side (p, b) from tp.
int DelaunayState::flipEdge(unsigned e, unsigned tp, unsigned tq, unsigned p, unsigned q) {
    const unsigned a = edgeVerts(e)[0], b = edgeVerts(e)[1];
    if (tp == KELM_NONE || tq == KELM_NONE) return 0;
    const unsigned s1 = triangleEdgeSlot(tp, p, b);
    const unsigned s2 = triangleEdgeSlot(tq, q, a);
    if (s1 == 3 || s2 == 3) return 0;
    const unsigned f1 = triEdges(tp)[s1], f2 = triEdges(tq)[s2];
    // Refused before anything changes: after non-convex flips on nearly degenerate
    // input two triangles can hold the same three vertices, and turning their shared
    // edge would leave triangles that repeat a vertex.
    if (p == q || p == a || p == b || q == a || q == b) return 0;

    unsigned* vp = triVerts(tp);
    unsigned* vq = triVerts(tq);
    const unsigned old_tp[3] = {vp[0], vp[1], vp[2]};
    edgeVerts(e)[0] = p;
    edgeVerts(e)[1] = q;
    vp[0] = p, vp[1] = q, vp[2] = a;
    vq[0] = p, vq[1] = q, vq[2] = b;

    // A failure from here on leaves the tables half rewritten: the index is
    // dropped and the plain scans take over.
    // The first slot holding f1 in tp is s1, where it was found (and so for
    // f2 in tq): while tp and tq differ, the sides are swapped there without
    // searching again.
    bool swapped = true;
    if (tp != tq) {
        triEdges(tp)[s1] = f2;
        triEdges(tq)[s2] = f1;
    } else {
        swapped = replaceEntry(triEdges(tp), 3, f1, f2) && replaceEntry(triEdges(tq), 3, f2, f1);
    }
    if (!swapped || !replaceEntry(edgeTris(f1), 2, tp, tq) ||
        !replaceEntry(edgeTris(f2), 2, tq, tp)) {
        indexLost();
        return 0;
    }

    // Each triangle takes the vertex order sense of the old tp, with which it
    // shares one side: (p, a) for tp, (p, b) for tq. Where the old tp goes p
    // then a, tp = (p, q, a) runs against it and swaps its first two vertices;
    // otherwise the old tp goes p then b and tq = (p, q, b) swaps. (What
    // orientLike works out by search, read off the old order here.)
    int at_a = -1, at_b = -1, at_p = -1;
    for (int k = 0; k < 3; ++k) {
        if (old_tp[k] == a) at_a = k;
        if (old_tp[k] == b) at_b = k;
        if (old_tp[k] == p) at_p = k;
    }
    if (at_a >= 0 && at_b >= 0 && at_p >= 0 && a != b) {
        unsigned* swapped = (at_p + 1) % 3 == at_a ? vp : vq;
        swapped[0] = q;
        swapped[1] = p;
    } else {
        orientLike(tp, old_tp[0], old_tp[1], old_tp[2]);
        orientLike(tq, old_tp[0], old_tp[1], old_tp[2]);
    }
    indexFlip(tp, tq, a, b);
    return 1;
}

// One legalisation step at edge e for the new vertex p. After a flip the two
// triangles that now hold p are queued, tp on top, so that the work list
// visits them in the same depth-first order as a recursion would.
inline int DelaunayState::legalizeStep(unsigned e, unsigned p, std::vector<unsigned>* pending) {
    if (edgeFlags(e) & kNoFlipBit) return 1;
    const unsigned t0 = edgeTris(e)[0], t1 = edgeTris(e)[1];
    if (t1 == KELM_NONE) return 1;  // hull edge
    unsigned tp, tq;
    if (holds(t0, p)) {
        tp = t0;
        tq = t1;
    } else if (holds(t1, p)) {
        tp = t1;
        tq = t0;
    } else {
        return 0;
    }
    const unsigned q = oppositeVertex(tq, e);
    if (q == KELM_NONE) return 0;
    if (!needsFlip(e, p, q)) return 1;
    if (!flipEdge(e, tp, tq, p, q)) return 0;
    // The next steps test the edges of tp and tq away from p.
    pending->push_back(tq);
    pending->push_back(tp);
    return 1;
}

unsigned DelaunayState::edgeAwayFrom(unsigned tri, unsigned p) const {
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned e = triEdges(tri)[k];
        if (edgeVerts(e)[0] != p && edgeVerts(e)[1] != p) return e;
    }
    return KELM_NONE;
}

// Each flip turns an edge away from p into an edge at p, and edges at p are
// never flipped here, so the work ends. A failure anywhere makes the result 0
// but the remaining work still runs, as both branches of a flip always do.
// The loop runs a few times per insertion: its steps (the flip test, the
// flip and the index upkeep) are compiled into it where the compiler can be
// told so.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((flatten))
#endif
int DelaunayState::legalizeEdge(unsigned e, unsigned p) {
    // The work list is a member, kept between calls to save an allocation per
    // call; each call leaves it empty.
    std::vector<unsigned>& pending = pending_;
    int ok = 1;
    unsigned next = e;
    while (true) {
        // One call site, so that the step is compiled into this loop.
        if (next == KELM_NONE || !legalizeStep(next, p, &pending)) ok = 0;
        if (pending.empty()) break;
        const unsigned tri = pending.back();
        pending.pop_back();
        next = edgeAwayFrom(tri, p);
    }
    return ok;
}

// --- diagnostics -------------------------------------------------------------

void DelaunayState::dumpFacets() const {
    const unsigned n = triangleCount();
    for (unsigned t = 0; t < n; ++t) {
        const unsigned* tv = triVerts(t);
        std::printf("# Facet %u: (%u %u %u)\n", t, tv[0], tv[1], tv[2]);
        for (unsigned k = 0; k < 4; ++k) {
            const double* pt = point(tv[k % 3]);
            std::printf("%.15g %.15g\n", pt[0], pt[1]);
        }
        std::printf("\n");
    }
}

void DelaunayState::dumpMesh() const {
    const unsigned np = pointCount();
    std::printf("Coords sz=%u\n", np);
    for (unsigned i = 0; i < np; ++i)
        std::printf("pt[%u] = (%.15g,%.15g)\n", i, point(i)[0], point(i)[1]);

    const unsigned nt = triangleCount();
    std::printf("Facet sz=%u\n", nt);
    for (unsigned t = 0; t < nt; ++t) {
        const unsigned* tv = triVerts(t);
        const unsigned* te = triEdges(t);
        const bool inside =
            t < tri_labels.size() && tri_labels[t] != KELM_NONE && tri_labels[t] != kOutside;
        std::printf("Facet[%u] = %u %u %u%s\n", t, tv[0], tv[1], tv[2], inside ? "(inside)" : "");
        std::printf("  edges=%u %u %u\n", te[0], te[1], te[2]);
    }
    std::printf("\n");

    const unsigned ne = edgeCount();
    std::printf("Edge sz=%u\n", ne);
    for (unsigned e = 0; e < ne; ++e) {
        const unsigned flags = edgeFlags(e);
        std::printf("edge[%u]= %u %u%s%s\n", e, edgeVerts(e)[0], edgeVerts(e)[1],
                    (flags & kNoFlipBit) ? " (no flip)" : "",
                    (flags & kBorderBit) ? " (border)" : "");
        std::printf("  facet=%u ", edgeTris(e)[0]);
        if (edgeTris(e)[1] == KELM_NONE)
            std::printf("*\n");
        else
            std::printf("%u\n", edgeTris(e)[1]);
    }
    std::printf("\n");
}

}  // namespace kelm_internal

// --- the public class ----------------------------------------------------------

using kelm_internal::DelaunayState;

namespace {

// The state the members work on: none before a successful init, and none
// either after an init on an empty box, whose empty state stays only so that
// a later init is refused too.
DelaunayState* ready(const std::unique_ptr<DelaunayState>& state) {
    return state && state->triangleCount() > 0 ? state.get() : nullptr;
}

}  // namespace

KelmDelaunay2D::KelmDelaunay2D() = default;
KelmDelaunay2D::~KelmDelaunay2D() = default;
KelmDelaunay2D::KelmDelaunay2D(KelmDelaunay2D&& other) noexcept = default;
KelmDelaunay2D& KelmDelaunay2D::operator=(KelmDelaunay2D&& other) noexcept = default;

KelmDelaunay2D::KelmDelaunay2D(const KelmDelaunay2D& other)
    : state_(other.state_ ? std::make_unique<DelaunayState>(*other.state_) : nullptr) {}

KelmDelaunay2D& KelmDelaunay2D::operator=(const KelmDelaunay2D& other) {
    if (this != &other)
        state_ = other.state_ ? std::make_unique<DelaunayState>(*other.state_) : nullptr;
    return *this;
}

int KelmDelaunay2D::init(KelmBoundingBox2D* box, double yscale) {
    if (state_ || !box) return 0;
    state_ = std::make_unique<DelaunayState>();
    const double values[4] = {box->minx(), box->miny(), box->maxx(), box->maxy()};
    return state_->init(values, yscale);
}

unsigned KelmDelaunay2D::insertPoint(const double* pt) {
    if (!ready(state_)) return KELM_NONE;
    const double* p = kelm_internal::or_zero2d(pt);
    return state_->insertPoint(p[0], p[1]);
}

unsigned KelmDelaunay2D::insertPoint(const KelmPoint2D& pt) {
    return insertPoint(pt.data());
}

unsigned KelmDelaunay2D::insertPoints(const KelmReal2DArray& pts) {
    const unsigned n = pts.size();
    if (!ready(state_) || n == 0) return KELM_NONE;
    state_->reserveFor(n);
    unsigned first = KELM_NONE;
    bool failed = false;
    // By chunks copied out of the array, each inserted as one run.
    constexpr unsigned kChunk = 8192;
    std::vector<double> xy(2 * static_cast<std::size_t>(std::min(n, kChunk)));
    std::vector<unsigned> vertices(std::min(n, kChunk));
    for (unsigned i = 0; i < n; i += kChunk) {
        const unsigned count = std::min(kChunk, n - i);
        for (unsigned j = 0; j < count; ++j) {
            const double* p = kelm_internal::or_zero2d(pts.get(i + j));
            xy[2 * j] = p[0];
            xy[2 * j + 1] = p[1];
        }
        state_->insertRun(xy.data(), count, vertices.data());
        for (unsigned j = 0; j < count; ++j) failed = failed || vertices[j] == KELM_NONE;
        if (i == 0) first = vertices[0];
    }
    return failed ? KELM_NONE : first;
}

int KelmDelaunay2D::insertEdge(unsigned a, unsigned b, int border) {
    return ready(state_) ? state_->insertEdge(a, b, border) : 0;
}

int KelmDelaunay2D::resolveInside() {
    return ready(state_) ? state_->resolveInside() : 0;
}

int KelmDelaunay2D::isInside(unsigned tri) {
    if (!ready(state_) || tri >= state_->tri_labels.size()) return static_cast<int>(KELM_NONE);
    return static_cast<int>(state_->tri_labels[tri]);
}

unsigned KelmDelaunay2D::findEdge(unsigned a, unsigned b) {
    return ready(state_) ? state_->edgeBetween(a, b) : KELM_NONE;
}

unsigned KelmDelaunay2D::getPointCount() {
    return ready(state_) ? state_->pointCount() : 0;
}

const double* KelmDelaunay2D::getPoint(unsigned i) {
    return ready(state_) ? state_->point(i) : nullptr;
}

unsigned KelmDelaunay2D::getTriangleCount() {
    return ready(state_) ? state_->triangleCount() : 0;
}

void KelmDelaunay2D::getTriangle(unsigned* a, unsigned* b, unsigned* c, unsigned tri) {
    const unsigned* tv = ready(state_) ? state_->triVerts(tri) : nullptr;
    if (a) *a = tv ? tv[0] : KELM_NONE;
    if (b) *b = tv ? tv[1] : KELM_NONE;
    if (c) *c = tv ? tv[2] : KELM_NONE;
}

unsigned KelmDelaunay2D::getTriangleVertex(unsigned tri, unsigned i) {
    return ready(state_) ? state_->triVerts(tri)[i] : KELM_NONE;
}

unsigned KelmDelaunay2D::getTriangleEdge(unsigned tri, unsigned i) {
    return ready(state_) ? state_->triEdges(tri)[i] : KELM_NONE;
}

unsigned KelmDelaunay2D::getEdgeCount() {
    return ready(state_) ? state_->edgeCount() : 0;
}

unsigned KelmDelaunay2D::getEdgeVertex(unsigned edge, unsigned i) {
    return ready(state_) ? state_->edgeVerts(edge)[i] : KELM_NONE;
}

unsigned KelmDelaunay2D::getEdgeTriangle(unsigned edge, unsigned i) {
    return ready(state_) ? state_->edgeTris(edge)[i] : KELM_NONE;
}

void KelmDelaunay2D::dumpFacets() {
    if (ready(state_)) state_->dumpFacets();
}

void KelmDelaunay2D::dumpMesh() {
    if (ready(state_)) state_->dumpMesh();
}
