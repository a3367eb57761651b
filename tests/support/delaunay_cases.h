#ifndef KELMMATH_TESTS_SUPPORT_DELAUNAY_CASES_H
#define KELMMATH_TESTS_SUPPORT_DELAUNAY_CASES_H

// Generated triangulation runs and the check of a triangulation's links (through its
// getters), shared by the unit tests, the stress suite and the fuzz target.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/bbox2d.h"

namespace kelm_test {

// The box as given, NaN included.
inline KelmBoundingBox2D makeBox(double x0, double y0, double x1, double y1) {
    KelmBoundingBox2D box;
    box.minpt().data()[0] = x0, box.minpt().data()[1] = y0;
    box.maxpt().data()[0] = x1, box.maxpt().data()[1] = y1;
    return box;
}

inline double signedArea2(const double* a, const double* b, const double* c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
}

// Seeded draws built on the raw Mersenne Twister output only, or on a byte
// string (a fuzzer's input: four bytes a draw, zeros past the end).
class Draw {
public:
    explicit Draw(unsigned seed) : gen_(seed * 2654435761u + 12345u) {}
    Draw(const unsigned char* data, std::size_t size) : at_(data), end_(data + size) {}
    std::uint32_t next() {
        if (!at_) return static_cast<std::uint32_t>(gen_());
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v = v << 8 | (at_ < end_ ? *at_++ : 0u);
        return v;
    }
    double uniform() { return next() / 4294967296.0; }  // in [0, 1)
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    unsigned below(unsigned n) { return n ? static_cast<unsigned>(next() % n) : 0u; }
    bool chance(double p) { return uniform() < p; }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[below(static_cast<unsigned>(from.size()))];
    }

private:
    std::mt19937 gen_;
    const unsigned char* at_ = nullptr;
    const unsigned char* end_ = nullptr;
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
    box[0] = x0, box[1] = y0, box[2] = x0 + size * aspect, box[3] = y0 + size;
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

inline void addInBox(Draw& draw, DelaunayCase& c) {
    addPoint(c, inBox(draw, c.box, 0), inBox(draw, c.box, 1));
}

// Constraints: random vertex pairs (corners and numbers past the end included), and
// a loop through vertices in angle order around the box centre, random border flags.
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

// A case of the given family drawn from draw (seed orders the shuffles); families
// other than "constrained" and "extreme" get constraints and further points at times.
inline DelaunayCase makeDelaunayCase(Draw& draw, unsigned family, unsigned seed) {
    DelaunayCase c{"", {0, 0, 1, 1}, 1.0, {}};
    static const double kScales[] = {1.0, 1.0, 1.0, 2.0, 0.5, -1.0, 3.0, -0.25};
    c.yscale = kScales[draw.below(8)];
    unsigned n = 1 + draw.below(draw.chance(0.1) ? 160 : 60);
    switch (family) {
        case 0: {
            c.family = "lattice";
            const unsigned cols = 2 + draw.below(10), rows = 2 + draw.below(10);
            const double step = draw.pick<double>({1.0, 0.1, 1.0 / 3, 0.5, 1e-3, 7.0});
            const double x0 = draw.pick<double>({0.0, -3.0, 0.7, 1e4});
            std::vector<DelaunayOp>& pts = c.ops;
            for (unsigned r = 0; r < rows; ++r)
                for (unsigned k = 0; k < cols; ++k) addPoint(c, x0 + k * step, r * step);
            if (draw.chance(0.3))  // square centres: four cocircular neighbours each
                for (unsigned r = 0; r + 1 < rows; ++r)
                    for (unsigned k = 0; k + 1 < cols; ++k)
                        addPoint(c, x0 + (k + 0.5) * step, (r + 0.5) * step);
            const unsigned order = draw.below(3);
            if (order == 1) std::reverse(pts.begin(), pts.end());
            if (order == 2) std::shuffle(pts.begin(), pts.end(), std::mt19937(seed));
            for (unsigned k = draw.below(pts.size() / 4 + 1); k > 0; --k) {  // repeats
                const DelaunayOp p = draw.pick(pts);
                pts.insert(pts.begin() + draw.below(pts.size() + 1), p);
            }
            boxFromPoints(c);  // the outer lattice points lie on the box outline
            if (draw.chance(0.05)) c.box[2] = c.box[0];  // a flat enclosing triangle
            n = static_cast<unsigned>(pts.size());
            break;
        }
        case 1: {
            c.family = "circle";
            const double r = std::pow(10.0, draw.between(-2, 3));
            const double cx = draw.between(-5, 5) * r, cy = draw.between(-5, 5) * r;
            const unsigned rings = 1 + draw.below(3);
            for (unsigned ring = 0; ring < rings; ++ring)
                for (unsigned k = 0; k < n; ++k) {
                    const double a = 2 * std::acos(-1.0) * k / n;
                    addPoint(c, cx + r * (ring + 1) * std::cos(a),
                             cy + r * (ring + 1) * std::sin(a));
                }
            if (draw.chance(0.5)) addPoint(c, cx, cy);
            if (draw.chance(0.5)) std::shuffle(c.ops.begin(), c.ops.end(), std::mt19937(seed));
            boxFromPoints(c);
            n = static_cast<unsigned>(c.ops.size());
            break;
        }
        case 2: {
            c.family = "enclosing";
            randomBox(draw, c.box);
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
                    const double *p = corner[s], *q = corner[(s + 1) % 3];
                    const double f = draw.chance(0.1) ? 0.0 : draw.uniform();
                    const double off = kind ? draw.pick<double>({1e-9, 1e-7, 5e-7, 2e-6}) : 0.0;
                    x = p[0] + f * (q[0] - p[0]) + (draw.uniform() - 0.5) * off * dx * 10;
                    y = p[1] + f * (q[1] - p[1]) + (draw.uniform() - 0.5) * off * dy * 10;
                } else if (kind == 3) {  // on the box outline
                    const double f = draw.uniform();
                    const unsigned side = draw.below(4);
                    x = side < 2 ? c.box[side * 2] : c.box[0] + f * dx;
                    y = side < 2 ? c.box[1] + f * dy : c.box[(side - 2) * 2 + 1];
                } else {
                    x = inBox(draw, c.box, 0);
                    y = inBox(draw, c.box, 1);
                }
                addPoint(c, x, y);
            }
            break;
        }
        case 3: {
            c.family = "clusters";
            randomBox(draw, c.box);
            const unsigned clusters = 1 + draw.below(4);
            for (unsigned k = 0; k < clusters; ++k) {
                const double cx = inBox(draw, c.box, 0), cy = inBox(draw, c.box, 1);
                const double spread =
                    std::pow(10.0, -draw.pick<double>({3, 6, 9, 12})) * (c.box[3] - c.box[1]);
                const unsigned m = 1 + draw.below(n);
                for (unsigned j = 0; j < m; ++j)
                    addPoint(c, cx + spread * draw.between(-1, 1),
                             cy + spread * draw.between(-1, 1));
            }
            for (unsigned k = 0; k < n / 4; ++k) addInBox(draw, c);
            n = static_cast<unsigned>(c.ops.size());
            break;
        }
        case 4: {
            c.family = "outliers";
            randomBox(draw, c.box);
            const double w = c.box[2] - c.box[0], h = c.box[3] - c.box[1];
            const std::vector<double> odd = {DBL_MIN, NAN, INFINITY, -INFINITY, 1e300, -1e300};
            for (unsigned k = 0; k < n; ++k) {
                double x = inBox(draw, c.box, 0), y = inBox(draw, c.box, 1);
                // An odd value, a box corner, far out, an earlier point again, or as drawn.
                const unsigned kind = draw.below(8);
                if (kind == 0) x = draw.pick(odd);
                if (kind == 1) y = draw.pick(odd);
                if (kind == 2) x = c.box[2 * draw.below(2)], y = c.box[1 + 2 * draw.below(2)];
                if (kind == 3) {  // far out
                    x += w * 1e3 * (draw.uniform() - 0.5);
                    y += h * 1e3 * (draw.uniform() - 0.5);
                }
                if (kind == 4 && !c.ops.empty()) {  // an earlier point again
                    const DelaunayOp& op = draw.pick(c.ops);
                    x = op.x, y = op.y;
                }
                addPoint(c, x, y);
            }
            break;
        }
        case 5: {
            // Points a few units of rounding apart and off lines, far out or near 0.
            c.family = "rounding";
            randomBox(draw, c.box);
            if (draw.chance(0.3)) {
                const double shift = draw.pick<double>({1e8, 1e12, -1e15});
                c.box[0] += shift, c.box[2] += shift;
            }
            for (unsigned k = 0; k < n; ++k) {
                double x = inBox(draw, c.box, 0), y = inBox(draw, c.box, 1);
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
                addPoint(c, x, y);
            }
            break;
        }
        case 7: {
            // Another family's case scaled to where the arithmetic runs out.
            const double scale = draw.pick<double>({1e-300, 1e-150, 1e-6, 1e150, 1e300});
            c = makeDelaunayCase(draw, draw.below(7), seed);
            for (double& v : c.box) v *= scale;
            for (DelaunayOp& op : c.ops) op.x *= scale, op.y *= scale;
            c.family = "extreme";
            return c;
        }
        default: {
            // Random points, a few outside the box, then constraints.
            c.family = "constrained";
            randomBox(draw, c.box);
            const double w = c.box[2] - c.box[0], h = c.box[3] - c.box[1];
            for (unsigned k = 0; k < n; ++k) {
                const double m = draw.chance(0.05) ? 0.2 : 0.0;
                addPoint(c, c.box[0] + w * draw.between(-m, 1 + m),
                         c.box[1] + h * draw.between(-m, 1 + m));
            }
            addConstraints(draw, c, n);
            for (unsigned k = draw.below(20); k > 0; --k)  // points after the constraints
                addInBox(draw, c);
            if (draw.chance(0.5)) addConstraints(draw, c, n);
            return c;
        }
    }
    if (draw.chance(0.4)) {
        addConstraints(draw, c, n);
        for (unsigned k = draw.below(8); k > 0; --k) addInBox(draw, c);
    }
    return c;
}

