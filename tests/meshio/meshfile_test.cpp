#include "kelmmath/meshio/meshfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/meshio.h"
#include "support/xml_round_trip.h"

namespace {

using kelm_test::add_facet;
using kelm_test::corners;
using kelm_test::ErrorRecorder;
using kelm_test::triple;
using Indices = std::vector<unsigned>;
using Reals = std::vector<double>;
constexpr unsigned N = KELM_NONE;

// Random vertices (every one used, all distinct) and random facets over them. With
// floats set, every coordinate is a float, so binary STL keeps it exactly.
void make_random(KelmMeshFacetSet& fs, unsigned seed, unsigned nv, unsigned nf, bool floats) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> coord(-1e3, 1e3);
    fs.clear();
    for (unsigned v = 0; v < nv; ++v) {
        double p[3];
        for (double& c : p) c = floats ? static_cast<float>(coord(gen)) : coord(gen);
        fs.createVertex(p);
    }
    for (unsigned f = 0; f < nf; ++f) {
        // The first facets use each vertex in order, so first-met order is vertex order.
        const unsigned a = f * 3 < nv ? f * 3 : gen() % nv;
        const unsigned b = f * 3 + 1 < nv ? f * 3 + 1 : (a + 1 + gen() % (nv - 1)) % nv;
        unsigned c = f * 3 + 2 < nv ? f * 3 + 2 : gen() % nv;
        while (c == a || c == b) c = (c + 1) % nv;
        add_facet(fs, a, b, c);
    }
}

std::string write_to_text(const KelmMeshFacetSet& fs, KelmMeshFileFormat format) {
    kelm_test::ScratchFile file("written");
    FILE* fp = std::fopen(file.path(), "wb");
    EXPECT_EQ(kelm_mesh_file_write(&fs, fp, "out", format), 1);
    std::fclose(fp);
    return file.read();
}

int read_text(KelmMeshFacetSet& fs, const std::string& text,
              const KelmMeshReadOptions* opts = nullptr, KelmMeshReadInfo* info = nullptr) {
    return kelm_mesh_mem_read(&fs, text.data(), text.size(), "t", opts, info);
}

TEST(KelmMeshFile, RoundTripsGiveTheSetBack) {
    // The first facets use each vertex in order, so the STL forms, which weld in
    // first-met order, number the vertices as the set does. Binary STL holds floats.
    // The second set's first 500 facets have three new vertices each, far more than
    // the STL readers make room for from the facet count: their weld tables grow as
    // they read, and the last 100 facets must still find the vertices met before.
    for (KelmMeshFileFormat format :
         {kelm_mesh_file_obj, kelm_mesh_file_off, kelm_mesh_file_ply_ascii,
          kelm_mesh_file_ply_binary_le, kelm_mesh_file_stl_ascii, kelm_mesh_file_stl_binary}) {
        for (const unsigned nv : {300u, 1500u}) {
            SCOPED_TRACE(std::string(kelm_mesh_file_format_name(format)) + " " +
                         std::to_string(nv));
            KelmMeshFacetSet src, back;
            make_random(src, 7u + format, nv, nv == 300 ? 500 : 600,
                        format == kelm_mesh_file_stl_binary);
            KelmMeshReadInfo info;
            const std::string text = write_to_text(src, format);
            ASSERT_EQ(read_text(back, text, nullptr, &info), 1);
            EXPECT_EQ(info.format, format);
            if (format == kelm_mesh_file_stl_binary) {  // no attribute bytes
                EXPECT_EQ(text.substr(84 + 48, 2), std::string(2, '\0'));
            }
            EXPECT_TRUE(kelm_test::fingerprint(back) == kelm_test::fingerprint(src));
        }
    }
}

