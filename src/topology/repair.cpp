#include "kelmmath/topology/repair.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/check.h"
#include "topology/internal_check.h"

namespace {

using kelm_internal::MeshEdges;

// ---- weld -----------------------------------------------------------------------

// Cells of the weld grid: open addressing, each slot holding the newest kept vertex of
// its cell (next[] chains the older ones) and the cell's hash; a cell's coordinates
// are worked out again from that vertex, so a slot takes 8 bytes. With a zero
// tolerance a cell is one exact point (its coordinate bits).
class CellTable {
public:
    // Room for about n cells before the first growth.
    CellTable(const double* xyz, double tol, std::size_t n) : xyz_(xyz), tol_(tol) {
        std::size_t size = 1024;
        while (size < 2 * n) size <<= 1;
        resize(size);
    }

    void cell(std::int64_t* c, const double* p) const {
        for (int k = 0; k < 3; ++k) {
            if (tol_ == 0.0) {
                const double x = p[k] == 0.0 ? 0.0 : p[k];  // -0 and +0 are one point
                std::memcpy(&c[k], &x, sizeof x);
            } else {
                c[k] = static_cast<std::int64_t>(std::floor(p[k] / tol_));
            }
        }
    }
    // The newest kept vertex of cell c, or KELM_NONE.
    unsigned head(const std::int64_t* c) const { return heads_[slot(c, hash(c))]; }
    // Makes v the newest kept vertex of cell c; returns the one it replaces.
    unsigned push(const std::int64_t* c, unsigned v) {
        const std::uint32_t h = hash(c);
        const std::size_t i = slot(c, h);
        const unsigned old = heads_[i];
        heads_[i] = v;
        hashes_[i] = h;
        if (old == KELM_NONE && ++count_ * 2 > heads_.size()) resize(heads_.size() * 2);
        return old;
    }

private:
    static std::uint32_t hash(const std::int64_t* c) {
        std::uint64_t h = 0x9e3779b97f4a7c15ull;
        for (int k = 0; k < 3; ++k) {
            h ^= static_cast<std::uint64_t>(c[k]);
            h *= 0xff51afd7ed558ccdull;
            h ^= h >> 32;
        }
        return static_cast<std::uint32_t>(h);
    }
    std::size_t slot(const std::int64_t* c, std::uint32_t h) const {
        const std::size_t mask = heads_.size() - 1;
        for (std::size_t i = h & mask;; i = (i + 1) & mask) {
            if (heads_[i] == KELM_NONE) return i;
            if (hashes_[i] != h) continue;
            std::int64_t d[3];
            cell(d, xyz_ + 3 * std::size_t(heads_[i]));
            if (d[0] == c[0] && d[1] == c[1] && d[2] == c[2]) return i;
        }
    }
    void resize(std::size_t size) {
        std::vector<unsigned> heads;
        heads.swap(heads_);
        heads_.assign(size, KELM_NONE);
        hashes_.assign(size, 0);
        for (unsigned v : heads) {
            if (v == KELM_NONE) continue;
            std::int64_t c[3];
            cell(c, xyz_ + 3 * std::size_t(v));
            const std::uint32_t h = hash(c);
            const std::size_t i = slot(c, h);
            heads_[i] = v;
            hashes_[i] = h;
        }
    }

