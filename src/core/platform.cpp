#include "kelmmath/core/platform.h"

FILE* kelm_fopen(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr || name[0] == '\0') return nullptr;
    return std::fopen(name, mode);
}

int kelm_strcasecmp(const char* a, const char* b) {
    if (a == b) return 0;
    if (a == nullptr) return -1;
    if (b == nullptr) return 1;
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(*a);
        int cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
        if (ca != cb || ca == 0) return ca - cb;
    }
}
