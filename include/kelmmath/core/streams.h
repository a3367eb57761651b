#ifndef KELMMATH_CORE_STREAMS_H
#define KELMMATH_CORE_STREAMS_H

#include <cstdio>
#include <string>

#include "kelmmath/kelmmath_export.h"

// A sink for text. Text goes out in the order put. Client code may derive its own.
class KELMMATH_API KelmOutputStream {
public:
    virtual ~KelmOutputStream();
    virtual void put(const char* text) = 0;
    // Writes text[0 .. length); the default puts a terminated copy. Streams that
    // can take a counted piece directly override it.
    virtual void put(const char* text, std::size_t length);
    virtual void flush();
};

// Writes to an open FILE; flush() flushes it. The FILE is never closed here.
class KELMMATH_API KelmOutputFile : public KelmOutputStream {
public:
    KelmOutputFile(FILE* fp, const char* name);
    ~KelmOutputFile() override;
    using KelmOutputStream::put;
    void put(const char* text) override;
    void put(const char* text, std::size_t length) override;
    void flush() override;
    const char* name() const { return name_.c_str(); }

private:
    FILE* fp_;
    std::string name_;
};

// Collects the text in memory.
class KELMMATH_API KelmOutputString : public KelmOutputStream {
public:
    KelmOutputString();
    ~KelmOutputString() override;
    using KelmOutputStream::put;
    void put(const char* text) override;
    void put(const char* text, std::size_t length) override;
    const char* str() const { return text_.c_str(); }  // never null
    std::size_t length() const { return text_.size(); }
    void clear() { text_.clear(); }

private:
    std::string text_;
};

#endif  // KELMMATH_CORE_STREAMS_H
