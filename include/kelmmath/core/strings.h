#ifndef KELMMATH_CORE_STRINGS_H
#define KELMMATH_CORE_STRINGS_H

#include "kelmmath/kelmmath_export.h"

// Owned text whose copies share one reference-counted buffer.
//
// str() is null when the object holds no text or the empty text. copy() replaces
// the text; stop_sharing() gives the object a buffer of its own (so a caller may
// write into it through str() without touching the other copies).
class KELMMATH_API KelmStringObject {
public:
    KelmStringObject();
    KelmStringObject(const char* text);  // NOLINT: implicit by design
    KelmStringObject(const KelmStringObject& other);
    KelmStringObject(KelmStringObject&& other) noexcept;
    KelmStringObject& operator=(const KelmStringObject& other);
    KelmStringObject& operator=(KelmStringObject&& other) noexcept;
    KelmStringObject& operator=(const char* text);
    ~KelmStringObject();

    void copy(const char* text);
    void copy(const KelmStringObject& other);
    void stop_sharing();

    const char* str() const;
    unsigned length() const;

private:
    struct Buffer;
    void release();
    Buffer* buffer_;
};

#endif  // KELMMATH_CORE_STRINGS_H
