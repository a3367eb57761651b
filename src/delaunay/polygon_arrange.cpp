// The segment arrangement under a polygon triangulation: exact orientation,
// snapping of points closer than the tolerance, and the splitting of ring
// segments at the vertices on them and at their crossings.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "delaunay/internal_polygon.h"
#include "kelmmath/core/constants.h"

namespace kelm_internal {

namespace {

// Bound on the rounding error of the plain determinant, relative to the sum of
// the magnitudes of its two products: (3 + 16 eps) eps.
constexpr double kOrientBound = (3.0 + 16.0 * 1.1102230246251565e-16) * 1.1102230246251565e-16;

void twoSum(double a, double b, double* s, double* e) {
    *s = a + b;
    const double bv = *s - a;
    const double av = *s - bv;
    *e = (a - av) + (b - bv);
}

// Adds the exact products p*q of the pairs to a non-overlapping expansion and
// returns the sign of the total: the sign of its largest component.
int exactSign(const double (&pairs)[6][2]) {
    double h[12];
    int m = 0;
    for (const auto& pq : pairs) {
        const double prod = pq[0] * pq[1];
        const double err = std::fma(pq[0], pq[1], -prod);
        for (double part : {err, prod}) {
            double q = part;
            for (int i = 0; i < m; ++i) twoSum(q, h[i], &q, &h[i]);
            h[m++] = q;
        }
    }
    for (int i = m - 1; i >= 0; --i)
        if (h[i] != 0.0) return h[i] > 0.0 ? 1 : -1;
    return 0;
}

// Where the segment's interior passes within tol of p (and p is farther than
// tol from both ends): its parameter along a->b, else a negative value.
double interiorParameter(const double* a, const double* b, const double* p, double tol) {
    const long double dx = static_cast<long double>(b[0]) - a[0];
    const long double dy = static_cast<long double>(b[1]) - a[1];
    const long double px = static_cast<long double>(p[0]) - a[0];
    const long double py = static_cast<long double>(p[1]) - a[1];
    const long double len2 = dx * dx + dy * dy;
    const long double t = (px * dx + py * dy) / len2;
    if (!(t > 0 && t < 1)) return -1.0;
    const long double ex = px - t * dx, ey = py - t * dy;
    const long double tol2 = static_cast<long double>(tol) * tol;
    if (ex * ex + ey * ey > tol2) return -1.0;
    const long double qx = p[0] - static_cast<long double>(b[0]);
    const long double qy = p[1] - static_cast<long double>(b[1]);
    if (px * px + py * py <= tol2 || qx * qx + qy * qy <= tol2) return -1.0;
    return static_cast<double>(t);
}

// The crossing point of ab and cd, which cross properly (each pair of ends on
// strictly opposite sides of the other's line).
void crossingPoint(const double* a, const double* b, const double* c, const double* d,
                   double* out) {
    auto area = [](const double* u, const double* v, const double* w) {
        return (static_cast<long double>(u[0]) - w[0]) * (static_cast<long double>(v[1]) - w[1]) -
               (static_cast<long double>(u[1]) - w[1]) * (static_cast<long double>(v[0]) - w[0]);
    };
    const long double da = area(c, d, a), db = area(c, d, b);
    long double t = da / (da - db);
    t = std::min<long double>(1, std::max<long double>(0, t));
    out[0] = static_cast<double>(a[0] + t * (static_cast<long double>(b[0]) - a[0]));
    out[1] = static_cast<double>(a[1] + t * (static_cast<long double>(b[1]) - a[1]));
}

// A uniform grid over the vertices' box with about one segment per cell; each
// segment is listed in every cell its box (grown by tol) meets, each vertex in
// the one cell that holds it (both as compressed rows).
struct SegmentGrid {
    double x0 = 0, y0 = 0, inv = 1;
    int nx = 1, ny = 1;
    std::vector<int> range;  // per segment: ix0, iy0, ix1, iy1
    std::vector<unsigned> seg_start, seg_list, vert_start, vert_list;

    static int clamp(double c, int n) {
        if (!(c >= 0)) return 0;  // NaN too
        return c >= n - 1 ? n - 1 : static_cast<int>(c);
    }
    int col(double x) const { return clamp((x - x0) * inv, nx); }
    int row(double y) const { return clamp((y - y0) * inv, ny); }

