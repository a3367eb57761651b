// Hash of KelmPolygon2D results (points bits, triangles, return code) over many outlines.
#include <kelmmath/kelmmath.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include "maptile.h"
static unsigned long long H = 1469598103934665603ull;
static void mix(unsigned long long x) { H = (H ^ x) * 1099511628211ull; }
struct Quiet : KelmErrorContext { void report(Severity, const char* m) override { for (const char* c = m; *c; ++c) mix(static_cast<unsigned char>(*c)); } };
static Quiet quiet;
static void run(const std::vector<Ring>& rings, int rule) {
    kelm_set_ec(&quiet);
    KelmPolygon2D p;
    for (const Ring& r : rings) p.addRing(r.data(), static_cast<unsigned>(r.size() / 2));
    int ok = p.triangulate(rule);
    mix(ok);
    mix(p.getPointCount());
    for (unsigned i = 0; i < p.getPointCount(); ++i) { unsigned long long b[2]; std::memcpy(b, p.getPoint(i), 16); mix(b[0]); mix(b[1]); }
    mix(p.getTriangleCount());
    for (unsigned t = 0; t < p.getTriangleCount(); ++t) { unsigned a, b, c; p.getTriangle(&a, &b, &c, t); mix(a); mix(b); mix(c); }
}
int main(int argc, char** argv) {
    int per = 0;
    for (int rule : {KELM_FILL_EVEN_ODD, KELM_FILL_NON_ZERO}) { MapTile t; run(t.rings, rule); }
    std::printf("tile %016llx\n", H);
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i]); std::string line; std::vector<Ring> rings(1);
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '#') continue;
            double x, y; std::istringstream ss(line);
            if (ss >> x >> y) rings.back().push_back(x), rings.back().push_back(y);
            else if (!rings.back().empty()) rings.emplace_back();
        }
        for (int rule : {KELM_FILL_EVEN_ODD, KELM_FILL_NON_ZERO}) run(rings, rule);
    }
    std::printf("files %016llx\n", H);
    std::mt19937 g(7);
    for (int c = 0; c < 4000; ++c) {
        std::vector<Ring> rings;
        int nr = 1 + g() % 5; int mode = c % 4;
        for (int r = 0; r < nr; ++r) {
            Ring ring; int n = 3 + g() % 9;
            for (int k = 0; k < n; ++k) {
                double x, y;
                if (mode == 0) { x = g() % 5; y = g() % 5; }
                else if (mode == 1) { x = (g() % 9) * 0.25; y = (g() % 9) * 0.25 + ((g() % 7 == 0) ? 1e-15 : 0); }
                else if (mode == 2) { x = 2e7 + (g() % 1000) * 0.1; y = 1e7 + (g() % 1000) * 0.1; }
                else { std::uniform_real_distribution<double> u(0, 10); x = u(g); y = u(g); }
                ring.push_back(x); ring.push_back(y);
            }
            rings.push_back(ring);
        }
        run(rings, c % 2 ? KELM_FILL_EVEN_ODD : KELM_FILL_NON_ZERO);
        ++per;
    }
    std::printf("random %016llx (%d)\n", H, per);
}
