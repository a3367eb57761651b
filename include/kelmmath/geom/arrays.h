#ifndef KELMMATH_GEOM_ARRAYS_H
#define KELMMATH_GEOM_ARRAYS_H

#include "kelmmath/core/containers.h"
#include "kelmmath/geom/points.h"
#include "kelmmath/kelmmath_export.h"

// Growable arrays of 3D and 2D points (or directions), stored flat as doubles.
//
// KelmReal3DArray keeps point i in the doubles 3i, 3i+1, 3i+2 (x, y, z);
// KelmReal2DArray keeps it in 2i, 2i+1 (x, y). An array is its kelm_real_vector
// and nothing else: counts and indices are in points (the size or capacity in
// doubles divided by the point width), storage management is the vector's.
//
//   size(), capacity()     number of points stored / room for, in points
//   size(n)                readies storage for n points and makes the size n;
//                          points added this way read as zeros
//   capacity(n), expand(n) readies storage for n points / grows the capacity by
//                          at least n points; the contents are kept. Storage
//                          never shrinks, except that size(0) and capacity(0)
//                          release it (and leave the array with no points)
//   empty()                size 0; the storage and the capacity stay
//   operator[](i), get(i)  pointer to the first double of point i
//   as_point(i), as_dir(i) a point or direction reference laid over the same
//                          doubles: writing through it writes the array
//   append(p)              adds p at the end
//   put(p, i)              overwrites point i with p
//   insert(p, i)           inserts p before point i; an index at or past the
//                          end appends
//   remove(i)              takes out point i, closing the gap; nothing when i is
//                          at or past the end; the storage is not shrunk
//
// A null point pointer given to append, put or insert stands for the zero point.
// The point given may lie inside the array itself (arr.append(arr[0]) is fine):
// its components are read before the storage changes.
//
// Element access and put do not check the index: i must be below size(). The
// pointers and references they hand out become invalid when the storage moves,
// i.e. after any operation that can grow the array (size, capacity, expand,
// append, insert).
//
// Copying an array copies its points into storage of its own. Moving copies
// too: the source of a move keeps its points.
class KELMMATH_API KelmReal3DArray {
public:
    KelmReal3DArray();
    KelmReal3DArray(const KelmReal3DArray& other);
    KelmReal3DArray(KelmReal3DArray&& other);
    KelmReal3DArray& operator=(const KelmReal3DArray& other);
    KelmReal3DArray& operator=(KelmReal3DArray&& other);
    ~KelmReal3DArray();

    unsigned int size() const { return reals_.size() / 3; }
    void size(unsigned int n);
    unsigned int capacity() const { return reals_.capacity() / 3; }
    void capacity(unsigned int n);
    void expand(unsigned int n);
    void empty();

    double* operator[](unsigned int i) { return reals_.data() + 3 * i; }
    const double* get(unsigned int i) const { return reals_.data() + 3 * i; }
    KelmPoint& as_point(unsigned int i) { return *reinterpret_cast<KelmPoint*>((*this)[i]); }
    const KelmPoint& as_point(unsigned int i) const {
        return *reinterpret_cast<const KelmPoint*>(get(i));
    }
    KelmDirection& as_dir(unsigned int i) { return *reinterpret_cast<KelmDirection*>((*this)[i]); }
    const KelmDirection& as_dir(unsigned int i) const {
        return *reinterpret_cast<const KelmDirection*>(get(i));
    }

    // All stored doubles in place (3 per point); null while nothing is allocated.
    double* data() { return reals_.data(); }
    const double* data() const { return reals_.data(); }

    void append(const double* const p);
    void append(const KelmPoint& p);
    void append(const KelmDirection& p);
    void append(double x, double y, double z);

    void put(const double* const p, unsigned int i);
    void put(const KelmPoint& p, unsigned int i);
    void put(const KelmDirection& p, unsigned int i);
    void put(double x, double y, double z, unsigned int i);

    void insert(const double* const p, unsigned int i);
    void insert(const KelmPoint& p, unsigned int i);
    void insert(const KelmDirection& p, unsigned int i);
    void insert(double x, double y, double z, unsigned int i);

    void remove(unsigned int i);

private:
    kelm_real_vector reals_;
};

class KELMMATH_API KelmReal2DArray {
public:
    KelmReal2DArray();
    KelmReal2DArray(const KelmReal2DArray& other);
    KelmReal2DArray(KelmReal2DArray&& other);
    KelmReal2DArray& operator=(const KelmReal2DArray& other);
    KelmReal2DArray& operator=(KelmReal2DArray&& other);
    ~KelmReal2DArray();

    unsigned int size() const { return reals_.size() / 2; }
    void size(unsigned int n);
    unsigned int capacity() const { return reals_.capacity() / 2; }
    void capacity(unsigned int n);
    void expand(unsigned int n);
    void empty();

    double* operator[](unsigned int i) { return reals_.data() + 2 * i; }
    const double* get(unsigned int i) const { return reals_.data() + 2 * i; }
    KelmPoint2D& as_point(unsigned int i) { return *reinterpret_cast<KelmPoint2D*>((*this)[i]); }
    const KelmPoint2D& as_point(unsigned int i) const {
        return *reinterpret_cast<const KelmPoint2D*>(get(i));
    }
    KelmDirection2D& as_dir(unsigned int i) {
        return *reinterpret_cast<KelmDirection2D*>((*this)[i]);
    }
    const KelmDirection2D& as_dir(unsigned int i) const {
        return *reinterpret_cast<const KelmDirection2D*>(get(i));
    }

    // All stored doubles in place (2 per point); null while nothing is allocated.
    double* data() { return reals_.data(); }
    const double* data() const { return reals_.data(); }

    void append(const double* const p);
    void append(const KelmPoint2D& p);
    void append(const KelmDirection2D& p);
    void append(double x, double y);

    void put(const double* const p, unsigned int i);
    void put(const KelmPoint2D& p, unsigned int i);
    void put(const KelmDirection2D& p, unsigned int i);
    void put(double x, double y, unsigned int i);

    void insert(const double* const p, unsigned int i);
    void insert(const KelmPoint2D& p, unsigned int i);
    void insert(const KelmDirection2D& p, unsigned int i);
    void insert(double x, double y, unsigned int i);

    void remove(unsigned int i);

private:
    kelm_real_vector reals_;
};

static_assert(sizeof(KelmReal3DArray) == sizeof(kelm_real_vector),
              "KelmReal3DArray must be exactly its kelm_real_vector");
static_assert(sizeof(KelmReal2DArray) == sizeof(kelm_real_vector),
              "KelmReal2DArray must be exactly its kelm_real_vector");

#endif  // KELMMATH_GEOM_ARRAYS_H
