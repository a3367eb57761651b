// KelmPolygon2D: rings to an arrangement of edges with coverage, the edges that
// can bound the region forced into a KelmDelaunay2D, winding numbers walked over
// its triangles and checked against the triangulator's own labels.
#include "kelmmath/delaunay/polygon.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "delaunay/internal_delaunay.h"
#include "delaunay/internal_polygon.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/geom/bbox2d.h"

namespace kelm_internal {

// The triangulator's view of the vertices: moved to the origin and scaled by a
// power of two to about unit size, so that its absolute thresholds meet values
// of one scale whatever the input's.
struct Frame {
    double x0, y0, scale;
};

// An edge forced into the triangulation (triangulator vertex indices) and how
// much more the rings wind on the left of a->b than on its right.
struct Forced {
    unsigned a, b;
    int delta;
};

class PolygonState {
public:
    std::vector<std::vector<double>> rings;  // cleaned: no closing repeat, no repeats in a row
    std::vector<double> points;              // the result's vertices
    std::vector<unsigned> triangles;         // the result's inside triangles
    unsigned input_points = 0;
    unsigned rings_offered = 0;  // addRing calls, for messages
    double tol = 0.0;

    int triangulate(int rule);

private:
    void clearResult() {
        points.clear();
        triangles.clear();
        input_points = 0;
    }
    std::vector<unsigned> snapRings();
    int fill(const std::vector<ArrangementEdge>& edges, int rule);
    bool forceEdge(KelmDelaunay2D* tri, const Frame& f, unsigned a, unsigned b, int delta,
                   int depth, bool careful, std::vector<Forced>* forced);
    int label(KelmDelaunay2D* tri, const std::vector<Forced>& forced, int rule);
};

}  // namespace kelm_internal

namespace {

using kelm_internal::ArrangementEdge;
using kelm_internal::DelaunayAccess;
using kelm_internal::DelaunayState;
using kelm_internal::Forced;
using kelm_internal::Frame;

constexpr double kRelativeTolerance = 1e-12;

std::uint64_t pairKey(unsigned a, unsigned b) {
    if (a > b) std::swap(a, b);
    return static_cast<std::uint64_t>(a) << 32 | b;
}

Frame frameFor(const std::vector<double>& xy) {
    double minx = xy[0], maxx = xy[0], miny = xy[1], maxy = xy[1];
    for (std::size_t i = 0; i < xy.size(); i += 2) {
        minx = std::min(minx, xy[i]);
        maxx = std::max(maxx, xy[i]);
        miny = std::min(miny, xy[i + 1]);
        maxy = std::max(maxy, xy[i + 1]);
    }
    int e = 0;
    std::frexp(std::max(maxx - minx, maxy - miny), &e);
    return {minx, miny, std::ldexp(1.0, -e)};
}

// The same per edge of the triangulation, for its stored direction (u, v); 0
// for an edge no ring bounds. A pair forced twice takes the least of its deltas.
std::vector<int> edgeDeltas(const DelaunayState& s, const std::vector<Forced>& forced) {
    kelm_internal::U64Map<int> deltas;  // pair keys are never the free key
    deltas.reserve(forced.size());
    for (const Forced& f : forced) {
        const int d = f.a < f.b ? f.delta : -f.delta;
        const auto ins = deltas.insert(pairKey(f.a, f.b), d);
        if (!ins.second && d < *ins.first) *ins.first = d;
    }
    const unsigned ne = s.edgeCount();
    std::vector<int> out(ne, 0);
    for (unsigned e = 0; e < ne; ++e) {
        const unsigned u = s.edgeVerts(e)[0], v = s.edgeVerts(e)[1];
        const int* d = deltas.find(pairKey(u, v));
        if (d) out[e] = u < v ? *d : -*d;
    }
    return out;
}

// Does triangle t (counter-clockwise) hold edge e in its stored direction, so
// that t lies on the edge's left?
bool onLeft(const DelaunayState& s, unsigned t, unsigned e) {
    const unsigned u = s.edgeVerts(e)[0], v = s.edgeVerts(e)[1];
    const unsigned* tv = s.triVerts(t);
    for (unsigned k = 0; k < 3; ++k)
        if (tv[k] == u) return tv[(k + 1) % 3] == v;
    return false;
}

constexpr int kUnset = INT32_MIN;

// The winding number (even-odd: the crossing count) of every triangle, walked
// from the outside triangle on edge 0 across the edges. Returns a triangle
// reached with two values (modulo 2 under parity), or KELM_NONE.
unsigned windingWalk(const DelaunayState& s, const std::vector<int>& edge_delta, bool parity,
                     std::vector<int>* winding) {
    winding->assign(s.triangleCount(), kUnset);
    std::vector<unsigned> stack{s.edgeTris(0)[0]};
    (*winding)[stack[0]] = 0;
    while (!stack.empty()) {
        const unsigned t = stack.back();
        stack.pop_back();
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = s.triEdges(t)[k];
            unsigned n = s.edgeTris(e)[0];
            if (n == t) n = s.edgeTris(e)[1];
            if (n == KELM_NONE) continue;
            // Stepping from the left of the edge to its right loses its delta.
            const int d = edge_delta[e];
            const int w = (*winding)[t] + (d == 0 ? 0 : onLeft(s, t, e) ? -d : d);
            if ((*winding)[n] == kUnset) {
                (*winding)[n] = w;
                stack.push_back(n);
            } else if (parity ? (((*winding)[n] - w) & 1) != 0 : (*winding)[n] != w) {
                return n;
            }
        }
    }
    return KELM_NONE;
}

