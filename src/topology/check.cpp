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

namespace {

// Facet states, and at[v + 1] = the number of sides whose lower vertex is v. The
// corners are read in place when facet f sits at block + f for every f (compared as
// addresses: the facets may lie in several blocks), else copied.
void classify_facets(MeshEdges* me, std::vector<unsigned>* at, const KelmMeshFacetSet* fs,
                     bool may_read_in_place) {
    const unsigned nv = me->nv, nf = me->nf;
    me->state.assign(nf, kFacetNull);
    at->assign(static_cast<std::size_t>(nv) + 1, 0);
    const KelmMeshFacet* first = nf ? fs->getFacet(0) : nullptr;
    bool in_place = may_read_in_place && first;
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        in_place = in_place && reinterpret_cast<std::uintptr_t>(facet) ==
                                   reinterpret_cast<std::uintptr_t>(first) +
                                       sizeof(KelmMeshFacet) * std::size_t(f);
        if (!facet) continue;
        const unsigned* v = facet->vertex;
        if (v[0] >= nv || v[1] >= nv || v[2] >= nv) {
            me->state[f] = kFacetInvalid;
        } else if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) {
            me->state[f] = kFacetRepeated;
        } else {
            me->state[f] = kFacetUsed;
            for (unsigned k = 0; k < 3; ++k) ++(*at)[std::min(v[k], v[(k + 1) % 3]) + 1];
        }
    }
    me->block = in_place ? first : nullptr;
    me->corners.clear();
    if (in_place) return;
    reserve_large(me->corners, 3 * static_cast<std::size_t>(nf));
    me->corners.assign(3 * static_cast<std::size_t>(nf), KELM_NONE);
    for (unsigned f = 0; f < nf; ++f) {
        if (me->state[f] != kFacetUsed) continue;
        const unsigned* v = fs->getFacet(f)->vertex;
        std::copy(v, v + 3, &me->corners[3 * std::size_t(f)]);
    }
}

// The sides bucketed by their lower vertex, in increasing order; at[v] ends as the end
// of the bucket of v.
void bucket_sides(MeshEdges* me, std::vector<unsigned>& at) {
    for (unsigned v = 0; v < me->nv; ++v) at[v + 1] += at[v];
    reserve_large(me->edge_sides, at[me->nv]);
    me->edge_sides.resize(at[me->nv]);
    for (unsigned f = 0; f < me->nf; ++f) {
        if (me->state[f] != kFacetUsed) continue;
        const unsigned* v = me->facet(f);
        me->edge_sides[at[std::min(v[0], v[1])]++] = 3 * f;
        me->edge_sides[at[std::min(v[1], v[2])]++] = 3 * f + 1;
        me->edge_sides[at[std::min(v[2], v[0])]++] = 3 * f + 2;
    }
}

// The last edge found, of n sides (the second running the same way as the first when
// same_way), goes to the odd edges unless two sides run opposite ways.
void note_edge(MeshEdges* me, unsigned n, bool same_way) {
    if (n != 2 || same_way)
        me->odd_edges.push_back(static_cast<unsigned>(me->edge_start.size() - 1));
}

// Facet f, whose first side is an edge's side at edge_sides[i], against the facets of
// the edge's earlier sides from edge_sides[first]: a facet with the same vertex set
// shares every edge, so the lower one is among them. Two facets on one edge hold both
// its vertices, so they have the same vertex set exactly when their corner sums
// (modulo 2^32) agree.
void note_duplicate(MeshEdges* me, unsigned f, unsigned first, unsigned i) {
    auto sum = [me](unsigned g) {
        const unsigned* v = me->facet(g);
        return v[0] + v[1] + v[2];
    };
    const unsigned mine = sum(f);
    for (unsigned j = first; j < i; ++j) {
        const unsigned g = me->edge_sides[j] / 3;
        if (sum(g) == mine) {
            me->duplicates.push_back({f, g});
            return;
        }
    }
}

