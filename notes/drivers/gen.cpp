#include <cstdint>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kRing = 1000, kTube = 1000;  // 2 000 000 facets

struct Triangle {
    float c[9];
};

// The torus as triangles (outward orientation), in ring order.
std::vector<Triangle> torus_triangles(unsigned nu, unsigned nv) {
    auto vertex = [&](unsigned i, unsigned j, float* out) {
        const double u = 6.283185307179586 * (i % nu) / nu, v = 6.283185307179586 * (j % nv) / nv;
        out[0] = static_cast<float>((50.0 + 20.0 * std::cos(v)) * std::cos(u));
        out[1] = static_cast<float>((50.0 + 20.0 * std::cos(v)) * std::sin(u));
        out[2] = static_cast<float>(20.0 * std::sin(v));
    };
    std::vector<Triangle> tris;
    tris.reserve(2ull * nu * nv);
    for (unsigned i = 0; i < nu; ++i)
        for (unsigned j = 0; j < nv; ++j) {
            Triangle a, b;
            vertex(i, j, a.c);
            vertex(i + 1, j, a.c + 3);
            vertex(i + 1, j + 1, a.c + 6);
            vertex(i, j, b.c);
            vertex(i + 1, j + 1, b.c + 3);
            vertex(i, j + 1, b.c + 6);
            tris.push_back(a);
            tris.push_back(b);
        }
    return tris;
}

std::string temp_path(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/kelm_meshfile_bench_" +
           std::to_string(getpid()) + "_" + name;
}

void write_binary_stl(const std::string& path, const std::vector<Triangle>& tris) {
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return;
    char header[80] = "solid torus (binary, whatever the first word says)";
    std::fwrite(header, 1, 80, fp);
    const std::uint32_t n = static_cast<std::uint32_t>(tris.size());
    std::fwrite(&n, 4, 1, fp);
    std::vector<char> rec(50 * tris.size());
    for (std::size_t i = 0; i < tris.size(); ++i) {
        const float normal[3] = {0, 0, 0};
        std::memcpy(&rec[50 * i], normal, 12);
        std::memcpy(&rec[50 * i + 12], tris[i].c, 36);
    }
    std::fwrite(rec.data(), 1, rec.size(), fp);
    std::fclose(fp);
}

// The two files, made once for the whole run.
struct Files {
    std::string ring = temp_path("ring.stl"), shuffled = temp_path("shuffled.stl");
    Files() {
        std::vector<Triangle> tris = torus_triangles(kRing, kTube);
        write_binary_stl(ring, tris);
        std::mt19937 rng(12345);
        for (std::size_t i = tris.size(); i > 1; --i)
            std::swap(tris[i - 1], tris[rng() % i]);
        write_binary_stl(shuffled, tris);
    }
    ~Files() {
        std::remove(ring.c_str());
        std::remove(shuffled.c_str());
    }
};

}
int main(){ std::vector<Triangle> tris = torus_triangles(kRing, kTube);
 write_binary_stl("ring.stl", tris);
 std::mt19937 rng(12345);
 for (std::size_t i = tris.size(); i > 1; --i) std::swap(tris[i - 1], tris[rng() % i]);
 write_binary_stl("shuffled.stl", tris); }
