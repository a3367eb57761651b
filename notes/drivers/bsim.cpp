#include <kelmmath/kelmmath.h>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
// Processor time of this thread (user + system).
static double C(){ rusage r; getrusage(RUSAGE_THREAD,&r); return r.ru_utime.tv_sec+1e-6*r.ru_utime.tv_usec+r.ru_stime.tv_sec+1e-6*r.ru_stime.tv_usec; }
int main(int argc, char** argv) {
  for (int i=0;i<3;++i){ auto t0=std::chrono::steady_clock::now(); KelmMeshFacetSet fs; kelm_mesh_file_read(&fs, argv[1], nullptr); auto t1=std::chrono::steady_clock::now();
    double c1=C(); KelmMeshCheckReport r; kelm_mesh_check(&r,&fs,0); auto t2=std::chrono::steady_clock::now(); double c2=C(); std::printf("cpu %.3f ", c2-c1);
    std::printf("read %.3f check %.3f\n", std::chrono::duration<double>(t1-t0).count(), std::chrono::duration<double>(t2-t1).count()); }
}
