#include "kelmmath/topology/check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "kelmmath/mesh/facetset.h"
#include "mesh/internal_memory.h"
#include "topology/internal_check.h"

namespace kelm_internal {

namespace {

// Sorts a short run in place; the sides around one vertex are usually a handful.
void sort_run(std::uint64_t* first, std::uint64_t* last) {
    if (last - first > 32) {
        std::sort(first, last);
        return;
    }
    for (std::uint64_t* i = first + 1; i < last; ++i) {
        const std::uint64_t key = *i;
        std::uint64_t* j = i;
        for (; j > first && *(j - 1) > key; --j) *j = *(j - 1);
        *j = key;
    }
}

double distance(const double* a, const double* b) {
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

void build_mesh_edges(MeshEdges* me, const KelmMeshFacetSet* fs, bool side_edges) {
    me->nv = fs->getVertexCount();
    me->nf = fs->getFacetCount();
    const unsigned nv = me->nv, nf = me->nf;
    reserve_large(me->corners, 3 * static_cast<std::size_t>(nf));
    me->corners.assign(3 * static_cast<std::size_t>(nf), KELM_NONE);
    me->state.assign(nf, kFacetNull);
    me->side_edge.clear();
    if (side_edges) {
        reserve_large(me->side_edge, 3 * static_cast<std::size_t>(nf));
        me->side_edge.assign(3 * static_cast<std::size_t>(nf), KELM_NONE);
    }
    // at[v + 1]: the number of sides whose lower vertex is v, then where they go.
    std::vector<unsigned> at(static_cast<std::size_t>(nv) + 1, 0);
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        const unsigned* v = facet->vertex;
        if (v[0] >= nv || v[1] >= nv || v[2] >= nv) {
            me->state[f] = kFacetInvalid;
        } else if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) {
            me->state[f] = kFacetRepeated;
        } else {
            me->state[f] = kFacetUsed;
            for (unsigned k = 0; k < 3; ++k) {
                me->corners[3 * f + k] = v[k];
                ++at[std::min(v[k], v[(k + 1) % 3]) + 1];
            }
        }
    }
    for (unsigned v = 0; v < nv; ++v) at[v + 1] += at[v];
    // Sides bucketed by their lower vertex, in increasing order; sorting a bucket by
    // the higher vertex then groups the sides of one edge, still in increasing order.
    reserve_large(me->edge_sides, at[nv]);
    me->edge_sides.resize(at[nv]);
    for (unsigned f = 0; f < nf; ++f) {
        if (me->state[f] != kFacetUsed) continue;
        const unsigned* v = &me->corners[3 * std::size_t(f)];
        me->edge_sides[at[std::min(v[0], v[1])]++] = 3 * f;
        me->edge_sides[at[std::min(v[1], v[2])]++] = 3 * f + 1;
        me->edge_sides[at[std::min(v[2], v[0])]++] = 3 * f + 2;
    }
    // at[v] now ends the bucket of v.
    reserve_large(me->edge_start, me->edge_sides.size() + 1);
    std::vector<std::uint64_t> run;  // (higher vertex, side) of one bucket
    unsigned begin = 0;
    for (unsigned v = 0; v < nv; begin = at[v++]) {
        const unsigned end = at[v];
        run.clear();
        for (unsigned i = begin; i < end; ++i) {
            const unsigned s = me->edge_sides[i];
            run.push_back((static_cast<std::uint64_t>(std::max(me->from(s), me->to(s))) << 32) | s);
        }
        sort_run(run.data(), run.data() + run.size());
        unsigned last_hi = KELM_NONE;
        for (unsigned i = begin; i < end; ++i) {
            const unsigned hi = static_cast<unsigned>(run[i - begin] >> 32);
            const unsigned s = static_cast<unsigned>(run[i - begin]);
            if (hi != last_hi) {
                me->edge_start.push_back(i);
                last_hi = hi;
            }
            me->edge_sides[i] = s;
            if (side_edges) me->side_edge[s] = static_cast<unsigned>(me->edge_start.size() - 1);
        }
    }
    me->edge_start.push_back(static_cast<unsigned>(me->edge_sides.size()));
}

void find_parts(std::vector<unsigned>* part, const MeshEdges& me) {
    std::vector<unsigned>& parent = *part;
    reserve_large(parent, me.nf);
    parent.resize(me.nf);
    for (unsigned f = 0; f < me.nf; ++f) parent[f] = me.state[f] == kFacetUsed ? f : KELM_NONE;
    for (unsigned e = 0; e < me.edges(); ++e) {
        const unsigned first = me.edge_sides[me.edge_start[e]] / 3;
        for (unsigned i = me.edge_start[e] + 1; i < me.edge_start[e + 1]; ++i) {
            // The lower root wins, so that each part ends up named by its lowest facet.
            const unsigned a = find_root(parent, first);
            const unsigned b = find_root(parent, me.edge_sides[i] / 3);
            if (a < b) parent[b] = a;
            else if (b < a) parent[a] = b;
        }
    }
    for (unsigned f = 0; f < me.nf; ++f)
        if (parent[f] != KELM_NONE) parent[f] = find_root(parent, f);
}

void find_holes(std::vector<KelmMeshCheckHole>* holes, const MeshEdges& me, const double* xyz) {
    holes->clear();
    // Border edges around each vertex.
    std::vector<unsigned> start(static_cast<std::size_t>(me.nv) + 1, 0);
    for (unsigned e = 0; e < me.edges(); ++e) {
        if (me.uses(e) != 1) continue;
        ++start[me.lo(e) + 1];
        ++start[me.hi(e) + 1];
    }
    for (unsigned v = 0; v < me.nv; ++v) start[v + 1] += start[v];
    if (start[me.nv] == 0) return;
    std::vector<unsigned> around(start[me.nv]);
    std::vector<unsigned> fill(start.begin(), start.end() - 1);
    for (unsigned e = 0; e < me.edges(); ++e) {
        if (me.uses(e) != 1) continue;
        around[fill[me.lo(e)]++] = e;
        around[fill[me.hi(e)]++] = e;
    }
    std::vector<unsigned char> walked(me.edges(), 0);
    // The next unwalked border edge at v, preferring one whose facet runs it into v
    // (against a walk leaving v), so that loops touching at a vertex stay apart.
    auto next_edge = [&](unsigned v) {
        unsigned any = KELM_NONE;
        for (unsigned i = start[v]; i < start[v + 1]; ++i) {
            const unsigned e = around[i];
            if (walked[e]) continue;
            if (me.to(me.edge_sides[me.edge_start[e]]) == v) return e;
            if (any == KELM_NONE) any = e;
        }
        return any;
    };
    // Walks from v onwards, appending the vertices reached; returns the last vertex.
    auto walk = [&](KelmMeshCheckHole& h, std::vector<unsigned>& out, unsigned v, unsigned stop,
                    bool forward) {
        while (v != stop) {
            const unsigned e = next_edge(v);
            if (e == KELM_NONE) return v;
            walked[e] = 1;
            const unsigned s = me.edge_sides[me.edge_start[e]];
            const unsigned w = me.from(s) == v ? me.to(s) : me.from(s);
            // Walking forward the facet should run w -> v, backward v -> w.
            if ((me.from(s) == w) != forward) h.directed = false;
            h.length += distance(xyz + 3 * std::size_t(v), xyz + 3 * std::size_t(w));
            ++h.edges;
            v = w;
            if (v != stop) out.push_back(v);
        }
        return v;
    };
    for (unsigned e = 0; e < me.edges(); ++e) {
        if (me.uses(e) != 1 || walked[e]) continue;
        walked[e] = 1;
        const unsigned s = me.edge_sides[me.edge_start[e]];
        const unsigned a = me.from(s), b = me.to(s);
        KelmMeshCheckHole h;
        h.directed = true;
        h.edges = 1;
        h.length = distance(xyz + 3 * std::size_t(a), xyz + 3 * std::size_t(b));
        // The walk runs against the facets: b, a, ...
        h.vertices = {b, a};
        const unsigned end = walk(h, h.vertices, a, b, true);
        h.closed = end == b;
        if (!h.closed) {
            // An open chain: extend it backwards from b as well.
            std::vector<unsigned> back;
            walk(h, back, b, KELM_NONE, false);
            h.vertices.insert(h.vertices.begin(), back.rbegin(), back.rend());
        }
        holes->push_back(std::move(h));
    }
}

double cone_volume(const double* c, const double* a, const double* b, const double* d) {
    const double ax = a[0] - c[0], ay = a[1] - c[1], az = a[2] - c[2];
    const double bx = b[0] - c[0], by = b[1] - c[1], bz = b[2] - c[2];
    const double dx = d[0] - c[0], dy = d[1] - c[1], dz = d[2] - c[2];
    return (ax * (by * dz - bz * dy) - ay * (bx * dz - bz * dx) + az * (bx * dy - by * dx)) / 6.0;
}

}  // namespace kelm_internal

