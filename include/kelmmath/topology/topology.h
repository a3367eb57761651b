#ifndef KELMMATH_TOPOLOGY_TOPOLOGY_H
#define KELMMATH_TOPOLOGY_TOPOLOGY_H

#include <memory>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/kelmmath_export.h"

class KelmMeshFacetSet;

namespace kelm_internal {
struct TopologyTables;
struct TopologyAccess;
}  // namespace kelm_internal

// KelmMeshTopology: edges and adjacency derived from a triangle mesh.
//
// Numbers. Vertices and facets keep the numbers of the facet set (a facet's number
// is its place in the set's facet list); edges are numbered from 0 in the order in
// which the build first meets them. KELM_NONE (0xFFFFFFFF) means "no vertex, facet or
// edge" everywhere.
//
// Tables. For every edge e its two vertices, lower number first, and the (at most
// two) facets that use it: the lowest-numbered facet first, the next one or KELM_NONE
// for a border edge. For every facet f with corners (c0, c1, c2) three slots: slot 0
// holds the edge of the side c0-c1, slot 1 that of c1-c2, slot 2 that of c2-c0
// (KELM_NONE for a deleted facet or one outside the built range). For every vertex
// its first facet: the lowest-numbered facet of the built range that has it as a
// corner, or KELM_NONE when no facet uses it.
//
// Building. init(fs) builds from every facet of fs; init(fs, first, count) from the
// facets first .. first+count-1 only (the facet count of the topology is still that
// of the set). The topology keeps a pointer to fs, does not own it and is not
// updated when fs changes: call init again. A side met by a third facet is reported
// through kelm_ec()->error ("Failed topology - edge v=(lo,hi) already has 2 facets"),
// keeps its first two facets, and clears the build-ok flag. The flag is never set
// back: validateEdgeUsage() fails for the rest of the object's life. A facet with a
// corner outside the set's vertex list is left out of the tables (reported, flag
// cleared). fs may be null: the tables are then empty.
//
// Getters. getEdgeVertex(e, i), getEdgeFacet(e, i), getFacetEdge(f, i),
// getFacetVertex(f, i) and getFirstVertexFacet(v) give KELM_NONE for a KELM_NONE
// first argument and for an index beyond their table; getFacetVertex also for a
// deleted facet (it reads the corner from the facet set).
//
// Walking. getEdge(a, b) and the findVertex... queries walk around a vertex with a
// KelmMeshTopologyVertexCursor (below) and inherit its blind spots at borders:
// getEdge(a, b) finds only edges that the walk around min(a, b) returns.
// getNeighborFacetByEdge(f, e) is the other facet of e (KELM_NONE at a border); a
// facet f that is not on e is reported and gives KELM_NONE.
//
// Checks (1 = passed, 0 = failed). Each reports every problem it meets through
// kelm_ec()->error, except the few diagnostics it prints on standard output. With
// stop = 0 a check runs to the end; with stop nonzero it returns at the first
// failure; the forms without arguments use stop = 1.
//   validateEdgeUsage            the build-ok flag, and both facets of every interior
//                                edge contain its vertices; a facet used twice by
//                                an edge is reported as "duplicate facet edge"
//   validateFaceSenses           every edge has two facets running it opposite ways
//   validateEdgesUnique          no two edges with the same vertex pair (among the
//                                edges the walk around the lower vertex returns)
//   validateFaceGeometricSenses  the same orientation test from coordinates
//   validateFaceOverlaps         no two facets around a vertex face opposite ways
//   validateNoGeometry           the first four, in this order
//   validate()                   all five with stop = 1, stopping at the first failure
//   validate(stop)               validateNoGeometry(stop), then validateFaceOverlaps(stop)
// Deleted edges (both vertices and both facets KELM_NONE) are skipped.
//
// Copies. Copy construction and assignment share the tables: both objects see the
// same tables, and a later init through either rebuilds them for both. The tables
// are freed with the last object that refers to them.
class KELMMATH_API KelmMeshTopology {
public:
    KelmMeshTopology();
    KelmMeshTopology(const KelmMeshTopology& other);
    KelmMeshTopology& operator=(const KelmMeshTopology& other);
    virtual ~KelmMeshTopology();

    virtual void init(const KelmMeshFacetSet* fs);
    virtual void init(const KelmMeshFacetSet* fs, unsigned first, unsigned count);

