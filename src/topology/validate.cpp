#include <cmath>
#include <cstdio>
#include <vector>

#include "kelmmath/core/errors.h"
#include "kelmmath/geom/vector.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/topology.h"
#include "topology/internal_topology.h"

using kelm_internal::TopologyAccess;
using kelm_internal::TopologyTables;

namespace {

// Below this the side's distance from the third corner tells no direction.
constexpr double kSenseTolerance = 1e-10;
// dot + 1 below this: two unit normals point exactly opposite ways.
constexpr double kAntiParallel = 1e-7;

// Runs one check per edge of the topology: check(e) returns false when the edge
// fails. Deleted edges are skipped; with stop nonzero the first failure ends it.
template <class Check>
int over_edges(const TopologyTables& t, int stop, Check check) {
    int result = 1;
    const unsigned n = t.edge_count();
    for (unsigned e = 0; e < n; ++e) {
        if (t.edge_deleted(e) || check(e)) continue;
        result = 0;
        if (stop) return 0;
    }
    return result;
}

// Both facets of e present, or the report that they are not.
bool has_two_facets(const TopologyTables& t, unsigned e) {
    const unsigned a = t.edge_facet(e, 0);
    const unsigned b = t.edge_facet(e, 1);
    if (a != KELM_NONE && b != KELM_NONE) return true;
    kelm_ec()->error("Edge %u does not have 2 facets: %u %u", e, a, b);
    return false;
}

bool sense_ok(const TopologyTables& t, unsigned e) {
    if (!has_two_facets(t, e)) return false;
    const unsigned lo = t.edge_vert(e, 0), hi = t.edge_vert(e, 1);
    const int sa = kelm_internal::get_face_sense(t.facet_set, t.edge_facet(e, 0), lo, hi);
    const int sb = kelm_internal::get_face_sense(t.facet_set, t.edge_facet(e, 1), lo, hi);
    if (sa < 0 || sb < 0) {
        std::printf("Bad sense: e=%u\n", e);
        return false;
    }
    if (sa == sb) {
        kelm_ec()->error("facets on edge %u do not have the same sense", e);
        return false;
    }
    return true;
}

bool geometric_sense_ok(const TopologyTables& t, unsigned e) {
    if (!has_two_facets(t, e)) return false;
    const unsigned lo = t.edge_vert(e, 0), hi = t.edge_vert(e, 1);
    const int sa = kelm_internal::get_face_geometric_sense(t.facet_set, t.edge_facet(e, 0), lo, hi);
    const int sb = kelm_internal::get_face_geometric_sense(t.facet_set, t.edge_facet(e, 1), lo, hi);
    // A sense that cannot be told (degenerate facet) is accepted.
    if (sa != 0 && sb != 0 && sa == sb) {
        kelm_ec()->error("facets on edge %u do not have the same sense", e);
        return false;
    }
    return true;
}

// The four containment tests of validateEdgeUsage for one interior edge.
bool edge_usage_ok(const TopologyTables& t, unsigned e) {
    const unsigned verts[2] = {t.edge_vert(e, 0), t.edge_vert(e, 1)};
    const unsigned facets[2] = {t.edge_facet(e, 0), t.edge_facet(e, 1)};
    bool ok = true;
    for (unsigned facet_number : facets) {
        const KelmMeshFacet* facet = kelm_internal::facet_of(t.facet_set, facet_number);
        for (unsigned v : verts) {
            if (!facet) {
                ok = false;  // a facet the set no longer has fails silently
            } else if (!kelm_internal::facet_has_corner(facet, v)) {
                kelm_ec()->error("Facet %u does not contain vertex %u (from edge %u)", facet_number,
                                 v, e);
                ok = false;
            }
        }
    }
    return ok;
}

}  // namespace

namespace kelm_internal {

int get_face_sense(const KelmMeshFacetSet* fs, unsigned f, unsigned a, unsigned b) {
    const KelmMeshFacet* facet = facet_of(fs, f);
    if (!facet) {
        std::printf("get_face_sense: could not get facet: %u\n", f);
        std::printf("sz=%u\n", fs ? fs->getFacetCount() : 0u);
        return -1;
    }
    const unsigned* c = facet->vertex;
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned from = c[k], to = c[(k + 1) % 3];
        if (a == from && b == to) return 1;
    }
    for (unsigned k = 0; k < 3; ++k) {
        const unsigned from = c[k], to = c[(k + 1) % 3];
        if (b == from && a == to) return 0;
    }
    kelm_ec()->error("get_face_sense: failed to compute sense to face");
    return -1;
}

