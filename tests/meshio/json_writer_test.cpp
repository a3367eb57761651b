#include "kelmmath/meshio/json_writer.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/meshio.h"

namespace {

using kelm_test::expect_file_form;
using kelm_test::RecordingStream;

const char kNullFacet[] = "kelm_mesh_writer: have NULL facet";

TEST(KelmMeshJsonSave, PutsExactlyThePiecesInOrder) {
    KelmMeshFacetSet fs;
    kelm_test::make_triangle(fs);
    // Each number and each comma of a list is a piece of its own.
    RecordingStream os, normals;
    kelm_mesh_json_save(&os, &fs, "part1", 0xFF0000, 0);
    const std::string head =
        "{\n|id| : \"|part1|\"|,\n|color| : |16711680|,\n|verts| : [|0|,|0|,|0|"
        ",|1|,|0|,|0|,|0|,|1|,|0|]|";
    const std::string facet_verts = ",\n|facet_verts| : [|0|,|1|,|2|]|";
    EXPECT_EQ(os.joined(), head + facet_verts + "}");
    EXPECT_EQ(os.flushes, 1);
    // With normals: two more members, both empty here; no_faces is the same text unflushed.
    kelm_mesh_json_save_no_faces(&normals, &fs, "part1", 0xFF0000, 1);
    EXPECT_EQ(normals.joined(),
              head + ",\n|normals| : [|]|" + facet_verts + ",\n|facet_normals| : [|]|}");
    EXPECT_EQ(normals.flushes, 0);

    // No id and no colour: verts comes first. "%g" numbers; "%d" colours; ids unescaped.
    fs.clear();
    fs.createVertex(KelmPoint(0.1234567, -0.0, 1e-7));
    fs.createVertex(KelmPoint(1e6, 123456789.0, DBL_MIN));
    fs.createNormal(KelmDirection(0.5, -1.0, 2.0 / 3.0));
    os.pieces.clear();
    kelm_mesh_json_save(&os, &fs, nullptr, KELM_NO_COLOR, 1);
    EXPECT_EQ(os.text(),
              "{\nverts : [0.123457,-0,1e-07,1e+06,1.23457e+08,2.22507e-308],\n"
              "normals : [0.5,-1,0.666667],\nfacet_verts : [],\nfacet_normals : []}");
    os.pieces.clear();
    kelm_mesh_json_save_header(&os, nullptr, &fs, 0, "a\"b", 0xFFFFFFFF);
    EXPECT_EQ(os.text().rfind("{\nid : \"a\"b\",\ncolor : -1,\nverts : [", 0), 0u) << os.text();
}

TEST(KelmMeshJsonSave, NullFacetsAndMissingNormalsShapeTheFacetLists) {
    KelmMeshFacetSet fs;
    kelm_test::make_cube(fs);  // facets (0,3,2) (2,1,0) (1,2,6) (6,5,1) (2,3,7) (7,6,2)
                               // (3,0,4) ..., two a side, every corner with its side's normal
    fs.deleteFacet(2);
    fs.getFacet(5)->normal[1] = KELM_NONE;
    // The text and the reports of one call, on a state of 1.
    using Result = std::pair<std::string, std::vector<std::string>>;
    const auto facets = [&fs](auto... which) {
        kelm_test::ErrorRecorder errors;
        RecordingStream os;
        int state = 1;
        kelm_mesh_json_save_facets(&os, &state, &fs, which..., 1);
        return Result{os.text(), errors.errors()};
    };
    // facet_verts skips the null facet, facet_normals ends there; one report per list.
    EXPECT_EQ(facets(0u, 7u), (Result{",\nfacet_verts : [0,3,2,2,1,0,6,5,1,2,3,7,7,6,2,3,0,4],"
                                      "\nfacet_normals : [0,0,0,0,0,0]",
                                      {kNullFacet, kNullFacet}}));
    // A facet without all three corner normals ends facet_normals silently.
    EXPECT_EQ(facets(3u, 3u),
              (Result{",\nfacet_verts : [6,5,1,2,3,7,7,6,2],\nfacet_normals : [1,1,1,2,2,2]", {}}));
    // Lists: NONE and indices past the end count as null facets.
    kelm_uint_vector list;
    for (unsigned i : {4u, KELM_NONE, 0u, 40u}) list.append(i);
    EXPECT_EQ(facets(&list), (Result{",\nfacet_verts : [2,3,7,0,3,2],\nfacet_normals : [2,2,2]",
                                     {kNullFacet, kNullFacet, kNullFacet}}));
}

TEST(KelmMeshJsonSave, PiecesShareTheMemberState) {
    KelmMeshFacetSet fs;
    kelm_test::make_tetrahedron(fs);
    RecordingStream os;
    int state = 7;
    kelm_mesh_json_save_header(&os, &state, &fs, 0, "t", KELM_NO_COLOR);
    EXPECT_EQ(state, 1);
    kelm_mesh_json_save_facets(&os, &state, &fs, KELM_NONE, 2, 1);  // nothing at all
    kelm_mesh_json_save_facets(&os, &state, &fs, 0, 2, 0);
    kelm_mesh_json_save_facets(&os, &state, &fs, 2, 2, 0);
    kelm_mesh_json_save_footer(&os);
    EXPECT_EQ(os.text(),
              "{\nid : \"t\",\nverts : [0,0,0,1,0,0,0,1,0,0,0,1],\n"
              "facet_verts : [0,2,1,0,1,3],\nfacet_verts : [0,3,2,1,2,3]}");
    // A state of 0 puts no separator before the first member, then becomes 1.
    RecordingStream bare;
    state = 0;
    kelm_mesh_json_save_facets(&bare, &state, &fs, 0, 1, 0);
    EXPECT_EQ(bare.text(), "facet_verts : [0,2,1]");
    EXPECT_EQ(state, 1);

    kelm_uint_vector none;
    RecordingStream fragment;
    kelm_mesh_json_save_fragment(&fragment, &fs, &none, 0);
    EXPECT_EQ(fragment.text(),
              "{\nid : \"fragment\",\nverts : [0,0,0,1,0,0,0,1,0,0,0,1],\n"
              "facet_verts : []}");
    EXPECT_EQ(fragment.flushes, 0);
}

TEST(KelmMeshJsonSave, LongListsAndFiles) {
    // The file forms gather the pieces; a text of several blocks comes out whole.
    KelmMeshFacetSet big;
    std::string want = "{\nverts : [";
    for (unsigned i = 0; i < 12000; ++i) {
        big.createVertex(KelmPoint(i, i + 0.5, -1.0 * i));
        char y[32];
        std::snprintf(y, sizeof y, "%g", i + 0.5);
        want += (i ? "," : "") + std::to_string(i) + "," + y + ",-" + std::to_string(i);
    }
    ASSERT_GT(want.size(), 2u * 64 * 1024);
    EXPECT_EQ(
        expect_file_form([&](auto t) { kelm_mesh_json_save(t, &big, nullptr, KELM_NO_COLOR, 0); }),
        want + "],\nfacet_verts : []}");

    KelmMeshFacetSet fs;
    kelm_test::make_cube(fs);
    fs.deleteFacet(11);
    kelm_uint_vector list;
    for (unsigned i : {1u, 0u}) list.append(i);
    kelm_test::ErrorRecorder errors;
    const std::string cube =
        expect_file_form([&](auto t) { kelm_mesh_json_save(t, &fs, "cube", 0x00ff00, 1); });
    kelm_test::expect_golden("meshio_cube.json", cube);
    EXPECT_EQ(expect_file_form(
                  [&](auto t) { kelm_mesh_json_save_no_faces(t, &fs, "cube", 0x00ff00, 1); }),
              cube);
    expect_file_form([&](auto t) { kelm_mesh_json_save_fragment(t, &fs, &list, 1); });
}

}  // namespace
