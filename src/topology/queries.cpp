#include "kelmmath/core/errors.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"
#include "topology/internal_topology.h"

using kelm_internal::TopologyAccess;
using kelm_internal::TopologyTables;

namespace {

const TopologyTables& tables_of(const KelmMeshTopology& t) {
    return TopologyAccess::tables(t);
}

// Runs the walk around v and appends each pair to the lists that are given.
void walk_vertex(const KelmMeshTopology* t, unsigned v, kelm_uint_vector* facets,
                 kelm_uint_vector* edges) {
    if (facets) facets->size(0);
    if (edges) edges->size(0);
    KelmMeshTopologyVertexCursor cursor;
    if (!cursor.traverse(t, v)) return;
    unsigned f, e;
    while (cursor.getNext(&f, &e)) {
        if (facets) facets->append(f);
        if (edges) edges->append(e);
    }
}

}  // namespace

namespace kelm_internal {

int edge_has_vertex(const KelmMeshTopology& t, unsigned e, unsigned v) {
    const TopologyTables& tb = tables_of(t);
    return (tb.edge_vert(e, 0) == v || tb.edge_vert(e, 1) == v) ? 1 : 0;
}

void get_facet_vertex_edges(const KelmMeshTopology& t, unsigned f, unsigned v, unsigned* first,
                            unsigned* second) {
    *first = *second = KELM_NONE;
    unsigned found = 0;
    if (f != KELM_NONE) {
        const TopologyTables& tb = tables_of(t);
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = tb.facet_edge(f, k);
            if (!edge_has_vertex(t, e, v)) continue;
            if (++found == 1) {
                *first = e;
            } else if (found == 2) {
                *second = e;
            } else {
                kelm_ec()->error("KelmMeshTopology: too many edges on point found.");
                *first = *second = KELM_NONE;
                return;
            }
        }
    }
    if (found < 2) kelm_ec()->error("KelmMeshTopology: too few edges on point found.");
}

unsigned find_prev_vert(const KelmMeshTopology& t, unsigned f, unsigned v) {
    const KelmMeshFacet* facet = facet_of(tables_of(t).facet_set, f);
    if (!facet) return KELM_NONE;
    if (v == facet->vertex[0]) return facet->vertex[2];
    if (v == facet->vertex[1]) return facet->vertex[0];
    if (v == facet->vertex[2]) return facet->vertex[1];
    kelm_ec()->error("KelmMeshTopology: find_prev_vert: given vertex is not in facet");
    return KELM_NONE;
}

unsigned get_other_facet_on_edge(const KelmMeshTopology& t, unsigned e, unsigned f) {
    const TopologyTables& tb = tables_of(t);
    const unsigned a = tb.edge_facet(e, 0);
    const unsigned b = tb.edge_facet(e, 1);
    if (a != f) return a;
    if (b != f) return b;
    kelm_ec()->error("KelmMeshTopology: could not get other facet on edge");
    return KELM_NONE;
}

unsigned get_other_edge_from_facet_vertex(const KelmMeshTopology& t, unsigned e, unsigned f,
                                          unsigned v) {
    const TopologyTables& tb = tables_of(t);
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned x = tb.facet_edge(f, k);
        if (x != KELM_NONE && x != e && edge_has_vertex(t, x, v)) return x;
    }
    kelm_ec()->error("KelmMeshTopology: get_other_edge_from_facet_vertex failed: e=%u f=%u v=%u", e,
                     f, v);
    return KELM_NONE;
}

}  // namespace kelm_internal

unsigned KelmMeshTopology::getNeighborFacetByEdge(unsigned f, unsigned e) const {
    const unsigned a = tables_->edge_facet(e, 0);
    const unsigned b = tables_->edge_facet(e, 1);
    if (a == f) return b;
    if (b == f) return a;
    kelm_ec()->error("KelmMeshTopology:getNeighborFacet: cannot find facet: f=%u e=%u", f, e);
    return KELM_NONE;
}

unsigned KelmMeshTopology::getNeighborFacetByIndex(unsigned f, unsigned i) const {
    return getNeighborFacetByEdge(f, tables_->facet_edge(f, i));
}

void KelmMeshTopology::findVertexEdges(kelm_uint_vector* edges, unsigned v) const {
    walk_vertex(this, v, nullptr, edges);
}

void KelmMeshTopology::findVertexFacets(kelm_uint_vector* facets, unsigned v) const {
    walk_vertex(this, v, facets, nullptr);
}

void KelmMeshTopology::findVertexFacetsEdges(kelm_uint_vector* facets, kelm_uint_vector* edges,
                                             unsigned v) const {
    walk_vertex(this, v, facets, edges);
}

