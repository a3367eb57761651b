#ifndef KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H
#define KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H

// Invariant checks for KelmMeshTopology, run by the topology tests after builds
// and edits. The reference tables come from support/topology_reference.h.
// consistent() checks the rules an edited topology must keep: vertices lower first,
// edge and facet links that agree, slots holding the facet's sides, first facets
// that have the vertex as a corner. dump_text() returns a topology's dump.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/dump.h"
#include "kelmmath/topology/topology.h"
#include "support/topology_reference.h"

namespace kelm_test {

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

inline void expect_same_tables(const Tables& got, const Tables& want) {
    EXPECT_EQ(tables_problem(got, want), "");
}

// The topology holds exactly the tables a build of fs (or of a range of it) makes.
inline void expect_reference(const KelmMeshTopology& t, const KelmMeshFacetSet& fs,
                             unsigned first = 0, unsigned count = KELM_NONE) {
    EXPECT_EQ(topology_problem(t, reference_tables(fs, first, count)), "");
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