    const double* xyz_;
    double tol_;
    std::vector<unsigned> heads_;
    std::vector<std::uint32_t> hashes_;
    std::size_t count_ = 0;
};

// rep[v]: the vertex v is merged into (v itself when kept); returns the merge count.
// Only vertices that facets use take part.
unsigned weld_map(std::vector<unsigned>* rep, const KelmMeshFacetSet* fs, double tol) {
    const unsigned nv = fs->getVertexCount(), nf = fs->getFacetCount();
    rep->assign(nv, KELM_NONE);
    std::vector<unsigned char> used(nv, 0);
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        for (unsigned k = 0; k < 3; ++k)
            if (facet->vertex[k] < nv) used[facet->vertex[k]] = 1;
    }
    const double* xyz = fs->rawverts().data();
    // A facet soup (three vertices per facet) has about a sixth as many distinct points.
    CellTable table(xyz, tol, nv / 4);
    std::vector<unsigned> next(tol > 0.0 ? nv : 0, KELM_NONE);  // older kept vertices of a cell
    unsigned merged = 0;
    const double tol2 = tol * tol;
    for (unsigned v = 0; v < nv; ++v) {
        (*rep)[v] = v;
        if (!used[v]) continue;
        const double* p = xyz + 3 * std::size_t(v);
        std::int64_t c[3];
        table.cell(c, p);
        if (tol == 0.0) {
            const unsigned h = table.head(c);
            if (h == KELM_NONE) table.push(c, v);
            else { (*rep)[v] = h; ++merged; }
            continue;
        }
        // The lowest kept vertex within reach among the 27 cells around.
        unsigned best = KELM_NONE;
        for (int dz = -1; dz <= 1; ++dz)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const std::int64_t n[3] = {c[0] + dx, c[1] + dy, c[2] + dz};
                    for (unsigned w = table.head(n); w != KELM_NONE; w = next[w]) {
                        if (w >= best) continue;
                        const double* q = xyz + 3 * std::size_t(w);
                        const double ex = p[0] - q[0], ey = p[1] - q[1], ez = p[2] - q[2];
                        if (ex * ex + ey * ey + ez * ez <= tol2) best = w;
                    }
                }
        if (best != KELM_NONE) {
            (*rep)[v] = best;
            ++merged;
        } else {
            next[v] = table.push(c, v);
        }
    }
    return merged;
}

// ---- rebuilding a set -------------------------------------------------------------

// Faces of src carried over to dst for the facets that survive: new_index[f] is the
// new number of facet f (KELM_NONE when dropped). Faces left empty are dropped.
void carry_faces(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src,
                 const std::vector<unsigned>& new_index) {
    const unsigned nf = src->getFacetCount();
    for (unsigned i = 0; i < src->getFaceCount(); ++i) {
        const KelmMeshFace* face = src->getFace(i);
        if (!face) continue;
        const unsigned first = face->getFirstFacet();
        unsigned lo = KELM_NONE, count = 0;
        for (unsigned f = first; f != KELM_NONE && f - first < face->getFacetCount() && f < nf;
             ++f) {
            if (new_index[f] == KELM_NONE) continue;
            if (lo == KELM_NONE) lo = new_index[f];
            ++count;
        }
        if (count == 0) continue;
        KelmMeshFace* out = dst->createFace();
        out->copy(face);
        out->setFirstFacet(lo);
        out->setFacetCount(count);
    }
}

// A new set from src keeping the facets with keep[f] set and, when vertex_index is not
// null, renumbering vertices through it (KELM_NONE: the vertex leaves the list; kept
// vertices must keep their order).
void rebuild(KelmMeshFacetSet* fs, const std::vector<unsigned char>& keep,
             const std::vector<unsigned>* vertex_index) {
    KelmMeshFacetSet out;
    const unsigned nv = fs->getVertexCount();
    for (unsigned v = 0; v < nv; ++v) {
        if (vertex_index && (*vertex_index)[v] != out.getVertexCount()) continue;
        out.createVertex(fs->rawverts().get(v));
    }
    for (unsigned n = 0; n < fs->getNormalCount(); ++n) out.createNormal(fs->rawnormals().get(n));
    std::vector<unsigned> new_index(fs->getFacetCount(), KELM_NONE);
    for (unsigned f = 0; f < fs->getFacetCount(); ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet || !keep[f]) continue;
        KelmMeshFacet* g = out.createFacet(&new_index[f]);
        *g = *facet;
        if (vertex_index)
            for (unsigned k = 0; k < 3; ++k)
                if (g->vertex[k] < nv) g->vertex[k] = (*vertex_index)[g->vertex[k]];
    }
    carry_faces(&out, fs, new_index);
    out.is_manifold(fs->is_manifold());
    *fs = std::move(out);
}

