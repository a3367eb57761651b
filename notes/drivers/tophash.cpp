#include <kelmmath/kelmmath.h>
#include <cstdio>
int main(int argc, char** argv){ for(int i=1;i<argc;++i){ KelmMeshFacetSet fs; kelm_mesh_file_read(&fs, argv[i], nullptr); KelmMeshTopology t; t.init(&fs);
 unsigned long long h=1469598103934665603ull; auto m=[&](unsigned x){ h=(h^x)*1099511628211ull; };
 for(unsigned e=0;e<t.getEdgeCount();++e){ m(t.getEdgeVertex(e,0)); m(t.getEdgeVertex(e,1)); m(t.getEdgeFacet(e,0)); m(t.getEdgeFacet(e,1)); }
 for(unsigned f=0;f<t.getFacetCount();++f) for(int k=0;k<3;++k) m(t.getFacetEdge(f,k));
 for(unsigned v=0;v<fs.getVertexCount();++v) m(t.getFirstVertexFacet(v));
 std::printf("%016llx %s\n",h,argv[i]); } }