int get_face_geometric_sense(const KelmMeshFacetSet* fs, unsigned f, unsigned a, unsigned b) {
    if (a == KELM_NONE || b == KELM_NONE) return 0;
    const KelmMeshFacet* facet = facet_of(fs, f);
    if (!facet) return 0;
    unsigned third = KELM_NONE;
    for (unsigned k = 0; k < 3 && third == KELM_NONE; ++k)
        if (facet->vertex[k] != a && facet->vertex[k] != b) third = facet->vertex[k];
    if (third == KELM_NONE) {
        kelm_ec()->error("validateFaceSensesOnEdge: could not find edge");
        return 0;
    }
    const unsigned nv = fs->getVertexCount();
    if (a >= nv || b >= nv || third >= nv) return 0;

    double pa[3], pb[3], pt[3], d[3], n[3], c[3], w[3];
    fs->getVertex(pa, a);
    fs->getVertex(pb, b);
    fs->getVertex(pt, third);
    kelm_vec_diff(d, pb, pa);
    fs->getFacetNormal(n, facet);
    // c points across the side a->b, away from the facet when the side runs
    // forward: the third corner then lies behind it.
    kelm_vec_cross(c, d, n);
    kelm_vec_normalize(c);
    kelm_vec_diff(w, pa, pt);
    double s = kelm_vec_dot(w, c);
    if (std::fabs(s) < kSenseTolerance) {
        // A tiny facet: measure with a unit vector instead of the raw offset.
        kelm_vec_diff(w, pb, pt);
        kelm_vec_normalize(w);
        s = kelm_vec_dot(w, c);
        if (std::fabs(s) <= kSenseTolerance) return 0;
    }
    return s > 0 ? 1 : -1;
}

}  // namespace kelm_internal

int KelmMeshTopology::validate() const {
    return validateEdgeUsage(1) && validateFaceSenses(1) && validateEdgesUnique(1) &&
           validateFaceGeometricSenses(1) && validateFaceOverlaps(1);
}

int KelmMeshTopology::validate(int stop) const {
    int result = validateNoGeometry(stop);
    if (!result && stop) return 0;
    if (!validateFaceOverlaps(stop)) result = 0;
    return result;
}

int KelmMeshTopology::validateNoGeometry() const {
    return validateNoGeometry(1);
}

int KelmMeshTopology::validateNoGeometry(int stop) const {
    if (stop) {
        return validateEdgeUsage(stop) && validateFaceSenses(stop) && validateEdgesUnique(stop) &&
               validateFaceGeometricSenses(stop);
    }
    int result = validateEdgeUsage(stop);
    if (!validateFaceSenses(stop)) result = 0;
    if (!validateEdgesUnique(stop)) result = 0;
    if (!validateFaceGeometricSenses(stop)) result = 0;
    return result;
}

int KelmMeshTopology::validateEdgeUsage() const {
    return validateEdgeUsage(1);
}

int KelmMeshTopology::validateEdgeUsage(int stop) const {
    const TopologyTables& t = *tables_;
    // A build that reported a failure fails here even when every edge looks right.
    int result = t.build_ok;
    const unsigned n = t.edge_count();
    for (unsigned e = 0; e < n; ++e) {
        const unsigned a = t.edge_facet(e, 0), b = t.edge_facet(e, 1);
        if (a == KELM_NONE || b == KELM_NONE) continue;  // border and deleted edges
        if (a == b) {
            kelm_ec()->error("duplicate facet edge: e=%u", e);
            result = 0;
            continue;
        }
        if (!edge_usage_ok(t, e)) result = 0;
        if (stop && !result) return 0;
    }
    return result;
}

int KelmMeshTopology::validateEdgesUnique() const {
    return validateEdgesUnique(1);
}