bool any_null_facet(const KelmMeshFacetSet* fs) {
    for (unsigned f = 0; f < fs->getFacetCount(); ++f)
        if (!fs->getFacet(f)) return true;
    return false;
}

// ---- steps ------------------------------------------------------------------------

void drop_facets(KelmMeshFacetSet* fs, const KelmMeshRepairOptions& o, KelmMeshRepairReport* r) {
    MeshEdges me;
    kelm_internal::build_mesh_edges(&me, fs);
    const double* xyz = fs->rawverts().data();
    std::vector<unsigned char> keep(me.nf, 1);
    bool dropped = false;
    for (unsigned f = 0; f < me.nf; ++f) {
        if (me.state[f] == kelm_internal::kFacetNull) continue;
        if (me.state[f] != kelm_internal::kFacetUsed) {
            if (o.drop_degenerate) {
                keep[f] = 0;
                ++r->dropped_degenerate;
            }
            continue;
        }
        const unsigned* v = &me.corners[3 * std::size_t(f)];
        if (o.drop_zero_area) {
            const double *a = xyz + 3 * std::size_t(v[0]), *b = xyz + 3 * std::size_t(v[1]),
                         *c = xyz + 3 * std::size_t(v[2]);
            const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
            const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
            if (uy * vz - uz * vy == 0.0 && uz * vx - ux * vz == 0.0 && ux * vy - uy * vx == 0.0) {
                keep[f] = 0;
                ++r->dropped_zero_area;
                continue;
            }
        }
        if (!o.drop_duplicates) continue;
        unsigned key[3] = {v[0], v[1], v[2]};
        std::sort(key, key + 3);
        const unsigned e = me.side_edge[3 * std::size_t(f)];
        for (unsigned i = me.edge_start[e]; i < me.edge_start[e + 1]; ++i) {
            const unsigned g = me.edge_sides[i] / 3;
            if (g >= f) break;
            if (!keep[g]) continue;
            unsigned other[3] = {me.corners[3 * g], me.corners[3 * g + 1], me.corners[3 * g + 2]};
            std::sort(other, other + 3);
            if (std::equal(key, key + 3, other)) {
                keep[f] = 0;
                ++r->dropped_duplicates;
                break;
            }
        }
    }
    for (unsigned f = 0; f < me.nf; ++f) dropped = dropped || !keep[f];
    if (dropped || any_null_facet(fs)) rebuild(fs, keep, nullptr);
}

void flip(KelmMeshFacet* f) {
    std::swap(f->vertex[1], f->vertex[2]);
    std::swap(f->normal[1], f->normal[2]);
}

