#include "kelmmath/mesh/faceprop.h"

#include <atomic>

namespace {

// Process-wide source of property type numbers; 0 is never handed out. An atomic
// costs nothing here and keeps clients that number their own classes from racing.
std::atomic<unsigned int> g_next_prop_type{1u};

}  // namespace

KelmMeshFaceProp::~KelmMeshFaceProp() = default;

unsigned int KelmMeshFaceProp::_new_info_type() {
    return g_next_prop_type.fetch_add(1u, std::memory_order_relaxed);
}
