#ifndef KELMMATH_MESH_INTERNAL_FACETSET_H
#define KELMMATH_MESH_INTERNAL_FACETSET_H

// Bulk filling of a facet set for the readers: room for every vertex, normal and
// facet made at once, so that a large set is built without regrowing its storage.

#include "kelmmath/mesh/facetset.h"
#include "mesh/internal_memory.h"

namespace kelm_internal {

struct FacetSetAccess {
    // Room for nverts more vertices, nnormals more normals and nfacets more facets.
    static void reserve(KelmMeshFacetSet& fs, unsigned nverts, unsigned nnormals,
                        unsigned nfacets) {
        if (fs.verts_.capacity() < fs.verts_.size() + nverts) {
            fs.verts_.capacity(fs.verts_.size() + nverts);
            advise_huge_pages(fs.verts_[0], sizeof(double) * 3 * fs.verts_.capacity());
        }
        fs.normals_.capacity(fs.normals_.size() + nnormals);
        if (fs.facets_.capacity() < fs.facets_.size() + nfacets) {
            fs.facets_.capacity(fs.facets_.size() + nfacets);
            advise_huge_pages(fs.facets_.data(), sizeof(void*) * fs.facets_.capacity());
        }
        fs.reserveFacets(nfacets);
    }

    // Puts verts in place of the set's vertices.
    static void replace_vertices(KelmMeshFacetSet& fs, const KelmReal3DArray& verts) {
        fs.verts_ = verts;
    }
};

}  // namespace kelm_internal

#endif  // KELMMATH_MESH_INTERNAL_FACETSET_H
