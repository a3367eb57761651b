#ifndef KELMMATH_PYTHON_MESH_OBJECT_H
#define KELMMATH_PYTHON_MESH_OBJECT_H

// The Python Mesh: a shared facet set. A Mesh never grows once made (every operation
// that changes the vertex list makes a new Mesh), so the read-only vertex view it hands
// out stays valid as long as the view lives: the view keeps its Mesh alive.

#include <memory>

#include "kelmmath/kelmmath.h"

namespace kelm_python {

struct Mesh {
    std::shared_ptr<KelmMeshFacetSet> fs = std::make_shared<KelmMeshFacetSet>();
};

}  // namespace kelm_python

#endif  // KELMMATH_PYTHON_MESH_OBJECT_H
