// Bad input for the mesh XML reader: documents that are malformed, cut short or
// empty, number lists that do not read, huge attribute values, deep nesting, entity
// tricks, elements in the wrong place, stray text and bytes that are not UTF-8. Each
// case checks the result, every report in order, and what was read before the error.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "hostile/hostile_support.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/xml_reader.h"

namespace {

using kelm_hostile::parse_error;
using kelm_hostile::read_all;
using kelm_hostile::read_shell;
using kelm_hostile::ReadResult;
using kelm_hostile::text_of;
using Messages = std::vector<std::string>;

std::vector<double> vertex(const KelmMeshFacetSet& fs, unsigned i) {
    double p[3];
    fs.getVertex(p, i);
    return {p[0], p[1], p[2]};
}

// The reports of a parse the reader stopped after its own message.
Messages stopped(const std::string& message, int line = 1) {
    return {message, parse_error(line, XML_ERROR_ABORTED)};
}

TEST(HostileReader, MalformedTruncatedAndEmptyDocuments) {
    {
        KelmMeshShellRecordVec recs;
        const ReadResult r = read_all("<shell id=\"a\"><verts><v p=\"1 2 3\"/></shell>", &recs);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(1, XML_ERROR_TAG_MISMATCH)});
        // What was read before the error stays.
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(text_of(recs[0]->id), "a");
        ASSERT_EQ(recs[0]->getVertexCount(), 1u);
        EXPECT_EQ(vertex(*recs[0], 0), (std::vector<double>{1, 2, 3}));
    }
    {
        // Cut after a complete element: the open elements never close.
        KelmMeshShellRecordVec recs;
        const ReadResult r =
            read_all("<shell id=\"cut\">\n<verts>\n<v p=\"4 5 6\"/>\n<v p=\"7 8", &recs);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(4, XML_ERROR_UNCLOSED_TOKEN)});
        ASSERT_EQ(recs.size(), 1u);
        ASSERT_EQ(recs[0]->getVertexCount(), 1u);
        EXPECT_EQ(vertex(*recs[0], 0), (std::vector<double>{4, 5, 6}));
    }
    {
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell("<shell><verts><v p=\"1 1 1\"/></verts>", &rec);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(1, XML_ERROR_NO_ELEMENTS)});
        EXPECT_EQ(rec.getVertexCount(), 1u);
    }
    for (const char* empty : {"", "\n\n", "<?xml version=\"1.0\"?>"}) {
        KelmMeshShellRecordVec recs;
        const ReadResult r = read_all(empty, &recs);
        const int line = std::strcmp(empty, "\n\n") == 0 ? 3 : 1;
        EXPECT_EQ(r.result, 0) << empty;
        EXPECT_EQ(r.messages, Messages{parse_error(line, XML_ERROR_NO_ELEMENTS)}) << empty;
        EXPECT_EQ(recs.size(), 0u);
        KelmMeshShellRecord rec;
        EXPECT_EQ(read_shell(empty, &rec).result, 0);
    }
    {
        // Two roots.
        KelmMeshShellRecordVec recs;
        const ReadResult r = read_all("<shell id=\"one\"/><shell id=\"two\"/>", &recs);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(1, XML_ERROR_JUNK_AFTER_DOC_ELEMENT)});
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(text_of(recs[0]->id), "one");
    }
}

