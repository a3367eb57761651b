#ifndef KELMMATH_DELAUNAY_INTERNAL_DELAUNAY_H
#define KELMMATH_DELAUNAY_INTERNAL_DELAUNAY_H

// The triangulation state behind KelmDelaunay2D and the operations on it,
// shared by delaunay2d.cpp (points, flips, getters, dumps) and constraints.cpp
// (constrained edges, labelling).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "delaunay/search_index.h"

namespace kelm_internal {

// Edge flag bits.
constexpr unsigned kNoFlipBit = 1u;  // constrained: legalisation never flips it
constexpr unsigned kBorderBit = 2u;  // separates inside from outside

// Labels written by the inside fill.
constexpr unsigned kOutside = 0u;
constexpr unsigned kInside = 1u;

// Where a point lies relative to a triangle (classifyPoint).
enum class PointClass { kInside, kNear, kOutside, kDegenerate };

// Barycentric test of point p against the triangle (p0, p1, p2). For kNear,
// *nearness receives the negative weight (first two cases) or the positive
// excess of the weight sum over 1 (third case); it is left alone otherwise.
PointClass classifyPoint(const double* p0, const double* p1, const double* p2, const double* p,
                         double* nearness);

// Angle form of the Delaunay test for the edge (a, b) shared by the triangles
// (a, b, p) and (a, b, q): 1 when the angles at p and q add up to more than 180
// degrees. No tolerance; a NaN anywhere gives 0.
int needsFlip(const double* a, const double* b, const double* p, const double* q);
// The same, given the scale class (coordinateScale) that every coordinate of
// a, b, p and q is known to have at least; 0 knows nothing.
int needsFlip(const double* a, const double* b, const double* p, const double* q, int scale);
// 2 for zero or a magnitude within 2^-40..2^95, else 1 within 2^-100..2^180,
// else 0 (NaN included). Differences of coordinates of class 2 are zero or
// within 2^-92..2^96, of class 1 within 2^-152..2^181: inside the ranges where
// the shortcuts of needsFlip hold, so it need not test them.
int coordinateScale(double c);
// The angle form itself, without the shortcut needsFlip takes when the signs
// of the two cosines are beyond doubt; needsFlip gives its answer always.
int needsFlipAngles(const double* a, const double* b, const double* p, const double* q);

// 1 when the closed segments AB and CD meet (touching at an end counts); 0 for
// segments parallel within a sine of 1e-10.
int segmentsCross(const double* A, const double* B, const double* C, const double* D);

// Squared distance from p to the segment ab.
double segmentDistanceSq(const double* p, const double* a, const double* b);
// True when the segment ab comes within sqrt(r2) of p, or when that cannot be
// told (NaN): the test segmentDistanceSq(p, a, b) <= r2 without its division.
// Off from it by rounding only, which the reach's headroom covers. For
// coordinates whose squared differences and their products stay normal.
inline bool segmentWithin(const double* p, const double* a, const double* b, double r2) {
    const double dx = b[0] - a[0], dy = b[1] - a[1];
    const double wx = p[0] - a[0], wy = p[1] - a[1];
    const double along = wx * dx + wy * dy;
    if (!(along > 0)) return !(wx * wx + wy * wy > r2);
    const double length_sq = dx * dx + dy * dy;
    if (!(along < length_sq)) {
        const double vx = p[0] - b[0], vy = p[1] - b[1];
        return !(vx * vx + vy * vy > r2);
    }
    // The distance to the line is |cross| / length.
    const double cross = wx * dy - wy * dx;
    return !(cross * cross > r2 * length_sq);
}

// Absolute area of the triangle (a, b, c).
double triangleArea(const double* a, const double* b, const double* c);

// 1 when vertex v lies exactly on the open segment from a, with d = b - a and
// length_sq = d.d: the cross product d x (v - a) is zero and the projection falls
// strictly between the ends.
bool onOpenSegment(const double* a, double dx, double dy, double length_sq, const double* v);

// Relative error bound for the sign of a 2x2 determinant a*b - c*d.
constexpr double kDetError = 1e-14;

// Twice the signed area of (a, b, p).
inline double orient(const double* a, const double* b, const double* p) {
    return (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]);
}

