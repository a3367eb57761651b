#ifndef KELMMATH_CORE_ERRORS_H
#define KELMMATH_CORE_ERRORS_H

#include "kelmmath/kelmmath_export.h"

// Where the library reports problems. error() and warning() format their
// arguments printf-style and hand the text, exactly as formatted, to report();
// neither stops the caller. The default report() writes the text to standard
// error. An application captures reports by deriving its own context and
// installing it with kelm_set_ec().
class KELMMATH_API KelmErrorContext {
public:
    enum Severity { Error, Warning };

    virtual ~KelmErrorContext();
    void error(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void warning(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

protected:
    virtual void report(Severity severity, const char* message);
};

// The context in force.
KELMMATH_API KelmErrorContext* kelm_ec();

// Installs c and returns the previous context; a null c restores the default.
KELMMATH_API KelmErrorContext* kelm_set_ec(KelmErrorContext* c);

#endif  // KELMMATH_CORE_ERRORS_H