TEST(HostileReader, SpecialNumbersInVertexLists) {
    KelmMeshShellRecord rec;
    const ReadResult r = read_shell(
        "<shell><verts>"
        "<v p=\"1e999 -1e999 nan\"/>"
        "<v p=\"inf -INFINITY 0x1p3\"/>"
        "<v p=\"1e-400 -1e-400 4.9406564584124654e-324\"/>"
        "<v p=\"-0 2.2250738585072014e-308 1.7976931348623157e308\"/>"
        "<v p=\" \t1\r\n2\n\n3 4 five\"/>"
        "<v p=\"1x 2,5 3\"/>"
        "</verts><facets>"
        "<f v=\"-1 4294967296 99999999999999999999\"/>"
        "<f v=\"+7 1.9 0x10\"/>"
        "</facets></shell>",
        &rec);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.messages, Messages{});
    ASSERT_EQ(rec.getVertexCount(), 6u);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(vertex(rec, 0)[0], inf);  // out of range reads as infinity, as sscanf does
    EXPECT_EQ(vertex(rec, 0)[1], -inf);
    EXPECT_TRUE(std::isnan(vertex(rec, 0)[2]));
    EXPECT_EQ(vertex(rec, 1), (std::vector<double>{inf, -inf, 8.0}));
    const std::vector<double> tiny = vertex(rec, 2);
    EXPECT_EQ(tiny[0], 0.0);
    EXPECT_FALSE(std::signbit(tiny[0]));
    EXPECT_EQ(tiny[1], 0.0);
    EXPECT_TRUE(std::signbit(tiny[1]));
    EXPECT_EQ(tiny[2], std::numeric_limits<double>::denorm_min());
    const std::vector<double> edges = vertex(rec, 3);
    EXPECT_TRUE(edges[0] == 0.0 && std::signbit(edges[0]));
    EXPECT_EQ(edges[1], KELM_NULL_REAL);
    EXPECT_EQ(edges[2], std::numeric_limits<double>::max());
    EXPECT_EQ(vertex(rec, 4), (std::vector<double>{1, 2, 3}));  // tokens after the third
    EXPECT_EQ(vertex(rec, 5), (std::vector<double>{1, 2, 3}));  // each token as far as it reads
    ASSERT_EQ(rec.getFacetCount(), 2u);
    const KelmMeshFacet* f0 = rec.getFacet(0);
    EXPECT_EQ(f0->vertex[0], KELM_NONE);    // "-1" wraps
    EXPECT_EQ(f0->vertex[1], 0u);           // cut to 32 bits
    EXPECT_EQ(f0->vertex[2], 0xFFFFFFFFu);  // saturates, then cut
    const KelmMeshFacet* f1 = rec.getFacet(1);
    EXPECT_EQ(f1->vertex[0], 7u);
    EXPECT_EQ(f1->vertex[1], 1u);
    EXPECT_EQ(f1->vertex[2], 0u);
}

TEST(HostileReader, NumberListsThatDoNotRead) {
    struct Case {
        const char* element;
        const char* message;
        unsigned vertices;
        unsigned facets;
    };
    const Case cases[] = {
        {"<verts><v p=\"\"/></verts>", "parsing vector of real: Too few args", 0, 0},
        {"<verts><v/></verts>", "parsing vector of real: Too few args", 0, 0},
        {"<verts><v p=\" \t\r\n \"/></verts>", "parsing vector of real: Too few args", 0, 0},
        {"<verts><v p=\"1 2\"/></verts>", "parsing vector of real: Too few args", 0, 0},
        {"<verts><v p=\"1 two 3\"/></verts>", "parsing vector of real", 0, 0},
        {"<verts><v p=\"1 2 -\"/></verts>", "parsing vector of real", 0, 0},
        {"<verts><v p=\"1,2,3\"/></verts>", "parsing vector of real: Too few args", 0, 0},
        {"<facets><f v=\"\"/></facets>", "parsing vector of int: Too few args", 0, 1},
        {"<facets><f v=\"0 1\"/></facets>", "parsing vector of int: Too few args", 0, 1},
        {"<facets><f v=\"0 x 2\"/></facets>", "parsing vector of integer", 0, 1},
        {"<facets><f v=\"0 1 2\"><n d=\"\"/></f></facets>", "parsing vector of real: Too few args",
         0, 1},
        {"<facets><f v=\"0 1 2\"><n d=\"0 0 z\"/></f></facets>", "parsing vector of real", 0, 1},
    };
    for (const Case& c : cases) {
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(std::string("<shell>") + c.element + "</shell>", &rec);
        EXPECT_EQ(r.result, 0) << c.element;
        // The stop is reported at the line where the start tag ends.
        const int line = std::strchr(c.element, '\n') != nullptr ? 2 : 1;
        EXPECT_EQ(r.messages, stopped(c.message, line)) << c.element;
        EXPECT_EQ(rec.getVertexCount(), c.vertices) << c.element;
        EXPECT_EQ(rec.getFacetCount(), c.facets) << c.element;  // a bad <f> stays in the set
        EXPECT_EQ(rec.getNormalCount(), 0u) << c.element;
    }
}

