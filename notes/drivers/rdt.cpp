#include <kelmmath/kelmmath.h>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
static double C(){ rusage r; getrusage(RUSAGE_SELF,&r); return r.ru_utime.tv_sec+1e-6*r.ru_utime.tv_usec+r.ru_stime.tv_sec+1e-6*r.ru_stime.tv_usec; }
int main(int argc, char** argv) { int n = atoi(argv[2]); double best=1e9, bi=1e9;
  for (int i=0;i<n;++i){ double t0=C(); KelmMeshFacetSet fs; kelm_mesh_file_read(&fs, argv[1], nullptr); double t1=C(); KelmMeshTopology t; t.init(&fs); double t2=C(); if(t1-t0<best)best=t1-t0; if (t2-t1<bi) bi=t2-t1; }
  std::printf("%s read %.3f init %.3f\n", argv[1], best, bi); }
