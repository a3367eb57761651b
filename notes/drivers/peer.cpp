#include <kelmmath/kelmmath.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <random>
#include <cstdio>
#include <time.h>
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
static double now() { timespec t; clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t); return t.tv_sec + 1e-9 * t.tv_nsec; }
int main() {
    std::mt19937 g(12345); std::uniform_real_distribution<double> u(0.0, 1.0);
    unsigned n = 1000000; std::vector<K::Point_2> p; KelmReal2DArray pts; pts.size(n);
    for (unsigned i = 0; i < n; ++i) { double x = u(g), y = u(g); p.emplace_back(x, y); pts[i][0] = x; pts[i][1] = y; }
    KelmBoundingBox2D box; box.update(pts);
    for (int r = 0; r < 2; ++r) {
        double t0 = now(); { KelmDelaunay2D d; d.init(&box, 1.0); d.insertPoints(pts); } double t1 = now();
        { CGAL::Delaunay_triangulation_2<K> dt; dt.insert(p.begin(), p.end()); } double t2 = now();
        std::printf("ours %.3f cgal %.3f x %.2f\n", t1 - t0, t2 - t1, (t1 - t0) / (t2 - t1));
    }
}
