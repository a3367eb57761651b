// Writes the bench's grid file once (/tmp/xs/grid.xml), then reads it: "read N", "expat N"
// (bare parse in the reader's blocks) or "both N"; prints median thread CPU times.
#include <expat.h>
#include <sys/resource.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>
#include "kelmmath/core/core.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/xml_writer.h"
#include "kelmmath/core/xmlparser.h"
#include "meshio/internal_read_blocks.h"
static double cpu() { rusage r; getrusage(RUSAGE_THREAD, &r); return r.ru_utime.tv_sec + r.ru_stime.tv_sec + 1e-6*(r.ru_utime.tv_usec + r.ru_stime.tv_usec); }
static const char* path = "/tmp/xs/grid.xml";
static void write_file() {
  if (access(path, R_OK) == 0) return;
  const unsigned kColumns = 1000, kRows = 500;
  auto* m = new KelmMeshFacetSet;
  for (unsigned r = 0; r <= kRows; ++r) for (unsigned c = 0; c <= kColumns; ++c) {
    const double p[3] = {c * 0.1, r * 0.1, std::sin(c * 0.01) * std::cos(r * 0.013)}; m->createVertex(p); }
  const double up[3] = {0.0, 0.0, 1.0};
  const unsigned n = m->createNormal(up);
  for (unsigned r = 0; r < kRows; ++r) for (unsigned c = 0; c < kColumns; ++c) {
    const unsigned a = r * (kColumns + 1) + c;
    const unsigned quads[2][3] = {{a, a + 1, a + kColumns + 2}, {a, a + kColumns + 2, a + kColumns + 1}};
    for (const auto& q : quads) { unsigned idx = 0; KelmMeshFacet* f = m->createFacet(&idx);
      for (int k = 0; k < 3; ++k) f->vertex[k] = q[k];
      if (idx % 8 == 0) f->normal[0] = f->normal[1] = f->normal[2] = n; } }
  kelm_mesh_xml_save(path, m, "grid", KELM_NO_COLOR);
  delete m;
}
static double read_once() {
  double t = cpu();
  KelmMeshShellRecordVec recs;
  if (kelm_mesh_xml_read(&recs, path) != 1 || recs.size() != 1) { std::fprintf(stderr, "read failed\n"); std::exit(1); }
  t = cpu() - t;
  return t;
}
static double expat_once() {
  double t = cpu();
  FILE* fp = std::fopen(path, "rb");
  XML_Parser parser = KELMXML_ParserCreate(nullptr);
  std::size_t read_so_far = 0;
  for (;;) {
    const std::size_t block = kelm_internal::next_read_block(read_so_far);
    void* buffer = KELMXML_GetBuffer(parser, (int)block);
    const std::size_t n = std::fread(buffer, 1, block, fp);
    read_so_far += n;
    if (KELMXML_ParseBuffer(parser, (int)n, n == 0) != KELMXML_STATUS_OK) std::exit(2);
    if (n == 0) break;
  }
  KELMXML_ParserFree(parser); std::fclose(fp);
  return cpu() - t;
}
int main(int argc, char** argv) {
  write_file();
  const char* mode = argc > 1 ? argv[1] : "both";
  int reps = argc > 2 ? atoi(argv[2]) : 5;
  std::vector<double> r, e;
  for (int i = 0; i < reps; ++i) {
    if (strcmp(mode, "expat") != 0) r.push_back(read_once());
    if (strcmp(mode, "read") != 0) e.push_back(expat_once());
  }
  auto med = [](std::vector<double> v) { if (v.empty()) return 0.0; std::sort(v.begin(), v.end()); return v[v.size()/2]; };
  auto mn = [](std::vector<double> v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); };
  std::printf("read %.1f ms  expat %.1f ms  ratio %.3f  minratio %.3f\n", med(r)*1e3, med(e)*1e3, med(e) > 0 ? med(r)/med(e) : 0.0, mn(e) > 0 ? mn(r)/mn(e) : 0.0);
}
