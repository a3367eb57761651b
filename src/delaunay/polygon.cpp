// KelmPolygon2D: rings to an arrangement of edges with coverage, the edges that
// can bound the region forced into a KelmDelaunay2D, winding numbers walked over
// its triangles and checked against the triangulator's own labels.
#include "kelmmath/delaunay/polygon.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "delaunay/internal_polygon.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/geom/bbox2d.h"

namespace kelm_internal {

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
};

}  // namespace kelm_internal

namespace {

using kelm_internal::ArrangementEdge;

constexpr double kRelativeTolerance = 1e-12;

std::uint64_t pairKey(unsigned a, unsigned b) {
    if (a > b) std::swap(a, b);
    return static_cast<std::uint64_t>(a) << 32 | b;
}

// The triangulator's view of the vertices: moved to the origin and scaled by a
// power of two to about unit size, so that its absolute thresholds meet values
// of one scale whatever the input's.
struct Frame {
    double x0, y0, scale;
};

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

// Label walk over the triangles: the winding number (even-odd: the crossing
// count) of each triangle, from the outside triangle on edge 0 across the
// forced edges. Returns the triangle reached with two values, or KELM_NONE.
class WindingWalk {
public:
    // parity: values agree when they agree modulo 2 (even-odd).
    WindingWalk(KelmDelaunay2D* tri, const std::unordered_map<std::uint64_t, int>* delta,
                const std::vector<unsigned>* vertex_of, bool parity)
        : tri_(tri), delta_(delta), vertex_of_(vertex_of), parity_(parity) {}

    unsigned run(std::vector<int>* winding) {
        const unsigned nt = tri_->getTriangleCount();
        winding->assign(nt, kUnset);
        std::vector<unsigned> stack{tri_->getEdgeTriangle(0, 0)};
        (*winding)[stack[0]] = 0;
        while (!stack.empty()) {
            const unsigned t = stack.back();
            stack.pop_back();
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned e = tri_->getTriangleEdge(t, k);
                unsigned n = tri_->getEdgeTriangle(e, 0);
                if (n == t) n = tri_->getEdgeTriangle(e, 1);
                if (n == KELM_NONE) continue;
                const int w = (*winding)[t] + crossing(t, e);
                if ((*winding)[n] == kUnset) {
                    (*winding)[n] = w;
                    stack.push_back(n);
                } else if (parity_ ? (((*winding)[n] - w) & 1) != 0 : (*winding)[n] != w) {
                    return n;
                }
            }
        }
        return KELM_NONE;
    }

    static constexpr int kUnset = INT32_MIN;

private:
    // The change of winding number stepping out of t across e. A ring winds
    // one more on the left of its direction than on its right.
    int crossing(unsigned t, unsigned e) {
        const unsigned u = tri_->getEdgeVertex(e, 0), v = tri_->getEdgeVertex(e, 1);
        if (u < 3 || v < 3) return 0;
        const unsigned a = (*vertex_of_)[u], b = (*vertex_of_)[v];
        const auto it = delta_->find(pairKey(a, b));
        if (it == delta_->end()) return 0;
        // it->second: net count of rings running from the smaller vertex to the larger.
        const int low_to_high = it->second;
        // Does t hold the edge as low->high in its counter-clockwise order?
        const unsigned lo = a < b ? u : v, hi = a < b ? v : u;
        bool forward = false;
        for (unsigned k = 0; k < 3; ++k)
            if (tri_->getTriangleVertex(t, k) == lo && tri_->getTriangleVertex(t, (k + 1) % 3) == hi)
                forward = true;
        // t on the left of lo->hi: leaving t crosses to its right, which rings
        // running lo->hi wind less.
        return forward ? -low_to_high : low_to_high;
    }

    KelmDelaunay2D* tri_;
    const std::unordered_map<std::uint64_t, int>* delta_;
    const std::vector<unsigned>* vertex_of_;
    bool parity_;
};

