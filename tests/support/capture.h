#ifndef KELMMATH_TESTS_SUPPORT_CAPTURE_H
#define KELMMATH_TESTS_SUPPORT_CAPTURE_H

// Test helpers that capture what the library reports and prints.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "kelmmath/core/errors.h"

namespace kelm_test {

// Records every report made through kelm_ec() while it lives, and restores the
// previous context when it goes.
class ErrorRecorder : public KelmErrorContext {
public:
    struct Entry {
        Severity severity;
        std::string text;
    };

    ErrorRecorder() : previous_(kelm_set_ec(this)) {}
    ~ErrorRecorder() override { kelm_set_ec(previous_); }

    const std::vector<Entry>& entries() const { return entries_; }
    std::size_t count() const { return entries_.size(); }
    std::vector<std::string> errors() const { return texts(Error); }
    std::vector<std::string> warnings() const { return texts(Warning); }
    void clear() { entries_.clear(); }
    // The error texts so far, forgotten once returned.
    std::vector<std::string> take() {
        std::vector<std::string> out = errors();
        clear();
        return out;
    }

protected:
    void report(Severity severity, const char* message) override {
        entries_.push_back({severity, message});
    }

private:
    std::vector<std::string> texts(Severity s) const {
        std::vector<std::string> out;
        for (const Entry& e : entries_)
            if (e.severity == s) out.push_back(e.text);
        return out;
    }

    KelmErrorContext* previous_;
    std::vector<Entry> entries_;
};

// Redirects the process's standard output into a temporary file (or the file at path)
// while it lives; text() returns what was printed (stdio buffers are flushed first).
class StdoutCapture {
public:
    explicit StdoutCapture(const char* path = nullptr) {
        std::fflush(stdout);
        file_ = path ? std::fopen(path, "w+") : std::tmpfile();
        saved_ = dup(fileno(stdout));
        dup2(fileno(file_), fileno(stdout));
    }
    ~StdoutCapture() {
        restore();
        if (file_) std::fclose(file_);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string text() {
        std::fflush(stdout);
        std::fseek(file_, 0, SEEK_END);
        std::string out(static_cast<std::size_t>(std::ftell(file_)), '\0');
        std::rewind(file_);
        out.resize(std::fread(&out[0], 1, out.size(), file_));
        return out;
    }

    // Restores standard output; text() still works afterwards.
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, fileno(stdout));
        close(saved_);
        saved_ = -1;
    }

private:
    FILE* file_ = nullptr;
    int saved_ = -1;
};

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_CAPTURE_H
