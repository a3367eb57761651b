#include "kelmmath/units/units.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "geom/internal_geom.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/core/platform.h"
#include "kelmmath/geom/points.h"
#include "units/internal_units.h"

using kelm_internal::kMeasureTypeCount;
using kelm_internal::kMeasureTypeNames;
using kelm_internal::kRateUnitCount;
using kelm_internal::kRateUnits;
using kelm_internal::kUnitConversions;
using kelm_internal::kUnitCount;
using kelm_internal::kUnits;
using kelm_internal::UnitConversion;

namespace {

// Out-of-range values read as unit 0 / type 0 wherever a name or type is asked for.
const kelm_internal::UnitInfo& unit_info(KelmUnit u) {
    return kUnits[kelm_internal::unit_in_range(u) ? u : kelm_unit_unknown];
}

// The factor rows: per unit its position within its measure type and, when the type has at
// least two units, a row with one slot per unit of the type. All rows share one block.
struct FactorRows {
    int position[kUnitCount] = {};
    int row_start[kUnitCount] = {};  // index into slots, -1 when the unit has no row
    std::vector<double> slots;

    const double* row(KelmUnit u) const {
        return row_start[u] < 0 ? nullptr : slots.data() + row_start[u];
    }
};

std::unique_ptr<FactorRows> build_factor_rows() {
    auto rows = std::make_unique<FactorRows>();
    int type_size[kMeasureTypeCount] = {};
    for (int u = 0; u < kUnitCount; ++u) rows->position[u] = type_size[kUnits[u].type]++;

    std::size_t total = 0;
    for (int u = 0; u < kUnitCount; ++u) {
        const int n = type_size[kUnits[u].type];
        rows->row_start[u] = n >= 2 ? static_cast<int>(total) : -1;
        if (n >= 2) total += static_cast<std::size_t>(n);
    }
    rows->slots.assign(total, 0.0);
    for (int u = 0; u < kUnitCount; ++u)
        if (rows->row_start[u] >= 0) rows->slots[rows->row_start[u] + rows->position[u]] = 1.0;

    for (const UnitConversion* e = kUnitConversions; e->from != kelm_unit_unknown; ++e) {
        if (kUnits[e->from].type != kUnits[e->to].type || rows->row_start[e->from] < 0) continue;
        rows->slots[rows->row_start[e->from] + rows->position[e->to]] = e->factor;
    }
    return rows;
}

// The built rows are published through an atomic pointer so that queries after the first
// cost one acquire load; the mutex only serialises building and releasing, so that
// concurrent first queries build the rows once.
std::atomic<const FactorRows*> g_rows{nullptr};
std::mutex g_rows_mutex;

const FactorRows* build_rows_once() {
    std::lock_guard<std::mutex> lock(g_rows_mutex);
    const FactorRows* rows = g_rows.load(std::memory_order_relaxed);
    if (!rows) {
        rows = build_factor_rows().release();
        g_rows.store(rows, std::memory_order_release);
    }
    return rows;
}

const FactorRows& factor_rows() {
    const FactorRows* rows = g_rows.load(std::memory_order_acquire);
    return rows ? *rows : *build_rows_once();
}

// Temperatures differ by an offset as well as a scale, so they have no factor. Each formula
// keeps its order of operations: (v * 9) / 5 is not always v * 1.8 in doubles.
double convert_temperature(double v, KelmUnit from, KelmUnit to) {
    switch (from) {
        case kelm_unit_c:
            if (to == kelm_unit_f) return v * 9 / 5 + 32;
            if (to == kelm_unit_k) return v + 273.15;
            if (to == kelm_unit_r) return (v + 273.15) * 9 / 5;
            break;
        case kelm_unit_f:
            if (to == kelm_unit_c) return (v - 32) * 5 / 9;
            if (to == kelm_unit_k) return (v + 459.67) * 5 / 9;
            if (to == kelm_unit_r) return v + 459.67;
            break;
        case kelm_unit_k:
            if (to == kelm_unit_f) return v * 9 / 5 - 459.67;
            if (to == kelm_unit_c) return v - 273.15;
            if (to == kelm_unit_r) return v * 9 / 5;
            break;
        case kelm_unit_r:
            if (to == kelm_unit_c) return (v - 491.67) * 5 / 9;
            if (to == kelm_unit_f) return v - 459.67;
            if (to == kelm_unit_k) return v * 5 / 9;
            break;
        default:
            break;
    }
    // Units of one type that no factor relates (a speed and a feed): scaled to nothing.
    return v * 0.0;
}

// First entry of the conversion list into `to` whose factor equals `factor` within tol(f),
// where f is the stored factor; kelm_unit_unknown when none.
template <typename Tolerance>
KelmUnit find_source(KelmUnit to, double factor, Tolerance tol) {
    for (const UnitConversion* e = kUnitConversions; e->from != kelm_unit_unknown; ++e)
        if (e->to == to && kelm_is_epsilon_equal(e->factor, factor, tol(e->factor))) return e->from;
    return kelm_unit_unknown;
}

// Shared by the 3D and 2D vector forms: n components of in (null reads as the origin) into
// out, converted; the inputs are read before out is written.
int put_as_unit(double* out, const double* in, unsigned n, KelmUnit from, KelmUnit to) {
    if (!out) return 0;
    const double* v = n > 2 ? kelm_internal::or_zero(in) : kelm_internal::or_zero2d(in);
    double r[3] = {v[0], v[1], n > 2 ? v[2] : 0.0};
    int ok = 1;
    if (from != to && to != kelm_unit_as_is) {
        const double f = kelm_get_unit_conversion_factor(from, to);
        ok = f == KELM_NULL_REAL ? 0 : 1;
        for (unsigned i = 0; i < n; ++i) r[i] = ok ? r[i] * f : 0.0;
    }
    for (unsigned i = 0; i < n; ++i) out[i] = r[i];
    return ok;
}

}  // namespace

