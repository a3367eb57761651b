#ifndef KELMMATH_MESHIO_INTERNAL_NUMBERS_H
#define KELMMATH_MESHIO_INTERNAL_NUMBERS_H

// Number texts of the mesh exchange formats.
//
// The formats are defined by printf and scanf conversions ("%.17g", "%.15g", "%g",
// "%d", "%u", "%06x"; "%u", "%lg"). These helpers give exactly the same text, and
// read exactly the same values, without going through the printf machinery, which
// costs about a microsecond a number. The text never depends on the C locale.

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace kelm_internal {

// Room for any number these helpers write ("-2.2250738585072014e-308" is the longest).
constexpr std::size_t kNumberRoom = 32;

// printf("%.<precision>g", v) into out; returns the end (nothing is terminated).
// std::to_chars in general form with a precision is defined to match printf's %g.
inline char* format_real(char* out, double v, int precision) {
    return std::to_chars(out, out + kNumberRoom, v, std::chars_format::general, precision).ptr;
}

// printf("%u", v).
inline char* format_uint(char* out, unsigned int v) {
    return std::to_chars(out, out + kNumberRoom, v).ptr;
}

// printf("%d", v) for an unsigned value: the bits are read as an int, so indices
// from 2^31 up (KELM_NONE among them) come out negative, as with printf.
inline char* format_int_bits(char* out, unsigned int v) {
    int as_int;
    std::memcpy(&as_int, &v, sizeof as_int);
    return std::to_chars(out, out + kNumberRoom, as_int).ptr;
}

// printf("%06x", v): lower-case hexadecimal, at least six digits (up to eight).
inline char* format_hex06(char* out, unsigned int v) {
    static const char kDigits[] = "0123456789abcdef";
    int digits = 6;
    while (digits < 8 && (v >> (4 * digits)) != 0) ++digits;
    for (int i = digits - 1; i >= 0; --i) *out++ = kDigits[(v >> (4 * i)) & 0xFu];
    return out;
}

// Three reals "a b c" with the given precision, terminated; out needs 3 * kNumberRoom.
inline void format_real_triple(char* out, const double* v, int precision) {
    char* p = format_real(out, v[0], precision);
    *p++ = ' ';
    p = format_real(p, v[1], precision);
    *p++ = ' ';
    p = format_real(p, v[2], precision);
    *p = '\0';
}

// ---------------------------------------------------------------------------------
// Reading.

// The token separators of a number list: blank, tab, carriage return, line feed.
inline bool is_list_separator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits a terminated text into tokens the way strtok(text, " \t\r\n") does, without
// writing into the text.
class ListTokens {
public:
    explicit ListTokens(const char* text) : p_(text ? text : "") {}

    // The next token as [*begin, *end); false when there is none.
    bool next(const char** begin, const char** end) {
        while (*p_ != '\0' && is_list_separator(*p_)) ++p_;
        if (*p_ == '\0') return false;
        *begin = p_;
        while (*p_ != '\0' && !is_list_separator(*p_)) ++p_;
        *end = p_;
        return true;
    }

private:
    const char* p_;
};

// A terminated copy of a token, for sscanf.
class TokenCopy {
public:
    TokenCopy(const char* begin, const char* end) {
        const std::size_t n = static_cast<std::size_t>(end - begin);
        if (n < sizeof small_) {
            std::memcpy(small_, begin, n);
            small_[n] = '\0';
        } else {
            large_.assign(begin, n);
        }
    }
    const char* c_str() const { return large_.empty() ? small_ : large_.c_str(); }

private:
    char small_[64];
    std::string large_;
};

// sscanf of one token with one conversion; *out is written only on success.
inline bool scanf_token(const char* begin, const char* end, unsigned int* out) {
    unsigned int value;
    if (std::sscanf(TokenCopy(begin, end).c_str(), "%u", &value) != 1) return false;
    *out = value;
    return true;
}

inline bool scanf_token(const char* begin, const char* end, double* out) {
    double value;
    if (std::sscanf(TokenCopy(begin, end).c_str(), "%lg", &value) != 1) return false;
    *out = value;
    return true;
}

// sscanf(token, "%u", out) == 1. A token made of an optional sign and digits (what
// the writer produces, "-1" included) is read directly with strtoul's rules: a minus
// sign negates modulo 2^N, a value beyond unsigned long saturates, and the result
// is cut to unsigned int. Anything else goes to sscanf itself.
inline bool scan_uint_token(const char* begin, const char* end, unsigned int* out) {
    const char* p = begin;
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) ++p;
    if (p == end) return scanf_token(begin, end, out);
    unsigned long value = 0;
    bool overflow = false;
    const char* q = p;
    for (; q != end && *q >= '0' && *q <= '9'; ++q) {
        const unsigned long digit = static_cast<unsigned long>(*q - '0');
        if (value > (ULONG_MAX - digit) / 10) overflow = true;
        value = value * 10 + digit;
    }
    if (q == p || q != end) return scanf_token(begin, end, out);
    if (overflow) {
        value = ULONG_MAX;
    } else if (negative) {
        value = 0ul - value;
    }
    *out = static_cast<unsigned int>(value);
    return true;
}

// sscanf(token, "%lg", out) == 1. A plain decimal token (digits, point, exponent,
// signs) that std::from_chars reads completely and in range is taken from it: both
// round correctly, so the values agree bit for bit. Everything else (a leading plus,
// hexadecimal, inf and nan, overflow and underflow, trailing characters) goes to
// sscanf itself.
inline bool scan_real_token(const char* begin, const char* end, double* out) {
    for (const char* p = begin; p != end; ++p) {
        const char c = *p;
        const bool plain =
            (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+';
        if (!plain) return scanf_token(begin, end, out);
    }
    double value;
    const std::from_chars_result r = std::from_chars(begin, end, value);
    if (r.ec == std::errc() && r.ptr == end) {
        *out = value;
        return true;
    }
    return scanf_token(begin, end, out);
}

}  // namespace kelm_internal

#endif  // KELMMATH_MESHIO_INTERNAL_NUMBERS_H
