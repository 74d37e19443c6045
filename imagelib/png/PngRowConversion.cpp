#include "imagelib/png/PngRowConversion.h"

#include <cstring>

#include "imagelib/png/PngLayout.h"

namespace pictrano {
namespace {

// Samples of 1, 2, 4 or 8 bits, the leftmost pixel in the most significant bits, looked up in
// the palette. Returns false when an index is not below paletteCount.
template <int Depth>
bool convertIndexed(const std::uint8_t* row, std::size_t width, const std::uint8_t* palette,
                    int paletteCount, std::uint8_t* bgr, std::uint8_t* indices) {
    constexpr int kPerByte = 8 / Depth;
    constexpr unsigned kMask = (1u << Depth) - 1;
    unsigned highest = 0;
    for (std::size_t x = 0; x < width; ++x) {
        const unsigned shift = 8 - Depth * (1 + x % kPerByte);
        const unsigned index = (row[x / kPerByte] >> shift) & kMask;
        highest |= index;  // any bit at or above the count's highest bit is caught below
        indices[x] = static_cast<std::uint8_t>(index);
        std::memcpy(bgr + 3 * x, palette + 4 * index, 3);
    }
    if (static_cast<int>(highest) < paletteCount) return true;
    for (std::size_t x = 0; x < width; ++x) {
        if (indices[x] >= paletteCount) return false;
    }
    return true;
}

// Grey from the first byte of each pixel of `stride` bytes (the high byte of a 16-bit sample).
void convertGrey(const std::uint8_t* row, std::size_t width, std::size_t stride,
                 std::uint8_t* bgr) {
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint8_t grey = row[x * stride];
        bgr[3 * x] = grey;
        bgr[3 * x + 1] = grey;
        bgr[3 * x + 2] = grey;
    }
}

// Red, green, blue samples of `sampleBytes` each at the start of each pixel of `stride` bytes.
template <std::size_t SampleBytes, std::size_t Stride>
void convertColour(const std::uint8_t* row, std::size_t width, std::uint8_t* bgr) {
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint8_t* pixel = row + x * Stride;
        bgr[3 * x] = pixel[2 * SampleBytes];
        bgr[3 * x + 1] = pixel[SampleBytes];
        bgr[3 * x + 2] = pixel[0];
    }
}

}  // namespace

bool pngHasIndexPlane(int colourType, int bitDepth) {
    return colourType == kPngIndexed || (colourType == kPngGrey && bitDepth <= 8);
}

bool convertPngRow(const std::uint8_t* row, std::size_t width, int colourType, int bitDepth,
                   const std::uint8_t* palette, int paletteCount, std::uint8_t* bgr,
                   std::uint8_t* indices) {
    if (pngHasIndexPlane(colourType, bitDepth)) {
        switch (bitDepth) {
            case 1: return convertIndexed<1>(row, width, palette, paletteCount, bgr, indices);
            case 2: return convertIndexed<2>(row, width, palette, paletteCount, bgr, indices);
            case 4: return convertIndexed<4>(row, width, palette, paletteCount, bgr, indices);
            default: return convertIndexed<8>(row, width, palette, paletteCount, bgr, indices);
        }
    }
    const bool wide = bitDepth == 16;
    switch (colourType) {
        case kPngGrey:
            convertGrey(row, width, 2, bgr);
            break;  // 16 bits; narrower ones are indexed
        case kPngGreyAlpha: convertGrey(row, width, wide ? 4 : 2, bgr); break;
        case kPngTruecolour:
            wide ? convertColour<2, 6>(row, width, bgr) : convertColour<1, 3>(row, width, bgr);
            break;
        default:
            wide ? convertColour<2, 8>(row, width, bgr) : convertColour<1, 4>(row, width, bgr);
            break;
    }
    return true;
}

}  // namespace pictrano
