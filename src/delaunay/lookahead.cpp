// The lookahead of insertRun: for the points a few groups ahead it walks
// towards each point as the search will, then asks for the table lines the
// insertion will read around where the walk ended, ring by ring, one stage
// per pass. It reads the tables only, and only as hints: they may change
// between passes, so every index read is checked before use. The stages are
// pictured in docs/delaunay.md.

#include <algorithm>

#include "delaunay/internal_delaunay.h"

namespace kelm_internal {

namespace {

// Triangles from which a batch's searches look ahead: tables that fit the
// caches gain nothing from it.
unsigned g_look_ahead_from = 1u << 16;

// A batch whose points each lie within this many cell diagonals of the point
// before is not looked ahead for.
constexpr double kNearCells = 4.0;
// Steps a lane walks at most.
constexpr unsigned kSteps = 64;
// The insertion's flips read the triangles beside the found triangle and,
// beyond each triangle whose circumcircle holds the point (the flips will
// turn its edge towards the point and test its far sides), the triangles
// across its far sides: rings out to kRings.
constexpr unsigned kRings = 4;

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

// kFirstOpenSide[r][open]: the first side i among r, r + 1, r + 2 (mod 3) whose
// bit is set in open (open != 0).
constexpr unsigned char kFirstOpenSide[3][8] = {
    {0, 0, 1, 0, 2, 0, 1, 0}, {0, 0, 1, 1, 2, 2, 1, 1}, {0, 0, 1, 0, 2, 2, 2, 2}};

using Run = DelaunayState::LookAheadRun;

// One pass over a run: the stage it is at does its work and names the next.
// The table sizes are counted anew by each pass, as the tables may have grown
// since the last.
class Pass {
public:
    Pass(const DelaunayState& s, Run& r)
        : s_(s), x_(s.searchIndex()), r_(r), nt_(s.triangleCount()), ne_(s.edgeCount()),
          np_(s.pointCount()) {}

    Run::Stage walkVertex();
    Run::Stage walkStart();
    Run::Stage walkCorners();
    Run::Stage walkSides();
    Run::Stage walkEdges();
    Run::Stage ringEdges();
    KELM_ALWAYS_INLINE inline Run::Stage ringAcross();
    Run::Stage ringCorners();

private:
    KELM_ALWAYS_INLINE void askCorners(unsigned t) const {
        const unsigned* tv = s_.triVerts(t);
        for (unsigned k = 0; k < 3; ++k)
            if (tv[k] < np_) prefetchLine(s_.point(tv[k]));
    }
    // The lane at position i of the live list stops where it is.
    void stop(unsigned i) {
        const unsigned j = r_.lane[i];
        r_.starts[j] = r_.tri[j];
        r_.tri[j] = KELM_NONE;
        r_.lane[i] = r_.lane[--r_.live];
    }
    unsigned leavingSide(unsigned j, unsigned t, unsigned code) const;
    Run::Stage beginRings();

