// Prints every field of the check report (doubles as bit-exact hex) for each file.
#include <kelmmath/kelmmath.h>
#include <cstdio>
#include <cstring>
static void d(FILE* o, double x){ unsigned long long u; std::memcpy(&u,&x,8); std::fprintf(o," %llx",u); }
int main(int argc, char** argv) {
  for (int i=1;i<argc;++i){ KelmMeshFacetSet fs; if(!kelm_mesh_file_read(&fs, argv[i], nullptr)){ std::printf("%s unread\n",argv[i]); continue; }
    KelmMeshCheckReport r; int ok=kelm_mesh_check(&r,&fs,0); FILE* o=stdout;
    std::fprintf(o,"== %s ok=%d v=%u f=%u uv=%u e=%u closed=%d oriented=%d", argv[i], ok, r.vertices, r.facets, r.used_vertices, r.edges, r.closed, r.oriented); d(o,r.area); d(o,r.volume); std::fprintf(o,"\nborder");
    for(auto& s: r.border_edges) std::fprintf(o," %u,%u,%u",s.v0,s.v1,s.facet);
    std::fprintf(o,"\nholes"); for(auto& h: r.holes){ std::fprintf(o," [%u %d %d",h.edges,h.closed,h.directed); d(o,h.length); for(unsigned v: h.vertices) std::fprintf(o," %u",v); std::fprintf(o,"]"); }
    auto E=[&](const char* n, const std::vector<KelmMeshCheckEdge>& es){ std::fprintf(o,"\n%s",n); for(auto& e: es){ std::fprintf(o," %u,%u:",e.v0,e.v1); for(unsigned f: e.facets) std::fprintf(o,"%u.",f);} };
    E("nonman", r.nonmanifold_edges); E("misor", r.misoriented_edges);
    auto U=[&](const char* n, const std::vector<unsigned>& v){ std::fprintf(o,"\n%s",n); for(unsigned x: v) std::fprintf(o," %u",x); };
    U("pinch", r.nonmanifold_vertices); U("invalid", r.invalid_facets); U("degen", r.degenerate_facets); U("zero", r.zero_area_facets); U("fpart", r.facet_part);
    std::fprintf(o,"\ndup"); for(auto& p: r.duplicate_facets) std::fprintf(o," %u,%u",p.first,p.second);
    std::fprintf(o,"\nparts"); for(auto& p: r.parts){ std::fprintf(o," [%u %u %d %d",p.first_facet,p.facets,p.closed,p.oriented); d(o,p.volume); d(o,p.area); std::fprintf(o,"]"); }
    std::fprintf(o,"\n");
  }
}
