#ifndef KELMMATH_MESHIO_INTERNAL_SHELLS_H
#define KELMMATH_MESHIO_INTERNAL_SHELLS_H

namespace kelm_internal {

// The number of shell parse states alive in the process: shells handed over to the
// reader and neither finished, stopped by an error nor abandoned yet.
unsigned open_shell_count();

}  // namespace kelm_internal

#endif  // KELMMATH_MESHIO_INTERNAL_SHELLS_H
