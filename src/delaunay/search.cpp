// Indexed searches of the triangulation: point location, edge lookup, the test
// for a vertex on a constraint segment and the crossing edges met while forcing
// a constraint in. Each gives exactly the answer of the plain scan it stands
// for (locatePoint, findEdge, vertexOnSegment, findCrossingEdge); where the
// index cannot vouch for that, it hands the question to the plain scan.
//
// Point location. The plain scan takes the lowest-numbered triangle that
// classifies the point inside, unless a degenerate triangle comes first, and
// otherwise the nearest near one. A triangle can classify a point inside or
// near only when the point lies within a small distance of it:
//
//  - For a "regular" triangle (robustly of the enclosing sense, and with
//    |det| at least kThinRatio times its longest side squared), rounding
//    moves the barycentric weights by far less than the near margin of 1e-6,
//    so the weights of a point it takes are all above -1.5e-6; such a point
//    lies within 4.5e-6 times the longest side of the triangle, hence within
//    reach() of it.
//  - Every other triangle ("odd": thin, degenerate or turned over) is kept in a
//    list and examined for every point.
//
// The regular triangles near the point are found by walking to a triangle
// holding it and spreading from there over the edges that pass within reach().
// That finds every triangle meeting the disc of that radius as long as the
// triangles there tile the plane without overlap. Where every triangle is of
// the enclosing sense this holds: the triangles then cover each point of the
// enclosing triangle exactly once, since the enclosing edges are the only hull
// edges. Triangles of the wrong sense (or flat) are "hazards"; near one of them,
// or whenever the walk or a check fails, the plain scan answers instead.

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "delaunay/internal_delaunay.h"

namespace kelm_internal {

namespace {

SearchMode g_default_mode = SearchMode::kIndexed;
// Triangles from which a batch's searches walk ahead together (lookAhead):
// tables that fit the caches gain nothing from it.
unsigned g_look_ahead_from = 1u << 16;

// A regular triangle has |det| >= kThinRatio * (longest side)^2 at least.
constexpr double kThinRatio = 1e-7;
// Determinants below this are degenerate to the barycentric test (kept with a
// margin, so that a regular triangle is never degenerate there).
constexpr double kTinyDet = 2e-25;
// Relative error bound for the sign of a 2x2 determinant a*b - c*d.
constexpr double kDetError = 1e-14;
// A regular triangle takes only points within kReachFactor * (span of the
// vertices) of it (4.5e-6 is the bound; the rest is headroom for rounding).
constexpr double kReachFactor = 6e-6;
// A regular triangle classifies inside only points within kInsideReachFactor *
// (span of the vertices) of it. For a point at distance d from it, with L its
// longest side: |det| >= 1e-7 L^2 and each product is off by a few units in
// the last place, so det is off by less than 2e-9 of itself, each weight's
// numerator by less than 7e-9 (1 + d / L) of det, and a weight (at most
// 1 + 1e7 d / L in size) by less than 1e-8 + 0.02 d / L; their sum, against 1,
// by less than 2e-8 + 0.04 d / L. Weights all at least -w put the point within
// 3 w L of the triangle, so one it takes inside lies within 7e-8 L. The factor
// is over eight times that.
constexpr double kInsideReachFactor = 6e-7;
// States whose enclosing corners lie beyond this stay on the plain scans, so
// that no product of coordinate differences can overflow.
constexpr double kLargest = 1e150;
// Vertices per grid cell at which the grid is rebuilt with one cell per vertex.
constexpr unsigned kCellLoad = 2;
// A rebuild makes at most one cell per vertex (the cell count is rounded
// down), so a load below 2 could leave the grid due for a rebuild at every
// link.
static_assert(kCellLoad >= 2, "the grid would be rebuilt for every vertex");
constexpr unsigned kFirstCells = 64;
// Rings of empty cells searched around a point for a vertex to walk from.
constexpr int kStartRings = 3;
// A batch whose points each lie within this many cell diagonals of the point
// before is not looked ahead for.
constexpr double kNearCells = 4.0;

// The prefetch helpers are always inlined: GCC counts a function that only
// prefetches as having no effect and drops the calls to it.
#if defined(__GNUC__) || defined(__clang__)
#define KELM_ALWAYS_INLINE __attribute__((always_inline))
#else
#define KELM_ALWAYS_INLINE
#endif

// Asks for the cache line holding address; changes nothing. The lines are
// asked for into the outer caches only (low temporal locality): most are read
// long after, by which time the first-level cache would have given them up,
// and meanwhile they would crowd out the lines the insertion under way uses.
KELM_ALWAYS_INLINE inline void prefetchLine(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 0, 1);
#else
    (void)address;
#endif
}

// Asks for the lines of a whole record: the triangle and edge records are not
// aligned to lines, and about a third of them end on the next one.
template <class Record>
KELM_ALWAYS_INLINE inline void prefetchRecord(const Record* record) {
    const char* first = reinterpret_cast<const char*>(record);
    prefetchLine(first);
    prefetchLine(first + sizeof(Record) - 1);
}

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

bool isFinite(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]);
}

