// The mesh topology on decoded facet lists.
//
// Input layout: the vertex count and a coordinate mode, the vertices, the facet count
// and each facet's three corners (kept below the vertex count, the caller's
// precondition; repeated corners allowed), facets and vertices to delete from the
// set, the facet range to build from, then optional edits through the writable
// topology, each kept to numbers that exist. Checked on every input:
//   - a build gives exactly the tables derived from their definition, and reports
//     one "already has 2 facets" per extra facet on a side;
//   - every check gives the same answer with stop = 0 and stop = 1, validate() the
//     same as validate(0);
//   - walks around every vertex end within facet count + 1 pairs and return facets
//     and edges that exist; the list queries agree with the walk;
//   - the dump runs (into /dev/null, like standard output).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/support/topology_reference.h"
#include "fuzz_support.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/dump.h"
#include "kelmmath/topology/topology.h"
#include "kelmmath/topology/writable.h"

namespace {

FILE* null_stream() {
    static FILE* fp = std::fopen("/dev/null", "w");
    return fp;
}

void fail_on(const std::string& problem, const char* what) {
    if (problem.empty()) return;
    std::fprintf(stderr, "%s%s\n", what, problem.c_str());
    std::abort();
}

void run_checks(const KelmMeshTopology& t) {
    const unsigned nv = t.getFacetSet() ? t.getFacetSet()->getVertexCount() : 0;
    KELM_FUZZ_CHECK(t.validateEdgeUsage(0) == t.validateEdgeUsage(1));
    KELM_FUZZ_CHECK(t.validateEdgeUsage() == t.validateEdgeUsage(0));
    KELM_FUZZ_CHECK(t.validateEdgesUnique(0) == t.validateEdgesUnique(1));
    KELM_FUZZ_CHECK(t.validateFaceSenses(0) == t.validateFaceSenses(1));
    KELM_FUZZ_CHECK(t.validateFaceGeometricSenses(0) == t.validateFaceGeometricSenses(1));
    KELM_FUZZ_CHECK(t.validateFaceOverlaps(0) == t.validateFaceOverlaps(1));
    const int all = t.validate(0);
    KELM_FUZZ_CHECK(t.validate() == all);
    KELM_FUZZ_CHECK(t.validate(1) == all);
    const int no_geometry = t.validateNoGeometry(0);
    KELM_FUZZ_CHECK(t.validateNoGeometry() == no_geometry);
    KELM_FUZZ_CHECK(all == (no_geometry && t.validateFaceOverlaps(0)));
    for (unsigned v = 0; v < nv; ++v) {
        KELM_FUZZ_CHECK(t.validateFaceOverlapForVertex(v, 0) == t.validateFaceOverlapForVertex(v));
    }
    for (unsigned e = 0; e < t.getEdgeCount(); ++e) {
        t.validateFaceSensesOnEdge(e);
        t.validateFaceGeometricSensesOnEdge(e);
    }
    KELM_FUZZ_CHECK(t.validateFaceSensesOnEdge(KELM_NONE) == 1);
}

void run_walks(const KelmMeshTopology& t) {
    fail_on(kelm_test::walk_problem(t), "");
    const unsigned nv = t.getFacetSet() ? t.getFacetSet()->getVertexCount() : 0;
    for (unsigned v = 0; v < nv; ++v)
        for (unsigned w = 0; w < nv; ++w) {
            const unsigned e = t.getEdge(v, w);
            KELM_FUZZ_CHECK(e == KELM_NONE || e < t.getEdgeCount());
        }
    for (unsigned f = 0; f < t.getFacetCount(); ++f)
        for (unsigned i = 0; i < 3; ++i) {
            const unsigned n = t.getNeighborFacetByIndex(f, i);
            KELM_FUZZ_CHECK(n == KELM_NONE || n < t.getFacetCount());
            t.getNeighborFacetByEdge(f, t.getFacetEdge(f, i));
            t.getFacetVertex(f, i);
        }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A few checks print their diagnostics on standard output; libFuzzer reports on
    // standard error.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kelm_fuzz::Bytes in(data, size);
    kelm_fuzz::QuietContext quiet;

    const unsigned nv = 1 + in.u8() % 12;
    const uint8_t coord_mode = in.u8();
    KelmMeshFacetSet fs;
    for (unsigned v = 0; v < nv; ++v) {
        double p[3];
        for (double& c : p) {
            // Mostly a small grid (flat, folded and coincident meshes), sometimes
            // anything at all.
            c = (coord_mode & 1) ? in.coordinate() : static_cast<double>(in.u8() % 3);
        }
        fs.createVertex(p);
    }
    const unsigned nf = in.u8() % 24;
    for (unsigned f = 0; f < nf; ++f) {
        KelmMeshFacet* facet = fs.createFacet(nullptr);
        for (unsigned k = 0; k < 3; ++k) facet->vertex[k] = in.below(nv);
    }
    const uint8_t deletions = in.u8();
    for (unsigned i = 0; i < deletions % 4 && nf > 0; ++i) fs.deleteFacet(in.below(nf));
    for (unsigned i = 0; i < (deletions >> 2) % 3; ++i) fs.deleteVertex(in.below(nv));

    const uint8_t build_mode = in.u8();
    unsigned first = 0, count = nf;
    if ((build_mode & 1) != 0 && nf > 0) {
        first = in.below(nf + 1);
        count = in.below(nf - first + 1);
    }

    KelmMeshTopologyWritable t;
    quiet.errors = 0;
    if ((build_mode & 1) != 0)
        t.init(static_cast<const KelmMeshFacetSet*>(&fs), first, count);
    else
        t.init(&fs);
    const kelm_test::Tables ref = kelm_test::reference_tables(fs, first, count);
    fail_on(kelm_test::topology_problem(t, ref), "build differs from its definition: ");
    KELM_FUZZ_CHECK(quiet.errors == ref.reports.size());
    KELM_FUZZ_CHECK(t.validateEdgeUsage(0) == 0 || ref.reports.empty());

    // Edits through the writable topology, numbers kept to what exists.
    const unsigned edits = (build_mode >> 1) % 8;
    for (unsigned i = 0; i < edits && !in.empty(); ++i) {
        const unsigned ne = t.getEdgeCount();
        const uint8_t code = in.u8();
        const unsigned e = ne ? in.below(ne) : KELM_NONE;
        const unsigned f = nf ? in.below(nf) : KELM_NONE;
        const unsigned maybe_f = (code & 0x80) ? KELM_NONE : f;
        switch (code % 8) {
            case 0:
                t.deleteEdge(e);
                break;
            case 1:
                t.deleteFacet(f);
                break;
            case 2:
                t.deleteVertex(in.below(nv));
                break;
            case 3:
                t.createEdge(in.below(nv), in.below(nv));
                break;
            case 4:
                t.setEdgeFacets(e, f, maybe_f);
                break;
            case 5:
                t.setFacetEdge(f, in.below(3), (code & 0x40) ? KELM_NONE : e);
                break;
            case 6:
                t.setVertexFacet(in.below(nv), maybe_f);
                break;
            default:
                t.setEdgeVerts(e, in.below(nv), in.below(nv));
                break;
        }
    }

    run_checks(t);
    run_walks(t);
    kelm_mesh_topology_dump(&t, null_stream());

    // A copy shares the tables; a rebuild through it is seen by both.
    KelmMeshTopology shared(t);
    shared.init(&fs);
    KELM_FUZZ_CHECK(t.getEdgeCount() == shared.getEdgeCount());
    return 0;
}
