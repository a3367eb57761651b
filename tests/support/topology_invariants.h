#ifndef KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H
#define KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H

// Invariant checks for KelmMeshTopology, run by the topology tests after builds
// and edits.
//
// reference_tables() derives the tables a build must produce straight from their
// definition (edges numbered in the order their vertex pairs are first met, slot k
// of a facet holds its side k, edge facets in facet order, first facets the lowest
// numbered), with a std::map in place of the library's chains; tables_of() reads
// the same tables back from a topology through its getters.
// consistent() checks the rules an edited topology must keep: vertices lower first,
// edge and facet links that agree, slots holding the facet's sides, first facets
// that have the vertex as a corner.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"

namespace kelm_test {

struct Tables {
    std::vector<unsigned> edge_verts, edge_facets, facet_edges, vertex_facet;
    std::vector<std::string> reports;  // the build's reports, in order (reference only)
};

inline Tables reference_tables(const KelmMeshFacetSet& fs, unsigned first, unsigned count) {
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

inline Tables reference_tables(const KelmMeshFacetSet& fs) {
    return reference_tables(fs, 0, fs.getFacetCount());
}

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

inline void expect_same_tables(const Tables& got, const Tables& want) {
    EXPECT_EQ(got.edge_verts, want.edge_verts);
    EXPECT_EQ(got.edge_facets, want.edge_facets);
    EXPECT_EQ(got.facet_edges, want.facet_edges);
    EXPECT_EQ(got.vertex_facet, want.vertex_facet);
}

// The topology holds exactly the tables a build of fs (or of a range of it) makes.
inline void expect_reference(const KelmMeshTopology& t, const KelmMeshFacetSet& fs,
                             unsigned first = 0, unsigned count = KELM_NONE) {
    expect_same_tables(tables_of(t, fs.getVertexCount()), reference_tables(fs, first, count));
}

inline bool edge_is_deleted(const KelmMeshTopology& t, unsigned e) {
    return t.getEdgeVertex(e, 0) == KELM_NONE && t.getEdgeVertex(e, 1) == KELM_NONE &&
           t.getEdgeFacet(e, 0) == KELM_NONE && t.getEdgeFacet(e, 1) == KELM_NONE;
}

inline ::testing::AssertionResult consistent(const KelmMeshTopology& t) {
    auto fail = [](const std::string& what, unsigned n) {
        return ::testing::AssertionFailure() << what << " " << n;
    };
    auto lists = [&t](unsigned f, unsigned e) {
        return f < t.getFacetCount() && (t.getFacetEdge(f, 0) == e || t.getFacetEdge(f, 1) == e ||
                                         t.getFacetEdge(f, 2) == e);
    };
    const KelmMeshFacetSet* fs = t.getFacetSet();
    for (unsigned e = 0; e < t.getEdgeCount(); ++e) {
        if (edge_is_deleted(t, e)) continue;
        const unsigned a = t.getEdgeFacet(e, 0), b = t.getEdgeFacet(e, 1);
        if (t.getEdgeVertex(e, 0) > t.getEdgeVertex(e, 1)) return fail("higher vertex first:", e);
        if (a == KELM_NONE && b != KELM_NONE) return fail("border facet second:", e);
        if ((a != KELM_NONE && !lists(a, e)) || (b != KELM_NONE && !lists(b, e)))
            return fail("a facet does not list edge", e);
    }
    for (unsigned f = 0; f < t.getFacetCount(); ++f) {
        const KelmMeshFacet* facet = fs ? fs->getFacet(f) : nullptr;
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = t.getFacetEdge(f, k);
            if (e == KELM_NONE) continue;
            if (t.getEdgeFacet(e, 0) != f && t.getEdgeFacet(e, 1) != f)
                return fail("an edge does not name facet", f);
            const auto side = std::minmax(facet ? facet->vertex[k] : KELM_NONE,
                                          facet ? facet->vertex[(k + 1) % 3] : KELM_NONE);
            if (facet &&
                (t.getEdgeVertex(e, 0) != side.first || t.getEdgeVertex(e, 1) != side.second))
                return fail("a slot does not hold its side in facet", f);
        }
    }
    for (unsigned v = 0; fs && v < fs->getVertexCount(); ++v) {
        const KelmMeshFacet* facet = fs->getFacet(t.getFirstVertexFacet(v));
        if (t.getFirstVertexFacet(v) != KELM_NONE &&
            (!facet || std::count(facet->vertex, facet->vertex + 3, v) == 0))
            return fail("first facet lacks vertex", v);
    }
    return ::testing::AssertionSuccess();
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H
