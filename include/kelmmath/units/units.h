#ifndef KELMMATH_UNITS_UNITS_H
#define KELMMATH_UNITS_UNITS_H

// Measurement units and measure types: names, lookup by name, conversion factors between
// units of one measure type, value conversion (temperatures included), rate units and the
// conversion of 3D and 2D vectors between units.
//
// Enumerations. Both have the fixed underlying type int, so any int value (-1, 61, INT_MAX)
// is a valid value of the type; every function below gives a defined answer for values
// outside the named range. Identifiers are `kelm_unit_` (or `kelm_mtype_`) followed by the
// short name in lower case with each run of other characters than letters and digits turned
// into one underscore: "mm/min" is kelm_unit_mm_min, "linear speed" kelm_mtype_linear_speed.
//
// Unit 0 (kelm_unit_unknown) is the unknown unit. Unit 1 (kelm_unit_as_is) means "leave the
// value in whatever unit it already has": every conversion to it leaves the value unchanged.
//
// Concurrency. The conversion factors live in process-wide rows, built on the first
// factor query (or by kelm_unit_init()) and released by kelm_unit_shutdown(). Concurrent
// first queries are safe: one thread builds the rows, the others wait for it. Shutdown is
// not synchronised with running queries: a program that converts units from several threads
// calls kelm_unit_init() once before it starts them, and kelm_unit_shutdown() only when no
// conversion can run. The names and tables are constant data and need no care.

#include "kelmmath/kelmmath_export.h"

// Units, in value order. The comment gives the short name, then the full name.
enum KelmUnit : int {
    kelm_unit_unknown = 0,     // "unknown", "unknown"
    kelm_unit_as_is = 1,       // "as-is", "default"
    kelm_unit_mm = 2,          // length: "mm", "millimetre"
    kelm_unit_cm = 3,          // "cm", "centimetre"
    kelm_unit_m = 4,           // "m", "metre"
    kelm_unit_in = 5,          // "in", "inch"
    kelm_unit_ft = 6,          // "ft", "foot"
    kelm_unit_micrometre = 7,  // "micrometre", "micrometre"
    kelm_unit_nm = 8,          // "nm", "nanometre"
    kelm_unit_mil = 9,         // "mil", "milliinch"
    kelm_unit_microinch = 10,  // "microinch", "microinch"
    kelm_unit_sq_mm = 11,      // area: "sq mm", "square millimetre"
    kelm_unit_sq_cm = 12,      // "sq cm", "square centimetre"
    kelm_unit_sq_m = 13,       // "sq m", "square metre"
    kelm_unit_sq_in = 14,      // "sq in", "square inch"
    kelm_unit_sq_ft = 15,      // "sq ft", "square foot"
    kelm_unit_cu_mm = 16,      // volume: "cu mm", "cubic millimetre"
    kelm_unit_cu_cm = 17,      // "cu cm", "cubic centimetre"
    kelm_unit_cu_m = 18,       // "cu m", "cubic metre"
    kelm_unit_cu_in = 19,      // "cu in", "cubic inch"
    kelm_unit_cu_ft = 20,      // "cu ft", "cubic foot"
    kelm_unit_deg = 21,        // angle: "deg", "degree"
    kelm_unit_radian = 22,     // "radian", "radian"
    kelm_unit_steradian = 23,  // solid angle: "steradian", "steradian"
    kelm_unit_sec = 24,        // time: "sec", "second"
    kelm_unit_min = 25,        // "min", "minute"
    kelm_unit_hour = 26,       // "hour", "hour"
    kelm_unit_mm_s = 27,       // linear speed: "mm/s", "millimetre/second"
    kelm_unit_mm_min = 28,     // "mm/min", "millimetre/minute"
    kelm_unit_cm_s = 29,       // "cm/s", "centimetre/second"
    kelm_unit_m_s = 30,        // "m/s", "metre/second"
    kelm_unit_in_s = 31,       // "in/s", "inch/second"
    kelm_unit_in_min = 32,     // "in/min", "inch/minute"
    kelm_unit_ft_s = 33,       // "ft/s", "foot/second"
    kelm_unit_ft_min = 34,     // "ft/min", "foot/minute"
    kelm_unit_mm_rev = 35,     // feed per revolution: "mm/rev", "millimetre/revolution"
    kelm_unit_in_rev = 36,     // "in/rev", "inch/revolution"
    kelm_unit_mm_tooth = 37,   // feed per tooth: "mm/tooth", "millimetre/tooth"
    kelm_unit_in_tooth = 38,   // "in/tooth", "inch/tooth"
    kelm_unit_hz = 39,         // angular speed: "hz", "revolution/second"
    kelm_unit_rpm = 40,        // "rpm", "revolution/minute"
    kelm_unit_pa = 41,         // pressure: "Pa", "pascal"
    kelm_unit_kpa = 42,        // "kPa", "kilopascal"
    kelm_unit_mpa = 43,        // "mPa", "megapascal"
    kelm_unit_psi = 44,        // "psi", "pound/square inch"
    kelm_unit_n = 45,          // force: "N", "newton"
    kelm_unit_lbf = 46,        // "lbf", "pound-force"
    kelm_unit_w = 47,          // power: "W", "watt"
    kelm_unit_kw = 48,         // "kW", "kilowatt"
    kelm_unit_hp = 49,         // "hp", "horsepower"
    kelm_unit_n_m = 50,        // torque: "N-m", "newton meter"
    kelm_unit_lb_ft = 51,      // "lb-ft", "pound foot"
    kelm_unit_c = 52,          // temperature: "C", "celsius"
    kelm_unit_k = 53,          // "K", "kelvin"
    kelm_unit_f = 54,          // "F", "fahrenheit"
    kelm_unit_r = 55,          // "R", "rankine"
    kelm_unit_count = 56,      // "count", "count"
    kelm_unit_parameter = 57,  // "parameter", "parameter"
    kelm_unit_ratio = 58,      // "ratio", "ratio"
    kelm_unit_rev = 59,        // "rev", "revolution"
    kelm_unit_tooth = 60       // "tooth", "tooth"
};

