// Upkeep of the search index: the state's table operations report each
// split, flip and point here, and the index follows: vertex links, the grid,
// the bounds, and each changed triangle's Kind byte (its quality for the
// barycentric test and where its sides sit among its edge slots).

#include <algorithm>
#include <cmath>

#include "delaunay/internal_delaunay.h"

namespace kelm_internal {

namespace {

// A regular triangle has |det| >= kThinRatio * (longest side)^2 at least.
constexpr double kThinRatio = 1e-7;
// Determinants below this are degenerate to the barycentric test (kept with a
// margin, so that a regular triangle is never degenerate there).
constexpr double kTinyDet = 2e-25;
// States whose enclosing corners lie beyond this stay on the plain scans, so
// that no product of coordinate differences can overflow.
constexpr double kLargest = 1e150;
// Vertices per grid cell at which the grid is rebuilt with one cell per vertex.
constexpr unsigned kCellLoad = 2;
// A rebuild makes at most one cell per vertex (the cell count is rounded
// down), so a load below 2 could leave the grid due for a rebuild at every
// link.
static_assert(kCellLoad >= 2, "the grid would be rebuilt for every vertex");
// Cells of the first grid.
constexpr unsigned kFirstCells = 64;
// Rings of empty cells searched around a point for a vertex to walk from.
constexpr int kStartRings = 3;

// kSlotCodes.code[key]: the slot code of a triangle whose edge in slot k
// holds the set of its vertices in bits 3k .. 3k + 2 of key (bit i: vertex
// i), or SearchIndex::kNoSlotCode unless those sets are the three sides.
struct SlotCodeTable {
    std::uint8_t code[512];
};
constexpr SlotCodeTable makeSlotCodes() {
    SlotCodeTable table{};
    for (unsigned key = 0; key < 512; ++key) {
        unsigned slot_of[8] = {3, 3, 3, 3, 3, 3, 3, 3};
        bool unique = true;
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned held = (key >> (3 * k)) & 7;
            if (slot_of[held] != 3) unique = false;
            slot_of[held] = k;
        }
        const bool sides = unique && slot_of[3] < 3 && slot_of[6] < 3 && slot_of[5] < 3;
        table.code[key] = static_cast<std::uint8_t>(sides ? slot_of[3] | slot_of[6] << 2
                                                          : SearchIndex::kNoSlotCode);
    }
    return table;
}
constexpr SlotCodeTable kSlotCodes = makeSlotCodes();

}  // namespace

// --- the grid ----------------------------------------------------------------

void SearchIndex::linkVertex(unsigned v, const double* points) {
    SearchIndex& x = *this;
    const unsigned cell = cellOf(points[2 * v], points[2 * v + 1]);
    x.cell_next[v] = x.cell_head[cell];
    x.cell_head[cell] = v;
    if (++x.linked > kCellLoad * static_cast<std::size_t>(x.cell_head.size()))
        rebuildGrid(x.linked, points);
}

void SearchIndex::rebuildGrid(unsigned cells, const double* points) {
    SearchIndex& x = *this;
    const double w = x.grid_x1 - x.grid_x0, h = x.grid_y1 - x.grid_y0;
    const double columns = std::sqrt(static_cast<double>(cells) * (w / h));
    x.grid_nx = columns < 1.0 ? 1u : (columns > cells ? cells : static_cast<unsigned>(columns));
    x.grid_ny = std::max(1u, cells / x.grid_nx);
    x.grid_fx = x.grid_nx / w;
    x.grid_fy = x.grid_ny / h;
    x.cell_diagonal_sq = (w / x.grid_nx) * (w / x.grid_nx) + (h / x.grid_ny) * (h / x.grid_ny);
    x.cell_head.assign(static_cast<std::size_t>(x.grid_nx) * x.grid_ny, KELM_NONE);
    x.linked = 0;
    // In vertex order, so that each cell lists its newest vertex first.
    const unsigned n = static_cast<unsigned>(x.vertex_tri.size());
    for (unsigned v = 0; v < n; ++v) {
        if (x.vertex_tri[v] == KELM_NONE) continue;
        const unsigned cell = cellOf(points[2 * v], points[2 * v + 1]);
        x.cell_next[v] = x.cell_head[cell];
        x.cell_head[cell] = v;
        ++x.linked;
    }
}

