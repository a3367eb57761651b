// A client of the installed package: it includes only the umbrella header.
#include <kelmmath/kelmmath.h>

#include <cstdio>

int main() {
    double r[3];
    kelm_vec_cross(r, kelm_vec_100, kelm_vec_010);
    if (r[2] != 1.0) return 1;
    KelmStringObject s("kelmmath");
    std::printf("consumer: cross z = %g, %s\n", r[2], s.str());
    return 0;
}