    void build(const std::vector<double>& xy, const std::vector<unsigned>& segs, double tol) {
        const std::size_t nv = xy.size() / 2, ns = segs.size() / 2;
        double x1 = xy[0], y1 = xy[1];
        x0 = x1;
        y0 = y1;
        for (std::size_t v = 1; v < nv; ++v) {
            x0 = std::min(x0, xy[2 * v]);
            x1 = std::max(x1, xy[2 * v]);
            y0 = std::min(y0, xy[2 * v + 1]);
            y1 = std::max(y1, xy[2 * v + 1]);
        }
        const double w = std::max(x1 - x0, tol), h = std::max(y1 - y0, tol);
        // Cells of about one segment's share of the box; thin boxes get at most
        // a few cells per segment along their length.
        const double per_side = std::min(2048.0, 4.0 * static_cast<double>(ns) + 4.0);
        const double side = std::max(std::sqrt(w * h / static_cast<double>(std::max<std::size_t>(ns, 1))),
                                     std::max(w, h) / per_side);
        inv = 1.0 / side;
        nx = clamp(w * inv, static_cast<int>(per_side)) + 1;
        ny = clamp(h * inv, static_cast<int>(per_side)) + 1;
        const std::size_t cells = static_cast<std::size_t>(nx) * ny;

        range.resize(4 * ns);
        seg_start.assign(cells + 1, 0);
        for (std::size_t s = 0; s < ns; ++s) {
            const double* a = &xy[2 * segs[2 * s]];
            const double* b = &xy[2 * segs[2 * s + 1]];
            int* r = &range[4 * s];
            r[0] = col(std::min(a[0], b[0]) - tol);
            r[1] = row(std::min(a[1], b[1]) - tol);
            r[2] = col(std::max(a[0], b[0]) + tol);
            r[3] = row(std::max(a[1], b[1]) + tol);
            for (int iy = r[1]; iy <= r[3]; ++iy)
                for (int ix = r[0]; ix <= r[2]; ++ix) ++seg_start[iy * nx + ix + 1];
        }
        for (std::size_t c = 0; c < cells; ++c) seg_start[c + 1] += seg_start[c];
        seg_list.resize(seg_start[cells]);
        std::vector<unsigned> fill(seg_start.begin(), seg_start.end() - 1);
        for (std::size_t s = 0; s < ns; ++s) {
            const int* r = &range[4 * s];
            for (int iy = r[1]; iy <= r[3]; ++iy)
                for (int ix = r[0]; ix <= r[2]; ++ix)
                    seg_list[fill[iy * nx + ix]++] = static_cast<unsigned>(s);
        }

        vert_start.assign(cells + 1, 0);
        std::vector<unsigned> cell_of(nv);
        for (std::size_t v = 0; v < nv; ++v) {
            cell_of[v] = static_cast<unsigned>(row(xy[2 * v + 1]) * nx + col(xy[2 * v]));
            ++vert_start[cell_of[v] + 1];
        }
        for (std::size_t c = 0; c < cells; ++c) vert_start[c + 1] += vert_start[c];
        vert_list.resize(nv);
        fill.assign(vert_start.begin(), vert_start.end() - 1);
        for (std::size_t v = 0; v < nv; ++v) vert_list[fill[cell_of[v]]++] = static_cast<unsigned>(v);
    }