unsigned SearchIndex::startVertex(const double* P) const {
    const SearchIndex& x = *this;
    const unsigned cell = cellOf(P[0], P[1]);
    if (x.cell_head[cell] != KELM_NONE) return x.cell_head[cell];
    const int nx = static_cast<int>(x.grid_nx), ny = static_cast<int>(x.grid_ny);
    const int cx = static_cast<int>(cell % x.grid_nx), cy = static_cast<int>(cell / x.grid_nx);
    auto head_at = [&](int ix, int iy) {
        if (ix < 0 || iy < 0 || ix >= nx || iy >= ny) return KELM_NONE;
        return x.cell_head[static_cast<unsigned>(iy * nx + ix)];
    };
    for (int ring = 1; ring <= kStartRings; ++ring) {
        for (int d = -ring; d <= ring; ++d) {
            const unsigned heads[4] = {head_at(cx + d, cy - ring), head_at(cx + d, cy + ring),
                                       head_at(cx - ring, cy + d), head_at(cx + ring, cy + d)};
            for (unsigned v : heads)
                if (v != KELM_NONE) return v;
        }
    }
    return x.last_vertex;
}

unsigned SearchIndex::walkStart(const double* P, const double* points) const {
    const SearchIndex& x = *this;
    const double* last = points + 2 * static_cast<std::size_t>(x.last_vertex);
    const double dx = last[0] - P[0], dy = last[1] - P[1];
    if (dx * dx + dy * dy <= x.cell_diagonal_sq) return x.vertex_tri[x.last_vertex];
    return x.vertex_tri[startVertex(P)];
}

// --- upkeep by the table operations --------------------------------------------

void DelaunayState::indexInit(const double* box) {
    indexLost();
    if (mode_ != SearchMode::kIndexed || pointCount() != 3 || triangleCount() != 1) return;

    SearchIndex& x = index_;
    for (unsigned v = 0; v < 3; ++v) {
        if (!(std::fabs(point(v)[0]) <= kLargest && std::fabs(point(v)[1]) <= kLargest)) return;
    }
    const double* p0 = point(0);
    const double* p1 = point(1);
    const double* p2 = point(2);
    const double det = (p1[0] - p0[0]) * (p2[1] - p0[1]) - (p2[0] - p0[0]) * (p1[1] - p0[1]);
    if (!(det != 0)) return;

    // The grid covers the caller's box in stored coordinates.
    double y0 = yscale * box[1], y1 = yscale * box[3];
    if (y1 < y0) std::swap(y0, y1);
    if (!(box[2] > box[0]) || !(y1 > y0) || !std::isfinite(box[2] - box[0]) ||
        !std::isfinite(y1 - y0))
        return;

    x.active = true;
    x.sense = det > 0 ? 1.0 : -1.0;
    x.vertex_tri.assign(3, 0u);
    x.cell_next.assign(3, KELM_NONE);
    triKind(0) = SearchIndex::kRegular;
    classifyTriangle(0);
    if ((triKind(0) & SearchIndex::kKindMask) != SearchIndex::kRegular) {
        indexLost();
        return;
    }
    x.grid_x0 = box[0];
    x.grid_x1 = box[2];
    x.grid_y0 = y0;
    x.grid_y1 = y1;
    for (unsigned k = 0; k < 2; ++k) {
        x.lo[k] = std::min(std::min(p0[k], p1[k]), p2[k]);
        x.hi[k] = std::max(std::max(p0[k], p1[k]), p2[k]);
    }
    x.rebuildGrid(kFirstCells, points.data());
}

void DelaunayState::indexAddPoint() {
    if (!index_.active) return;
    index_.vertex_tri.push_back(KELM_NONE);
    index_.cell_next.push_back(KELM_NONE);
}

void DelaunayState::indexDropPoint() {
    if (!index_.active) return;
    index_.vertex_tri.pop_back();
    index_.cell_next.pop_back();
}

// The grid and links are emptied; a lookahead under way sees the new
// generation at its next pass and stops there, before reading any of them.
void DelaunayState::indexLost() {
    const SearchIndex::Counters counters = index_.counters;
    const unsigned generation = index_.generation + 1;
    index_ = SearchIndex();
    index_.counters = counters;
    index_.generation = generation;
}

