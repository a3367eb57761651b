#include "kelmmath/core/errors.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

KelmErrorContext default_context;
KelmErrorContext* current_context = &default_context;

// printf-style formatting into a string of whatever length the text needs.
std::string format_message(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, n);
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

}  // namespace

KelmErrorContext::~KelmErrorContext() {
    // A context destroyed while installed must not be called afterwards.
    if (current_context == this && this != &default_context) current_context = &default_context;
}

void KelmErrorContext::error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = format_message(format, args);
    va_end(args);
    report(Error, text.c_str());
}

void KelmErrorContext::warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = format_message(format, args);
    va_end(args);
    report(Warning, text.c_str());
}

void KelmErrorContext::report(Severity severity, const char* message) {
    std::fputs(severity == Error ? "kelmmath error: " : "kelmmath warning: ", stderr);
    std::fputs(message, stderr);
    std::size_t n = std::char_traits<char>::length(message);
    if (n == 0 || message[n - 1] != '\n') std::fputc('\n', stderr);
}

KelmErrorContext* kelm_ec() { return current_context; }

KelmErrorContext* kelm_set_ec(KelmErrorContext* c) {
    KelmErrorContext* previous = current_context;
    current_context = c ? c : &default_context;
    return previous;
}
