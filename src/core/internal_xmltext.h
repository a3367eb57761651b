#ifndef KELMMATH_CORE_INTERNAL_XMLTEXT_H
#define KELMMATH_CORE_INTERNAL_XMLTEXT_H

#include <cstddef>
#include <string>

namespace kelm_internal {

// True when name is a name the XML writer writes as given: ASCII letters, digits,
// '_', '-', '.' and ':', starting with a letter, '_' or ':'. Names with letters
// beyond ASCII are refused: XML parsers of different editions disagree on them.
bool is_xml_name(const char* name);

// The length of the first byte sequence at s[0..n) that XML 1.0 text cannot carry
// (a byte that does not start well-formed UTF-8, an overlong form, a surrogate, a
// code point above U+10FFFF, U+FFFE, U+FFFF, or a control character other than tab,
// line feed and carriage return), or 0 when s[0] starts a character it can carry.
// Each call looks at one character.
std::size_t bad_xml_char_length(const unsigned char* s, std::size_t n);

// True when every character of the text (null: none) is one XML 1.0 can carry.
bool is_xml_text(const char* s);

// The text for a message: printable ASCII as it is, every other byte as \xHH; null
// gives "(null)".
std::string shown_text(const char* s);

}  // namespace kelm_internal

#endif  // KELMMATH_CORE_INTERNAL_XMLTEXT_H
