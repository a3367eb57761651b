#ifndef KELMMATH_GEOM_INTERNAL_GEOM_H
#define KELMMATH_GEOM_INTERNAL_GEOM_H

// Helpers shared by the geometry sources: the library's own negligible-value
// tolerance and the null-input conventions.

#include "kelmmath/core/containers.h"
#include "kelmmath/geom/points.h"

namespace kelm_internal {

// Tolerance under which the library's own operations call a component negligible.
constexpr double kNegligible = 1e-15;

// A null input vector reads as the zero vector.
inline const double* or_zero(const double* a) {
    return a ? a : kelm_vec_zero;
}

// The same for plane vectors: only the first two zeros are read.
inline const double* or_zero2d(const double* a) {
    return a ? a : kelm_vec_zero;
}

// Fills the n components of r from a list: component i takes the i-th value
// when the list has one and 0.0 otherwise; a null list gives all zeros. r is
// always fully written, and values beyond n are ignored.
inline void put_from_list(double* r, unsigned n, const ListOfDouble* l) {
    const double* values = l ? l->_data() : nullptr;
    const unsigned count = values ? l->count() : 0u;
    for (unsigned i = 0; i < n; ++i) r[i] = i < count ? values[i] : 0.0;
}

}  // namespace kelm_internal

#endif  // KELMMATH_GEOM_INTERNAL_GEOM_H
