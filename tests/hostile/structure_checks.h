#ifndef KELMMATH_TESTS_HOSTILE_STRUCTURE_CHECKS_H
#define KELMMATH_TESTS_HOSTILE_STRUCTURE_CHECKS_H

// The topology checks under the names the hostile suites and the fuzz targets use
// (so no test framework). The triangulation's link check is in
// support/delaunay_cases.h.

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../support/topology_reference.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"

namespace kelm_hostile {

// The topology reference lives in support/topology_reference.h; these names keep the
// hostile suites' and fuzz targets' spelling. third_facet_reports counts the error
// reports the build must make.
struct TopologyReference : kelm_test::Tables {
    unsigned third_facet_reports = 0;
};

inline TopologyReference topology_reference(const KelmMeshFacetSet& fs, unsigned first,
                                            unsigned count) {
    TopologyReference r;
    static_cast<kelm_test::Tables&>(r) = kelm_test::reference_tables(fs, first, count);
    r.third_facet_reports = static_cast<unsigned>(r.reports.size());
    return r;
}

using kelm_test::topology_problem;

}  // namespace kelm_hostile

#endif  // KELMMATH_TESTS_HOSTILE_STRUCTURE_CHECKS_H
