#ifndef KELMMATH_UNITS_INTERNAL_UNITS_H
#define KELMMATH_UNITS_INTERNAL_UNITS_H

// The constant unit data and a read-only view of the lazily built factor rows, shared by
// the units sources and their tests.

#include "kelmmath/units/units.h"

namespace kelm_internal {

constexpr int kUnitCount = 61;
constexpr int kMeasureTypeCount = 22;

// One row of the unit table, indexed by unit value.
struct UnitInfo {
    const char* name;
    const char* fullname;
    KelmMeasureType type;
};

// A value v in `from` is v * factor in `to`.
struct UnitConversion {
    KelmUnit from;
    KelmUnit to;
    double factor;
};

// A rate unit and its parts; `composable` is false for the units that
// kelm_get_rational_unit never builds (kPa and mPa).
struct RateUnit {
    KelmUnit rate;
    KelmUnit num;
    KelmUnit den;
    bool composable;
};

extern const UnitInfo kUnits[kUnitCount];
extern const char* const kMeasureTypeNames[kMeasureTypeCount];

// The conversion list, grouped by measure type, followed by a terminating entry whose
// from unit is kelm_unit_unknown.
constexpr int kUnitConversionCount = 213;
extern const UnitConversion kUnitConversions[kUnitConversionCount + 1];

constexpr int kRateUnitCount = 18;
extern const RateUnit kRateUnits[kRateUnitCount];

inline bool unit_in_range(KelmUnit u) {
    return u >= 0 && u < kUnitCount;
}
inline bool measure_type_in_range(KelmMeasureType t) {
    return t >= 0 && t < kMeasureTypeCount;
}

// State of the factor rows, as they are now (none of these builds them).
bool unit_tables_built();
// The unit's position within its measure type; 0 when the rows are not built.
int unit_position(KelmUnit u);
// The unit's factor row (one slot per unit of its type); null when the rows are not built
// or the unit's type has a single unit.
const double* unit_factor_row(KelmUnit u);

}  // namespace kelm_internal

#endif  // KELMMATH_UNITS_INTERNAL_UNITS_H
