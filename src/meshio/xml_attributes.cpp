#include <cstring>

#include "meshio/internal_xml_attributes.h"

namespace {

bool kept_as_is(unsigned char c) { return c >= '!' && c <= '~' && c != '%'; }

void percent_encode(std::string* out, const char* s) {
    static const char kHex[] = "0123456789ABCDEF";
    if (s == nullptr) return;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        if (kept_as_is(*p)) {
            *out += static_cast<char>(*p);
        } else {
            *out += '%';
            *out += kHex[*p >> 4];
            *out += kHex[*p & 15];
        }
    }
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decodes [b, e) into out; false on a byte that percent-encoding never writes.
bool percent_decode(const char* b, const char* e, std::string* out) {
    for (const char* p = b; p < e; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (kept_as_is(c)) {
            *out += *p;
            continue;
        }
        if (c != '%' || e - p < 3) return false;
        const int hi = hex_digit(p[1]);
        const int lo = hex_digit(p[2]);
        if (hi < 0 || lo < 0 || hi + lo == 0) return false;
        *out += static_cast<char>(hi * 16 + lo);
        p += 2;
    }
    return true;
}

}  // namespace

bool kelm_internal::has_encoded_attribute_prefix(const char* name) {
    return name != nullptr &&
           std::strncmp(name, kEncodedAttributePrefix, sizeof kEncodedAttributePrefix - 1) == 0;
}

std::string kelm_internal::encode_attribute(const char* name, const char* value) {
    std::string out;
    percent_encode(&out, name);
    out += ' ';
    percent_encode(&out, value);
    return out;
}

bool kelm_internal::decode_attribute(const char* text, std::string* name, std::string* value) {
    if (text == nullptr) return false;
    const char* space = std::strchr(text, ' ');
    if (space == nullptr || space == text) return false;
    std::string n, v;
    if (!percent_decode(text, space, &n) || !percent_decode(space + 1, space + std::strlen(space), &v))
        return false;
    *name = std::move(n);
    *value = std::move(v);
    return true;
}
