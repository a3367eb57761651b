#ifndef KELMMATH_MESHIO_INTERNAL_XML_ATTRIBUTES_H
#define KELMMATH_MESHIO_INTERNAL_XML_ATTRIBUTES_H

#include <string>

namespace kelm_internal {

// A face attribute that XML cannot hold as it is (its name is not an XML name, is the
// format's own "color", repeats a name of the element or starts with this prefix, or
// its value holds what XML 1.0 cannot carry) is written as the attribute
// kelm.attr.<n> (n: its position in the attribute list) whose value is its name and
// its value, each percent-encoded, joined by one space:
//
//     name "surface finish", value "ground"  ->  kelm.attr.0="surface%20finish ground"
//
// Percent-encoding keeps the bytes '!' to '~' other than '%' and writes every other
// byte as '%' and two upper-case hexadecimal digits, so the text is plain ASCII and
// the bytes come back exactly.
constexpr const char kEncodedAttributePrefix[] = "kelm.attr.";

bool has_encoded_attribute_prefix(const char* name);

// The value of the encoded attribute for (name, value); a null text is empty.
std::string encode_attribute(const char* name, const char* value);

// Reads an encoded attribute's value back into name and value; false (and nothing
// changed) when the text is not exactly such a value: no space, a '%' not followed by
// two hexadecimal digits, %00, a byte outside '!' to '~', or an empty name.
bool decode_attribute(const char* text, std::string* name, std::string* value);

}  // namespace kelm_internal

#endif  // KELMMATH_MESHIO_INTERNAL_XML_ATTRIBUTES_H