// Twice the signed area of (a, b, p).
double orient(const double* a, const double* b, const double* p) {
    return (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]);
}

// Error bound of orient() for the same arguments.
double orientError(const double* a, const double* b, const double* p) {
    return kDetError *
           (std::fabs((b[0] - a[0]) * (p[1] - a[1])) + std::fabs((b[1] - a[1]) * (p[0] - a[0])));
}

// True when p lies inside the circle through a, b and c, for a triangle
// (a, b, c) whose determinant has the sign of sense; a hint only, with no
// care for rounding.
bool inCircle(const double* a, const double* b, const double* c, const double* p, double sense) {
    const double adx = a[0] - p[0], ady = a[1] - p[1];
    const double bdx = b[0] - p[0], bdy = b[1] - p[1];
    const double cdx = c[0] - p[0], cdy = c[1] - p[1];
    const double det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                       (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                       (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
    return det * sense > 0;
}

std::uint32_t nextRandom(std::uint32_t* state) {
    std::uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return *state = x;
}

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

unsigned lookAheadFrom() {
    return g_look_ahead_from;
}

void setLookAheadFrom(unsigned triangles) {
    g_look_ahead_from = triangles;
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

// --- upkeep --------------------------------------------------------------------

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
    rebuildGrid(kFirstCells);
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
    linkVertex(p);
}

// tp = (p, q, a) and tq = (p, q, b) after the flip of the edge (a, b).
void DelaunayState::indexFlip(unsigned tp, unsigned tq, unsigned a, unsigned b) {
    SearchIndex& x = index_;
    if (!x.active) return;
    x.vertex_tri[a] = tp;
    x.vertex_tri[b] = tq;
    markChanged(tp);
    markChanged(tq);
}

void DelaunayState::markChanged(unsigned t) {
    SearchIndex& x = index_;
    if (!x.deferring) {
        classifyTriangle(t);
        return;
    }
    std::uint8_t& kind = triKind(t);
    if (kind & SearchIndex::kUnclassified) return;
    kind = static_cast<std::uint8_t>(kind | SearchIndex::kUnclassified);
    x.unclassified.push_back(t);
}

void DelaunayState::classifyChanged() {
    SearchIndex& x = index_;
    x.deferring = false;
    for (unsigned t : x.unclassified) classifyTriangleInline(t);
    x.unclassified.clear();
}

void DelaunayState::classifyTriangle(unsigned t) {
    classifyTriangleInline(t);
}

// The classification, compiled into classifyChanged's loop as well.
inline void DelaunayState::classifyTriangleInline(unsigned t) {
    SearchIndex& x = index_;
    const unsigned* tv = triVerts(t);
    const double* p0 = point(tv[0]);
    const double* p1 = point(tv[1]);
    const double* p2 = point(tv[2]);
    // The determinant as the barycentric test forms it, from the stored order.
    const double ab = (p1[0] - p0[0]) * (p2[1] - p0[1]);
    const double cd = (p2[0] - p0[0]) * (p1[1] - p0[1]);
    const double det = ab - cd;
    std::uint8_t kind = SearchIndex::kHazard;
    if (x.sense * det > kDetError * (std::fabs(ab) + std::fabs(cd))) {
        // The longest side squared is at most twice the sum of the two sides
        // at vertex 0 squared.
        const double s01 = (p1[0] - p0[0]) * (p1[0] - p0[0]) + (p1[1] - p0[1]) * (p1[1] - p0[1]);
        const double s02 = (p2[0] - p0[0]) * (p2[0] - p0[0]) + (p2[1] - p0[1]) * (p2[1] - p0[1]);
        const double size = std::fabs(det);
        kind = size >= kTinyDet && size >= 2 * kThinRatio * (s01 + s02) ? SearchIndex::kRegular
                                                                        : SearchIndex::kThin;
    }

    // Which edge slot holds each side; the edges were all read lately by the
    // split or flips that changed the triangle. Each edge is reduced to the
    // set of the triangle's vertices it holds (three bits), and the three
    // sets together pick the code from a table: the edges are the sides
    // exactly when the sets are {0, 1}, {1, 2} and {2, 0} in some order (which
    // also needs the vertices to differ).
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
    const unsigned slots = unsigned(kSlotCodes.code[key]) << SearchIndex::kSlotShift;

    std::uint8_t& slot = triKind(t);
    const bool was_odd = (slot & SearchIndex::kKindMask) != SearchIndex::kRegular;
    const bool now_odd = kind != SearchIndex::kRegular;
    unsigned listed = slot & SearchIndex::kListed;
    if (now_odd && !listed) {
        x.odd_tris.push_back(t);
        listed = SearchIndex::kListed;
    }
    slot = static_cast<std::uint8_t>(kind | listed | slots);
    if (now_odd && !was_odd) ++x.odd_live;
    if (was_odd && !now_odd) --x.odd_live;

    // Triangles that turned regular stay listed until the list is mostly such.
    if (x.odd_tris.size() > 2 * static_cast<std::size_t>(x.odd_live) + 32) {
        std::size_t kept = 0;
        for (unsigned u : x.odd_tris) {
            if ((triKind(u) & SearchIndex::kKindMask) != SearchIndex::kRegular) {
                x.odd_tris[kept++] = u;
            } else {
                triKind(u) &= static_cast<std::uint8_t>(~SearchIndex::kListed);
            }
        }
        x.odd_tris.resize(kept);
    }
}

unsigned DelaunayState::cellOf(double px, double py) const {
    const SearchIndex& x = index_;
    // Monotone in each coordinate, so a range of coordinates maps onto a range
    // of cells; points beyond the box land in the border cells (NaN in cell 0).
    const double fx = (px - x.grid_x0) * x.grid_fx;
    const double fy = (py - x.grid_y0) * x.grid_fy;
    unsigned ix = 0, iy = 0;
    if (fx >= 1.0) ix = fx < x.grid_nx ? static_cast<unsigned>(fx) : x.grid_nx - 1;
    if (fy >= 1.0) iy = fy < x.grid_ny ? static_cast<unsigned>(fy) : x.grid_ny - 1;
    return iy * x.grid_nx + ix;
}

void DelaunayState::linkVertex(unsigned v) {
    SearchIndex& x = index_;
    const unsigned cell = cellOf(point(v)[0], point(v)[1]);
    x.cell_next[v] = x.cell_head[cell];
    x.cell_head[cell] = v;
    if (++x.linked > kCellLoad * static_cast<std::size_t>(x.cell_head.size()))
        rebuildGrid(x.linked);
}

void DelaunayState::rebuildGrid(unsigned cells) {
    SearchIndex& x = index_;
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
        const unsigned cell = cellOf(point(v)[0], point(v)[1]);
        x.cell_next[v] = x.cell_head[cell];
        x.cell_head[cell] = v;
        ++x.linked;
    }
}

// Where a walk to P starts: a triangle at the vertex inserted last when that
// is within a cell's size of P (points that come in order), else one at
// startVertex (P).
unsigned DelaunayState::walkStart(const double* P) const {
    const SearchIndex& x = index_;
    const double* last = point(x.last_vertex);
    const double dx = last[0] - P[0], dy = last[1] - P[1];
    if (dx * dx + dy * dy <= x.cell_diagonal_sq) return x.vertex_tri[x.last_vertex];
    return x.vertex_tri[startVertex(P)];
}

// The newest vertex of P's cell, else of the nearest cell around it that has
// one (a few rings out at most), else the vertex inserted last.
unsigned DelaunayState::startVertex(const double* P) const {
    const SearchIndex& x = index_;
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

// The edge of t from its vertex i to vertex i + 1.
unsigned DelaunayState::sideEdge(unsigned t, unsigned i) const {
    const unsigned code = SearchIndex::slotCode(triKind(t));
    if (code == SearchIndex::kNoSlotCode) {
        const unsigned* tv = triVerts(t);
        return triangleEdgeJoining(t, tv[i], tv[(i + 1) % 3]);
    }
    return triEdges(t)[SearchIndex::slotOfSide(code, i)];
}

double DelaunayState::reach() const {
    return kReachFactor * span();
}

double DelaunayState::insideReach() const {
    return kInsideReachFactor * span();
}

double DelaunayState::span() const {
    const SearchIndex& x = index_;
    return (x.hi[0] - x.lo[0]) + (x.hi[1] - x.lo[1]);
}

// --- point location ------------------------------------------------------------

unsigned DelaunayState::locate(const double* P, unsigned start) {
    return index_.active ? locatePointIndexed(P, start) : locatePoint(P);
}

bool DelaunayState::followClosely(const double* xy, unsigned count, const double* prev) const {
    const SearchIndex& x = index_;
    if (!x.active) return true;
    // A NaN coordinate counts as far.
    double before[2];
    if (prev) {
        before[0] = prev[0];
        before[1] = yscale * prev[1];
    } else {
        before[0] = point(x.last_vertex)[0];
        before[1] = point(x.last_vertex)[1];
    }
    const double near_sq = kNearCells * kNearCells * x.cell_diagonal_sq;
    for (unsigned j = 0; j < count; ++j) {
        const double px = xy[2 * j], py = yscale * xy[2 * j + 1];
        const double dx = px - before[0], dy = py - before[1];
        if (!(dx * dx + dy * dy <= near_sq)) return false;
        before[0] = px;
        before[1] = py;
    }
    return true;
}

void DelaunayState::lookAheadBegin(LookAheadRun* run, const double* xy, unsigned count,
                                   const double* prev) const {
    const SearchIndex& x = index_;
    LookAheadRun& r = *run;
    r.count = std::min(count, kLookAhead);
    r.stage = LookAheadRun::kDone;
    r.live = r.step = r.rings = r.size = 0;
    for (unsigned j = 0; j < r.count; ++j) r.starts[j] = KELM_NONE;
    // Points that follow one another closely (a scan along rows, an outline)
    // find the tables around them in the caches: walking ahead would only
    // cost.
    r.close = followClosely(xy, r.count, prev);
    r.generation = x.generation;
    if (!x.active || triangleCount() < g_look_ahead_from || r.close) return;

    for (unsigned j = 0; j < r.count; ++j) {
        r.P[j][0] = xy[2 * j];
        r.P[j][1] = yscale * xy[2 * j + 1];
        r.tri[j] = r.from[j] = KELM_NONE;
        if (xy[2 * j] == KELM_NULL_REAL || xy[2 * j + 1] == KELM_NULL_REAL || !isFinite(r.P[j]))
            continue;
        // The cell's newest vertex, which the walk starts from (and which
        // linkVertex will replace), and the cells above and below, where
        // startVertex looks when the cell is empty.
        const unsigned cell = cellOf(r.P[j][0], r.P[j][1]);
        prefetchLine(&x.cell_head[cell]);
        if (cell >= x.grid_nx) prefetchLine(&x.cell_head[cell - x.grid_nx]);
        if (cell + x.grid_nx < x.cell_head.size()) prefetchLine(&x.cell_head[cell + x.grid_nx]);
        r.tri[j] = 0;  // a lane to start
    }
    r.stage = LookAheadRun::kWalkVertex;
}

namespace {

// kFirstOpenSide[r][open]: the first side i among r, r + 1, r + 2 (mod 3) whose
// bit is set in open (open != 0).
constexpr unsigned char kFirstOpenSide[3][8] = {
    {0, 0, 1, 0, 2, 0, 1, 0}, {0, 0, 1, 1, 2, 2, 1, 1}, {0, 0, 1, 0, 2, 2, 2, 2}};

}  // namespace

bool DelaunayState::lookAheadPass(LookAheadRun* run) const {
    const SearchIndex& x = index_;
    LookAheadRun& r = *run;
    // Counted anew by each pass: the tables may have grown since the last.
    const unsigned nt = triangleCount(), ne = edgeCount(), np = pointCount();
    if (r.generation != x.generation || !x.active) r.stage = LookAheadRun::kDone;
    constexpr unsigned kSteps = 64;
    // The insertion's flips read the triangles beside the found triangle and,
    // beyond each triangle whose circumcircle holds the point (the flips will
    // turn its edge towards the point and test its far sides), the triangles
    // across its far sides: rings out to kRings.
    constexpr unsigned kRings = 4;
    auto askCorners = [&](unsigned t) KELM_ALWAYS_INLINE {
        const unsigned* tv = triVerts(t);
        for (unsigned k = 0; k < 3; ++k)
            if (tv[k] < np) prefetchLine(point(tv[k]));
    };
    // The lane at position i of the live list stops where it is.
    auto stop = [&](unsigned i) {
        const unsigned j = r.lane[i];
        r.starts[j] = r.tri[j];
        r.tri[j] = KELM_NONE;
        r.lane[i] = r.lane[--r.live];
    };

    switch (r.stage) {
        case LookAheadRun::kWalkVertex:
            for (unsigned j = 0; j < r.count; ++j) {
                if (r.tri[j] == KELM_NONE) continue;
                const unsigned v = startVertex(r.P[j]);
                r.vertex[j] = v;
                if (v < x.vertex_tri.size()) prefetchLine(&x.vertex_tri[v]);
            }
            r.stage = LookAheadRun::kWalkStart;
            return true;

        case LookAheadRun::kWalkStart:
            for (unsigned j = 0; j < r.count; ++j) {
                if (r.tri[j] == KELM_NONE) continue;
                // A triangle at the start vertex, as walkStart picks it for
                // points far apart.
                const unsigned v = r.vertex[j];
                const unsigned t = v < x.vertex_tri.size() ? x.vertex_tri[v] : KELM_NONE;
                r.tri[j] = t < nt ? t : KELM_NONE;
                if (t >= nt) continue;
                prefetchRecord(&tris[t]);
                r.lane[r.live++] = j;
            }
            r.stage = LookAheadRun::kWalkCorners;
            return true;

        // The walk stages go over the live lanes only: lanes stop at random
        // steps, and a test per lane of whether it still walks would mostly be
        // mispredicted.
        case LookAheadRun::kWalkCorners:
            for (unsigned i = 0; i < r.live; ++i) askCorners(r.tri[r.lane[i]]);
            r.stage = LookAheadRun::kWalkSides;
            return true;

        case LookAheadRun::kWalkSides:
            for (unsigned i = 0; i < r.live;) {
                const unsigned j = r.lane[i];
                const unsigned t = r.tri[j];
                const unsigned* tv = triVerts(t);
                // A triangle changed by an insertion under way has no code yet.
                const std::uint8_t kind = triKind(t);
                const unsigned code = (kind & SearchIndex::kUnclassified)
                                          ? SearchIndex::kNoSlotCode
                                          : SearchIndex::slotCode(kind);
                if (tv[0] >= np || tv[1] >= np || tv[2] >= np || code == SearchIndex::kNoSlotCode) {
                    stop(i);
                    continue;
                }
                // The three side tests and edge checks are made together and
                // the side picked by table: which sides qualify varies at
                // random, and branches on it would mostly be mispredicted.
                const double* c0 = point(tv[0]);
                const double* c1 = point(tv[1]);
                const double* c2 = point(tv[2]);
                const unsigned* te = triEdges(t);
                const unsigned s0 = code & 3, s1 = code >> 2;
                const unsigned side_edge[3] = {te[s0], te[s1], te[3 - s0 - s1]};
                unsigned open = 0;
                open |= unsigned(x.sense * orient(c0, c1, r.P[j]) < 0) << 0;
                open |= unsigned(x.sense * orient(c1, c2, r.P[j]) < 0) << 1;
                open |= unsigned(x.sense * orient(c2, c0, r.P[j]) < 0) << 2;
                for (unsigned k = 0; k < 3; ++k)
                    open &= ~(unsigned((side_edge[k] == r.from[j]) | (side_edge[k] >= ne)) << k);
                if (open == 0) {
                    stop(i);  // no side to leave by: the walk is there
                    continue;
                }
                r.leave[j] = side_edge[kFirstOpenSide[(r.step + j) % 3][open]];
                prefetchRecord(&edges[r.leave[j]]);
                ++i;
            }
            r.stage = LookAheadRun::kWalkEdges;
            return true;

        case LookAheadRun::kWalkEdges:
            for (unsigned i = 0; i < r.live;) {
                const unsigned j = r.lane[i];
                const unsigned* et = edgeTris(r.leave[j]);
                // The other triangle of the edge, by exclusive or (without a
                // branch on which side the lane's triangle is); a hint, like
                // everything read here.
                const unsigned across = et[0] ^ et[1] ^ r.tri[j];
                if (across >= nt) {  // a hull edge (or links changed): stop before it
                    stop(i);
                    continue;
                }
                r.from[j] = r.leave[j];
                r.tri[j] = across;
                prefetchRecord(&tris[across]);
                ++i;
            }
            if (++r.step < kSteps && r.live > 0) {
                r.stage = LookAheadRun::kWalkCorners;
                return true;
            }
            // The walks are over: the rings start where they ended.
            for (unsigned j = 0; j < r.count; ++j) {
                if (r.tri[j] != KELM_NONE) r.starts[j] = r.tri[j];
                if (r.starts[j] == KELM_NONE) continue;
                r.ring[r.size] = r.starts[j];
                r.ring_from[r.size] = KELM_NONE;
                r.ring_lane[r.size++] = j;
            }
            r.stage = r.size > 0 ? LookAheadRun::kRingEdges : LookAheadRun::kDone;
            return r.stage != LookAheadRun::kDone;

        // Whether a triangle's circle holds the point is a toss-up: the entries
        // are kept or dropped by a flag rather than a branch, and a dropped
        // entry asks for lines already at hand instead.
        case LookAheadRun::kRingEdges: {
            // Beyond the first ring, only the triangles the flips go beyond.
            unsigned kept = 0;
            for (unsigned i = 0; i < r.size; ++i) {
                const unsigned t = r.ring[i];
                bool keep = t < nt;
                const unsigned* tv = triVerts(keep ? t : 0);
                if (r.rings > 0) {
                    keep = keep && tv[0] < np && tv[1] < np && tv[2] < np;
                    keep = keep && inCircle(point(tv[0]), point(tv[1]), point(tv[2]),
                                            r.P[r.ring_lane[i]], x.sense);
                }
                const unsigned* te = triEdges(keep ? t : 0);
                for (unsigned k = 0; k < 3; ++k) {
                    const unsigned e = te[k];
                    prefetchRecord(&edges[e < ne ? e : 0]);
                }
                r.ring[kept] = t;
                r.ring_from[kept] = r.ring_from[i];
                r.ring_lane[kept] = r.ring_lane[i];
                kept += keep;
            }
            r.size = kept;
            r.stage = kept > 0 ? LookAheadRun::kRingAcross : LookAheadRun::kDone;
            return r.stage != LookAheadRun::kDone;
        }

        case LookAheadRun::kRingAcross: {
            unsigned next[kRingRoom], next_from[kRingRoom], next_lane[kRingRoom];
            unsigned next_size = 0;
            for (unsigned i = 0; i < r.size; ++i) {
                for (unsigned k = 0; k < 3; ++k) {
                    const unsigned e = triEdges(r.ring[i])[k];
                    if (e >= ne || e == r.ring_from[i]) continue;
                    const unsigned* et = edgeTris(e);
                    const unsigned n = et[0] ^ et[1] ^ r.ring[i];
                    if (n >= nt || next_size == kRingRoom) continue;
                    prefetchRecord(&tris[n]);
                    next[next_size] = n;
                    next_from[next_size] = e;
                    next_lane[next_size++] = r.ring_lane[i];
                }
            }
            std::copy(next, next + next_size, r.ring);
            std::copy(next_from, next_from + next_size, r.ring_from);
            std::copy(next_lane, next_lane + next_size, r.ring_lane);
            r.size = next_size;
            r.stage = next_size > 0 ? LookAheadRun::kRingCorners : LookAheadRun::kDone;
            return r.stage != LookAheadRun::kDone;
        }

        case LookAheadRun::kRingCorners:
            for (unsigned i = 0; i < r.size; ++i) askCorners(r.ring[i]);
            r.stage = ++r.rings < kRings ? LookAheadRun::kRingEdges : LookAheadRun::kDone;
            return r.stage != LookAheadRun::kDone;

        case LookAheadRun::kDone:
            break;
    }
    return false;
}

// Walks from start towards P, crossing an edge that has P on its outer side
// (tried from a random side, never straight back). Returns the triangle where
// no edge is left to cross, the last triangle before P's side of a hull edge
// (*outside set), or KELM_NONE when the walk goes on too long or meets broken
// links.
unsigned DelaunayState::walk(const double* P, unsigned start, bool* outside) {
    SearchIndex& x = index_;
    *outside = false;
    const unsigned limit = 1000 + 8 * static_cast<unsigned>(std::sqrt(triangleCount()));
    unsigned t = start, from = KELM_NONE;
    for (unsigned step = 0; step < limit; ++step) {
        // The corners decide which side to leave by; only that side's edge
        // is read (each edge read is a likely cache miss once the tables are
        // large).
        const unsigned* tv = triVerts(t);
        const unsigned* te = triEdges(t);
        const unsigned code = SearchIndex::slotCode(triKind(t));
        const double* corner[3] = {point(tv[0]), point(tv[1]), point(tv[2])};
        const unsigned first = nextRandom(&x.rng) % 3;
        unsigned slot = 3;
        for (unsigned k = 0; k < 3 && slot == 3; ++k) {
            const unsigned i = (first + k) % 3;
            if (x.sense * orient(corner[i], corner[(i + 1) % 3], P) >= 0) continue;
            unsigned s;
            if (code == SearchIndex::kNoSlotCode) {
                const unsigned e = triangleEdgeJoining(t, tv[i], tv[(i + 1) % 3]);
                if (e == KELM_NONE) return KELM_NONE;
                s = e == te[0] ? 0 : e == te[1] ? 1 : 2;
            } else {
                s = SearchIndex::slotOfSide(code, i);
            }
            if (te[s] != from) slot = s;
        }
        if (slot == 3) return t;
        bool on_edge = false;
        const unsigned across = otherTriangle(te[slot], t, &on_edge);
        if (!on_edge) return KELM_NONE;
        if (across == KELM_NONE) {
            *outside = true;
            return t;
        }
        from = te[slot];
        t = across;
    }
    return KELM_NONE;
}

unsigned DelaunayState::locatePointIndexed(const double* P, unsigned start) {
    SearchIndex& x = index_;
    // A coordinate that is not finite makes every weight infinite or NaN: no
    // triangle takes the point, whatever the scan meets first.
    if (!isFinite(P)) {
        ++x.counters.indexed_locates;
        return KELM_NONE;
    }
    const double r = reach();
    const double extent = span();

    // The odd triangles are examined for every point.
    ScanOutcome outcome;
    bool hazard_near = false;
    for (unsigned t : x.odd_tris) {
        const std::uint8_t kind = triKind(t) & SearchIndex::kKindMask;
        if (kind == SearchIndex::kRegular) continue;
        const unsigned* tv = triVerts(t);
        double value = 0.0;
        const PointClass cls = classifyPoint(point(tv[0]), point(tv[1]), point(tv[2]), P, &value);
        outcome.add(t, cls, value);
        if (kind == SearchIndex::kHazard && !hazard_near) {
            for (unsigned k = 0; k < 2; ++k) {
                const double c0 = point(tv[0])[k], c1 = point(tv[1])[k], c2 = point(tv[2])[k];
                const double lo = std::min(std::min(c0, c1), c2);
                const double hi = std::max(std::max(c0, c1), c2);
                if (P[k] + r < lo || P[k] - r > hi) break;
                if (k == 1) hazard_near = true;
            }
        }
    }

    // A point farther than the span from every vertex is out of reach of every
    // regular triangle (and of every hazard).
    if (P[0] < x.lo[0] - extent || P[0] > x.hi[0] + extent || P[1] < x.lo[1] - extent ||
        P[1] > x.hi[1] + extent) {
        ++x.counters.indexed_locates;
        return outcome.result();
    }
    if (hazard_near) {
        ++x.counters.plain_locates;
        return locatePoint(P);
    }

    // True when P lies inside t beyond any rounding of the side tests.
    // Each side's test value (twice the area of the side and P, of the
    // enclosing sense) is kept for the triangle found to hold P.
    double held[3] = {0.0, 0.0, 0.0};
    auto robustlyInside = [&](unsigned t) {
        const unsigned* tv = triVerts(t);
        for (unsigned k = 0; k < 3; ++k) {
            const double* a = point(tv[k]);
            const double* b = point(tv[(k + 1) % 3]);
            held[k] = x.sense * orient(a, b, P);
            if (!(held[k] > orientError(a, b, P))) return false;
        }
        return true;
    };
    // A start that holds P robustly is where the walk would stop at once
    // (every side test passes): most starts a lookahead gives are such.
    bool outside = false;
    bool inside = start < triangleCount() && robustlyInside(start);
    const unsigned found =
        inside ? start : walk(P, start < triangleCount() ? start : walkStart(P), &outside);
    bool sound = found != KELM_NONE;
    if (sound && outside) {
        // Beyond a hull edge: only a point clear of the enclosing triangle by
        // more than the reach is out of reach of every regular triangle.
        double d2 = segmentDistanceSq(P, point(0), point(1));
        d2 = std::min(d2, segmentDistanceSq(P, point(1), point(2)));
        d2 = std::min(d2, segmentDistanceSq(P, point(2), point(0)));
        if (d2 > r * r * 1.0001) {
            ++x.counters.indexed_locates;
            return outcome.result();
        }
        sound = false;
    }
    // Where the walk ended: inside, or how close its sides come.
    double found_d2 = std::numeric_limits<double>::infinity();
    if (sound) {
        // The walk must end on a triangle that meets the disc around P.
        const unsigned* tv = triVerts(found);
        if (!inside) inside = robustlyInside(found);
        if (!inside) {
            for (unsigned k = 0; k < 3; ++k)
                found_d2 =
                    std::min(found_d2, segmentDistanceSq(P, point(tv[k]), point(tv[(k + 1) % 3])));
        }
        sound = inside || found_d2 <= 0.25 * r * r;
    }
    if (!sound) {
        ++x.counters.plain_locates;
        return locatePoint(P);
    }

    // Spread from there over the edges within a radius. The triangles met are
    // few, and a short list of them is cheaper than marks in a table as large
    // as the triangulation; the marks take over when the list grows.
    // With every coordinate of scale class 1 or better, the products of
    // segmentWithin neither overflow nor lose a side to underflow.
    const bool scaled = coordinate_scale_ >= 1;
    // Whether the side ab comes within sqrt(r2) of P.
    auto sideWithin = [&](const double* a, const double* b, double r2) {
        return scaled ? segmentWithin(P, a, b, r2) : !(segmentDistanceSq(P, a, b) > r2);
    };
    constexpr std::size_t kListedVisits = 32;
    bool marking = false;
    auto visited = [&](unsigned t) {
        if (marking) return x.visit_mark[t] == x.visit_round;
        return std::find(x.seen.begin(), x.seen.end(), t) != x.seen.end();
    };
    auto visit = [&](unsigned t) {
        x.work.push_back(t);
        if (marking) {
            x.visit_mark[t] = x.visit_round;
            return;
        }
        x.seen.push_back(t);
        if (x.seen.size() <= kListedVisits) return;
        marking = true;
        if (x.visit_mark.size() < triangleCount()) x.visit_mark.resize(triangleCount(), 0u);
        if (++x.visit_round == 0) {
            std::fill(x.visit_mark.begin(), x.visit_mark.end(), 0u);
            x.visit_round = 1;
        }
        for (unsigned u : x.seen) x.visit_mark[u] = x.visit_round;
    };
    // Adds every triangle meeting the disc of radius sqrt(r2) to the outcome;
    // false when a side has no edge to cross by (the plain scan must answer).
    auto spread = [&](double r2) {
        marking = false;
        x.work.clear();
        x.seen.clear();
        visit(found);
        while (!x.work.empty()) {
            const unsigned t = x.work.back();
            x.work.pop_back();
            const unsigned* tv = triVerts(t);
            double value = 0.0;
            const PointClass cls =
                classifyPoint(point(tv[0]), point(tv[1]), point(tv[2]), P, &value);
            outcome.add(t, cls, value);
            for (unsigned i = 0; i < 3; ++i) {
                // The side's distance first: it is rarely within reach.
                const double* a = point(tv[i]);
                const double* b = point(tv[(i + 1) % 3]);
                if (!sideWithin(a, b, r2)) continue;
                const unsigned e = sideEdge(t, i);
                if (e == KELM_NONE) return false;
                const unsigned* et = edgeTris(e);
                const unsigned n = et[0] == t ? et[1] : et[0];
                if (n != KELM_NONE && !visited(n)) visit(n);
            }
        }
        return true;
    };

    // A regular triangle classifies a point inside only when the point lies
    // within insideReach() of it. With every triangle that can do so met, and
    // every odd one, the outcome has the scan's first inside (or degenerate)
    // triangle whenever the scan has one, and then the near triangles do not
    // count: most points are settled there, within a far smaller disc.
    const double r_inside = insideReach();
    if (inside) {
        // When no side of the triangle holding P comes within the inside
        // reach, the spread would meet that triangle alone. P lies inside,
        // so a side is no nearer than its line, at the test value over the
        // side's length: value^2 > r^2 length^2 puts the side out of reach.
        const unsigned* tv = triVerts(found);
        const double r2 = r_inside * r_inside;
        bool alone = true;
        for (unsigned i = 0; i < 3; ++i) {
            const double* a = point(tv[i]);
            const double* b = point(tv[(i + 1) % 3]);
            const double dx = b[0] - a[0], dy = b[1] - a[1];
            alone = alone & (held[i] * held[i] > r2 * (dx * dx + dy * dy));
        }
        if (alone) {
            // A regular triangle holding P robustly, with every side farther
            // than the inside reach, classifies P inside: its weights are then
            // all above 6e-7 and off by less than 1e-8 each (see
            // kInsideReachFactor). Others are classified.
            if ((triKind(found) & SearchIndex::kKindMask) == SearchIndex::kRegular) {
                outcome.add(found, PointClass::kInside, 0.0);
            } else {
                double value = 0.0;
                outcome.add(found,
                            classifyPoint(point(tv[0]), point(tv[1]), point(tv[2]), P, &value),
                            value);
            }
            if (outcome.hit()) {
                ++x.counters.indexed_locates;
                return outcome.result();
            }
        }
    }
    if (inside || found_d2 <= r_inside * r_inside) {
        if (!spread(r_inside * r_inside)) {
            ++x.counters.plain_locates;
            return locatePoint(P);
        }
        if (outcome.hit()) {
            ++x.counters.indexed_locates;
            return outcome.result();
        }
    }
    // No triangle takes the point inside: the near ones decide, over the
    // whole reach.
    if (!spread(r * r)) {
        ++x.counters.plain_locates;
        return locatePoint(P);
    }
    ++x.counters.indexed_locates;
    return outcome.result();
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
    const unsigned column_lo = cellOf(x_lo, x.grid_y0) % x.grid_nx;
    const unsigned column_hi = cellOf(x_hi, x.grid_y0) % x.grid_nx;
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
        const unsigned row_lo = cellOf(x.grid_x0, y_lo - pad) / x.grid_nx;
        const unsigned row_hi = cellOf(x.grid_x0, y_hi + pad) / x.grid_nx;
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

// --- self-check ----------------------------------------------------------------

std::string DelaunayState::checkIndex() const {
    const SearchIndex& x = index_;
    std::ostringstream out;
    if (!x.active) return "";
    const unsigned np = pointCount(), nt = triangleCount(), ne = edgeCount();
    if (x.vertex_tri.size() != np || x.cell_next.size() != np || x.visit_mark.size() > nt)
        return "index sizes differ from the tables";

    std::vector<char> in_edges(np, 0);
    for (unsigned e = 0; e < ne; ++e) in_edges[edgeVerts(e)[0]] = in_edges[edgeVerts(e)[1]] = 1;
    std::vector<std::vector<unsigned>> around(np);
    for (unsigned t = 0; t < nt; ++t)
        for (unsigned k = 0; k < 3; ++k) around[triVerts(t)[k]].push_back(t);

    std::vector<char> linked(np, 0);
    unsigned linked_count = 0;
    for (std::size_t cell = 0; cell < x.cell_head.size(); ++cell) {
        for (unsigned v = x.cell_head[cell]; v != KELM_NONE; v = x.cell_next[v]) {
            if (v >= np || linked[v]) return "grid lists a vertex twice or out of range";
            if (cellOf(point(v)[0], point(v)[1]) != cell)
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
        const double* p = point(v);
        if (p[0] < x.lo[0] || p[0] > x.hi[0] || p[1] < x.lo[1] || p[1] > x.hi[1]) {
            out << "vertex " << v << " outside the bounds";
            return out.str();
        }
        std::vector<unsigned> turned;
        if (!forEachTriangleAround(v, [&](unsigned t) { turned.push_back(t); })) {
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
    DelaunayState copy(*this);
    for (unsigned t = 0; t < nt; ++t) {
        copy.classifyTriangle(t);
        const unsigned kind = triKind(t) & SearchIndex::kKindMask;
        const unsigned listed_bit = SearchIndex::kListed;
        if ((copy.triKind(t) | listed_bit) != (triKind(t) | listed_bit)) {
            out << "triangle " << t << " kind " << kind << " is stale";
            return out.str();
        }
        // The slot code, checked against a search of the edges: each side's
        // slot holds the edge joining its ends, and a triangle without a code
        // has a side that no other slot's edge joins or repeats a vertex.
        const unsigned* tv = triVerts(t);
        const unsigned code = SearchIndex::slotCode(triKind(t));
        unsigned slots_found = 0;
        bool sides_found = tv[0] != tv[1] && tv[1] != tv[2] && tv[2] != tv[0];
        for (unsigned i = 0; i < 3; ++i) {
            const unsigned found = triangleEdgeSlot(t, tv[i], tv[(i + 1) % 3]);
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
        if (((triKind(t) & SearchIndex::kListed) != 0) != (listed[t] != 0)) {
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

}  // namespace kelm_internal
