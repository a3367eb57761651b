#ifndef KELMMATH_DELAUNAY_SEARCH_INDEX_H
#define KELMMATH_DELAUNAY_SEARCH_INDEX_H

// The triangulator's records and its search index.

#include <cstdint>
#include <vector>

#include "kelmmath/core/constants.h"

namespace kelm_internal {

// One record per triangle and per edge: a triangle or edge touched costs one
// place in memory rather than one per field.
struct TriangleRecord {
    unsigned v[3];      // vertices
    unsigned e[3];      // edges
    std::uint8_t kind;  // search index byte (SearchIndex::Kind), 0 when new
};
struct EdgeRecord {
    unsigned v[2];   // vertices
    unsigned t[2];   // triangles, second KELM_NONE on the hull
    unsigned flags;  // kNoFlipBit, kBorderBit
};

// The search index of a state in kIndexed mode: a grid of the vertices, a
// link from each vertex to a triangle holding it, a Kind byte per triangle and
// the list of odd triangles. The state's table operations keep it current
// (search_index.cpp); locate.cpp and lookahead.cpp read it. docs/delaunay.md
// tells how it gives exactly the plain scans' answers.
class SearchIndex {
public:
    // Per-triangle byte: the quality of the triangle for the barycentric test
    // (from its stored vertices), whether it is in odd_tris, and which of its
    // three edge slots holds the side from vertex i to vertex i + 1 (i = 0, 1;
    // side 2 is the remaining slot; kNoSlots when the sides and edges do not
    // match).
    enum Kind : std::uint8_t {
        kRegular = 0,  // robustly of the enclosing sense, not thin
        kThin = 1,     // of the enclosing sense, but thin or with a tiny determinant
        kHazard = 2,   // not robustly of the enclosing sense (flat or turned over)
        kKindMask = 3,
        kListed = 4,  // present in odd_tris
        kSlotShift = 3,
        kNoSlots = 0xF << kSlotShift,
        // Changed by the insertion under way and not classified again yet
        // (see DelaunayState::markChanged); the byte is stale until then.
        kUnclassified = 0x80
    };
    // The slot code of a Kind byte that has no slots.
    static constexpr unsigned kNoSlotCode = kNoSlots >> kSlotShift;
    // The slot code of a Kind byte (kNoSlotCode when there is none).
    static unsigned slotCode(std::uint8_t kind) { return (kind >> kSlotShift) & 0xF; }
    // The edge slot holding side i (from vertex i to vertex i + 1) under a slot
    // code other than kNoSlotCode.
    static unsigned slotOfSide(unsigned code, unsigned i) {
        const unsigned s0 = code & 3, s1 = code >> 2;
        return i == 0 ? s0 : (i == 1 ? s1 : 3 - s0 - s1);
    }

    bool active = false;  // false: plain scans (chosen, unsuited box, or tables broken)
    // Counts the times the index was set up or dropped; a lookahead begun under
    // one generation stops at its next pass once the generation has changed.
    unsigned generation = 0;
    double sense = 0.0;   // +1 or -1, the sign of the enclosing triangle's determinant

    // Per vertex: a triangle holding it (KELM_NONE while in no triangle) and the
    // next vertex of its grid cell.
    std::vector<unsigned> vertex_tri;
    std::vector<unsigned> cell_next;

    // Uniform grid over the caller's box (stored coordinates); points outside
    // fall in the border cells. Each cell lists its vertices, newest first;
    // walks start from a triangle at a cell's newest vertex.
    double grid_x0 = 0.0, grid_y0 = 0.0, grid_x1 = 0.0, grid_y1 = 0.0;
    double grid_fx = 0.0, grid_fy = 0.0;  // cells per unit
    double cell_diagonal_sq = 0.0;
    unsigned grid_nx = 0, grid_ny = 0;
    std::vector<unsigned> cell_head;
    unsigned linked = 0;  // vertices in the grid

    // Bounds of the vertices in triangles.
    double lo[2] = {0.0, 0.0}, hi[2] = {0.0, 0.0};

    // Each triangle's Kind byte is kept in its record (DelaunayState::triKind);
    // odd_tris lists every triangle that is not kRegular (and some that
    // became regular since, not yet dropped).
    std::vector<unsigned> odd_tris;
    unsigned odd_live = 0;  // triangles in odd_tris that are not regular