// Case i of the first `families` families, each drawn from its own seed.
inline DelaunayCase makeDelaunayCase(unsigned i, unsigned families = 7) {
    Draw draw(i);
    return makeDelaunayCase(draw, i % families, i);
}

// The links of a triangulation, whatever its points: the counts of splits, every
// triangle's vertices and edges (its sides, naming it), every edge's ends and
// triangles (listing it), only the enclosing edges on the hull. Strict adds what the
// angle test may break on nearly degenerate input (it flips non-convex
// quadrilaterals): every triangle has the enclosing triangle's sense, and no two
// edges join the same pair. Empty when all holds, else the first problem.
inline std::string triangulation_problem(KelmDelaunay2D& d, bool strict = false) {
    std::ostringstream why;
    auto said = [&why](const std::ostream&) { return why.str(); };
    const unsigned np = d.getPointCount(), nt = d.getTriangleCount(), ne = d.getEdgeCount();
    if (nt == 0 && ne == 0) return "";  // no state, or an init that failed
    if (nt % 2 != 1 || ne != 3 + 3 * (nt - 1) / 2)
        return said(why << "counts: " << nt << " triangles, " << ne << " edges");
    const double sense = signedArea2(d.getPoint(0), d.getPoint(1), d.getPoint(2));
    for (unsigned t = 0; t < nt; ++t) {
        unsigned v[3];
        d.getTriangle(&v[0], &v[1], &v[2], t);
        for (unsigned k = 0; k < 3; ++k)
            if (v[k] >= np || d.getTriangleVertex(t, k) != v[k])
                return said(why << "triangle " << t << " vertex " << k << " is " << v[k]);
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2])
            return said(why << "triangle " << t << " repeats a vertex");
        if (strict &&
            !(signedArea2(d.getPoint(v[0]), d.getPoint(v[1]), d.getPoint(v[2])) * sense > 0))
            return said(why << "triangle " << t << " has the wrong sense");
        bool side_taken[3] = {false, false, false};  // side m joins v[m] and v[m+1]
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = d.getTriangleEdge(t, k);
            if (e >= ne) return said(why << "triangle " << t << " edge " << e << " beyond " << ne);
            const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
            unsigned side = 3;
            for (unsigned m = 0; m < 3; ++m)
                if (std::minmax(a, b) == std::minmax(v[m], v[(m + 1) % 3])) side = m;
            if (side == 3 || side_taken[side])
                return said(why << "edge " << e << " is not a side of triangle " << t);
            side_taken[side] = true;
            if (d.getEdgeTriangle(e, 0) != t && d.getEdgeTriangle(e, 1) != t)
                return said(why << "edge " << e << " does not name its triangle " << t);
        }
    }
    std::set<std::pair<unsigned, unsigned>> pairs;
    for (unsigned e = 0; e < ne; ++e) {
        const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
        const unsigned t0 = d.getEdgeTriangle(e, 0), t1 = d.getEdgeTriangle(e, 1);
        if (a >= np || b >= np || a == b || (strict && !pairs.insert(std::minmax(a, b)).second))
            return said(why << "edge " << e << " joins " << a << " and " << b);
        if (t0 >= nt || t0 == t1 || (t1 != KELM_NONE && t1 >= nt))
            return said(why << "edge " << e << " names triangles " << t0 << " " << t1);
        if ((t1 == KELM_NONE) != (e < 3))
            return said(why << "edge " << e << (e < 3 ? " left" : " on") << " the hull");
        for (unsigned t : {t0, t1})
            if (t != KELM_NONE && d.getTriangleEdge(t, 0) != e && d.getTriangleEdge(t, 1) != e &&
                d.getTriangleEdge(t, 2) != e)
                return said(why << "edge " << e << " names triangle " << t << ", not listed there");
    }
    return "";
}

