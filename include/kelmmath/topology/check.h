#ifndef KELMMATH_TOPOLOGY_CHECK_H
#define KELMMATH_TOPOLOGY_CHECK_H

#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/kelmmath_export.h"

class KelmMeshFacetSet;

// Mesh check: what is wrong with a triangle mesh, and where.
//
// kelm_mesh_check(report, fs, intersections) reads the facet lists of fs, builds its
// own edge table from them (every facet of an edge is kept, so edges of three or more
// facets are seen whole) and fills *report. It returns 1 when the mesh is clean
// (see KelmMeshCheckReport::clean) and 0 otherwise, or when fs or report is null
// (then the report is emptied). Nothing is reported through the error context: the
// report is the answer.
//
// Facets. A null facet is skipped. A facet naming a vertex the set does not have is
// listed in invalid_facets, a facet naming one vertex twice in degenerate_facets;
// both kinds are left out of every other figure (edges, borders, parts, closedness,
// area, volume), as a repair drops them. The remaining facets are the "used" facets.
//
// Edges. An edge is an unordered vertex pair that used facets share; edges are
// numbered by (lower vertex, higher vertex). A border edge has one facet, an interior
// edge two, a non-manifold edge three or more. A side v0->v1 runs as the facet lists
// its corners (corner 0->1, 1->2, 2->0). An interior edge whose two facets run it the
// same way is misoriented.
//
// Vertices. A used vertex whose facets fall into two or more fans (groups of facets
// joined through the edges at the vertex) is a non-manifold (pinch) vertex.
//
// Holes. The border edges form loops: a walk from border edge to border edge through
// their shared vertices. Each hole lists its vertices in walk order, its edge count
// (one less than the vertex count when the walk cannot come back), whether the walk
// came back to its start (closed), whether its
// facets run every border edge against the walk (directed: the hole can be filled with
// facets running the walk's way), and its length.
//
// Parts. Used facets joined through shared edges form a part, numbered by their lowest
// facet. A part is closed when every edge of it has exactly two facets, oriented when
// none of its edges is misoriented. Its volume is the signed volume enclosed by its
// facets in vertex order (positive when a closed part is wound outward), summed in
// double precision from cones at the centre of the set's bounds; for an open part it
// depends on that centre.
//
// Geometry. area is the sum of the used facets' areas; volume the sum of the parts'
// volumes. A zero-area facet has three distinct vertices whose edge cross product is
// exactly (0, 0, 0). Duplicate facets have the same vertex set as a lower facet (in
// any order); each is listed with that first facet.
//
// Self-intersections (only with intersections nonzero): pairs of used facets with a
// nonzero area and distinct vertex sets whose closed triangles meet other than in the
// vertices and edges they share by index. Facets sharing an edge count only when they
// fold onto each other (same plane, same side); facets sharing a vertex only when they
// meet elsewhere too. The predicates are exact (filtered, with an exact fallback); a
// uniform grid finds the candidate pairs. Pairs are listed (lower, higher), sorted.
//
// Every list is sorted by its first index.

// A side as one facet runs it: from v0 to v1.
struct KelmMeshCheckSide {
    unsigned int v0 = KELM_NONE;
    unsigned int v1 = KELM_NONE;
    unsigned int facet = KELM_NONE;
};

// An edge (v0 < v1) with its facets in increasing order.
struct KelmMeshCheckEdge {
    unsigned int v0 = KELM_NONE;
    unsigned int v1 = KELM_NONE;
    std::vector<unsigned int> facets;
};

struct KelmMeshCheckPair {
    unsigned int first = KELM_NONE;
    unsigned int second = KELM_NONE;
};

struct KelmMeshCheckHole {
    std::vector<unsigned int> vertices;  // in walk order; vertex i to i+1 is a border edge
    unsigned int edges = 0;              // vertices, or one less for an open chain
    bool closed = false;                 // the last vertex joins the first
    bool directed = false;               // every border facet runs its edge against the walk
    double length = 0.0;
};

struct KelmMeshCheckPart {
    unsigned int first_facet = KELM_NONE;  // its lowest facet, which names it
    unsigned int facets = 0;
    bool closed = false;
    bool oriented = false;
    double volume = 0.0;
    double area = 0.0;
};

struct KelmMeshCheckReport {
    unsigned int vertices = 0;  // the set's vertex count
    unsigned int facets = 0;    // non-null facets
    unsigned int used_vertices = 0;
    unsigned int edges = 0;

    std::vector<KelmMeshCheckSide> border_edges;       // by (lower vertex, higher vertex)
    std::vector<KelmMeshCheckHole> holes;              // by their first border edge
    std::vector<KelmMeshCheckEdge> nonmanifold_edges;  // three or more facets
    std::vector<unsigned int> nonmanifold_vertices;    // two or more fans
    std::vector<unsigned int> invalid_facets;          // a corner beyond the vertex list
    std::vector<unsigned int> degenerate_facets;       // a vertex named twice
    std::vector<unsigned int> zero_area_facets;        // distinct vertices, zero cross product
    std::vector<KelmMeshCheckPair> duplicate_facets;   // (facet, first facet of its vertex set)
    std::vector<KelmMeshCheckEdge> misoriented_edges;  // two facets running it the same way
    std::vector<KelmMeshCheckPart> parts;              // by their lowest facet
    std::vector<unsigned int> facet_part;  // per facet: its part, or KELM_NONE

    bool closed = false;    // used facets exist and every edge has two facets
    bool oriented = false;  // no misoriented edge
    double area = 0.0;
    double volume = 0.0;

    bool intersections_checked = false;
    std::vector<KelmMeshCheckPair> self_intersections;

    // Closed, oriented, with a positive volume, and nothing listed above (the
    // self-intersections count only when checked).
    bool clean() const;
};

KELMMATH_API int kelm_mesh_check(KelmMeshCheckReport* report, const KelmMeshFacetSet* fs,
                                 int intersections);

// The self-intersection search alone: fills *pairs (sorted, lower facet first) as
// kelm_mesh_check does and returns their count. Null arguments give 0.
KELMMATH_API unsigned int kelm_mesh_self_intersections(std::vector<KelmMeshCheckPair>* pairs,
                                                       const KelmMeshFacetSet* fs);

inline bool KelmMeshCheckReport::clean() const {
    return closed && oriented && volume > 0.0 && nonmanifold_edges.empty() &&
           nonmanifold_vertices.empty() && invalid_facets.empty() &&
           degenerate_facets.empty() && zero_area_facets.empty() && duplicate_facets.empty() &&
           self_intersections.empty();
}

#endif  // KELMMATH_TOPOLOGY_CHECK_H
