#include "kelmmath/geom/arrays.h"

#include <algorithm>

#include "geom/internal_geom.h"

namespace {

// The point operations of both arrays, written once over the point width D. The
// array is its kelm_real_vector; counts below are in points unless named
// otherwise.

// Copies the D components of p (zeros for a null p) before anything can move the
// storage p may point into.
template <unsigned D>
void read_point(double (&q)[D], const double* p) {
    const double* src = kelm_internal::or_zero(p);
    for (unsigned c = 0; c < D; ++c) q[c] = src[c];
}

template <unsigned D>
void append_point(kelm_real_vector& reals, const double* p) {
    double q[D];
    read_point<D>(q, p);
    for (unsigned c = 0; c < D; ++c) reals.append(q[c]);
}

template <unsigned D>
void put_point(kelm_real_vector& reals, const double* p, unsigned i) {
    double q[D];
    read_point<D>(q, p);
    std::copy(q, q + D, reals.data() + D * i);
}

template <unsigned D>
void insert_point(kelm_real_vector& reals, const double* p, unsigned i) {
    double q[D];
    read_point<D>(q, p);
    const unsigned n = reals.size() / D;
    if (n == 0 || i >= n) {
        // An index at or past the end appends.
        for (unsigned c = 0; c < D; ++c) reals.append(q[c]);
        return;
    }
    while (n >= reals.capacity() / D) reals.expand(D);
    reals.capacity(D * (n + 1));
    reals.size(D * (n + 1));
    double* d = reals.data();
    // The ranges overlap: copy from the top so nothing is overwritten unread.
    std::copy_backward(d + D * i, d + D * n, d + D * (n + 1));
    std::copy(q, q + D, d + D * i);
}

template <unsigned D>
void remove_point(kelm_real_vector& reals, unsigned i) {
    const unsigned n = reals.size() / D;
    if (i >= n) return;
    double* d = reals.data();
    std::copy(d + D * (i + 1), d + D * n, d + D * i);
    // No capacity call: the storage already holds n points, and capacity(0) would
    // release it when the last point goes, while removal never shrinks storage.
    reals.size(D * (n - 1));
}

template <unsigned D>
void resize_points(kelm_real_vector& reals, unsigned n) {
    const unsigned old_size = reals.size();
    reals.capacity(D * n);
    // Points that come into view read as zeros rather than as whatever the
    // storage held.
    if (D * n > old_size) std::fill(reals.data() + old_size, reals.data() + D * n, 0.0);
    reals.size(D * n);
}

}  // namespace

// ---------------------------------------------------------------------------
// KelmReal3DArray

KelmReal3DArray::KelmReal3DArray() = default;
KelmReal3DArray::KelmReal3DArray(const KelmReal3DArray& other) : reals_(other.reals_) {}
// Moving copies: the source keeps its points.
KelmReal3DArray::KelmReal3DArray(KelmReal3DArray&& other) : reals_(other.reals_) {}
KelmReal3DArray& KelmReal3DArray::operator=(const KelmReal3DArray& other) {
    reals_ = other.reals_;
    return *this;
}
KelmReal3DArray& KelmReal3DArray::operator=(KelmReal3DArray&& other) {
    reals_ = other.reals_;
    return *this;
}
KelmReal3DArray::~KelmReal3DArray() = default;

void KelmReal3DArray::size(unsigned int n) {
    resize_points<3>(reals_, n);
}
void KelmReal3DArray::capacity(unsigned int n) {
    reals_.capacity(3 * n);
}
void KelmReal3DArray::expand(unsigned int n) {
    reals_.expand(3 * n);
}
void KelmReal3DArray::empty() {
    reals_.size(0);
}

void KelmReal3DArray::append(const double* const p) {
    append_point<3>(reals_, p);
}
void KelmReal3DArray::append(const KelmPoint& p) {
    append(p.data());
}
void KelmReal3DArray::append(const KelmDirection& p) {
    append(p.data());
}
void KelmReal3DArray::append(double x, double y, double z) {
    const double p[3] = {x, y, z};
    append(p);
}

