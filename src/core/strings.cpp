#include "kelmmath/core/strings.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

// The shared buffer: a reference count followed by the terminated text.
struct KelmStringObject::Buffer {
    std::atomic<unsigned> refs;
    unsigned length;
    char text[1];

    static Buffer* make(const char* s, unsigned n) {
        void* raw = std::malloc(sizeof(Buffer) + n);
        if (raw == nullptr) throw std::bad_alloc();
        Buffer* b = new (raw) Buffer;
        b->refs.store(1, std::memory_order_relaxed);
        b->length = n;
        std::memcpy(b->text, s, n);
        b->text[n] = '\0';
        return b;
    }
};


KelmStringObject::KelmStringObject() : buffer_(nullptr) {}

KelmStringObject::KelmStringObject(const char* text) : buffer_(nullptr) { copy(text); }

KelmStringObject::KelmStringObject(const KelmStringObject& other) : buffer_(other.buffer_) {
    if (buffer_) buffer_->refs.fetch_add(1, std::memory_order_relaxed);
}

KelmStringObject::KelmStringObject(KelmStringObject&& other) noexcept : buffer_(other.buffer_) {
    other.buffer_ = nullptr;
}

KelmStringObject& KelmStringObject::operator=(const KelmStringObject& other) {
    copy(other);
    return *this;
}

KelmStringObject& KelmStringObject::operator=(KelmStringObject&& other) noexcept {
    if (this != &other) {
        release();
        buffer_ = other.buffer_;
        other.buffer_ = nullptr;
    }
    return *this;
}

KelmStringObject& KelmStringObject::operator=(const char* text) {
    copy(text);
    return *this;
}

KelmStringObject::~KelmStringObject() { release(); }

void KelmStringObject::release() {
    if (buffer_ && buffer_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        buffer_->~Buffer();
        std::free(buffer_);
    }
    buffer_ = nullptr;
}

void KelmStringObject::copy(const char* text) {
    // Build the new buffer first: text may point into the current one.
    Buffer* fresh = nullptr;
    if (text != nullptr && text[0] != '\0') {
        fresh = Buffer::make(text, static_cast<unsigned>(std::strlen(text)));
    }
    release();
    buffer_ = fresh;
}

void KelmStringObject::copy(const KelmStringObject& other) {
    if (other.buffer_ == buffer_) return;
    Buffer* shared = other.buffer_;
    if (shared) shared->refs.fetch_add(1, std::memory_order_relaxed);
    release();
    buffer_ = shared;
}

void KelmStringObject::stop_sharing() {
    if (buffer_ && buffer_->refs.load(std::memory_order_acquire) > 1) {
        Buffer* own = Buffer::make(buffer_->text, buffer_->length);
        release();
        buffer_ = own;
    }
}

const char* KelmStringObject::str() const { return buffer_ ? buffer_->text : nullptr; }

unsigned KelmStringObject::length() const { return buffer_ ? buffer_->length : 0; }
