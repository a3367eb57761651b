// Every facet list of one to three facets over four vertices (64 + 64^2 + 64^3 =
// 266 304 lists, corners repeated freely): build, compare with the tables derived from
// their definition, validate(0), the dump, and a walk around every vertex.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "hostile/hostile_support.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/dump.h"
#include "kelmmath/topology/topology.h"
#include "support/meshes.h"
#include "support/topology_reference.h"

namespace {

// One list: facet k has corners (c / 16, c / 4 % 4, c % 4) for its code c in 0..63, the
// k-th base-64 digit of the list number.
std::string check_list(const std::vector<unsigned>& codes, FILE* sink,
                       kelm_hostile::QuietContext& quiet) {
    std::vector<std::array<unsigned, 3>> facets;
    for (unsigned c : codes) facets.push_back({c / 16, c / 4 % 4, c % 4});
    KelmMeshFacetSet fs;
    kelm_test::make_mesh(fs, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, facets);
    quiet.errors = 0;
    KelmMeshTopology t;
    t.init(&fs);
    const kelm_test::Tables ref = kelm_test::reference_tables(fs);
    std::string problem = kelm_test::topology_problem(t, ref);
    if (!problem.empty()) return problem;
    if (quiet.errors != ref.reports.size())
        return std::to_string(quiet.errors) + " build reports, expected " +
               std::to_string(ref.reports.size());

    if (t.validate() != t.validate(0)) return "validate() and validate(0) differ";
    kelm_mesh_topology_dump(&t, sink);
    return kelm_test::walk_problem(t);
}

TEST(HostileTopologyStress, EveryListOfUpToThreeFacetsOverFourVertices) {
    kelm_hostile::QuietContext quiet;
    kelm_hostile::QuietStdout quiet_stdout;
    kelm_hostile::Watchdog watchdog(30);
    FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    unsigned lists = 0, failures = 0;
    for (unsigned n = 1, total = 64; n <= 3 && failures < 5; ++n, total *= 64) {
        for (unsigned i = 0; i < total && failures < 5; ++i) {
            if (i % 1024 == 0)
                watchdog.start("1024 facet lists of length " + std::to_string(n) + " from " +
                               std::to_string(i));
            std::vector<unsigned> codes;
            for (unsigned k = 0, rest = i; k < n; ++k, rest /= 64) codes.push_back(rest % 64);
            const std::string problem = check_list(codes, sink, quiet);
            ++lists;
            if (!problem.empty()) {
                ++failures;
                ADD_FAILURE() << "facet list " << i << " of length " << n << ": " << problem;
            }
        }
    }
    std::fclose(sink);
    EXPECT_EQ(failures, 0u);
    EXPECT_EQ(lists, 266304u);
}

}  // namespace
