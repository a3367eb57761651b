#include <kelmmath/kelmmath.h>
#include <chrono>
#include <cstdio>
#include "maptile.h"
int main() {
    MapTile tile; KelmReal2DArray pts; std::vector<std::pair<unsigned,unsigned>> segs;
    unsigned n = 0;
    for (auto& r : tile.rings) { unsigned m = r.size() / 2; for (unsigned i = 0; i < m; ++i) segs.push_back({3 + n + i, 3 + n + (i + 1) % m}); n += m; }
    pts.size(n); n = 0;
    for (auto& r : tile.rings) for (size_t i = 0; i < r.size(); i += 2) { pts[n][0] = r[i]; pts[n][1] = r[i + 1]; ++n; }
    KelmBoundingBox2D box; box.update(pts);
    KelmDelaunay2D d; d.init(&box, 1.0); d.insertPoints(pts);
    double best = 1e9; unsigned long long h = 0;
    for (int r = 0; r < 50; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        for (auto& s : segs) h += d.findEdge(s.first, s.second);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::printf("findEdge x%zu: %.3f ms (%llu)\n", segs.size(), best * 1e3, h);
}