// Error bound of orient() for the same arguments.
inline double orientError(const double* a, const double* b, const double* p) {
    return kDetError *
           (std::fabs((b[0] - a[0]) * (p[1] - a[1])) + std::fabs((b[1] - a[1]) * (p[0] - a[0])));
}

inline bool isFinite(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]);
}

// How a state finds triangles and edges. kIndexed keeps a search index beside
// the tables (vertex grid, vertex-to-triangle links, triangle quality flags) and
// gives exactly the answers of kPlainScans, which scans the tables in index
// order; the plain scans stay as the reference the index is checked against.
enum class SearchMode { kIndexed, kPlainScans };

// The mode given to states constructed from now on (kIndexed unless changed).
// Process-wide and unsynchronised: meant for tests and benchmarks.
SearchMode defaultSearchMode();
void setDefaultSearchMode(SearchMode mode);
// The triangle count from which insertPoints looks ahead over its points
// (DelaunayState::LookAheadRun; 65536 unless changed). The answers are the same
// either way. Process-wide and unsynchronised: meant for tests and benchmarks.
unsigned lookAheadFrom();
void setLookAheadFrom(unsigned triangles);

// Where the triangle scan ends for one point: the lowest-numbered triangle that
// classifies inside or degenerate, else the nearest near triangle (ties keep the
// lower number). Triangles may be added in any order and more than once.
class ScanOutcome {
public:
    void add(unsigned tri, PointClass cls, double nearness);
    // The triangle the index-order scan takes, or KELM_NONE.
    unsigned result() const;
    // True once an added triangle classified inside or degenerate.
    bool hit() const { return first_hit_ != KELM_NONE; }

private:
    unsigned first_hit_ = KELM_NONE;  // lowest inside or degenerate triangle
    bool hit_degenerate_ = false;
    unsigned near_ = KELM_NONE;
    double near_value_ = 0.0;
};


class DelaunayState {
public:
    explicit DelaunayState(SearchMode mode = defaultSearchMode()) : mode_(mode) {}

    using Triangle = TriangleRecord;
    using Edge = EdgeRecord;

    kelm_real_vector points;  // x, scaled y per vertex
    std::vector<Triangle> tris;
    std::vector<Edge> edges;
    kelm_uint_vector tri_labels;  // 3 per triangle after resolveInside
    double yscale = 1.0;

    unsigned pointCount() const { return points.size() / 2; }
    unsigned triangleCount() const { return static_cast<unsigned>(tris.size()); }
    unsigned edgeCount() const { return static_cast<unsigned>(edges.size()); }
    unsigned* triVerts(unsigned t) { return tris[t].v; }
    const unsigned* triVerts(unsigned t) const { return tris[t].v; }
    unsigned* triEdges(unsigned t) { return tris[t].e; }
    const unsigned* triEdges(unsigned t) const { return tris[t].e; }
    unsigned* edgeVerts(unsigned e) { return edges[e].v; }
    const unsigned* edgeVerts(unsigned e) const { return edges[e].v; }
    unsigned* edgeTris(unsigned e) { return edges[e].t; }
    const unsigned* edgeTris(unsigned e) const { return edges[e].t; }
    unsigned& edgeFlags(unsigned e) { return edges[e].flags; }
    unsigned edgeFlags(unsigned e) const { return edges[e].flags; }
    std::uint8_t& triKind(unsigned t) { return tris[t].kind; }
    std::uint8_t triKind(unsigned t) const { return tris[t].kind; }
    const double* point(unsigned v) const { return points.data() + 2 * v; }

    // Appends a triangle with its vertices and edges; returns its index.
    unsigned addTriangle(unsigned v0, unsigned v1, unsigned v2, unsigned e0, unsigned e1,
                         unsigned e2);
    // Room for n more points without moving the tables (2 triangles and 3
    // edges per point).
    void reserveFor(unsigned n);