// Each bucket sorted by the higher vertex groups the sides of one edge, still in
// increasing order. The fans are joined as each edge is found: each side of the edge
// is joined to its first side p, corner to corner (p's corner at from(p) is p itself,
// the one at to(p) is next(p)).
void group_edges(MeshEdges* me, const std::vector<unsigned>& at, bool side_edges) {
    reserve_large(me->edge_start, me->edge_sides.size() + 1);
    me->odd_edges.clear();
    me->duplicates.clear();
    std::vector<unsigned>& root = me->fans;
    reserve_large(root, 3 * static_cast<std::size_t>(me->nf));
    root.resize(3 * static_cast<std::size_t>(me->nf));
    std::iota(root.begin(), root.end(), 0u);
    std::vector<std::uint64_t> run;  // (higher vertex, side) of one bucket
    unsigned begin = 0;
    for (unsigned v = 0; v < me->nv; begin = at[v++]) {
        const unsigned end = at[v];
        run.clear();
        for (unsigned i = begin; i < end; ++i) {
            const unsigned s = me->edge_sides[i];
            const unsigned* c = me->facet(s / 3);
            const unsigned k = s % 3, hi = std::max(c[k], c[MeshEdges::next(k)]);
            run.push_back((static_cast<std::uint64_t>(hi) << 32) | s);
        }
        sort_run(run.data(), run.data() + run.size());
        // The edge at hand: its first side p, which starts at start; its side count n;
        // whether its second side runs the same way as p.
        unsigned last_hi = KELM_NONE, p = 0, start = 0, n = 0;
        bool same_way = false;
        for (unsigned i = begin; i < end; ++i) {
            const unsigned hi = static_cast<unsigned>(run[i - begin] >> 32);
            const unsigned s = static_cast<unsigned>(run[i - begin]);
            if (hi != last_hi) {
                if (i != begin) note_edge(me, n, same_way);
                me->edge_start.push_back(i);
                last_hi = hi;
                p = s;
                start = me->from(s);
                n = 1;
            } else {
                const bool along = me->from(s) == start;
                if (++n == 2) same_way = along;
                join_lower(root, p, along ? s : MeshEdges::next(s));
                join_lower(root, MeshEdges::next(p), along ? MeshEdges::next(s) : s);
                if (s % 3 == 0) note_duplicate(me, s / 3, me->edge_start.back(), i);
            }
            me->edge_sides[i] = s;
            if (side_edges) me->side_edge[s] = static_cast<unsigned>(me->edge_start.size() - 1);
        }
        if (end != begin) note_edge(me, n, same_way);
    }
    me->edge_start.push_back(static_cast<unsigned>(me->edge_sides.size()));
}

}  // namespace

void build_mesh_edges(MeshEdges* me, const KelmMeshFacetSet* fs, EdgeBuild what) {
    me->nv = fs->getVertexCount();
    me->nf = fs->getFacetCount();
    const bool repair = what == EdgeBuild::kRepair;
    me->side_edge.clear();
    if (repair) {
        reserve_large(me->side_edge, 3 * static_cast<std::size_t>(me->nf));
        me->side_edge.assign(3 * static_cast<std::size_t>(me->nf), KELM_NONE);
    }
    std::vector<unsigned> at;
    classify_facets(me, &at, fs, !repair);
    bucket_sides(me, at);
    group_edges(me, at, repair);
}

void parts_from_fans(std::vector<unsigned>* part, std::vector<unsigned>* root_table,
                     const MeshEdges& me, std::vector<unsigned char>* fan_count) {
    std::vector<unsigned>& root = *root_table;
    if (fan_count) fan_count->assign(me.nv, 0);
    for (unsigned f = 0; f < me.nf; ++f) {
        if (me.state[f] != kFacetUsed) continue;
        // A fan's root is its lowest corner, which the joins of the facets before f
        // cannot reach: a corner of f that is still a root here heads a fan.
        if (fan_count) {
            const unsigned* v = me.facet(f);
            for (unsigned k = 0; k < 3; ++k)
                if (root[3 * f + k] == 3 * f + k && (*fan_count)[v[k]] < 2) ++(*fan_count)[v[k]];
        }
        join_lower(root, 3 * f, 3 * f + 1);
        join_lower(root, 3 * f, 3 * f + 2);
    }
    // A set's root is its lowest corner: the first corner of the part's lowest facet.
    reserve_large(*part, me.nf);
    part->resize(me.nf);
    for (unsigned f = 0; f < me.nf; ++f)
        (*part)[f] = me.state[f] == kFacetUsed ? find_root(root, 3 * f) / 3 : KELM_NONE;
}

void find_parts(std::vector<unsigned>* part, const MeshEdges& me) {
    std::vector<unsigned> root = me.fans;
    parts_from_fans(part, &root, me);
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

}  // namespace