namespace {

using kelm_internal::MeshEdges;

// Fans around each used vertex: the corners at v joined when their facets share an
// edge at v (an edge of three or more facets joins them all). Two or more fans make v
// a pinch vertex. One union-find over all corners does every vertex at once.
// fans[v] ends as the number of fans at v, counted up to two: above zero for the
// vertices the facets use.
void find_pinch_vertices(std::vector<unsigned>* out, std::vector<unsigned char>* fans,
                         const MeshEdges& me) {
    std::vector<unsigned> root;
    kelm_internal::reserve_large(root, 3 * static_cast<std::size_t>(me.nf));
    root.resize(3 * static_cast<std::size_t>(me.nf));
    std::iota(root.begin(), root.end(), 0u);
    // The corner of side s's facet at v, an end of s.
    auto corner = [&me](unsigned s, unsigned v) {
        return me.from(s) == v ? s : MeshEdges::next(s);
    };
    auto join = [&root](unsigned a, unsigned b) {
        a = kelm_internal::find_root(root, a);
        b = kelm_internal::find_root(root, b);
        if (a != b) root[b] = a;
    };
    for (unsigned e = 0; e < me.edges(); ++e) {
        const unsigned lo = me.lo(e), hi = me.hi(e);
        for (unsigned i = me.edge_start[e] + 1; i < me.edge_start[e + 1]; ++i) {
            const unsigned p = me.edge_sides[i - 1], s = me.edge_sides[i];
            join(corner(p, lo), corner(s, lo));
            join(corner(p, hi), corner(s, hi));
        }
    }
    std::vector<unsigned char>& count = *fans;
    count.assign(me.nv, 0);
    for (unsigned s = 0; s < root.size(); ++s)
        if (me.corners[s] != KELM_NONE && root[s] == s && count[me.corners[s]] < 2)
            ++count[me.corners[s]];
    for (unsigned v = 0; v < me.nv; ++v)
        if (count[v] > 1) out->push_back(v);
}

}  // namespace

