#ifndef KELMMATH_MESH_FACETSET_H
#define KELMMATH_MESH_FACETSET_H

#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/geom/arrays.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/geom/xform.h"
#include "kelmmath/kelmmath_export.h"
#include "kelmmath/mesh/faceprop.h"

// Triangle meshes: facets, faces, facet sets and their deep copy.
//
// Indices. Vertices, normals, facets and faces are numbered by position, densely
// from 0 in creation order; every create... call returns the count before the
// append. Nothing is ever renumbered: deleting a facet leaves a null facet (an
// empty slot), deleting a vertex or normal overwrites its three coordinates with
// the null real (KELM_NULL_REAL). KELM_NONE marks an index that is not set.
//
// Ownership. A KelmMeshFacetSet owns its facets and faces; a KelmMeshFace owns its
// property list (kelmmath/mesh/faceprop.h). Pointers handed out by createFacet,
// getFacet, createFace and getFace stay valid until that element is destroyed;
// pointers into the vertex or normal storage (getNormal(i), rawverts()) only until
// the next vertex or normal is added.
//
// Checks. Getters do not check their indices (i must be below the count) except
// where a member below names KELM_NONE or a null facet.

// One triangle: the vertex index of corners 0, 1, 2 (their order gives the
// orientation) and the normal index of each corner (KELM_NONE: no stored normal).
// There is no facet-normal field: the facet normal is computed from the corners.
struct KelmMeshFacet {
    unsigned int vertex[3] = {KELM_NONE, KELM_NONE, KELM_NONE};
    unsigned int normal[3] = {KELM_NONE, KELM_NONE, KELM_NONE};
};

namespace kelm_detail {

// A typed, non-owning vector of T*: copies (and moves) copy the pointers, the
// destructor releases the vector only, and no member checks an index.
template <class T>
class ptr_vector {
public:
    ptr_vector() = default;
    ptr_vector(const ptr_vector& other) = default;
    ptr_vector(ptr_vector&& other) : items_(other.items_) {}
    ptr_vector& operator=(const ptr_vector& other) = default;
    ptr_vector& operator=(ptr_vector&& other) {
        items_ = other.items_;
        return *this;
    }
    ~ptr_vector() = default;

    unsigned size() const { return items_.size(); }
    T*& operator[](unsigned i) { return items_[i]; }
    T* operator[](unsigned i) const { return items_[i]; }
    T* get(unsigned i) const { return items_[i]; }
    // Stores p in slot i, which must exist.
    void put(T* p, unsigned i) { items_[i] = p; }
    void append(T* p) { items_.append(p); }
    // Takes out the first element equal to p and closes the gap; nothing when absent.
    void remove(T* p) {
        const unsigned n = items_.size();
        for (unsigned i = 0; i < n; ++i) {
            if (items_[i] == p) {
                for (unsigned k = i + 1; k < n; ++k) items_[k - 1] = items_[k];
                items_.size(n - 1);
                return;
            }
        }
    }

private:
    basic_array<T*> items_;
};

}  // namespace kelm_detail

class KelmMeshFace;

namespace kelm_internal {
struct FacetSetAccess;
}  // namespace kelm_internal

// Typed, non-owning vectors of facets and faces (for callers that collect them).
class KelmMeshFacetVec : public kelm_detail::ptr_vector<KelmMeshFacet> {};
class KelmMeshFaceVec : public kelm_detail::ptr_vector<KelmMeshFace> {};

// KelmMeshFace: a run of consecutive facets (first .. first+count-1) with a list of
// properties. A face does not own facets and nothing checks that its range exists.
// A default face has first = KELM_NONE and count 0.
//
// Properties (kelmmath/mesh/faceprops.h has the two library classes):
//   addProp(p)         puts p at the front of the list; the face owns p from now on
//   getProp(type)      the first property from the front whose getType() is type, or null
//   removeProp(type)   unlinks and destroys every property of that type
//   removeProp(p)      unlinks and destroys p when it is in the list, else nothing
//   copy(other)        takes other's range and a duplicate of each of its properties,
//                      in other's order (null duplicates left out); the properties
//                      this face held are destroyed. copy(this) changes nothing.
// Copy construction and assignment behave as copy(); moving hands the list over and
// leaves the source without properties.
class KELMMATH_API KelmMeshFace {
public:
    KelmMeshFace();
    KelmMeshFace(unsigned int first, unsigned int count);
    KelmMeshFace(const KelmMeshFace& other);
    KelmMeshFace(KelmMeshFace&& other) noexcept;
    KelmMeshFace& operator=(const KelmMeshFace& other);
    KelmMeshFace& operator=(KelmMeshFace&& other) noexcept;
    ~KelmMeshFace();

