// Point location through the search index, giving exactly the triangle the
// plain scan in index order gives (locatePoint), or handing the question to
// that scan where the index cannot vouch for the answer. docs/delaunay.md
// tells why the steps below are enough.

#include <algorithm>
#include <cmath>
#include <limits>

#include "delaunay/internal_delaunay.h"

namespace kelm_internal {

namespace {

std::uint32_t nextRandom(std::uint32_t* state) {
    std::uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return *state = x;
}

}  // namespace

// The search for one point, in named steps. Each step settles the answer,
// hands the point to the plain scan, or goes on to the next.
#if defined(__GNUC__) || defined(__clang__)
#define KELM_LOCATE_INLINE __attribute__((always_inline)) inline
#else
#define KELM_LOCATE_INLINE inline
#endif

class IndexedLocate {
public:
    enum class Step { kGoOn, kSettled, kPlainScan };

    IndexedLocate(DelaunayState& s, const double* P)
        : s_(s), x_(s.index_), P_(P), r_(x_.reach()), r_inside_(x_.insideReach()) {}

    // Runs the steps; the answer is result() when settled.
    Step run(unsigned start) {
        // A coordinate that is not finite makes every weight infinite or NaN:
        // no triangle takes the point, whatever the scan meets first.
        if (!isFinite(P_)) return Step::kSettled;
        Step step = scanOddTriangles();
        if (step == Step::kGoOn) step = findHoldingTriangle(start);
        if (step == Step::kGoOn) step = settleAlone();
        if (step == Step::kGoOn) step = spreadInside();
        if (step == Step::kGoOn) step = spreadNear();
        return step;
    }
    unsigned result() const { return outcome_.result(); }

private:
    KELM_LOCATE_INLINE Step scanOddTriangles();
    KELM_LOCATE_INLINE Step findHoldingTriangle(unsigned start);
    KELM_LOCATE_INLINE Step settleAlone();
    Step spreadInside();
    Step spreadNear();
    KELM_LOCATE_INLINE bool robustlyInside(unsigned t);
    bool spread(double r2);
    bool sideWithin(const double* a, const double* b, double r2) const;
    bool visited(unsigned t) const;
    void visit(unsigned t);

