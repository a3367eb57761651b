#ifndef KELMMATH_CORE_XMLWRITER_H
#define KELMMATH_CORE_XMLWRITER_H

#include <string>
#include <vector>

#include "kelmmath/kelmmath_export.h"

class KelmOutputStream;

// Writes well-formed XML 1.0 (UTF-8) to a stream, from calls made in document
// order:
//
//   writeHeader();                      <?xml version="1.0" encoding="UTF-8"?>
//   beginElement("shell");              <shell
//   beginAttribute("id"); text("a&b");    id="a&amp;b"
//   endAttribute();
//   beginElement("verts"); ...          ><verts>...
//   endElement("verts");                </verts>
//   endElement("shell");                </shell>
//   close();
//
// Attribute values and character data are escaped (& < > " '). An element that
// received no content is closed in the empty-element form "<v p=\"...\"/>".
// With indentation on (the default) each element starts on its own line, indented
// by two spaces per level; setIndent(false) writes everything on one line with a
// final newline at close(). A null text is written as nothing. The stream is
// not flushed by the writer.
//
// The writer never writes a document that is not well-formed. What XML cannot hold
// is left out and reported through kelm_ec()->error(), and the rest is written:
// - An element name must be made of ASCII letters, digits, '_', '-', '.' and ':',
//   starting with a letter, '_' or ':' (names with letters beyond ASCII are refused:
//   XML parsers disagree on them). An element with any other name is left out with
//   everything inside it, up to its endElement(); reported once:
//     "XML writer: element name \"%s\" is not an XML name: the element is left out\n"
// - An attribute whose name is not such a name, or repeats a name already written on
//   the element, or that comes when no start tag is open (after content, or outside
//   every element), is left out with its text:
//     "XML writer: <%s>: attribute \"%s\" %s: it is left out\n"
//   where the last %s is "is not an XML name", "is already on the element" or "comes
//   after the start tag".
// - In a text, bytes XML 1.0 cannot carry (bytes that are not well-formed UTF-8,
//   surrogates, U+FFFE, U+FFFF, control characters other than tab, line feed and
//   carriage return) are left out one character at a time, the rest is written:
//     "XML writer: <%s>: %u byte(s) XML cannot carry left out of the text\n"
//   (the attribute name follows the element name when the text is a value).
// - Text outside every element other than blanks is left out:
//     "XML writer: text outside every element is left out\n"
// Names in messages show bytes outside printable ASCII as \xHH.
// endElement(name) ends the innermost open element under the name it was opened with
// (name only matters for checking nothing); extra endElement() calls do nothing.
class KELMMATH_API KelmXMLWriter {
public:
    explicit KelmXMLWriter(KelmOutputStream* stream);
    ~KelmXMLWriter();
    KelmXMLWriter(const KelmXMLWriter&) = delete;
    KelmXMLWriter& operator=(const KelmXMLWriter&) = delete;

    void setIndent(bool on) { indent_ = on; }
    bool indent() const { return indent_; }

    void writeHeader();
    void beginElement(const char* name);
    void beginAttribute(const char* name);
    void text(const char* s);
    void endAttribute();
    void endElement(const char* name);
    // Ends every element still open and hands the pending text to the stream.
    void close();
    // Hands the pending text to the stream. Text also reaches the stream when the
    // pending buffer fills, when an outermost element ends, and at close().
    void flush();

private:
    void closeStartTag();
    void newline();
    void escape(const char* s, bool in_attribute);
    void flushBuffer();
    const char* currentElement() const;


    KelmOutputStream* stream_;
    std::string buffer_;
    std::vector<std::string> open_;
    bool indent_ = true;
    bool tag_open_ = false;
    bool in_attribute_ = false;
    bool has_children_ = false;
    bool closed_ = false;
    unsigned skip_depth_ = 0;          // elements left out, counted down by endElement
    bool skip_attribute_ = false;      // the attribute being written is left out
    std::vector<std::string> attrs_;  // attribute names of the open start tag
    std::string attribute_;            // the attribute being written
};

#endif  // KELMMATH_CORE_XMLWRITER_H