TEST(HostileReader, AttributeValuesOfSeveralMegabytes) {
    std::string big(3u << 20, 'q');
    for (std::size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>('a' + i % 26);
    std::string spaces(2u << 20, ' ');
    const std::string doc = "<shell id=\"" + big + "\"><verts><v p=\"" + spaces + "1" + spaces +
                            "2 3\"/></verts><facets part=\"" + big + "&amp;\"/></shell>";
    KelmMeshShellRecordVec recs;
    const ReadResult r = read_all(doc, &recs);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.messages, Messages{});
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(text_of(recs[0]->id), big);
    EXPECT_EQ(vertex(*recs[0], 0), (std::vector<double>{1, 2, 3}));
    ASSERT_EQ(recs[0]->getFaceCount(), 1u);
    const KelmMeshFaceAtts* atts = KelmMeshFaceAtts::find(recs[0]->getFace(0));
    ASSERT_NE(atts, nullptr);
    ASSERT_NE(atts->getAttribute("part"), nullptr);
    EXPECT_EQ(std::string(atts->getAttribute("part")), big + "&");
}

// One attribute value of 16 MB. The reader must not hand expat the file in blocks so
// small that a long token is scanned again for every block (quadratic in the token
// length with an expat that re-scans partial tokens); the read completes and the value
// comes through whole.
TEST(HostileReader, SixteenMegabyteAttributeValue) {
    std::string value(16u << 20, 'x');
    for (std::size_t i = 0; i < value.size(); i += 65537) value[i] = 'y';
    const std::string doc = "<?xml version=\"1.0\"?>\n<shell id=\"long\">\n<facets name=\"" +
                            value + "\">\n<f v=\"0 1 2\"/>\n</facets>\n</shell>\n";
    KelmMeshShellRecord rec;
    const ReadResult r = read_shell(doc, &rec);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.messages, Messages{});
    ASSERT_EQ(rec.getFaceCount(), 1u);
    EXPECT_EQ(rec.getFace(0)->getFacetCount(), 1u);
    const KelmMeshFaceAtts* atts = KelmMeshFaceAtts::find(rec.getFace(0));
    ASSERT_NE(atts, nullptr);
    const char* read = atts->getAttribute("name");
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(std::strlen(read) == value.size() && value == read);

    // The same value cut short: expat's error, one line further than the value.
    KelmMeshShellRecord cut;
    const ReadResult c = read_shell(doc.substr(0, doc.size() / 2), &cut);
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.messages, Messages{parse_error(3, XML_ERROR_UNCLOSED_TOKEN)});
}

TEST(HostileReader, HundredThousandLevelsOfNesting) {
    const unsigned depth = 100000;
    std::string open, close;
    for (unsigned i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    {
        // Shells may sit at any depth.
        KelmMeshShellRecordVec recs;
        const ReadResult r = read_all(
            open + "<shell id=\"deep\"><verts><v p=\"1 2 3\"/></verts></shell>" + close, &recs);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.messages, Messages{});
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(text_of(recs[0]->id), "deep");
        EXPECT_EQ(recs[0]->getVertexCount(), 1u);
    }
    {
        // Read as a shell, the root's first child is already out of place.
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(open + close, &rec);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, stopped("Syntax error in shell root: unexpected element: a\n"));
    }
    {
        std::string vs, ends;
        for (unsigned i = 0; i < depth; ++i) {
            vs += "<v p=\"0 0 0\">";
            ends += "</v>";
        }
        KelmMeshShellRecordVec recs;
        const ReadResult r = read_all("<shell><verts>" + vs + ends + "</verts></shell>", &recs);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, stopped("Syntax error in shell: <v>: unexpected child: v\n"));
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(recs[0]->getVertexCount(), 1u);
    }
}

