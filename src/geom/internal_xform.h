#ifndef KELMMATH_GEOM_INTERNAL_XFORM_H
#define KELMMATH_GEOM_INTERNAL_XFORM_H

// Helpers shared by the 3D and 2D transform sources.

#include "kelmmath/core/constants.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/geom/xform.h"
#include "kelmmath/geom/xform2d.h"

namespace kelm_internal {

// A null input transform reads as the identity of its size.
inline const double* or_identity(const double* m) {
    return m ? m : kelm_xform_identity;
}
inline const double* or_identity2d(const double* m) {
    return m ? m : kelm_xform2d_identity;
}

// Degrees to radians for rotation angles given in the degree unit.
constexpr double kDegreesToRadians = 0.017453292519943295;

// Whether a uniform scale factor is applied at all: a missing (null real),
// non-positive or NaN factor, or one that is 1 within 1e-15, leaves a transform
// unscaled.
inline bool uniform_scale_applies(double s) {
    return s != KELM_NULL_REAL && s > 0.0 && !kelm_is_epsilon_equal(s, 1.0, 1e-15);
}

}  // namespace kelm_internal

#endif  // KELMMATH_GEOM_INTERNAL_XFORM_H
