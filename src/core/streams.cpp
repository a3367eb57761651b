#include "kelmmath/core/streams.h"

#include <cstring>
#include <string>

KelmOutputStream::~KelmOutputStream() = default;

void KelmOutputStream::put(const char* text, std::size_t length) {
    std::string piece(text, length);
    put(piece.c_str());
}

void KelmOutputStream::flush() {}

KelmOutputFile::KelmOutputFile(FILE* fp, const char* name) : fp_(fp), name_(name ? name : "") {}

KelmOutputFile::~KelmOutputFile() = default;

void KelmOutputFile::put(const char* text) {
    if (text != nullptr) std::fputs(text, fp_);
}

void KelmOutputFile::put(const char* text, std::size_t length) {
    if (length != 0) std::fwrite(text, 1, length, fp_);
}

void KelmOutputFile::flush() { std::fflush(fp_); }

KelmOutputString::KelmOutputString() = default;

KelmOutputString::~KelmOutputString() = default;

void KelmOutputString::put(const char* text) {
    if (text != nullptr) text_.append(text);
}

void KelmOutputString::put(const char* text, std::size_t length) { text_.append(text, length); }