    DelaunayState& s_;
    SearchIndex& x_;
    const double* P_;
    const double r_, r_inside_;
    ScanOutcome outcome_;
    unsigned found_ = KELM_NONE;  // where the walk ended
    bool inside_ = false;         // found_ holds P beyond any rounding
    // The side tests of found_ when inside_ (twice the area of each side and
    // P, of the enclosing sense); else how near its sides come, squared.
    double held_[3] = {0.0, 0.0, 0.0};
    double found_d2_ = std::numeric_limits<double>::infinity();
    bool marking_ = false;  // visits are marked in the table, not listed
};

// The odd triangles are examined for every point. A hazard near the point
// leaves the regular triangles there unvouched for; a point farther than the
// span from every vertex is out of reach of every regular triangle.
IndexedLocate::Step IndexedLocate::scanOddTriangles() {
    bool hazard_near = false;
    for (unsigned t : x_.odd_tris) {
        const std::uint8_t kind = s_.triKind(t) & SearchIndex::kKindMask;
        if (kind == SearchIndex::kRegular) continue;
        const unsigned* tv = s_.triVerts(t);
        double value = 0.0;
        const PointClass cls =
            classifyPoint(s_.point(tv[0]), s_.point(tv[1]), s_.point(tv[2]), P_, &value);
        outcome_.add(t, cls, value);
        if (kind == SearchIndex::kHazard && !hazard_near) {
            for (unsigned k = 0; k < 2; ++k) {
                const double c0 = s_.point(tv[0])[k], c1 = s_.point(tv[1])[k];
                const double c2 = s_.point(tv[2])[k];
                const double lo = std::min(std::min(c0, c1), c2);
                const double hi = std::max(std::max(c0, c1), c2);
                if (P_[k] + r_ < lo || P_[k] - r_ > hi) break;
                if (k == 1) hazard_near = true;
            }
        }
    }
    const double extent = x_.span();
    if (P_[0] < x_.lo[0] - extent || P_[0] > x_.hi[0] + extent || P_[1] < x_.lo[1] - extent ||
        P_[1] > x_.hi[1] + extent)
        return Step::kSettled;
    return hazard_near ? Step::kPlainScan : Step::kGoOn;
}

// True when P lies inside t beyond any rounding of the side tests; keeps
// each side's test value.
bool IndexedLocate::robustlyInside(unsigned t) {
    const unsigned* tv = s_.triVerts(t);
    for (unsigned k = 0; k < 3; ++k) {
        const double* a = s_.point(tv[k]);
        const double* b = s_.point(tv[(k + 1) % 3]);
        held_[k] = x_.sense * orient(a, b, P_);
        if (!(held_[k] > orientError(a, b, P_))) return false;
    }
    return true;
}

// A start that holds P robustly is where the walk would stop at once (most
// starts a lookahead gives are such); else the walk goes to P. It must end
// on a triangle that meets the disc around P, or beyond a hull edge far
// enough out that no regular triangle reaches P.
IndexedLocate::Step IndexedLocate::findHoldingTriangle(unsigned start) {
    const unsigned nt = s_.triangleCount();
    bool outside = false;
    inside_ = start < nt && robustlyInside(start);
    found_ = inside_ ? start
                     : s_.walk(P_, start < nt ? start : x_.walkStart(P_, s_.points.data()),
                               &outside);
    if (found_ == KELM_NONE) return Step::kPlainScan;
    if (outside) {
        double d2 = segmentDistanceSq(P_, s_.point(0), s_.point(1));
        d2 = std::min(d2, segmentDistanceSq(P_, s_.point(1), s_.point(2)));
        d2 = std::min(d2, segmentDistanceSq(P_, s_.point(2), s_.point(0)));
        return d2 > r_ * r_ * 1.0001 ? Step::kSettled : Step::kPlainScan;
    }
    if (!inside_) inside_ = robustlyInside(found_);
    if (!inside_) {
        const unsigned* tv = s_.triVerts(found_);
        for (unsigned k = 0; k < 3; ++k)
            found_d2_ = std::min(
                found_d2_, segmentDistanceSq(P_, s_.point(tv[k]), s_.point(tv[(k + 1) % 3])));
    }
    return inside_ || found_d2_ <= 0.25 * r_ * r_ ? Step::kGoOn : Step::kPlainScan;
}

// When no side of the triangle holding P comes within the inside reach, the
// spread would meet that triangle alone. P lies inside, so a side is no nearer
// than its line, at the test value over the side's length: value^2 > r^2
// length^2 puts the side out of reach. A regular triangle holding P so
// classifies P inside: its weights are then all above 6e-7 and off by less
// than 1e-8 each (see kInsideReachFactor). Others are classified.
IndexedLocate::Step IndexedLocate::settleAlone() {
    if (!inside_) return Step::kGoOn;
    const unsigned* tv = s_.triVerts(found_);
    const double r2 = r_inside_ * r_inside_;
    bool alone = true;
    for (unsigned i = 0; i < 3; ++i) {
        const double* a = s_.point(tv[i]);
        const double* b = s_.point(tv[(i + 1) % 3]);
        const double dx = b[0] - a[0], dy = b[1] - a[1];
        alone = alone & (held_[i] * held_[i] > r2 * (dx * dx + dy * dy));
    }
    if (!alone) return Step::kGoOn;
    if ((s_.triKind(found_) & SearchIndex::kKindMask) == SearchIndex::kRegular) {
        outcome_.add(found_, PointClass::kInside, 0.0);
    } else {
        double value = 0.0;
        const PointClass cls =
            classifyPoint(s_.point(tv[0]), s_.point(tv[1]), s_.point(tv[2]), P_, &value);
        outcome_.add(found_, cls, value);
    }
    return outcome_.hit() ? Step::kSettled : Step::kGoOn;
}

// A regular triangle classifies a point inside only when the point lies
// within the inside reach of it. With every triangle that can do so met, and
// every odd one, the outcome has the scan's first inside (or degenerate)
// triangle whenever the scan has one, and then the near triangles do not
// count: most points are settled here, within a far smaller disc.
IndexedLocate::Step IndexedLocate::spreadInside() {
    if (!inside_ && !(found_d2_ <= r_inside_ * r_inside_)) return Step::kGoOn;
    if (!spread(r_inside_ * r_inside_)) return Step::kPlainScan;
    return outcome_.hit() ? Step::kSettled : Step::kGoOn;
}

// No triangle takes the point inside: the near ones decide, over the whole
// reach.
IndexedLocate::Step IndexedLocate::spreadNear() {
    return spread(r_ * r_) ? Step::kSettled : Step::kPlainScan;
}

// With every coordinate of scale class 1 or better, the products of
// segmentWithin neither overflow nor lose a side to underflow.
bool IndexedLocate::sideWithin(const double* a, const double* b, double r2) const {
    return s_.coordinate_scale_ >= 1 ? segmentWithin(P_, a, b, r2)
                                     : !(segmentDistanceSq(P_, a, b) > r2);
}

// The triangles met are few, and a short list of them is cheaper than marks
// in a table as large as the triangulation; the marks take over when the list
// grows.
constexpr std::size_t kListedVisits = 32;

bool IndexedLocate::visited(unsigned t) const {
    if (marking_) return x_.visit_mark[t] == x_.visit_round;
    return std::find(x_.seen.begin(), x_.seen.end(), t) != x_.seen.end();
}

void IndexedLocate::visit(unsigned t) {
    x_.work.push_back(t);
    if (marking_) {
        x_.visit_mark[t] = x_.visit_round;
        return;
    }
    x_.seen.push_back(t);
    if (x_.seen.size() <= kListedVisits) return;
    marking_ = true;
    const unsigned nt = s_.triangleCount();
    if (x_.visit_mark.size() < nt) x_.visit_mark.resize(nt, 0u);
    if (++x_.visit_round == 0) {
        std::fill(x_.visit_mark.begin(), x_.visit_mark.end(), 0u);
        x_.visit_round = 1;
    }
    for (unsigned u : x_.seen) x_.visit_mark[u] = x_.visit_round;
}

// Adds every triangle meeting the disc of radius sqrt(r2) around P to the
// outcome, spreading from found_ over the sides within the disc; false when a
// side has no edge to cross by (the plain scan must answer).
bool IndexedLocate::spread(double r2) {
    marking_ = false;
    x_.work.clear();
    x_.seen.clear();
    visit(found_);
    while (!x_.work.empty()) {
        const unsigned t = x_.work.back();
        x_.work.pop_back();
        const unsigned* tv = s_.triVerts(t);
        double value = 0.0;
        const PointClass cls =
            classifyPoint(s_.point(tv[0]), s_.point(tv[1]), s_.point(tv[2]), P_, &value);
        outcome_.add(t, cls, value);
        for (unsigned i = 0; i < 3; ++i) {
            // The side's distance first: it is rarely within reach.
            if (!sideWithin(s_.point(tv[i]), s_.point(tv[(i + 1) % 3]), r2)) continue;
            const unsigned e = s_.sideEdge(t, i);
            if (e == KELM_NONE) return false;
            const unsigned* et = s_.edgeTris(e);
            const unsigned n = et[0] == t ? et[1] : et[0];
            if (n != KELM_NONE && !visited(n)) visit(n);
        }
    }
    return true;
}

unsigned DelaunayState::locatePointIndexed(const double* P, unsigned start) {
    IndexedLocate search(*this, P);
    const bool settled = search.run(start) == IndexedLocate::Step::kSettled;
    ++(settled ? index_.counters.indexed_locates : index_.counters.plain_locates);
    return settled ? search.result() : locatePoint(P);
}

unsigned DelaunayState::locate(const double* P, unsigned start) {
    return index_.active ? locatePointIndexed(P, start) : locatePoint(P);
}

// Walks from start towards P, crossing an edge that has P on its outer side
// (tried from a random side, never straight back). Returns the triangle where
// no edge is left to cross, the last triangle before P's side of a hull edge
// (*outside set), or KELM_NONE when the walk goes on too long or meets broken
// links. The corners decide which side to leave by; only that side's edge is
// read (each edge read is a likely cache miss once the tables are large).
unsigned DelaunayState::walk(const double* P, unsigned start, bool* outside) {
    SearchIndex& x = index_;
    *outside = false;
    const unsigned limit = 1000 + 8 * static_cast<unsigned>(std::sqrt(triangleCount()));
    unsigned t = start, from = KELM_NONE;
    for (unsigned step = 0; step < limit; ++step) {
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

}  // namespace kelm_internal