TEST(HostileReader, EntityExpansion) {
    {
        // Billion laughs: ten levels of ten references each.
        std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE shell [\n<!ENTITY l0 \"ha\">\n";
        for (int i = 1; i <= 10; ++i) {
            doc += "<!ENTITY l" + std::to_string(i) + " \"";
            for (int k = 0; k < 10; ++k) doc += "&l" + std::to_string(i - 1) + ";";
            doc += "\">\n";
        }
        doc += "]>\n<shell id=\"&l10;\"/>\n";  // line 15
        KelmMeshShellRecordVec recs;
        const ReadResult r = read_all(doc, &recs);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(15, XML_ERROR_AMPLIFICATION_LIMIT_BREACH)});
        EXPECT_EQ(recs.size(), 0u);
    }
    {
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(
            "<!DOCTYPE shell [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><shell>&a;</shell>", &rec);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(1, XML_ERROR_RECURSIVE_ENTITY_REF)});
    }
    {
        // An external entity is never fetched: forbidden in an attribute, skipped in
        // content (the reader installs no external-entity handler).
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(
            "<!DOCTYPE shell [<!ENTITY x SYSTEM \"/etc/passwd\">]><shell id=\"&x;\"/>", &rec);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(1, XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF)});
        KelmMeshShellRecord rec2;
        const ReadResult r2 = read_shell(
            "<!DOCTYPE shell [<!ENTITY x SYSTEM \"/etc/passwd\">]><shell id=\"e\">&x;<verts>"
            "<v p=\"1 2 3\"/></verts></shell>",
            &rec2);
        EXPECT_EQ(r2.result, 1);
        EXPECT_EQ(r2.messages, Messages{});
        EXPECT_EQ(text_of(rec2.id), "e");
        EXPECT_EQ(rec2.getVertexCount(), 1u);
    }
    {
        // A modest internal entity is simply expanded.
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(
            "<!DOCTYPE shell [<!ENTITY xyz \"1 2 3\">]><shell><verts><v p=\"&xyz;\"/>"
            "</verts></shell>",
            &rec);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(vertex(rec, 0), (std::vector<double>{1, 2, 3}));
    }
}

TEST(HostileReader, ElementsInTheWrongPlace) {
    struct Case {
        const char* body;
        const char* message;
    };
    const Case cases[] = {
        {"<v p=\"0 0 0\"/>", "Syntax error in shell root: unexpected element: v\n"},
        {"<faces/>", "Syntax error in shell root: unexpected element: faces\n"},
        {"<shell/>", "Syntax error in shell root: unexpected element: shell\n"},
        {"<Verts/>", "Syntax error in shell root: unexpected element: Verts\n"},
        {"<verts><f v=\"0 1 2\"/></verts>",
         "Syntax error in shell: <verts>: unexpected child: f\n"},
        {"<verts><facets/></verts>", "Syntax error in shell: <verts>: unexpected child: facets\n"},
        {"<verts><v p=\"0 0 0\"><n/></v></verts>",
         "Syntax error in shell: <v>: unexpected child: n\n"},
        {"<facets><v p=\"0 0 0\"/></facets>",
         "Syntax error in shell: <facets>: unexpected child: v\n"},
        {"<facets><verts/></facets>", "Syntax error in shell: <facets>: unexpected child: verts\n"},
        {"<facets><f v=\"0 1 2\"><f v=\"0 1 2\"/></f></facets>",
         "Syntax error in shell: <f>: unexpected child: f\n"},
        {"<facets><f v=\"0 1 2\"><n d=\"0 0 1\"><n/></n></f></facets>",
         "Syntax error in shell: <n>: unexpected child: n\n"},
        {"<facets><f v=\"0 1 2\"><n/><n/><n/><n d=\"1 0 0\"/></f></facets>",
         "too many <n> elements in <f>\n"},
    };
    for (const Case& c : cases) {
        KelmMeshShellRecordVec recs;
        const ReadResult r =
            read_all(std::string("<doc><shell>") + c.body + "</shell></doc>", &recs);
        EXPECT_EQ(r.result, 0) << c.body;
        EXPECT_EQ(r.messages, stopped(c.message)) << c.body;
        EXPECT_EQ(recs.size(), 1u) << c.body;
    }
    {
        // Facets before vertices, two vertex blocks, empty blocks: all allowed.
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(
            "<shell><facets><f v=\"0 1 2\"/></facets><verts/><verts><v p=\"0 0 0\"/></verts>"
            "<facets/><verts><v p=\"1 0 0\"/><v p=\"0 1 0\"/></verts></shell>",
            &rec);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(rec.getVertexCount(), 3u);
        EXPECT_EQ(rec.getFacetCount(), 1u);
        ASSERT_EQ(rec.getFaceCount(), 2u);
        EXPECT_EQ(rec.getFace(1)->getFirstFacet(), 1u);
        EXPECT_EQ(rec.getFace(1)->getFacetCount(), 0u);
    }
}

