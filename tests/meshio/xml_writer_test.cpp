#include "kelmmath/meshio/xml_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kelmmath/core/xmlwriter.h"
#include "kelmmath/meshio/xml_reader.h"
#include "meshio/internal_xml_attributes.h"
#include "support/meshio.h"
#include "support/xml_round_trip.h"

namespace {

using kelm_test::add_facet;
using kelm_test::ErrorRecorder;
using kelm_test::ScratchFile;
using Strings = std::vector<std::string>;
using Pairs = kelm_test::AttributePairs;

// Runs body on a compact writer (the layout the stream forms use) and returns the text.
template <class Body>
std::string compact(Body body) {
    KelmOutputString out;
    KelmXMLWriter w(&out);
    w.setIndent(false);
    body(&w);
    w.close();
    return out.str();
}

// The text of the writer calls in the argument list (on the writer w).
#define WRITTEN(...) compact([&](KelmXMLWriter* w) { __VA_ARGS__; })

// Every stream and file form of form is its writer form between a declaration and close().
template <class Form>
void expect_documents(Form form) {
    EXPECT_EQ(kelm_test::expect_file_form(form), WRITTEN(w->writeHeader(); form(w)));
}

TEST(KelmMeshXmlSave, ShellOfOneTriangleWithAndWithoutFacetNormals) {
    KelmMeshFacetSet fs;
    kelm_test::make_triangle(fs);
    const std::string verts = "<verts><v p=\"0 0 0\"/><v p=\"1 0 0\"/><v p=\"0 1 0\"/></verts>";
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save(w, &fs, "part1", 0xFF0000)),
              "<shell id=\"part1\" color=\"ff0000\">" + verts +
                  "<facets><f v=\"0 1 2\"/></facets></shell>\n");
    KelmMeshXMLOpts opts;
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save(w, &opts, &fs, "a", 0)),
              WRITTEN(kelm_mesh_xml_save(w, nullptr, &fs, "a", 0)));
    opts.facet_normals = 1;
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save(w, &opts, &fs, nullptr, 0)),
              "<shell color=\"000000\">" + verts +
                  "<facets><f v=\"0 1 2\" fn=\"0 0 1\"/></facets></shell>\n");

    // Six lower-case digits, zero-padded; larger values keep all their digits. Header and
    // footer may enclose the caller's own elements.
    const std::pair<unsigned, std::string> colors[] = {
        {0x00ff00, "00ff00"}, {0xABCDEF, "abcdef"}, {0x1000000, "1000000"}};
    for (const auto& [color, text] : colors)
        EXPECT_EQ(WRITTEN(kelm_mesh_xml_save_header(w, &fs, "i", color); w->beginElement("note");
                          w->endElement("note"); kelm_mesh_xml_save_footer(w)),
                  "<shell id=\"i\" color=\"" + text + "\">" + verts + "<note/></shell>\n");
}

TEST(KelmMeshXmlSave, NumberTextsCornerNormalsAndOddFacets) {
    KelmMeshFacetSet fs;
    fs.createVertex(KelmPoint(0.1, -0.0, 1e300));
    fs.createVertex(KelmPoint(1.0, 0.0, 0.0));
    fs.createVertex(KelmPoint(0.0, 0.0, 0.0));
    fs.deleteVertex(2);
    KelmMeshFacet* f = fs.getFacet(add_facet(fs, 0, 1, KELM_NONE));  // NONE reads as -1
    f->normal[0] = fs.createNormal(KelmDirection(0.1, 0.0, -1.0 / 3.0));
    f->normal[1] = 7;  // no such normal: left out like NONE
    f->normal[2] = fs.createNormal(KelmDirection(0.0, 0.0, 2.0));
    add_facet(fs, 1, 1, 0);  // degenerate
    add_facet(fs, 0, 1, 3);  // one past the last vertex, last corner and first
    add_facet(fs, 3, 1, 0);
    KelmMeshXMLOpts opts;
    opts.facet_normals = 1;
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save(w, &opts, &fs, nullptr, KELM_NO_COLOR)),
              "<shell><verts><v p=\"0.10000000000000001 -0 1.0000000000000001e+300\"/>"
              "<v p=\"1 0 0\"/><v p=\"2.2250738585072014e-308 2.2250738585072014e-308 "
              "2.2250738585072014e-308\"/></verts><facets><f v=\"0 1 -1\" fn=\"0 0 0\">"
              "<n d=\"0.1 0 -0.333333333333333\"/><n d=\"0 0 2\"/></f>"
              "<f v=\"1 1 0\" fn=\"0 0 0\"/><f v=\"0 1 3\" fn=\"0 0 0\"/>"
              "<f v=\"3 1 0\" fn=\"0 0 0\"/></facets></shell>\n");
}

