#include <kelmmath/kelmmath.h>
#include <cstdio>
#include <cstring>
#include <cstdint>
int main(int argc, char** argv) { for (int i=1;i<argc;++i){ KelmMeshFacetSet fs; int ok=kelm_mesh_file_read(&fs, argv[i], nullptr);
  std::uint64_t h=1469598103934665603ull; auto mix=[&](const void* p, size_t n){ const unsigned char* c=(const unsigned char*)p; for(size_t k=0;k<n;++k){h^=c[k]; h*=1099511628211ull;} };
  for (unsigned v=0; v<fs.getVertexCount(); ++v) mix(fs.rawverts().get(v), 24);
  for (unsigned f=0; f<fs.getFacetCount(); ++f) { const KelmMeshFacet* g=fs.getFacet(f); if (g) mix(g, sizeof *g); }
  std::printf("%s ok=%d v=%u f=%u %016llx\n", argv[i], ok, fs.getVertexCount(), fs.getFacetCount(), (unsigned long long)h); } }