TEST(KelmMeshFile, FileFormsWriteAndReadByName) {
    KelmMeshFacetSet src, back;
    make_random(src, 3, 40, 60, false);
    const std::string name = std::string(KELMMATH_BINARY_DIR) + "/meshfile_test.obj";
    const KelmMeshFileFormat format = kelm_mesh_file_format_of_name(name.c_str());
    EXPECT_EQ(format, kelm_mesh_file_obj);
    ASSERT_EQ(kelm_mesh_file_write(&src, name.c_str(), format), 1);
    ASSERT_EQ(kelm_mesh_file_read(&back, name.c_str(), nullptr), 1);
    EXPECT_TRUE(kelm_test::fingerprint(back) == kelm_test::fingerprint(src));
    std::remove(name.c_str());
    // The FILE* form reads from the current position: a binary STL after 100 other bytes.
    KelmMeshFacetSet floats;
    make_random(floats, 5, 40, 60, true);
    kelm_test::ScratchFile after("after");
    FILE* fp = std::fopen(after.path(), "w+b");
    std::fputs(std::string(100, 'x').c_str(), fp);
    ASSERT_EQ(kelm_mesh_file_write(&floats, fp, "after", kelm_mesh_file_stl_binary), 1);
    std::fseek(fp, 100, SEEK_SET);
    EXPECT_EQ(kelm_mesh_file_read(&back, fp, "after", nullptr, nullptr), 1);
    std::fclose(fp);
    EXPECT_TRUE(kelm_test::fingerprint(back) == kelm_test::fingerprint(floats));
    EXPECT_EQ(kelm_mesh_file_read(nullptr, after.path(), nullptr), 0);
    EXPECT_EQ(kelm_mesh_file_format_of_name("a.STL"), kelm_mesh_file_stl_binary);
    EXPECT_EQ(kelm_mesh_file_format_of_name("a.Ply"), kelm_mesh_file_ply_binary_le);
    EXPECT_EQ(kelm_mesh_file_format_of_name("a.xml"), kelm_mesh_file_unknown);
    EXPECT_EQ(kelm_mesh_file_format_of_name("off"), kelm_mesh_file_unknown);

    ErrorRecorder rec;
    EXPECT_EQ(kelm_mesh_file_read(&back, "/no/such/dir/x.stl", nullptr), 0);
    EXPECT_EQ(back.getFacetCount(), 0u);
    EXPECT_EQ(kelm_mesh_file_write(&src, "/no/such/dir/x.stl", kelm_mesh_file_stl_binary), 0);
    src.getFacet(0)->vertex[0] = 40;  // one past the vertex list: nothing written
    EXPECT_EQ(kelm_mesh_file_write(&src, name.c_str(), format), 0);
    EXPECT_EQ(rec.errors(),
              (std::vector<std::string>{"/no/such/dir/x.stl: cannot be opened",
                                        "/no/such/dir/x.stl: cannot be opened for writing",
                                        name + ": facet 0 names vertex 40, the set has 40"}));
}

// A binary STL whose header starts with "solid" is binary when its size fits the count;
// ASCII keywords may be upper case; welding joins +0.0 and -0.0 in first-met order.
TEST(KelmMeshFile, DetectionAndWelding) {
    const std::string bin = kelm_test::binary_stl(
        2, {{0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, -0.0f, 0, 0, 0, 1, 0, 1, 1, 0}},
        "solid looks like text" + std::string(59, ' '));
    EXPECT_EQ(kelm_mesh_file_detect(bin.data(), bin.size(), bin.size()), kelm_mesh_file_stl_binary);
    const std::string many = kelm_test::binary_stl(256, {}, "solid x" + std::string(73, '\0'));
    EXPECT_EQ(kelm_mesh_file_detect(many.data(), 84, 84 + 50 * 256),  // all four count bytes
              kelm_mesh_file_stl_binary);
    KelmMeshFacetSet fs;
    KelmMeshReadOptions opts;
    opts.keep_normals = 1;
    ASSERT_EQ(read_text(fs, bin, &opts), 1);
    EXPECT_EQ(fs.getVertexCount(), 4u);  // (-0,0,0) is (0,0,0)
    EXPECT_EQ(corners(fs.getFacet(0)), (Indices{0, 1, 2, 0, 0, 0}));
    EXPECT_EQ(corners(fs.getFacet(1)), (Indices{0, 2, 3, 1, 1, 1}));
    EXPECT_FALSE(std::signbit(triple(fs.rawverts().get(0))[0]));  // the first-met value is kept
    ASSERT_EQ(fs.getNormalCount(), 2u);
    EXPECT_EQ(fs.getNormal(1)[2], 1.0);

    opts = KelmMeshReadOptions();
    opts.weld = 0;
    ASSERT_EQ(read_text(fs, bin, &opts), 1);
    EXPECT_EQ(fs.getVertexCount(), 6u);
    EXPECT_EQ(fs.getNormalCount(), 0u);

    const std::string upper =
        "SOLID x\nFACET NORMAL 0 0 1\nOUTER LOOP\nVERTEX 0 0 0\nVERTEX 1 0 0\nVERTEX 0 1 0\n"
        "ENDLOOP\nENDFACET\nENDSOLID x\n";
    KelmMeshReadInfo info;
    ASSERT_EQ(read_text(fs, upper, nullptr, &info), 1);
    EXPECT_EQ(info.format, kelm_mesh_file_stl_ascii);
    EXPECT_EQ(fs.getFacetCount(), 1u);

    // Tolerance weld: the second vertex lies within 1e-6 of the first.
    const std::string near = "v 0 5 0\nv 1e-9 5 0\nv 1 5 0\nv 0 6 0\nf 1 3 4\nf 2 3 4\n";
    opts = KelmMeshReadOptions();
    ASSERT_EQ(read_text(fs, near, &opts), 1);
    EXPECT_EQ(fs.getVertexCount(), 4u);
    opts.weld_tolerance = 1e-6;
    ASSERT_EQ(read_text(fs, near, &opts), 1);
    EXPECT_EQ(fs.getVertexCount(), 3u);
    EXPECT_EQ(corners(fs.getFacet(1)), (Indices{0, 1, 2, N, N, N}));
}