namespace kelm_internal {

bool unit_tables_built() {
    return g_rows.load(std::memory_order_acquire) != nullptr;
}

int unit_position(KelmUnit u) {
    const FactorRows* rows = g_rows.load(std::memory_order_acquire);
    return rows && unit_in_range(u) ? rows->position[u] : 0;
}

const double* unit_factor_row(KelmUnit u) {
    const FactorRows* rows = g_rows.load(std::memory_order_acquire);
    return rows && unit_in_range(u) ? rows->row(u) : nullptr;
}

}  // namespace kelm_internal

KelmUnit kelm_get_unit(const char* name) {
    if (!name || !*name) return kelm_unit_unknown;
    for (int u = 0; u < kUnitCount; ++u) {
        if (kelm_strcasecmp(name, kUnits[u].fullname) == 0 ||
            kelm_strcasecmp(name, kUnits[u].name) == 0)
            return static_cast<KelmUnit>(u);
    }
    return kelm_unit_unknown;
}

const char* kelm_get_unit_name(KelmUnit u) {
    return unit_info(u).name;
}

const char* kelm_get_unit_fullname(KelmUnit u) {
    return unit_info(u).fullname;
}

KelmMeasureType kelm_get_measure_type(const char* name) {
    if (!name || !*name) return kelm_mtype_unknown;
    for (int t = 0; t < kMeasureTypeCount; ++t)
        if (kelm_strcasecmp(name, kMeasureTypeNames[t]) == 0)
            return static_cast<KelmMeasureType>(t);
    return kelm_mtype_unknown;
}

KelmMeasureType kelm_get_measure_type(KelmUnit u) {
    return unit_info(u).type;
}

const char* kelm_get_measure_type_name(KelmMeasureType t) {
    return kMeasureTypeNames[kelm_internal::measure_type_in_range(t) ? t : kelm_mtype_unknown];
}

const char* kelm_get_measure_type_name(KelmUnit u) {
    return kelm_get_measure_type_name(kelm_get_measure_type(u));
}

double kelm_get_unit_conversion_factor(KelmUnit from, KelmUnit to) {
    const FactorRows& rows = factor_rows();
    if (!kelm_internal::unit_in_range(from)) from = kelm_unit_unknown;
    if (!kelm_internal::unit_in_range(to) || to == kelm_unit_unknown || to == from ||
        to == kelm_unit_as_is)
        return 1.0;
    if (kUnits[from].type != kUnits[to].type) return KELM_NULL_REAL;
    const double* row = rows.row(from);
    return row ? row[rows.position[to]] : KELM_NULL_REAL;
}

double kelm_get_measure_as_unit(double value, KelmUnit from, KelmUnit to) {
    if (value == KELM_NULL_REAL || to == kelm_unit_unknown || to == from || to == kelm_unit_as_is)
        return value;
    const double f = kelm_get_unit_conversion_factor(from, to);
    if (f == KELM_NULL_REAL) return KELM_NULL_REAL;
    if (f != 0.0) return value * f;
    return convert_temperature(value, from, to);
}

KelmUnit kelm_get_rational_unit(KelmUnit num, KelmUnit den) {
    for (int i = 0; i < kRateUnitCount; ++i)
        if (kRateUnits[i].composable && kRateUnits[i].num == num && kRateUnits[i].den == den)
            return kRateUnits[i].rate;
    return kelm_unit_unknown;
}

KelmUnit kelm_get_unit_numerator(KelmUnit u) {
    for (int i = 0; i < kRateUnitCount; ++i)
        if (kRateUnits[i].rate == u) return kRateUnits[i].num;
    return u;
}

KelmUnit kelm_get_unit_denominator(KelmUnit u) {
    for (int i = 0; i < kRateUnitCount; ++i)
        if (kRateUnits[i].rate == u) return kRateUnits[i].den;
    return kelm_unit_unknown;
}

KelmUnit kelm_get_unit_related_by_factor(KelmUnit u, double factor) {
    using kelm_internal::kNegligible;
    // An exact match anywhere in the list wins over a near one earlier in it.
    KelmUnit a = find_source(u, factor, [](double) { return kNegligible; });
    if (a != kelm_unit_unknown) return a;
    if (kelm_is_epsilon_equal(factor, 1.0, kNegligible)) return u;
    return find_source(u, factor, [](double stored) { return stored * 0.01; });
}

void kelm_unit_init() {
    build_rows_once();
}

void kelm_unit_shutdown() {
    std::lock_guard<std::mutex> lock(g_rows_mutex);
    delete g_rows.exchange(nullptr, std::memory_order_acq_rel);
}

int kelm_vec_put_as_unit(double* out, const double* in, KelmUnit from, KelmUnit to) {
    return put_as_unit(out, in, 3, from, to);
}

int kelm_vec2d_put_as_unit(double* out, const double* in, KelmUnit from, KelmUnit to) {
    return put_as_unit(out, in, 2, from, to);
}
