#ifndef KELMMATH_TOPOLOGY_WRITABLE_H
#define KELMMATH_TOPOLOGY_WRITABLE_H

#include "kelmmath/kelmmath_export.h"
#include "kelmmath/topology/topology.h"

// KelmMeshTopologyWritable: a topology whose tables the caller edits directly, for
// callers that change a mesh and keep its topology current instead of rebuilding.
//
// Building. init(KelmMeshFacetSet*) remembers the set as writable and builds as
// KelmMeshTopology does. init(const KelmMeshFacetSet*) (also reached through a
// KelmMeshTopology pointer or reference) warns "KelmMeshTopologyWritable::init called
// with const facet set." through kelm_ec()->warning and builds without a writable
// set: the tables are complete but deletions cannot reach the set. getFacetSet()
// gives the writable set (null without one).
//
// Editing. Low-level setters that keep no invariant of their own; the caller keeps
// the tables consistent (vertices of an edge lower first, edge and facet links that
// agree, a facet's slots holding the edges of its sides, a first facet that has the
// vertex as a corner). An operation whose first argument is KELM_NONE does nothing.
//   createEdge(a, b)          appends an edge (min, max) without facets and returns
//                             its number; no search for an existing edge.
//   deleteEdge(e)             all four entries of e become KELM_NONE (a deleted edge
//                             keeps its number); facets listing e still list it.
//   deleteFacet(f)            clears f's slots and deletes facet f from the writable
//                             set (warns when there is none).
//   deleteVertex(v)           clears v's first facet and deletes vertex v from the
//                             writable set (warns when there is none).
//   setEdgeVerts(e, a, b)     e's vertices = (min, max); e must exist.
//   setEdgeFacets(e, fa, fb)  e's facets = (fa, fb) in the order given, growing the
//                             edge facet list as needed (the edge count is unchanged).
//   setFacetEdge(f, i, e)     slot i of f = e; f must exist.
//   setFacetEdges(f, a, b, c) f's slots = (a, b, c), growing the facet list as needed.
//   setVertexFacet(v, f)      v's first facet = f, growing the vertex list with
//   setFirstVertexFacet(v, f) KELM_NONE entries as needed (two names, one operation).
//   growFacetList(n)          grows the facet list to at least n facets.
// Operations that do not grow a list ignore numbers beyond it.
//
// Copies share the tables (as KelmMeshTopology) and the writable set pointer.
class KELMMATH_API KelmMeshTopologyWritable : public KelmMeshTopology {
public:
    KelmMeshTopologyWritable();

    using KelmMeshTopology::init;
    void init(KelmMeshFacetSet* fs);
    void init(const KelmMeshFacetSet* fs) override;

    KelmMeshFacetSet* getFacetSet() const { return writable_set_; }

    unsigned createEdge(unsigned a, unsigned b);
    void deleteEdge(unsigned e);
    void deleteFacet(unsigned f);
    void deleteVertex(unsigned v);
    void setEdgeVerts(unsigned e, unsigned a, unsigned b);
    void setEdgeFacets(unsigned e, unsigned fa, unsigned fb);
    void setFacetEdge(unsigned f, unsigned i, unsigned e);
    void setFacetEdges(unsigned f, unsigned e0, unsigned e1, unsigned e2);
    void setVertexFacet(unsigned v, unsigned f);
    void setFirstVertexFacet(unsigned v, unsigned f);
    void growFacetList(unsigned n);

private:
    KelmMeshFacetSet* writable_set_;
};

#endif  // KELMMATH_TOPOLOGY_WRITABLE_H