bool insideUnder(int rule, int winding) {
    return rule == KELM_FILL_EVEN_ODD ? (winding & 1) != 0 : winding != 0;
}

}  // namespace

namespace kelm_internal {

// Shares points closer than the tolerance; returns the ring segments as pairs
// of vertex indices, leaving the vertices in points.
std::vector<unsigned> PolygonState::snapRings() {
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
    tol = kRelativeTolerance * std::max(maxx - minx, maxy - miny) + 16.0 * DBL_EPSILON * big;
    VertexSnap snap(&points, minx, miny, tol);
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
    input_points = static_cast<unsigned>(points.size() / 2);
    return segs;
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

// Triangulates the arrangement and keeps the inside triangles.
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
    KelmDelaunay2D tri;
    tri.init(&box, 1.0);
    if (tri.insertPoints(framed) == KELM_NONE) {
        kelm_ec()->error("KelmPolygon2D: the triangulator refused a point");
        return 0;
    }
    if (tri.getPointCount() != nv + 3) {
        kelm_ec()->error("KelmPolygon2D: two vertices fell together in the triangulator");
        return 0;
    }
    std::vector<unsigned> vertex_of(nv + 3, KELM_NONE);
    for (unsigned v = 0; v < nv; ++v) vertex_of[v + 3] = v;

    // Only edges that can bound the region go in: an odd count (even-odd), or
    // a net direction (non-zero; whether the winding on one side is zero is
    // known once the walk has run).
    std::unordered_map<std::uint64_t, int> delta;
    delta.reserve(2 * edges.size());
    std::vector<const ArrangementEdge*> forced;
    for (const ArrangementEdge& e : edges) {
        const int d = rule == KELM_FILL_EVEN_ODD ? (e.count & 1) : e.winding;
        if (d == 0) continue;
        if (!tri.insertEdge(e.a + 3, e.b + 3, 1)) {
            kelm_ec()->error("KelmPolygon2D: the edge from vertex %u to %u could not be forced in",
                             e.a, e.b);
            return 0;
        }
        delta.emplace(pairKey(e.a, e.b), d);
        forced.push_back(&e);
    }

    std::vector<int> winding;
    WindingWalk walk(&tri, &delta, &vertex_of, rule == KELM_FILL_EVEN_ODD);
    const unsigned conflict = walk.run(&winding);
    if (conflict != KELM_NONE) {
        kelm_ec()->error("KelmPolygon2D: triangle %u is reached as inside and as outside",
                         conflict);
        return 0;
    }

    // Border flags from the sides' labels; then the triangulator's own parity
    // labels must agree with the walk.
    for (const ArrangementEdge* e : forced) {
        const unsigned te = tri.findEdge(e->a + 3, e->b + 3);
        const unsigned t0 = tri.getEdgeTriangle(te, 0), t1 = tri.getEdgeTriangle(te, 1);
        const bool border = t1 != KELM_NONE && insideUnder(rule, winding[t0]) != insideUnder(rule, winding[t1]);
        if (!border) tri.insertEdge(e->a + 3, e->b + 3, 0);
    }
    tri.resolveInside();
    const unsigned nt = tri.getTriangleCount();
    for (unsigned t = 0; t < nt; ++t) {
        const bool in = winding[t] != WindingWalk::kUnset && insideUnder(rule, winding[t]);
        if (tri.isInside(t) != (in ? 1 : 0)) {
            kelm_ec()->error("KelmPolygon2D: triangle %u is labelled %d by parity but %s by winding",
                             t, tri.isInside(t), in ? "inside" : "outside");
            return 0;
        }
        if (!in) continue;
        unsigned v[3];
        tri.getTriangle(&v[0], &v[1], &v[2], t);
        if (v[0] < 3 || v[1] < 3 || v[2] < 3) {
            kelm_ec()->error("KelmPolygon2D: inside triangle %u uses a corner of the enclosing triangle", t);
            return 0;
        }
        for (unsigned k = 0; k < 3; ++k) triangles.push_back(vertex_of[v[k]]);
    }
    return 1;
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
