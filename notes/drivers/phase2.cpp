#include <kelmmath/kelmmath.h>
#include <sys/resource.h>
#include <cstdio>
static void now(double& u, double& s){ rusage r; getrusage(RUSAGE_SELF,&r); u=r.ru_utime.tv_sec+1e-6*r.ru_utime.tv_usec; s=r.ru_stime.tv_sec+1e-6*r.ru_stime.tv_usec; }
int main(int argc, char** argv) {
    KelmMeshFacetSet fs; double u0,s0,u1,s1,u2,s2;
    now(u0,s0); kelm_mesh_file_read(&fs, argv[1], nullptr); now(u1,s1); double ru=u1-u0, rs=s1-s0;
    double best=1e9, bests=0;
    for (int i=0;i<3;++i){ KelmMeshTopology t; now(u1,s1); t.init(&fs); now(u2,s2); if (u2-u1<best){best=u2-u1; bests=s2-s1;} }
    now(u2,s2);
    std::printf("%s read u%.3f s%.3f  init(min of 3) u%.3f s%.3f\n", argv[1], ru, rs, best, bests);
}