    // Appends (x, yscale * y); returns the new vertex index.
    unsigned addPoint(double x, double y);
    // Appends the edge (a, b) with flag 0 and the triangles (t0, t1).
    unsigned addEdge(unsigned a, unsigned b, unsigned t0, unsigned t1);

    // 1 when tri is a triangle holding vertex v (KELM_NONE holds nothing).
    bool holds(unsigned tri, unsigned v) const;
    // The triangle across edge e from tri; *on_edge is false when tri is not
    // one of e's triangles.
    unsigned otherTriangle(unsigned e, unsigned tri, bool* on_edge) const;
    // The edge of tri joining u and w in either direction, or KELM_NONE.
    unsigned triangleEdgeJoining(unsigned tri, unsigned u, unsigned w) const;
    // The first slot (0 to 2) of tri's edge list holding an edge that joins u
    // and w, or 3; tri must be a triangle.
    unsigned triangleEdgeSlot(unsigned tri, unsigned u, unsigned w) const;

    // --- point insertion -------------------------------------------------
    int init(const double* box, double y_scale);
    // Inserts (x, y); start, when a triangle, is where the point search
    // begins its walk (any triangle gives the same answer).
    unsigned insertPoint(double x, double y, unsigned start = KELM_NONE);
    // insertPoint, calling between() after the split and after the
    // legalisation of each side of the split triangle: the tables are whole
    // there, but the changed triangles' Kind bytes are not current yet.
    template <class Between>
    unsigned insertPointBetween(double x, double y, unsigned start, Between between);
    // True when each of count caller points (x, y pairs) lies within a few
    // grid cells of the one before (prev, or the vertex inserted last), or
    // when there is no index.
    bool followClosely(const double* xy, unsigned count, const double* prev) const;
    // The four searches below are plain scans in index order, the reference
    // answers. Each has an indexed counterpart (locate.cpp, search.cpp) giving the same
    // answer; the dispatchers (locate, edgeBetween, hasVertexOnSegment and the
    // crossing search of insertEdge) pick one by mode.
    // Triangle that takes point P (inside wins, else the nearest near one), or
    // KELM_NONE when the scan meets a degenerate triangle first or finds none.
    unsigned locatePoint(const double* P) const;
    // First edge joining a and b, in either direction, or KELM_NONE.
    unsigned findEdge(unsigned a, unsigned b) const;
    // The edge to flip next while forcing (a, b) in, or KELM_NONE.
    unsigned findCrossingEdge(unsigned a, unsigned b) const;