bool insideUnder(int rule, int winding) {
    return rule == KELM_FILL_EVEN_ODD ? (winding & 1) != 0 : winding != 0;
}

}  // namespace

namespace kelm_internal {

std::vector<unsigned> PolygonState::snapRings() {
    return kelm_internal::snapRings(rings, &points, &tol, &input_points);
}

// Forces the edge a-b (triangulator indices). The triangulator's recovery
// flips the edges the segment crosses without a convexity test, which on
// nearly collinear points can turn a triangle over; so the careful way, and
// the way out where the recovery cannot bring a and b together, gives the
// segment its midpoint as a new vertex and forces the halves, until a half is
// an edge already (careful) or the depth runs out.
bool PolygonState::forceEdge(KelmDelaunay2D* tri, const Frame& f, unsigned a, unsigned b,
                             int delta, int depth, bool careful, std::vector<Forced>* forced) {
    constexpr int kMaxDepth = 12;
    if (!careful || depth == kMaxDepth || tri->findEdge(a, b) != KELM_NONE) {
        if (tri->insertEdge(a, b, 1)) {
            forced->push_back({a, b, delta});
            return true;
        }
        if (depth == kMaxDepth) return false;
    }
    const double* pa = &points[2 * (a - 3)];
    const double* pb = &points[2 * (b - 3)];
    const double mid[2] = {0.5 * (pa[0] + pb[0]), 0.5 * (pa[1] + pb[1])};
    const double framed[2] = {(mid[0] - f.x0) * f.scale, (mid[1] - f.y0) * f.scale};
    const unsigned m = static_cast<unsigned>(points.size() / 2) + 3;
    if (tri->insertPoint(framed) != m) return false;
    points.push_back(mid[0]);
    points.push_back(mid[1]);
    return forceEdge(tri, f, a, m, delta, depth + 1, careful, forced) &&
           forceEdge(tri, f, m, b, delta, depth + 1, careful, forced);
}

// Every triangle must keep the enclosing triangle's counter-clockwise sense.
unsigned turnedOver(const DelaunayState& s) {
    for (unsigned t = 0; t < s.triangleCount(); ++t) {
        const unsigned* tv = s.triVerts(t);
        if (orient2dExact(s.point(tv[0]), s.point(tv[1]), s.point(tv[2])) <= 0) return t;
    }
    return KELM_NONE;
}

int PolygonState::triangulate(int rule) {
    clearResult();
    if (rule != KELM_FILL_EVEN_ODD && rule != KELM_FILL_NON_ZERO) {
        kelm_ec()->error("KelmPolygon2D: unknown fill rule %d", rule);
        return 0;
    }
    if (rings.empty()) {
        kelm_ec()->error("KelmPolygon2D: no ring to triangulate");
        return 0;
    }
    std::vector<unsigned> segs = snapRings();
    const std::vector<ArrangementEdge> edges = arrangeSegments(&points, std::move(segs), tol);
    if (!fill(edges, rule)) {
        clearResult();
        return 0;
    }
    return 1;
}

// Triangulates the arrangement and keeps the inside triangles: first the
// quick way; if an edge cannot be forced or a triangle turns over, once more
// the careful way.
int PolygonState::fill(const std::vector<ArrangementEdge>& edges, int rule) {
    const unsigned nv = static_cast<unsigned>(points.size() / 2);
    const Frame f = frameFor(points);
    KelmReal2DArray framed;
    framed.size(nv);
    for (unsigned v = 0; v < nv; ++v) {
        framed[v][0] = (points[2 * v] - f.x0) * f.scale;
        framed[v][1] = (points[2 * v + 1] - f.y0) * f.scale;
    }
    KelmBoundingBox2D box;
    box.update(framed);
    if (!(box.maxx() > box.minx()) || !(box.maxy() > box.miny())) {
        // Every point on one line: nothing is enclosed.
        return 1;
    }
    for (const bool careful : {false, true}) {
        points.resize(2 * static_cast<std::size_t>(nv));  // midpoints of the quick try go
        KelmDelaunay2D tri;
        tri.init(&box, 1.0);
        if (tri.insertPoints(framed) == KELM_NONE || tri.getPointCount() != nv + 3) {
            kelm_ec()->error("KelmPolygon2D: the triangulator refused a point or merged two");
            return 0;
        }
        std::vector<Forced> forced;
        unsigned failed = KELM_NONE;
        for (std::size_t i = 0; i < edges.size() && failed == KELM_NONE; ++i) {
            const ArrangementEdge& e = edges[i];
            // Only edges that can bound the region go in: an odd count
            // (even-odd), or a net direction (non-zero; whether the winding on
            // one side is zero is known once the walk has run).
            const int d = rule == KELM_FILL_EVEN_ODD ? (e.count & 1) : e.winding;
            if (d != 0 && !forceEdge(&tri, f, e.a + 3, e.b + 3, d, 0, careful, &forced))
                failed = static_cast<unsigned>(i);
        }
        const unsigned over =
            failed == KELM_NONE ? turnedOver(*DelaunayAccess::state(tri)) : KELM_NONE;
        if (failed == KELM_NONE && over == KELM_NONE) return label(&tri, forced, rule);
        if (!careful) continue;
        if (failed != KELM_NONE)
            kelm_ec()->error("KelmPolygon2D: the edge from vertex %u to %u could not be forced in",
                             edges[failed].a, edges[failed].b);
        else
            kelm_ec()->error("KelmPolygon2D: triangle %u of the triangulation is turned over", over);
    }
    return 0;
}

// Winding numbers over the triangles, border flags from them, both checked;
// the inside triangles kept.
int PolygonState::label(KelmDelaunay2D* tri_ptr, const std::vector<Forced>& forced, int rule) {
    KelmDelaunay2D& tri = *tri_ptr;
    const DelaunayState& s = *DelaunayAccess::state(tri);
    std::vector<int> winding;
    const std::vector<int> edge_delta = edgeDeltas(s, forced);
    const unsigned conflict = windingWalk(s, edge_delta, rule == KELM_FILL_EVEN_ODD, &winding);
    if (conflict != KELM_NONE) {
        kelm_ec()->error("KelmPolygon2D: triangle %u is reached as inside and as outside",
                         conflict);
        return 0;
    }

    // Under non-zero a forced edge between two inside (or two outside) sides
    // is no border; then the triangulator's own parity labels must agree with
    // the walk.
    for (unsigned e = 0; rule == KELM_FILL_NON_ZERO && e < edge_delta.size(); ++e) {
        if (edge_delta[e] == 0) continue;
        const unsigned t0 = s.edgeTris(e)[0], t1 = s.edgeTris(e)[1];
        if (insideUnder(rule, winding[t0]) == insideUnder(rule, winding[t1]))
            tri.insertEdge(s.edgeVerts(e)[0], s.edgeVerts(e)[1], 0);
    }
    tri.resolveInside();
    const unsigned nt = s.triangleCount();
    for (unsigned t = 0; t < nt; ++t) {
        const bool in = winding[t] != kUnset && insideUnder(rule, winding[t]);
        const unsigned parity = s.tri_labels[t];
        if (parity != (in ? 1u : 0u)) {
            kelm_ec()->error("KelmPolygon2D: triangle %u is labelled %d by parity but %s by winding",
                             t, static_cast<int>(parity), in ? "inside" : "outside");
            return 0;
        }
        if (!in) continue;
        const unsigned* v = s.triVerts(t);
        if (v[0] < 3 || v[1] < 3 || v[2] < 3) {
            kelm_ec()->error("KelmPolygon2D: inside triangle %u uses a corner of the enclosing triangle", t);
            return 0;
        }
        for (unsigned k = 0; k < 3; ++k) triangles.push_back(v[k] - 3);
    }
    return 1;
}

std::vector<unsigned> snapRings(const std::vector<std::vector<double>>& rings,
                                std::vector<double>* points, double* tol, unsigned* input_points) {
    double minx = DBL_MAX, miny = DBL_MAX, maxx = -DBL_MAX, maxy = -DBL_MAX, big = 0.0;
    for (const auto& r : rings) {
        for (std::size_t i = 0; i < r.size(); i += 2) {
            minx = std::min(minx, r[i]);
            maxx = std::max(maxx, r[i]);
            miny = std::min(miny, r[i + 1]);
            maxy = std::max(maxy, r[i + 1]);
            big = std::max({big, std::fabs(r[i]), std::fabs(r[i + 1])});
        }
    }
    *tol = kRelativeTolerance * std::max(maxx - minx, maxy - miny) + 16.0 * DBL_EPSILON * big;
    points->clear();
    VertexSnap snap(points, minx, miny, *tol);
    std::size_t total = 0;
    for (const auto& r : rings) total += r.size() / 2;
    snap.reserve(total);
    points->reserve(2 * total);
    std::vector<unsigned> segs;
    for (const auto& r : rings) {
        std::vector<unsigned> ids;
        for (std::size_t i = 0; i < r.size(); i += 2) {
            const unsigned v = snap.add(r[i], r[i + 1]);
            if (ids.empty() || ids.back() != v) ids.push_back(v);
        }
        while (ids.size() > 1 && ids.back() == ids.front()) ids.pop_back();
        for (std::size_t i = 0; ids.size() > 1 && i < ids.size(); ++i) {
            segs.push_back(ids[i]);
            segs.push_back(ids[(i + 1) % ids.size()]);
        }
    }
    *input_points = static_cast<unsigned>(points->size() / 2);
    return segs;
}

}  // namespace kelm_internal