void orient_parts(KelmMeshFacetSet* fs, KelmMeshRepairReport* r) {
    MeshEdges me;
    kelm_internal::build_mesh_edges(&me, fs);
    std::vector<unsigned char> flipped(me.nf, 0), seen(me.nf, 0);
    std::vector<unsigned> queue;
    for (unsigned seed = 0; seed < me.nf; ++seed) {
        if (me.state[seed] != kelm_internal::kFacetUsed || seen[seed]) continue;
        seen[seed] = 1;
        queue.assign(1, seed);
        for (std::size_t qi = 0; qi < queue.size(); ++qi) {
            const unsigned g = queue[qi];
            for (unsigned k = 0; k < 3; ++k) {
                const unsigned s = 3 * g + k, e = me.side_edge[s];
                if (me.uses(e) != 2) continue;  // a border or a non-manifold edge
                unsigned s2 = me.edge_sides[me.edge_start[e]];
                if (s2 == s) s2 = me.edge_sides[me.edge_start[e] + 1];
                const unsigned h = s2 / 3;
                const bool same = me.from(s) == me.from(s2);
                if (seen[h]) continue;
                seen[h] = 1;
                flipped[h] = same != (flipped[g] != 0);
                queue.push_back(h);
            }
        }
        // The way most facets of the component run wins: fewer flips.
        std::size_t flips = 0;
        for (unsigned g : queue) flips += flipped[g];
        if (2 * flips > queue.size())
            for (unsigned g : queue) flipped[g] = !flipped[g];
    }
    // Edges still running one way in both facets: the part cannot be oriented.
    for (unsigned e = 0; e < me.edges(); ++e) {
        if (me.uses(e) != 2) continue;
        const unsigned s1 = me.edge_sides[me.edge_start[e]], s2 = me.edge_sides[me.edge_start[e] + 1];
        if ((me.from(s1) == me.from(s2)) != (flipped[s1 / 3] != flipped[s2 / 3]))
            ++r->orientation_conflicts;
    }
    // Closed parts wound inward are turned over whole (their volume does not depend on
    // the cones' apex).
    std::vector<unsigned> part;
    kelm_internal::find_parts(&part, me);
    std::vector<char> closed(me.nf, 1);
    for (unsigned e = 0; e < me.edges(); ++e) {
        const unsigned s = me.edge_sides[me.edge_start[e]];
        if (me.uses(e) != 2) closed[part[s / 3]] = 0;
    }
    std::vector<double> volume(me.nf, 0.0);
    const double* xyz = fs->rawverts().data();
    double centre[3] = {0, 0, 0};
    if (me.nv > 0) std::memcpy(centre, xyz, sizeof centre);
    for (unsigned f = 0; f < me.nf; ++f) {
        if (part[f] == KELM_NONE) continue;
        const unsigned* v = &me.corners[3 * std::size_t(f)];
        const double* a = xyz + 3 * std::size_t(v[0]);
        const double* b = xyz + 3 * std::size_t(v[flipped[f] ? 2 : 1]);
        const double* c = xyz + 3 * std::size_t(v[flipped[f] ? 1 : 2]);
        volume[part[f]] += kelm_internal::cone_volume(centre, a, b, c);
    }
    for (unsigned f = 0; f < me.nf; ++f) {
        if (part[f] == KELM_NONE) continue;
        if (closed[part[f]] && volume[part[f]] < 0.0) flipped[f] = !flipped[f];
        if (flipped[f]) {
            flip(fs->getFacet(f));
            ++r->flipped_facets;
        }
    }
}

// Parts of at most min_facets - 1 facets are dropped.
void drop_small_parts(KelmMeshFacetSet* fs, unsigned min_facets, KelmMeshRepairReport* r) {
    MeshEdges me;
    kelm_internal::build_mesh_edges(&me, fs);
    std::vector<unsigned> part;
    kelm_internal::find_parts(&part, me);
    std::vector<unsigned> size(me.nf, 0);
    for (unsigned f = 0; f < me.nf; ++f)
        if (part[f] != KELM_NONE) ++size[part[f]];
    std::vector<unsigned char> keep(me.nf, 1);
    for (unsigned f = 0; f < me.nf; ++f) {
        if (part[f] == KELM_NONE || size[part[f]] >= min_facets) continue;
        keep[f] = 0;
        ++r->dropped_part_facets;
        if (part[f] == f) ++r->dropped_parts;
    }
    if (r->dropped_part_facets) rebuild(fs, keep, nullptr);
}

