#include <kelmmath/kelmmath.h>
#include <cstdio>
int main(int argc, char** argv) {
  for (int i=1;i<argc;++i){ KelmMeshFacetSet fs; if(!kelm_mesh_file_read(&fs, argv[i], nullptr)) continue;
    KelmMeshRepairOptions o; o.fill_holes = 40; o.min_part_facets = 2; o.weld_tolerance = 1e-9; o.drop_zero_area = (i%2)==0;
    KelmMeshFacetSet out; KelmMeshRepairReport r; int ok = kelm_mesh_repair(&out, &r, &fs, &o);
    std::printf("== %s %d %u %u %u %u %u %u %u %u %u %u %u v=%u f=%u\n", argv[i], ok, r.welded_vertices, r.dropped_degenerate, r.dropped_zero_area, r.dropped_duplicates, r.flipped_facets, r.orientation_conflicts, r.dropped_parts, r.dropped_part_facets, r.filled_holes, r.added_facets, r.unfilled_holes, out.getVertexCount(), out.getFacetCount());
    for (unsigned f=0; f<out.getFacetCount(); ++f){ const KelmMeshFacet* x = out.getFacet(f); if(x) std::printf("%u %u %u;", x->vertex[0], x->vertex[1], x->vertex[2]); }
    std::printf("\n"); }
}
