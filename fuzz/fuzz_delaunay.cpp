// The constrained triangulator on decoded points and constraints.
//
// Input layout: one byte for the box (taken from the points, or four decoded
// coordinates), one for the y scale, then a list of operations, each one byte
// followed by its operands: insert a point (two coordinates), insert an earlier
// point again, insert a batch through insertPoints, force an edge between two vertex
// numbers (corners and numbers past the end included) with or without the border
// flag, resolve the labels, or continue on a copy. After every operation the links
// of the triangulation must hold (edge and triangle links agree both ways, each
// triangle's edges join its vertices, no triangle repeats a vertex); at the end every
// getter is read and both dumps run (standard output goes to /dev/null). A run that
// ends the process (the triangulator's internal-consistency stops) is reported by
// libFuzzer as a finding, and so is one that takes longer than the per-input limit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "../tests/hostile/structure_checks.h"
#include "delaunay/internal_delaunay.h"
#include "fuzz_support.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/bbox2d.h"

namespace {

constexpr unsigned kMaxOperations = 96;

// KELM_FUZZ_TRACE=1 lists every call on standard error, to turn a finding into a test.
bool tracing() {
    static const bool on = std::getenv("KELM_FUZZ_TRACE") != nullptr;
    return on;
}

void check(KelmDelaunay2D& d) {
    const std::string problem = kelm_hostile::triangulation_problem(d);
    if (!problem.empty()) {
        std::fprintf(stderr, "triangulation broken: %s\n", problem.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The dumps print on standard output; libFuzzer reports on standard error.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    // Batches walk ahead over their points from the first triangle on, not only
    // once the tables outgrow the caches, so that hostile input reaches it.
    kelm_internal::setLookAheadFrom(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kelm_fuzz::Bytes in(data, size);
    const uint8_t box_mode = in.u8();
    const uint8_t scale_mode = in.u8();

    // Decode the operations first, so that a box taken from the points can be built.
    struct Op {
        uint8_t code;
        double x, y;
        unsigned a, b;
    };
    std::vector<Op> ops;
    std::vector<std::pair<double, double>> points;
    while (!in.empty() && ops.size() < kMaxOperations) {
        Op op{in.u8(), 0, 0, 0, 0};
        switch (op.code % 8) {
            case 0:
            case 1:
            case 2:
                op.x = in.coordinate();
                op.y = in.coordinate();
                points.emplace_back(op.x, op.y);
                break;
            case 3:
            case 4:
                op.a = in.u8();
                op.b = in.u8();
                break;
            default:
                op.a = in.u8();
                break;
        }
        ops.push_back(op);
    }

    KelmBoundingBox2D box;
    if (box_mode % 4 == 0) {
        box.minpt().data()[0] = in.coordinate();
        box.minpt().data()[1] = in.coordinate();
        box.maxpt().data()[0] = in.coordinate();
        box.maxpt().data()[1] = in.coordinate();
    } else {
        for (const auto& p : points) box.update(p.first, p.second);
        if (box_mode % 4 == 2 && !box.is_empty()) {  // a box the points lie on
            box.minpt().data()[0] = points.empty() ? 0.0 : points[0].first;
        }
    }
    static const double kScales[] = {1.0, 2.0, 0.5, -1.0, 0.0, 1e-300, 1e300, 3.0};
    const double yscale = kScales[scale_mode % 8];

    kelm_fuzz::QuietContext quiet;
    KelmDelaunay2D d;
    const int init_ok = d.init(&box, yscale);
    if (tracing())
        std::fprintf(stderr, "init((%.17g, %.17g)-(%.17g, %.17g), %.17g) = %d\n", box.minx(),
                     box.miny(), box.maxx(), box.maxy(), yscale, init_ok);
    check(d);
    if (init_ok) KELM_FUZZ_CHECK(d.getPointCount() == 3 && d.getTriangleCount() == 1);
    KELM_FUZZ_CHECK(d.init(&box, yscale) == 0);  // a second init never succeeds

    std::vector<unsigned> handed_out;
    for (const Op& op : ops) {
        const unsigned np = d.getPointCount();
        switch (op.code % 8) {
            case 0:
            case 1: {
                const double pt[2] = {op.x, op.y};
                const unsigned v = d.insertPoint(pt);
                if (tracing())
                    std::fprintf(stderr, "insertPoint(%.17g, %.17g) = %d\n", pt[0], pt[1],
                                 static_cast<int>(v));
                KELM_FUZZ_CHECK(v == KELM_NONE || v < d.getPointCount());
                if (v != KELM_NONE) handed_out.push_back(v);
                break;
            }
            case 2: {
                // A batch: this point and the previous two handed out, as an array.
                KelmReal2DArray batch;
                batch.append(op.x, op.y);
                for (unsigned k = 0; k < 2 && k < handed_out.size(); ++k) {
                    const double* p = d.getPoint(handed_out[handed_out.size() - 1 - k]);
                    batch.append(p[0], yscale != 0 ? p[1] / yscale : p[1]);
                }
                const unsigned r = d.insertPoints(batch);
                if (tracing()) {
                    std::fprintf(stderr, "insertPoints(");
                    for (unsigned k = 0; k < batch.size(); ++k)
                        std::fprintf(stderr, " (%.17g, %.17g)", batch.get(k)[0], batch.get(k)[1]);
                    std::fprintf(stderr, ") = %d\n", static_cast<int>(r));
                }
                break;
            }
            case 3:
            case 4: {
                // Vertex numbers: mostly points handed out, sometimes anything up to
                // a little past the end.
                unsigned a = op.a, b = op.b;
                if (!handed_out.empty() && (op.code & 0x10) == 0) {
                    a = handed_out[a % handed_out.size()];
                    b = handed_out[b % handed_out.size()];
                } else {
                    a %= np + 2;
                    b %= np + 2;
                }
                const int r = d.insertEdge(a, b, op.code % 8 == 4);
                if (tracing())
                    std::fprintf(stderr, "insertEdge(%u, %u, %d) = %d\n", a, b, op.code % 8 == 4,
                                 r);
                if (r == 1 && a != b) KELM_FUZZ_CHECK(d.findEdge(a, b) != KELM_NONE);
                break;
            }
            case 5: {
                const int r = d.resolveInside();
                if (tracing()) std::fprintf(stderr, "resolveInside() = %d\n", r);
                if (init_ok) KELM_FUZZ_CHECK(r == 1);
                break;
            }
            case 6:
                if (init_ok && (op.code & 0x20) != 0) {
                    // On the enclosing triangle: a corner, or the middle of a side.
                    const unsigned k = op.a % 6;
                    const double* p = d.getPoint(k % 3);
                    const double* q = d.getPoint((k + 1) % 3);
                    double pt[2] = {p[0], p[1]};
                    if (k >= 3) {
                        pt[0] = 0.5 * (p[0] + q[0]);
                        pt[1] = 0.5 * (p[1] + q[1]);
                    }
                    if (yscale != 0) pt[1] /= yscale;
                    const unsigned v = d.insertPoint(pt);
                    if (tracing())
                        std::fprintf(stderr, "insertPoint(%.17g, %.17g) = %d\n", pt[0], pt[1],
                                     static_cast<int>(v));
                } else if (!handed_out.empty()) {
                    const double* p = d.getPoint(handed_out[op.a % handed_out.size()]);
                    const double pt[2] = {p[0], yscale != 0 ? p[1] / yscale : p[1]};
                    const unsigned v = d.insertPoint(pt);
                    if (tracing())
                        std::fprintf(stderr, "insertPoint(%.17g, %.17g) = %d\n", pt[0], pt[1],
                                     static_cast<int>(v));
                }
                break;
            default: {
                KelmDelaunay2D copy(d);
                KELM_FUZZ_CHECK(copy.getTriangleCount() == d.getTriangleCount());
                d = std::move(copy);
                break;
            }
        }
        check(d);
    }

    d.resolveInside();
    const unsigned nt = d.getTriangleCount();
    for (unsigned t = 0; t < nt + 2; ++t) {
        const int label = d.isInside(t);
        KELM_FUZZ_CHECK(label == 0 || label == 1 || label == static_cast<int>(KELM_NONE));
    }
    for (unsigned e = 0; e < d.getEdgeCount(); ++e)
        KELM_FUZZ_CHECK(d.findEdge(d.getEdgeVertex(e, 0), d.getEdgeVertex(e, 1)) <= e);
    d.dumpFacets();
    d.dumpMesh();
    return 0;
}
