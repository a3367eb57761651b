// kelm-meshcheck: what a person or a script reads about one mesh, from the library's
// check report (kelmmath/topology/check.h): the summary, the JSON object, the SVG
// drawing with the problem edges marked, and the repair run.
#ifndef KELMMATH_EXAMPLES_MESHCHECK_REPORT_H
#define KELMMATH_EXAMPLES_MESHCHECK_REPORT_H

#include <kelmmath/kelmmath.h>

#include <cstdio>
#include <string>
#include <vector>

namespace meshcheck {

// The summary: one line per finding that is present, the verdict last.
void print_summary(std::FILE* out, const KelmMeshCheckReport& r);

// One JSON object on one line: the counts and flags under the keys vertices, facets,
// edges, border_edges, holes, nonmanifold_edges, nonmanifold_vertices,
// degenerate_facets, zero_area_facets, duplicate_facets, misoriented_edges, parts,
// closed, oriented, area, volume (self_intersections when checked), the verdict
// ("clean"), and where each finding is under the same key with "_at" (at most
// kMaxLocations entries each; "parts_at" and "holes_at" describe each part and hole).
void print_json(std::FILE* out, const KelmMeshCheckReport& r, const std::string& id,
                const std::string& source);

constexpr std::size_t kMaxLocations = 100;

// The views an SVG drawing can take.
bool is_view(const char* name);  // top, front, side or iso

// Draws the meshes seen from view, shaded, with border edges red, non-manifold edges
// magenta, misoriented edges orange, pinch vertices circled and self-intersecting
// facets blue. Returns false when the file cannot be written.
struct Drawn {
    const KelmMeshFacetSet* fs;
    const KelmMeshCheckReport* report;
};
bool write_svg(const char* file, const std::vector<Drawn>& meshes, const char* view);

// Runs the repair with the defaults of the program (weld of equal points, degenerate
// and duplicate facets dropped, orientation, holes up to 32 edges filled) and prints
// what it did in one line.
void repair(KelmMeshFacetSet* out, const KelmMeshFacetSet* in, bool quiet);

}  // namespace meshcheck

#endif  // KELMMATH_EXAMPLES_MESHCHECK_REPORT_H