    const DelaunayState& s_;
    const SearchIndex& x_;
    Run& r_;
    const unsigned nt_, ne_, np_;
};

// The grid cells: pick the vertex each lane walks from.
Run::Stage Pass::walkVertex() {
    for (unsigned j = 0; j < r_.count; ++j) {
        if (r_.tri[j] == KELM_NONE) continue;
        const unsigned v = x_.startVertex(r_.P[j]);
        r_.vertex[j] = v;
        if (v < x_.vertex_tri.size()) prefetchLine(&x_.vertex_tri[v]);
    }
    return Run::kWalkStart;
}

// The vertices' links: the triangle to walk from, as walkStart picks it for
// points far apart.
Run::Stage Pass::walkStart() {
    for (unsigned j = 0; j < r_.count; ++j) {
        if (r_.tri[j] == KELM_NONE) continue;
        const unsigned v = r_.vertex[j];
        const unsigned t = v < x_.vertex_tri.size() ? x_.vertex_tri[v] : KELM_NONE;
        r_.tri[j] = t < nt_ ? t : KELM_NONE;
        if (t >= nt_) continue;
        prefetchRecord(&s_.tris[t]);
        r_.lane[r_.live++] = j;
    }
    return Run::kWalkCorners;
}

// The walk stages go over the live lanes only: lanes stop at random steps,
// and a test per lane of whether it still walks would mostly be mispredicted.
Run::Stage Pass::walkCorners() {
    for (unsigned i = 0; i < r_.live; ++i) askCorners(r_.tri[r_.lane[i]]);
    return Run::kWalkSides;
}

// The edge lane j leaves triangle t by (slot code code), or KELM_NONE when no
// side is open: the walk is there. The three side tests and edge checks are
// made together and the side picked by table: which sides qualify varies at
// random, and branches on it would mostly be mispredicted.
unsigned Pass::leavingSide(unsigned j, unsigned t, unsigned code) const {
    const unsigned* tv = s_.triVerts(t);
    const double* c0 = s_.point(tv[0]);
    const double* c1 = s_.point(tv[1]);
    const double* c2 = s_.point(tv[2]);
    const unsigned* te = s_.triEdges(t);
    const unsigned s0 = code & 3, s1 = code >> 2;
    const unsigned side_edge[3] = {te[s0], te[s1], te[3 - s0 - s1]};
    unsigned open = 0;
    open |= unsigned(x_.sense * orient(c0, c1, r_.P[j]) < 0) << 0;
    open |= unsigned(x_.sense * orient(c1, c2, r_.P[j]) < 0) << 1;
    open |= unsigned(x_.sense * orient(c2, c0, r_.P[j]) < 0) << 2;
    for (unsigned k = 0; k < 3; ++k)
        open &= ~(unsigned((side_edge[k] == r_.from[j]) | (side_edge[k] >= ne_)) << k);
    if (open == 0) return KELM_NONE;
    return side_edge[kFirstOpenSide[(r_.step + j) % 3][open]];
}

// The corners: pick the side to leave by and ask for its edge.
Run::Stage Pass::walkSides() {
    for (unsigned i = 0; i < r_.live;) {
        const unsigned j = r_.lane[i];
        const unsigned t = r_.tri[j];
        const unsigned* tv = s_.triVerts(t);
        // A triangle changed by an insertion under way has no code yet.
        const std::uint8_t kind = s_.triKind(t);
        const unsigned code = (kind & SearchIndex::kUnclassified) ? SearchIndex::kNoSlotCode
                                                                  : SearchIndex::slotCode(kind);
        const bool readable = tv[0] < np_ && tv[1] < np_ && tv[2] < np_;
        const unsigned leave =
            readable && code != SearchIndex::kNoSlotCode ? leavingSide(j, t, code) : KELM_NONE;
        if (leave == KELM_NONE) {
            stop(i);
            continue;
        }
        r_.leave[j] = leave;
        prefetchRecord(&s_.edges[leave]);
        ++i;
    }
    return Run::kWalkEdges;
}

// The edges: step across and ask for the next triangle. The other triangle of
// the edge comes by exclusive or (without a branch on which side the lane's
// triangle is); a hint, like everything read here.
Run::Stage Pass::walkEdges() {
    for (unsigned i = 0; i < r_.live;) {
        const unsigned j = r_.lane[i];
        const unsigned* et = s_.edgeTris(r_.leave[j]);
        const unsigned across = et[0] ^ et[1] ^ r_.tri[j];
        if (across >= nt_) {  // a hull edge (or links changed): stop before it
            stop(i);
            continue;
        }
        r_.from[j] = r_.leave[j];
        r_.tri[j] = across;
        prefetchRecord(&s_.tris[across]);
        ++i;
    }
    if (++r_.step < kSteps && r_.live > 0) return Run::kWalkCorners;
    return beginRings();
}

// The walks are over: the rings start where they ended.
Run::Stage Pass::beginRings() {
    for (unsigned j = 0; j < r_.count; ++j) {
        if (r_.tri[j] != KELM_NONE) r_.starts[j] = r_.tri[j];
        if (r_.starts[j] == KELM_NONE) continue;
        r_.ring[r_.size] = r_.starts[j];
        r_.ring_from[r_.size] = KELM_NONE;
        r_.ring_lane[r_.size++] = j;
    }
    return r_.size > 0 ? Run::kRingEdges : Run::kDone;
}

// The ring's triangles: ask for their edges. Beyond the first ring, only the
// triangles the flips go beyond. Whether a triangle's circle holds the point
// is a toss-up: the entries are kept or dropped by a flag rather than a
// branch, and a dropped entry asks for lines already at hand instead.
Run::Stage Pass::ringEdges() {
    unsigned kept = 0;
    for (unsigned i = 0; i < r_.size; ++i) {
        const unsigned t = r_.ring[i];
        bool keep = t < nt_;
        const unsigned* tv = s_.triVerts(keep ? t : 0);
        if (r_.rings > 0) {
            keep = keep && tv[0] < np_ && tv[1] < np_ && tv[2] < np_;
            keep = keep && inCircle(s_.point(tv[0]), s_.point(tv[1]), s_.point(tv[2]),
                                    r_.P[r_.ring_lane[i]], x_.sense);
        }
        const unsigned* te = s_.triEdges(keep ? t : 0);
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = te[k];
            prefetchRecord(&s_.edges[e < ne_ ? e : 0]);
        }
        r_.ring[kept] = t;
        r_.ring_from[kept] = r_.ring_from[i];
        r_.ring_lane[kept] = r_.ring_lane[i];
        kept += keep;
    }
    r_.size = kept;
    return kept > 0 ? Run::kRingAcross : Run::kDone;
}

// The edges: ask for the triangles across them, the next ring.
Run::Stage Pass::ringAcross() {
    unsigned next[DelaunayState::kRingRoom], next_from[DelaunayState::kRingRoom], next_lane[DelaunayState::kRingRoom];
    unsigned next_size = 0;
    for (unsigned i = 0; i < r_.size; ++i) {
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = s_.triEdges(r_.ring[i])[k];
            if (e >= ne_ || e == r_.ring_from[i]) continue;
            const unsigned* et = s_.edgeTris(e);
            const unsigned n = et[0] ^ et[1] ^ r_.ring[i];
            if (n >= nt_ || next_size == DelaunayState::kRingRoom) continue;
            prefetchRecord(&s_.tris[n]);
            next[next_size] = n;
            next_from[next_size] = e;
            next_lane[next_size++] = r_.ring_lane[i];
        }
    }
    std::copy(next, next + next_size, r_.ring);
    std::copy(next_from, next_from + next_size, r_.ring_from);
    std::copy(next_lane, next_lane + next_size, r_.ring_lane);
    r_.size = next_size;
    return next_size > 0 ? Run::kRingCorners : Run::kDone;
}

