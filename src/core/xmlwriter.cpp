#include "kelmmath/core/xmlwriter.h"

#include <algorithm>
#include <cstring>

#include "core/internal_xmltext.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/core/streams.h"

using kelm_internal::shown_text;

namespace {

// Pending output is handed to the stream in pieces of about this size.
constexpr std::size_t kFlushThreshold = 64 * 1024;

bool is_blank(const char* s) {
    for (; *s; ++s) {
        if (*s != ' ' && *s != '\t' && *s != '\n' && *s != '\r') return false;
    }
    return true;
}

}  // namespace

KelmXMLWriter::KelmXMLWriter(KelmOutputStream* stream) : stream_(stream) {}

KelmXMLWriter::~KelmXMLWriter() { flushBuffer(); }

void KelmXMLWriter::writeHeader() {
    buffer_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    if (indent_) buffer_ += '\n';
}

void KelmXMLWriter::newline() {
    if (!indent_) return;
    if (!buffer_.empty() && buffer_.back() != '\n') buffer_ += '\n';
    buffer_.append(2 * open_.size(), ' ');
}

const char* KelmXMLWriter::currentElement() const {
    return open_.empty() ? "" : open_.back().c_str();
}

void KelmXMLWriter::closeStartTag() {
    if (in_attribute_) endAttribute();
    if (tag_open_) {
        buffer_ += '>';
        tag_open_ = false;
        attrs_.clear();
    }
}

void KelmXMLWriter::beginElement(const char* name) {
    if (skip_depth_ > 0) {
        ++skip_depth_;
        return;
    }
    if (!kelm_internal::is_xml_name(name)) {
        kelm_ec()->error("XML writer: element name \"%s\" is not an XML name: the element is "
                         "left out\n",
                         shown_text(name).c_str());
        if (in_attribute_) endAttribute();
        skip_depth_ = 1;
        return;
    }
    closeStartTag();
    newline();
    buffer_ += '<';
    buffer_ += name;
    open_.emplace_back(name);
    tag_open_ = true;
    has_children_ = false;
}

void KelmXMLWriter::beginAttribute(const char* name) {
    if (in_attribute_) endAttribute();
    in_attribute_ = true;
    skip_attribute_ = true;
    if (skip_depth_ > 0) return;
    const char* why = nullptr;
    if (!tag_open_) {
        why = "comes after the start tag";
    } else if (!kelm_internal::is_xml_name(name)) {
        why = "is not an XML name";
    } else if (std::find(attrs_.begin(), attrs_.end(), name) != attrs_.end()) {
        why = "is already on the element";
    }
    if (why != nullptr) {
        kelm_ec()->error("XML writer: <%s>: attribute \"%s\" %s: it is left out\n",
                         currentElement(), shown_text(name).c_str(), why);
        return;
    }
    skip_attribute_ = false;
    attrs_.emplace_back(name);
    attribute_ = name;
    buffer_ += ' ';
    buffer_ += name;
    buffer_ += "=\"";
}

void KelmXMLWriter::endAttribute() {
    if (!in_attribute_) return;
    if (!skip_attribute_) buffer_ += '"';
    in_attribute_ = false;
    skip_attribute_ = false;
}

void KelmXMLWriter::text(const char* s) {
    if (s == nullptr || skip_depth_ > 0) return;
    if (in_attribute_) {
        if (!skip_attribute_) escape(s, true);
        return;
    }
    if (open_.empty()) {
        if (!is_blank(s)) kelm_ec()->error("XML writer: text outside every element is left out\n");
        return;
    }
    closeStartTag();
    has_children_ = true;
    escape(s, false);
}

void KelmXMLWriter::escape(const char* s, bool in_attribute) {
    const unsigned char* run = reinterpret_cast<const unsigned char*>(s);
    const unsigned char* p = run;
    const unsigned char* end = p + std::strlen(s);
    unsigned left_out = 0;
    while (p < end) {
        const char* entity = nullptr;
        std::size_t skip = 0;
        switch (*p) {
            case '&': entity = "&amp;"; break;
            case '<': entity = "&lt;"; break;
            case '>': entity = "&gt;"; break;
            case '"': entity = "&quot;"; break;
            case '\'': entity = "&apos;"; break;
            // Line breaks and tabs inside an attribute would be normalised to
            // spaces by a reader; character references keep them.
            case '\n': entity = in_attribute ? "&#10;" : nullptr; break;
            case '\r': entity = "&#13;"; break;
            case '\t': entity = in_attribute ? "&#9;" : nullptr; break;
            default:
                if (*p < 0x20 || *p >= 0x80)
                    skip = kelm_internal::bad_xml_char_length(p, static_cast<std::size_t>(end - p));
                break;
        }
        if (entity == nullptr && skip == 0) {
            // A well-formed character: its lead byte tells its length.
            p += *p < 0x80 ? 1 : *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : 2;
            continue;
        }
        buffer_.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
        if (entity != nullptr) {
            buffer_ += entity;
            ++p;
        } else {
            left_out += static_cast<unsigned>(skip);
            p += skip;
        }
        run = p;
    }
    buffer_.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
    if (left_out > 0) {
        std::string where = currentElement();
        if (in_attribute) where += " " + attribute_;
        kelm_ec()->error("XML writer: <%s>: %u byte(s) XML cannot carry left out of the text\n",
                         where.c_str(), left_out);
    }
    if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void KelmXMLWriter::endElement(const char*) {
    if (in_attribute_) endAttribute();
    if (skip_depth_ > 0) {
        --skip_depth_;
        return;
    }
    if (open_.empty()) return;
    if (tag_open_) {
        buffer_ += "/>";
        tag_open_ = false;
        attrs_.clear();
        open_.pop_back();
    } else {
        std::string own = std::move(open_.back());
        open_.pop_back();
        if (!has_children_) newline();
        buffer_ += "</";
        buffer_ += own;
        buffer_ += '>';
    }
    has_children_ = false;
    if (open_.empty() || buffer_.size() >= kFlushThreshold) flushBuffer();
}

void KelmXMLWriter::close() {
    if (closed_) return;
    skip_depth_ = 0;
    while (!open_.empty()) endElement(nullptr);
    buffer_ += '\n';
    closed_ = true;
    flushBuffer();
}

void KelmXMLWriter::flush() { flushBuffer(); }

void KelmXMLWriter::flushBuffer() {
    if (!buffer_.empty() && stream_ != nullptr) stream_->put(buffer_.data(), buffer_.size());
    buffer_.clear();
}
