#ifndef KELMMATH_TESTS_SUPPORT_DELAUNAY_H
#define KELMMATH_TESTS_SUPPORT_DELAUNAY_H

// Helpers of the triangulator tests: boxes, golden files, seeded points, dumps
// and an invariant checker that reads the triangulation through its getters.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kelmmath/delaunay/delaunay2d.h"
#include "support/capture.h"

namespace kelm_test {

inline KelmBoundingBox2D makeBox(double x0, double y0, double x1, double y1) {
    KelmBoundingBox2D box;
    box.update(x0, y0);
    box.update(x1, y1);
    return box;
}

inline std::string dumpMeshText(KelmDelaunay2D& d) {
    StdoutCapture capture;
    d.dumpMesh();
    return capture.text();
}

// Compares text with tests/golden/<name>; KELMMATH_UPDATE_GOLDEN=1 rewrites it.
inline void expectGolden(const std::string& name, const std::string& text) {
    const std::string path = std::string(KELMMATH_SOURCE_DIR) + "/tests/golden/" + name;
    const char* update = std::getenv("KELMMATH_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    EXPECT_EQ(buffer.str(), text) << "golden file " << path;
}

// Points uniform in [x0, x1) x [y0, y1); the raw Mersenne Twister output is
// fixed by the standard, so the points are the same everywhere.
inline std::vector<std::pair<double, double>> randomPoints(unsigned seed, unsigned n, double x0,
                                                           double y0, double x1, double y1) {
    std::mt19937 gen(seed);
    std::vector<std::pair<double, double>> pts;
    for (unsigned i = 0; i < n; ++i) {
        const double u = gen() / 4294967296.0, v = gen() / 4294967296.0;
        pts.emplace_back(x0 + (x1 - x0) * u, y0 + (y1 - y0) * v);
    }
    return pts;
}

inline double signedArea2(const double* a, const double* b, const double* c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
}

// Every triangle has the enclosing triangle's sense and lies on each of its
// three edges, which are its sides; every edge names exactly the triangles that
// list it; no edge repeats; only the three enclosing edges are on the hull.
inline ::testing::AssertionResult isConsistent(KelmDelaunay2D& d) {
    const unsigned nt = d.getTriangleCount(), ne = d.getEdgeCount();
    const double sense = signedArea2(d.getPoint(0), d.getPoint(1), d.getPoint(2));
    std::vector<unsigned> uses(ne, 0);
    for (unsigned t = 0; t < nt; ++t) {
        unsigned v[3];
        d.getTriangle(&v[0], &v[1], &v[2], t);
        if (!(signedArea2(d.getPoint(v[0]), d.getPoint(v[1]), d.getPoint(v[2])) * sense > 0))
            return ::testing::AssertionFailure() << "triangle " << t << " has the wrong sense";
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned e = d.getTriangleEdge(t, k);
            const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
            ++uses[e];
            int found = 0;
            for (unsigned m = 0; m < 3; ++m) found += (v[m] == a) + (v[m] == b);
            if (found != 2 || (d.getEdgeTriangle(e, 0) != t && d.getEdgeTriangle(e, 1) != t))
                return ::testing::AssertionFailure() << "triangle " << t << " edge " << e;
        }
    }
    std::set<std::pair<unsigned, unsigned>> seen;
    for (unsigned e = 0; e < ne; ++e) {
        const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
        const bool hull = d.getEdgeTriangle(e, 1) == KELM_NONE;
        if (!seen.insert(std::minmax(a, b)).second || uses[e] != (hull ? 1u : 2u) ||
            hull != (e < 3))
            return ::testing::AssertionFailure() << "edge " << e;
    }
    return ::testing::AssertionSuccess();
}

// Every interior edge not in skip has opposite angles adding up to at most 180
// degrees, measured with atan2.
inline ::testing::AssertionResult passesAngleTest(KelmDelaunay2D& d,
                                                  const std::set<unsigned>& skip = {}) {
    auto angle = [&d](unsigned p, unsigned a, unsigned b) {
        const double *P = d.getPoint(p), *A = d.getPoint(a), *B = d.getPoint(b);
        const double ux = A[0] - P[0], uy = A[1] - P[1], vx = B[0] - P[0], vy = B[1] - P[1];
        return std::fabs(std::atan2(ux * vy - uy * vx, ux * vx + uy * vy));
    };
    for (unsigned e = 3; e < d.getEdgeCount(); ++e) {
        if (skip.count(e)) continue;
        const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
        double sum = 0;
        for (unsigned s = 0; s < 2; ++s) {
            const unsigned t = d.getEdgeTriangle(e, s);
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned v = d.getTriangleVertex(t, k);
                if (v != a && v != b) sum += angle(v, a, b);
            }
        }
        if (sum > std::acos(-1.0) + 1e-9)
            return ::testing::AssertionFailure() << "edge " << e << " angle sum " << sum;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_DELAUNAY_H