KelmPolygon2D::KelmPolygon2D() : state_(new kelm_internal::PolygonState) {}
KelmPolygon2D::~KelmPolygon2D() = default;
KelmPolygon2D::KelmPolygon2D(KelmPolygon2D&& other) noexcept
    : state_(std::move(other.state_)) {
    other.state_.reset(new (std::nothrow) kelm_internal::PolygonState);
}
KelmPolygon2D& KelmPolygon2D::operator=(KelmPolygon2D&& other) noexcept {
    std::swap(state_, other.state_);
    return *this;
}

int KelmPolygon2D::addRing(const double* xy, unsigned count) {
    const unsigned number = state_->rings_offered++;
    std::vector<double> ring;
    for (unsigned i = 0; xy && i < count; ++i) {
        const double x = xy[2 * i], y = xy[2 * i + 1];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            kelm_ec()->error("KelmPolygon2D: ring %u, point %u: the coordinates are not finite",
                             number, i);
            return 0;
        }
        const std::size_t n = ring.size();
        if (n == 0 || ring[n - 2] != x || ring[n - 1] != y) {
            ring.push_back(x);
            ring.push_back(y);
        }
    }
    while (ring.size() > 2 && ring[0] == ring[ring.size() - 2] && ring[1] == ring.back())
        ring.resize(ring.size() - 2);
    // Distinct points: at least three unless the ring only goes back and forth.
    std::vector<std::pair<double, double>> distinct;
    for (std::size_t i = 0; i < ring.size() && distinct.size() < 3; i += 2) {
        const std::pair<double, double> p(ring[i], ring[i + 1]);
        if (std::find(distinct.begin(), distinct.end(), p) == distinct.end()) distinct.push_back(p);
    }
    if (distinct.size() < 3) {
        kelm_ec()->warning("KelmPolygon2D: ring %u has fewer than 3 distinct points; skipped",
                           number);
        return 0;
    }
    state_->rings.push_back(std::move(ring));
    return 1;
}

int KelmPolygon2D::addRing(const KelmReal2DArray& ring) {
    return addRing(ring.size() ? ring.get(0) : nullptr, ring.size());
}

unsigned KelmPolygon2D::getRingCount() const {
    return static_cast<unsigned>(state_->rings.size());
}

void KelmPolygon2D::clear() {
    state_.reset(new kelm_internal::PolygonState);
}

int KelmPolygon2D::triangulate(int rule) {
    return state_->triangulate(rule);
}

double KelmPolygon2D::getTolerance() const { return state_->tol; }
unsigned KelmPolygon2D::getInputPointCount() const { return state_->input_points; }
unsigned KelmPolygon2D::getPointCount() const {
    return static_cast<unsigned>(state_->points.size() / 2);
}
const double* KelmPolygon2D::getPoint(unsigned i) const { return &state_->points[2 * i]; }
unsigned KelmPolygon2D::getTriangleCount() const {
    return static_cast<unsigned>(state_->triangles.size() / 3);
}
void KelmPolygon2D::getTriangle(unsigned* a, unsigned* b, unsigned* c, unsigned tri) const {
    *a = state_->triangles[3 * tri];
    *b = state_->triangles[3 * tri + 1];
    *c = state_->triangles[3 * tri + 2];
}