// Measure types, in value order, with their names. Acceleration, angular acceleration and
// mass have no units. Feeds per revolution and per tooth are linear speeds.
enum KelmMeasureType : int {
    kelm_mtype_unknown = 0,               // "unknown"
    kelm_mtype_acceleration = 1,          // "acceleration"
    kelm_mtype_angle = 2,                 // "angle"
    kelm_mtype_angular_acceleration = 3,  // "angular acceleration"
    kelm_mtype_angular_speed = 4,         // "angular speed"
    kelm_mtype_area = 5,                  // "area"
    kelm_mtype_count = 6,                 // "count"
    kelm_mtype_force = 7,                 // "force"
    kelm_mtype_length = 8,                // "length"
    kelm_mtype_mass = 9,                  // "mass"
    kelm_mtype_parameter = 10,            // "parameter"
    kelm_mtype_power = 11,                // "power"
    kelm_mtype_pressure = 12,             // "pressure"
    kelm_mtype_ratio = 13,                // "ratio"
    kelm_mtype_revolution = 14,           // "revolution"
    kelm_mtype_solid_angle = 15,          // "solid angle"
    kelm_mtype_linear_speed = 16,         // "linear speed"
    kelm_mtype_temperature = 17,          // "temperature"
    kelm_mtype_time = 18,                 // "time"
    kelm_mtype_tooth = 19,                // "tooth"
    kelm_mtype_torque = 20,               // "torque"
    kelm_mtype_volume = 21                // "volume"
};

// Names and lookup.
//
// kelm_get_unit(name): 0 for a null or empty name; otherwise, for each unit in value order,
// the name is compared ignoring ASCII case with the full name, then with the short name, and
// the first unit that matches is returned ("mm", "MILLIMETRE", "default", "as-is", "MPa");
// 0 when none matches.
// kelm_get_unit_name / kelm_get_unit_fullname: the short / full name; for a value outside
// 0..60 the name of unit 0 ("unknown"). The texts are static and never null.
// kelm_get_measure_type(name): 0 for a null or empty name; otherwise the first measure type
// whose name equals name ignoring case; 0 when none does.
// kelm_get_measure_type(unit): the unit's measure type; for a value outside 0..60 that of
// unit 0. kelm_get_measure_type_name: the type's name (for a type outside 0..21 "unknown"),
// or the name of the unit's type with the same fall-backs.
KELMMATH_API KelmUnit kelm_get_unit(const char* name);
KELMMATH_API const char* kelm_get_unit_name(KelmUnit u);
KELMMATH_API const char* kelm_get_unit_fullname(KelmUnit u);
KELMMATH_API KelmMeasureType kelm_get_measure_type(const char* name);
KELMMATH_API KelmMeasureType kelm_get_measure_type(KelmUnit u);
KELMMATH_API const char* kelm_get_measure_type_name(KelmMeasureType t);
KELMMATH_API const char* kelm_get_measure_type_name(KelmUnit u);

