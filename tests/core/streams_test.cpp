#include "kelmmath/core/streams.h"

#include <gtest/gtest.h>

#include <string>

#include "kelmmath/core/xmlparser.h"
#include "kelmmath/core/xmlwriter.h"

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

bool well_formed(const std::string& doc) {
    KelmXML_Parser parser = KELMXML_ParserCreate(nullptr);
    const bool ok =
        KELMXML_Parse(parser, doc.data(), static_cast<int>(doc.size()), 1) == KELMXML_STATUS_OK;
    KELMXML_ParserFree(parser);
    return ok;
}

// Escaping in attributes and content, self-closed empty elements, both layouts, and
// close() ending the elements still open.
TEST(KelmXMLWriter, EscapingLayoutAndClose) {
    const std::string attr = "x &amp; &lt;y&gt; &quot;q&quot; &apos;z&apos;&#10;&#9;tab";
    const std::string text = "1 &lt; 2 &amp; 3 &gt; 2 &quot;&apos;";
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    const std::string compact = head + "<root a=\"" + attr + "\"><empty/><t>" + text +
                                "</t><nested><leaf p=\"\"/></nested></root>\n";
    const std::string indented = head + "\n<root a=\"" + attr + "\">\n  <empty/>\n  <t>" + text +
                                 "</t>\n  <nested>\n    <leaf p=\"\"/>\n  </nested>\n</root>\n";
    for (bool indent : {false, true}) {
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
        w.close();
        EXPECT_EQ(std::string(s.str()), indent ? indented : compact);
        EXPECT_TRUE(well_formed(s.str()));
    }
}

}  // namespace