    // --- indexed searches (locate.cpp, lookahead.cpp, search.cpp) ---------
    SearchMode mode() const {
        return mode_;
    }
    // True while the index answers the searches (kIndexed, and nothing has
    // made the tables unfit for it).
    bool indexed() const {
        return index_.active;
    }
    const SearchIndex& searchIndex() const {
        return index_;
    }
    unsigned locate(const double* P, unsigned start = KELM_NONE);
    // Points a batch looks ahead over together (see LookAheadRun).
    static constexpr unsigned kLookAhead = 8;
    // Triangles a lookahead's ring holds at most.
    static constexpr unsigned kRingRoom = kLookAhead * 12;
    // A lookahead under way. Each lane walks towards its point as the search
    // does (turning by a fixed rule); then the tables the insertion will read
    // around where the walk ended are asked for, ring by ring. It goes one
    // pass at a time (lookAheadPass), each pass asking for the lines the next
    // pass reads: run between insertions, the passes find their lines
    // arrived. It reads the tables only, and only as hints: the tables may
    // change between passes (a pass may come in the middle of an insertion),
    // so every index read is checked before use.
    struct LookAheadRun {
        enum Stage : unsigned {
            kWalkVertex,   // the grid cells: pick the vertices to walk from
            kWalkStart,    // the vertices' links: pick the triangles to walk from
            kWalkCorners,  // the lanes' triangles: ask for their corners
            kWalkSides,    // the corners: pick the side to leave by, ask for its edge
            kWalkEdges,    // the edges: step across, ask for the next triangle
            kRingEdges,    // the ring's triangles: ask for their edges
            kRingAcross,   // the edges: ask for the triangles across
            kRingCorners,  // those triangles: ask for their corners
            kDone
        };
        Stage stage = kDone;
        unsigned generation = 0;  // the index's generation when the run began
        bool close = true;  // the points follow one another closely (followClosely)
        unsigned count = 0, live = 0, step = 0, rings = 0, size = 0;
        double P[kLookAhead][2];
        unsigned vertex[kLookAhead];  // the vertex a lane's walk starts at
        unsigned tri[kLookAhead], from[kLookAhead], leave[kLookAhead];
        unsigned lane[kLookAhead];    // the lanes still walking, in lane[0 .. live)
        unsigned starts[kLookAhead];  // where each point's search may start, or KELM_NONE
        unsigned ring[kRingRoom], ring_from[kRingRoom], ring_lane[kRingRoom];
    };
    // Starts a lookahead over count (at most kLookAhead) caller points (x, y
    // pairs in xy). prev, when given, is the caller point before them; else
    // the vertex inserted last stands for it. None is run (every start
    // KELM_NONE, stage kDone) below lookAheadFrom() triangles, or when each
    // point lies close to the one before: the tables around such points are
    // in the caches already.
    void lookAheadBegin(LookAheadRun* run, const double* xy, unsigned count,
                        const double* prev = nullptr) const;
    // Does the next pass; false once the lookahead is done.
    bool lookAheadPass(LookAheadRun* run) const;
    // Inserts n caller points (x, y pairs in xy) in their order, as
    // insertPoint does one by one; vertices[i] receives what insertPoint
    // returns for point i. Inserting random points is bound by memory
    // latency: the points are looked ahead over in groups of kLookAhead,
    // a few groups before they go in, and each insertion makes a few passes
    // of the lookaheads under way, spread over its steps, so that the lines
    // a search and its flips will read are on their way while other work
    // runs.
    void insertRun(const double* xy, unsigned n, unsigned* vertices);
    unsigned edgeBetween(unsigned a, unsigned b) const;
    bool hasVertexOnSegment(unsigned a, unsigned b) const;
    unsigned locatePointIndexed(const double* P, unsigned start = KELM_NONE);
    unsigned findEdgeIndexed(unsigned a, unsigned b) const;
    unsigned vertexOnSegmentIndexed(unsigned a, unsigned b) const;
    // Calls visit(tri) for every triangle holding v, turning around v through
    // the edge links; false when the links do not close up as they should.
    template <class Visit>
    bool forEachTriangleAround(unsigned v, Visit visit) const;
    // Writes t's Kind byte from the tables (the index's upkeep does so for
    // every changed triangle).
    void classifyTriangle(unsigned t);
    // kRegular, kThin or kHazard (SearchIndex::Kind) for t's stored vertices.
    unsigned triangleQuality(unsigned t) const;
    // Which of t's edge slots holds each side, as a slot code
    // (SearchIndex::kNoSlotCode unless the three edges are the three sides).
    unsigned sideSlotCode(unsigned t) const;

    int splitTriangle(unsigned t, unsigned p);
    // Gives tri the vertex order sense of the reference triangle (r0, r1, r2).
    void orientLike(unsigned tri, unsigned r0, unsigned r1, unsigned r2);
    // Swaps tri's first two vertices when it holds y before x cyclically; stops
    // the process when tri lacks x or y.
    void orientPair(unsigned tri, unsigned x, unsigned y);
    unsigned oppositeVertex(unsigned tri, unsigned edge) const;
    int needsFlip(unsigned edge, unsigned p, unsigned q) const;
    int flipEdge(unsigned e, unsigned tp, unsigned tq, unsigned p, unsigned q);
    int legalizeEdge(unsigned e, unsigned p);