    unsigned int getFirstFacet() const { return first_; }
    unsigned int getFacetCount() const { return count_; }
    void setFirstFacet(unsigned int first) { first_ = first; }
    void setFacetCount(unsigned int count) { count_ = count; }

    void addProp(KelmMeshFaceProp* p);
    KelmMeshFaceProp* getProp(unsigned int type) const;
    void removeProp(unsigned int type);
    void removeProp(KelmMeshFaceProp* p);
    void copy(const KelmMeshFace* other);

    // The front of the property list (walk it with KelmMeshFaceProp::getNext()).
    KelmMeshFaceProp* getFirstProp() const { return props_; }

private:
    void destroyProps();

    unsigned int first_;
    unsigned int count_;
    KelmMeshFaceProp* props_;
};

// KelmMeshFacetSet: vertices and normals stored flat (KelmReal3DArray), owned
// facets (a slot may be a null facet) and owned faces, and a manifold flag (a new
// set is manifold; only is_manifold(int) and copying change it).
//
// Creation: createVertex/createNormal append the point as given (a null pointer
// appends (0, 0, 0); normals are not normalised; equal points get distinct
// indices). createFacet appends a facet with all six indices KELM_NONE, stores its
// index in *idx when idx is not null and returns it for the caller to fill in.
// appendNullFacet appends an empty slot. createFace appends a face with the range
// given (or KELM_NONE, 0) and no properties.
//
// Deletion: deleteFacet(i) destroys facet i and leaves slot i null; deleteVertex(i)
// and deleteNormal(i) overwrite entry i with the null real; counts never change.
// clearFaces() destroys every face (and its properties); clearFacetsOnly() empties
// vertices, normals and facets and releases their storage, leaving the faces;
// clear() does both.
//
// Reading: getFacet(KELM_NONE) and a null facet give null. getNormal(KELM_NONE)
// gives null and its copying forms leave the output unchanged. modifyVertex and
// modifyNormal ignore an index at or beyond the count (a null pointer writes the
// origin).
//
// Geometry: getTriangleNormal(out, a, b, c) is the unit normal of the triangle of
// vertices a, b, c by the right-hand rule over that order; it is (0, 0, 0) when the
// triangle is degenerate or so small that every component of the cross product of
// its edges is below 1e-15. getFacetNormal is that of a facet's corners;
// getFacetVertexNormal gives the stored normal of a corner that has one (unchanged,
// not normalised) and the facet normal otherwise. getFacetArea is half the length
// of the cross product of the edges (no threshold); getSurfaceArea sums the facet
// areas in index order. A null facet pointer, KELM_NONE or a null facet gives
// (0, 0, 0) and 0.0.
//
// Copying (copy constructor, operator=, kelm_mesh_copy): a deep copy keeping every
// index, null facets, faces with duplicated properties, and the manifold flag.
// Assigning a set to itself changes nothing. Moving hands everything over and
// leaves the source an empty, manifold set.
class KELMMATH_API KelmMeshFacetSet {
public:
    KelmMeshFacetSet();
    KelmMeshFacetSet(const KelmMeshFacetSet& other);
    KelmMeshFacetSet(KelmMeshFacetSet&& other);
    KelmMeshFacetSet& operator=(const KelmMeshFacetSet& other);
    KelmMeshFacetSet& operator=(KelmMeshFacetSet&& other);
    virtual ~KelmMeshFacetSet();

    unsigned int createVertex(const KelmPoint& p);
    unsigned int createVertex(const double* p);
    unsigned int createNormal(const KelmDirection& n);
    unsigned int createNormal(const double* n);
    KelmMeshFacet* createFacet(unsigned int* idx);
    void appendNullFacet(unsigned int* idx);
    void deleteFacet(unsigned int i);
    void deleteVertex(unsigned int i);
    void deleteNormal(unsigned int i);
    KelmMeshFace* createFace(unsigned int first, unsigned int count);
    KelmMeshFace* createFace();

    void clear();
    void clearFaces();
    void clearFacetsOnly();