unsigned KelmMeshTopology::getEdge(unsigned a, unsigned b) const {
    const unsigned lo = a < b ? a : b;
    const unsigned hi = a < b ? b : a;
    // Only the edges that the walk around lo returns can be found: at a border the
    // sides behind lo's first facet are not among them.
    KelmMeshTopologyVertexCursor cursor;
    cursor.traverse(this, lo);
    unsigned f, e;
    while (cursor.getNext(&f, &e))
        if (kelm_internal::edge_has_vertex(*this, e, hi)) return e;
    return KELM_NONE;
}

KelmMeshTopologyVertexCursor::KelmMeshTopologyVertexCursor()
    : topology_(nullptr),
      vertex_(KELM_NONE),
      facet_(KELM_NONE),
      edge_(KELM_NONE),
      start_edge_(KELM_NONE),
      step_count_(0),
      error_(0) {}

int KelmMeshTopologyVertexCursor::traverse(const KelmMeshTopology* t, unsigned v) {
    topology_ = t;
    return vertex(v);
}

int KelmMeshTopologyVertexCursor::vertex(unsigned v) {
    vertex_ = v;
    step_count_ = 0;
    facet_ = edge_ = start_edge_ = KELM_NONE;
    if (v == KELM_NONE || !topology_) return 0;
    facet_ = tables_of(*topology_).first_facet(v);
    if (facet_ == KELM_NONE) return 0;

    unsigned e1, e2;
    kelm_internal::get_facet_vertex_edges(*topology_, facet_, v, &e1, &e2);
    if (e1 == KELM_NONE || e2 == KELM_NONE) {
        kelm_ec()->error("KelmMeshTopologyVertexIterator: could not find edges on vertex v=%u", v);
        return 0;
    }
    // Leave the first facet through the side that joins v with the corner before
    // it, so that the walk turns the way the facets' corners run.
    const unsigned p = kelm_internal::find_prev_vert(*topology_, facet_, v);
    if (kelm_internal::edge_has_vertex(*topology_, e1, p)) {
        edge_ = e1;
    } else if (kelm_internal::edge_has_vertex(*topology_, e2, p)) {
        edge_ = e2;
    } else {
        kelm_ec()->error("KelmMeshTopologyVertexIterator: could not get other vertex v=%u", v);
        facet_ = KELM_NONE;
        return 0;
    }
    return 1;
}

void KelmMeshTopologyVertexCursor::rewind() {
    vertex(vertex_);
}

void KelmMeshTopologyVertexCursor::facetEdgeVertex(unsigned f, unsigned e, unsigned v) {
    start_edge_ = edge_ = facet_ = KELM_NONE;
    // Without a topology every edge reads as having no ends and no facets.
    const bool on_edge =
        topology_ ? kelm_internal::edge_has_vertex(*topology_, e, v) != 0 : v == KELM_NONE;
    if (!on_edge)
        kelm_ec()->error("KelmMeshTopologyVertexIterator:facetEdgeVertex: vertex is not onedge");
    const unsigned fa = topology_ ? tables_of(*topology_).edge_facet(e, 0) : KELM_NONE;
    const unsigned fb = topology_ ? tables_of(*topology_).edge_facet(e, 1) : KELM_NONE;
    if (fa != f && fb != f)
        kelm_ec()->error("KelmMeshTopologyVertexIterator:facetEdgeVertex: facet is not onedge");
    edge_ = e;
    vertex_ = v;
    facet_ = f;
}

int KelmMeshTopologyVertexCursor::getNext(unsigned* facet, unsigned* edge) {
    if (!topology_ || edge_ == KELM_NONE || facet_ == KELM_NONE || edge_ == start_edge_ ||
        vertex_ == KELM_NONE)
        return 0;

    // A walk around a vertex meets every facet at most once; more steps than the
    // set has facets means the links form a cycle that misses the start edge.
    const TopologyTables& tb = tables_of(*topology_);
    const unsigned steps = step_count_++;
    const unsigned limit = tb.facet_set ? tb.facet_set->getFacetCount() : 0;
    if (steps > limit) {
        kelm_ec()->error("KelmMeshTopologyVertexCursor::getNext: topology is broken");
        error_ = 1;
        return 0;
    }
    if (start_edge_ == KELM_NONE) start_edge_ = edge_;
    if (edge_ >= tb.edge_count()) {
        kelm_ec()->error("KelmMeshTopologeVertexCursor:getNext(): have bad edge: %u(max=%u)", edge_,
                         tb.edge_count());
        return 0;
    }
    if (facet_ >= tb.facet_count()) {
        kelm_ec()->error("KelmMeshTopologeVertexCursor:getNext(): have bad facet: %u(max=%u)",
                         facet_, tb.facet_count());
        return 0;
    }
    if (facet) *facet = facet_;
    if (edge) *edge = edge_;

    facet_ = kelm_internal::get_other_facet_on_edge(*topology_, edge_, facet_);
    if (facet_ != KELM_NONE)
        edge_ = kelm_internal::get_other_edge_from_facet_vertex(*topology_, edge_, facet_, vertex_);
    return 1;
}
