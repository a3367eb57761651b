#ifndef KELMMATH_TESTS_SUPPORT_DELAUNAY_H
#define KELMMATH_TESTS_SUPPORT_DELAUNAY_H

// Helpers of the triangulator tests: boxes, golden files, seeded points, dumps
// and an invariant checker that reads the triangulation through its getters.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "delaunay/internal_delaunay.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "support/capture.h"
#include "support/golden.h"

namespace kelm_test {

inline KelmBoundingBox2D makeBox(double x0, double y0, double x1, double y1) {
    KelmBoundingBox2D box;
    box.update(x0, y0);
    box.update(x1, y1);
    return box;
}

inline std::string dumpMeshText(KelmDelaunay2D& d) {
    StdoutCapture capture;
    d.dumpMesh();
    return capture.text();
}

// Points uniform in [x0, x1) x [y0, y1); the raw Mersenne Twister output is
// fixed by the standard, so the points are the same everywhere.
inline std::vector<std::pair<double, double>> randomPoints(unsigned seed, unsigned n, double x0,
                                                           double y0, double x1, double y1) {
    std::mt19937 gen(seed);
    std::vector<std::pair<double, double>> pts;
    for (unsigned i = 0; i < n; ++i) {
        const double u = gen() / 4294967296.0, v = gen() / 4294967296.0;
        pts.emplace_back(x0 + (x1 - x0) * u, y0 + (y1 - y0) * v);
    }
    return pts;
}

inline double signedArea2(const double* a, const double* b, const double* c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
}

// Every triangle has the enclosing triangle's sense and lies on each of its
// three edges, which are its sides; every edge names exactly the triangles that
// list it; no edge repeats; only the three enclosing edges are on the hull.
inline ::testing::AssertionResult isConsistent(KelmDelaunay2D& d) {
    const unsigned nt = d.getTriangleCount(), ne = d.getEdgeCount();
    const double sense = signedArea2(d.getPoint(0), d.getPoint(1), d.getPoint(2));
    std::vector<unsigned> uses(ne, 0);
    for (unsigned t = 0; t < nt; ++t) {
        unsigned v[3];
        d.getTriangle(&v[0], &v[1], &v[2], t);
        if (!(signedArea2(d.getPoint(v[0]), d.getPoint(v[1]), d.getPoint(v[2])) * sense > 0))
            return ::testing::AssertionFailure() << "triangle " << t << " has the wrong sense";
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = d.getTriangleEdge(t, k);
            const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
            ++uses[e];
            int found = 0;
            for (unsigned m = 0; m < 3; ++m) found += (v[m] == a) + (v[m] == b);
            if (found != 2 || (d.getEdgeTriangle(e, 0) != t && d.getEdgeTriangle(e, 1) != t))
                return ::testing::AssertionFailure() << "triangle " << t << " edge " << e;
        }
    }
    std::set<std::pair<unsigned, unsigned>> seen;
    for (unsigned e = 0; e < ne; ++e) {
        const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
        const bool hull = d.getEdgeTriangle(e, 1) == KELM_NONE;
        if (!seen.insert(std::minmax(a, b)).second || uses[e] != (hull ? 1u : 2u) ||
            hull != (e < 3))
            return ::testing::AssertionFailure() << "edge " << e;
    }
    return ::testing::AssertionSuccess();
}

// Every interior edge not in skip has opposite angles adding up to at most 180
// degrees, measured with atan2.
inline ::testing::AssertionResult passesAngleTest(KelmDelaunay2D& d,
                                                  const std::set<unsigned>& skip = {}) {
    auto angle = [&d](unsigned p, unsigned a, unsigned b) {
        const double *P = d.getPoint(p), *A = d.getPoint(a), *B = d.getPoint(b);
        const double ux = A[0] - P[0], uy = A[1] - P[1], vx = B[0] - P[0], vy = B[1] - P[1];
        return std::fabs(std::atan2(ux * vy - uy * vx, ux * vx + uy * vy));
    };
    for (unsigned e = 3; e < d.getEdgeCount(); ++e) {
        if (skip.count(e)) continue;
        const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
        double sum = 0;
        for (unsigned s = 0; s < 2; ++s) {
            const unsigned t = d.getEdgeTriangle(e, s);
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned v = d.getTriangleVertex(t, k);
                if (v != a && v != b) sum += angle(v, a, b);
            }
        }
        if (sum > std::acos(-1.0) + 1e-9)
            return ::testing::AssertionFailure() << "edge " << e << " angle sum " << sum;
    }
    return ::testing::AssertionSuccess();
}

