#include "kelmmath/core/xmlwriter.h"

#include "kelmmath/core/streams.h"

namespace {

// Pending output is handed to the stream in pieces of about this size.
constexpr std::size_t kFlushThreshold = 64 * 1024;

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

void KelmXMLWriter::closeStartTag() {
    if (in_attribute_) endAttribute();
    if (tag_open_) {
        buffer_ += '>';
        tag_open_ = false;
    }
}

void KelmXMLWriter::beginElement(const char* name) {
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
    buffer_ += ' ';
    buffer_ += name;
    buffer_ += "=\"";
    in_attribute_ = true;
}

void KelmXMLWriter::endAttribute() {
    if (!in_attribute_) return;
    buffer_ += '"';
    in_attribute_ = false;
}

void KelmXMLWriter::text(const char* s) {
    if (s == nullptr) return;
    if (in_attribute_) {
        escape(s, true);
        return;
    }
    closeStartTag();
    has_children_ = true;
    escape(s, false);
}

void KelmXMLWriter::escape(const char* s, bool in_attribute) {
    const char* run = s;
    for (const char* p = s; *p; ++p) {
        const char* entity = nullptr;
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
            default: break;
        }
        if (entity) {
            buffer_.append(run, static_cast<std::size_t>(p - run));
            buffer_ += entity;
            run = p + 1;
        }
    }
    buffer_.append(run);
    if (buffer_.size() >= kFlushThreshold) flushBuffer();
}

void KelmXMLWriter::endElement(const char* name) {
    if (in_attribute_) endAttribute();
    if (open_.empty()) return;
    if (tag_open_) {
        buffer_ += "/>";
        tag_open_ = false;
        open_.pop_back();
    } else {
        std::string own = std::move(open_.back());
        open_.pop_back();
        if (!has_children_) newline();
        buffer_ += "</";
        buffer_ += name ? name : own.c_str();
        buffer_ += '>';
    }
    has_children_ = false;
    if (open_.empty() || buffer_.size() >= kFlushThreshold) flushBuffer();
}

void KelmXMLWriter::close() {
    if (closed_) return;
    while (!open_.empty()) {
        std::string name = open_.back();
        endElement(name.c_str());
    }
    buffer_ += '\n';
    closed_ = true;
    flushBuffer();
}

void KelmXMLWriter::flush() { flushBuffer(); }

void KelmXMLWriter::flushBuffer() {
    if (!buffer_.empty() && stream_ != nullptr) stream_->put(buffer_.data(), buffer_.size());
    buffer_.clear();
}