    // --- constraints and labelling ---------------------------------------
    int insertEdge(unsigned a, unsigned b, int border);
    // A vertex of the triangulation, other than a and b, lying exactly on the
    // open segment (a, b), or KELM_NONE.
    unsigned vertexOnSegment(unsigned a, unsigned b) const;
    double flipGain(unsigned e) const;
    int legalizeOtherEdges(unsigned t, unsigned e);
    int relegalizeEdge(unsigned f);
    int resolveInside();
    int fillInside(unsigned t, unsigned value);

    // --- diagnostics -----------------------------------------------------
    void dumpFacets() const;
    void dumpMesh() const;

private:
    // closing, when not KELM_NONE, is the edge of t that closes f and g,
    // known to the caller.
    int makeTriangle(unsigned t, unsigned f, unsigned g, unsigned closing);
    // t's slot code (SearchIndex::slotCode) while the index keeps it current
    // (t not changed since it was last classified), else
    // SearchIndex::kNoSlotCode.
    unsigned currentSlotCode(unsigned t) const {
        const std::uint8_t kind = triKind(t);
        if (!index_.active || (kind & SearchIndex::kUnclassified)) return SearchIndex::kNoSlotCode;
        return SearchIndex::slotCode(kind);
    }
    unsigned edgeAwayFrom(unsigned tri, unsigned p) const;
    int legalizeStep(unsigned e, unsigned p, std::vector<unsigned>* pending);

    // Index upkeep, called by the table operations (no-ops without an index).
    void indexInit(const double* box);
    void indexAddPoint();
    void indexDropPoint();
    void indexSplit(unsigned t, unsigned t1, unsigned t2, unsigned p, unsigned a, unsigned b,
                    unsigned c);
    void indexFlip(unsigned tp, unsigned tq, unsigned a, unsigned b);
    void indexLost();
    // Classifies t now, or lists it for classifyChanged while deferring.
    void markChanged(unsigned t);
    // Classifies the listed triangles and ends the deferral.
    void classifyChanged();
    // The edge of t from its vertex i to vertex i + 1.
    unsigned sideEdge(unsigned t, unsigned i) const;
    // Walks from start towards P (see locate.cpp).
    unsigned walk(const double* P, unsigned start, bool* outside);

    friend class IndexedLocate;

    SearchMode mode_;
    // The least coordinateScale of the coordinates added so far (points that
    // were taken back included): what needsFlip may take as known.
    int coordinate_scale_ = 2;
    SearchIndex index_;
    std::vector<unsigned> pending_;  // legalisation work list, reused
};

// The one door from the library's own layers into a KelmDelaunay2D's tables
// (null before a successful init).
struct DelaunayAccess {
    static const DelaunayState* state(const KelmDelaunay2D& d) { return d.state_.get(); }
};

// The crossing edges of the segment (a, b) that an index-order scan could
// choose: those on a triangle holding a or b. Built from the triangles around a
// and b, and brought up to date after each flip from the two flipped triangles,
// so that forcing an edge costs in proportion to the triangles it crosses.
class CrossingSearch {
public:
    CrossingSearch(const DelaunayState& s, unsigned a, unsigned b) : s_(s), a_(a), b_(b) {}
    // Collects the candidates; false when the links around a or b are broken.
    bool start();
    // Re-examines the edges of the two triangles a flip rewrote.
    void update(unsigned t0, unsigned t1);
    // The edge findCrossingEdge (a, b) returns.
    unsigned next();

private:
    unsigned kindOf(unsigned e) const;  // bit 1 beside a, bit 2 beside b, 0 not a candidate
    void refresh(unsigned e);

    const DelaunayState& s_;
    unsigned a_, b_;
    std::vector<std::pair<unsigned, unsigned>> found_;  // (edge, kind), kind != 0
};

// Index upkeep on every flip: defined here to be compiled into flipEdge.
// tp = (p, q, a) and tq = (p, q, b) after the flip of the edge (a, b).
inline void DelaunayState::indexFlip(unsigned tp, unsigned tq, unsigned a, unsigned b) {
    SearchIndex& x = index_;
    if (!x.active) return;
    x.vertex_tri[a] = tp;
    x.vertex_tri[b] = tq;
    markChanged(tp);
    markChanged(tq);
}