// Both dumps of a state, as printed.
inline std::string dumpStateText(const kelm_internal::DelaunayState& s) {
    StdoutCapture capture;
    s.dumpMesh();
    s.dumpFacets();
    return capture.text();
}

// Sets the search mode of states made while it lives, and restores the old one.
class SearchModeScope {
public:
    explicit SearchModeScope(kelm_internal::SearchMode mode)
        : previous_(kelm_internal::defaultSearchMode()), mode_(mode) {
        kelm_internal::setDefaultSearchMode(mode);
    }
    ~SearchModeScope() { kelm_internal::setDefaultSearchMode(previous_); }
    SearchModeScope(const SearchModeScope&) = delete;
    SearchModeScope& operator=(const SearchModeScope&) = delete;
    kelm_internal::SearchMode mode() const { return mode_; }

private:
    kelm_internal::SearchMode previous_, mode_;
};

// Seeded draws built on the raw Mersenne Twister output only.
class Draw {
public:
    explicit Draw(unsigned seed) : gen_(seed * 2654435761u + 12345u) {}
    double uniform() { return gen_() / 4294967296.0; }  // in [0, 1)
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    unsigned below(unsigned n) { return n ? static_cast<unsigned>(gen_() % n) : 0u; }
    bool chance(double p) { return uniform() < p; }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[below(static_cast<unsigned>(from.size()))];
    }

private:
    std::mt19937 gen_;
};

// One call on a triangulation state.
struct DelaunayOp {
    enum Kind { kPoint, kEdge, kResolve } kind;
    double x, y;
    unsigned a, b;
    int border;
};

// A generated run: the box (xmin, ymin, xmax, ymax), the y scale and the calls.
struct DelaunayCase {
    const char* family;
    double box[4];
    double yscale;
    std::vector<DelaunayOp> ops;
};

namespace detail {

inline void addPoint(DelaunayCase& c, double x, double y) {
    c.ops.push_back({DelaunayOp::kPoint, x, y, 0, 0, 0});
}

// A box of random place, size (1e-3 to 1e6) and shape.
inline void randomBox(Draw& draw, double* box) {
    const double size = std::pow(10.0, draw.between(-3, 6));
    const double aspect = std::pow(10.0, draw.between(-1.5, 1.5));
    const double x0 =
        draw.chance(0.3) ? 0.0 : draw.between(-2, 2) * size * draw.pick<double>({1, 10, 1e3});
    const double y0 = draw.chance(0.3) ? 0.0 : draw.between(-2, 2) * size;
    box[0] = x0;
    box[1] = y0;
    box[2] = x0 + size * aspect;
    box[3] = y0 + size;
}

inline void boxFromPoints(DelaunayCase& c) {
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (const DelaunayOp& op : c.ops) {
        if (op.kind != DelaunayOp::kPoint || !std::isfinite(op.x) || !std::isfinite(op.y)) continue;
        lo[0] = std::min(lo[0], op.x), hi[0] = std::max(hi[0], op.x);
        lo[1] = std::min(lo[1], op.y), hi[1] = std::max(hi[1], op.y);
    }
    if (!(hi[0] > lo[0])) hi[0] = lo[0] + 1;
    if (!(hi[1] > lo[1])) hi[1] = lo[1] + 1;
    c.box[0] = lo[0], c.box[1] = lo[1], c.box[2] = hi[0], c.box[3] = hi[1];
}

inline double inBox(Draw& draw, const double* box, int k) {
    return draw.between(box[k], box[k + 2]);
}

// Constraints: random vertex pairs (corners and numbers past the end
// included), and a loop through vertices taken in angle order around the box
// centre (a simple polygon), each with a random border flag.
inline void addConstraints(Draw& draw, DelaunayCase& c, unsigned points) {
    const unsigned top = points + 3;
    const unsigned pairs = draw.below(12);
    for (unsigned k = 0; k < pairs; ++k) {
        const unsigned a = draw.chance(0.05) ? draw.below(3) : 3 + draw.below(points + 2);
        const unsigned b = draw.chance(0.1) ? a : 3 + draw.below(points + 2);
        c.ops.push_back({DelaunayOp::kEdge, 0, 0, a, b, static_cast<int>(draw.below(3))});
    }
    if (points >= 4 && draw.chance(0.6)) {
        // Vertex i is the i-th point when every point went in; where one did
        // not, the loop is just another set of pairs.
        std::vector<std::pair<double, unsigned>> ring;
        const double cx = (c.box[0] + c.box[2]) / 2, cy = (c.box[1] + c.box[3]) / 2;
        unsigned v = 3;
        for (const DelaunayOp& op : c.ops) {
            if (op.kind != DelaunayOp::kPoint) continue;
            if (v < top && draw.chance(0.4)) ring.emplace_back(std::atan2(op.y - cy, op.x - cx), v);
            ++v;
        }
        std::sort(ring.begin(), ring.end());
        for (std::size_t i = 0; ring.size() >= 3 && i < ring.size(); ++i)
            c.ops.push_back({DelaunayOp::kEdge, 0, 0, ring[i].second,
                             ring[(i + 1) % ring.size()].second, draw.chance(0.9) ? 1 : 0});
    }
    if (draw.chance(0.7)) c.ops.push_back({DelaunayOp::kResolve, 0, 0, 0, 0, 0});
}

}  // namespace detail

