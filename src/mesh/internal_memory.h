#ifndef KELMMATH_MESH_INTERNAL_MEMORY_H
#define KELMMATH_MESH_INTERNAL_MEMORY_H

// Large tables of the mesh builds (weld tables, topology tables) are read and written
// at random places: with 4 KiB pages nearly every access also misses the address
// translation cache, and filling them takes one page fault per 4 KiB. Where the
// system offers it, such a table asks for 2 MiB pages before it is first touched.

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kelm_internal {

// Tables below this size gain nothing worth a system call.
constexpr std::size_t kHugePageWorth = std::size_t{4} << 20;

// Asks for large pages for the whole 2 MiB pages inside [p, p + bytes). Only a hint:
// nothing changes for the caller when the system declines.
inline void advise_huge_pages(const void* p, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes < kHugePageWorth) return;
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

// Empties v and gives it room for n elements, on large pages where the system gives
// them: for tables of tens of megabytes written once, whose small pages' faults would
// cost as much as the work.
template <class T>
void reserve_large(std::vector<T>& v, std::size_t n) {
    v.clear();
    if (v.capacity() >= n) return;
    std::vector<T>().swap(v);
    v.reserve(n);
    advise_huge_pages(v.data(), sizeof(T) * n);
}

}  // namespace kelm_internal

#endif  // KELMMATH_MESH_INTERNAL_MEMORY_H
