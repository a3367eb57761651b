#ifndef KELMMATH_MESH_INTERNAL_FACETSET_H
#define KELMMATH_MESH_INTERNAL_FACETSET_H

// Bulk filling of a facet set for the readers: room for every vertex, normal and
// facet made at once, so that a large set is built without regrowing its storage.

#include "kelmmath/mesh/facetset.h"

namespace kelm_internal {

struct FacetSetAccess {
    // Room for nverts more vertices, nnormals more normals and nfacets more facets.
    static void reserve(KelmMeshFacetSet& fs, unsigned nverts, unsigned nnormals,
                        unsigned nfacets) {
        fs.verts_.capacity(fs.verts_.size() + nverts);
        fs.normals_.capacity(fs.normals_.size() + nnormals);
        fs.facets_.capacity(fs.facets_.size() + nfacets);
        fs.reserveFacets(nfacets);
    }

    // Puts verts in place of the set's vertices.
    static void replace_vertices(KelmMeshFacetSet& fs, const KelmReal3DArray& verts) {
        fs.verts_ = verts;
    }
};

}  // namespace kelm_internal

#endif  // KELMMATH_MESH_INTERNAL_FACETSET_H