// Ear clipping of the polygon poly (vertex indices) in its best-fit plane; appends the
// triangles (in the polygon's turning sense) to tris. False when no ear can be cut.
bool clip_ears(std::vector<unsigned>* tris, const std::vector<unsigned>& poly, const double* xyz) {
    const std::size_t n = poly.size();
    double nrm[3] = {0, 0, 0};  // Newell's normal: it follows the polygon's turning sense
    for (std::size_t i = 0; i < n; ++i) {
        const double* p = xyz + 3 * std::size_t(poly[i]);
        const double* q = xyz + 3 * std::size_t(poly[(i + 1) % n]);
        nrm[0] += (p[1] - q[1]) * (p[2] + q[2]);
        nrm[1] += (p[2] - q[2]) * (p[0] + q[0]);
        nrm[2] += (p[0] - q[0]) * (p[1] + q[1]);
    }
    const double len = std::sqrt(nrm[0] * nrm[0] + nrm[1] * nrm[1] + nrm[2] * nrm[2]);
    if (!(len > 0.0)) return false;
    for (double& x : nrm) x /= len;
    // u, v span the plane with u x v = nrm.
    double u[3];
    if (std::fabs(nrm[0]) < 0.9) { u[0] = 0; u[1] = nrm[2]; u[2] = -nrm[1]; }
    else { u[0] = -nrm[2]; u[1] = 0; u[2] = nrm[0]; }
    const double ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (double& x : u) x /= ul;
    const double v[3] = {nrm[1] * u[2] - nrm[2] * u[1], nrm[2] * u[0] - nrm[0] * u[2],
                         nrm[0] * u[1] - nrm[1] * u[0]};
    std::vector<double> pu(n), pv(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double* p = xyz + 3 * std::size_t(poly[i]);
        pu[i] = p[0] * u[0] + p[1] * u[1] + p[2] * u[2];
        pv[i] = p[0] * v[0] + p[1] * v[1] + p[2] * v[2];
    }
    auto turn = [&](std::size_t a, std::size_t b, std::size_t c) {
        return (pu[b] - pu[a]) * (pv[c] - pv[a]) - (pv[b] - pv[a]) * (pu[c] - pu[a]);
    };
    std::vector<std::size_t> left(n);
    for (std::size_t i = 0; i < n; ++i) left[i] = i;
    std::vector<unsigned> out;
    while (left.size() > 3) {
        bool cut = false;
        const std::size_t m = left.size();
        for (std::size_t i = 0; i < m && !cut; ++i) {
            const std::size_t a = left[(i + m - 1) % m], b = left[i], c = left[(i + 1) % m];
            if (!(turn(a, b, c) > 0.0)) continue;  // reflex or flat corner
            bool empty = true;
            for (std::size_t j = 0; j < m && empty; ++j) {
                const std::size_t p = left[j];
                if (p == a || p == b || p == c) continue;
                empty = !(turn(a, b, p) >= 0.0 && turn(b, c, p) >= 0.0 && turn(c, a, p) >= 0.0);
            }
            if (!empty) continue;
            out.insert(out.end(), {poly[a], poly[b], poly[c]});
            left.erase(left.begin() + static_cast<std::ptrdiff_t>(i));
            cut = true;
        }
        if (!cut) return false;
    }
    if (!(turn(left[0], left[1], left[2]) > 0.0)) return false;
    out.insert(out.end(), {poly[left[0]], poly[left[1]], poly[left[2]]});
    tris->insert(tris->end(), out.begin(), out.end());
    return true;
}

