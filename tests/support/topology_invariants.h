#ifndef KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H
#define KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H

// Checks for KelmMeshTopology run by the topology tests after builds and edits, against
// the reference tables of support/topology_reference.h. dump_text() returns a
// topology's dump.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_TOPOLOGY_INVARIANTS_H
