#ifndef KELMMATH_FUZZ_FUZZ_SUPPORT_H
#define KELMMATH_FUZZ_FUZZ_SUPPORT_H

// Shared pieces of the fuzz targets: a byte reader that turns the fuzzer's input into
// numbers, a quiet error context, and an in-memory file for the file-based readers.

#include <sys/mman.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "kelmmath/core/errors.h"

namespace kelm_fuzz {

// Stops the run with a message when a property the library promises does not hold;
// libFuzzer saves the input that led here.
#define KELM_FUZZ_CHECK(cond)                                                             \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

// Reads the input front to back; past the end every read gives 0.
class Bytes {
public:
    Bytes(const uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }
    bool empty() const { return p_ == end_; }

    uint8_t u8() { return p_ < end_ ? *p_++ : 0; }
    uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
    uint32_t u32() { return static_cast<uint32_t>(u16()) | (static_cast<uint32_t>(u16()) << 16); }

    // A value below n (n > 0).
    unsigned below(unsigned n) { return n == 0 ? 0 : u32() % n; }

    // Eight raw bytes as a double: every bit pattern, NaNs and infinities included.
    double raw_double() {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(u8()) << (8 * i);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    // A double that favours the values where geometry code breaks: small grids, the
    // null real, denormals, huge and tiny magnitudes, NaN and the infinities. One
    // byte picks the kind.
    double coordinate() {
        const uint8_t kind = u8();
        switch (kind % 16) {
            case 0:
                return raw_double();
            case 1:
                return DBL_MIN;  // the null real
            case 2:
                return std::numeric_limits<double>::quiet_NaN();
            case 3:
                return (kind & 0x80) ? -HUGE_VAL : HUGE_VAL;
            case 4:
                return (kind & 0x80) ? -1e300 : 1e300;
            case 5:
                return (kind & 0x80) ? -1e-300 : 1e-300;
            case 6:
                return std::numeric_limits<double>::denorm_min() * (1 + u8());
            case 7:
                return (kind & 0x80) ? -0.0 : 0.0;
            case 8:  // near a grid point, a few ulps off
                return std::nextafter(static_cast<double>(static_cast<int8_t>(u8()) % 8),
                                      (kind & 0x80) ? 1e9 : -1e9);
            default:  // a small grid: many collinear and cocircular points
                return static_cast<double>(static_cast<int8_t>(u8()) % 8) / (1 + kind % 4);
        }
    }

    // Up to max bytes as a terminated string (may hold any byte but NUL).
    std::string text(std::size_t max) {
        std::string s;
        const std::size_t n = below(static_cast<unsigned>(max + 1));
        for (std::size_t i = 0; i < n && !empty(); ++i) {
            const char c = static_cast<char>(u8());
            if (c != '\0') s += c;
        }
        return s;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

// Swallows every report: the targets check results, and printing each report would
// slow the run down to the speed of the terminal.
class QuietContext : public KelmErrorContext {
public:
    QuietContext() : previous_(kelm_set_ec(this)) {}
    ~QuietContext() override { kelm_set_ec(previous_); }
    unsigned errors = 0;
    unsigned warnings = 0;

protected:
    void report(Severity severity, const char*) override {
        if (severity == Error)
            ++errors;
        else
            ++warnings;
    }

private:
    KelmErrorContext* previous_;
};

// A file in memory, reachable by name through /proc/self/fd, so the file-based
// readers and writers run without touching the disk.
class MemoryFile {
public:
    MemoryFile() {
        fd_ = static_cast<int>(memfd_create("kelm_fuzz", 0));
        if (fd_ < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const char* path() const { return path_.c_str(); }

    void write(const uint8_t* data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }

    std::string read() const {
        std::string out;
        char buf[4096];
        off_t at = 0;
        for (;;) {
            const ssize_t n = pread(fd_, buf, sizeof buf, at);
            if (n <= 0) break;
            out.append(buf, static_cast<std::size_t>(n));
            at += n;
        }
        return out;
    }

private:
    int fd_ = -1;
    std::string path_;
};

// Equal as stored bits, or both NaN (a NaN's payload and sign need not survive text).
inline bool same_real(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace kelm_fuzz

#endif  // KELMMATH_FUZZ_FUZZ_SUPPORT_H