// The edge of vertices a and b, or KELM_NONE.
unsigned find_edge(const MeshEdges& me, unsigned a, unsigned b) {
    const unsigned lo = std::min(a, b), hi = std::max(a, b);
    unsigned first = 0, count = me.edges();
    while (count > 0) {  // edges are numbered in (lower, higher) vertex order
        const unsigned half = count / 2, e = first + half;
        const unsigned elo = me.lo(e), ehi = me.hi(e);
        if (elo < lo || (elo == lo && ehi < hi)) {
            first = e + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    const bool found =
        first < me.edges() && me.lo(first) == lo && me.hi(first) == hi;
    return found ? first : KELM_NONE;
}

// New facets must not repeat a facet (the border of a lone facet is a hole too) nor
// add a third facet to an edge the mesh already has.
bool fits(const std::vector<unsigned>& tris, std::size_t from, const MeshEdges& me,
          const std::vector<unsigned>& hole) {
    if (hole.size() == 3) {
        unsigned key[3] = {hole[0], hole[1], hole[2]};
        std::sort(key, key + 3);
        const unsigned e = find_edge(me, hole[0], hole[1]);
        for (unsigned i = me.edge_start[e]; i < me.edge_start[e + 1]; ++i) {
            const unsigned f = me.edge_sides[i] / 3;
            unsigned other[3] = {me.corners[3 * f], me.corners[3 * f + 1], me.corners[3 * f + 2]};
            std::sort(other, other + 3);
            if (std::equal(key, key + 3, other)) return false;
        }
        return true;
    }
    const std::size_t n = hole.size();
    for (std::size_t t = from; t < tris.size(); t += 3)
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned a = tris[t + k], b = tris[t + (k + 1) % 3];
            bool border = false;
            for (std::size_t i = 0; i < n && !border; ++i)
                border = (hole[i] == a && hole[(i + 1) % n] == b) ||
                         (hole[i] == b && hole[(i + 1) % n] == a);
            if (!border && find_edge(me, a, b) != KELM_NONE) return false;
        }
    return true;
}

void fill_holes(KelmMeshFacetSet* fs, unsigned max_edges, KelmMeshRepairReport* r) {
    MeshEdges me;
    kelm_internal::build_mesh_edges(&me, fs);
    std::vector<KelmMeshCheckHole> holes;
    const double* xyz = fs->rawverts().data();
    kelm_internal::find_holes(&holes, me, xyz);
    std::vector<unsigned> tris;
    for (const KelmMeshCheckHole& h : holes) {
        std::vector<unsigned> sorted = h.vertices;
        std::sort(sorted.begin(), sorted.end());
        const bool simple = std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
        const std::size_t from = tris.size();
        if (!h.closed || !h.directed || h.edges > max_edges || h.edges < 3 || !simple ||
            !clip_ears(&tris, h.vertices, xyz) || !fits(tris, from, me, h.vertices)) {
            tris.resize(from);
            ++r->unfilled_holes;
            continue;
        }
        ++r->filled_holes;
    }
    if (tris.empty()) return;
    const unsigned first = fs->getFacetCount();
    for (std::size_t i = 0; i < tris.size(); i += 3) {
        KelmMeshFacet* f = fs->createFacet(nullptr);
        for (unsigned k = 0; k < 3; ++k) f->vertex[k] = tris[i + k];
    }
    r->added_facets = static_cast<unsigned>(tris.size() / 3);
    if (fs->getFaceCount() > 0) fs->createFace(first, r->added_facets);
}

}  // namespace

unsigned int kelm_mesh_weld(KelmMeshFacetSet* fs, double tolerance) {
    if (!fs || !(tolerance >= 0.0)) return 0;
    std::vector<unsigned> rep;
    const unsigned merged = weld_map(&rep, fs, tolerance);
    if (merged == 0) return 0;
    const unsigned nv = fs->getVertexCount();
    for (unsigned f = 0; f < fs->getFacetCount(); ++f) {
        KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        for (unsigned k = 0; k < 3; ++k)
            if (facet->vertex[k] < nv) facet->vertex[k] = rep[facet->vertex[k]];
    }
    return merged;
}

namespace {

// The weld step of the repair: the merged vertices leave the list as well.
unsigned weld_and_compact(KelmMeshFacetSet* fs, double tolerance) {
    std::vector<unsigned> rep;
    const unsigned merged = weld_map(&rep, fs, tolerance);
    if (merged == 0) return 0;
    // Kept vertices are renumbered in order; merged ones take their keeper's number.
    std::vector<unsigned> index(rep.size());
    unsigned next = 0;
    for (std::size_t v = 0; v < rep.size(); ++v) index[v] = rep[v] == v ? next++ : index[rep[v]];
    std::vector<unsigned char> keep(fs->getFacetCount(), 1);
    rebuild(fs, keep, &index);
    return merged;
}

}  // namespace

