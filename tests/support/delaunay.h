#ifndef KELMMATH_TESTS_SUPPORT_DELAUNAY_H
#define KELMMATH_TESTS_SUPPORT_DELAUNAY_H

// Helpers of the triangulator tests: unit-box states, seeded points, dumps, the angle
// test and the search index check, beside support/delaunay_cases.h.

#include <gtest/gtest.h>

#include "delaunay/internal_delaunay.h"
#include "support/capture.h"
#include "support/delaunay_cases.h"
#include "support/golden.h"

namespace kelm_test {

// What dumpMesh prints, or with facets what dumpFacets prints.
inline std::string dumpMeshText(KelmDelaunay2D& d, bool facets = false) {
    StdoutCapture capture;
    facets ? d.dumpFacets() : d.dumpMesh();
    return capture.text();
}

// A triangulator and a bare state on the box (0, 0)-(1, 1), whose enclosing
// triangle has the corners (-1, -1), (4, -1) and (-1, 4).
inline KelmDelaunay2D unitTriangulator() {
    KelmBoundingBox2D box = makeBox(0, 0, 1, 1);
    KelmDelaunay2D d;
    d.init(&box, 1.0);
    return d;
}

inline kelm_internal::DelaunayState unitState(
    kelm_internal::SearchMode mode = kelm_internal::defaultSearchMode(), double yscale = 1.0) {
    const double box[4] = {0, 0, 1, 1};
    kelm_internal::DelaunayState s(mode);
    s.init(box, yscale);
    return s;
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

// The strict link check holds, and every interior edge not in skip has opposite angles
// adding up to at most 180 degrees, measured with atan2.
inline ::testing::AssertionResult passesAngleTest(KelmDelaunay2D& d,
                                                  const std::set<unsigned>& skip = {}) {
    const std::string problem = triangulation_problem(d, true);
    if (!problem.empty()) return ::testing::AssertionFailure() << problem;
    auto angle = [&d](unsigned p, unsigned a, unsigned b) {
        const double *P = d.getPoint(p), *A = d.getPoint(a), *B = d.getPoint(b);
        const double ux = A[0] - P[0], uy = A[1] - P[1], vx = B[0] - P[0], vy = B[1] - P[1];
        return std::fabs(std::atan2(ux * vy - uy * vx, ux * vx + uy * vy));
    };
    for (unsigned e = 3; e < d.getEdgeCount(); ++e) {
        if (skip.count(e)) continue;
        const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
        double sum = 0;
        for (unsigned s = 0; s < 2; ++s)
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned v = d.getTriangleVertex(d.getEdgeTriangle(e, s), k);
                if (v != a && v != b) sum += angle(v, a, b);
            }
        if (sum > std::acos(-1.0) + 1e-9)
            return ::testing::AssertionFailure() << "edge " << e << " angle sum " << sum;
    }
    return ::testing::AssertionSuccess();
}

// Both dumps of a state, as printed.
inline std::string dumpStateText(const kelm_internal::DelaunayState& s) {
    StdoutCapture capture;
    s.dumpMesh();
    s.dumpFacets();
    return capture.text();
}

// Empty when the search index of s agrees with its tables, else what disagrees: sizes,
// grid, vertex links and turns, bounds, each triangle's Kind byte and the odd list.
inline std::string checkIndex(const kelm_internal::DelaunayState& s) {
    using kelm_internal::DelaunayState;
    using kelm_internal::SearchIndex;
    const SearchIndex& x = s.searchIndex();
    std::ostringstream out;
    auto said = [&out](const std::ostream&) { return out.str(); };
    if (!x.active) return "";
    const unsigned np = s.pointCount(), nt = s.triangleCount(), ne = s.edgeCount();
    if (x.vertex_tri.size() != np || x.cell_next.size() != np || x.visit_mark.size() > nt)
        return "index sizes differ from the tables";

    std::vector<char> in_edges(np, 0);
    for (unsigned e = 0; e < ne; ++e) in_edges[s.edgeVerts(e)[0]] = in_edges[s.edgeVerts(e)[1]] = 1;
    std::vector<std::vector<unsigned>> around(np);
    for (unsigned t = 0; t < nt; ++t)
        for (unsigned k = 0; k < 3; ++k) around[s.triVerts(t)[k]].push_back(t);

    std::vector<char> linked(np, 0);
    unsigned linked_count = 0;
    for (std::size_t cell = 0; cell < x.cell_head.size(); ++cell)
        for (unsigned v = x.cell_head[cell]; v != KELM_NONE; v = x.cell_next[v]) {
            if (v >= np || linked[v]) return "grid lists a vertex twice or out of range";
            if (x.cellOf(s.point(v)[0], s.point(v)[1]) != cell)
                return said(out << "vertex " << v << " in cell " << cell);
            linked[v] = 1;
            ++linked_count;
        }
    if (linked_count != x.linked) return "grid count is off";

    for (unsigned v = 0; v < np; ++v) {
        const bool in = x.vertex_tri[v] != KELM_NONE;
        if (in != (in_edges[v] != 0))
            return said(out << "vertex " << v << " triangulated " << in << " but in edges "
                            << int(in_edges[v]));
        if (in != (linked[v] != 0)) return said(out << "vertex " << v << " grid link");
        if (!in) continue;
        const double* p = s.point(v);
        if (p[0] < x.lo[0] || p[0] > x.hi[0] || p[1] < x.lo[1] || p[1] > x.hi[1])
            return said(out << "vertex " << v << " outside the bounds");
        std::vector<unsigned> turned;
        if (!s.forEachTriangleAround(v, [&](unsigned t) { turned.push_back(t); }))
            return said(out << "turning around vertex " << v << " fails");
        std::sort(turned.begin(), turned.end());
        if (turned != around[v])
            return said(out << "turning around vertex " << v << " misses triangles");
    }

    unsigned odd = 0;
    std::vector<char> listed(nt, 0);
    for (unsigned t : x.odd_tris) {
        if (t >= nt || listed[t]) return "odd list repeats a triangle";
        listed[t] = 1;
    }
    DelaunayState copy(s);
    for (unsigned t = 0; t < nt; ++t) {
        copy.classifyTriangle(t);
        const unsigned kind = s.triKind(t) & SearchIndex::kKindMask;
        if ((copy.triKind(t) | SearchIndex::kListed) != (s.triKind(t) | SearchIndex::kListed))
            return said(out << "triangle " << t << " kind " << kind << " is stale");
        // Each side's slot holds the edge joining its ends; a triangle without a slot
        // code has a side no other slot's edge joins, or repeats a vertex.
        const unsigned* tv = s.triVerts(t);
        const unsigned code = SearchIndex::slotCode(s.triKind(t));
        unsigned slots_found = 0;
        bool sides_found = tv[0] != tv[1] && tv[1] != tv[2] && tv[2] != tv[0];
        for (unsigned i = 0; i < 3; ++i) {
            const unsigned found = s.triangleEdgeSlot(t, tv[i], tv[(i + 1) % 3]);
            sides_found = sides_found && found < 3 && !(slots_found & (1u << found));
            if (found < 3) slots_found |= 1u << found;
            if (code != SearchIndex::kNoSlotCode && SearchIndex::slotOfSide(code, i) != found)
                return said(out << "triangle " << t << " slot of side " << i);
        }
        if (code == SearchIndex::kNoSlotCode && sides_found)
            return said(out << "triangle " << t << " has no slot code");
        if (((s.triKind(t) & SearchIndex::kListed) != 0) != (listed[t] != 0))
            return said(out << "triangle " << t << " listed flag");
        if (kind != SearchIndex::kRegular) {
            ++odd;
            if (!listed[t]) return said(out << "odd triangle " << t << " not listed");
        }
    }
    if (odd != x.odd_live) return "odd count is off";
    return "";
}
}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_DELAUNAY_H