// Runs c on d (fresh) through the public members (runs of points through insertPoints
// when grouped), checking after every call the links, the index handed out, an edge
// joining the ends of a forced constraint, and at the end labels of 0, 1 or none.
// Returns the first problem with the call that led to it, or "".
inline std::string runCase(KelmDelaunay2D& d, const DelaunayCase& c, bool grouped = false) {
    KelmBoundingBox2D box = makeBox(c.box[0], c.box[1], c.box[2], c.box[3]);
    std::ostringstream call;
    call.precision(17);
    const int ok = d.init(&box, c.yscale);
    call << "init = " << ok;
    std::string problem = triangulation_problem(d);
    if (ok && (d.getPointCount() != 3 || d.getTriangleCount() != 1 || d.init(&box, 1.0) != 0))
        problem = "a second init";
    KelmReal2DArray run;
    for (std::size_t i = 0; i <= c.ops.size() && problem.empty(); ++i) {
        const DelaunayOp* op = i < c.ops.size() ? &c.ops[i] : nullptr;
        if (op && op->kind == DelaunayOp::kPoint && grouped) {
            run.append(op->x, op->y);
            continue;
        }
        if (run.size() > 0) {
            const unsigned v = d.insertPoints(run);
            call.str("");
            call << "insertPoints of " << run.size() << " from (" << run.get(0)[0] << ", "
                 << run.get(0)[1] << ") = " << v;
            if (v != KELM_NONE && v >= d.getPointCount()) problem = "index handed out";
            run.empty();
            if (problem.empty()) problem = triangulation_problem(d);
        }
        if (!op || !problem.empty()) continue;
        call.str("");
        if (op->kind == DelaunayOp::kPoint) {
            const double xy[2] = {op->x, op->y};
            const unsigned v = d.insertPoint(xy);
            call << "insertPoint(" << op->x << ", " << op->y << ") = " << v;
            if (v != KELM_NONE && v >= d.getPointCount()) problem = "index handed out";
        } else if (op->kind == DelaunayOp::kEdge) {
            const int r = d.insertEdge(op->a, op->b, op->border);
            call << "insertEdge(" << op->a << ", " << op->b << ", " << op->border << ") = " << r;
            if (r == 1 && op->a != op->b && d.findEdge(op->a, op->b) == KELM_NONE)
                problem = "no edge joins the ends";
        } else {
            call << "resolveInside() = " << d.resolveInside();
        }
        if (problem.empty()) problem = triangulation_problem(d);
    }
    if (problem.empty()) {
        call.str("");
        call << "resolveInside() = " << d.resolveInside();
        for (unsigned t = 0; t < d.getTriangleCount() && problem.empty(); ++t) {
            const int label = d.isInside(t);
            if (label != 0 && label != 1 && label != static_cast<int>(KELM_NONE))
                problem = "label " + std::to_string(label) + " of triangle " + std::to_string(t);
        }
    }
    return problem.empty() ? "" : "after " + call.str() + ": " + problem;
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_DELAUNAY_CASES_H