TEST(KelmMeshFile, PolygonsAreCutInsideTheirOutline) {
    // A convex quad comes out as the fan from its first corner.
    KelmMeshFacetSet fs;
    KelmMeshReadInfo info;
    // (A colour after each vertex, as COFF has it, is skipped.)
    const char* coff =
        "COFF\n4 1 0\n0 0 0 1 1 1\n1 0 0 1 1 1\n1 1 0 1 1 1\n0 1 0 1 1 1\n4 0 1 2 3\n";
    ASSERT_EQ(read_text(fs, coff, nullptr, &info), 1);
    ASSERT_EQ(fs.getFacetCount(), 2u);
    EXPECT_EQ(corners(fs.getFacet(1)), (Indices{0, 2, 3, N, N, N}));
    EXPECT_EQ(info.split_polygons, 1u);
    // A concave quad (a dart, reflex at its last corner) is cut along the diagonal
    // inside it: area 1, where the fan from its first corner would cover 3.
    ASSERT_EQ(read_text(fs, "v 0 0 0\nv 2 1 0\nv 0 2 0\nv 1 1 0\nf 1 2 3 4\n"), 1);
    EXPECT_DOUBLE_EQ(fs.getSurfaceArea(), 1.0);

    // A concave arrow (area 5) whose fan from corner 1 would leave the outline, with
    // negative OBJ indices: flat, then tilted into the plane x = 0.5 u + 0.25 v (u, v the
    // flat coordinates placed on y, z), where the best-fit plane is nearly x = const,
    // then upright in the plane y = 0 (u, v on x, z), then flat again, sheared along x so
    // that a normal summed from one end of each side only would point down.
    const double flat[5][2] = {{0, 0}, {4, 0}, {4, 2}, {2, 0.5}, {0, 2}};
    for (int tilt = 0; tilt < 4; ++tilt) {
        SCOPED_TRACE(tilt);
        std::string obj;
        for (const auto& p : flat) {
            const double u = p[0], v = p[1],
                         xyz[4][3] = {
                             {u, v, 0}, {0.5 * u + 0.25 * v, u, v}, {u, 0, v}, {u + 2 * v, v, 0}};
            char line[96];
            std::snprintf(line, sizeof line, "v %.17g %.17g %.17g\n", xyz[tilt][0], xyz[tilt][1],
                          xyz[tilt][2]);
            obj += line;
        }
        obj += "f -4 -3 -2 -1 -5\n";
        ASSERT_EQ(read_text(fs, obj), 1);
        ASSERT_EQ(fs.getFacetCount(), 3u);
        // The polygon's unit normal: (0, 0, 1) flat and sheared; (1, -0.5, -0.25) normalised
        // tilted; (0, -1, 0) upright.
        const double len = tilt == 1 ? std::sqrt(1 + 0.25 + 0.0625) : 1;
        const double want[4][3] = {
            {0, 0, 1}, {1 / len, -0.5 / len, -0.25 / len}, {0, -1, 0}, {0, 0, 1}};
        for (unsigned f = 0; f < 3; ++f) {
            double n[3];
            fs.getFacetNormal(n, f);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(n[k], want[tilt][k], 1e-12) << f;
        }
        EXPECT_NEAR(fs.getSurfaceArea(), 5.0 * len, 1e-12);  // by the shoelace formula
    }

    // The same polygon upside down keeps its orientation (the text ends in a number).
    ASSERT_EQ(read_text(fs, "v 0 0 0\nv 4 0 0\nv 4 2 0\nv 2 0.5 0\nv 0 2 0\nf 1 5 4 3 2\nv 9 9 9"),
              1);
    for (unsigned f = 0; f < fs.getFacetCount(); ++f) {
        double n[3];
        fs.getFacetNormal(n, f);
        EXPECT_EQ(n[2], -1.0) << f;
    }
}

