#include <kelmmath/kelmmath.h>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
static void C(double* u, double* s){ rusage r; getrusage(RUSAGE_THREAD,&r); *u=r.ru_utime.tv_sec+1e-6*r.ru_utime.tv_usec; *s=r.ru_stime.tv_sec+1e-6*r.ru_stime.tv_usec; }
int main(int argc, char** argv) {
  KelmMeshFacetSet fs; kelm_mesh_file_read(&fs, argv[1], nullptr);
  int n = argc > 2 ? atoi(argv[2]) : 10; double bu=1e9, bt=1e9;
  for (int i=0;i<n;++i){ double u0,s0,u1,s1; C(&u0,&s0); KelmMeshCheckReport r; kelm_mesh_check(&r,&fs,0); C(&u1,&s1); if(u1-u0<bu)bu=u1-u0; if(u1-u0+s1-s0<bt)bt=u1-u0+s1-s0; }
  std::printf("user %.3f total %.3f\n", bu, bt);
}
