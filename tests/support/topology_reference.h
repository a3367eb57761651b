#ifndef KELMMATH_TESTS_SUPPORT_TOPOLOGY_REFERENCE_H
#define KELMMATH_TESTS_SUPPORT_TOPOLOGY_REFERENCE_H

// The tables a topology build must produce, derived straight from their definition,
// for the unit tests, the stress suites and the fuzz targets (so no test framework):
// edges numbered in the order their vertex pairs are first met, slot k of a facet
// holds its side k, edge facets in facet order, first facets the lowest numbered,
// with a std::map in place of the library's chains. A facet with a corner outside
// the vertex list is skipped and reported, as the build does. Each *_problem check
// returns an empty text when all is well, else what is wrong.

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/dump.h"
#include "kelmmath/topology/topology.h"

namespace kelm_test {

struct Tables {
    std::vector<unsigned> edge_verts, edge_facets, facet_edges, vertex_facet;
    std::vector<std::string> reports;  // the build's error reports, in order (reference only)
};

// The tables of a build of facets first .. first+count-1 of fs.
inline Tables reference_tables(const KelmMeshFacetSet& fs, unsigned first = 0,
                               unsigned count = KELM_NONE) {
    Tables r;
    const unsigned nv = fs.getVertexCount(), nf = fs.getFacetCount();
    r.vertex_facet.assign(nv, KELM_NONE);
    r.facet_edges.assign(3ull * nf, KELM_NONE);
    std::map<std::pair<unsigned, unsigned>, unsigned> numbers;
    for (unsigned f = first; f < std::min<unsigned long long>(1ull * first + count, nf); ++f) {
        const KelmMeshFacet* facet = fs.getFacet(f);
        if (!facet) continue;
        const unsigned* c = facet->vertex;
        if (std::max({c[0], c[1], c[2]}) >= nv) {
            r.reports.push_back("Failed topology - facet " + std::to_string(f) +
                                " has a vertex outside the vertex list");
            continue;
        }
        for (unsigned k = 0; k < 3; ++k) {
            const auto key = std::minmax(c[k], c[(k + 1) % 3]);
            const auto found = numbers.emplace(key, static_cast<unsigned>(numbers.size()));
            const unsigned e = found.first->second;
            if (found.second) {
                r.edge_verts.insert(r.edge_verts.end(), {key.first, key.second});
                r.edge_facets.insert(r.edge_facets.end(), {f, KELM_NONE});
            } else if (r.edge_facets[2 * e + 1] == KELM_NONE) {
                r.edge_facets[2 * e + 1] = f;
            } else {
                r.reports.push_back("Failed topology - edge v=(" + std::to_string(key.first) + "," +
                                    std::to_string(key.second) + ") already has 2 facets");
            }
            r.facet_edges[3 * f + k] = e;
        }
        for (unsigned k = 0; k < 3; ++k)
            if (r.vertex_facet[c[k]] == KELM_NONE) r.vertex_facet[c[k]] = f;
    }
    return r;
}

// The same tables read back from a topology through its getters.
inline Tables tables_of(const KelmMeshTopology& t, unsigned vertex_count) {
    Tables r;
    for (unsigned e = 0; e < t.getEdgeCount(); ++e)
        for (unsigned i = 0; i < 2; ++i) {
            r.edge_verts.push_back(t.getEdgeVertex(e, i));
            r.edge_facets.push_back(t.getEdgeFacet(e, i));
        }
    for (unsigned f = 0; f < t.getFacetCount(); ++f)
        for (unsigned i = 0; i < 3; ++i) r.facet_edges.push_back(t.getFacetEdge(f, i));
    for (unsigned v = 0; v < vertex_count; ++v) r.vertex_facet.push_back(t.getFirstVertexFacet(v));
    return r;
}

// The first table in which got and want differ (NONE written as -).
inline std::string tables_problem(const Tables& got, const Tables& want) {
    auto text = [](const std::vector<unsigned>& v) {
        std::string s;
        for (unsigned x : v) s += x == KELM_NONE ? " -" : " " + std::to_string(x);
        return s;
    };
    const char* names[] = {"edge_verts", "edge_facets", "facet_edges", "vertex_facet"};
    const std::vector<unsigned> Tables::*lists[] = {&Tables::edge_verts, &Tables::edge_facets,
                                                    &Tables::facet_edges, &Tables::vertex_facet};
    for (int i = 0; i < 4; ++i)
        if (got.*lists[i] != want.*lists[i])
            return names[i] + (":" + text(got.*lists[i])) + ", expected" + text(want.*lists[i]);
    return "";
}

// Whether t holds exactly the tables want (a reference build of its set by default).
inline std::string topology_problem(const KelmMeshTopology& t, const Tables& want) {
    return tables_problem(tables_of(t, static_cast<unsigned>(want.vertex_facet.size())), want);
}
inline std::string reference_problem(const KelmMeshTopology& t, const KelmMeshFacetSet& fs,
                                     unsigned first = 0, unsigned count = KELM_NONE) {
    return topology_problem(t, reference_tables(fs, first, count));
}

// What kelm_mesh_topology_dump writes for t.
inline std::string dump_text(const KelmMeshTopology& t) {
    FILE* fp = std::tmpfile();
    kelm_mesh_topology_dump(&t, fp);
    std::string text(static_cast<std::size_t>(std::ftell(fp)), '\0');
    std::rewind(fp);
    text.resize(std::fread(&text[0], 1, text.size(), fp));
    std::fclose(fp);
    return text;
}

// Whether the walk around every vertex of the set stays in the tables, ends within
// facet count + 1 pairs and stays ended, a copy of the rewound cursor walks the same way
// (unless the walk hit an error), and the list queries return what the walk returns.
inline std::string walk_problem(const KelmMeshTopology& t) {
    const KelmMeshFacetSet* fs = t.getFacetSet();
    const unsigned nv = fs ? fs->getVertexCount() : 0, guard = fs ? fs->getFacetCount() + 1 : 1;
    for (unsigned v = 0; v < nv; ++v) {
        const std::string at = " around " + std::to_string(v);
        KelmMeshTopologyVertexCursor cursor;
        std::vector<unsigned> facets, edges, again;
        unsigned f, e;
        if (cursor.traverse(&t, v)) {
            while (cursor.getNext(&f, &e)) {
                if (f >= t.getFacetCount() || e >= t.getEdgeCount())
                    return "walk left the tables" + at;
                facets.push_back(f);
                edges.push_back(e);
                if (facets.size() > guard) return "walk ran past its guard" + at;
            }
            if (cursor.getNext(&f, &e)) return "walk went on after its end" + at;
            cursor.rewind();
            KelmMeshTopologyVertexCursor copy = cursor;
            while (copy.getNext(&f, &e)) again.push_back(f);
            if (!cursor.hasError() && again != facets)
                return "a copied cursor walks otherwise" + at;
        }
        kelm_uint_vector lists[4];
        t.findVertexFacets(&lists[0], v);
        t.findVertexEdges(&lists[1], v);
        t.findVertexFacetsEdges(&lists[2], &lists[3], v);
        for (int i = 0; i < 4; ++i)
            if (std::vector<unsigned>(lists[i].data(), lists[i].data() + lists[i].size()) !=
                (i % 2 ? edges : facets))
                return "list query and walk differ" + at;
    }
    return "";
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_TOPOLOGY_REFERENCE_H
