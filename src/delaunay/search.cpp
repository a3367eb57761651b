// Indexed searches of the tables other than point location (locate.cpp): edge
// lookup, the test for a vertex on a constraint segment and the crossing edges
// met while forcing a constraint in. Each gives exactly the answer of the plain
// scan it stands for (findEdge, vertexOnSegment, findCrossingEdge); where the
// index cannot vouch for that, it hands the question to the plain scan.

#include <algorithm>
#include <cmath>

#include "delaunay/internal_delaunay.h"

namespace kelm_internal {

namespace {

SearchMode g_default_mode = SearchMode::kIndexed;

}  // namespace

double segmentDistanceSq(const double* p, const double* a, const double* b) {
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double wx = p[0] - a[0], wy = p[1] - a[1];
    const double along = wx * dx + wy * dy;
    if (!(along > 0)) return wx * wx + wy * wy;
    const double length_sq = dx * dx + dy * dy;
    if (!(along < length_sq)) {
        const double vx = p[0] - b[0], vy = p[1] - b[1];
        return vx * vx + vy * vy;
    }
    const double f = along / length_sq;
    const double ex = wx - f * dx, ey = wy - f * dy;
    return ex * ex + ey * ey;
}

SearchMode defaultSearchMode() {
    return g_default_mode;
}

void setDefaultSearchMode(SearchMode mode) {
    g_default_mode = mode;
}

// --- the outcome of a triangle scan ------------------------------------------

void ScanOutcome::add(unsigned tri, PointClass cls, double nearness) {
    switch (cls) {
        case PointClass::kInside:
        case PointClass::kDegenerate:
            if (first_hit_ == KELM_NONE || tri < first_hit_) {
                first_hit_ = tri;
                hit_degenerate_ = cls == PointClass::kDegenerate;
            }
            break;
        case PointClass::kNear:
            if (near_ == KELM_NONE || nearness > near_value_ ||
                (nearness == near_value_ && tri < near_)) {
                near_ = tri;
                near_value_ = nearness;
            }
            break;
        case PointClass::kOutside:
            break;
    }
}

unsigned ScanOutcome::result() const {
    if (first_hit_ != KELM_NONE) return hit_degenerate_ ? KELM_NONE : first_hit_;
    return near_;
}

// --- edges ---------------------------------------------------------------------

unsigned DelaunayState::edgeBetween(unsigned a, unsigned b) const {
    return index_.active ? findEdgeIndexed(a, b) : findEdge(a, b);
}

// Every edge at a lies on a triangle holding a, so the edges joining a and b
// are among the sides of the triangles around a.
unsigned DelaunayState::findEdgeIndexed(unsigned a, unsigned b) const {
    if (a >= index_.vertex_tri.size()) {
        ++index_.counters.indexed_edges;
        return KELM_NONE;
    }
    unsigned best = KELM_NONE;
    const bool whole = forEachTriangleAround(a, [&](unsigned t) {
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = triEdges(t)[k];
            const unsigned u = edgeVerts(e)[0], w = edgeVerts(e)[1];
            if (((u == a && w == b) || (u == b && w == a)) && e < best) best = e;
        }
    });
    if (!whole) {
        ++index_.counters.plain_edges;
        return findEdge(a, b);
    }
    ++index_.counters.indexed_edges;
    return best;
}

bool DelaunayState::hasVertexOnSegment(unsigned a, unsigned b) const {
    return (index_.active ? vertexOnSegmentIndexed(a, b) : vertexOnSegment(a, b)) != KELM_NONE;
}

