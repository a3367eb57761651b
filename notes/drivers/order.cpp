// Ours and CGAL on 10^6 uniform points: given (random) order and Hilbert-sorted order.
#include <kelmmath/kelmmath.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/spatial_sort.h>
#include <random>
#include <cstdio>
#include <time.h>
using K = CGAL::Exact_predicates_inexact_constructions_kernel;
static double now() { timespec t; clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t); return t.tv_sec + 1e-9 * t.tv_nsec; }
static double ours(const std::vector<K::Point_2>& p) {
    KelmReal2DArray pts; pts.size(p.size());
    for (unsigned i = 0; i < p.size(); ++i) { pts[i][0] = p[i].x(); pts[i][1] = p[i].y(); }
    KelmBoundingBox2D box; box.update(pts);
    double t0 = now(); KelmDelaunay2D d; d.init(&box, 1.0); d.insertPoints(pts); return now() - t0;
}
static double cgalOneByOne(const std::vector<K::Point_2>& p) {
    double t0 = now(); CGAL::Delaunay_triangulation_2<K> dt; CGAL::Delaunay_triangulation_2<K>::Face_handle h;
    for (auto& q : p) h = dt.insert(q, h)->face(); return now() - t0;
}
static double cgalRange(const std::vector<K::Point_2>& p) {
    double t0 = now(); CGAL::Delaunay_triangulation_2<K> dt; dt.insert(p.begin(), p.end()); return now() - t0;
}
int main(int argc, char** argv) {
    unsigned n = argc > 1 ? atoi(argv[1]) : 1000000;
    std::mt19937 g(12345); std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<K::Point_2> p; for (unsigned i = 0; i < n; ++i) { double x = u(g), y = u(g); p.emplace_back(x, y); }
    std::vector<K::Point_2> s = p; CGAL::hilbert_sort(s.begin(), s.end());
    for (int r = 0; r < 3; ++r)
        std::printf("random: ours %.3f cgal1by1 %.3f | sorted: ours %.3f cgal1by1 %.3f | cgal range %.3f\n",
            ours(p), cgalOneByOne(p), ours(s), cgalOneByOne(s), cgalRange(p));
}