int KelmMeshTopology::validateEdgesUnique(int stop) const {
    const TopologyTables& t = *tables_;
    int result = 1;
    const unsigned n = t.edge_count();
    for (unsigned e = 0; e < n; ++e) {
        if (t.edge_deleted(e)) continue;
        const unsigned lo = t.edge_vert(e, 0), hi = t.edge_vert(e, 1);
        KelmMeshTopologyVertexCursor cursor;
        if (!cursor.traverse(this, lo)) {
            kelm_ec()->error(
                "validateEdgeUnique: cannot get iterate over edge verts: e=%u v0=%u v1=%u", e, lo,
                hi);
            result = 0;
            if (stop) return 0;
            continue;
        }
        unsigned f, e2;
        while (cursor.getNext(&f, &e2)) {
            if (e2 < e && t.edge_vert(e2, 0) == lo && t.edge_vert(e2, 1) == hi) {
                kelm_ec()->error("validateEdgeUnique: edges %u and %u have same verts", e2, e);
                result = 0;
                if (stop) return 0;
            }
        }
        if (cursor.hasError()) {
            std::printf("getNext detected endless loop -- should not happen\n");
            return 0;
        }
    }
    return result;
}

int KelmMeshTopology::validateFaceSenses() const {
    return validateFaceSenses(1);
}

int KelmMeshTopology::validateFaceSenses(int stop) const {
    const TopologyTables& t = *tables_;
    return over_edges(t, stop, [&t](unsigned e) { return sense_ok(t, e); });
}

int KelmMeshTopology::validateFaceSensesOnEdge(unsigned e) const {
    const TopologyTables& t = *tables_;
    if (e >= t.edge_count() || t.edge_deleted(e)) return 1;
    return sense_ok(t, e) ? 1 : 0;
}

int KelmMeshTopology::validateFaceGeometricSenses() const {
    return validateFaceGeometricSenses(1);
}

int KelmMeshTopology::validateFaceGeometricSenses(int stop) const {
    const TopologyTables& t = *tables_;
    return over_edges(t, stop, [&t](unsigned e) { return geometric_sense_ok(t, e); });
}

int KelmMeshTopology::validateFaceGeometricSensesOnEdge(unsigned e) const {
    const TopologyTables& t = *tables_;
    if (e >= t.edge_count() || t.edge_deleted(e)) return 1;
    return geometric_sense_ok(t, e) ? 1 : 0;
}

int KelmMeshTopology::validateFaceOverlaps() const {
    return validateFaceOverlaps(1);
}

int KelmMeshTopology::validateFaceOverlaps(int stop) const {
    const TopologyTables& t = *tables_;
    if (!t.facet_set) return 0;
    int result = 1;
    const unsigned nv = t.facet_set->getVertexCount();
    for (unsigned v = 0; v < nv; ++v) {
        if (t.first_facet(v) == KELM_NONE) continue;
        if (validateFaceOverlapForVertex(v, 1)) continue;
        result = 0;
        if (stop) return 0;
    }
    return result;
}

int KelmMeshTopology::validateFaceOverlapForVertex(unsigned v) const {
    return validateFaceOverlapForVertex(v, 1);
}

int KelmMeshTopology::validateFaceOverlapForVertex(unsigned v, int stop) const {
    kelm_uint_vector around;
    findVertexFacets(&around, v);
    const KelmMeshFacetSet* fs = tables_->facet_set;
    if (!fs) return 0;

    const unsigned n = around.size();
    std::vector<double> normals(3 * static_cast<std::size_t>(n));
    for (unsigned i = 0; i < n; ++i)
        kelm_internal::facet_unit_normal(&normals[3 * i], fs, around[i]);

    // Every pair is compared, not only neighbours in the walk: a facet folded onto
    // another need not be next to it.
    int result = 1;
    for (unsigned i = 0; i + 1 < n; ++i) {
        for (unsigned j = i + 1; j < n; ++j) {
            const double g = kelm_vec_dot(&normals[3 * i], &normals[3 * j]) + 1.0;
            if (g < kAntiParallel) {
                kelm_ec()->error("Facets (%u %u) around vertex %u are anti-parallel (dot+1=%g)",
                                 around[i], around[j], v, g);
                result = 0;
                if (stop) return 0;
            }
        }
    }
    return result;
}
