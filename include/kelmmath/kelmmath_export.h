#ifndef KELMMATH_KELMMATH_EXPORT_H
#define KELMMATH_KELMMATH_EXPORT_H

// KELMMATH_API marks every exported class, function and constant of the library.
// Symbols are hidden by default; KELMMATH_BUILDING is defined only while the
// library itself is compiled.
#if defined(_WIN32)
#if defined(KELMMATH_BUILDING)
#define KELMMATH_API __declspec(dllexport)
#else
#define KELMMATH_API __declspec(dllimport)
#endif
#else
#define KELMMATH_API __attribute__((visibility("default")))
#endif

#endif  // KELMMATH_KELMMATH_EXPORT_H
