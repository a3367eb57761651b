#include <kelmmath/kelmmath.h>
#include <chrono>
#include <cstdio>
#include <ctime>
static double C(){timespec ts; clock_gettime(CLOCK_THREAD_CPUTIME_ID,&ts); return ts.tv_sec+1e-9*ts.tv_nsec;}
int main(int argc, char** argv) {
  for (int i=0;i<3;++i){ auto t0=std::chrono::steady_clock::now(); KelmMeshFacetSet fs; kelm_mesh_file_read(&fs, argv[1], nullptr); auto t1=std::chrono::steady_clock::now();
    double c1=C(); KelmMeshCheckReport r; kelm_mesh_check(&r,&fs,0); auto t2=std::chrono::steady_clock::now(); double c2=C(); std::printf("cpu %.3f ", c2-c1);
    std::printf("read %.3f check %.3f\n", std::chrono::duration<double>(t1-t0).count(), std::chrono::duration<double>(t2-t1).count()); }
}
