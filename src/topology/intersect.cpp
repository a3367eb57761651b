// Self-intersection search: a uniform grid over the facets' bounds proposes pairs,
// exact orientation predicates decide them.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "kelmmath/mesh/facetset.h"
#include "kelmmath/topology/check.h"
#include "topology/internal_check.h"

namespace {

// ---- Exact sign of small determinants -------------------------------------------
// Numbers are nonoverlapping expansions (sums of doubles, increasing magnitude): sums
// and products of them are exact, so the sign of the largest component is the sign
// of the value. Only used when the floating-point filter cannot decide.

using Expansion = std::vector<double>;

void two_sum(double a, double b, double& x, double& y) {
    x = a + b;
    const double bv = x - a;
    const double av = x - bv;
    y = (a - av) + (b - bv);
}

Expansion exact_diff(double a, double b) {
    double x, y;
    two_sum(a, -b, x, y);
    return {y, x};
}

// e + f by growing e with each component of f; zero components are dropped.
Expansion add(const Expansion& e, const Expansion& f) {
    Expansion h = e;
    for (double b : f) {
        Expansion g;
        g.reserve(h.size() + 1);
        double q = b;
        for (double a : h) {
            double sum, err;
            two_sum(q, a, sum, err);
            if (err != 0.0) g.push_back(err);
            q = sum;
        }
        g.push_back(q);
        h.swap(g);
    }
    return h;
}

Expansion scale(const Expansion& e, double b) {
    Expansion h;
    for (double a : e) {
        const double p = a * b;
        const double err = std::fma(a, b, -p);
        h = add(h, {err, p});
    }
    return h;
}

Expansion mul(const Expansion& e, const Expansion& f) {
    Expansion h;
    for (double b : f) h = add(h, scale(e, b));
    return h;
}

Expansion neg(Expansion e) {
    for (double& x : e) x = -x;
    return e;
}

int sign_of(const Expansion& e) {
    for (auto it = e.rbegin(); it != e.rend(); ++it)
        if (*it != 0.0) return *it > 0.0 ? 1 : -1;
    return 0;
}

// Sign of the 2 x 2 determinant | a b ; c d | of exact expansions.
Expansion det2(const Expansion& a, const Expansion& b, const Expansion& c, const Expansion& d) {
    return add(mul(a, d), neg(mul(b, c)));
}

// Sign of the sum of n doubles, exactly: each is grown into a nonoverlapping
// expansion kept in place, zeros dropped.
int sign_of_sum(const double* x, int n) {
    double h[64];
    int m = 0;
    for (int i = 0; i < n; ++i) {
        double q = x[i];
        int k = 0;
        for (int j = 0; j < m; ++j) {
            double sum, err;
            two_sum(q, h[j], sum, err);
            if (err != 0.0) h[k++] = err;
            q = sum;
        }
        if (q != 0.0) h[k++] = q;
        m = k;
    }
    for (int j = m; j-- > 0;)
        if (h[j] != 0.0) return h[j] > 0.0 ? 1 : -1;
    return 0;
}

// x * y * z as four doubles that sum to it exactly.
void product3(double* out, double x, double y, double z) {
    const double p = y * z, pe = std::fma(y, z, -p);
    out[0] = p * x;
    out[1] = std::fma(p, x, -out[0]);
    out[2] = pe * x;
    out[3] = std::fma(pe, x, -out[2]);
}

int orient3d_exact(const double* a, const double* b, const double* c, const double* d) {
    // Most often the differences are exact (nearby coordinates): six triple products of
    // doubles, 24 terms, without any allocation.
    double m3[3][3];
    bool exact = true;
    for (int k = 0; k < 3 && exact; ++k) {
        const double* p[3] = {a, b, c};
        for (int r = 0; r < 3 && exact; ++r) {
            double x, y;
            two_sum(p[r][k], -d[k], x, y);
            m3[r][k] = x;
            exact = y == 0.0;
        }
    }
    if (exact) {
        double t[24];
        product3(t + 0, m3[0][0], m3[1][1], m3[2][2]);
        product3(t + 4, -m3[0][0], m3[1][2], m3[2][1]);
        product3(t + 8, -m3[0][1], m3[1][0], m3[2][2]);
        product3(t + 12, m3[0][1], m3[1][2], m3[2][0]);
        product3(t + 16, m3[0][2], m3[1][0], m3[2][1]);
        product3(t + 20, -m3[0][2], m3[1][1], m3[2][0]);
        return sign_of_sum(t, 24);
    }
    Expansion m[3][3];
    for (int k = 0; k < 3; ++k) {
        m[0][k] = exact_diff(a[k], d[k]);
        m[1][k] = exact_diff(b[k], d[k]);
        m[2][k] = exact_diff(c[k], d[k]);
    }
    const Expansion t0 = mul(m[0][0], det2(m[1][1], m[1][2], m[2][1], m[2][2]));
    const Expansion t1 = mul(m[0][1], det2(m[1][0], m[1][2], m[2][0], m[2][2]));
    const Expansion t2 = mul(m[0][2], det2(m[1][0], m[1][1], m[2][0], m[2][1]));
    return sign_of(add(add(t0, neg(t1)), t2));
}

// Sign of the volume of (a, b, c, d): positive when d lies below the plane of a, b, c
// seen counter-clockwise (the usual orient3d convention).
int orient3d(const double* a, const double* b, const double* c, const double* d) {
    const double adx = a[0] - d[0], ady = a[1] - d[1], adz = a[2] - d[2];
    const double bdx = b[0] - d[0], bdy = b[1] - d[1], bdz = b[2] - d[2];
    const double cdx = c[0] - d[0], cdy = c[1] - d[1], cdz = c[2] - d[2];
    const double bc = bdy * cdz - bdz * cdy, ca = cdy * adz - cdz * ady,
                 ab = ady * bdz - adz * bdy;
    const double det = adx * bc + bdx * ca + cdx * ab;
    const double perm = std::fabs(adx) * (std::fabs(bdy * cdz) + std::fabs(bdz * cdy)) +
                        std::fabs(bdx) * (std::fabs(cdy * adz) + std::fabs(cdz * ady)) +
                        std::fabs(cdx) * (std::fabs(ady * bdz) + std::fabs(adz * bdy));
    // Error bound of the straightforward evaluation (with room for the differences).
    const double bound = (7.0 * DBL_EPSILON + 56.0 * DBL_EPSILON * DBL_EPSILON) * perm;
    if (det > bound) return 1;
    if (-det > bound) return -1;
    if (perm == 0.0) return 0;
    return orient3d_exact(a, b, c, d);
}

// Sign of the turn a -> b -> c in the plane of coordinates (i, j).
int orient2d(const double* a, const double* b, const double* c, int i, int j) {
    const double l = (a[i] - c[i]) * (b[j] - c[j]);
    const double r = (a[j] - c[j]) * (b[i] - c[i]);
    const double det = l - r;
    const double bound = (3.0 * DBL_EPSILON + 16.0 * DBL_EPSILON * DBL_EPSILON) *
                         (std::fabs(l) + std::fabs(r));
    if (det > bound) return 1;
    if (-det > bound) return -1;
    if (l == 0.0 && r == 0.0) return 0;
    return sign_of(det2(exact_diff(a[i], c[i]), exact_diff(a[j], c[j]), exact_diff(b[i], c[i]),
                        exact_diff(b[j], c[j])));
}

// ---- Triangle tests ---------------------------------------------------------------

struct Tri {
    const double* p[3];
};

// The plane for 2D tests of coplanar facets: drop the axis along which the facet's
// normal is largest (its projection is then a non-degenerate triangle).
void drop_axis(const Tri& t, int& i, int& j) {
    const double *a = t.p[0], *b = t.p[1], *c = t.p[2];
    const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
    const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
    const double nx = std::fabs(uy * vz - uz * vy), ny = std::fabs(uz * vx - ux * vz),
                 nz = std::fabs(ux * vy - uy * vx);
    if (nx >= ny && nx >= nz) { i = 1; j = 2; }
    else if (ny >= nz) { i = 2; j = 0; }
    else { i = 0; j = 1; }
    // Exactness: the projection may still be degenerate when the normal's largest
    // component rounds; the exact orient2d then answers 0 for the whole triangle.
}

// Closed segments ab and cd in the plane (i, j) meet.
bool segments_meet_2d(const double* a, const double* b, const double* c, const double* d, int i,
                      int j) {
    const int o1 = orient2d(a, b, c, i, j), o2 = orient2d(a, b, d, i, j);
    const int o3 = orient2d(c, d, a, i, j), o4 = orient2d(c, d, b, i, j);
    if (o1 * o2 < 0 && o3 * o4 < 0) return true;
    auto on = [&](const double* p, const double* q, const double* r) {
        // r on segment pq, given the three are collinear.
        return std::min(p[i], q[i]) <= r[i] && r[i] <= std::max(p[i], q[i]) &&
               std::min(p[j], q[j]) <= r[j] && r[j] <= std::max(p[j], q[j]);
    };
    if (o1 == 0 && on(a, b, c)) return true;
    if (o2 == 0 && on(a, b, d)) return true;
    if (o3 == 0 && on(c, d, a)) return true;
    if (o4 == 0 && on(c, d, b)) return true;
    return false;
}

// Point p inside or on the closed triangle t in the plane (i, j).
bool point_in_tri_2d(const double* p, const Tri& t, int i, int j) {
    const int s = orient2d(t.p[0], t.p[1], t.p[2], i, j);
    if (s == 0) return false;
    for (int k = 0; k < 3; ++k)
        if (orient2d(t.p[k], t.p[(k + 1) % 3], p, i, j) * s < 0) return false;
    return true;
}

bool segment_meets_tri_2d(const double* a, const double* b, const Tri& t, int i, int j) {
    if (point_in_tri_2d(a, t, i, j) || point_in_tri_2d(b, t, i, j)) return true;
    for (int k = 0; k < 3; ++k)
        if (segments_meet_2d(a, b, t.p[k], t.p[(k + 1) % 3], i, j)) return true;
    return false;
}

// The closed segment ab meets the closed triangle t (not degenerate).
bool segment_meets_tri(const double* a, const double* b, const Tri& t) {
    const int sa = orient3d(t.p[0], t.p[1], t.p[2], a);
    const int sb = orient3d(t.p[0], t.p[1], t.p[2], b);
    if (sa * sb > 0) return false;
    if (sa == 0 && sb == 0) {
        int i, j;
        drop_axis(t, i, j);
        return segment_meets_tri_2d(a, b, t, i, j);
    }
    // The segment's line crosses the plane: it passes through the triangle when it
    // runs on the same side of all three edges (or on one).
    const int o0 = orient3d(a, b, t.p[0], t.p[1]);
    const int o1 = orient3d(a, b, t.p[1], t.p[2]);
    const int o2 = orient3d(a, b, t.p[2], t.p[0]);
    return !((o0 > 0 || o1 > 0 || o2 > 0) && (o0 < 0 || o1 < 0 || o2 < 0));
}

// Two triangles without a shared vertex meet.
bool tris_meet(const Tri& t, const Tri& u) {
    int su[3], st[3];
    for (int k = 0; k < 3; ++k) su[k] = orient3d(t.p[0], t.p[1], t.p[2], u.p[k]);
    if ((su[0] > 0 && su[1] > 0 && su[2] > 0) || (su[0] < 0 && su[1] < 0 && su[2] < 0))
        return false;
    for (int k = 0; k < 3; ++k) st[k] = orient3d(u.p[0], u.p[1], u.p[2], t.p[k]);
    if ((st[0] > 0 && st[1] > 0 && st[2] > 0) || (st[0] < 0 && st[1] < 0 && st[2] < 0))
        return false;
    if (su[0] == 0 && su[1] == 0 && su[2] == 0) {
        int i, j;
        drop_axis(t, i, j);
        for (int k = 0; k < 3; ++k)
            if (segment_meets_tri_2d(u.p[k], u.p[(k + 1) % 3], t, i, j)) return true;
        return point_in_tri_2d(t.p[0], u, i, j);
    }
    // Not coplanar: if they meet, an edge of one meets the other.
    for (int k = 0; k < 3; ++k) {
        if (segment_meets_tri(u.p[k], u.p[(k + 1) % 3], t)) return true;
        if (segment_meets_tri(t.p[k], t.p[(k + 1) % 3], u)) return true;
    }
    return false;
}

// Ray v->a lies in the closed sector of the corner v between v->c and v->d (all in
// the plane (i, j), the corner narrower than a half turn).
bool ray_in_sector(const double* v, const double* a, const double* c, const double* d, int i,
                   int j) {
    const int s = orient2d(v, c, d, i, j);
    const int o1 = orient2d(v, c, a, i, j), o2 = orient2d(v, a, d, i, j);
    if (o1 * s < 0 || o2 * s < 0) return false;
    auto ahead = [&](const double* p) {
        return (a[i] - v[i]) * (p[i] - v[i]) + (a[j] - v[j]) * (p[j] - v[j]) > 0.0;
    };
    if (o1 == 0 && !ahead(c)) return false;
    if (o2 == 0 && !ahead(d)) return false;
    return true;
}

// t = (v, a, b) and u = (v, c, d) share exactly the vertex v: do they meet elsewhere?
bool tris_meet_beyond_vertex(const double* v, const double* a, const double* b, const double* c,
                             const double* d) {
    // Usually one facet lies wholly on one side of the other's plane but for v.
    const int sc = orient3d(v, a, b, c), sd = orient3d(v, a, b, d);
    if (sc * sd > 0) return false;
    const int sa = orient3d(v, c, d, a), sb = orient3d(v, c, d, b);
    if (sa * sb > 0) return false;
    const Tri t{{v, a, b}}, u{{v, c, d}};
    if (segment_meets_tri(a, b, u) || segment_meets_tri(c, d, t)) return true;
    // In different planes that is all: the facets' common points lie on the line of the
    // two planes, and a stretch of it beyond v would end on ab or cd.
    if (sc != 0 || sd != 0) return false;
    int i, j;
    drop_axis(t, i, j);
    return ray_in_sector(v, a, c, d, i, j) || ray_in_sector(v, b, c, d, i, j) ||
           ray_in_sector(v, c, a, b, i, j) || ray_in_sector(v, d, a, b, i, j);
}

// Facets sharing the edge uw with third corners a and b fold onto each other.
bool tris_fold(const double* u, const double* w, const double* a, const double* b) {
    if (orient3d(u, w, a, b) != 0) return false;
    int i, j;
    const Tri t{{u, w, a}};
    drop_axis(t, i, j);
    return orient2d(u, w, a, i, j) * orient2d(u, w, b, i, j) > 0;
}

struct Box {
    double lo[3], hi[3];
};

bool boxes_meet(const Box& a, const Box& b) {
    for (int k = 0; k < 3; ++k)
        if (a.hi[k] < b.lo[k] || b.hi[k] < a.lo[k]) return false;
    return true;
}

// Decides one candidate pair by the vertices the two facets share.
bool pair_intersects(const unsigned* f, const unsigned* g, const double* xyz) {
    auto P = [&](unsigned v) { return xyz + 3 * std::size_t(v); };
    int shared = 0, fi[3], gi[3];
    for (int k = 0; k < 3; ++k)
        for (int m = 0; m < 3; ++m)
            if (f[k] == g[m]) {
                fi[shared] = k;
                gi[shared] = m;
                ++shared;
            }
    if (shared == 3) return false;  // duplicates are listed as such
    if (shared == 0) return tris_meet({{P(f[0]), P(f[1]), P(f[2])}}, {{P(g[0]), P(g[1]), P(g[2])}});
    if (shared == 1) {
        const int k = fi[0], m = gi[0];
        return tris_meet_beyond_vertex(P(f[k]), P(f[(k + 1) % 3]), P(f[(k + 2) % 3]),
                                       P(g[(m + 1) % 3]), P(g[(m + 2) % 3]));
    }
    const int fa = 3 - fi[0] - fi[1], ga = 3 - gi[0] - gi[1];
    return tris_fold(P(f[fi[0]]), P(f[fi[1]]), P(f[fa]), P(g[ga]));
}


// Facets that can take part: used, with a nonzero cross product.
struct Candidates {
    std::vector<unsigned> ids;
    std::vector<unsigned> corners;
    std::vector<Box> boxes;
    Box all{{DBL_MAX, DBL_MAX, DBL_MAX}, {-DBL_MAX, -DBL_MAX, -DBL_MAX}};
    double extent = 0.0;  // sum of the boxes' sides
};

void gather(Candidates* cs, const KelmMeshFacetSet* fs) {
    const unsigned nv = fs->getVertexCount(), nf = fs->getFacetCount();
    const double* xyz = fs->rawverts().data();
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        const unsigned* v = facet->vertex;
        if (v[0] >= nv || v[1] >= nv || v[2] >= nv) continue;
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) continue;
        const double *a = xyz + 3 * std::size_t(v[0]), *b = xyz + 3 * std::size_t(v[1]),
                     *c = xyz + 3 * std::size_t(v[2]);
        const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
        const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
        if (uy * vz - uz * vy == 0.0 && uz * vx - ux * vz == 0.0 && ux * vy - uy * vx == 0.0)
            continue;  // zero area: listed as such
        Box box;
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = std::min(a[k], std::min(b[k], c[k]));
            box.hi[k] = std::max(a[k], std::max(b[k], c[k]));
            cs->all.lo[k] = std::min(cs->all.lo[k], box.lo[k]);
            cs->all.hi[k] = std::max(cs->all.hi[k], box.hi[k]);
            cs->extent += box.hi[k] - box.lo[k];
        }
        cs->ids.push_back(f);
        cs->corners.insert(cs->corners.end(), v, v + 3);
        cs->boxes.push_back(box);
    }
}