    void getVertex(KelmPoint& p, unsigned int i) const;
    void getVertex(double* p, unsigned int i) const;
    const double* getNormal(unsigned int i) const;
    void getNormal(KelmDirection& n, unsigned int i) const;
    void getNormal(double* n, unsigned int i) const;
    void modifyVertex(const KelmPoint& p, unsigned int i);
    void modifyVertex(const double* p, unsigned int i);
    void modifyNormal(const KelmDirection& n, unsigned int i);
    void modifyNormal(const double* n, unsigned int i);

    unsigned int getVertexCount() const;
    unsigned int getNormalCount() const;
    unsigned int getFacetCount() const;
    unsigned int getFaceCount() const;
    KelmMeshFacet* getFacet(unsigned int i);
    const KelmMeshFacet* getFacet(unsigned int i) const;
    KelmMeshFace* getFace(unsigned int i) const;
    const KelmReal3DArray& rawverts() const { return verts_; }
    const KelmReal3DArray& rawnormals() const { return normals_; }

    void is_manifold(int yes) { manifold_ = yes != 0; }
    int is_manifold() const { return manifold_ ? 1 : 0; }

    void getTriangleNormal(double* out, unsigned int a, unsigned int b, unsigned int c) const;
    void getFacetNormal(double* out, const KelmMeshFacet* f) const;
    void getFacetNormal(KelmDirection& out, const KelmMeshFacet* f) const;
    void getFacetNormal(double* out, unsigned int i) const;
    void getFacetNormal(KelmDirection& out, unsigned int i) const;
    void getFacetVertexNormal(double* out, const KelmMeshFacet* f, unsigned int corner) const;
    void getFacetVertexNormal(KelmDirection& out, const KelmMeshFacet* f,
                              unsigned int corner) const;
    void getFacetVertexNormal(double* out, unsigned int i, unsigned int corner) const;
    void getFacetVertexNormal(KelmDirection& out, unsigned int i, unsigned int corner) const;
    double getFacetArea(const KelmMeshFacet* f) const;
    double getFacetArea(unsigned int i) const;
    double getSurfaceArea() const;

private:
    friend KELMMATH_API void kelm_mesh_copy(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src,
                                            const double* xform);
    friend struct kelm_internal::FacetSetAccess;

    // Facets live in blocks that the set owns (one allocation for many facets);
    // facets_ points into them. A deleted facet's room stays in its block until
    // clearFacetsOnly() releases every block.
    struct FacetBlock {
        KelmMeshFacet* facets;
        FacetBlock* next;
    };
    KelmMeshFacet* newFacet();
    void reserveFacets(unsigned int n);
    void releaseFacetBlocks();
    void takeFacetBlocks(KelmMeshFacetSet& other);

    KelmReal3DArray verts_;
    KelmReal3DArray normals_;
    kelm_detail::basic_array<KelmMeshFacet*> facets_;
    kelm_detail::basic_array<KelmMeshFace*> faces_;
    bool manifold_;
    FacetBlock* blocks_ = nullptr;       // newest first
    KelmMeshFacet* block_free_ = nullptr;  // the first unused facet of the newest block
    unsigned int block_left_ = 0;        // unused facets from there to the block's end
    unsigned int block_total_ = 0;  // facets in all blocks
};

// kelm_mesh_copy: deep copy of src into dst. dst is emptied first (faces, then
// vertices, normals and facets); every vertex, normal and facet keeps its index,
// null facets stay null, each face is recreated with its range and a duplicate of
// each of its properties in order, and dst takes src's manifold flag. With a
// transform, vertices are mapped by the whole transform (kelm_xform_apply) and
// normals by its linear part alone (kelm_xform_apply_dir: no translation and no
// renormalisation, so a scale scales them); a null transform pointer copies
// unmoved. Copying a set onto itself changes nothing. Both sets must be valid.
// Should dst ever hand out an index that differs from the source's, the copy
// reports "kelm_mesh_copy: have bad vertex: %u != %u" (or "... bad normal ...")
// through kelm_ec() and stops.
KELMMATH_API void kelm_mesh_copy(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src);
KELMMATH_API void kelm_mesh_copy(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src,
                                 const KelmXform& xform);
KELMMATH_API void kelm_mesh_copy(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src,
                                 const double* xform);

#endif  // KELMMATH_MESH_FACETSET_H
