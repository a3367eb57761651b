#ifndef KELMMATH_SRC_TOPOLOGY_INTERNAL_CHECK_H
#define KELMMATH_SRC_TOPOLOGY_INTERNAL_CHECK_H

// The edge table of the mesh check and the repairs: built from the facet lists alone,
// keeping every facet of an edge.

#include <algorithm>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/check.h"

namespace kelm_internal {

enum FacetState : unsigned char { kFacetUsed = 0, kFacetNull, kFacetInvalid, kFacetRepeated };

// Side s = 3 * f + k of facet f runs from corner k to corner (k + 1) % 3.
struct MeshEdges {
    unsigned nv = 0;
    unsigned nf = 0;
    // Facet f's corners: block[f].vertex when the table reads them in place (all
    // facets in one block, facet f at block + f), else a copy, 3 per facet (KELM_NONE
    // for the null facets). Only the corners of used facets are read.
    const KelmMeshFacet* block = nullptr;
    std::vector<unsigned> corners;
    std::vector<unsigned char> state;  // per facet
    std::vector<unsigned> side_edge;   // 3 per facet: the edge of each side (repairs only)
    std::vector<unsigned> edge_start;  // per edge + 1: range into edge_sides
    std::vector<unsigned> edge_sides;  // sides grouped by edge, increasing
    // Fans: the corners of the used facets joined when their facets share an edge at
    // the corner's vertex (an edge of three or more facets joins them all). A
    // union-find over the corners 3 * f + k in which each set's root is its lowest
    // corner.
    std::vector<unsigned> fans;
    // Edges not used by exactly two sides running opposite ways, in edge order; and
    // each duplicate facet with the first facet of the same vertex set, in edge order.
    std::vector<unsigned> odd_edges;
    std::vector<KelmMeshCheckPair> duplicates;

    unsigned edges() const {
        return edge_start.empty() ? 0 : static_cast<unsigned>(edge_start.size() - 1);
    }
    unsigned uses(unsigned e) const { return edge_start[e + 1] - edge_start[e]; }
    const unsigned* facet(unsigned f) const {
        return block ? block[f].vertex : &corners[3 * std::size_t(f)];
    }
    unsigned from(unsigned s) const { return block ? block[s / 3].vertex[s % 3] : corners[s]; }
    unsigned to(unsigned s) const { return from(next(s)); }
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

// Joins the sets of a and b under the lower root, so that each set's root stays its
// lowest element.
inline void join_lower(std::vector<unsigned>& parent, unsigned a, unsigned b) {
    a = find_root(parent, a);
    b = find_root(parent, b);
    if (a < b)
        parent[b] = a;
    else if (b < a)
        parent[a] = b;
}

// The edge table of fs. The repairs change facets while they use the table: they get a
// copy of the corners and the side-to-edge table; the check may read corners in place.
enum class EdgeBuild { kCheck, kRepair };

void build_mesh_edges(MeshEdges* me, const KelmMeshFacetSet* fs,
                      EdgeBuild what = EdgeBuild::kRepair);

// Facet parts through shared edges, from the fans: each facet's corners are joined in
// root (me.fans or a copy of it, spent), and part[f] is the lowest facet of f's part
// (KELM_NONE for facets that are not used). When fan_count is given, fan_count[v] ends
// as the number of fans at v, counted up to two: above zero for the vertices the
// facets use, two for pinch vertices.
void parts_from_fans(std::vector<unsigned>* part, std::vector<unsigned>* root, const MeshEdges& me,
                     std::vector<unsigned char>* fan_count = nullptr);

// The same parts from a copy of me.fans, leaving the table as it is.
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
