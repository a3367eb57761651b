// The polygon triangulation on decoded rings.
//
// Input layout: one byte for the fill rule and the coordinate mode, then rings: a
// byte for the point count (0 to 15) followed by the points. In the tame mode the
// coordinates lie on a small grid (many touching, shared, collinear and crossing
// segments); otherwise they come from the shared coordinate decoder (NaN, the
// infinities, huge, tiny and denormal values). Every call must return; a result must
// use valid vertices, list the rings' points first, and in the tame mode exist and
// cover exactly the area the fill rule gives the rings, worked out by integrating
// over horizontal bands without a triangulation.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "kelmmath/delaunay/polygon.h"

namespace {

using Ring = std::vector<double>;

struct Slope {
    double x0, y0, x1, y1;
    int up;
    double x_at(double y) const { return x0 + (x1 - x0) * ((y - y0) / (y1 - y0)); }
};

bool inside(int rule, int w) { return rule == KELM_FILL_EVEN_ODD ? (w & 1) != 0 : w != 0; }

double length_at(const std::vector<Slope>& slopes, double y, int rule) {
    std::vector<std::pair<double, int>> xs;
    for (const Slope& s : slopes)
        if (s.y0 < y && y < s.y1) xs.emplace_back(s.x_at(y), s.up ? 1 : -1);
    std::sort(xs.begin(), xs.end());
    double length = 0.0;
    int w = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        w += xs[i].second;
        if (inside(rule, w)) length += xs[i + 1].first - xs[i].first;
    }
    return length;
}

// Bands cut at every point's height and every height where two segments cross;
// the inside length is linear within a band.
double fill_area(const std::vector<Ring>& rings, int rule) {
    std::vector<Slope> slopes;
    std::vector<double> ys;
    for (const Ring& r : rings) {
        const std::size_t n = r.size() / 2;
        for (std::size_t i = 0; i < n; ++i) {
            const double px = r[2 * i], py = r[2 * i + 1];
            const double qx = r[2 * ((i + 1) % n)], qy = r[2 * ((i + 1) % n) + 1];
            ys.push_back(py);
            if (py < qy) slopes.push_back({px, py, qx, qy, 1});
            if (py > qy) slopes.push_back({qx, qy, px, py, 0});
        }
    }
    for (std::size_t i = 0; i < slopes.size(); ++i) {
        for (std::size_t j = i + 1; j < slopes.size(); ++j) {
            const double lo = std::max(slopes[i].y0, slopes[j].y0);
            const double hi = std::min(slopes[i].y1, slopes[j].y1);
            if (!(lo < hi)) continue;
            const double da = slopes[j].x_at(lo) - slopes[i].x_at(lo);
            const double db = slopes[j].x_at(hi) - slopes[i].x_at(hi);
            if ((da > 0 && db < 0) || (da < 0 && db > 0)) ys.push_back(lo + (hi - lo) * da / (da - db));
        }
    }
    std::sort(ys.begin(), ys.end());
    double area = 0.0;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k)
        if (ys[k + 1] > ys[k])
            area += (ys[k + 1] - ys[k]) * length_at(slopes, 0.5 * (ys[k] + ys[k + 1]), rule);
    return area;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kelm_fuzz::QuietContext quiet;
    kelm_fuzz::Bytes in(data, size);
    const uint8_t mode = in.u8();
    const int rule = mode & 1 ? KELM_FILL_NON_ZERO : KELM_FILL_EVEN_ODD;
    const bool tame = (mode & 2) == 0;

    KelmPolygon2D poly;
    std::vector<Ring> kept;
    while (!in.empty() && kept.size() < 12) {
        const unsigned n = in.u8() % 16;
        Ring r;
        for (unsigned i = 0; i < 2 * n; ++i)
            r.push_back(tame ? static_cast<double>(static_cast<int8_t>(in.u8()) % 9) / (1 + (i & 1))
                             : in.coordinate());
        if (poly.addRing(r.data(), n)) kept.push_back(r);
    }
    KELM_FUZZ_CHECK(poly.getRingCount() == kept.size());
    const int ok = poly.triangulate(rule);
    if (!ok) {
        KELM_FUZZ_CHECK(poly.getTriangleCount() == 0 && poly.getPointCount() == 0);
        KELM_FUZZ_CHECK(!tame || kept.empty());
        return 0;
    }
    const unsigned np = poly.getPointCount();
    KELM_FUZZ_CHECK(poly.getInputPointCount() <= np);
    double area = 0.0;
    for (unsigned t = 0; t < poly.getTriangleCount(); ++t) {
        unsigned v[3];
        poly.getTriangle(&v[0], &v[1], &v[2], t);
        KELM_FUZZ_CHECK(v[0] < np && v[1] < np && v[2] < np);
        const double *a = poly.getPoint(v[0]), *b = poly.getPoint(v[1]), *c = poly.getPoint(v[2]);
        area += 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
    }
    if (tame) {
        const double want = fill_area(kept, rule);
        if (std::fabs(area - want) > 1e-9) {
            std::fprintf(stderr, "area %.17g, the fill rule gives %.17g\n", area, want);
            std::abort();
        }
    }
    return 0;
}