    // A pair of segments meets in several cells; it is looked at only in the
    // first cell of the overlap of their ranges.
    bool firstCommonCell(unsigned s, unsigned t, int ix, int iy) const {
        return ix == std::max(range[4 * s], range[4 * t]) &&
               iy == std::max(range[4 * s + 1], range[4 * t + 1]);
    }
};

struct Split {
    unsigned seg;
    unsigned vertex;
    double t;
};

// A round's splits, and whether each lay exactly on its segment: then the
// pieces are parts of the segments they came from, and nothing new can lie
// near them or cross them.
struct Splits {
    std::vector<Split> list;
    bool exact = true;
};

// One pass over the grid: the splits of every segment at the vertices within
// tol of its interior and at its proper crossings with other segments.
Splits findSplits(std::vector<double>* xy, const std::vector<unsigned>& segs, double tol,
                  VertexSnap* snap) {
    SegmentGrid grid;
    grid.build(*xy, segs, tol);
    Splits out;
    std::vector<Split>& splits = out.list;
    for (int iy = 0; iy < grid.ny; ++iy) {
        for (int ix = 0; ix < grid.nx; ++ix) {
            const std::size_t c = static_cast<std::size_t>(iy) * grid.nx + ix;
            const unsigned s0 = grid.seg_start[c], s1 = grid.seg_start[c + 1];
            for (unsigned k = grid.vert_start[c]; k < grid.vert_start[c + 1]; ++k) {
                const unsigned v = grid.vert_list[k];
                const double* pv = &(*xy)[2 * v];
                for (unsigned i = s0; i < s1; ++i) {
                    const unsigned s = grid.seg_list[i];
                    const unsigned a = segs[2 * s], b = segs[2 * s + 1];
                    if (v == a || v == b) continue;
                    const double *pa = &(*xy)[2 * a], *pb = &(*xy)[2 * b];
                    if (pv[0] < std::min(pa[0], pb[0]) - tol || pv[0] > std::max(pa[0], pb[0]) + tol ||
                        pv[1] < std::min(pa[1], pb[1]) - tol || pv[1] > std::max(pa[1], pb[1]) + tol)
                        continue;
                    const double t = interiorParameter(pa, pb, pv, tol);
                    if (t > 0) {
                        splits.push_back({s, v, t});
                        out.exact = out.exact && orient2dExact(pa, pb, pv) == 0;
                    }
                }
            }
            for (unsigned i = s0; i < s1; ++i) {
                for (unsigned j = i + 1; j < s1; ++j) {
                    const unsigned s = grid.seg_list[i], u = grid.seg_list[j];
                    if (!grid.firstCommonCell(s, u, ix, iy)) continue;
                    const unsigned a = segs[2 * s], b = segs[2 * s + 1];
                    const unsigned cc = segs[2 * u], d = segs[2 * u + 1];
                    if (a == cc || a == d || b == cc || b == d) continue;
                    const double *pa = &(*xy)[2 * a], *pb = &(*xy)[2 * b];
                    const double *pc = &(*xy)[2 * cc], *pd = &(*xy)[2 * d];
                    if (orient2dExact(pa, pb, pc) * orient2dExact(pa, pb, pd) >= 0) continue;
                    if (orient2dExact(pc, pd, pa) * orient2dExact(pc, pd, pb) >= 0) continue;
                    double p[2];
                    crossingPoint(pa, pb, pc, pd, p);
                    out.exact = false;
                    const unsigned v = snap->add(p[0], p[1]);
                    // add() may move the vertex list.
                    pa = &(*xy)[2 * a];
                    pb = &(*xy)[2 * b];
                    pc = &(*xy)[2 * cc];
                    pd = &(*xy)[2 * d];
                    const double* pv = &(*xy)[2 * v];
                    auto along = [pv](const double* e, const double* f) {
                        const double dx = f[0] - e[0], dy = f[1] - e[1];
                        return ((pv[0] - e[0]) * dx + (pv[1] - e[1]) * dy) / (dx * dx + dy * dy);
                    };
                    if (v != a && v != b) splits.push_back({s, v, along(pa, pb)});
                    if (v != cc && v != d) splits.push_back({u, v, along(pc, pd)});
                }
            }
        }
    }
    return out;
}

// Replaces each split segment by its pieces, in order along it.
std::vector<unsigned> applySplits(const std::vector<unsigned>& segs, std::vector<Split> splits) {
    std::sort(splits.begin(), splits.end(), [](const Split& p, const Split& q) {
        return p.seg != q.seg ? p.seg < q.seg : p.t < q.t;
    });
    std::vector<unsigned> out;
    out.reserve(segs.size() + 2 * splits.size());
    std::size_t k = 0;
    for (unsigned s = 0; s < segs.size() / 2; ++s) {
        unsigned from = segs[2 * s];
        for (; k < splits.size() && splits[k].seg == s; ++k) {
            const unsigned v = splits[k].vertex;
            if (v == from) continue;
            out.push_back(from);
            out.push_back(v);
            from = v;
        }
        if (from != segs[2 * s + 1]) {
            out.push_back(from);
            out.push_back(segs[2 * s + 1]);
        }
    }
    return out;
}

}  // namespace

int orient2dExact(const double* a, const double* b, const double* c) {
    const double left = (a[0] - c[0]) * (b[1] - c[1]);
    const double right = (a[1] - c[1]) * (b[0] - c[0]);
    const double det = left - right;
    const double bound = kOrientBound * (std::fabs(left) + std::fabs(right));
    if (det > bound) return 1;
    if (-det > bound) return -1;
    // det = ax by - ay bx + bx cy - by cx + cx ay - cy ax, each product exact.
    const double pairs[6][2] = {{a[0], b[1]},  {-a[1], b[0]}, {b[0], c[1]},
                                {-b[1], c[0]}, {c[0], a[1]},  {-c[1], a[0]}};
    return exactSign(pairs);
}

VertexSnap::VertexSnap(std::vector<double>* xy, double minx, double miny, double tol)
    : xy_(xy), minx_(minx), miny_(miny), tol_(tol > 0 ? tol : KELM_NULL_REAL) {}

// Cells of side 2 tol: the points within tol of a point lie in at most 2 x 2.
long long VertexSnap::cell(double v, double lo) const {
    const double c = std::floor((v - lo) / (2.0 * tol_));
    // Far beyond any box of interest only at absurd tolerances; keep the cast defined.
    return c >= -4e18 && c <= 4e18 ? static_cast<long long>(c) : 0;
}

// Cells whose keys meet share a chain, which costs only distance tests; so the
// one key the map cannot hold joins its neighbour's.
std::uint64_t VertexSnap::key(long long ix, long long iy) const {
    const std::uint64_t k =
        static_cast<std::uint64_t>(ix) * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(iy);
    return k == U64Map<unsigned>::kFree ? k - 1 : k;
}

unsigned VertexSnap::find(double x, double y) const {
    const long long x0 = cell(x - tol_, minx_), x1 = cell(x + tol_, minx_);
    const long long y0 = cell(y - tol_, miny_), y1 = cell(y + tol_, miny_);
    unsigned best = KELM_NONE;
    for (long long ix = x0; ix <= x1; ++ix) {
        for (long long iy = y0; iy <= y1; ++iy) {
            const unsigned* head = head_.find(key(ix, iy));
            for (unsigned v = head ? *head : KELM_NONE; v != KELM_NONE; v = next_[v]) {
                const double dx = (*xy_)[2 * v] - x, dy = (*xy_)[2 * v + 1] - y;
                if (dx * dx + dy * dy <= tol_ * tol_ && (best == KELM_NONE || v < best)) best = v;
            }
        }
    }
    return best;
}

void VertexSnap::index(unsigned v) {
    if (next_.size() <= v) next_.resize(v + 1, KELM_NONE);
    const auto ins = head_.insert(key(cell((*xy_)[2 * v], minx_), cell((*xy_)[2 * v + 1], miny_)), v);
    if (!ins.second) {
        next_[v] = *ins.first;
        *ins.first = v;
    }
}

void VertexSnap::reserve(std::size_t n) {
    head_.reserve(n);
    next_.reserve(n);
}

unsigned VertexSnap::add(double x, double y) {
    // Vertices appended by others since the last call become findable first.
    if (next_.size() < xy_->size() / 2) reserve(xy_->size() / 2 + 16);
    for (unsigned v = static_cast<unsigned>(next_.size()); v < xy_->size() / 2; ++v) index(v);
    const unsigned found = find(x, y);
    if (found != KELM_NONE) return found;
    const unsigned v = static_cast<unsigned>(xy_->size() / 2);
    xy_->push_back(x);
    xy_->push_back(y);
    index(v);
    return v;
}

std::vector<ArrangementEdge> arrangeSegments(std::vector<double>* xy,
                                             std::vector<unsigned> segs, double tol) {
    // Splitting can bring a piece within tol of another vertex or across another
    // piece; a few rounds settle it.
    constexpr int kRounds = 8;
    if (!segs.empty() && !xy->empty()) {
        double minx = (*xy)[0], miny = (*xy)[1];
        for (std::size_t i = 0; i < xy->size(); i += 2) {
            minx = std::min(minx, (*xy)[i]);
            miny = std::min(miny, (*xy)[i + 1]);
        }
        VertexSnap snap(xy, minx, miny, tol);  // indexes the vertices at its first use
        for (int round = 0; round < kRounds; ++round) {
            Splits splits = findSplits(xy, segs, tol, &snap);
            if (splits.list.empty()) break;
            segs = applySplits(segs, std::move(splits.list));
            if (splits.exact) break;
        }
    }

    // The pieces in (a, b) order: counted out by their lower vertex, each
    // vertex's few pieces then sorted by the higher one.
    const std::size_t nv = xy->size() / 2;
    std::vector<unsigned> start(nv + 1, 0);
    for (std::size_t s = 0; s + 1 < segs.size(); s += 2)
        if (segs[s] != segs[s + 1]) ++start[std::min(segs[s], segs[s + 1]) + 1];
    for (std::size_t v = 0; v < nv; ++v) start[v + 1] += start[v];
    std::vector<ArrangementEdge> pieces(start[nv]);
    std::vector<unsigned> fill(start.begin(), start.end() - 1);
    for (std::size_t s = 0; s + 1 < segs.size(); s += 2) {
        const unsigned a = segs[s], b = segs[s + 1];
        if (a == b) continue;
        pieces[fill[std::min(a, b)]++] = {std::min(a, b), std::max(a, b), 1, a < b ? 1 : -1};
    }
    std::vector<ArrangementEdge> edges;
    edges.reserve(pieces.size());
    for (std::size_t v = 0; v < nv; ++v) {
        const auto first = pieces.begin() + start[v], last = pieces.begin() + start[v + 1];
        std::sort(first, last, [](const ArrangementEdge& p, const ArrangementEdge& q) { return p.b < q.b; });
        for (auto p = first; p != last; ++p) {
            if (!edges.empty() && edges.back().a == p->a && edges.back().b == p->b) {
                edges.back().count += 1;
                edges.back().winding += p->winding;
            } else {
                edges.push_back(*p);
            }
        }
    }
    return edges;
}

}  // namespace kelm_internal