// A vertex that passes the exact test lies within a few units of rounding of
// the segment, so only the grid cells along the segment, widened by a margin
// well above that, are searched.
unsigned DelaunayState::vertexOnSegmentIndexed(unsigned a, unsigned b) const {
    const SearchIndex& x = index_;
    const double* pa = point(a);
    const double* pb = point(b);
    const double dx = pb[0] - pa[0], dy = pb[1] - pa[1];
    const double length_sq = dx * dx + dy * dy;
    if (!(length_sq > 0)) return KELM_NONE;  // the exact test holds for no vertex
    const double pad =
        1e-9 * (std::fabs(dx) + std::fabs(dy)) +
        1e-12 * (std::fabs(pa[0]) + std::fabs(pa[1]) + std::fabs(pb[0]) + std::fabs(pb[1])) +
        1e-300;
    const double cell_pad =
        1e-9 * (x.grid_x1 - x.grid_x0) + 1e-12 * (std::fabs(x.grid_x0) + std::fabs(x.grid_x1));
    const double x_lo = std::min(pa[0], pb[0]) - pad, x_hi = std::max(pa[0], pb[0]) + pad;
    const double y_min = std::min(pa[1], pb[1]), y_max = std::max(pa[1], pb[1]);
    const unsigned column_lo = x.cellOf(x_lo, x.grid_y0) % x.grid_nx;
    const unsigned column_hi = x.cellOf(x_hi, x.grid_y0) % x.grid_nx;
    const double column_width = (x.grid_x1 - x.grid_x0) / x.grid_nx;
    for (unsigned ix = column_lo; ix <= column_hi; ++ix) {
        // The part of the segment over this column (border columns reach out).
        double cx0 = x_lo, cx1 = x_hi;
        if (ix > 0) cx0 = std::max(cx0, x.grid_x0 + ix * column_width - pad - cell_pad);
        if (ix + 1 < x.grid_nx)
            cx1 = std::min(cx1, x.grid_x0 + (ix + 1) * column_width + pad + cell_pad);
        double y_lo = y_min, y_hi = y_max;
        if (dx != 0) {
            const double slope = dy / dx;
            const double ya = pa[1] + (cx0 - pa[0]) * slope;
            const double yb = pa[1] + (cx1 - pa[0]) * slope;
            y_lo = std::max(y_min, std::min(ya, yb));
            y_hi = std::min(y_max, std::max(ya, yb));
        }
        const unsigned row_lo = x.cellOf(x.grid_x0, y_lo - pad) / x.grid_nx;
        const unsigned row_hi = x.cellOf(x.grid_x0, y_hi + pad) / x.grid_nx;
        for (unsigned iy = row_lo; iy <= row_hi; ++iy) {
            for (unsigned v = x.cell_head[iy * x.grid_nx + ix]; v != KELM_NONE;
                 v = x.cell_next[v]) {
                if (v != a && v != b && onOpenSegment(pa, dx, dy, length_sq, point(v))) return v;
            }
        }
    }
    return KELM_NONE;
}

// --- crossing edges ------------------------------------------------------------

bool CrossingSearch::start() {
    std::vector<unsigned> edges;
    auto collect = [&](unsigned t) {
        for (unsigned k = 0; k < 3; ++k) edges.push_back(s_.triEdges(t)[k]);
    };
    if (!s_.forEachTriangleAround(a_, collect) || !s_.forEachTriangleAround(b_, collect))
        return false;
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    found_.clear();
    for (unsigned e : edges) {
        const unsigned kind = kindOf(e);
        if (kind) found_.emplace_back(e, kind);
    }
    return true;
}

// The tests of the plain scan, edge by edge.
unsigned CrossingSearch::kindOf(unsigned e) const {
    const unsigned u = s_.edgeVerts(e)[0], w = s_.edgeVerts(e)[1];
    if (u == a_ || u == b_ || w == a_ || w == b_) return 0;
    if (!segmentsCross(s_.point(a_), s_.point(b_), s_.point(u), s_.point(w))) return 0;
    const unsigned t0 = s_.edgeTris(e)[0], t1 = s_.edgeTris(e)[1];
    const bool touches_a = s_.holds(t0, a_) || s_.holds(t1, a_);
    const bool touches_b = s_.holds(t0, b_) || s_.holds(t1, b_);
    return (touches_a ? 1u : 0u) | (touches_b ? 2u : 0u);
}

void CrossingSearch::refresh(unsigned e) {
    for (std::size_t i = 0; i < found_.size(); ++i) {
        if (found_[i].first == e) {
            found_[i] = found_.back();
            found_.pop_back();
            break;
        }
    }
    const unsigned kind = kindOf(e);
    if (kind) found_.emplace_back(e, kind);
}

// A flip rewrites two triangles, one edge's ends and two edges' triangles; all
// of these edges are sides of the two triangles, and no other edge changes.
void CrossingSearch::update(unsigned t0, unsigned t1) {
    for (unsigned t : {t0, t1}) {
        for (unsigned k = 0; k < 3; ++k) refresh(s_.triEdges(t)[k]);
    }
}

// The index-order scan of findCrossingEdge over the candidates alone: the
// edges it skips change nothing in it.
unsigned CrossingSearch::next() {
    std::sort(found_.begin(), found_.end());
    unsigned beside_a = KELM_NONE, beside_b = KELM_NONE;
    for (const auto& entry : found_) {
        if (beside_a != KELM_NONE && beside_b != KELM_NONE) break;
        if (entry.second == 3) return entry.first;
        if (entry.second == 1) beside_a = entry.first;
        if (entry.second == 2) beside_b = entry.first;
    }
    if (beside_a != KELM_NONE && beside_b != KELM_NONE)
        return s_.flipGain(beside_b) > s_.flipGain(beside_a) ? beside_b : beside_a;
    return beside_a != KELM_NONE ? beside_a : beside_b;
}

}  // namespace kelm_internal
