#ifndef KELMMATH_CORE_CONSTANTS_H
#define KELMMATH_CORE_CONSTANTS_H

#include <cfloat>

// The index that means "no vertex, normal, facet, face, edge or triangle".
constexpr unsigned int KELM_NONE = 0xFFFFFFFFu;

// The colour value that means "no colour" (colours are 0x00RRGGBB).
constexpr unsigned int KELM_NO_COLOR = 0xFF000000u;

// The null real: the smallest positive normalised double stands for a missing
// value (empty box, deleted vertex or normal, absent scale). It is always
// compared with ordered equality, so a NaN is never the null real.
constexpr double KELM_NULL_REAL = DBL_MIN;

#endif  // KELMMATH_CORE_CONSTANTS_H
