#pragma once
// Checks on whole images and byte blocks that tests share.
#include "image/pager_image.h"

#include <cstddef>
#include <cstdint>

namespace kpr::test {

// CRC-32 (IEEE, as zlib), to compare a block with a checksum worked out once apart from the
// code.
inline uint32_t crc32(const uint8_t* p, std::size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// The first address where the images differ, or -1 when they are equal.
inline int first_difference(const PagerImage& a, const PagerImage& b) {
    for (int i = 0; i < ImageSize; ++i)
        if (a[i] != b[i])
            return i;
    return -1;
}

} // namespace kpr::test
