#include "kelmmath/core/containers.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace kelm_detail {

void* grow_storage(void* data, unsigned old_count, unsigned new_count, std::size_t elem_size) {
    // realloc keeps the first old_count elements; the elements are trivially
    // copyable, so moving them bytewise is their copy.
    (void)old_count;
    void* grown = std::realloc(data, static_cast<std::size_t>(new_count) * elem_size);
    if (grown == nullptr) throw std::bad_alloc();
    return grown;
}

void free_storage(void* data) { std::free(data); }

}  // namespace kelm_detail