// t = (p, c, a), t1 = (p, a, b), t2 = (p, b, c) after the split of (a, b, c).
void DelaunayState::indexSplit(unsigned t, unsigned t1, unsigned t2, unsigned p, unsigned a,
                               unsigned b, unsigned c) {
    SearchIndex& x = index_;
    if (!x.active) return;
    x.vertex_tri[p] = t;
    x.vertex_tri[a] = t1;
    x.vertex_tri[b] = t1;
    x.vertex_tri[c] = t2;
    markChanged(t);
    markChanged(t1);
    markChanged(t2);
    const double* P = point(p);
    for (unsigned k = 0; k < 2; ++k) {
        x.lo[k] = std::min(x.lo[k], P[k]);
        x.hi[k] = std::max(x.hi[k], P[k]);
    }
    x.last_vertex = p;
    x.linkVertex(p, points.data());
}

// Runs once per insertion over a few triangles each: the classification's
// parts are compiled into the loop where the compiler can be told so.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((flatten))
#endif
void DelaunayState::classifyChanged() {
    SearchIndex& x = index_;
    x.deferring = false;
    for (unsigned t : x.unclassified) classifyTriangle(t);
    x.unclassified.clear();
}

// --- the Kind byte ---------------------------------------------------------------

void DelaunayState::classifyTriangle(unsigned t) {
    index_.recordKind(tris, t, triangleQuality(t), sideSlotCode(t));
}

// The determinant as the barycentric test forms it, from the stored order,
// with the sense taken robustly from the size of its two products.
unsigned DelaunayState::triangleQuality(unsigned t) const {
    const unsigned* tv = triVerts(t);
    const double* p0 = point(tv[0]);
    const double* p1 = point(tv[1]);
    const double* p2 = point(tv[2]);
    const double ab = (p1[0] - p0[0]) * (p2[1] - p0[1]);
    const double cd = (p2[0] - p0[0]) * (p1[1] - p0[1]);
    const double det = ab - cd;
    if (!(index_.sense * det > kDetError * (std::fabs(ab) + std::fabs(cd))))
        return SearchIndex::kHazard;
    // The longest side squared is at most twice the sum of the two sides at
    // vertex 0 squared.
    const double s01 = (p1[0] - p0[0]) * (p1[0] - p0[0]) + (p1[1] - p0[1]) * (p1[1] - p0[1]);
    const double s02 = (p2[0] - p0[0]) * (p2[0] - p0[0]) + (p2[1] - p0[1]) * (p2[1] - p0[1]);
    const double size = std::fabs(det);
    return size >= kTinyDet && size >= 2 * kThinRatio * (s01 + s02) ? SearchIndex::kRegular
                                                                    : SearchIndex::kThin;
}

// Which edge slot holds each side; the edges were all read lately by the
// split or flips that changed the triangle. Each edge is reduced to the set of
// the triangle's vertices it holds (three bits), and the three sets together
// pick the code from a table: the edges are the sides exactly when the sets
// are {0, 1}, {1, 2} and {2, 0} in some order (which also needs the vertices
// to differ).
unsigned DelaunayState::sideSlotCode(unsigned t) const {
    const unsigned* tv = triVerts(t);
    const unsigned* te = triEdges(t);
    unsigned key = 0;
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned* ev = edgeVerts(te[k]);
        const unsigned u = ev[0], w = ev[1];
        const unsigned held = unsigned((u == tv[0]) | (w == tv[0])) |
                              unsigned((u == tv[1]) | (w == tv[1])) << 1 |
                              unsigned((u == tv[2]) | (w == tv[2])) << 2;
        key |= held << (3 * k);
    }
    return kSlotCodes.code[key];
}

void SearchIndex::recordKind(std::vector<TriangleRecord>& tris, unsigned t, unsigned quality,
                             unsigned slot_code) {
    std::uint8_t& kind = tris[t].kind;
    const bool was_odd = (kind & kKindMask) != kRegular;
    const bool now_odd = quality != kRegular;
    unsigned listed = kind & kListed;
    if (now_odd && !listed) {
        odd_tris.push_back(t);
        listed = kListed;
    }
    kind = static_cast<std::uint8_t>(quality | listed | slot_code << kSlotShift);
    if (now_odd && !was_odd) ++odd_live;
    if (was_odd && !now_odd) --odd_live;

    // Triangles that turned regular stay listed until the list is mostly such.
    if (odd_tris.size() > 2 * static_cast<std::size_t>(odd_live) + 32) {
        std::size_t kept = 0;
        for (unsigned u : odd_tris) {
            if ((tris[u].kind & kKindMask) != kRegular) {
                odd_tris[kept++] = u;
            } else {
                tris[u].kind &= static_cast<std::uint8_t>(~kListed);
            }
        }
        odd_tris.resize(kept);
    }
}

}  // namespace kelm_internal
