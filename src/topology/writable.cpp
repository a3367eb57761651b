#include "kelmmath/topology/writable.h"

#include "kelmmath/core/errors.h"
#include "kelmmath/mesh/facetset.h"
#include "topology/internal_topology.h"

using kelm_internal::TopologyAccess;
using kelm_internal::TopologyTables;

namespace {

void append_none(kelm_uint_vector& list, unsigned long long until) {
    while (list.size() < until) list.append(KELM_NONE);
}

}  // namespace

KelmMeshTopologyWritable::KelmMeshTopologyWritable() : writable_set_(nullptr) {}

void KelmMeshTopologyWritable::init(KelmMeshFacetSet* fs) {
    writable_set_ = fs;
    init(fs, 0, fs ? fs->getFacetCount() : 0);
}

void KelmMeshTopologyWritable::init(const KelmMeshFacetSet* fs) {
    kelm_ec()->warning("KelmMeshTopologyWritable::init called with const facet set.");
    writable_set_ = nullptr;
    init(fs, 0, fs ? fs->getFacetCount() : 0);
}

unsigned KelmMeshTopologyWritable::createEdge(unsigned a, unsigned b) {
    TopologyTables& t = TopologyAccess::tables(*this);
    const unsigned e = t.edge_count();
    t.edge_verts.append(a < b ? a : b);
    t.edge_verts.append(a < b ? b : a);
    // The facet list may already reach past the edge count (setEdgeFacets grows
    // it); the new edge starts without facets either way.
    append_none(t.edge_facets, 2ull * e + 2);
    t.edge_facets[2 * e] = KELM_NONE;
    t.edge_facets[2 * e + 1] = KELM_NONE;
    return e;
}

void KelmMeshTopologyWritable::deleteEdge(unsigned e) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (e == KELM_NONE || e >= t.edge_count()) return;
    t.edge_verts[2 * e] = t.edge_verts[2 * e + 1] = KELM_NONE;
    t.edge_facets[2 * e] = t.edge_facets[2 * e + 1] = KELM_NONE;
}

void KelmMeshTopologyWritable::deleteFacet(unsigned f) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (f == KELM_NONE) return;
    if (f < t.facet_count()) {
        for (unsigned k = 0; k < 3; ++k) t.facet_edges[3 * f + k] = KELM_NONE;
    }
    if (!writable_set_) {
        kelm_ec()->warning("KelmMeshTopologyWritable::deleteFacet: cannot modify const facet set");
        return;
    }
    if (f < writable_set_->getFacetCount()) writable_set_->deleteFacet(f);
}

void KelmMeshTopologyWritable::deleteVertex(unsigned v) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (v == KELM_NONE) return;
    if (v < t.vertex_facet.size()) t.vertex_facet[v] = KELM_NONE;
    if (!writable_set_) {
        kelm_ec()->warning("KelmMeshTopologyWritable::deleteVertex: cannot modify const facet set");
        return;
    }
    if (v < writable_set_->getVertexCount()) writable_set_->deleteVertex(v);
}

void KelmMeshTopologyWritable::setEdgeVerts(unsigned e, unsigned a, unsigned b) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (e == KELM_NONE || e >= t.edge_count()) return;
    t.edge_verts[2 * e] = a < b ? a : b;
    t.edge_verts[2 * e + 1] = a < b ? b : a;
}

void KelmMeshTopologyWritable::setEdgeFacets(unsigned e, unsigned fa, unsigned fb) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (e == KELM_NONE) return;
    append_none(t.edge_facets, 2ull * e + 2);
    t.edge_facets[2 * e] = fa;
    t.edge_facets[2 * e + 1] = fb;
}

void KelmMeshTopologyWritable::setFacetEdge(unsigned f, unsigned i, unsigned e) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (f == KELM_NONE || f >= t.facet_count() || i > 2) return;
    t.facet_edges[3 * f + i] = e;
}

void KelmMeshTopologyWritable::setFacetEdges(unsigned f, unsigned e0, unsigned e1, unsigned e2) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (f == KELM_NONE) return;
    append_none(t.facet_edges, 3ull * f + 3);
    t.facet_edges[3 * f] = e0;
    t.facet_edges[3 * f + 1] = e1;
    t.facet_edges[3 * f + 2] = e2;
}

void KelmMeshTopologyWritable::setVertexFacet(unsigned v, unsigned f) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (v == KELM_NONE) return;
    append_none(t.vertex_facet, 1ull * v + 1);
    t.vertex_facet[v] = f;
}

void KelmMeshTopologyWritable::setFirstVertexFacet(unsigned v, unsigned f) {
    setVertexFacet(v, f);
}

void KelmMeshTopologyWritable::growFacetList(unsigned n) {
    TopologyTables& t = TopologyAccess::tables(*this);
    if (n == KELM_NONE) return;
    append_none(t.facet_edges, 3ull * n);
}
