// The writer's escaping and layouts; what XML cannot hold never reaches its output: the
// document stays well-formed, the rest is written, each omission is reported.
#include "kelmmath/core/xmlwriter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/internal_xmltext.h"
#include "kelmmath/core/streams.h"
#include "kelmmath/core/xmlparser.h"
#include "support/capture.h"

namespace {

using Strings = std::vector<std::string>;

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

TEST(KelmXMLWriter, NamesThatAreNotXmlNamesAreLeftOutAndReported) {
    kelm_test::ErrorRecorder errors;
    KelmOutputString s;
    KelmXMLWriter w(&s);
    w.setIndent(false);
    w.text("lead");  // outside every element
    w.text(" \n");   // blanks are fine
    w.beginElement("root");
    w.beginAttribute("a b");  // not a name: left out with its text
    w.text("x");
    w.endAttribute();
    w.beginAttribute("ok");
    w.text("1");
    w.beginAttribute("ok");  // repeated (and ends the previous one)
    w.text("2");
    w.beginElement("bad name");  // left out with its whole content
    w.beginAttribute("b");
    w.text("b");
    w.beginElement("inner");
    w.beginAttribute("q");
    w.text("q");
    w.text("more");
    w.endElement("inner");
    w.endElement("bad name");
    w.beginElement("_x.y-z:0");
    w.text("t");
    w.beginAttribute("late");  // after the start tag was closed by content
    w.text("v");
    w.endAttribute();
    w.endElement("wrong");  // ends _x.y-z:0 under its own name
    for (const char* name : {"", "1a", "-a", "\xC3\xA9t\xC3\xA9", "a\x01"}) {
        w.beginElement(name);
        w.endElement(name);
    }
    w.endElement("root");
    w.endElement("root");  // nothing open: nothing happens
    w.close();
    EXPECT_STREQ(s.str(), "<root ok=\"1\"><_x.y-z:0>t</_x.y-z:0></root>\n");
    EXPECT_TRUE(well_formed(s.str()));
    const auto not_a_name = [](const std::string& shown) {
        return "XML writer: element name \"" + shown +
               "\" is not an XML name: the element is left out\n";
    };
    Strings expected = {
        "XML writer: text outside every element is left out\n",
        "XML writer: <root>: attribute \"a b\" is not an XML name: it is left out\n",
        "XML writer: <root>: attribute \"ok\" is already on the element: it is left out\n",
        not_a_name("bad name"),
        "XML writer: <_x.y-z:0>: attribute \"late\" comes after the start tag: it is left out\n"};
    for (const char* shown : {"", "1a", "-a", "\\xC3\\xA9t\\xC3\\xA9", "a\\x01"})
        expected.push_back(not_a_name(shown));
    EXPECT_EQ(errors.errors(), expected);
}

TEST(KelmXMLWriter, CharactersXmlCannotCarryAreLeftOutOneByOne) {
    // The text, as written inside an attribute, the number of bytes left out.
    const std::tuple<const char*, std::string, unsigned> cases[] = {
        {"a\001b\037c", "abc", 2},
        {"\t\n\r", "&#9;&#10;&#13;", 0},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80<\x7F",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80&lt;\x7F", 0},
        {"\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80", "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80", 0},
        {"x\xC3", "x", 1},                // cut short
        {"\xC3(", "(", 1},                // lead byte without its continuation
        {"\x80\xBF", "", 2},              // lone continuation bytes
        {"\xC0\xAF\xE0\x80\xAF", "", 5},  // overlong forms
        {"\xED\xA0\x80", "", 3},          // a surrogate, byte by byte
        {"\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD", "\xEF\xBF\xBD", 6},  // U+FFFE, U+FFFF out
        {"\xF4\x90\x80\x80\xF5", "", 5},                              // above U+10FFFF
    };
    for (const auto& [in, out, left_out] : cases) {
        kelm_test::ErrorRecorder errors;
        KelmOutputString s;
        KelmXMLWriter w(&s);
        w.setIndent(false);
        w.beginElement("e");
        w.beginAttribute("a");
        w.text(in);
        w.endAttribute();
        w.text(in);
        w.endElement("e");
        w.close();
        const std::string content = out == "&#9;&#10;&#13;" ? "\t\n&#13;" : out;  // in content
        EXPECT_EQ(std::string(s.str()), "<e a=\"" + out + "\">" + content + "</e>\n")
            << kelm_internal::shown_text(in);
        EXPECT_TRUE(well_formed(s.str())) << kelm_internal::shown_text(in);
        EXPECT_EQ(kelm_internal::is_xml_text(in), left_out == 0);
        Strings expected;
        if (left_out > 0) {
            const std::string n = std::to_string(left_out);
            expected = {
                "XML writer: <e a>: " + n + " byte(s) XML cannot carry left out of the text\n",
                "XML writer: <e>: " + n + " byte(s) XML cannot carry left out of the text\n"};
        }
        EXPECT_EQ(errors.errors(), expected) << kelm_internal::shown_text(in);
    }
}

}  // namespace
