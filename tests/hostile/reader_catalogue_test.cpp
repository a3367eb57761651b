// Hostile input for the mesh XML reader beyond its unit tests (which hold the
// malformed, cut-short and misplaced-element cases, the bad number lists and the long
// values; the number texts are checked against scanf in numbers_test): deep nesting,
// entity tricks, blocks in any order, stray text and bytes that are not UTF-8. Each
// case checks the result and every report.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostile/hostile_support.h"
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

// Shells may sit at any depth.
TEST(HostileReader, HundredThousandLevelsOfNesting) {
    std::string open, close;
    for (unsigned i = 0; i < 100000; ++i) {
        open += "<a>";
        close += "</a>";
    }
    KelmMeshShellRecordVec recs;
    const ReadResult r = read_all(
        open + "<shell id=\"deep\"><verts><v p=\"1 2 3\"/></verts></shell>" + close, &recs);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.messages, Messages{});
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(text_of(recs[0]->id), "deep");
    EXPECT_EQ(recs[0]->getVertexCount(), 1u);
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

TEST(HostileReader, BlocksInAnyOrderAndNumber) {
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
