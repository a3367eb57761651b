// insertPoints of 10^6 uniform points (mt19937 seed 12345): processor seconds, the
// triangle count and a hash of the triangles, to compare two library builds (A/B).
#include <kelmmath/kelmmath.h>
#include <random>
#include <cstdio>
#include <time.h>
static double now() { timespec t; clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t); return t.tv_sec + 1e-9 * t.tv_nsec; }
int main(int argc, char** argv) {
    unsigned n = argc > 1 ? atoi(argv[1]) : 1000000;
    std::mt19937 g(12345); std::uniform_real_distribution<double> u(0.0, 1.0);
    KelmReal2DArray pts; pts.size(n);
    for (unsigned i = 0; i < n; ++i) { pts[i][0] = u(g); pts[i][1] = u(g); }
    KelmBoundingBox2D box; box.update(pts);
    double t0 = now();
    KelmDelaunay2D d; d.init(&box, 1.0); d.insertPoints(pts);
    double t1 = now();
    unsigned long long h = 0; for (unsigned t = 0; t < d.getTriangleCount(); ++t) for (int k = 0; k < 3; ++k) h = h * 1000003 + d.getTriangleVertex(t, k);
    std::printf("%.4f %u %llx\n", t1 - t0, d.getTriangleCount(), h);
}