    // While a point goes in, the triangles its split and flips change are
    // listed here and classified once at the end: the legalisation rewrites
    // the same triangles several times and reads no Kind byte meanwhile.
    bool deferring = false;
    std::vector<unsigned> unclassified;

    // Scratch of the searches: triangles to visit and visited (as a list, or
    // as marks equal to visit_round when there are many).
    std::vector<unsigned> work, seen;
    std::vector<unsigned> visit_mark;
    unsigned visit_round = 0;
    unsigned last_vertex = 0;  // the vertex inserted last
    std::uint32_t rng = 0x9E3779B9u;

    // How often each search was answered by the index or by a plain scan.
    // (Searches that are const members count too.)
    struct Counters {
        std::uint64_t indexed_locates = 0, plain_locates = 0;
        std::uint64_t indexed_edges = 0, plain_edges = 0;
        std::uint64_t indexed_crossings = 0, plain_crossings = 0;
    };
    mutable Counters counters;

    // --- the grid ---------------------------------------------------------
    // The cell of (x, y): monotone in each coordinate; points beyond the box
    // land in the border cells, NaN in cell 0.
    unsigned cellOf(double x, double y) const;
    // Lists vertex v (x, y pairs in points) first in its cell; rebuilds the
    // grid finer when the cells hold more than kCellLoad vertices each.
    void linkVertex(unsigned v, const double* points);
    // About cells cells over the box, each listing its vertices in triangles,
    // newest first.
    void rebuildGrid(unsigned cells, const double* points);
    // The newest vertex of P's cell, else of the nearest cell a few rings out
    // that has one, else the vertex inserted last.
    unsigned startVertex(const double* P) const;
    // The triangle a walk to P starts from: at the vertex inserted last when
    // that lies within a cell of P (points that come in order), else at
    // startVertex (P).
    unsigned walkStart(const double* P, const double* points) const;

    // --- the Kind bytes and the odd list ----------------------------------
    // Writes triangle t's Kind byte, quality (kRegular, kThin or kHazard) and
    // slot code, keeping the odd list and its count current; the list drops
    // the triangles that turned regular once they are most of it.
    void recordKind(std::vector<TriangleRecord>& tris, unsigned t, unsigned quality,
                    unsigned slot_code);

    // --- the reaches ------------------------------------------------------
    // A regular triangle takes only points within kReachFactor * (span of the
    // vertices) of it (4.5e-6 is the bound; the rest is headroom for rounding).
    static constexpr double kReachFactor = 6e-6;
    // A regular triangle classifies inside only points within kInsideReachFactor *
    // (span of the vertices) of it. For a point at distance d from it, with L its
    // longest side: |det| >= 1e-7 L^2 and each product is off by a few units in
    // the last place, so det is off by less than 2e-9 of itself, each weight's
    // numerator by less than 7e-9 (1 + d / L) of det, and a weight (at most
    // 1 + 1e7 d / L in size) by less than 1e-8 + 0.02 d / L; their sum, against 1,
    // by less than 2e-8 + 0.04 d / L. Weights all at least -w put the point within
    // 3 w L of the triangle, so one it takes inside lies within 7e-8 L. The factor
    // is over eight times that.
    static constexpr double kInsideReachFactor = 6e-7;
    // How far from a point a regular triangle may lie and still take it (near
    // or inside), how far to take it inside, and the span (width plus
    // height) of the vertices in triangles that both scale with.
    double reach() const { return kReachFactor * span(); }
    double insideReach() const { return kInsideReachFactor * span(); }
    double span() const { return (hi[0] - lo[0]) + (hi[1] - lo[1]); }
};

// Monotone in each coordinate, so that a range of coordinates maps onto a
// range of cells.
inline unsigned SearchIndex::cellOf(double px, double py) const {
    const double fx = (px - grid_x0) * grid_fx;
    const double fy = (py - grid_y0) * grid_fy;
    unsigned ix = 0, iy = 0;
    if (fx >= 1.0) ix = fx < grid_nx ? static_cast<unsigned>(fx) : grid_nx - 1;
    if (fy >= 1.0) iy = fy < grid_ny ? static_cast<unsigned>(fy) : grid_ny - 1;
    return iy * grid_nx + ix;
}

}  // namespace kelm_internal

#endif  // KELMMATH_DELAUNAY_SEARCH_INDEX_H
