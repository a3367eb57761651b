// The conversion list and the factor rows: factors derived from unit sizes, the published
// values, the shape of the whole factor matrix and the list order.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/units/units.h"
#include "units/internal_units.h"

namespace {

using Pair = std::pair<KelmUnit, KelmUnit>;
using Units = std::vector<KelmUnit>;

std::string pair_name(KelmUnit a, KelmUnit b) {
    return std::string(kelm_get_unit_name(a)) + " -> " + kelm_get_unit_name(b);
}

// Exact unit sizes, as fractions of the millimetre and the second, written from the
// definitions of the units alone.
struct Ratio {
    std::uint64_t num, den;
};

Ratio operator*(Ratio a, Ratio b) {
    const std::uint64_t g1 = std::gcd(a.num, b.den), g2 = std::gcd(b.num, a.den);
    return {(a.num / g1) * (b.num / g2), (a.den / g2) * (b.den / g1)};
}

Ratio operator/(Ratio a, Ratio b) {
    return a * Ratio{b.den, b.num};
}

// With both parts below 2^53, one IEEE division rounds the exact ratio to nearest.
double nearest(Ratio r) {
    const std::uint64_t g = std::gcd(r.num, r.den), limit = std::uint64_t{1} << 53;
    EXPECT_LE(r.num / g, limit);
    EXPECT_LE(r.den / g, limit);
    return static_cast<double>(r.num / g) / static_cast<double>(r.den / g);
}

std::map<KelmUnit, Ratio> lengths() {
    const Ratio inch{254, 10};
    return {{kelm_unit_mm, {1, 1}},
            {kelm_unit_cm, {10, 1}},
            {kelm_unit_m, {1000, 1}},
            {kelm_unit_in, inch},
            {kelm_unit_ft, inch * Ratio{12, 1}},
            {kelm_unit_micrometre, {1, 1000}},
            {kelm_unit_nm, {1, 1000000}},
            {kelm_unit_mil, inch * Ratio{1, 1000}},
            {kelm_unit_microinch, inch * Ratio{1, 1000000}}};
}

std::map<KelmUnit, Ratio> times() {
    return {{kelm_unit_sec, {1, 1}}, {kelm_unit_min, {60, 1}}, {kelm_unit_hour, {3600, 1}}};
}

// Each unit is the given length unit over the time unit, squared or cubed.
std::map<KelmUnit, Ratio> derived(const std::vector<std::pair<KelmUnit, Pair>>& parts, int power) {
    std::map<KelmUnit, Ratio> out;
    for (const auto& p : parts) {
        Ratio r = lengths().at(p.second.first);
        for (int i = 1; i < power; ++i) r = r * lengths().at(p.second.first);
        out[p.first] = p.second.second ? r / times().at(p.second.second) : r;
    }
    return out;
}

TEST(KelmUnitFactors, SizeRatiosAreNearestDoublesExceptPublishedValues) {
    const KelmUnit none = kelm_unit_unknown;
    const std::map<KelmUnit, Ratio> families[] = {
        lengths(), times(),
        derived({{kelm_unit_mm_s, {kelm_unit_mm, kelm_unit_sec}},
                 {kelm_unit_mm_min, {kelm_unit_mm, kelm_unit_min}},
                 {kelm_unit_cm_s, {kelm_unit_cm, kelm_unit_sec}},
                 {kelm_unit_m_s, {kelm_unit_m, kelm_unit_sec}},
                 {kelm_unit_in_s, {kelm_unit_in, kelm_unit_sec}},
                 {kelm_unit_in_min, {kelm_unit_in, kelm_unit_min}},
                 {kelm_unit_ft_s, {kelm_unit_ft, kelm_unit_sec}},
                 {kelm_unit_ft_min, {kelm_unit_ft, kelm_unit_min}}},
                1),
        derived({{kelm_unit_sq_mm, {kelm_unit_mm, none}},
                 {kelm_unit_sq_cm, {kelm_unit_cm, none}},
                 {kelm_unit_sq_m, {kelm_unit_m, none}},
                 {kelm_unit_sq_in, {kelm_unit_in, none}},
                 {kelm_unit_sq_ft, {kelm_unit_ft, none}}},
                2),
        derived({{kelm_unit_cu_mm, {kelm_unit_mm, none}},
                 {kelm_unit_cu_cm, {kelm_unit_cm, none}},
                 {kelm_unit_cu_m, {kelm_unit_m, none}},
                 {kelm_unit_cu_in, {kelm_unit_in, none}},
                 {kelm_unit_cu_ft, {kelm_unit_ft, none}}},
                3)};
    // Published values kept digit for digit instead of the nearest double.
    const std::map<Pair, double> kept = {
        {{kelm_unit_mm, kelm_unit_ft}, 0.0032808398950131237},
        {{kelm_unit_cm, kelm_unit_in}, 0.39370078740157477},
        {{kelm_unit_microinch, kelm_unit_ft}, 8.333333333333333e-08},
        {{kelm_unit_mm_s, kelm_unit_in_min}, 2.362204724409449},
        {{kelm_unit_mm_s, kelm_unit_ft_s}, 0.0032808398950131237},
        {{kelm_unit_mm_s, kelm_unit_ft_min}, 0.19685039370078744},
        {{kelm_unit_mm_min, kelm_unit_ft_s}, 5.46806649168854e-05},
        {{kelm_unit_mm_min, kelm_unit_ft_min}, 0.0032808398950131237},
        {{kelm_unit_cm_s, kelm_unit_in_s}, 0.39370078740157477},
        {{kelm_unit_in_min, kelm_unit_mm_s}, 0.4233333333333333},
        {{kelm_unit_sq_m, kelm_unit_sq_in}, 1550.0031},
        {{kelm_unit_sq_m, kelm_unit_sq_ft}, 10.763910417},
        {{kelm_unit_cu_mm, kelm_unit_cu_in}, 6.102374409473229e-05},
        {{kelm_unit_cu_cm, kelm_unit_cu_in}, 0.06102374409473229},
        {{kelm_unit_cu_cm, kelm_unit_cu_ft}, 3.5314666721488586e-05},
        {{kelm_unit_cu_m, kelm_unit_cu_in}, 61023.744095},
        {{kelm_unit_cu_m, kelm_unit_cu_ft}, 35.314666721},
        {{kelm_unit_cu_in, kelm_unit_cu_m}, 1.638706399992811e-05},
        {{kelm_unit_cu_ft, kelm_unit_cu_m}, 0.02831684659239177}};
    std::size_t kept_seen = 0, pairs = 0;
    for (const auto& family : families) {
        for (const auto& a : family) {
            for (const auto& b : family) {
                double expected = nearest(a.second / b.second);
                const auto k = kept.find({a.first, b.first});
                if (k != kept.end()) {
                    EXPECT_NE(k->second, expected) << pair_name(a.first, b.first);
                    expected = k->second;
                    ++kept_seen;
                }
                EXPECT_EQ(kelm_get_unit_conversion_factor(a.first, b.first), expected)
                    << pair_name(a.first, b.first);
                ++pairs;
            }
        }
    }
    EXPECT_EQ(kept_seen, kept.size());
    EXPECT_EQ(pairs, 81u + 9u + 64u + 25u + 25u);
}

// The other groups keep published values of 7 digits: every pair within a group is the
// ratio of the two unit sizes, taken from the units' definitions, to that precision.
TEST(KelmUnitFactors, OtherGroupsFollowTheUnitDefinitions) {
    const double pi = std::acos(-1.0);
    const std::vector<std::map<KelmUnit, double>> groups = {
        {{kelm_unit_radian, 1.0}, {kelm_unit_deg, pi / 180}},
        {{kelm_unit_mm_rev, 1.0}, {kelm_unit_in_rev, 25.4}},
        {{kelm_unit_mm_tooth, 1.0}, {kelm_unit_in_tooth, 25.4}},
        {{kelm_unit_hz, 1.0}, {kelm_unit_rpm, 1.0 / 60}},
        {{kelm_unit_pa, 1.0},
         {kelm_unit_kpa, 1e3},
         {kelm_unit_mpa, 1e6},
         {kelm_unit_psi, 6894.757293168}},
        {{kelm_unit_n, 1.0}, {kelm_unit_lbf, 4.4482216152605}},
        {{kelm_unit_w, 1.0}, {kelm_unit_kw, 1e3}, {kelm_unit_hp, 745.69987158227}},
        {{kelm_unit_n_m, 1.0}, {kelm_unit_lb_ft, 1.3558179483314}}};
    for (const auto& g : groups)
        for (const auto& a : g)
            for (const auto& b : g)
                EXPECT_NEAR(kelm_get_unit_conversion_factor(a.first, b.first) * b.second / a.second,
                            1.0, 2e-6)
                    << pair_name(a.first, b.first);
}

// Feeds per revolution and per tooth are linear speeds, but relate only to their own kind.
int speed_kind(int u) {
    return u <= kelm_unit_ft_min ? 0 : u <= kelm_unit_in_rev ? 1 : 2;
}

TEST(KelmUnitFactors, WholeMatrixShape) {
    for (int a = 0; a < 61; ++a) {
        for (int b = 0; b < 61; ++b) {
            const KelmUnit ua = static_cast<KelmUnit>(a), ub = static_cast<KelmUnit>(b);
            const double f = kelm_get_unit_conversion_factor(ua, ub);
            const KelmMeasureType ta = kelm_get_measure_type(ua);
            SCOPED_TRACE(pair_name(ua, ub));
            if (b <= kelm_unit_as_is || a == b) {
                EXPECT_EQ(f, 1.0);
            } else if (ta != kelm_get_measure_type(ub)) {
                EXPECT_EQ(f, KELM_NULL_REAL);
            } else if (ta == kelm_mtype_temperature ||
                       (ta == kelm_mtype_linear_speed && speed_kind(a) != speed_kind(b))) {
                EXPECT_EQ(f, 0.0);
            }
        }
    }
}

TEST(KelmUnitFactors, ListOrderAndTerminator) {
    const Units length_sources = {kelm_unit_mm,         kelm_unit_cm,  kelm_unit_m,
                                  kelm_unit_micrometre, kelm_unit_nm,  kelm_unit_in,
                                  kelm_unit_ft,         kelm_unit_mil, kelm_unit_microinch};
    const Units length_targets = {kelm_unit_nm,  kelm_unit_micrometre, kelm_unit_mm,
                                  kelm_unit_cm,  kelm_unit_m,          kelm_unit_microinch,
                                  kelm_unit_mil, kelm_unit_in,         kelm_unit_ft};
    // Every other group lists its units in value order, as sources and as targets.
    const std::pair<int, int> runs[] = {
        {kelm_unit_sec, kelm_unit_hour},      {kelm_unit_mm_s, kelm_unit_ft_min},
        {kelm_unit_mm_rev, kelm_unit_in_rev}, {kelm_unit_mm_tooth, kelm_unit_in_tooth},
        {kelm_unit_hz, kelm_unit_rpm},        {kelm_unit_pa, kelm_unit_psi},
        {kelm_unit_n, kelm_unit_lbf},         {kelm_unit_w, kelm_unit_hp},
        {kelm_unit_n_m, kelm_unit_lb_ft},     {kelm_unit_sq_mm, kelm_unit_sq_ft},
        {kelm_unit_cu_mm, kelm_unit_cu_ft},   {kelm_unit_c, kelm_unit_r}};
    std::vector<std::pair<Units, Units>> groups = {
        {length_sources, length_targets},
        {{kelm_unit_radian, kelm_unit_deg}, {kelm_unit_deg, kelm_unit_radian}}};
    for (const auto& run : runs) {
        Units units;
        for (int u = run.first; u <= run.second; ++u) units.push_back(static_cast<KelmUnit>(u));
        groups.push_back({units, units});
    }
    groups.back().first.pop_back();  // rankine converts by formula only: no entries from it
    std::vector<Pair> expected;
    for (const auto& g : groups)
        for (KelmUnit a : g.first)
            for (KelmUnit b : g.second)
                if (a != b) expected.push_back({a, b});

    using kelm_internal::kUnitConversions;
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(kelm_internal::kUnitConversionCount));
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Pair(kUnitConversions[i].from, kUnitConversions[i].to), expected[i]) << i;
    EXPECT_EQ(kUnitConversions[expected.size()].from, kelm_unit_unknown);
}

}  // namespace