void KelmReal3DArray::put(const double* const p, unsigned int i) {
    put_point<3>(reals_, p, i);
}
void KelmReal3DArray::put(const KelmPoint& p, unsigned int i) {
    put(p.data(), i);
}
void KelmReal3DArray::put(const KelmDirection& p, unsigned int i) {
    put(p.data(), i);
}
void KelmReal3DArray::put(double x, double y, double z, unsigned int i) {
    const double p[3] = {x, y, z};
    put(p, i);
}

void KelmReal3DArray::insert(const double* const p, unsigned int i) {
    insert_point<3>(reals_, p, i);
}
void KelmReal3DArray::insert(const KelmPoint& p, unsigned int i) {
    insert(p.data(), i);
}
void KelmReal3DArray::insert(const KelmDirection& p, unsigned int i) {
    insert(p.data(), i);
}
void KelmReal3DArray::insert(double x, double y, double z, unsigned int i) {
    const double p[3] = {x, y, z};
    insert(p, i);
}

void KelmReal3DArray::remove(unsigned int i) {
    remove_point<3>(reals_, i);
}

// ---------------------------------------------------------------------------
// KelmReal2DArray

KelmReal2DArray::KelmReal2DArray() = default;
KelmReal2DArray::KelmReal2DArray(const KelmReal2DArray& other) : reals_(other.reals_) {}
// Moving copies: the source keeps its points.
KelmReal2DArray::KelmReal2DArray(KelmReal2DArray&& other) : reals_(other.reals_) {}
KelmReal2DArray& KelmReal2DArray::operator=(const KelmReal2DArray& other) {
    reals_ = other.reals_;
    return *this;
}
KelmReal2DArray& KelmReal2DArray::operator=(KelmReal2DArray&& other) {
    reals_ = other.reals_;
    return *this;
}
KelmReal2DArray::~KelmReal2DArray() = default;

void KelmReal2DArray::size(unsigned int n) {
    resize_points<2>(reals_, n);
}
void KelmReal2DArray::capacity(unsigned int n) {
    reals_.capacity(2 * n);
}
void KelmReal2DArray::expand(unsigned int n) {
    reals_.expand(2 * n);
}
void KelmReal2DArray::empty() {
    reals_.size(0);
}

void KelmReal2DArray::append(const double* const p) {
    append_point<2>(reals_, p);
}
void KelmReal2DArray::append(const KelmPoint2D& p) {
    append(p.data());
}
void KelmReal2DArray::append(const KelmDirection2D& p) {
    append(p.data());
}
void KelmReal2DArray::append(double x, double y) {
    const double p[2] = {x, y};
    append(p);
}

void KelmReal2DArray::put(const double* const p, unsigned int i) {
    put_point<2>(reals_, p, i);
}
void KelmReal2DArray::put(const KelmPoint2D& p, unsigned int i) {
    put(p.data(), i);
}
void KelmReal2DArray::put(const KelmDirection2D& p, unsigned int i) {
    put(p.data(), i);
}
void KelmReal2DArray::put(double x, double y, unsigned int i) {
    const double p[2] = {x, y};
    put(p, i);
}

void KelmReal2DArray::insert(const double* const p, unsigned int i) {
    insert_point<2>(reals_, p, i);
}
void KelmReal2DArray::insert(const KelmPoint2D& p, unsigned int i) {
    insert(p.data(), i);
}
void KelmReal2DArray::insert(const KelmDirection2D& p, unsigned int i) {
    insert(p.data(), i);
}
void KelmReal2DArray::insert(double x, double y, unsigned int i) {
    const double p[2] = {x, y};
    insert(p, i);
}

void KelmReal2DArray::remove(unsigned int i) {
    remove_point<2>(reals_, i);
}
