// The number texts of the exchange formats against the printf and scanf conversions
// that define them: the fast paths must give the same bytes and the same bits.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "meshio/internal_numbers.h"

namespace {

using namespace kelm_internal;

template <class T>
std::string printed(const char* format, T v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// Values where printf's choices are delicate, then every bit pattern, the range where
// %g turns to exponents, and values that round at the last printed digit.
std::vector<double> test_doubles(int n, std::mt19937_64& rng) {
    std::vector<double> v;
    std::istringstream in(
        "0 -0 0.1 -0.3333333333333333 9.5 99999.95 999999.5 1e-5 1e-4 1e16 1e17 1e21 "
        "123456789012345678 0x1p-1022 0x1.fffffffffffffp+1023 0x1p-1074 -0x1p-1074 "
        "0x0.fffffffffffffp-1022 0x1.0000000000001p0 0.1234567 9007199254740993 inf -inf nan -nan");
    for (std::string w; in >> w;) v.push_back(std::strtod(w.c_str(), nullptr));
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < n; ++i) {
        const unsigned long long bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (i % 4 == 1) d = std::ldexp(unit(rng), static_cast<int>(rng() % 140) - 70);
        if (i % 4 == 2) d = std::round(unit(rng) * 1e7) / 1e3;
        if (i % 4 == 3) d = std::round(unit(rng) * 2e6) + 0.5;
        v.push_back(d);
    }
    return v;
}

TEST(MeshioNumberText, FormattingMatchesPrintfByteForByte) {
    std::mt19937_64 rng(20240601);
    const std::pair<const char*, int> formats[] = {{"%.17g", 17}, {"%.15g", 15}, {"%g", 6}};
    int mismatches = 0;
    for (double v : test_doubles(300000, rng)) {
        for (const auto& [format, precision] : formats) {
            char buf[kNumberRoom];
            const std::string fast(buf, format_real(buf, v, precision));
            if (fast != printed(format, v) && ++mismatches < 5)
                ADD_FAILURE() << format << " of " << printed("%a", v) << ": " << fast;
        }
    }
    EXPECT_EQ(mismatches, 0);

    const double triple[3] = {0.1, -0.0, 1e-310};
    char buf[3 * kNumberRoom];
    format_real_triple(buf, triple, 17);
    EXPECT_STREQ(buf, "0.10000000000000001 -0 9.9999999999999694e-311");

    std::vector<unsigned> ints = {0u, 9u, 10u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (int i = 0; i < 100000; ++i) ints.push_back(static_cast<unsigned>(rng() >> (rng() % 64)));
    for (unsigned u : ints) {
        ASSERT_EQ(std::string(buf, format_int_bits(buf, u)), printed("%d", static_cast<int>(u)));
        ASSERT_EQ(std::string(buf, format_uint(buf, u)), printed("%u", u));
        ASSERT_EQ(std::string(buf, format_hex06(buf, u)), printed("%06x", u));
    }
}

// Reads token with both conversions both ways: results, values and bits must agree,
// and a failed read must leave the output alone.
void expect_scans_like_scanf(const std::string& token) {
    const char* b = token.data();
    const char* e = b + token.size();
    unsigned want_u = 12345u, got_u = 12345u;
    const bool ok_u = std::sscanf(token.c_str(), "%u", &want_u) == 1;
    ASSERT_EQ(scan_uint_token(b, e, &got_u), ok_u) << "%u [" << token << "]";
    EXPECT_EQ(got_u, want_u) << "%u [" << token << "]";
    double want_d = 12345.0, got_d = 12345.0;
    const bool ok_d = std::sscanf(token.c_str(), "%lg", &want_d) == 1;
    ASSERT_EQ(scan_real_token(b, e, &got_d), ok_d) << "%lg [" << token << "]";
    EXPECT_EQ(std::memcmp(&got_d, &want_d, sizeof got_d), 0)
        << "%lg [" << token << "]: " << printed("%a", want_d) << " vs " << printed("%a", got_d);
}

TEST(MeshioNumberScan, ScanningMatchesScanfBitForBit) {
    std::istringstream in(
        "0 -0 +7 -1 4294967296 18446744073709551616 -4294967295 -99999999999999999999999 12abc "
        "abc - + +-1 --1 0x10 0x1p3 .5 -.5 5. . 1e 1e+ e5 1e400 -1e400 1e-400 4.9e-324 "
        "2.4703282292062328e-324 2.2250738585072011e-308 inf -infinity nan -nan nan(123) 1,5 "
        "100ergs 9007199254740993 "
        "0.30000000000000004440892098500626161694526672363281250000000000000000001");
    for (std::string t; in >> t;) expect_scans_like_scanf(t);
    expect_scans_like_scanf("\v2.5");  // a token is split at blanks only
    // Every text the writers produce, near misses of it, integers and long digit strings
    // that need the slow exact rounding of both readers.
    std::mt19937_64 rng(4242);
    for (double v : test_doubles(100000, rng)) {
        for (const char* format : {"%.17g", "%.15g", "%g", "%.25e"}) {
            const std::string t = printed(format, v);
            expect_scans_like_scanf(t);
            expect_scans_like_scanf(t.substr(0, t.size() - 1));
        }
        std::string digits = (rng() % 2) ? "-" : "";
        for (int k = static_cast<int>(rng() % 40); k >= 0; --k) digits += char('0' + rng() % 10);
        if (rng() % 2) digits.insert(digits.size() - rng() % digits.size(), ".");
        if (rng() % 2) digits += "e" + std::to_string(static_cast<int>(rng() % 700) - 350);
        expect_scans_like_scanf(digits);
        expect_scans_like_scanf(std::to_string(static_cast<long long>(rng()) >> (rng() % 64)));
        if (HasFailure()) return;
    }
}

TEST(MeshioNumberScan, TokensSplitLikeStrtok) {
    for (const char* text : {"", " ", "  1\t2\r\n3  ", "\v1 \f2", "1,2 3", "x  y\t\tz w"}) {
        std::vector<char> copy(text, text + std::strlen(text) + 1);
        std::vector<std::string> want, got;
        for (char* t = std::strtok(copy.data(), " \t\r\n"); t; t = std::strtok(nullptr, " \t\r\n"))
            want.push_back(t);
        ListTokens tokens(text);
        const char *b, *e;
        while (tokens.next(&b, &e)) got.emplace_back(b, e);
        EXPECT_EQ(got, want) << "[" << text << "]";
    }
    const char *b, *e;
    EXPECT_FALSE(ListTokens(nullptr).next(&b, &e));
}

}  // namespace
