#pragma once

#include <cstdint>

namespace pictrano {

// Row strides, padded to multiples of 4 bytes. Computed in 64 bits so that sizes taken from a
// file cannot overflow; callers check the results against the picture limits.
constexpr std::int64_t packedRowStride(std::int64_t width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// 24-bit rows: blue, green, red per pixel.
constexpr std::int64_t pixelRowStride(std::int64_t width) { return (3 * width + 3) / 4 * 4; }

// Index planes: one palette index per pixel.
constexpr std::int64_t indexRowStride(std::int64_t width) { return (width + 3) / 4 * 4; }

// The largest picture the library builds: its 24-bit rows take at most this many bytes. Larger
// claims get the memory message instead of an allocation that could not succeed.
constexpr std::int64_t kMaxPixelBytes = std::int64_t{1} << 28;

constexpr bool pictureFitsLimits(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxPixelBytes && height <= kMaxPixelBytes &&
           pixelRowStride(width) * height <= kMaxPixelBytes;
}

}  // namespace pictrano
