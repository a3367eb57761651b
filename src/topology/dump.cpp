#include "kelmmath/topology/dump.h"

#include <cmath>

#include "kelmmath/geom/vector.h"
#include "kelmmath/mesh/facetset.h"
#include "topology/internal_topology.h"

using kelm_internal::TopologyAccess;
using kelm_internal::TopologyTables;

namespace {

void dump_facets(const TopologyTables& t, const KelmMeshFacetSet* fs, unsigned nf, FILE* fp) {
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = kelm_internal::facet_of(fs, f);
        if (!facet) {
            std::fprintf(fp, "f[%u] = <DELETED>\n", f);
            continue;
        }
        double n[3];
        kelm_internal::facet_unit_normal(n, fs, f);
        std::fprintf(fp, "f[%u] = v=(%u,%u,%u) e=(%u,%u,%u) n=(%g,%g,%g)\n", f, facet->vertex[0],
                     facet->vertex[1], facet->vertex[2], t.facet_edge(f, 0), t.facet_edge(f, 1),
                     t.facet_edge(f, 2), n[0], n[1], n[2]);
    }
}

void dump_edges(const TopologyTables& t, const KelmMeshFacetSet* fs, FILE* fp) {
    const unsigned ne = t.edge_count();
    for (unsigned e = 0; e < ne; ++e) {
        if (t.edge_deleted(e)) {
            std::fprintf(fp, "e[%u] : <DELETED>\n", e);
            continue;
        }
        const unsigned fa = t.edge_facet(e, 0), fb = t.edge_facet(e, 1);
        double na[3], nb[3];
        kelm_internal::facet_unit_normal(na, fs, fa);
        kelm_internal::facet_unit_normal(nb, fs, fb);
        // Not clamped: a dot that rounding puts above 1 shows as a NaN angle.
        const double dot = kelm_vec_dot(na, nb);
        std::fprintf(fp, "e[%u] : v=(%u,%u) f=(%u,%u) dot=%g angle=%g\n", e, t.edge_vert(e, 0),
                     t.edge_vert(e, 1), fa, fb, dot, std::acos(dot));
    }
}

void dump_vertices(const KelmMeshTopology& topology, const TopologyTables& t,
                   const KelmMeshFacetSet* fs, unsigned nv, FILE* fp) {
    kelm_uint_vector facets, edges;
    for (unsigned v = 0; v < nv; ++v) {
        if (t.first_facet(v) == KELM_NONE) {
            std::fprintf(fp, "v[%u] = <DELETED>\n", v);
            continue;
        }
        double p[3];
        fs->getVertex(p, v);
        std::fprintf(fp, "v[%u] = (%.15f,%.15f,%.15f)\n", v, p[0], p[1], p[2]);
        // Two walks, as the two lists are two queries: on a broken topology each
        // walk makes its own reports.
        topology.findVertexFacets(&facets, v);
        std::fprintf(fp, "  f=");
        for (unsigned i = 0; i < facets.size(); ++i) std::fprintf(fp, " %u", facets[i]);
        topology.findVertexEdges(&edges, v);
        std::fprintf(fp, "\n  e=");
        for (unsigned i = 0; i < edges.size(); ++i) std::fprintf(fp, " %u", edges[i]);
        std::fprintf(fp, "\n");
    }
}

}  // namespace

void kelm_mesh_topology_dump(const KelmMeshTopology* t, FILE* fp) {
    if (!t || !fp) return;
    const TopologyTables& tables = TopologyAccess::tables(*t);
    const KelmMeshFacetSet* fs = tables.facet_set;
    const unsigned nv = fs ? fs->getVertexCount() : 0;
    const unsigned nf = fs ? fs->getFacetCount() : 0;
    std::fprintf(fp, "vertices=%u facets=%u edges=%u\n", nv, nf, tables.edge_count());
    dump_facets(tables, fs, nf, fp);
    dump_edges(tables, fs, fp);
    std::fprintf(fp, "\n");
    dump_vertices(*t, tables, fs, nv, fp);
}
