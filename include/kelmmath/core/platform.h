#ifndef KELMMATH_CORE_PLATFORM_H
#define KELMMATH_CORE_PLATFORM_H

#include <cstdio>

#include "kelmmath/kelmmath_export.h"

// Opens a file like fopen; null when it cannot be opened (or name or mode is null).
KELMMATH_API FILE* kelm_fopen(const char* name, const char* mode);

// 0 when a and b are equal ignoring ASCII case; otherwise the sign of the first
// difference, like strcasecmp. A null string sorts before every other string.
KELMMATH_API int kelm_strcasecmp(const char* a, const char* b);

#endif  // KELMMATH_CORE_PLATFORM_H
