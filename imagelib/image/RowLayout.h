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

// Rows read where they lie, in a chosen order: the first row read and the signed distance in
// bytes from each row read to the next.
struct RowsView {
    const std::uint8_t* first = nullptr;
    std::int64_t step = 0;

    const std::uint8_t* row(std::int64_t index) const { return first + index * step; }
};

// Rows of `stride` bytes read in the order they are held.
inline RowsView inHeldOrder(const std::uint8_t* rows, std::int64_t stride) {
    return {rows, stride};
}

// Rows of `stride` bytes read last row first: a picture held top row first is read bottom row
// first, the order of a Bitmap file.
inline RowsView lastRowFirst(const std::uint8_t* rows, std::int64_t stride,
                             std::int64_t height) {
    if (rows == nullptr || height < 1) return {};
    return {rows + (height - 1) * stride, -stride};
}

// Index planes: one palette index per pixel.
constexpr std::int64_t indexRowStride(std::int64_t width) { return (width + 3) / 4 * 4; }

// The largest picture the library builds, 256 MiB: its 24-bit rows, for palette pictures its
// index plane, and what a decoder holds beside them for the picture (`besideBytes`) take at most
// this many bytes together; `rowCopies` counts the 24-bit rows more than once where a decoder
// holds them in more than one form. 89 million pixels, or 67 million with an index plane: room
// for the picture and a file made from it in a 32-bit process. Larger claims get the memory
// message before anything is allocated.
constexpr std::int64_t kMaxPictureBytes = std::int64_t{1} << 28;

constexpr bool pictureFitsLimits(std::int64_t width, std::int64_t height, bool indexPlane = false,
                                 int rowCopies = 1, std::int64_t besideBytes = 0) {
    return width >= 1 && height >= 1 && width <= kMaxPictureBytes && height <= kMaxPictureBytes &&
           besideBytes >= 0 && besideBytes <= kMaxPictureBytes &&
           (pixelRowStride(width) * rowCopies + (indexPlane ? indexRowStride(width) : 0)) *
                       height +
                   besideBytes <=
               kMaxPictureBytes;
}

}  // namespace pictrano
