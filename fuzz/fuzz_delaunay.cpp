// The constrained triangulator on generated runs.
//
// Input layout: one byte chooses the family of tests/support/delaunay_cases.h
// (lattices, circles, the enclosing triangle, clusters, outlying values, rounding,
// random points with constraints, extreme magnitudes) and whether runs of points
// go in through insertPoints; the rest drives that family's draws (four bytes a draw,
// zeros past the end). After every call the links of the triangulation must hold,
// every handed-out index must exist and every forced constraint must be an edge; at
// the end a copy moved back must hold too, and both dumps run (standard output goes
// to /dev/null). A run that ends the process (the triangulator's internal-consistency
// stops) is reported by libFuzzer as a finding, and so is one that takes longer than
// the per-input limit. KELM_FUZZ_TRACE=1 prints the case's calls on standard error,
// to turn a finding into a test.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "../tests/support/delaunay_cases.h"
#include "delaunay/internal_delaunay.h"
#include "fuzz_support.h"
#include "kelmmath/delaunay/delaunay2d.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The dumps print on standard output; libFuzzer reports on standard error.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    // Batches walk ahead over their points from the first triangle on, not only
    // once the tables outgrow the caches, so that hostile input reaches it.
    kelm_internal::setLookAheadFrom(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    kelm_test::Draw draw(data + 1, size - 1);
    const kelm_test::DelaunayCase c = kelm_test::makeDelaunayCase(draw, data[0] % 8, data[0]);
    if (std::getenv("KELM_FUZZ_TRACE") != nullptr) {
        std::fprintf(stderr, "%s box (%.17g, %.17g)-(%.17g, %.17g) yscale %.17g\n", c.family,
                     c.box[0], c.box[1], c.box[2], c.box[3], c.yscale);
        for (const kelm_test::DelaunayOp& op : c.ops) {
            if (op.kind == op.kPoint) std::fprintf(stderr, "point %.17g %.17g\n", op.x, op.y);
            if (op.kind == op.kEdge) std::fprintf(stderr, "edge %u %u %d\n", op.a, op.b, op.border);
            if (op.kind == op.kResolve) std::fprintf(stderr, "resolve\n");
        }
    }
    kelm_fuzz::QuietContext quiet;
    KelmDelaunay2D d;
    const std::string problem = kelm_test::runCase(d, c, (data[0] & 0x80) != 0);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s case: %s\n", c.family, problem.c_str());
        std::abort();
    }
    KelmDelaunay2D copy(d);
    d = std::move(copy);
    KELM_FUZZ_CHECK(kelm_test::triangulation_problem(d).empty());
    d.dumpMesh();
    d.dumpFacets();
    return 0;
}
