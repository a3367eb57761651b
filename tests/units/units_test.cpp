// Names, lookup, value and vector conversion, rate units, the search by factor, the
// lifecycle of the factor rows, and the factors: derived from unit sizes, the published
// values, and the shape of the whole factor matrix.

#include "kelmmath/units/units.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "kelmmath/core/constants.h"
#include "units/internal_units.h"

namespace {

const KelmUnit kOutOfRange[] = {static_cast<KelmUnit>(-1), static_cast<KelmUnit>(61),
                                static_cast<KelmUnit>(INT_MAX), static_cast<KelmUnit>(INT_MIN)};

KelmUnit unit(int u) {
    return static_cast<KelmUnit>(u);
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string pair_name(KelmUnit a, KelmUnit b) {
    return std::string(kelm_get_unit_name(a)) + " -> " + kelm_get_unit_name(b);
}

TEST(KelmUnitNames, TextsTypesLookupAndBadInput) {
    const std::tuple<KelmUnit, const char*, const char*, KelmMeasureType> rows[] = {
        {kelm_unit_as_is, "as-is", "default", kelm_mtype_unknown},
        {kelm_unit_mil, "mil", "milliinch", kelm_mtype_length},
        {kelm_unit_sq_mm, "sq mm", "square millimetre", kelm_mtype_area},
        {kelm_unit_steradian, "steradian", "steradian", kelm_mtype_solid_angle},
        {kelm_unit_in_tooth, "in/tooth", "inch/tooth", kelm_mtype_linear_speed},
        {kelm_unit_hz, "hz", "revolution/second", kelm_mtype_angular_speed},
        {kelm_unit_mpa, "mPa", "megapascal", kelm_mtype_pressure},
        {kelm_unit_psi, "psi", "pound/square inch", kelm_mtype_pressure},
        {kelm_unit_n_m, "N-m", "newton meter", kelm_mtype_torque},
        {kelm_unit_r, "R", "rankine", kelm_mtype_temperature},
    };
    for (const auto& [u, name, fullname, type] : rows) {
        EXPECT_STREQ(kelm_get_unit_name(u), name);
        EXPECT_STREQ(kelm_get_unit_fullname(u), fullname);
        EXPECT_EQ(kelm_get_measure_type(u), type) << name;
    }
    const char* const types[] = {
        "unknown",       "acceleration", "angle",      "angular acceleration",
        "angular speed", "area",         "count",      "force",
        "length",        "mass",         "parameter",  "power",
        "pressure",      "ratio",        "revolution", "solid angle",
        "linear speed",  "temperature",  "time",       "tooth",
        "torque",        "volume"};
    for (int t = 0; t < 22; ++t) {
        const KelmMeasureType type = static_cast<KelmMeasureType>(t);
        EXPECT_STREQ(kelm_get_measure_type_name(type), types[t]);
        EXPECT_EQ(kelm_get_measure_type(upper(types[t]).c_str()), type);
    }
    EXPECT_STREQ(kelm_get_measure_type_name(kelm_unit_mm_rev), "linear speed");
    // Every name of every unit finds that unit, whatever its case.
    for (int u = 0; u < 61; ++u) {
        EXPECT_EQ(kelm_get_unit(kelm_get_unit_name(unit(u))), unit(u)) << u;
        EXPECT_EQ(kelm_get_unit(upper(kelm_get_unit_fullname(unit(u))).c_str()), unit(u)) << u;
    }
    const char* const names[] = {"MilliMetre", "MPa", "PA", "n", "revolution"};  // any case
    const KelmUnit named[] = {kelm_unit_mm, kelm_unit_mpa, kelm_unit_pa, kelm_unit_n,
                              kelm_unit_rev};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(kelm_get_unit(names[i]), named[i]) << names[i];
    for (const char* bad : {static_cast<const char*>(nullptr), "", "furlong", "mm "}) {
        EXPECT_EQ(kelm_get_unit(bad), kelm_unit_unknown);
        EXPECT_EQ(kelm_get_measure_type(bad), kelm_mtype_unknown);
    }
    EXPECT_EQ(kelm_get_measure_type("speed"), kelm_mtype_unknown);
    for (KelmUnit u : kOutOfRange) {
        EXPECT_STREQ(kelm_get_unit_name(u), "unknown");
        EXPECT_STREQ(kelm_get_unit_fullname(u), "unknown");
        EXPECT_EQ(kelm_get_measure_type(u), kelm_mtype_unknown);
        EXPECT_STREQ(kelm_get_measure_type_name(u), "unknown");
    }
    for (int t : {-1, 22, INT_MAX, INT_MIN})
        EXPECT_STREQ(kelm_get_measure_type_name(static_cast<KelmMeasureType>(t)), "unknown");
}

TEST(KelmUnitConversion, FactorsValuesAndTemperatureFormulas) {
    EXPECT_EQ(kelm_get_measure_as_unit(2.0, kelm_unit_in, kelm_unit_mm), 50.8);
    EXPECT_EQ(kelm_get_measure_as_unit(7.0, kelm_unit_mm, kelm_unit_unknown), 7.0);
    EXPECT_EQ(kelm_get_measure_as_unit(7.0, kelm_unit_c, kelm_unit_as_is), 7.0);
    EXPECT_EQ(kelm_get_measure_as_unit(1.0, kelm_unit_mm, kelm_unit_deg), KELM_NULL_REAL);
    // The null real is a missing value: it is never scaled.
    EXPECT_EQ(kelm_get_measure_as_unit(KELM_NULL_REAL, kelm_unit_in, kelm_unit_mm), KELM_NULL_REAL);
    // A speed and a feed have no common measure: value * 0.0, not the null real.
    EXPECT_EQ(kelm_get_measure_as_unit(1.0, kelm_unit_mm_rev, kelm_unit_mm_s), 0.0);
    EXPECT_TRUE(std::signbit(kelm_get_measure_as_unit(-3.0, kelm_unit_mm_s, kelm_unit_in_tooth)));
    for (KelmUnit bad : kOutOfRange) {
        // A bad source reads as the unknown unit; a bad target leaves the value alone.
        EXPECT_EQ(kelm_get_unit_conversion_factor(bad, kelm_unit_mm), KELM_NULL_REAL);
        EXPECT_EQ(kelm_get_unit_conversion_factor(bad, kelm_unit_as_is), 1.0);
        EXPECT_EQ(kelm_get_unit_conversion_factor(kelm_unit_mm, bad), 1.0);
        EXPECT_EQ(kelm_get_measure_as_unit(5.0, bad, kelm_unit_mm), KELM_NULL_REAL);
        EXPECT_EQ(kelm_get_measure_as_unit(5.0, kelm_unit_mm, bad), 5.0);
    }

    // Temperatures: each formula keeps its order of operations.
    // Besides the landmarks, each value is chosen so that a regrouped formula (v * 1.8,
    // v / 5 * 9, (v - 32) / 1.8, v * 5 / 9 - 273.15 ...) gives a different double.
    const std::tuple<KelmUnit, KelmUnit, double, double> cases[] = {
        {kelm_unit_c, kelm_unit_f, 100.0, 212.0},
        {kelm_unit_c, kelm_unit_k, 0.0, 273.15},
        {kelm_unit_f, kelm_unit_c, 32.0, 0.0},
        {kelm_unit_r, kelm_unit_c, 491.67, 0.0},
        {kelm_unit_c, kelm_unit_f, 3.7, 38.660000000000004},
        {kelm_unit_c, kelm_unit_k, 0.1, 273.25},
        {kelm_unit_c, kelm_unit_r, 0.2, 492.0299999999999},
        {kelm_unit_f, kelm_unit_c, 2.4, -16.444444444444443},
        {kelm_unit_f, kelm_unit_k, 0.6, 255.7055555555556},
        {kelm_unit_f, kelm_unit_r, 0.1, 459.77000000000004},
        {kelm_unit_k, kelm_unit_f, 9.6, -442.39000000000004},
        {kelm_unit_k, kelm_unit_c, 0.1, -273.04999999999995},
        {kelm_unit_k, kelm_unit_r, 0.3, 0.5399999999999999},
        {kelm_unit_r, kelm_unit_c, 0.2, -273.03888888888895},
        {kelm_unit_r, kelm_unit_f, 0.1, -459.57},
        {kelm_unit_r, kelm_unit_k, 0.1, 0.05555555555555555},
    };
    for (const auto& [from, to, value, expected] : cases)
        EXPECT_EQ(kelm_get_measure_as_unit(value, from, to), expected)
            << pair_name(from, to) << value;
}

TEST(KelmUnitRates, ComposeAndDecompose) {
    EXPECT_EQ(kelm_get_rational_unit(kelm_unit_mm, kelm_unit_min), kelm_unit_mm_min);
    EXPECT_EQ(kelm_get_rational_unit(kelm_unit_lbf, kelm_unit_sq_in), kelm_unit_psi);
    EXPECT_EQ(kelm_get_rational_unit(kelm_unit_kpa, kelm_unit_sec), kelm_unit_unknown);
    EXPECT_EQ(kelm_get_unit_numerator(kelm_unit_hz), kelm_unit_rev);
    EXPECT_EQ(kelm_get_unit_denominator(kelm_unit_psi), kelm_unit_sq_in);
    int composed = 0;
    for (int n = -1; n <= 61; ++n)
        for (int d = -1; d <= 61; ++d) composed += kelm_get_rational_unit(unit(n), unit(d)) != 0;
    EXPECT_EQ(composed, 16);
    // Each rate unit composes back from its parts, except that kPa and mPa give Pa; any
    // other unit is its own numerator, over nothing.
    for (int u = 0; u < 61; ++u) {
        const KelmUnit num = kelm_get_unit_numerator(unit(u));
        const KelmUnit den = kelm_get_unit_denominator(unit(u));
        if (u >= kelm_unit_mm_s && u <= kelm_unit_psi) {
            const bool pa = u == kelm_unit_kpa || u == kelm_unit_mpa;
            EXPECT_EQ(kelm_get_rational_unit(num, den), pa ? kelm_unit_pa : unit(u)) << u;
        } else {
            EXPECT_EQ(num, unit(u));
            EXPECT_EQ(den, kelm_unit_unknown);
        }
    }
    for (KelmUnit bad : kOutOfRange) {
        EXPECT_EQ(kelm_get_unit_numerator(bad), bad);
        EXPECT_EQ(kelm_get_unit_denominator(bad), kelm_unit_unknown);
    }
}

TEST(KelmUnitRelatedByFactor, ExactThenOneThenWithinOnePercent) {
    // Temperatures store 0.0: the first entry into the unit, in list order, answers.
    const std::tuple<KelmUnit, double, KelmUnit> rows[] = {
        {kelm_unit_mm, 25.4, kelm_unit_in},       {kelm_unit_mm_s, 25.4, kelm_unit_in_s},
        {kelm_unit_mm, 25.3, kelm_unit_in},       {kelm_unit_mm, 25.65, kelm_unit_in},
        {kelm_unit_mm, 25.66, kelm_unit_unknown}, {kelm_unit_mm, -25.4, kelm_unit_unknown},
        {kelm_unit_mm, NAN, kelm_unit_unknown},   {kelm_unit_mm, 1.0 + 4e-16, kelm_unit_mm},
        {kelm_unit_mm, 1.005, kelm_unit_unknown}, {kelm_unit_kw, 0.001, kelm_unit_w},
        {kelm_unit_r, 0.0, kelm_unit_c},          {kelm_unit_c, 0.0, kelm_unit_k}};
    for (const auto& [from, factor, want] : rows)
        EXPECT_EQ(kelm_get_unit_related_by_factor(from, factor), want) << from << " " << factor;
    // Nothing converts into a unit outside the table: only 1.0 answers, with the unit itself.
    for (KelmUnit bad : kOutOfRange) {
        EXPECT_EQ(kelm_get_unit_related_by_factor(bad, 1.0), bad);
        EXPECT_EQ(kelm_get_unit_related_by_factor(bad, 25.4), kelm_unit_unknown);
    }
}

void expect_components(const double* v, std::vector<double> expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(v[i], expected[i]) << i;
}

TEST(KelmUnitVectors, PutAsUnit) {
    using V = std::vector<double>;
    const double in[3] = {1, -2, 0.5};
    // From, to, the answer, the vector written; the plane form never writes a third value.
    const std::tuple<KelmUnit, KelmUnit, int, V> rows[] = {
        {kelm_unit_in, kelm_unit_mm, 1, {25.4, -50.8, 12.7}},
        {kelm_unit_mm, kelm_unit_deg, 0, {0, 0, 0}},
        {kelm_unit_sec, kelm_unit_mm, 0, {0, 0, 0}},
        {kelm_unit_c, kelm_unit_f, 1, {0, 0, 0}},  // no factor
        {kelm_unit_c, kelm_unit_c, 1, {1, -2, 0.5}},
        {kelm_unit_mm, kelm_unit_as_is, 1, {1, -2, 0.5}},
        {kelm_unit_mm, kelm_unit_unknown, 1, {1, -2, 0.5}},
        {unit(-1), unit(-1), 1, {1, -2, 0.5}}};
    for (const auto& [from, to, answer, want] : rows) {
        double out[3] = {9, 9, 9}, out2[3] = {9, 9, 9};
        EXPECT_EQ(kelm_vec_put_as_unit(out, in, from, to), answer) << pair_name(from, to);
        EXPECT_EQ(kelm_vec2d_put_as_unit(out2, in, from, to), answer) << pair_name(from, to);
        EXPECT_EQ(V(out, out + 3), want) << pair_name(from, to);
        EXPECT_EQ(V(out2, out2 + 3), (V{want[0], want[1], 9})) << pair_name(from, to);
    }
    double out[3] = {9, 9, 9};
    EXPECT_EQ(kelm_vec_put_as_unit(out, nullptr, kelm_unit_in, kelm_unit_mm), 1);
    expect_components(out, {0, 0, 0});
    out[0] = out[1] = 5;
    EXPECT_EQ(kelm_vec2d_put_as_unit(out, nullptr, kelm_unit_m, kelm_unit_mm), 1);
    expect_components(out, {0, 0, 0});
    EXPECT_EQ(kelm_vec_put_as_unit(nullptr, in, kelm_unit_in, kelm_unit_mm), 0);
    EXPECT_EQ(kelm_vec2d_put_as_unit(nullptr, in, kelm_unit_in, kelm_unit_mm), 0);
}

TEST(KelmUnitVectors, InPlaceAgreesWithScalarConversion) {
    for (int a = 0; a < 61; ++a) {
        for (int b = 0; b < 61; ++b) {
            const double f = kelm_get_unit_conversion_factor(unit(a), unit(b));
            if (f == KELM_NULL_REAL || f == 0.0) continue;
            double v[3] = {3.25, -0.7, 1e6}, w[2] = {3.25, -0.7};
            ASSERT_EQ(kelm_vec_put_as_unit(v, v, unit(a), unit(b)), 1);
            ASSERT_EQ(kelm_vec2d_put_as_unit(w, w, unit(a), unit(b)), 1);
            expect_components(v, {kelm_get_measure_as_unit(3.25, unit(a), unit(b)),
                                  kelm_get_measure_as_unit(-0.7, unit(a), unit(b)),
                                  kelm_get_measure_as_unit(1e6, unit(a), unit(b))});
            expect_components(w, {v[0], v[1]});
        }
    }
}

std::vector<double> all_factors() {
    std::vector<double> out;
    for (int a = 0; a < 61; ++a)
        for (int b = 0; b < 61; ++b)
            out.push_back(kelm_get_unit_conversion_factor(unit(a), unit(b)));
    return out;
}

TEST(KelmUnitLifecycle, RowsBuiltLazilyReleasedAndRebuilt) {
    using namespace kelm_internal;
    kelm_unit_init();
    const std::vector<double> before = all_factors();
    EXPECT_EQ(unit_position(kelm_unit_microinch), 8);
    EXPECT_EQ(unit_position(kelm_unit_in_tooth), 11);
    const double* r = unit_factor_row(kelm_unit_r);
    ASSERT_NE(r, nullptr);
    expect_components(r, {0, 0, 0, 1});
    EXPECT_EQ(unit_factor_row(kelm_unit_steradian), nullptr);        // alone in its type
    EXPECT_EQ((kelm_unit_init(), unit_factor_row(kelm_unit_r)), r);  // keeps the rows it finds

    EXPECT_FALSE((kelm_unit_shutdown(), unit_tables_built()));
    EXPECT_EQ(unit_position(kelm_unit_microinch), 0);
    EXPECT_EQ(unit_factor_row(kelm_unit_mm), nullptr);
    kelm_unit_shutdown();                                  // twice is harmless
    EXPECT_STREQ(kelm_get_unit_name(kelm_unit_mm), "mm");  // names need no rows
    EXPECT_FALSE(unit_tables_built());
    // The next factor query builds them again, even a trivial one, and answers the same.
    EXPECT_EQ(kelm_get_unit_conversion_factor(kelm_unit_mm, kelm_unit_mm), 1.0);
    EXPECT_TRUE(unit_tables_built());
    EXPECT_EQ(all_factors(), before);
    kelm_unit_shutdown();
    EXPECT_EQ(kelm_get_measure_as_unit(1.0, kelm_unit_in, kelm_unit_mm), 25.4);
}

TEST(KelmUnitLifecycle, ConcurrentFirstQueriesAgree) {
    const std::vector<double> expected = all_factors();
    kelm_unit_shutdown();
    std::atomic<bool> go{false};
    std::vector<std::vector<double>> seen(4);
    std::vector<std::thread> threads;
    for (auto& s : seen)
        threads.emplace_back([&go, &s] {
            while (!go.load()) std::this_thread::yield();
            s = all_factors();
        });
    go = true;
    for (auto& t : threads) t.join();
    for (const auto& s : seen) EXPECT_EQ(s, expected);
}

using Pair = std::pair<KelmUnit, KelmUnit>;

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

// Lengths, times, then the speeds, areas and volumes built from them.
std::vector<std::map<KelmUnit, Ratio>> size_families() {
    const Ratio inch{254, 10};
    const std::map<KelmUnit, Ratio> len = {{kelm_unit_mm, {1, 1}},
                                           {kelm_unit_cm, {10, 1}},
                                           {kelm_unit_m, {1000, 1}},
                                           {kelm_unit_in, inch},
                                           {kelm_unit_ft, inch * Ratio{12, 1}},
                                           {kelm_unit_micrometre, {1, 1000}},
                                           {kelm_unit_nm, {1, 1000000}},
                                           {kelm_unit_mil, inch * Ratio{1, 1000}},
                                           {kelm_unit_microinch, inch * Ratio{1, 1000000}}};
    const std::map<KelmUnit, Ratio> time = {
        {kelm_unit_sec, {1, 1}}, {kelm_unit_min, {60, 1}}, {kelm_unit_hour, {3600, 1}}};
    const KelmUnit speeds[][3] = {{kelm_unit_mm_s, kelm_unit_mm, kelm_unit_sec},
                                  {kelm_unit_mm_min, kelm_unit_mm, kelm_unit_min},
                                  {kelm_unit_cm_s, kelm_unit_cm, kelm_unit_sec},
                                  {kelm_unit_m_s, kelm_unit_m, kelm_unit_sec},
                                  {kelm_unit_in_s, kelm_unit_in, kelm_unit_sec},
                                  {kelm_unit_in_min, kelm_unit_in, kelm_unit_min},
                                  {kelm_unit_ft_s, kelm_unit_ft, kelm_unit_sec},
                                  {kelm_unit_ft_min, kelm_unit_ft, kelm_unit_min}};
    std::map<KelmUnit, Ratio> speed, area, volume;
    for (const auto& s : speeds) speed[s[0]] = len.at(s[1]) / time.at(s[2]);
    for (int i = 0; i < 5; ++i) {  // square and cubic units follow the first five lengths
        const Ratio l = len.at(unit(kelm_unit_mm + i));
        area[unit(kelm_unit_sq_mm + i)] = l * l;
        volume[unit(kelm_unit_cu_mm + i)] = l * l * l;
    }
    return {len, time, speed, area, volume};
}

TEST(KelmUnitFactors, SizeRatiosAreNearestDoublesExceptPublishedValues) {
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
    for (const auto& family : size_families()) {
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
            const KelmUnit ua = unit(a), ub = unit(b);
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

}  // namespace