int kelm_mesh_repair(KelmMeshFacetSet* out, KelmMeshRepairReport* report,
                     const KelmMeshFacetSet* in, const KelmMeshRepairOptions* opts) {
    if (!out || !in || out == in) return 0;
    const KelmMeshRepairOptions defaults;
    const KelmMeshRepairOptions& o = opts ? *opts : defaults;
    KelmMeshRepairReport local;
    KelmMeshRepairReport& r = report ? *report : local;
    r = KelmMeshRepairReport();
    kelm_mesh_copy(out, in);
    if (o.weld_tolerance >= 0.0) r.welded_vertices = weld_and_compact(out, o.weld_tolerance);
    drop_facets(out, o, &r);
    if (o.orient) orient_parts(out, &r);
    if (o.min_part_facets > 1) drop_small_parts(out, o.min_part_facets, &r);
    if (o.fill_holes > 0) {
        fill_holes(out, o.fill_holes, &r);
        // Parts the fill closed are turned outward now; the new facets already agree
        // with their neighbours, so only whole parts flip.
        if (o.orient && r.added_facets > 0) {
            const unsigned conflicts = r.orientation_conflicts;
            orient_parts(out, &r);
            r.orientation_conflicts = conflicts;
        }
    }
    return 1;
}

unsigned int kelm_mesh_split_parts(std::vector<KelmMeshFacetSet>* parts,
                                   const KelmMeshFacetSet* fs) {
    if (!parts) return 0;
    parts->clear();
    if (!fs) return 0;
    MeshEdges me;
    kelm_internal::build_mesh_edges(&me, fs);
    std::vector<unsigned> part;
    kelm_internal::find_parts(&part, me);
    std::vector<unsigned> vmap(me.nv), nmap(fs->getNormalCount()), fmap(me.nf);
    for (unsigned root = 0; root < me.nf; ++root) {
        if (part[root] != root) continue;
        parts->emplace_back();
        KelmMeshFacetSet& out = parts->back();
        std::fill(vmap.begin(), vmap.end(), KELM_NONE);
        std::fill(nmap.begin(), nmap.end(), KELM_NONE);
        std::fill(fmap.begin(), fmap.end(), KELM_NONE);
        for (unsigned f = root; f < me.nf; ++f) {
            if (part[f] != root) continue;
            const KelmMeshFacet* facet = fs->getFacet(f);
            for (unsigned k = 0; k < 3; ++k) {
                vmap[facet->vertex[k]] = 0;
                if (facet->normal[k] < nmap.size()) nmap[facet->normal[k]] = 0;
            }
        }
        for (unsigned v = 0; v < me.nv; ++v)
            if (vmap[v] == 0) vmap[v] = out.createVertex(fs->rawverts().get(v));
        for (unsigned n = 0; n < nmap.size(); ++n)
            if (nmap[n] == 0) nmap[n] = out.createNormal(fs->rawnormals().get(n));
        for (unsigned f = root; f < me.nf; ++f) {
            if (part[f] != root) continue;
            const KelmMeshFacet* facet = fs->getFacet(f);
            KelmMeshFacet* g = out.createFacet(&fmap[f]);
            for (unsigned k = 0; k < 3; ++k) {
                g->vertex[k] = vmap[facet->vertex[k]];
                g->normal[k] = facet->normal[k] < nmap.size() ? nmap[facet->normal[k]] : KELM_NONE;
            }
        }
        carry_faces(&out, fs, fmap);
        out.is_manifold(fs->is_manifold());
    }
    return static_cast<unsigned>(parts->size());
}
