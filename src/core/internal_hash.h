#ifndef KELMMATH_SRC_CORE_INTERNAL_HASH_H
#define KELMMATH_SRC_CORE_INTERNAL_HASH_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kelm_internal {

// Open-addressing hash from 64-bit keys to values: linear probing from a
// multiplicative hash, at most half full. The key ~0 marks a free slot and is
// never stored. Which slot a key lands in never shows in an answer.
template <class V>
class U64Map {
public:
    static constexpr std::uint64_t kFree = ~0ull;

    // The value stored for key, or null.
    const V* find(std::uint64_t key) const {
        if (keys_.empty()) return nullptr;
        for (std::size_t i = slot(key);; i = (i + 1) & mask_) {
            if (keys_[i] == key) return &values_[i];
            if (keys_[i] == kFree) return nullptr;
        }
    }

    // The value stored for key, stored as value first if there was none; second
    // tells whether it was stored now.
    std::pair<V*, bool> insert(std::uint64_t key, V value) {
        if (2 * (count_ + 1) > keys_.size()) rehash(keys_.empty() ? 64 : 2 * keys_.size());
        return place(key, value);
    }

    // Room for n keys without growing.
    void reserve(std::size_t n) {
        std::size_t size = keys_.empty() ? 64 : keys_.size();
        while (size < 2 * (n + 1)) size *= 2;
        if (size > keys_.size()) rehash(size);
    }

private:
    std::size_t slot(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_) & mask_;
    }

    std::pair<V*, bool> place(std::uint64_t key, V value) {
        for (std::size_t i = slot(key);; i = (i + 1) & mask_) {
            if (keys_[i] == key) return {&values_[i], false};
            if (keys_[i] == kFree) {
                keys_[i] = key;
                values_[i] = value;
                ++count_;
                return {&values_[i], true};
            }
        }
    }

    void rehash(std::size_t size) {  // size: a power of two
        std::vector<std::uint64_t> old_keys;
        std::vector<V> old_values;
        old_keys.swap(keys_);
        old_values.swap(values_);
        keys_.assign(size, kFree);
        values_.assign(size, V());
        mask_ = size - 1;
        shift_ = 64;
        for (std::size_t s = size; s > 1; s >>= 1) --shift_;
        count_ = 0;
        for (std::size_t i = 0; i < old_keys.size(); ++i)
            if (old_keys[i] != kFree) place(old_keys[i], old_values[i]);
    }

    std::vector<std::uint64_t> keys_;
    std::vector<V> values_;
    std::size_t mask_ = 0;
    unsigned shift_ = 64;
    std::size_t count_ = 0;
};

}  // namespace kelm_internal

#endif  // KELMMATH_SRC_CORE_INTERNAL_HASH_H
