#ifndef KELMMATH_TOPOLOGY_INTERNAL_TOPOLOGY_H
#define KELMMATH_TOPOLOGY_INTERNAL_TOPOLOGY_H

// Shared internals of the topology sources: the tables block, table access with
// range checks, the walk helpers and the build.

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"

namespace kelm_internal {

// One block per topology, shared by its copies.
struct TopologyTables {
    kelm_uint_vector edge_verts;    // 2 per edge: lower vertex, higher vertex
    kelm_uint_vector edge_facets;   // 2 per edge: first facet, second facet or NONE
    kelm_uint_vector facet_edges;   // 3 per facet: the edges of sides c0-c1, c1-c2, c2-c0
    kelm_uint_vector vertex_facet;  // 1 per vertex: first facet or NONE
    const KelmMeshFacetSet* facet_set = nullptr;
    int build_ok = 1;

    unsigned edge_count() const { return edge_verts.size() / 2; }
    unsigned facet_count() const { return facet_edges.size() / 3; }

    // Reads that give KELM_NONE for KELM_NONE and for numbers beyond the lists, so
    // that walks over hand-edited tables never read past the end.
    unsigned edge_vert(unsigned e, unsigned i) const { return at(edge_verts, 2, e, i); }
    unsigned edge_facet(unsigned e, unsigned i) const { return at(edge_facets, 2, e, i); }
    unsigned facet_edge(unsigned f, unsigned i) const { return at(facet_edges, 3, f, i); }
    unsigned first_facet(unsigned v) const { return at(vertex_facet, 1, v, 0); }

    bool edge_deleted(unsigned e) const {
        return edge_vert(e, 0) == KELM_NONE && edge_vert(e, 1) == KELM_NONE &&
               edge_facet(e, 0) == KELM_NONE && edge_facet(e, 1) == KELM_NONE;
    }

private:
    static unsigned at(const kelm_uint_vector& list, unsigned width, unsigned n, unsigned i) {
        if (n == KELM_NONE || i >= width) return KELM_NONE;
        const unsigned long long k = 1ull * width * n + i;
        return k < list.size() ? list[static_cast<unsigned>(k)] : KELM_NONE;
    }
};

// The one door from the topology sources into KelmMeshTopology's private tables.
struct TopologyAccess {
    static TopologyTables& tables(const KelmMeshTopology& t) { return *t.tables_; }
};

// The facet f of fs, or null when fs is null, f is KELM_NONE, beyond the set or a
// null facet.
const KelmMeshFacet* facet_of(const KelmMeshFacetSet* fs, unsigned f);

// The unit normal of facet f as the set computes it from its corners; the zero
// vector for a missing facet or one with a corner outside the vertex list.
void facet_unit_normal(double* out, const KelmMeshFacetSet* fs, unsigned f);

// Whether facet f of fs (present) has v as a corner.
bool facet_has_corner(const KelmMeshFacet* facet, unsigned v);

// The walk helpers. Each reports through kelm_ec()->error as its name's user
// expects and gives KELM_NONE (or 0) on failure.
int edge_has_vertex(const KelmMeshTopology& t, unsigned e, unsigned v);
void get_facet_vertex_edges(const KelmMeshTopology& t, unsigned f, unsigned v, unsigned* first,
                            unsigned* second);
unsigned find_prev_vert(const KelmMeshTopology& t, unsigned f, unsigned v);
unsigned get_other_facet_on_edge(const KelmMeshTopology& t, unsigned e, unsigned f);
unsigned get_other_edge_from_facet_vertex(const KelmMeshTopology& t, unsigned e, unsigned f,
                                          unsigned v);

// Orientation of the side a->b in facet f: 1 forward, 0 backward, -1 when it cannot
// be told (printed or reported).
int get_face_sense(const KelmMeshFacetSet* fs, unsigned f, unsigned a, unsigned b);

// Orientation of the side a->b in facet f from coordinates: +1 forward, -1 backward,
// 0 when it cannot be told (degenerate facet, missing facet or vertex).
int get_face_geometric_sense(const KelmMeshFacetSet* fs, unsigned f, unsigned a, unsigned b);

// How the build finds an edge that already exists. The per-vertex chains define
// which edge is found; the chained lookup walks them, the indexed lookup answers
// long chains from a hash of their vertex pairs instead and finds the same edges.
// The bucket lookup keeps each vertex's edges (by lower vertex) in one cache line per
// vertex (an overflow index beyond seven), and fetches the lines of the facets a few
// places ahead while it works on the current one: a vertex has at most one edge to
// each higher vertex, so every lookup finds the same edge as the chain walk.
enum class EdgeLookup { kChainWalk, kIndexed, kBuckets };

// Chains at least this long are answered from the index.
constexpr unsigned kLongChain = 24;

// Rebuilds the tables from facets first .. first+count-1 of fs.
void build_tables(TopologyTables& t, const KelmMeshFacetSet* fs, unsigned first, unsigned count,
                  EdgeLookup lookup);

}  // namespace kelm_internal

#endif  // KELMMATH_TOPOLOGY_INTERNAL_TOPOLOGY_H
