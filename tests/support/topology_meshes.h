#ifndef KELMMATH_TESTS_SUPPORT_TOPOLOGY_MESHES_H
#define KELMMATH_TESTS_SUPPORT_TOPOLOGY_MESHES_H

// Meshes for the topology tests, beside the shared ones in meshes.h. Each maker
// empties the caller's set and fills it.

#include <cmath>
#include <random>

#include "kelmmath/mesh/facetset.h"
#include "support/meshes.h"

namespace kelm_test {

// Closed octahedron wound outward: vertices 0 (1,0,0), 1 (-1,0,0), 2 (0,1,0),
// 3 (0,-1,0), 4 (0,0,1), 5 (0,0,-1); one facet per octant.
inline void make_octahedron(KelmMeshFacetSet& fs) {
    make_mesh(
        fs, {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
        {{0, 2, 4}, {1, 4, 2}, {0, 4, 3}, {1, 3, 4}, {0, 5, 2}, {1, 2, 5}, {0, 3, 5}, {1, 5, 3}});
}

// Two facets on the same three vertices with opposite corner order: a closed
// pillow whose two facets face exactly opposite ways.
inline void make_pillow(KelmMeshFacetSet& fs) {
    make_triangle(fs);
    add_facet(fs, 0, 2, 1);
}

// A disc of n facets (n >= 3) around hub vertex 0 at the origin, rim vertices 1..n
// on the unit circle counter-clockwise; facet i is (0, i+1, i+2), the last one
// closes the disc with (0, n, 1). With closed = false the last facet is left out
// (an open fan). All facets face +z.
inline void make_hub_fan(KelmMeshFacetSet& fs, unsigned n, bool closed = true) {
    fs.clear();
    fs.createVertex(KelmPoint(0.0, 0.0, 0.0));
    const double step = 2.0 * 3.14159265358979323846 / n;
    for (unsigned i = 0; i < n; ++i)
        fs.createVertex(KelmPoint(std::cos(step * i), std::sin(step * i), 0.0));
    for (unsigned i = 1; i < n; ++i) add_facet(fs, 0, i, i + 1);
    if (closed) add_facet(fs, 0, n, 1);
}

// A closed torus of rows x cols quads (rows, cols >= 3), two consistently wound
// facets per quad: 2 * rows * cols facets, rows * cols vertices.
inline void make_torus(KelmMeshFacetSet& fs, unsigned rows, unsigned cols) {
    fs.clear();
    const double two_pi = 2.0 * 3.14159265358979323846;
    for (unsigned i = 0; i < rows; ++i) {
        const double u = two_pi * i / rows;
        for (unsigned j = 0; j < cols; ++j) {
            const double w = two_pi * j / cols;
            const double r = 3.0 + std::cos(w);
            fs.createVertex(KelmPoint(r * std::cos(u), r * std::sin(u), std::sin(w)));
        }
    }
    for (unsigned i = 0; i < rows; ++i) {
        for (unsigned j = 0; j < cols; ++j) {
            const unsigned a = i * cols + j, b = ((i + 1) % rows) * cols + j;
            const unsigned c = ((i + 1) % rows) * cols + (j + 1) % cols;
            const unsigned d = i * cols + (j + 1) % cols;
            add_facet(fs, a, b, c);
            add_facet(fs, a, c, d);
        }
    }
}

// nf facets with corners drawn at random from nv vertices (repeated corners, shared
// sides met three times and more all occur); every seventh facet is deleted.
// Vertex 0 takes part in about half of the facets, making it a hub.
inline void make_random_mesh(KelmMeshFacetSet& fs, unsigned nv, unsigned nf, unsigned seed) {
    fs.clear();
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(-1.0, 1.0);
    for (unsigned v = 0; v < nv; ++v)
        fs.createVertex(KelmPoint(coord(rng), coord(rng), coord(rng)));
    std::uniform_int_distribution<unsigned> pick(0, nv - 1);
    for (unsigned f = 0; f < nf; ++f) {
        const unsigned a = (f % 2 == 0) ? 0u : pick(rng);
        add_facet(fs, a, pick(rng), pick(rng));
    }
    for (unsigned f = 3; f < nf; f += 7) fs.deleteFacet(f);
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_TOPOLOGY_MESHES_H
