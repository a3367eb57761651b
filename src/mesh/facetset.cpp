#include "kelmmath/mesh/facetset.h"

#include <memory>
#include <new>
#include <type_traits>

#include "geom/internal_geom.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/geom/vector.h"
#include "kelmmath/geom/xform.h"
#include "mesh/internal_memory.h"

namespace {

// Copies three doubles through locals, so the source may overlap the target.
inline void copy3(double* out, const double* in) {
    const double x = in[0], y = in[1], z = in[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

// |(q - p) x (r - p)|, the doubled area of the triangle p, q, r.
double cross_length(const double* p, const double* q, const double* r) {
    double u[3], w[3], n[3];
    kelm_vec_diff(u, q, p);
    kelm_vec_diff(w, r, p);
    kelm_vec_cross(n, u, w);
    return kelm_vec_length(n);
}

}  // namespace

KelmMeshFacetSet::KelmMeshFacetSet() : manifold_(true) {}

KelmMeshFacetSet::KelmMeshFacetSet(const KelmMeshFacetSet& other) : manifold_(true) {
    kelm_mesh_copy(this, &other);
}

// The point arrays copy even when moved from, so the move takes over the facet and
// face lists (the expensive part) and leaves the source empty by clearing it.
KelmMeshFacetSet::KelmMeshFacetSet(KelmMeshFacetSet&& other)
    : verts_(other.verts_),
      normals_(other.normals_),
      facets_(std::move(other.facets_)),
      faces_(std::move(other.faces_)),
      manifold_(other.manifold_) {
    takeFacetBlocks(other);
    other.clearFacetsOnly();
    other.manifold_ = true;
}

KelmMeshFacetSet& KelmMeshFacetSet::operator=(const KelmMeshFacetSet& other) {
    kelm_mesh_copy(this, &other);
    return *this;
}

KelmMeshFacetSet& KelmMeshFacetSet::operator=(KelmMeshFacetSet&& other) {
    if (this == &other) return *this;
    clear();
    verts_ = other.verts_;
    normals_ = other.normals_;
    facets_ = std::move(other.facets_);
    faces_ = std::move(other.faces_);
    manifold_ = other.manifold_;
    takeFacetBlocks(other);
    other.clearFacetsOnly();
    other.manifold_ = true;
    return *this;
}

KelmMeshFacetSet::~KelmMeshFacetSet() {
    clearFaces();
    clearFacetsOnly();
}

// ---- creation and deletion ------------------------------------------------------

unsigned int KelmMeshFacetSet::createVertex(const KelmPoint& p) {
    return createVertex(p.data());
}

unsigned int KelmMeshFacetSet::createVertex(const double* p) {
    const unsigned int idx = verts_.size();
    verts_.append(p);
    return idx;
}

unsigned int KelmMeshFacetSet::createNormal(const KelmDirection& n) {
    return createNormal(n.data());
}

unsigned int KelmMeshFacetSet::createNormal(const double* n) {
    const unsigned int idx = normals_.size();
    normals_.append(n);
    return idx;
}

// ---- facet blocks --------------------------------------------------------------------
//
// One heap allocation per facet made a large set slow to build and to free; facets are
// handed out from blocks instead, each at least half as large as all blocks before it,
// so a set of n facets makes O(log n) allocations.

namespace {
static_assert(std::is_trivially_destructible<KelmMeshFacet>::value,
              "facet blocks are released without running destructors");
constexpr unsigned int kFirstBlock = 16;
constexpr unsigned int kLargestBlock = 1u << 20;
}  // namespace

void KelmMeshFacetSet::reserveFacets(unsigned int n) {
    if (n <= block_left_) return;
    // Raw storage, which can ask for large pages before it is first touched; each facet
    // is made as it is handed out (KelmMeshFacet is trivially destructible), so room
    // never handed out is never written.
    std::unique_ptr<FacetBlock> block(new FacetBlock{nullptr, blocks_});
    void* raw = ::operator new[](sizeof(KelmMeshFacet) * static_cast<std::size_t>(n));
    kelm_internal::advise_huge_pages(raw, sizeof(KelmMeshFacet) * static_cast<std::size_t>(n));
    KelmMeshFacet* facets = static_cast<KelmMeshFacet*>(raw);
    block->facets = facets;
    blocks_ = block.release();
    block_free_ = facets;
    block_left_ = n;
    block_total_ += n;
}

KelmMeshFacet* KelmMeshFacetSet::newFacet() {
    if (block_left_ == 0) {
        const unsigned int half = block_total_ / 2;
        reserveFacets(half < kFirstBlock ? kFirstBlock
                                         : (half > kLargestBlock ? kLargestBlock : half));
    }
    --block_left_;
    return new (block_free_++) KelmMeshFacet();
}

void KelmMeshFacetSet::releaseFacetBlocks() {
    while (blocks_) {
        FacetBlock* next = blocks_->next;
        ::operator delete[](blocks_->facets);
        delete blocks_;
        blocks_ = next;
    }
    block_free_ = nullptr;
    block_left_ = 0;
    block_total_ = 0;
}

void KelmMeshFacetSet::takeFacetBlocks(KelmMeshFacetSet& other) {
    releaseFacetBlocks();
    blocks_ = other.blocks_;
    block_free_ = other.block_free_;
    block_left_ = other.block_left_;
    block_total_ = other.block_total_;
    other.blocks_ = nullptr;
    other.block_free_ = nullptr;
    other.block_left_ = 0;
    other.block_total_ = 0;
}

KelmMeshFacet* KelmMeshFacetSet::createFacet(unsigned int* idx) {
    const unsigned int i = facets_.size();
    // The list grows first, so a failed append leaves no facet handed out.
    facets_.append(nullptr);
    KelmMeshFacet* facet = newFacet();
    facets_[i] = facet;
    if (idx) *idx = i;
    return facet;
}

void KelmMeshFacetSet::appendNullFacet(unsigned int* idx) {
    const unsigned int i = facets_.size();
    facets_.append(nullptr);
    if (idx) *idx = i;
}

// The facet's room stays in its block until the set's facets are cleared.
void KelmMeshFacetSet::deleteFacet(unsigned int i) {
    facets_[i] = nullptr;
}

void KelmMeshFacetSet::deleteVertex(unsigned int i) {
    verts_.put(KELM_NULL_REAL, KELM_NULL_REAL, KELM_NULL_REAL, i);
}

void KelmMeshFacetSet::deleteNormal(unsigned int i) {
    normals_.put(KELM_NULL_REAL, KELM_NULL_REAL, KELM_NULL_REAL, i);
}

KelmMeshFace* KelmMeshFacetSet::createFace(unsigned int first, unsigned int count) {
    std::unique_ptr<KelmMeshFace> face(new KelmMeshFace(first, count));
    faces_.append(face.get());
    return face.release();
}

KelmMeshFace* KelmMeshFacetSet::createFace() {
    return createFace(KELM_NONE, 0u);
}

void KelmMeshFacetSet::clear() {
    clearFaces();
    clearFacetsOnly();
}

void KelmMeshFacetSet::clearFaces() {
    const unsigned int n = faces_.size();
    for (unsigned int i = 0; i < n; ++i) delete faces_[i];
    faces_.capacity(0);
    faces_.size(0);
}

void KelmMeshFacetSet::clearFacetsOnly() {
    verts_.capacity(0);
    verts_.size(0);
    normals_.capacity(0);
    normals_.size(0);
    releaseFacetBlocks();
    facets_.capacity(0);
    facets_.size(0);
}

// ---- access -----------------------------------------------------------------------

void KelmMeshFacetSet::getVertex(KelmPoint& p, unsigned int i) const {
    getVertex(p.data(), i);
}

void KelmMeshFacetSet::getVertex(double* p, unsigned int i) const {
    copy3(p, verts_.get(i));
}

const double* KelmMeshFacetSet::getNormal(unsigned int i) const {
    return i == KELM_NONE ? nullptr : normals_.get(i);
}

void KelmMeshFacetSet::getNormal(KelmDirection& n, unsigned int i) const {
    getNormal(n.data(), i);
}

void KelmMeshFacetSet::getNormal(double* n, unsigned int i) const {
    if (i != KELM_NONE) copy3(n, normals_.get(i));
}

void KelmMeshFacetSet::modifyVertex(const KelmPoint& p, unsigned int i) {
    modifyVertex(p.data(), i);
}

void KelmMeshFacetSet::modifyVertex(const double* p, unsigned int i) {
    if (i < verts_.size()) verts_.put(p, i);
}

void KelmMeshFacetSet::modifyNormal(const KelmDirection& n, unsigned int i) {
    modifyNormal(n.data(), i);
}

void KelmMeshFacetSet::modifyNormal(const double* n, unsigned int i) {
    if (i < normals_.size()) normals_.put(n, i);
}

unsigned int KelmMeshFacetSet::getVertexCount() const {
    return verts_.size();
}
unsigned int KelmMeshFacetSet::getNormalCount() const {
    return normals_.size();
}
unsigned int KelmMeshFacetSet::getFacetCount() const {
    return facets_.size();
}
unsigned int KelmMeshFacetSet::getFaceCount() const {
    return faces_.size();
}

KelmMeshFacet* KelmMeshFacetSet::getFacet(unsigned int i) {
    return i == KELM_NONE ? nullptr : facets_[i];
}

const KelmMeshFacet* KelmMeshFacetSet::getFacet(unsigned int i) const {
    return i == KELM_NONE ? nullptr : facets_[i];
}

KelmMeshFace* KelmMeshFacetSet::getFace(unsigned int i) const {
    return faces_[i];
}

// ---- geometry ---------------------------------------------------------------------

void KelmMeshFacetSet::getTriangleNormal(double* out, unsigned int a, unsigned int b,
                                         unsigned int c) const {
    const double* pa = verts_.get(a);
    double u[3], w[3], n[3];
    kelm_vec_diff(u, verts_.get(b), pa);
    kelm_vec_diff(w, verts_.get(c), pa);
    kelm_vec_cross(n, u, w);
    // A cross product this small carries no direction worth trusting: a degenerate
    // or tiny triangle gets the zero normal rather than a normalised rounding error.
    if (kelm_vec_is_zero(n, kelm_internal::kNegligible)) kelm_vec_put_zero(n);
    kelm_vec_normalize(out, n);
}

void KelmMeshFacetSet::getFacetNormal(double* out, const KelmMeshFacet* f) const {
    if (!f) {
        kelm_vec_put_zero(out);
        return;
    }
    getTriangleNormal(out, f->vertex[0], f->vertex[1], f->vertex[2]);
}

void KelmMeshFacetSet::getFacetNormal(KelmDirection& out, const KelmMeshFacet* f) const {
    getFacetNormal(out.data(), f);
}

void KelmMeshFacetSet::getFacetNormal(double* out, unsigned int i) const {
    getFacetNormal(out, getFacet(i));
}

void KelmMeshFacetSet::getFacetNormal(KelmDirection& out, unsigned int i) const {
    getFacetNormal(out.data(), getFacet(i));
}

void KelmMeshFacetSet::getFacetVertexNormal(double* out, const KelmMeshFacet* f,
                                            unsigned int corner) const {
    if (f && f->normal[corner] != KELM_NONE) {
        copy3(out, normals_.get(f->normal[corner]));
        return;
    }
    getFacetNormal(out, f);
}

void KelmMeshFacetSet::getFacetVertexNormal(KelmDirection& out, const KelmMeshFacet* f,
                                            unsigned int corner) const {
    getFacetVertexNormal(out.data(), f, corner);
}

void KelmMeshFacetSet::getFacetVertexNormal(double* out, unsigned int i,
                                            unsigned int corner) const {
    getFacetVertexNormal(out, getFacet(i), corner);
}

void KelmMeshFacetSet::getFacetVertexNormal(KelmDirection& out, unsigned int i,
                                            unsigned int corner) const {
    getFacetVertexNormal(out.data(), getFacet(i), corner);
}

double KelmMeshFacetSet::getFacetArea(const KelmMeshFacet* f) const {
    if (!f) return 0.0;
    return 0.5 * cross_length(verts_.get(f->vertex[0]), verts_.get(f->vertex[1]),
                              verts_.get(f->vertex[2]));
}

double KelmMeshFacetSet::getFacetArea(unsigned int i) const {
    return getFacetArea(getFacet(i));
}

double KelmMeshFacetSet::getSurfaceArea() const {
    double area = 0.0;
    const unsigned int n = facets_.size();
    for (unsigned int i = 0; i < n; ++i) area += getFacetArea(facets_[i]);
    return area;
}

// ---- deep copy --------------------------------------------------------------------

void kelm_mesh_copy(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src) {
    kelm_mesh_copy(dst, src, static_cast<const double*>(nullptr));
}

void kelm_mesh_copy(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src, const KelmXform& xform) {
    kelm_mesh_copy(dst, src, xform.data());
}

void kelm_mesh_copy(KelmMeshFacetSet* dst, const KelmMeshFacetSet* src, const double* xform) {
    // Emptying dst first would destroy the source too, so a self-copy is a no-op.
    if (dst == src) return;
    dst->clearFaces();
    dst->clearFacetsOnly();

    // Room for everything up front: the appends below then never move storage.
    const unsigned int nverts = src->verts_.size();
    dst->verts_.capacity(nverts);
    for (unsigned int i = 0; i < nverts; ++i) {
        double p[3];
        if (xform)
            kelm_xform_apply(p, xform, src->verts_.get(i));
        else
            copy3(p, src->verts_.get(i));
        const unsigned int idx = dst->createVertex(p);
        // Facets are copied with their indices untranslated, which is only right
        // while every vertex lands at its own position.
        if (idx != i) {
            kelm_ec()->error("kelm_mesh_copy: have bad vertex: %u != %u", i, idx);
            return;
        }
    }

    const unsigned int nnormals = src->normals_.size();
    dst->normals_.capacity(nnormals);
    for (unsigned int i = 0; i < nnormals; ++i) {
        double n[3];
        if (xform)
            kelm_xform_apply_dir(n, xform, src->normals_.get(i));
        else
            copy3(n, src->normals_.get(i));
        const unsigned int idx = dst->createNormal(n);
        if (idx != i) {
            kelm_ec()->error("kelm_mesh_copy: have bad normal: %u != %u", i, idx);
            return;
        }
    }

    const unsigned int nfacets = src->facets_.size();
    dst->facets_.capacity(nfacets);
    dst->reserveFacets(nfacets);
    for (unsigned int i = 0; i < nfacets; ++i) {
        const KelmMeshFacet* f = src->facets_[i];
        if (f)
            *dst->createFacet(nullptr) = *f;
        else
            dst->appendNullFacet(nullptr);
    }

    const unsigned int nfaces = src->faces_.size();
    dst->faces_.capacity(nfaces);
    for (unsigned int i = 0; i < nfaces; ++i) {
        const KelmMeshFace* face = src->faces_[i];
        if (face)
            dst->createFace()->copy(face);
        else
            dst->faces_.append(nullptr);  // keep the numbering of the faces after it
    }

    dst->manifold_ = src->manifold_;
}
