#ifndef KELMMATH_TESTS_HOSTILE_STRUCTURE_CHECKS_H
#define KELMMATH_TESTS_HOSTILE_STRUCTURE_CHECKS_H

// Structure checks shared by the hostile-input tests and the fuzz targets (so they use
// no test framework): each returns an empty string when the structure holds, and a
// description of the first problem otherwise. They read the objects only through
// their public getters.

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../support/topology_reference.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/delaunay/delaunay2d.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"

namespace kelm_hostile {

// The links of a triangulation, whatever its points: every triangle has three
// distinct vertices and three distinct edges that are exactly its three sides and
// name it; every edge joins two distinct vertices, names one or two existing
// triangles that list it, and only the three enclosing edges lie on the hull; a split
// adds two triangles and three edges. Two edges may join the same pair: on nearly
// degenerate input the angle test, which has no tolerance, can flip a quadrilateral
// that is not convex.
inline std::string triangulation_problem(KelmDelaunay2D& d) {
    std::ostringstream why;
    const unsigned np = d.getPointCount();
    const unsigned nt = d.getTriangleCount();
    const unsigned ne = d.getEdgeCount();
    if (nt == 0 && ne == 0) return "";  // no state, or an init that failed
    if (nt % 2 != 1 || ne != 3 + 3 * (nt - 1) / 2) {
        why << "counts: " << nt << " triangles, " << ne << " edges";
        return why.str();
    }
    for (unsigned t = 0; t < nt; ++t) {
        unsigned v[3];
        d.getTriangle(&v[0], &v[1], &v[2], t);
        for (unsigned k = 0; k < 3; ++k) {
            if (v[k] >= np) {
                why << "triangle " << t << " vertex " << v[k] << " beyond " << np;
                return why.str();
            }
            if (d.getTriangleVertex(t, k) != v[k]) {
                why << "triangle " << t << ": getTriangle and getTriangleVertex differ";
                return why.str();
            }
        }
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) {
            why << "triangle " << t << " repeats a vertex (" << v[0] << " " << v[1] << " " << v[2]
                << ")";
            return why.str();
        }
        // Side k joins v[k] and v[k+1]; each of the three edges must be one side, and
        // together they must be all three.
        bool side_taken[3] = {false, false, false};
        unsigned e[3];
        for (unsigned k = 0; k < 3; ++k) {
            e[k] = d.getTriangleEdge(t, k);
            if (e[k] >= ne) {
                why << "triangle " << t << " edge " << e[k] << " beyond " << ne;
                return why.str();
            }
            const unsigned a = d.getEdgeVertex(e[k], 0), b = d.getEdgeVertex(e[k], 1);
            unsigned side = 3;
            for (unsigned m = 0; m < 3; ++m) {
                const unsigned x = v[m], y = v[(m + 1) % 3];
                if ((a == x && b == y) || (a == y && b == x)) side = m;
            }
            if (side == 3 || side_taken[side]) {
                why << "edge " << e[k] << " (" << a << " " << b << ") is not a side of triangle "
                    << t;
                return why.str();
            }
            side_taken[side] = true;
            if (d.getEdgeTriangle(e[k], 0) != t && d.getEdgeTriangle(e[k], 1) != t) {
                why << "edge " << e[k] << " does not name its triangle " << t;
                return why.str();
            }
        }
        if (e[0] == e[1] || e[1] == e[2] || e[0] == e[2]) {
            why << "triangle " << t << " lists an edge twice";
            return why.str();
        }
    }
    for (unsigned e = 0; e < ne; ++e) {
        const unsigned a = d.getEdgeVertex(e, 0), b = d.getEdgeVertex(e, 1);
        if (a >= np || b >= np || a == b) {
            why << "edge " << e << " joins " << a << " and " << b;
            return why.str();
        }
        const unsigned t0 = d.getEdgeTriangle(e, 0), t1 = d.getEdgeTriangle(e, 1);
        if (t0 >= nt || t0 == t1 || (t1 != KELM_NONE && t1 >= nt)) {
            why << "edge " << e << " names triangles " << t0 << " " << t1;
            return why.str();
        }
        if ((t1 == KELM_NONE) != (e < 3)) {
            why << "edge " << e << (e < 3 ? " left" : " on") << " the hull";
            return why.str();
        }
        for (unsigned t : {t0, t1}) {
            if (t == KELM_NONE) continue;
            if (d.getTriangleEdge(t, 0) != e && d.getTriangleEdge(t, 1) != e &&
                d.getTriangleEdge(t, 2) != e) {
                why << "edge " << e << " names triangle " << t << " which does not list it";
                return why.str();
            }
        }
    }
    return "";
}

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
