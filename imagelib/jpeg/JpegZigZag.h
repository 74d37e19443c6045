#pragma once

#include <array>
#include <cstdint>

namespace pictrano {

// The natural (row-major) position of the k-th coefficient in zig-zag order.
inline constexpr std::array<std::uint8_t, 64> kZigZagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// For each row of a block and each set of its columns (bit x for column x), the zig-zag
// positions of those coefficients as bits: a block's nonzero coefficients found row by row in
// packed form become a mask in zig-zag order by eight lookups.
using ZigZagRowBits = std::array<std::array<std::uint64_t, 256>, 8>;

inline constexpr ZigZagRowBits makeZigZagBitsOfRow() {
    std::array<int, 64> zigZagOf{};
    for (int k = 0; k < 64; ++k) zigZagOf[kZigZagToNatural[static_cast<std::size_t>(k)]] = k;
    ZigZagRowBits bits{};
    for (int row = 0; row < 8; ++row) {
        for (int columns = 0; columns < 256; ++columns) {
            std::uint64_t mask = 0;
            for (int x = 0; x < 8; ++x) {
                if (columns >> x & 1) mask |= std::uint64_t{1} << zigZagOf[static_cast<std::size_t>(row * 8 + x)];
            }
            bits[static_cast<std::size_t>(row)][static_cast<std::size_t>(columns)] = mask;
        }
    }
    return bits;
}

inline constexpr ZigZagRowBits kZigZagBitsOfRow = makeZigZagBitsOfRow();

}  // namespace pictrano
