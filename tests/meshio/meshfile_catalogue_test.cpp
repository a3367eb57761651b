// Bad mesh files: each with the exact report, and what the read kept.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "kelmmath/meshio/meshfile.h"
#include "support/meshio.h"

namespace {

using kelm_test::binary_stl;
using kelm_test::ErrorRecorder;
const std::vector<float> kTri = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<float> kTri2 = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};

std::string ply_header(const char* format, const char* elements) {
    return std::string("ply\nformat ") + format + " 1.0\n" + elements + "end_header\n";
}

const char kVertex3[] =
    "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
    "element face 1\nproperty list uchar int vertex_indices\n";

// With quality, the face has a float after its list, the file's last four bytes.
std::string ply_binary_triangle(int third, bool quality = false) {
    std::string s = ply_header("binary_little_endian",
                               (kVertex3 + std::string(quality ? "property float quality\n" : ""))
                                   .c_str());
    const float v[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    s.append(reinterpret_cast<const char*>(v), sizeof v);
    s += '\x03';
    const int idx[3] = {0, 1, third};
    s.append(reinterpret_cast<const char*>(idx), sizeof idx);
    if (quality) s.append("\0\0\x80\x3f", 4);  // 1.0f
    return s;
}

TEST(KelmMeshFileCatalogue, EachBadFileFailsWithItsMessageAndLeavesTheSetEmpty) {
    const std::string lie =
        ply_header("binary_little_endian",
                   "element vertex 100\nproperty float x\nproperty float y\nproperty float z\n");
    const std::string tri_ok = ply_binary_triangle(2), ply_off = ply_binary_triangle(3);
    const std::string at_face = "element \"face\" 0 at byte " + std::to_string(tri_ok.size() - 13);
    const std::string tri_q = ply_binary_triangle(2, true);
    const std::string stl = "solid a\nfacet normal 0 0 1\n outer loop\n vertex 0 0 0\n";
    const std::string stl_loop = stl + " vertex 1 0 0\n vertex 0 1 0\n";
    const std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n",
                      off = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n";
    const std::string ply = ply_header("ascii", kVertex3) + "0 0 0\n1 0 0\n0 1 0\n";
    // The bytes, then the one report after the name "t: ".
    const std::pair<std::string, std::string> cases[] = {
        {"", "is empty"},
        {std::string(100, 'x'), "is not a mesh file of a known format"},
        {binary_stl(3, {kTri, kTri2}).substr(0, 154),
         "facet 1 at byte 134: truncated: the header gives 3 facets, the file holds 154 bytes"},
        {binary_stl(0xFFFFFFFFu, {kTri}),
         "facet 1 at byte 134: truncated: the header gives 4294967295 facets, the file holds 134 "
         "bytes"},
        {binary_stl(1, {kTri}) + "xyz", "byte 134: 3 bytes after the last of 1 facets"},
        {std::string(40, '\0'), "is not a mesh file of a known format"},
        {stl_loop + "endfacet\nendsolid\n", "line 7: expected \"endloop\", found \"endfacet\""},
        {stl, "line 5: expected \"vertex\", found end of file"},
        {stl.substr(0, stl.size() - 2) + "x\n", "line 4: expected a number, found \"x\""},
        {stl_loop + "endloop\nendfacet\n", "line 9: the file ends before \"endsolid\""},
        {obj + "f 1 2 4\n", "line 4: vertex index 4 out of range (3 vertices so far)"},
        {obj + "f 0 1 2\n", "line 4: vertex index 0 out of range (3 vertices so far)"},
        {obj + "f 1 2\n", "line 4: a face with 2 corners"},
        {"v 0 0\n", "line 1: expected a number, found end of line"},
        {"v 0 0 1x\n", "line 1: expected a number, found \"1x\""},
        {obj + "f 1//1 2 3\n", "line 4: normal index 1 out of range (0 so far)"},
        {"v 0 0 0\n", "holds no facets"},
        {"OFF\n1000000 1 0\n0 0 0\n",
         "line 2: 1000000 vertices and 1 faces do not fit in the 7 bytes left"},
        {off + "3 0 1 3\n", "line 6: face 0: vertex index 3 out of range (3 vertices)"},
        {off + "3 0 1 2\njunk\n", "line 7: expected the end of the file, found \"junk\""},
        {"4OFF\n1 0 0\n", "line 1: \"4OFF\" meshes are not three-dimensional"},
        {lie + std::string(24, '\0'),
         "byte " + std::to_string(lie.size()) +
             ": element \"vertex\": 100 elements need at least 1200 bytes, 24 follow the header"},
        {ply_off, at_face + ": face 0: vertex index 3 out of range (3 vertices)"},
        {tri_ok + "zz",
         "byte " + std::to_string(tri_ok.size()) + ": 2 bytes after the last element"},
        {tri_ok.substr(0, tri_ok.size() - 2), at_face + ": a list of 3 items runs past the end"},
        {tri_q.substr(0, tri_q.size() - 1),
         "element \"face\" 0 at byte " + std::to_string(tri_q.size() - 17) + ": truncated"},
        {"ply\nformat ascii 1.0\nelement vertex 1\n", "line 4: the header has no \"end_header\""},
        {ply + "3 0 1\n", "line 13: a list of 3 items runs past the end"},
        {ply + "2 0 1\n", "line 13: face 0 has 2 corners"},
    };
    for (const auto& [bytes, error] : cases) {
        SCOPED_TRACE(bytes.substr(0, 60));
        ErrorRecorder rec;
        KelmMeshFacetSet fs;
        fs.createVertex(KelmPoint(1, 2, 3));  // a read replaces what was there, even when it fails
        KelmMeshReadInfo info;
        EXPECT_EQ(kelm_mesh_mem_read(&fs, bytes.data(), bytes.size(), "t", nullptr, &info), 0);
        EXPECT_EQ(rec.errors(), std::vector<std::string>{"t: " + error});
        EXPECT_EQ(fs.getVertexCount() + fs.getFacetCount() + info.file_facets, 0u);
    }
    KelmMeshFacetSet whole;  // the float that ends the file fits exactly
    EXPECT_EQ(kelm_mesh_mem_read(&whole, tri_q.data(), tri_q.size(), "t", nullptr, nullptr), 1);
}

TEST(KelmMeshFileCatalogue, CoordinatesThatAreNotFiniteAreCountedAndDroppedOrKept) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::string stl = binary_stl(
        3, {kTri, {0, 0, 0, 0, 0, 0, nan, 0, 0, 0, 1, 0}, {0, 0, 0, inf, 0, 0, 1, 0, 0, 0, 1, 0}});
    for (int keep = 0; keep < 2; ++keep) {
        SCOPED_TRACE(keep);
        ErrorRecorder rec;
        KelmMeshFacetSet fs;
        KelmMeshReadOptions opts;
        opts.keep_bad = keep;
        KelmMeshReadInfo info;
        ASSERT_EQ(kelm_mesh_mem_read(&fs, stl.data(), stl.size(), "t", &opts, &info), 1);
        EXPECT_EQ(rec.warnings(),
                  std::vector<std::string>{
                      std::string("t: 2 facets with coordinates that are not finite ") +
                      (keep ? "kept" : "dropped") + " (the first is facet 1)"});
        EXPECT_TRUE(rec.errors().empty());
        EXPECT_EQ(fs.getFacetCount(), keep ? 3u : 1u);
        EXPECT_EQ(fs.getVertexCount(), keep ? 5u : 3u);
        EXPECT_EQ(info.bad_facets, 2u);
        EXPECT_EQ(info.file_facets, 3u);
    }
    // Every facet bad and dropped: no empty mesh with success.
    ErrorRecorder rec;
    KelmMeshFacetSet fs;
    const std::string off = "OFF\n3 1 0\n0 0 nan\n1 0 0\n0 1 0\n3 0 1 2\n";
    EXPECT_EQ(kelm_mesh_mem_read(&fs, off.data(), off.size(), "t", nullptr, nullptr), 0);
    EXPECT_EQ(rec.warnings(), std::vector<std::string>{
                                  "t: 1 facet with coordinates that are not finite dropped (the "
                                  "first is facet 0)"});
    EXPECT_EQ(rec.errors(), std::vector<std::string>{"t: holds no facets"});
}

}  // namespace