// Case i of the generated families: random points, lattices (collinear and
// cocircular points, duplicates), circles, points at the enclosing triangle
// and at the box, clusters, special values, points a few units of rounding
// apart or off a line, and constrained sets; about half of the others get
// constraints too, and some then take further points.
inline DelaunayCase makeDelaunayCase(unsigned i) {
    Draw draw(i);
    DelaunayCase c{"", {0, 0, 1, 1}, 1.0, {}};
    static const double kScales[] = {1.0, 1.0, 1.0, 2.0, 0.5, -1.0, 3.0, -0.25};
    c.yscale = kScales[draw.below(8)];
    const unsigned family = i % 8;
    unsigned n = 1 + draw.below(draw.chance(0.1) ? 160 : 60);
    switch (family) {
        case 0: {
            c.family = "random";
            detail::randomBox(draw, c.box);
            for (unsigned k = 0; k < n; ++k) {
                const double m = draw.chance(0.05) ? 0.2 : 0.0;  // a few outside the box
                const double w = c.box[2] - c.box[0], h = c.box[3] - c.box[1];
                detail::addPoint(c, c.box[0] + w * draw.between(-m, 1 + m),
                                 c.box[1] + h * draw.between(-m, 1 + m));
            }
            break;
        }
        case 1: {
            c.family = "lattice";
            const unsigned cols = 2 + draw.below(10), rows = 2 + draw.below(10);
            const double step = draw.pick<double>({1.0, 0.1, 1.0 / 3, 0.5, 1e-3, 7.0});
            const double x0 = draw.pick<double>({0.0, -3.0, 0.7, 1e4});
            std::vector<std::pair<double, double>> pts;
            for (unsigned r = 0; r < rows; ++r)
                for (unsigned k = 0; k < cols; ++k) pts.emplace_back(x0 + k * step, r * step);
            if (draw.chance(0.3))  // square centres: four cocircular neighbours each
                for (unsigned r = 0; r + 1 < rows; ++r)
                    for (unsigned k = 0; k + 1 < cols; ++k)
                        pts.emplace_back(x0 + (k + 0.5) * step, (r + 0.5) * step);
            const unsigned order = draw.below(3);
            if (order == 1) std::reverse(pts.begin(), pts.end());
            if (order == 2) std::shuffle(pts.begin(), pts.end(), std::mt19937(i));
            const unsigned copies = draw.below(pts.size() / 4 + 1);
            for (unsigned k = 0; k < copies; ++k) {
                const auto p = draw.pick(pts);
                pts.insert(pts.begin() + draw.below(pts.size() + 1), p);
            }
            for (const auto& p : pts) detail::addPoint(c, p.first, p.second);
            detail::boxFromPoints(c);  // the outer lattice points lie on the box outline
            if (draw.chance(0.05)) c.box[2] = c.box[0];  // a flat enclosing triangle
            n = static_cast<unsigned>(pts.size());
            break;
        }
        case 2: {
            c.family = "circle";
            const double r = std::pow(10.0, draw.between(-2, 3));
            const double cx = draw.between(-5, 5) * r, cy = draw.between(-5, 5) * r;
            const unsigned rings = 1 + draw.below(3);
            std::vector<std::pair<double, double>> pts;
            for (unsigned ring = 0; ring < rings; ++ring)
                for (unsigned k = 0; k < n; ++k) {
                    const double a = 2 * std::acos(-1.0) * k / n;
                    pts.emplace_back(cx + r * (ring + 1) * std::cos(a),
                                     cy + r * (ring + 1) * std::sin(a));
                }
            if (draw.chance(0.5)) pts.emplace_back(cx, cy);
            if (draw.chance(0.5)) std::shuffle(pts.begin(), pts.end(), std::mt19937(i));
            for (const auto& p : pts) detail::addPoint(c, p.first, p.second);
            detail::boxFromPoints(c);
            n = static_cast<unsigned>(pts.size());
            break;
        }
        case 3: {
            c.family = "enclosing";
            detail::randomBox(draw, c.box);
            const double dx = c.box[2] - c.box[0], dy = c.box[3] - c.box[1];
            // The enclosing corners in the caller's coordinates.
            const double corner[3][2] = {{c.box[0] - dx, c.box[1] - dy},
                                         {c.box[2] + 3 * dx, c.box[1] - dy},
                                         {c.box[0] - dx, c.box[3] + 3 * dy}};
            for (unsigned k = 0; k < n; ++k) {
                const unsigned kind = draw.below(5);
                double x, y;
                if (kind <= 2) {  // on an enclosing edge, or a hair off it
                    const unsigned s = draw.below(3);
                    const double* p = corner[s];
                    const double* q = corner[(s + 1) % 3];
                    const double f = draw.chance(0.1) ? 0.0 : draw.uniform();
                    x = p[0] + f * (q[0] - p[0]);
                    y = p[1] + f * (q[1] - p[1]);
                    const double off =
                        kind == 0 ? 0.0 : draw.pick<double>({1e-9, 1e-7, 5e-7, 2e-6});
                    x += (draw.uniform() - 0.5) * off * dx * 10;
                    y += (draw.uniform() - 0.5) * off * dy * 10;
                } else if (kind == 3) {  // on the box outline
                    const double f = draw.uniform();
                    const unsigned side = draw.below(4);
                    x = side < 2 ? c.box[side * 2] : c.box[0] + f * dx;
                    y = side < 2 ? c.box[1] + f * dy : c.box[(side - 2) * 2 + 1];
                } else {
                    x = detail::inBox(draw, c.box, 0);
                    y = detail::inBox(draw, c.box, 1);
                }
                detail::addPoint(c, x, y);
            }
            break;
        }
        case 4: {
            c.family = "clusters";
            detail::randomBox(draw, c.box);
            const unsigned clusters = 1 + draw.below(4);
            for (unsigned k = 0; k < clusters; ++k) {
                const double cx = detail::inBox(draw, c.box, 0), cy = detail::inBox(draw, c.box, 1);
                const double spread =
                    std::pow(10.0, -draw.pick<double>({3, 6, 9, 12})) * (c.box[3] - c.box[1]);
                const unsigned m = 1 + draw.below(n);
                for (unsigned j = 0; j < m; ++j)
                    detail::addPoint(c, cx + spread * draw.between(-1, 1),
                                     cy + spread * draw.between(-1, 1));
            }
            for (unsigned k = 0; k < n / 4; ++k)
                detail::addPoint(c, detail::inBox(draw, c.box, 0), detail::inBox(draw, c.box, 1));
            n = static_cast<unsigned>(c.ops.size());
            break;
        }
        case 5: {
            c.family = "special";
            detail::randomBox(draw, c.box);
            const double w = c.box[2] - c.box[0], h = c.box[3] - c.box[1];
            const std::vector<double> odd = {DBL_MIN, NAN, INFINITY, -INFINITY, 1e300, -1e300};
            for (unsigned k = 0; k < n; ++k) {
                double x = detail::inBox(draw, c.box, 0), y = detail::inBox(draw, c.box, 1);
                switch (draw.below(8)) {
                    case 0:
                        x = draw.pick(odd);
                        break;
                    case 1:
                        y = draw.pick(odd);
                        break;
                    case 2:  // a box corner
                        x = c.box[2 * draw.below(2)];
                        y = c.box[1 + 2 * draw.below(2)];
                        break;
                    case 3:  // far out
                        x += w * 1e3 * (draw.uniform() - 0.5);
                        y += h * 1e3 * (draw.uniform() - 0.5);
                        break;
                    case 4:  // an earlier point again
                        if (!c.ops.empty()) {
                            const DelaunayOp& op = draw.pick(c.ops);
                            x = op.x;
                            y = op.y;
                        }
                        break;
                    default:
                        break;
                }
                detail::addPoint(c, x, y);
            }
            break;
        }
        case 6: {
            // Points a few units of rounding apart and off lines through the
            // box, far from the origin or near it.
            c.family = "rounding";
            detail::randomBox(draw, c.box);
            if (draw.chance(0.3)) {
                const double shift = draw.pick<double>({1e8, 1e12, -1e15});
                c.box[0] += shift, c.box[2] += shift;
            }
            for (unsigned k = 0; k < n; ++k) {
                double x = detail::inBox(draw, c.box, 0), y = detail::inBox(draw, c.box, 1);
                if (draw.chance(0.5) && !c.ops.empty()) {
                    const DelaunayOp& op = draw.pick(c.ops);
                    if (draw.chance(0.5)) {  // next to an earlier point
                        x = std::nextafter(op.x, draw.chance(0.5) ? INFINITY : -INFINITY);
                        y = draw.chance(0.5) ? op.y : std::nextafter(op.y, INFINITY);
                    } else {  // on the line from an earlier point to another, rounded
                        const DelaunayOp& to = draw.pick(c.ops);
                        const double f = draw.pick<double>({0.5, 0.25, 1.0 / 3, draw.uniform()});
                        x = op.x + f * (to.x - op.x);
                        y = op.y + f * (to.y - op.y);
                    }
                }
                detail::addPoint(c, x, y);
            }
            break;
        }
        default: {
            c.family = "constrained";
            detail::randomBox(draw, c.box);
            for (unsigned k = 0; k < n; ++k)
                detail::addPoint(c, detail::inBox(draw, c.box, 0), detail::inBox(draw, c.box, 1));
            detail::addConstraints(draw, c, n);
            for (unsigned k = draw.below(20); k > 0; --k)  // points after the constraints
                detail::addPoint(c, detail::inBox(draw, c.box, 0), detail::inBox(draw, c.box, 1));
            if (draw.chance(0.5)) detail::addConstraints(draw, c, n);
            return c;
        }
    }
    if (draw.chance(0.4)) {
        detail::addConstraints(draw, c, n);
        for (unsigned k = draw.below(8); k > 0; --k)
            detail::addPoint(c, detail::inBox(draw, c.box, 0), detail::inBox(draw, c.box, 1));
    }
    return c;
}

