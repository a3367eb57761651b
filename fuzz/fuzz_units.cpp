// Unit names and conversions on arbitrary names, unit numbers and values.
//
// Input: a list of operations, each one byte followed by its operands: a name lookup
// (unit and measure type) of a decoded text, a conversion of a decoded value between
// two unit numbers (anything an int can hold), a vector conversion with null or real
// pointers, rate-unit composition and decomposition, a search by factor, and a
// release or rebuild of the factor tables. Checked on every input: names are never
// null, a name found gives a unit whose names include it, lookups ignore case, a
// value converted to its own unit or to as-is comes back unchanged, and the vector
// forms agree with the factor.

#include <strings.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/units/units.h"

namespace {

using kelm_fuzz::same_real;

KelmUnit any_unit(kelm_fuzz::Bytes& in) {
    const uint8_t kind = in.u8();
    if (kind < 200) return static_cast<KelmUnit>(kind % 61);
    if (kind < 230) return static_cast<KelmUnit>(static_cast<int>(in.u32()));
    static const int kEdges[] = {-1, 61, 62, -2147483647 - 1, 2147483647, 255, 256, 0};
    return static_cast<KelmUnit>(kEdges[kind % 8]);
}

void check_name_lookup(const std::string& name) {
    const KelmUnit u = kelm_get_unit(name.c_str());
    KELM_FUZZ_CHECK(u >= 0 && u <= 60);
    if (u != kelm_unit_unknown) {
        KELM_FUZZ_CHECK(strcasecmp(name.c_str(), kelm_get_unit_name(u)) == 0 ||
                        strcasecmp(name.c_str(), kelm_get_unit_fullname(u)) == 0);
    }
    std::string upper = name;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    KELM_FUZZ_CHECK(kelm_get_unit(upper.c_str()) == u);
    const KelmMeasureType t = kelm_get_measure_type(name.c_str());
    KELM_FUZZ_CHECK(t >= 0 && t <= 21);
    if (t != kelm_mtype_unknown)
        KELM_FUZZ_CHECK(strcasecmp(name.c_str(), kelm_get_measure_type_name(t)) == 0);
    KELM_FUZZ_CHECK(kelm_get_measure_type(upper.c_str()) == t);
}

void check_names(KelmUnit u) {
    KELM_FUZZ_CHECK(kelm_get_unit_name(u) != nullptr);
    KELM_FUZZ_CHECK(kelm_get_unit_fullname(u) != nullptr);
    KELM_FUZZ_CHECK(kelm_get_measure_type_name(u) != nullptr);
    const KelmMeasureType t = kelm_get_measure_type(u);
    KELM_FUZZ_CHECK(t >= 0 && t <= 21);
    KELM_FUZZ_CHECK(kelm_get_measure_type_name(static_cast<KelmMeasureType>(u)) != nullptr);
    if (u < 0 || u > 60) {
        KELM_FUZZ_CHECK(std::strcmp(kelm_get_unit_name(u), "unknown") == 0);
        KELM_FUZZ_CHECK(t == kelm_mtype_unknown);
    }
}

void check_conversion(double value, KelmUnit from, KelmUnit to) {
    const double f = kelm_get_unit_conversion_factor(from, to);
    const double r = kelm_get_measure_as_unit(value, from, to);
    if (to == from || to == kelm_unit_as_is || to == kelm_unit_unknown || value == KELM_NULL_REAL)
        KELM_FUZZ_CHECK(same_real(r, value));
    if (f == KELM_NULL_REAL && value != KELM_NULL_REAL && to != from && to != kelm_unit_as_is &&
        to != kelm_unit_unknown)
        KELM_FUZZ_CHECK(r == KELM_NULL_REAL);
    KELM_FUZZ_CHECK(kelm_get_unit_conversion_factor(from, from) == 1.0 || from < 0 || from > 60);
    KELM_FUZZ_CHECK(kelm_get_unit_conversion_factor(from, kelm_unit_as_is) == 1.0);

    const double in[3] = {value, -value, 0.5 * value};
    double out[3] = {1, 2, 3};
    const int ok = kelm_vec_put_as_unit(out, in, from, to);
    if (from == to || to == kelm_unit_as_is) {
        KELM_FUZZ_CHECK(ok == 1);
        for (int i = 0; i < 3; ++i) KELM_FUZZ_CHECK(same_real(out[i], in[i]));
    } else if (f == KELM_NULL_REAL) {
        KELM_FUZZ_CHECK(ok == 0 && out[0] == 0 && out[1] == 0 && out[2] == 0);
    } else {
        KELM_FUZZ_CHECK(ok == 1);
        for (int i = 0; i < 3; ++i) KELM_FUZZ_CHECK(same_real(out[i], in[i] * f));
    }
    double out2[2] = {7, 8};
    KELM_FUZZ_CHECK(kelm_vec2d_put_as_unit(out2, in, from, to) == ok);
    KELM_FUZZ_CHECK(same_real(out2[0], out[0]) && same_real(out2[1], out[1]));
    KELM_FUZZ_CHECK(kelm_vec_put_as_unit(nullptr, in, from, to) == 0);
    KELM_FUZZ_CHECK(kelm_vec2d_put_as_unit(nullptr, in, from, to) == 0);
    kelm_vec_put_as_unit(out, nullptr, from, to);
    kelm_vec2d_put_as_unit(out2, nullptr, from, to);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kelm_fuzz::Bytes in(data, size);
    for (unsigned step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.u8() % 8) {
            case 0:
            case 1:
                check_name_lookup(in.text(24));
                break;
            case 2:
                check_names(any_unit(in));
                break;
            case 3:
            case 4: {
                const double value = in.coordinate();
                const KelmUnit from = any_unit(in);
                const KelmUnit to = any_unit(in);
                check_conversion(value, from, to);
                break;
            }
            case 5: {
                const KelmUnit num = any_unit(in), den = any_unit(in);
                const KelmUnit r = kelm_get_rational_unit(num, den);
                KELM_FUZZ_CHECK(r >= 0 && r <= 60);
                if (r != kelm_unit_unknown) {
                    KELM_FUZZ_CHECK(kelm_get_unit_numerator(r) == num);
                    KELM_FUZZ_CHECK(kelm_get_unit_denominator(r) == den);
                }
                const KelmUnit n = kelm_get_unit_numerator(num);
                const KelmUnit d = kelm_get_unit_denominator(num);
                if (d == kelm_unit_unknown) KELM_FUZZ_CHECK(n == num);
                break;
            }
            case 6: {
                const KelmUnit u = any_unit(in);
                const double factor = in.coordinate();
                const KelmUnit r = kelm_get_unit_related_by_factor(u, factor);
                // A factor of 1 names u itself, whatever u is.
                KELM_FUZZ_CHECK((r >= 0 && r <= 60) || r == u);
                break;
            }
            default:
                if (in.u8() & 1)
                    kelm_unit_shutdown();
                else
                    kelm_unit_init();
                break;
        }
    }
    return 0;
}
