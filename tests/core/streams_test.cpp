#include "kelmmath/core/streams.h"
#include "kelmmath/core/xmlparser.h"
#include "kelmmath/core/xmlwriter.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(KelmOutputString, CollectsInOrder) {
    KelmOutputString s;
    EXPECT_STREQ(s.str(), "");
    s.put("ab");
    s.put(nullptr);
    s.put("cdef", 2);
    EXPECT_STREQ(s.str(), "abcd");
    s.clear();
    EXPECT_STREQ(s.str(), "");
}

TEST(KelmOutputFile, WritesAndFlushesWithoutClosing) {
    FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    {
        KelmOutputFile out(fp, "tmp");
        out.put("hello ");
        out.put("world!!", 5);
        out.put("!?", 1);
        out.flush();
    }
    std::rewind(fp);  // still open after the stream is gone
    char buf[32] = {0};
    ASSERT_EQ(std::fread(buf, 1, sizeof buf - 1, fp), 12u);
    EXPECT_STREQ(buf, "hello world!");
    std::fclose(fp);
}

// Collects element names, attributes and character data as expat reports them.
struct Parsed {
    std::vector<std::string> events;
};

void XMLCALL on_start(void* user, const XML_Char* name, const XML_Char** atts) {
    auto* p = static_cast<Parsed*>(user);
    std::string e = std::string("<") + name;
    for (int i = 0; atts[i]; i += 2) e += std::string(" ") + atts[i] + "=" + atts[i + 1];
    p->events.push_back(e);
}
void XMLCALL on_end(void* user, const XML_Char* name) {
    static_cast<Parsed*>(user)->events.push_back(std::string("/") + name);
}
void XMLCALL on_text(void* user, const XML_Char* s, int len) {
    // expat may hand one run of character data over in several pieces.
    auto* p = static_cast<Parsed*>(user);
    std::string t(s, static_cast<std::size_t>(len));
    if (!p->events.empty() && p->events.back().rfind("text:", 0) == 0) {
        p->events.back() += t;
    } else if (t.find_first_not_of(" \n") != std::string::npos) {
        p->events.push_back("text:" + t);
    }
}

bool parse(const std::string& doc, Parsed* out) {
    XML_Parser parser = KELMXML_ParserCreate(nullptr);
    KELMXML_SetUserData(parser, out);
    EXPECT_EQ(KELMXML_GetUserData(parser), out);
    KELMXML_SetElementHandler(parser, on_start, on_end);
    KELMXML_SetCharacterDataHandler(parser, on_text);
    bool ok = KELMXML_Parse(parser, doc.data(), static_cast<int>(doc.size()), 1) == KELMXML_STATUS_OK;
    KELMXML_ParserFree(parser);
    return ok;
}

TEST(KelmXMLWriter, EscapedNamesAndTextsParseBack) {
    for (bool indent : {true, false}) {
        KelmOutputString s;
        KelmXMLWriter w(&s);
        w.setIndent(indent);
        w.writeHeader();
        w.beginElement("root");
        w.beginAttribute("a");
        w.text("x & <y> \"q\" 'z'\n\ttab");
        w.endAttribute();
        w.beginElement("empty");
        w.endElement("empty");
        w.beginElement("t");
        w.text("1 < 2 & 3 > 2 \"'");
        w.endElement("t");
        w.beginElement("nested");
        w.beginElement("leaf");
        w.beginAttribute("p");
        w.text(nullptr);
        w.endAttribute();
        w.endElement("leaf");
        w.endElement("nested");
        w.close();
        Parsed p;
        ASSERT_TRUE(parse(s.str(), &p)) << s.str();
        std::vector<std::string> expected = {"<root a=x & <y> \"q\" 'z'\n\ttab",
                                             "<empty",
                                             "/empty",
                                             "<t",
                                             "text:1 < 2 & 3 > 2 \"'",
                                             "/t",
                                             "<nested",
                                             "<leaf p=",
                                             "/leaf",
                                             "/nested",
                                             "/root"};
        EXPECT_EQ(p.events, expected) << s.str();
    }
}

TEST(KelmXMLWriter, CompactLayoutAndCloseEndsOpenElements) {
    KelmOutputString s;
    KelmXMLWriter w(&s);
    w.setIndent(false);
    w.writeHeader();
    w.beginElement("a");
    w.beginElement("b");
    w.beginAttribute("v");
    w.text("0 1 2");
    w.endAttribute();
    w.endElement("b");
    w.close();
    EXPECT_STREQ(s.str(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a><b v=\"0 1 2\"/></a>\n");
}

TEST(KelmXMLWriter, IndentedLayout) {
    KelmOutputString s;
    KelmXMLWriter w(&s);
    w.beginElement("a");
    w.beginElement("b");
    w.endElement("b");
    w.beginElement("c");
    w.text("t");
    w.endElement("c");
    w.endElement("a");
    w.close();
    EXPECT_STREQ(s.str(), "<a>\n  <b/>\n  <c>t</c>\n</a>\n");
}

}  // namespace