// Conversion.
//
// kelm_get_unit_conversion_factor(from, to): the factor f with value-in-to =
// value-in-from * f. Builds the factor rows first when they are not built. A from outside
// 0..60 is taken as unit 0. The factor is 1.0 when to is outside 0..60, is unknown (0), is
// as-is (1) or equals from. Units of different measure types are incompatible: the result is
// the null real (KELM_NULL_REAL). Units of one type without a stored factor give 0.0: every
// pair of temperatures (they need an offset, not a factor), and speeds against feeds per
// revolution or per tooth, which have no common measure.
//
// kelm_get_measure_as_unit(value, from, to): value converted from one unit to the other.
// The null real, and any value whose target is unknown, as-is or from itself, comes back
// unchanged. Incompatible units give the null real. Temperatures (C, K, F, R) convert by
// their formulas; any other pair without a factor gives value * 0.0.
KELMMATH_API double kelm_get_unit_conversion_factor(KelmUnit from, KelmUnit to);
KELMMATH_API double kelm_get_measure_as_unit(double value, KelmUnit from, KelmUnit to);

// Rate units.
//
// kelm_get_rational_unit(num, den): the rate unit num per den for the pairs (mm, sec),
// (cm, sec), (m, sec), (in, sec), (ft, sec), (rev, sec) = hz, (mm, min), (in, min),
// (ft, min), (rev, min) = rpm, (mm, rev), (in, rev), (mm, tooth), (in, tooth),
// (N, sq m) = Pa and (lbf, sq in) = psi; 0 for every other pair. kPa and mPa are never
// composed.
// kelm_get_unit_numerator(u) / kelm_get_unit_denominator(u): the parts of a rate unit
// (27..44; kPa and mPa are N per sq m). For any other unit the numerator is u itself and
// the denominator is 0.
KELMMATH_API KelmUnit kelm_get_rational_unit(KelmUnit num, KelmUnit den);
KELMMATH_API KelmUnit kelm_get_unit_numerator(KelmUnit u);
KELMMATH_API KelmUnit kelm_get_unit_denominator(KelmUnit u);

// kelm_get_unit_related_by_factor(u, factor): a unit A such that 1 A is factor u. The
// conversion list is searched for a stored factor into u equal to factor within 1e-15;
// failing that, u itself is the answer when factor is 1.0 within 1e-15 (whatever u is);
// failing that, the list is searched again for a stored factor into u within 1% of the stored
// value. The first match wins; 0 when nothing matches. (mm, 25.4) gives in, (mm, 25.3) gives
// in, (mm, 1.0) gives mm.
KELMMATH_API KelmUnit kelm_get_unit_related_by_factor(KelmUnit u, double factor);

// The factor rows. kelm_unit_init() builds them (it does nothing when they are built);
// kelm_unit_shutdown() releases them; the next factor query builds them again and answers
// the same. See Concurrency above.
KELMMATH_API void kelm_unit_init();
KELMMATH_API void kelm_unit_shutdown();

// Vector conversion: out = in converted from one unit to the other, componentwise by the
// conversion factor (3 components, or 2 for the 2d form). A null out returns 0 and writes
// nothing; a null in reads as the origin; out may be the same array as in. When from equals
// to, or to is as-is, in is copied and 1 is returned. Incompatible units set out to zero and
// return 0. A factor of 0.0 (for example between temperatures) gives the zero vector and 1;
// to unknown copies through the factor 1.0.
KELMMATH_API int kelm_vec_put_as_unit(double* out, const double* in, KelmUnit from, KelmUnit to);
KELMMATH_API int kelm_vec2d_put_as_unit(double* out, const double* in, KelmUnit from, KelmUnit to);

#endif  // KELMMATH_UNITS_UNITS_H
