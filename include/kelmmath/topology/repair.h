#ifndef KELMMATH_TOPOLOGY_REPAIR_H
#define KELMMATH_TOPOLOGY_REPAIR_H

#include <vector>

#include "kelmmath/kelmmath_export.h"

class KelmMeshFacetSet;

// Mesh repairs: the fixes for what kelm_mesh_check (kelmmath/topology/check.h) finds.
//
// kelm_mesh_repair(out, report, in, opts) empties *out, fills it with the repaired
// copy of in and says in *report what each step did (report may be null; opts null
// takes the defaults below). The steps run in this order, each when asked:
//   weld        vertices used by facets that lie within weld_tolerance of an earlier
//               such vertex (0: the same coordinates) are merged into it; facets name
//               the earlier vertex and the merged vertices leave the vertex list (the
//               others keep their order)
//   drop        facets naming a vertex twice or one the set does not have; with
//               drop_zero_area, facets of zero area too; with drop_duplicates, every
//               facet with the vertex set of a lower facet
//   orient      within each part, facets are flipped (corners 1 and 2 swapped, with
//               their normal indices) to run every two-facet edge opposite ways to
//               their neighbour's, the way most of the facets joined through such
//               edges run setting the way; then every closed part with a negative
//               volume is turned over whole (again after a fill closed it)
//   small parts parts with fewer than min_part_facets facets are dropped
//   fill        closed holes of at most fill_holes edges whose facets all run the
//               border one way get new facets, by ear clipping in the hole's best-fit
//               plane, so that no new facet crosses the hole's border in that plane;
//               the new facets run against their neighbours' border sides
// Null facets are left out. Surviving facets keep their order; each face keeps the
// surviving facets of its range with its properties (a face left without facets is
// dropped); new facets go last, in a face of their own when the set has faces.
// Normals are copied as they are. A mesh that no step changes comes back as it was:
// same vertices, normals, facets and faces, so it writes out byte for byte the same.
// Returns 1, or 0 for a null in or out (out is then left as it was), or in == out.

struct KelmMeshRepairOptions {
    double weld_tolerance = -1.0;  // below 0: no weld
    bool drop_degenerate = true;
    bool drop_zero_area = false;
    bool drop_duplicates = true;
    bool orient = true;
    unsigned int min_part_facets = 0;
    unsigned int fill_holes = 0;  // largest hole (in edges) to fill; 0: none
};

struct KelmMeshRepairReport {
    unsigned int welded_vertices = 0;     // vertices merged into another
    unsigned int dropped_degenerate = 0;  // repeated or missing vertex
    unsigned int dropped_zero_area = 0;
    unsigned int dropped_duplicates = 0;
    unsigned int flipped_facets = 0;
    unsigned int orientation_conflicts = 0;  // edges left misoriented (one-sided parts)
    unsigned int dropped_parts = 0;
    unsigned int dropped_part_facets = 0;
    unsigned int filled_holes = 0;
    unsigned int added_facets = 0;
    unsigned int unfilled_holes = 0;  // holes left open (too large, open or not fillable)

    bool changed() const {
        return welded_vertices || dropped_degenerate || dropped_zero_area ||
               dropped_duplicates || flipped_facets || dropped_part_facets || added_facets;
    }
};

KELMMATH_API int kelm_mesh_repair(KelmMeshFacetSet* out, KelmMeshRepairReport* report,
                                  const KelmMeshFacetSet* in, const KelmMeshRepairOptions* opts);

// kelm_mesh_weld: the weld step alone, in place: facets name the earlier vertex, and
// the merged vertices stay in the list, used by no facet (kelm_mesh_repair drops
// them). Returns the number of vertices merged (0 for a null set or a negative
// tolerance, and then nothing changes).
KELMMATH_API unsigned int kelm_mesh_weld(KelmMeshFacetSet* fs, double tolerance);

// kelm_mesh_split_parts: one facet set per part of fs (facets joined through shared
// edges, facets naming a vertex twice or a missing one left out), in the order of the
// parts' lowest facets. Each holds the vertices and normals its facets use, in their
// old order, its facets in their old order, and the faces that keep facets there, with
// their properties. Returns the part count (0 for null arguments).
KELMMATH_API unsigned int kelm_mesh_split_parts(std::vector<KelmMeshFacetSet>* parts,
                                                const KelmMeshFacetSet* fs);

#endif  // KELMMATH_TOPOLOGY_REPAIR_H