// Empty when the search index of s agrees with its tables, else what
// disagrees: sizes, the grid, vertex links and the turn around each vertex,
// the bounds, each triangle's Kind byte (recomputed on a copy, its slot code
// checked against a search of the edges) and the odd list.
inline std::string checkIndex(const kelm_internal::DelaunayState& s) {
    using kelm_internal::DelaunayState;
    using kelm_internal::SearchIndex;
    const SearchIndex& x = s.searchIndex();
    std::ostringstream out;
    if (!x.active) return "";
    const unsigned np = s.pointCount(), nt = s.triangleCount(), ne = s.edgeCount();
    if (x.vertex_tri.size() != np || x.cell_next.size() != np || x.visit_mark.size() > nt)
        return "index sizes differ from the tables";

    std::vector<char> in_edges(np, 0);
    for (unsigned e = 0; e < ne; ++e) in_edges[s.edgeVerts(e)[0]] = in_edges[s.edgeVerts(e)[1]] = 1;
    std::vector<std::vector<unsigned>> around(np);
    for (unsigned t = 0; t < nt; ++t)
        for (unsigned k = 0; k < 3; ++k) around[s.triVerts(t)[k]].push_back(t);

    std::vector<char> linked(np, 0);
    unsigned linked_count = 0;
    for (std::size_t cell = 0; cell < x.cell_head.size(); ++cell) {
        for (unsigned v = x.cell_head[cell]; v != KELM_NONE; v = x.cell_next[v]) {
            if (v >= np || linked[v]) return "grid lists a vertex twice or out of range";
            if (x.cellOf(s.point(v)[0], s.point(v)[1]) != cell)
                out << "vertex " << v << " in cell " << cell;
            linked[v] = 1;
            ++linked_count;
        }
    }
    if (!out.str().empty()) return out.str();
    if (linked_count != x.linked) return "grid count is off";

    for (unsigned v = 0; v < np; ++v) {
        const bool in = x.vertex_tri[v] != KELM_NONE;
        if (in != (in_edges[v] != 0)) {
            out << "vertex " << v << " triangulated " << in << " but in edges " << int(in_edges[v]);
            return out.str();
        }
        if (in != (linked[v] != 0)) {
            out << "vertex " << v << " grid link";
            return out.str();
        }
        if (!in) continue;
        const double* p = s.point(v);
        if (p[0] < x.lo[0] || p[0] > x.hi[0] || p[1] < x.lo[1] || p[1] > x.hi[1]) {
            out << "vertex " << v << " outside the bounds";
            return out.str();
        }
        std::vector<unsigned> turned;
        if (!s.forEachTriangleAround(v, [&](unsigned t) { turned.push_back(t); })) {
            out << "turning around vertex " << v << " fails";
            return out.str();
        }
        std::sort(turned.begin(), turned.end());
        if (turned != around[v]) {
            out << "turning around vertex " << v << " misses triangles";
            return out.str();
        }
    }

    unsigned odd = 0;
    std::vector<char> listed(nt, 0);
    for (unsigned t : x.odd_tris) {
        if (t >= nt || listed[t]) return "odd list repeats a triangle";
        listed[t] = 1;
    }
    DelaunayState copy(s);
    for (unsigned t = 0; t < nt; ++t) {
        copy.classifyTriangle(t);
        const unsigned kind = s.triKind(t) & SearchIndex::kKindMask;
        const unsigned listed_bit = SearchIndex::kListed;
        if ((copy.triKind(t) | listed_bit) != (s.triKind(t) | listed_bit)) {
            out << "triangle " << t << " kind " << kind << " is stale";
            return out.str();
        }
        // The slot code, checked against a search of the edges: each side's
        // slot holds the edge joining its ends, and a triangle without a code
        // has a side that no other slot's edge joins or repeats a vertex.
        const unsigned* tv = s.triVerts(t);
        const unsigned code = SearchIndex::slotCode(s.triKind(t));
        unsigned slots_found = 0;
        bool sides_found = tv[0] != tv[1] && tv[1] != tv[2] && tv[2] != tv[0];
        for (unsigned i = 0; i < 3; ++i) {
            const unsigned found = s.triangleEdgeSlot(t, tv[i], tv[(i + 1) % 3]);
            sides_found = sides_found && found < 3 && !(slots_found & (1u << found));
            if (found < 3) slots_found |= 1u << found;
            if (code != SearchIndex::kNoSlotCode && SearchIndex::slotOfSide(code, i) != found) {
                out << "triangle " << t << " slot of side " << i;
                return out.str();
            }
        }
        if (code == SearchIndex::kNoSlotCode && sides_found) {
            out << "triangle " << t << " has no slot code";
            return out.str();
        }
        if (((s.triKind(t) & SearchIndex::kListed) != 0) != (listed[t] != 0)) {
            out << "triangle " << t << " listed flag";
            return out.str();
        }
        if (kind != SearchIndex::kRegular) {
            ++odd;
            if (!listed[t]) {
                out << "odd triangle " << t << " not listed";
                return out.str();
            }
        }
    }
    if (odd != x.odd_live) return "odd count is off";
    return "";
}


}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_DELAUNAY_H
