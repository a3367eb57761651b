#ifndef KELMMATH_SRC_TOPOLOGY_INTERNAL_CHECK_H
#define KELMMATH_SRC_TOPOLOGY_INTERNAL_CHECK_H

// The edge table of the mesh check and the repairs: built from the facet lists alone,
// keeping every facet of an edge.

#include <algorithm>
#include <vector>

#include "kelmmath/topology/check.h"

class KelmMeshFacetSet;

namespace kelm_internal {

enum FacetState : unsigned char { kFacetUsed = 0, kFacetNull, kFacetInvalid, kFacetRepeated };

// Side s = 3 * f + k of facet f runs from corner k to corner (k + 1) % 3.
struct MeshEdges {
    unsigned nv = 0;
    unsigned nf = 0;
    std::vector<unsigned> corners;          // 3 per facet (KELM_NONE when not used)
    std::vector<unsigned char> state;       // per facet
    std::vector<unsigned> side_edge;        // 3 per facet: the edge of each side (when asked)
    std::vector<unsigned> edge_start;       // per edge + 1: range into edge_sides
    std::vector<unsigned> edge_sides;       // sides grouped by edge, increasing

    unsigned edges() const {
        return edge_start.empty() ? 0 : static_cast<unsigned>(edge_start.size() - 1);
    }
    unsigned uses(unsigned e) const { return edge_start[e + 1] - edge_start[e]; }
    unsigned from(unsigned s) const { return corners[s]; }
    unsigned to(unsigned s) const { return corners[next(s)]; }
    // The side after s in its facet (whose start is the end of s).
    static unsigned next(unsigned s) { return s % 3 == 2 ? s - 2 : s + 1; }
    // An edge's lower and higher vertex, from its first side: edges are numbered in
    // (lower, higher) vertex order.
    unsigned lo(unsigned e) const {
        const unsigned s = edge_sides[edge_start[e]];
        return std::min(from(s), to(s));
    }
    unsigned hi(unsigned e) const {
        const unsigned s = edge_sides[edge_start[e]];
        return std::max(from(s), to(s));
    }
};

// Union-find root with path halving.
inline unsigned find_root(std::vector<unsigned>& parent, unsigned x) {
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

// The table of fs; side_edge is filled only when side_edges is set.
void build_mesh_edges(MeshEdges* me, const KelmMeshFacetSet* fs, bool side_edges = true);

// Facet parts through shared edges: part[f] is the lowest facet of f's part
// (KELM_NONE for facets that are not used).
void find_parts(std::vector<unsigned>* part, const MeshEdges& me);

// The border loops, as the check reports them.
void find_holes(std::vector<KelmMeshCheckHole>* holes, const MeshEdges& me, const double* xyz);

// Signed volume of the cone from c over the triangle a, b, c2.
double cone_volume(const double* c, const double* a, const double* b, const double* d);

// Self-intersections by testing every pair of candidate facets: the plain form that
// the grid search must agree with.
void self_intersections_all_pairs(std::vector<KelmMeshCheckPair>* pairs,
                                  const KelmMeshFacetSet* fs);

}  // namespace kelm_internal

#endif  // KELMMATH_SRC_TOPOLOGY_INTERNAL_CHECK_H