namespace {

void cross(double* out, const double* a, const double* b, const double* c) {
    const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
    const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
    out[0] = uy * vz - uz * vy;
    out[1] = uz * vx - ux * vz;
    out[2] = ux * vy - uy * vx;
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

// Facet states.
void check_facets(KelmMeshCheckReport* r, const MeshEdges& me) {
    for (unsigned f = 0; f < me.nf; ++f) {
        switch (me.state[f]) {
            case kelm_internal::kFacetNull:
                continue;
            case kelm_internal::kFacetInvalid:
                r->invalid_facets.push_back(f);
                break;
            case kelm_internal::kFacetRepeated:
                r->degenerate_facets.push_back(f);
                break;
            default:
                break;
        }
        ++r->facets;
    }
}

// Border, non-manifold and misoriented edges, and duplicate facets, from the odd edges
// and the duplicates the edge table noted.
void check_edges(KelmMeshCheckReport* r, const MeshEdges& me) {
    r->edges = me.edges();
    for (unsigned e : me.odd_edges) {
        const unsigned s = me.edge_sides[me.edge_start[e]];
        if (me.uses(e) == 1)
            r->border_edges.push_back({me.from(s), me.to(s), s / 3});
        else if (me.uses(e) >= 3)
            r->nonmanifold_edges.push_back(edge_entry(me, e));
        else
            r->misoriented_edges.push_back(edge_entry(me, e));
    }
    r->duplicate_facets = me.duplicates;
    auto by_facet = [](const KelmMeshCheckPair& a, const KelmMeshCheckPair& b) {
        return a.first < b.first;
    };
    std::sort(r->duplicate_facets.begin(), r->duplicate_facets.end(), by_facet);
}

// Parts, and every figure taken from the facets' coordinates in one pass.
void check_parts(KelmMeshCheckReport* r, const MeshEdges& me, const double* xyz,
                 const std::vector<unsigned char>& used) {
    // Each facet's lowest facet becomes its part's number, in place: a part's lowest
    // facet comes before its other facets.
    std::vector<unsigned>& part = r->facet_part;
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
    // The facets' areas and volume cones are worked out a block at a time, in a loop of
    // arithmetic alone, then summed in facet order. The running figures of the part at
    // hand live in locals and go back to the part when the next facet belongs to
    // another one, so each sum takes the same steps as if every facet went to its part
    // at once.
    constexpr unsigned kBlock = 256;
    double area[kBlock], cone[kBlock];
    bool zero[kBlock];
    KelmMeshCheckPart held;
    unsigned held_part = KELM_NONE;
    double area_sum = r->area;
    for (unsigned first = 0; first < me.nf; first += kBlock) {
        const unsigned n = std::min(kBlock, me.nf - first);
        for (unsigned i = 0; i < n; ++i) {
            if (part[first + i] == KELM_NONE) continue;  // and left out below
            const unsigned* v = me.facet(first + i);
            const double *a = xyz + 3 * std::size_t(v[0]), *b = xyz + 3 * std::size_t(v[1]),
                         *d = xyz + 3 * std::size_t(v[2]);
            double nrm[3];
            cross(nrm, a, b, d);
            zero[i] = nrm[0] == 0.0 && nrm[1] == 0.0 && nrm[2] == 0.0;
            area[i] = 0.5 * std::sqrt(nrm[0] * nrm[0] + nrm[1] * nrm[1] + nrm[2] * nrm[2]);
            cone[i] = kelm_internal::cone_volume(c, a, b, d);
        }
        for (unsigned i = 0; i < n; ++i) {
            const unsigned f = first + i;
            if (part[f] == KELM_NONE) continue;
            if (part[f] != held_part) {
                if (held_part != KELM_NONE) r->parts[held_part] = held;
                held_part = part[f];
                held = r->parts[held_part];
            }
            if (zero[i]) r->zero_area_facets.push_back(f);
            ++held.facets;
            held.area += area[i];
            area_sum += area[i];
            held.volume += cone[i];
        }
    }
    if (held_part != KELM_NONE) r->parts[held_part] = held;
    r->area = area_sum;
    // A part is closed and oriented unless one of its edges is reported otherwise; an
    // edge's part is that of its first facet.
    for (const KelmMeshCheckSide& e : r->border_edges) r->parts[part[e.facet]].closed = false;
    for (const KelmMeshCheckEdge& e : r->nonmanifold_edges)
        r->parts[part[e.facets[0]]].closed = false;
    for (const KelmMeshCheckEdge& e : r->misoriented_edges)
        r->parts[part[e.facets[0]]].oriented = false;
    for (const KelmMeshCheckPart& p : r->parts) r->volume += p.volume;
}

}  // namespace

int kelm_mesh_check(KelmMeshCheckReport* report, const KelmMeshFacetSet* fs, int intersections) {
    if (!report) return 0;
    *report = KelmMeshCheckReport();
    if (!fs) return 0;
    KelmMeshCheckReport& r = *report;
    MeshEdges me;
    kelm_internal::build_mesh_edges(&me, fs, kelm_internal::EdgeBuild::kCheck);
    const double* xyz = fs->rawverts().data();
    r.vertices = me.nv;
    std::vector<unsigned char> fan_count;  // per vertex, up to two; zero: not used
    kelm_internal::parts_from_fans(&r.facet_part, &me.fans, me, &fan_count);
    std::vector<unsigned>().swap(me.fans);
    for (unsigned v = 0; v < me.nv; ++v) {
        r.used_vertices += fan_count[v] != 0;
        if (fan_count[v] > 1) r.nonmanifold_vertices.push_back(v);  // a pinch vertex
    }
    check_facets(&r, me);
    check_edges(&r, me);
    check_parts(&r, me, xyz, fan_count);
    if (!r.border_edges.empty()) kelm_internal::find_holes(&r.holes, me, xyz);
    const bool any = !r.parts.empty();
    r.closed = any && r.border_edges.empty() && r.nonmanifold_edges.empty();
    r.oriented = any && r.misoriented_edges.empty();
    if (intersections) {
        r.intersections_checked = true;
        kelm_mesh_self_intersections(&r.self_intersections, fs);
    }
    return r.clean() ? 1 : 0;
}