void sort_pairs(std::vector<KelmMeshCheckPair>* out) {
    std::sort(out->begin(), out->end(), [](const KelmMeshCheckPair& a, const KelmMeshCheckPair& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
}

}  // namespace

void kelm_internal::self_intersections_all_pairs(std::vector<KelmMeshCheckPair>* pairs,
                                                 const KelmMeshFacetSet* fs) {
    pairs->clear();
    Candidates cs;
    gather(&cs, fs);
    const double* xyz = fs->rawverts().data();
    for (std::size_t t = 0; t < cs.ids.size(); ++t)
        for (std::size_t u = t + 1; u < cs.ids.size(); ++u)
            if (boxes_meet(cs.boxes[t], cs.boxes[u]) &&
                pair_intersects(&cs.corners[3 * t], &cs.corners[3 * u], xyz))
                pairs->push_back({cs.ids[t], cs.ids[u]});
    sort_pairs(pairs);
}
unsigned int kelm_mesh_self_intersections(std::vector<KelmMeshCheckPair>* pairs,
                                          const KelmMeshFacetSet* fs) {
    if (!pairs) return 0;
    pairs->clear();
    if (!fs) return 0;
    const double* xyz = fs->rawverts().data();
    Candidates cs;
    gather(&cs, fs);
    const std::vector<unsigned>& ids = cs.ids;
    const std::vector<Box>& boxes = cs.boxes;
    const Box& all = cs.all;
    const double extent = cs.extent;
    const std::size_t n = ids.size();
    if (n < 2) return 0;
    // Cells about the mean facet size, capped so the grid stays near the facet count.
    double cell = extent / (3.0 * double(n));
    double span[3];
    for (int k = 0; k < 3; ++k) span[k] = all.hi[k] - all.lo[k];
    const double volume_cell =
        std::cbrt(std::max(span[0], cell) * std::max(span[1], cell) * std::max(span[2], cell) /
                  double(n));
    cell = std::max(cell, volume_cell);
    if (!(cell > 0.0)) cell = 1.0;
    unsigned dim[3];
    for (int k = 0; k < 3; ++k)
        dim[k] = static_cast<unsigned>(std::min(1024.0, std::floor(span[k] / cell) + 1.0));
    auto cell_of = [&](double x, int k) {
        if (!(span[k] > 0.0)) return 0u;  // flat along k: one layer of cells
        const double c = std::floor((x - all.lo[k]) / span[k] * dim[k]);
        return static_cast<unsigned>(std::min(double(dim[k] - 1), std::max(0.0, c)));
    };
    const std::size_t ncells = std::size_t(dim[0]) * dim[1] * dim[2];
    std::vector<unsigned> range(n * 6);
    std::vector<std::size_t> start(ncells + 1, 0);
    for (std::size_t t = 0; t < n; ++t) {
        unsigned* r = &range[6 * t];
        for (int k = 0; k < 3; ++k) {
            r[k] = cell_of(boxes[t].lo[k], k);
            r[3 + k] = cell_of(boxes[t].hi[k], k);
        }
        for (unsigned z = r[2]; z <= r[5]; ++z)
            for (unsigned y = r[1]; y <= r[4]; ++y)
                for (unsigned x = r[0]; x <= r[3]; ++x)
                    ++start[(std::size_t(z) * dim[1] + y) * dim[0] + x + 1];
    }
    for (std::size_t c = 0; c < ncells; ++c) start[c + 1] += start[c];
    std::vector<unsigned> members(start[ncells]);
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    for (std::size_t t = 0; t < n; ++t) {
        const unsigned* r = &range[6 * t];
        for (unsigned z = r[2]; z <= r[5]; ++z)
            for (unsigned y = r[1]; y <= r[4]; ++y)
                for (unsigned x = r[0]; x <= r[3]; ++x)
                    members[fill[(std::size_t(z) * dim[1] + y) * dim[0] + x]++] =
                        static_cast<unsigned>(t);
    }
    std::vector<KelmMeshCheckPair>& out = *pairs;
    for (unsigned z = 0; z < dim[2]; ++z)
        for (unsigned y = 0; y < dim[1]; ++y)
            for (unsigned x = 0; x < dim[0]; ++x) {
                const std::size_t c = (std::size_t(z) * dim[1] + y) * dim[0] + x;
                const unsigned cx[3] = {x, y, z};
                for (std::size_t i = start[c]; i < start[c + 1]; ++i) {
                    const unsigned t = members[i];
                    for (std::size_t m = i + 1; m < start[c + 1]; ++m) {
                        const unsigned u = members[m];
                        // Each pair is decided in the first cell both reach.
                        bool first = true;
                        for (int k = 0; k < 3 && first; ++k)
                            first = std::max(range[6 * t + k], range[6 * u + k]) == cx[k];
                        if (!first || !boxes_meet(boxes[t], boxes[u])) continue;
                        if (!pair_intersects(&cs.corners[3 * t], &cs.corners[3 * u], xyz)) continue;
                        out.push_back({std::min(ids[t], ids[u]), std::max(ids[t], ids[u])});
                    }
                }
            }
    sort_pairs(&out);
    return static_cast<unsigned>(out.size());
}
