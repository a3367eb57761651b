#ifndef KELMMATH_CORE_CONTAINERS_H
#define KELMMATH_CORE_CONTAINERS_H

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "kelmmath/kelmmath_export.h"

// Growable arrays of trivially copyable elements, read and written in place.
//
//   size()/size(n)          number of elements; size(n) needs n <= capacity()
//   capacity()/capacity(n)  storage for at least n elements, contents kept; never
//                           shrinks, except that capacity(0) releases the storage
//                           (and empties the array)
//   expand(n)               grows the capacity by at least n
//   append(x)               adds x at the end, growing as needed
//   operator[](i), data()   element access without range checks
//
// Copies own their own storage. Moving leaves the source empty.
namespace kelm_detail {

// Storage management shared by the three array types (defined in containers.cpp).
KELMMATH_API void* grow_storage(void* data, unsigned old_count, unsigned new_count,
                                std::size_t elem_size);
KELMMATH_API void free_storage(void* data);

template <class T>
class basic_array {
public:
    basic_array() = default;
    basic_array(const basic_array& other) { assign(other); }
    basic_array(basic_array&& other) noexcept
        : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
        other.data_ = nullptr;
        other.size_ = other.capacity_ = 0;
    }
    basic_array& operator=(const basic_array& other) {
        if (this != &other) {
            size_ = 0;
            assign(other);
        }
        return *this;
    }
    basic_array& operator=(basic_array&& other) noexcept {
        if (this != &other) {
            free_storage(data_);
            data_ = other.data_;
            size_ = other.size_;
            capacity_ = other.capacity_;
            other.data_ = nullptr;
            other.size_ = other.capacity_ = 0;
        }
        return *this;
    }
    ~basic_array() { free_storage(data_); }

    unsigned size() const { return size_; }
    void size(unsigned n) { size_ = n; }
    unsigned capacity() const { return capacity_; }
    void capacity(unsigned n) {
        if (n == 0) {
            free_storage(data_);
            data_ = nullptr;
            size_ = capacity_ = 0;
        } else if (n > capacity_) {
            reserve(n);
        }
    }
    void expand(unsigned n) {
        // Geometric growth keeps a run of expand() calls amortised linear.
        unsigned step = capacity_ / 2;
        reserve(capacity_ + (n > step ? n : (step == 0 ? 1u : step)));
    }
    void append(T x) {
        if (size_ == capacity_) reserve(capacity_ < 8 ? 8 : capacity_ + capacity_ / 2);
        data_[size_++] = x;
    }
    T& operator[](unsigned i) { return data_[i]; }
    T operator[](unsigned i) const { return data_[i]; }
    T* data() { return data_; }
    const T* data() const { return data_; }

protected:
    void reserve(unsigned n) {
        data_ = static_cast<T*>(grow_storage(data_, size_, n, sizeof(T)));
        capacity_ = n;
    }
    void assign(const basic_array& other) {
        if (other.size_ > capacity_) reserve(other.size_);
        for (unsigned i = 0; i < other.size_; ++i) data_[i] = other.data_[i];
        size_ = other.size_;
    }

    T* data_ = nullptr;
    unsigned size_ = 0;
    unsigned capacity_ = 0;
};

}  // namespace kelm_detail

// Growable array of pointers.
class kelm_vector : public kelm_detail::basic_array<void*> {
public:
    // Takes out the first element equal to p, closing the gap; nothing when absent.
    void remove(void* p) {
        for (unsigned i = 0; i < size_; ++i) {
            if (data_[i] == p) {
                for (unsigned k = i + 1; k < size_; ++k) data_[k - 1] = data_[k];
                --size_;
                return;
            }
        }
    }
};

// Growable array of unsigned int.
class kelm_uint_vector : public kelm_detail::basic_array<unsigned int> {};

// Growable array of double.
class kelm_real_vector : public kelm_detail::basic_array<double> {};

// A list of reals handed to the library by pointer (a null pointer is allowed
// wherever a ListOfDouble* is taken).
class ListOfDouble {
public:
    ListOfDouble() = default;
    ListOfDouble(std::initializer_list<double> values) : values_(values) {}
    ListOfDouble(const double* values, unsigned count)
        : values_(values, values + (values ? count : 0)) {}

    const double* _data() const { return values_.empty() ? nullptr : values_.data(); }
    unsigned count() const { return static_cast<unsigned>(values_.size()); }

private:
    std::vector<double> values_;
};

#endif  // KELMMATH_CORE_CONTAINERS_H