namespace {

void cross(double* out, const double* a, const double* b, const double* c) {
    const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
    const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
    out[0] = uy * vz - uz * vy;
    out[1] = uz * vx - ux * vz;
    out[2] = ux * vy - uy * vx;
}

// The sum of a facet's corners (modulo 2^32). Two facets on one edge both hold its two
// vertices, so they have the same vertex set exactly when their sums agree.
unsigned corner_sum(const unsigned* v) {
    return v[0] + v[1] + v[2];
}

// The centre of the bounds of the used vertices: the apex of the volume cones, which
// keeps the products small for a part far from the origin.
void used_centre(double* c, const std::vector<unsigned char>& used, const double* xyz) {
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool any = false;
    for (std::size_t v = 0; v < used.size(); ++v) {
        if (!used[v]) continue;
        const double* p = xyz + 3 * v;
        for (int k = 0; k < 3; ++k) {
            if (!any || p[k] < lo[k]) lo[k] = p[k];
            if (!any || p[k] > hi[k]) hi[k] = p[k];
        }
        any = true;
    }
    for (int k = 0; k < 3; ++k) c[k] = 0.5 * (lo[k] + hi[k]);
}

KelmMeshCheckEdge edge_entry(const MeshEdges& me, unsigned e) {
    KelmMeshCheckEdge out;
    out.v0 = me.lo(e);
    out.v1 = me.hi(e);
    for (unsigned i = me.edge_start[e]; i < me.edge_start[e + 1]; ++i)
        out.facets.push_back(me.edge_sides[i] / 3);
    return out;
}

// Facet states, and duplicates: a facet with the same vertex set shares every edge,
// so the lower one is among the earlier facets of the edge of its first side.
void check_facets(KelmMeshCheckReport* r, const MeshEdges& me) {
    for (unsigned f = 0; f < me.nf; ++f) {
        switch (me.state[f]) {
            case kelm_internal::kFacetNull: continue;
            case kelm_internal::kFacetInvalid: r->invalid_facets.push_back(f); break;
            case kelm_internal::kFacetRepeated: r->degenerate_facets.push_back(f); break;
            default: break;
        }
        ++r->facets;
    }
    for (unsigned e = 0; e < me.edges(); ++e) {
        for (unsigned i = me.edge_start[e] + 1; i < me.edge_start[e + 1]; ++i) {
            if (me.edge_sides[i] % 3 != 0) continue;
            const unsigned f = me.edge_sides[i] / 3;
            const unsigned sum = corner_sum(&me.corners[3 * std::size_t(f)]);
            for (unsigned j = me.edge_start[e]; j < i; ++j) {
                const unsigned g = me.edge_sides[j] / 3;
                if (corner_sum(&me.corners[3 * std::size_t(g)]) == sum) {
                    r->duplicate_facets.push_back({f, g});
                    break;
                }
            }
        }
    }
    auto by_facet = [](const KelmMeshCheckPair& a, const KelmMeshCheckPair& b) {
        return a.first < b.first;
    };
    std::sort(r->duplicate_facets.begin(), r->duplicate_facets.end(), by_facet);
}

void check_edges(KelmMeshCheckReport* r, const MeshEdges& me) {
    r->edges = me.edges();
    for (unsigned e = 0; e < me.edges(); ++e) {
        const unsigned n = me.uses(e);
        const unsigned s = me.edge_sides[me.edge_start[e]];
        if (n == 1) {
            r->border_edges.push_back({me.from(s), me.to(s), s / 3});
        } else if (n >= 3) {
            r->nonmanifold_edges.push_back(edge_entry(me, e));
        } else if (me.from(s) == me.from(me.edge_sides[me.edge_start[e] + 1])) {
            r->misoriented_edges.push_back(edge_entry(me, e));
        }
    }
}

// Parts, and every figure taken from the facets' coordinates in one pass.
void check_parts(KelmMeshCheckReport* r, const MeshEdges& me, const double* xyz,
                 const std::vector<unsigned char>& used) {
    // Each facet's lowest facet becomes its part's number, in place: a part's lowest
    // facet comes before its other facets.
    std::vector<unsigned>& part = r->facet_part;
    kelm_internal::find_parts(&part, me);
    for (unsigned f = 0; f < me.nf; ++f) {
        if (part[f] == KELM_NONE) continue;
        if (part[f] == f) {
            KelmMeshCheckPart p;
            p.first_facet = f;
            p.closed = p.oriented = true;
            r->parts.push_back(p);
            part[f] = static_cast<unsigned>(r->parts.size() - 1);
        } else {
            part[f] = part[part[f]];
        }
    }
    double c[3];
    used_centre(c, used, xyz);
    // The sums run in facet order. The running figures of the part at hand live in
    // locals and go back to the part when the next facet belongs to another one, so
    // each sum takes the same steps as if every facet went to its part at once.
    KelmMeshCheckPart held;
    unsigned held_part = KELM_NONE;
    double area_sum = r->area;
    for (unsigned f = 0; f < me.nf; ++f) {
        if (part[f] == KELM_NONE) continue;
        if (part[f] != held_part) {
            if (held_part != KELM_NONE) r->parts[held_part] = held;
            held_part = part[f];
            held = r->parts[held_part];
        }
        const unsigned* v = &me.corners[3 * std::size_t(f)];
        const double *a = xyz + 3 * std::size_t(v[0]), *b = xyz + 3 * std::size_t(v[1]),
                     *d = xyz + 3 * std::size_t(v[2]);
        double n[3];
        cross(n, a, b, d);
        if (n[0] == 0.0 && n[1] == 0.0 && n[2] == 0.0) r->zero_area_facets.push_back(f);
        const double area = 0.5 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        ++held.facets;
        held.area += area;
        area_sum += area;
        held.volume += kelm_internal::cone_volume(c, a, b, d);
    }
    if (held_part != KELM_NONE) r->parts[held_part] = held;
    r->area = area_sum;
    for (unsigned e = 0; e < me.edges(); ++e) {
        const unsigned s = me.edge_sides[me.edge_start[e]];
        KelmMeshCheckPart& p = r->parts[r->facet_part[s / 3]];
        if (me.uses(e) != 2) p.closed = false;
        else if (me.from(s) == me.from(me.edge_sides[me.edge_start[e] + 1])) p.oriented = false;
    }
    for (const KelmMeshCheckPart& p : r->parts) r->volume += p.volume;
}

}  // namespace

int kelm_mesh_check(KelmMeshCheckReport* report, const KelmMeshFacetSet* fs, int intersections) {
    if (!report) return 0;
    *report = KelmMeshCheckReport();
    if (!fs) return 0;
    KelmMeshCheckReport& r = *report;
    MeshEdges me;
    kelm_internal::build_mesh_edges(&me, fs, false);
    const double* xyz = fs->rawverts().data();
    r.vertices = me.nv;
    std::vector<unsigned char> fans;  // per vertex, up to two; zero: not used
    find_pinch_vertices(&r.nonmanifold_vertices, &fans, me);
    for (unsigned v = 0; v < me.nv; ++v) r.used_vertices += fans[v] != 0;
    check_facets(&r, me);
    check_edges(&r, me);
    check_parts(&r, me, xyz, fans);
    kelm_internal::find_holes(&r.holes, me, xyz);
    const bool any = !r.parts.empty();
    r.closed = any && r.border_edges.empty() && r.nonmanifold_edges.empty();
    r.oriented = any && r.misoriented_edges.empty();
    if (intersections) {
        r.intersections_checked = true;
        kelm_mesh_self_intersections(&r.self_intersections, fs);
    }
    return r.clean() ? 1 : 0;
}
