#include <kelmmath/kelmmath.h>
#include <sys/resource.h>
#include <cstdio>
#include <cstdlib>
static double ut(){ rusage r; getrusage(RUSAGE_SELF,&r); return r.ru_utime.tv_sec+1e-6*r.ru_utime.tv_usec + (getenv("SYS")? r.ru_stime.tv_sec+1e-6*r.ru_stime.tv_usec : 0); }
int main(int argc, char** argv) {
    KelmMeshFacetSet fs; double t0=ut(); kelm_mesh_file_read(&fs, argv[1], nullptr); double t1=ut();
    double best=1e9; for(int i=0;i<(argc>2?3:1);++i){ KelmMeshCheckReport r; double a=ut(); kelm_mesh_check(&r,&fs,0); double b=ut(); if(b-a<best)best=b-a; if(getenv("EACH")) std::printf("  iter %.3f\n", b-a); }
    std::printf("%s read %.3f check %.3f\n", argv[1], t1-t0, best);
}