TEST(KelmMeshFile, PlyAnyTypesBothByteOrdersOtherPropertiesSkipped) {
    // Big-endian: int16 coordinates between a float and a uchar, a "material" element
    // and a texcoord list skipped, ushort indices in a uint count list.
    std::string ply =
        "ply\nformat binary_big_endian 1.0\ncomment c\nelement material 1\nproperty uchar m\n"
        "element vertex 3\nproperty float w\nproperty short x\nproperty short y\n"
        "property short z\nproperty uchar r\nelement face 1\nproperty list uchar float tex\n"
        "property list uint ushort vertex_indices\nend_header\n";
    // The material; the vertices (w, x, y, z, r) (0, 0, 0), (-3, 0, 0), (0, 5, 0); the face:
    // one texture coordinate, then the indices 0, 2, 1.
    ply += std::string(
        "\x07"
        "\0\0\0\0\0\0\0\0\0\0\x01\0\0\0\0\xff\xfd\0\0\0\0\x01\0\0\0\0\0\0\0\x05\0\0\x01"
        "\x01\0\0\0\0\0\0\0\x03\0\0\0\x02\0\x01",
        1 + 33 + 5 + 10);
    KelmMeshFacetSet fs;
    KelmMeshReadInfo info;
    ASSERT_EQ(read_text(fs, ply, nullptr, &info), 1);
    EXPECT_EQ(info.format, kelm_mesh_file_ply_binary_be);
    ASSERT_EQ(fs.getVertexCount(), 3u);
    EXPECT_EQ(triple(fs.rawverts().get(1)), (Reals{-3, 0, 0}));
    EXPECT_EQ(triple(fs.rawverts().get(2)), (Reals{0, 5, 0}));
    EXPECT_EQ(corners(fs.getFacet(0)), (Indices{0, 2, 1, N, N, N}));

    // ASCII: y may come first, and a list may be empty.
    ASSERT_EQ(read_text(fs,
                        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float y\n"
                        "property float x\nproperty float z\nproperty list uchar float t\n"
                        "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                        "0 0 0 0\n0 1 0 0\n1 0 0 0\n3 0 1 2\n"),
              1);
    EXPECT_EQ(triple(fs.rawverts().get(1)), (Reals{1, 0, 0}));
}

TEST(KelmMeshFile, ObjNormalsKeptWhenAsked) {
    const std::string obj =
        "# c\no part\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvn 0 0 1\nvn 0 0 -1\n"
        "usemtl m\nf 1/1/2 2/1/1 3//2\n";
    KelmMeshFacetSet fs;
    KelmMeshReadOptions opts;
    ASSERT_EQ(read_text(fs, obj, &opts), 1);
    EXPECT_EQ(fs.getNormalCount(), 0u);
    EXPECT_EQ(corners(fs.getFacet(0)), (Indices{0, 1, 2, N, N, N}));
    opts.keep_normals = 1;
    ASSERT_EQ(read_text(fs, obj, &opts), 1);
    ASSERT_EQ(fs.getNormalCount(), 2u);
    EXPECT_EQ(corners(fs.getFacet(0)), (Indices{0, 1, 2, 1, 0, 1}));
    // Written back with its normals, read back the same.
    KelmMeshFacetSet back;
    ASSERT_EQ(read_text(back, write_to_text(fs, kelm_mesh_file_obj), &opts), 1);
    EXPECT_EQ(corners(back.getFacet(0)), (Indices{0, 1, 2, 1, 0, 1}));
}

}  // namespace