    unsigned getEdgeCount() const;
    unsigned getFacetCount() const;
    unsigned getEdgeVertex(unsigned e, unsigned i) const;
    unsigned getEdgeFacet(unsigned e, unsigned i) const;
    unsigned getFacetEdge(unsigned f, unsigned i) const;
    unsigned getFacetVertex(unsigned f, unsigned i) const;
    unsigned getFirstVertexFacet(unsigned v) const;
    const KelmMeshFacetSet* getFacetSet() const;

    unsigned getNeighborFacetByEdge(unsigned f, unsigned e) const;
    unsigned getNeighborFacetByIndex(unsigned f, unsigned i) const;
    void findVertexEdges(kelm_uint_vector* edges, unsigned v) const;
    void findVertexFacets(kelm_uint_vector* facets, unsigned v) const;
    void findVertexFacetsEdges(kelm_uint_vector* facets, kelm_uint_vector* edges, unsigned v) const;
    unsigned getEdge(unsigned a, unsigned b) const;

    int validate() const;
    int validate(int stop) const;
    int validateNoGeometry() const;
    int validateNoGeometry(int stop) const;
    int validateEdgeUsage() const;
    int validateEdgeUsage(int stop) const;
    int validateEdgesUnique() const;
    int validateEdgesUnique(int stop) const;
    int validateFaceSenses() const;
    int validateFaceSenses(int stop) const;
    int validateFaceSensesOnEdge(unsigned e) const;
    int validateFaceGeometricSenses() const;
    int validateFaceGeometricSenses(int stop) const;
    int validateFaceGeometricSensesOnEdge(unsigned e) const;
    int validateFaceOverlaps() const;
    int validateFaceOverlaps(int stop) const;
    int validateFaceOverlapForVertex(unsigned v) const;
    int validateFaceOverlapForVertex(unsigned v, int stop) const;

private:
    friend struct kelm_internal::TopologyAccess;

    std::shared_ptr<kelm_internal::TopologyTables> tables_;
};

// KelmMeshTopologyVertexCursor: a walk around one vertex, from facet to facet
// across shared edges. Each step returns a pair (facet, edge): the facet and the
// side through which the walk leaves it; the side through which it entered is the
// edge of the previous pair.
//
//     c ----------- b      F0 = (v,a,b), F1 = (v,b,c), F2 = (v,c,d), F3 = (v,d,a),
//     | \    F1   / |      counter-clockwise seen from above. The walk around v
//     |   \      /   |      starts in v's first facet F0 and leaves it through the
//     | F2   v     F0|      side that joins v with the corner before v (b):
//     |   /      \   |        (F0, v-b), (F1, v-c), (F2, v-d), (F3, v-a)
//     | /    F3   \ |      and ends when it comes back to v-b. It also ends when
//     d ----------- a      the leaving side is a border edge or a lookup fails.
//
// At a border the walk sees only the facets from the first facet onwards in walk
// direction: facets behind the first facet are not visited.
//
//   traverse(t, v)          walk around v on topology t; vertex(v) on the current one.
//                           1 when the walk is ready; 0 for KELM_NONE, no topology, a
//                           vertex that no facet uses (no report) or a start that
//                           fails (reported).
//   rewind()                starts the same walk again.
//   facetEdgeVertex(f,e,v)  continues a walk from facet f leaving through edge e;
//                           reports when v is not on e or f is not on e, and takes
//                           the position anyway.
//   getNext(&facet, &edge)  1 and the next pair; 0 at the end (outputs untouched).
//   hasError/clearError     set when a walk ran longer than the facet set has facets
//                           (a broken topology, reported "...topology is broken");
//                           it stays set across walks until clearError().
// A cursor is a plain value: copy it to remember a position in a walk. It does not
// own the topology and is not guarded against the topology changing under it.
class KELMMATH_API KelmMeshTopologyVertexCursor {
public:
    KelmMeshTopologyVertexCursor();

    int traverse(const KelmMeshTopology* t, unsigned v);
    int vertex(unsigned v);
    void rewind();
    void facetEdgeVertex(unsigned f, unsigned e, unsigned v);
    int getNext(unsigned* facet, unsigned* edge);
    int hasError() const { return error_; }
    void clearError() { error_ = 0; }

private:
    const KelmMeshTopology* topology_;
    unsigned vertex_;
    unsigned facet_;
    unsigned edge_;
    unsigned start_edge_;
    unsigned step_count_;
    int error_;
};

#endif  // KELMMATH_TOPOLOGY_TOPOLOGY_H
