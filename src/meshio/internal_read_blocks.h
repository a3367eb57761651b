#ifndef KELMMATH_MESHIO_INTERNAL_READ_BLOCKS_H
#define KELMMATH_MESHIO_INTERNAL_READ_BLOCKS_H

#include <algorithm>
#include <cstddef>

namespace kelm_internal {

// The file readers hand the file to the parser in blocks that grow with what has been
// read: 64 KiB at first, then a quarter of the bytes read so far, up to 64 MiB. A token
// that a block leaves unfinished (a long attribute value, say) is scanned again from its
// start when the next block arrives; with blocks growing geometrically the token is
// scanned about five times in all, where fixed small blocks would take time quadratic
// in its length (expat versions that defer such re-scans need no help, older ones do).
// Where the blocks end changes neither the events nor the positions expat reports.
// The benchmark feeds expat's bare parse the same blocks.
constexpr std::size_t kFirstReadBlock = 64 * 1024;
constexpr std::size_t kLargestReadBlock = 64 * 1024 * 1024;

inline std::size_t next_read_block(std::size_t read_so_far) {
    return std::min(kLargestReadBlock, std::max(kFirstReadBlock, read_so_far / 4));
}

}  // namespace kelm_internal

#endif  // KELMMATH_MESHIO_INTERNAL_READ_BLOCKS_H
