#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictrano {

// The longest RLE8 or RLE4 stream for width x height pixels: no code costs more than two bytes
// per pixel it covers, and every row ends with the two-byte end-of-line code.
constexpr std::int64_t rleStreamBound(std::int64_t width, std::int64_t height) {
    return (2 * width + 2) * height;
}

// RLE8-encodes `height` index rows (one byte per pixel, rows at the index-row stride) into
// `stream` using encoded runs only; each row ends with 00 00 and no end-of-bitmap code follows.
// Returns the stream length; 0 when the arguments are unusable or no buffer could be allocated.
std::size_t encodeRle8(const std::uint8_t* rows, std::vector<std::uint8_t>& stream, int width,
                       int height);

// RLE4-encodes `height` 4-bit rows (first pixel in the high nibble, rows padded to 4 bytes) into
// `stream`, mixing encoded and absolute runs; each row ends with 00 00 and no end-of-bitmap code
// follows. Returns the stream length; 0 when the arguments are unusable or no buffer could be
// allocated.
std::size_t encodeRle4(const std::uint8_t* rows, std::vector<std::uint8_t>& stream, int width,
                       int height);

}  // namespace pictrano
