// Hostile input for the mesh XML reader beyond its unit tests (which hold the
// malformed, cut-short and misplaced-element cases, the bad number lists and the long
// values; the number texts are checked against scanf in numbers_test): deep nesting,
// entity tricks, blocks in any order, stray text and bytes that are not UTF-8. Each
// case checks the result, every report and what was read.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostile/hostile_support.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/xml_reader.h"

namespace {

using kelm_hostile::parse_error;
using kelm_hostile::text_of;

struct Case {
    const char* what;
    std::string doc;
    bool whole;           // read by the document reader (else the root reader)
    std::string message;  // the one error, or "" for a clean read
    std::string id;
    std::string read;  // vertices, facets, normals, then each face's first+count
};

// What a read kept, in the form of Case::read; every vertex read is (1, 2, 3).
std::string kept(const KelmMeshShellRecord& r) {
    std::string s = std::to_string(r.getVertexCount()) + " " + std::to_string(r.getFacetCount()) +
                    " " + std::to_string(r.getNormalCount());
    for (unsigned i = 0; i < r.getFaceCount(); ++i)
        s += " " + std::to_string(r.getFace(i)->getFirstFacet()) + "+" +
             std::to_string(r.getFace(i)->getFacetCount());
    for (unsigned v = 0; v < r.getVertexCount(); ++v)
        if (kelm_test::triple(r.rawverts().get(v)) != std::vector<double>{1, 2, 3})
            s += " vertex " + std::to_string(v);
    return s;
}

TEST(HostileReader, EachDocumentReadsAsExpected) {
    std::string open, close;
    for (unsigned i = 0; i < 100000; ++i) {  // shells may sit at any depth
        open += "<a>";
        close += "</a>";
    }
    // Billion laughs: ten levels of ten references each; the shell is on line 15.
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE shell [\n<!ENTITY l0 \"ha\">\n";
    for (int i = 1; i <= 10; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<shell id=\"&l10;\"/>\n";
    const std::string v = "<verts><v p=\"1 2 3\"/></verts>";
    std::vector<Case> cases = {
        {"deep", open + "<shell id=\"deep\">" + v + "</shell>" + close, true, "", "deep", "1 0 0"},
        {"laughs", laughs, true, parse_error(15, XML_ERROR_AMPLIFICATION_LIMIT_BREACH), "", ""},
        {"recursive entity",
         "<!DOCTYPE shell [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><shell>&a;</shell>", false,
         parse_error(1, XML_ERROR_RECURSIVE_ENTITY_REF), "", "0 0 0"},
        // An external entity is never fetched: forbidden in an attribute, skipped in
        // content (the reader installs no external-entity handler).
        {"external in attribute",
         "<!DOCTYPE shell [<!ENTITY x SYSTEM \"/etc/passwd\">]><shell id=\"&x;\"/>", false,
         parse_error(1, XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF), "", "0 0 0"},
        {"external in content",
         "<!DOCTYPE shell [<!ENTITY x SYSTEM \"/etc/passwd\">]><shell id=\"e\">&x;" + v +
             "</shell>",
         false, "", "e", "1 0 0"},
        {"internal entity",
         "<!DOCTYPE shell [<!ENTITY xyz \"1 2 3\">]><shell><verts><v p=\"&xyz;\"/></verts></shell>",
         false, "", "", "1 0 0"},
        // Facets before vertices, two vertex blocks, empty blocks: all allowed.
        {"blocks in any order",
         "<shell><facets><f v=\"0 1 2\"/></facets><verts/>" + v + "<facets/>" + v + v + "</shell>",
         false, "", "", "3 1 0 0+1 1+0"},
        {"text, comments and instructions anywhere",
         "<?xml version=\"1.0\"?><!-- before --><?pi before?>\n<shell id=\"t\">a<!--c--><verts>"
         "b<?pi x?><v p=\"1 2 3\">c<![CDATA[<v p=\"9 9 9\"/>]]></v>d</verts>e<facets>f"
         "<f v=\"0 0 0\">g<n d=\"0 0 1\">h</n>i</f>j</facets>k</shell>\n<!-- after --><?pi "
         "after?>\n",
         false, "", "t", "1 1 1 0+1"},
        {"trailing text", "<shell/>\ntrailing text", false,
         parse_error(2, XML_ERROR_JUNK_AFTER_DOC_ELEMENT), "", "0 0 0"},
        {"leading text", "leading text<shell/>", false, parse_error(1, XML_ERROR_SYNTAX), "",
         "0 0 0"},
        {"NUL", std::string("<shell id=\"a\0b\"/>", 17), false,
         parse_error(1, XML_ERROR_INVALID_TOKEN), "", "0 0 0"},
        // Declared as Latin-1, the byte 0xFF is a letter and reaches the id as UTF-8.
        {"Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><shell id=\"a\xff\"/>", false,
         "", "a\xc3\xbf", "0 0 0"},
    };
    for (const char* bad : {"\xff", "\x80", "\xc0\xaf", "\xed\xa0\x80", "\xf8\x88\x80\x80\x80"})
        cases.push_back({"not UTF-8", std::string("<doc>\n<shell id=\"a") + bad + "b\"/></doc>",
                         true, parse_error(2, XML_ERROR_INVALID_TOKEN), "", ""});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KelmMeshShellRecordVec recs;
        KelmMeshShellRecord rec;
        const kelm_hostile::ReadResult r =
            c.whole ? kelm_hostile::read_all(c.doc, &recs) : kelm_hostile::read_shell(c.doc, &rec);
        EXPECT_EQ(r.result, c.message.empty() ? 1 : 0);
        EXPECT_EQ(r.messages, c.message.empty() ? std::vector<std::string>{}
                                                : std::vector<std::string>{c.message});
        ASSERT_EQ(recs.size(), c.whole && !c.read.empty() ? 1u : 0u);
        const KelmMeshShellRecord& got = c.whole && recs.size() ? *recs[0] : rec;
        EXPECT_EQ(text_of(got.id), c.id);
        EXPECT_EQ(c.whole && recs.size() == 0 ? "" : kept(got), c.read);
    }
}

}  // namespace
