// In-process A/B: two copies of the library in separate link namespaces, read calls
// interleaved (A B E B A E ...), CPU time of the thread for each; prints medians and
// the median of per-round ratios.
#include <dlfcn.h>
#include <expat.h>
#include <sys/resource.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
static double sys_acc = 0;
static double systime() { rusage r; getrusage(RUSAGE_THREAD, &r); return r.ru_stime.tv_sec + 1e-6*r.ru_stime.tv_usec; }
static double cpu() { rusage r; getrusage(RUSAGE_THREAD, &r); return r.ru_utime.tv_sec + r.ru_stime.tv_sec + 1e-6*(r.ru_utime.tv_usec + r.ru_stime.tv_usec); }
static const char* path = getenv("XFILE") ? getenv("XFILE") : "/tmp/xs/grid.xml";
struct Lib {
  void (*ctor)(void*); void (*dtor)(void*); int (*read)(void*, const char*);
  explicit Lib(const std::string& dir) {
    void* h = dlmopen(LM_ID_NEWLM, (dir + "/libkelmmath.so.1").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) { std::fprintf(stderr, "%s\n", dlerror()); std::exit(1); }
    ctor = (void(*)(void*))dlsym(h, "_ZN22KelmMeshShellRecordVecC1Ev");
    dtor = (void(*)(void*))dlsym(h, "_ZN22KelmMeshShellRecordVecD1Ev");
    read = (int(*)(void*, const char*))dlsym(h, "_Z18kelm_mesh_xml_readP22KelmMeshShellRecordVecPKc");
    if (!ctor || !dtor || !read) { std::fprintf(stderr, "symbols\n"); std::exit(1); }
  }
  double once() {
    alignas(16) char storage[256];
    ctor(storage);
    double t = cpu(); double s0 = systime();
    if (read(storage, path) != 1) { std::fprintf(stderr, "read failed\n"); std::exit(1); }
    t = cpu() - t; sys_acc = systime() - s0;
    dtor(storage);
    return t;
  }
};
static std::size_t next_block(std::size_t r) { return std::min<std::size_t>(64u << 20, std::max<std::size_t>(64u << 10, r / 4)); }
static double expat_once() {
  double t = cpu();
  FILE* fp = std::fopen(path, "rb");
  XML_Parser parser = XML_ParserCreate(nullptr);
  std::size_t so_far = 0;
  for (;;) {
    const std::size_t block = next_block(so_far);
    void* buffer = XML_GetBuffer(parser, (int)block);
    const std::size_t n = std::fread(buffer, 1, block, fp);
    so_far += n;
    if (XML_ParseBuffer(parser, (int)n, n == 0) != XML_STATUS_OK) std::exit(2);
    if (n == 0) break;
  }
  XML_ParserFree(parser); std::fclose(fp);
  return cpu() - t;
}
static double med(std::vector<double> v) { std::sort(v.begin(), v.end()); return v[v.size() / 2]; }
int main(int argc, char** argv) {
  Lib a(argv[1]), b(argv[2]);
  int rounds = argc > 3 ? atoi(argv[3]) : 10;
  std::vector<double> ta, tb, te, rab, rae, rbe, sa, sb;
  for (int i = 0; i < rounds; ++i) {
    double x, y, e;
    if (i % 2 == 0) { x = a.once(); sa.push_back(sys_acc); e = expat_once(); y = b.once(); sb.push_back(sys_acc); }
    else { y = b.once(); sb.push_back(sys_acc); e = expat_once(); x = a.once(); sa.push_back(sys_acc); }
    ta.push_back(x); tb.push_back(y); te.push_back(e);
    rab.push_back(y / x); rae.push_back(x / e); rbe.push_back(y / e);
  }
  std::printf("A %.1f ms  B %.1f ms  expat %.1f ms | B/A median %.3f (q1 %.3f q3 %.3f) | A/expat %.3f  B/expat %.3f\n",
    med(ta)*1e3, med(tb)*1e3, med(te)*1e3, med(rab), [&]{auto v=rab; std::sort(v.begin(),v.end()); return v[v.size()/4];}(),
    [&]{auto v=rab; std::sort(v.begin(),v.end()); return v[3*v.size()/4];}(), med(rae), med(rbe));
  auto mn = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  std::printf("min: A %.1f B %.1f expat %.1f | B/A %.3f  A/expat %.3f  B/expat %.3f\n", mn(ta)*1e3, mn(tb)*1e3, mn(te)*1e3, mn(tb)/mn(ta), mn(ta)/mn(te), mn(tb)/mn(te));
  std::printf("system time: A %.1f ms  B %.1f ms\n", med(sa)*1e3, med(sb)*1e3);
}