// Those triangles: ask for their corners.
Run::Stage Pass::ringCorners() {
    for (unsigned i = 0; i < r_.size; ++i) askCorners(r_.ring[i]);
    return ++r_.rings < kRings ? Run::kRingEdges : Run::kDone;
}

}  // namespace

unsigned lookAheadFrom() {
    return g_look_ahead_from;
}

void setLookAheadFrom(unsigned triangles) {
    g_look_ahead_from = triangles;
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
        const unsigned cell = x.cellOf(r.P[j][0], r.P[j][1]);
        prefetchLine(&x.cell_head[cell]);
        if (cell >= x.grid_nx) prefetchLine(&x.cell_head[cell - x.grid_nx]);
        if (cell + x.grid_nx < x.cell_head.size()) prefetchLine(&x.cell_head[cell + x.grid_nx]);
        r.tri[j] = 0;  // a lane to start
    }
    r.stage = LookAheadRun::kWalkVertex;
}

// A run begun under another generation of the index (dropped since) stops
// here, before reading the emptied grid.
bool DelaunayState::lookAheadPass(LookAheadRun* run) const {
    LookAheadRun& r = *run;
    if (r.generation != index_.generation || !index_.active) r.stage = LookAheadRun::kDone;
    Pass pass(*this, r);
    switch (r.stage) {
        case LookAheadRun::kWalkVertex: r.stage = pass.walkVertex(); break;
        case LookAheadRun::kWalkStart: r.stage = pass.walkStart(); break;
        case LookAheadRun::kWalkCorners: r.stage = pass.walkCorners(); break;
        case LookAheadRun::kWalkSides: r.stage = pass.walkSides(); break;
        case LookAheadRun::kWalkEdges: r.stage = pass.walkEdges(); break;
        case LookAheadRun::kRingEdges: r.stage = pass.ringEdges(); break;
        case LookAheadRun::kRingAcross: r.stage = pass.ringAcross(); break;
        case LookAheadRun::kRingCorners: r.stage = pass.ringCorners(); break;
        case LookAheadRun::kDone: break;
    }
    return r.stage != LookAheadRun::kDone;
}

}  // namespace kelm_internal