TEST(KelmMeshXmlSave, FacesRangesAndListsDecideWhichFacetsGoWhere) {
    KelmMeshFacetSet fs;
    kelm_test::make_open_strip(fs);
    kelm_test::add_two_faces(fs);  // face 0: facets 0-1, name, part, colour; face 1: 2-3
    const std::string verts =
        "<verts><v p=\"0 0 0\"/><v p=\"1 0 0\"/><v p=\"2 0 0\"/><v p=\"0 1 0\"/>"
        "<v p=\"1 1 0\"/><v p=\"2 1 0\"/></verts>";
    const std::string f0 = "<f v=\"0 1 4\"/>", f1 = "<f v=\"0 4 3\"/>", f2 = "<f v=\"1 2 5\"/>",
                      f3 = "<f v=\"1 5 4\"/>";
    // With faces the shell has no colour; each face has its own element.
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save(w, &fs, "s", 0x123456)),
              "<shell id=\"s\">" + verts +
                  "<facets name=\"wheel\" part=\"a&amp;b\" color=\"00ff00\">" + f0 + f1 +
                  "</facets><facets>" + f2 + f3 + "</facets></shell>\n");
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save_no_faces(w, &fs, "s", 0x123456)),
              "<shell id=\"s\" color=\"123456\">" + verts + "<facets>" + f0 + f1 + f2 + f3 +
                  "</facets></shell>\n");

    // Ranges: first = NONE writes nothing; null facets and slots past the end are skipped.
    // Lists keep their order and skip NONE, null facets and strays.
    fs.deleteFacet(1);
    const char* pairs[] = {"k", "v", nullptr};
    kelm_uint_vector list, empty;
    for (unsigned i : {3u, KELM_NONE, 1u, 0u, 4u, 3u}) list.append(i);
    const std::pair<std::string, std::string> cases[] = {
        {WRITTEN(kelm_mesh_xml_save_facets(w, &fs, KELM_NONE, 3, pairs)), "\n"},
        {WRITTEN(kelm_mesh_xml_save_facets(w, &fs, 2, 0, pairs)), "<facets k=\"v\"/>\n"},
        {WRITTEN(kelm_mesh_xml_save_facets(w, &fs, 0, 9, nullptr)),
         "<facets>" + f0 + f2 + f3 + "</facets>\n"},
        {WRITTEN(kelm_mesh_xml_save_facets(w, &fs, &list)),
         "<facets>" + f3 + f0 + f3 + "</facets>\n"},
        {WRITTEN(kelm_mesh_xml_save_fragment(w, &fs, &empty)),
         "<shell id=\"fragment\">" + verts + "<facets/></shell>\n"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(KelmMeshXmlSave, StreamAndFileFormsWriteWholeDocuments) {
    KelmMeshFacetSet fs;
    kelm_test::make_open_strip(fs);
    kelm_test::add_two_faces(fs);
    fs.getFacet(0)->normal[1] = fs.createNormal(KelmDirection(0.0, 0.0, 1.0));
    KelmMeshXMLOpts opts;
    opts.facet_normals = 1;
    kelm_test::RecordingStream rec;
    kelm_mesh_xml_save(&rec, &opts, &fs, "strip", 0xFF0000);
    EXPECT_EQ(rec.flushes, 1);
    kelm_test::expect_golden("meshio_strip_faces.xml", rec.text());

    kelm_uint_vector list;
    for (unsigned i : {2u, 0u}) list.append(i);
    expect_documents([&](auto t) { kelm_mesh_xml_save(t, &opts, &fs, "i", 0xAB); });
    expect_documents([&](auto t) { kelm_mesh_xml_save(t, &fs, "i", 0xAB); });
    expect_documents([&](auto t) { kelm_mesh_xml_save_no_faces(t, &opts, &fs, "i", 0xAB); });
    expect_documents([&](auto t) { kelm_mesh_xml_save_no_faces(t, &fs, "i", 0xAB); });
    expect_documents([&](auto t) { kelm_mesh_xml_save_fragment(t, &opts, &fs, &list); });
    expect_documents([&](auto t) { kelm_mesh_xml_save_fragment(t, &fs, &list); });
}

TEST(KelmMeshXmlSave, AttributesXmlCannotHoldAreEncodedReportedAndReadBackExactly) {
    KelmMeshFacetSet fs;
    kelm_test::make_triangle(fs);
    KelmMeshFace* face = fs.createFace(0, 1);
    kelm_mesh_set_color(face, 0x00ff00);
    const Pairs given = {{"surface finish", "ground"},
                         {"color", "red"},
                         {"tool", "T\x01\xFF"},
                         {"kelm.attr.0", "x"},
                         {"tool", "again"},
                         {"plain", "a&b <\"c\"> \t\n"},
                         {"plain", ""}};
    KelmMeshFaceAtts* atts = KelmMeshFaceAtts::make(face);
    for (const auto& p : given)  // append: a name may repeat
        atts->getAttributes().append(
            new KelmMeshShellFaceAttribute(p.first.c_str(), p.second.c_str()));
    ErrorRecorder errors;
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save_face(w, &fs, face)),
              "<facets kelm.attr.0=\"surface%20finish ground\" kelm.attr.1=\"color red\" "
              "kelm.attr.2=\"tool T%01%FF\" kelm.attr.3=\"kelm.attr.0 x\" tool=\"again\" "
              "plain=\"a&amp;b &lt;&quot;c&quot;&gt; &#9;&#10;\" kelm.attr.6=\"plain \" "
              "color=\"00ff00\"><f v=\"0 1 2\"/></facets>\n");
    const auto warning = [](const char* name, const char* why, int index) {
        return "mesh XML: face 0: attribute \"" + std::string(name) + "\" " + why +
               ": written as kelm.attr." + std::to_string(index) + "\n";
    };
    EXPECT_EQ(errors.warnings(),
              (Strings{warning("surface finish", "has a name that is not an XML name", 0),
                       warning("color", "is named like the face colour", 1),
                       warning("tool", "has a value XML 1.0 cannot carry", 2),
                       warning("kelm.attr.0", "has a name starting with kelm.attr.", 3),
                       warning("plain", "repeats a name of the element", 6)}));

    // The whole document reads back with every attribute, in order, byte for byte.
    ScratchFile file("encoded.xml");
    kelm_mesh_xml_save(file.path(), &fs, "id", KELM_NO_COLOR);
    KelmMeshShellRecordVec recs;
    ASSERT_EQ(kelm_mesh_xml_read(&recs, file.path()), 1);
    ASSERT_TRUE(recs.size() == 1 && recs[0]->getFaceCount() == 1);
    EXPECT_EQ(kelm_test::face_attributes(recs[0]->getFace(0)), given);

    // A face's list ends at an attribute without a name, as it always has: reported.
    atts->getAttributes().get(1)->name.copy("");
    errors.clear();
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save_face(w, &fs, face)),
              "<facets kelm.attr.0=\"surface%20finish ground\"><f v=\"0 1 2\"/></facets>\n");
    EXPECT_EQ(errors.errors(), (Strings{"mesh XML: face 0: attribute 1 has no name: it, the "
                                        "attributes after it and the colour are not written\n"}));

    // The caller's own list: its color is its own; other names as for a face.
    const char* list[] = {"color", "123456", "a b", "c", "color", "d", nullptr};
    errors.clear();
    EXPECT_EQ(WRITTEN(kelm_mesh_xml_save_facets(w, &fs, 0, 0, list)),
              "<facets color=\"123456\" kelm.attr.1=\"a%20b c\" kelm.attr.2=\"color d\"/>\n");
    EXPECT_EQ(errors.warnings(),
              (Strings{"mesh XML: <facets>: attribute \"a b\" has a name that is not an XML "
                       "name: written as kelm.attr.1\n",
                       "mesh XML: <facets>: attribute \"color\" repeats a name of the element: "
                       "written as kelm.attr.2\n"}));
    EXPECT_EQ(kelm_mesh_get_color(recs[0]->getFace(0)), 0x00ff00u);
}

TEST(KelmMeshXmlAttributeCode, EncodesExactlyAndDecodesOnlyWhatItWrites) {
    EXPECT_EQ(kelm_internal::encode_attribute("!~%a b", "\x01\xFF\x41"), "!~%25a%20b %01%FFA");
    EXPECT_EQ(kelm_internal::encode_attribute("n", nullptr), "n ");
    std::string name = "kept", value = "kept";
    for (const char* bad :
         {"", "x", " x", "%4 x", "%G1 x", "a%00 x", "a b%0", "a\x7F b", "a\x01 b"})
        EXPECT_FALSE(kelm_internal::decode_attribute(bad, &name, &value)) << bad;
    EXPECT_EQ(name + value, "keptkept");
    ASSERT_TRUE(kelm_internal::decode_attribute("%41%61%4a%4A%0a!~ %7e%20", &name, &value));
    EXPECT_EQ(name, "AaJJ\n!~");
    EXPECT_EQ(value, "~ ");
    EXPECT_FALSE(kelm_internal::decode_attribute("n %2", &name, &value));
}

}  // namespace
