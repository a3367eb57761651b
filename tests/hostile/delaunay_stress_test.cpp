// Ten thousand small degenerate triangulations from fixed seeds: up to 64 points
// drawn from grids (cocircular squares), rows (collinear runs), repeats, the box and
// the enclosing triangle, magnitudes near 1e-300 and 1e300, NaN and the null real,
// then up to 8 constraints, some through vertices and some crossing. The links of
// the triangulation are checked after every call; the Delaunay angle test is not,
// since on cocircular points both diagonals of a square may answer "flip".

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "hostile/hostile_support.h"
#include "hostile/structure_checks.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/geom/bbox2d.h"

namespace {

// Draws the points of one case. The 32-bit Mersenne Twister's output is fixed by the
// standard, so every platform draws the same cases.
class Drawer {
public:
    explicit Drawer(uint32_t seed) : gen_(seed) {}

    uint32_t below(uint32_t n) { return gen_() % n; }

    // One coordinate pair of the given class, inside or on a box of side `side`.
    std::pair<double, double> point(unsigned kind, double side,
                                    const std::vector<std::pair<double, double>>& earlier) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        switch (kind) {
            case 0:  // a grid: squares with four cocircular corners
                return {side * below(5) / 4, side * below(5) / 4};
            case 1: {  // rows: a horizontal, a vertical or a diagonal run
                const double t = side * below(9) / 8;
                switch (below(3)) {
                    case 0:
                        return {t, side / 2};
                    case 1:
                        return {side / 4, t};
                    default:
                        return {t, t};
                }
            }
            case 2:  // a repeat
                if (!earlier.empty()) return earlier[below(static_cast<uint32_t>(earlier.size()))];
                return {0, 0};
            case 3: {  // on the box, or on the enclosing triangle's sides and corners
                const double s = side;
                const double on[][2] = {
                    {0, 0},      {s, s},      {0, s},        {s, 0},        {-s, -s},
                    {4 * s, -s}, {-s, 4 * s}, {1.5 * s, -s}, {-s, 1.5 * s}, {1.5 * s, 1.5 * s}};
                const auto& p = on[below(10)];
                return {p[0], p[1]};
            }
            case 4: {  // a cluster 1e-300 apart
                return {side / 2 + 1e-300 * below(4), side / 2 + 1e-300 * below(4)};
            }
            case 5:  // far outside, or huge
                return {below(2) ? 1e300 : -1e300, side / 2};
            case 6: {  // the null real and NaN
                const double odd[] = {nan, DBL_MIN, -nan, std::numeric_limits<double>::infinity()};
                return below(2) ? std::make_pair(odd[below(4)], side / 3)
                                : std::make_pair(side / 3, odd[below(4)]);
            }
            default:  // anywhere in the box
                return {side * (gen_() / 4294967296.0), side * (gen_() / 4294967296.0)};
        }
    }

private:
    std::mt19937 gen_;
};

TEST(HostileDelaunayStress, TenThousandDegenerateTriangulations) {
    kelm_hostile::QuietContext quiet;
    kelm_hostile::QuietStdout quiet_stdout;
    kelm_hostile::Watchdog watchdog(30);
    unsigned failures = 0;
    for (uint32_t seed = 0; seed < 10000 && failures < 5; ++seed) {
        watchdog.start("delaunay seed " + std::to_string(seed));
        Drawer draw(seed);
        // The box: mostly ordinary sides, sometimes tiny or huge ones.
        const double sides[] = {1.0, 1.0, 4.0, 1e-300, 1e300, 1e-6};
        const double side = sides[draw.below(6)];
        const unsigned classes = 1 + draw.below(255);  // which point classes this case uses
        const unsigned n = 1 + draw.below(64);
        std::vector<std::pair<double, double>> pts;
        for (unsigned i = 0; i < n; ++i) {
            unsigned kind = draw.below(8);
            if (((classes >> kind) & 1u) == 0) kind = 0;
            pts.push_back(draw.point(kind, side, pts));
        }
        KelmBoundingBox2D box;
        box.update(0.0, 0.0);
        box.update(side, side);
        KelmDelaunay2D d;
        const double yscale = draw.below(8) == 0 ? 2.0 : 1.0;
        d.init(&box, yscale);

        std::string problem;
        std::vector<unsigned> verts;
        std::string last_call = "init";
        for (const auto& p : pts) {
            const double xy[2] = {p.first, p.second};
            const unsigned v = d.insertPoint(xy);
            if (v != KELM_NONE) verts.push_back(v);
            last_call =
                "insertPoint(" + std::to_string(p.first) + ", " + std::to_string(p.second) + ")";
            problem = kelm_hostile::triangulation_problem(d);
            if (!problem.empty()) break;
        }
        const unsigned constraints = problem.empty() ? draw.below(9) : 0;
        for (unsigned k = 0; k < constraints && !verts.empty(); ++k) {
            // Mostly inserted points; now and then a corner or a number past the end.
            unsigned a = verts[draw.below(static_cast<uint32_t>(verts.size()))];
            unsigned b = verts[draw.below(static_cast<uint32_t>(verts.size()))];
            if (draw.below(10) == 0) a = draw.below(3);
            if (draw.below(20) == 0) b = d.getPointCount() + draw.below(3);
            const int border = static_cast<int>(draw.below(2));
            const int r = d.insertEdge(a, b, border);
            last_call = "insertEdge(" + std::to_string(a) + ", " + std::to_string(b) + ")";
            if (r == 1 && a != b && d.findEdge(a, b) == KELM_NONE)
                problem = "insertEdge answered 1 but no edge joins the two";
            if (problem.empty()) problem = kelm_hostile::triangulation_problem(d);
            if (!problem.empty()) break;
        }
        if (problem.empty()) {
            d.resolveInside();
            for (unsigned t = 0; t < d.getTriangleCount() && problem.empty(); ++t) {
                const int label = d.isInside(t);
                if (label != 0 && label != 1 && label != static_cast<int>(KELM_NONE))
                    problem = "label " + std::to_string(label);
            }
            d.dumpMesh();
            d.dumpFacets();
        }
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << " after " << last_call << ": " << problem;
        }
    }
    EXPECT_EQ(failures, 0u);
}

}  // namespace
