#include <cstdio>
#include <cstring>

#include "core/internal_xmltext.h"

namespace {

bool is_name_start(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool is_name_char(unsigned char c) {
    return is_name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

}  // namespace

bool kelm_internal::is_xml_name(const char* name) {
    if (name == nullptr || !is_name_start(static_cast<unsigned char>(name[0]))) return false;
    for (const char* p = name + 1; *p; ++p) {
        if (!is_name_char(static_cast<unsigned char>(*p))) return false;
    }
    return true;
}

std::size_t kelm_internal::bad_xml_char_length(const unsigned char* s, std::size_t n) {
    const unsigned char c = s[0];
    if (c < 0x80) return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') ? 1 : 0;
    // The length a lead byte announces, and the least code point of that length.
    std::size_t len;
    unsigned long cp;
    unsigned long least;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2, cp = c & 0x1Fu, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3, cp = c & 0x0Fu, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4, cp = c & 0x07u, least = 0x10000;
    } else {
        return 1;  // a continuation byte, or a lead byte of no valid sequence
    }
    if (n < len) return 1;
    for (std::size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xC0u) != 0x80u) return 1;
        cp = (cp << 6) | (s[i] & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 1;
    if (cp == 0xFFFE || cp == 0xFFFF) return len;
    return 0;
}

bool kelm_internal::is_xml_text(const char* s) {
    if (s == nullptr) return true;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    std::size_t n = std::strlen(s);
    while (n > 0) {
        if (*p < 0x80) {
            if (*p < 0x20 && *p != '\t' && *p != '\n' && *p != '\r') return false;
            ++p, --n;
            continue;
        }
        if (bad_xml_char_length(p, n) != 0) return false;
        const std::size_t len = *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : 2;
        p += len, n -= len;
    }
    return true;
}

std::string kelm_internal::shown_text(const char* s) {
    if (s == nullptr) return "(null)";
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (*p >= 0x20 && *p < 0x7F && *p != '\\') {
            out += static_cast<char>(*p);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", *p);
            out += buf;
        }
    }
    return out;
}
