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

    KelmOutputStream* stream_;
    std::string buffer_;
    std::vector<std::string> open_;
    bool indent_ = true;
    bool tag_open_ = false;
    bool in_attribute_ = false;
    bool has_children_ = false;
    bool closed_ = false;
};

#endif  // KELMMATH_CORE_XMLWRITER_H