TEST(HostileReader, TextCommentsAndInstructionsInUnexpectedPlaces) {
    KelmMeshShellRecord rec;
    const ReadResult r = read_shell(
        "<?xml version=\"1.0\"?><!-- before --><?pi before?>\n"
        "<shell id=\"t\">a<!--c--><verts>b<?pi x?><v p=\"0 0 0\">c<![CDATA[<v p=\"9 9 9\"/>]]></v>"
        "d</verts>e<facets>f<f v=\"0 0 0\">g<n d=\"0 0 1\">h</n>i</f>j</facets>k</shell>\n"
        "<!-- after --><?pi after?>\n",
        &rec);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.messages, Messages{});
    EXPECT_EQ(rec.getVertexCount(), 1u);
    ASSERT_EQ(rec.getFacetCount(), 1u);
    EXPECT_EQ(rec.getNormalCount(), 1u);
    EXPECT_EQ(rec.getFacet(0)->normal[0], 0u);

    KelmMeshShellRecord after;
    const ReadResult junk = read_shell("<shell/>\ntrailing text", &after);
    EXPECT_EQ(junk.result, 0);
    EXPECT_EQ(junk.messages, Messages{parse_error(2, XML_ERROR_JUNK_AFTER_DOC_ELEMENT)});

    KelmMeshShellRecord before;
    const ReadResult lead = read_shell("leading text<shell/>", &before);
    EXPECT_EQ(lead.result, 0);
    EXPECT_EQ(lead.messages, Messages{parse_error(1, XML_ERROR_SYNTAX)});
}

TEST(HostileReader, BytesThatAreNotUtf8) {
    for (const char* bad : {"\xff", "\x80", "\xc0\xaf", "\xed\xa0\x80", "\xf8\x88\x80\x80\x80"}) {
        KelmMeshShellRecordVec recs;
        const ReadResult r =
            read_all(std::string("<doc>\n<shell id=\"a") + bad + "b\"/></doc>", &recs);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(2, XML_ERROR_INVALID_TOKEN)});
        EXPECT_EQ(recs.size(), 0u);
    }
    {
        // A NUL byte is no XML character at all.
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(std::string("<shell id=\"a\0b\"/>", 17), &rec);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.messages, Messages{parse_error(1, XML_ERROR_INVALID_TOKEN)});
    }
    {
        // Declared as Latin-1, the same byte is a letter and reaches the id as UTF-8.
        KelmMeshShellRecord rec;
        const ReadResult r = read_shell(
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><shell id=\"a\xff\"/>", &rec);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(text_of(rec.id), "a\xc3\xbf");
    }
}

}  // namespace
