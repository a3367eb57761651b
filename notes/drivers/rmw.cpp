#include <vector>
#include <chrono>
#include <cstdio>
#include <random>
#include <sys/mman.h>
struct alignas(64) L { unsigned c[16]; };
int main(int argc, char** argv){ size_t n = 1<<20; int D = argc>1? atoi(argv[1]) : 16;
 L* a = (L*)aligned_alloc(1<<21, n*sizeof(L)); madvise(a, n*sizeof(L), MADV_HUGEPAGE); for(size_t i=0;i<n;++i) a[i].c[0]=0;
 std::vector<unsigned> idx(6<<20); std::mt19937 g(1); for(auto& x:idx) x=g()%n;
 for(int r=0;r<3;++r){ auto t0=std::chrono::steady_clock::now();
  for(size_t i=0;i<idx.size();++i){ if(i+D<idx.size()) __builtin_prefetch(&a[idx[i+D]],1); a[idx[i]].c[0]++; a[idx[i]].c[1]+=i; }
  auto t1=std::chrono::steady_clock::now(); printf("D=%d 6M random line RMW: %.3f s\n", D, std::chrono::duration<double>(t1-t0).count()); }
 // sequential-ish (ring-like) baseline
 for(size_t i=0;i<idx.size();++i) idx[i]=(i/6)%n;
 auto t0=std::chrono::steady_clock::now(); for(size_t i=0;i<idx.size();++i){ a[idx[i]].c[0]++; } auto t1=std::chrono::steady_clock::now(); printf("local: %.3f\n", std::chrono::duration<double>(t1-t0).count());
}