inline void DelaunayState::markChanged(unsigned t) {
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

// Small and on every flip test: defined here to be compiled into the callers.
inline unsigned DelaunayState::oppositeVertex(unsigned tri, unsigned edge) const {
    if (tri == KELM_NONE) return KELM_NONE;
    const unsigned* tv = triVerts(tri);
    const unsigned e0 = edgeVerts(edge)[0], e1 = edgeVerts(edge)[1];
    // Usually the triangle holds each end once, at different places, and the
    // third vertex is the one at neither: found without branches on where the
    // ends sit, which varies at random from one flip test to the next. The
    // pair search covers the rest.
    const unsigned at0 = (tv[0] == e0) + (tv[1] == e0) + (tv[2] == e0);
    const unsigned at1 = (tv[0] == e1) + (tv[1] == e1) + (tv[2] == e1);
    if ((at0 == 1) & (at1 == 1) & (e0 != e1)) return tv[0] ^ tv[1] ^ tv[2] ^ e0 ^ e1;
    auto is_edge = [e0, e1](unsigned u, unsigned w) {
        return (u == e0 && w == e1) || (u == e1 && w == e0);
    };
    if (is_edge(tv[0], tv[1])) return tv[2];
    if (is_edge(tv[0], tv[2])) return tv[1];
    if (is_edge(tv[1], tv[2])) return tv[0];
    return KELM_NONE;
}

inline unsigned DelaunayState::sideEdge(unsigned t, unsigned i) const {
    const unsigned code = SearchIndex::slotCode(triKind(t));
    if (code == SearchIndex::kNoSlotCode) {
        const unsigned* tv = triVerts(t);
        return triangleEdgeJoining(t, tv[i], tv[(i + 1) % 3]);
    }
    return triEdges(t)[SearchIndex::slotOfSide(code, i)];
}

inline bool DelaunayState::holds(unsigned tri, unsigned v) const {
    if (tri == KELM_NONE) return false;
    const unsigned* tv = triVerts(tri);
    return tv[0] == v || tv[1] == v || tv[2] == v;
}

template <class Visit>
bool DelaunayState::forEachTriangleAround(unsigned v, Visit visit) const {
    if (v >= index_.vertex_tri.size()) return true;
    const unsigned first = index_.vertex_tri[v];
    if (first == KELM_NONE) return true;
    if (!holds(first, v)) return false;
    // Turn one way until back at the first triangle; at a hull edge go back to
    // the first triangle and turn the other way until the other hull edge.
    const unsigned limit = triangleCount() + 1;
    unsigned count = 0;
    for (int side = 0; side < 2; ++side) {
        unsigned t = first, from = KELM_NONE;
        if (side == 1) {
            // Leave the first triangle through its other edge at v.
            unsigned skipped = 0;
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned e = triEdges(first)[k];
                if (edgeVerts(e)[0] != v && edgeVerts(e)[1] != v) continue;
                if (skipped++ == 0) from = e;
            }
        } else {
            visit(first);
        }
        while (true) {
            unsigned out = KELM_NONE;
            for (unsigned k = 0; k < 3 && out == KELM_NONE; ++k) {
                const unsigned e = triEdges(t)[k];
                if (e != from && (edgeVerts(e)[0] == v || edgeVerts(e)[1] == v)) out = e;
            }
            if (out == KELM_NONE) return false;
            bool on_edge = false;
            const unsigned n = otherTriangle(out, t, &on_edge);
            if (!on_edge) return false;
            if (n == KELM_NONE) break;  // hull edge
            if (n == first) return side == 0;
            if (!holds(n, v) || ++count > limit) return false;
            visit(n);
            t = n;
            from = out;
        }
        if (side == 1) return true;
    }
    return true;
}

}  // namespace kelm_internal

#endif  // KELMMATH_DELAUNAY_INTERNAL_DELAUNAY_H
