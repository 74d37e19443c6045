#pragma once

#include <cstdint>

namespace pictrano {

// The colour types of a PNG image header.
enum PngColourType : int {
    kPngGrey = 0,
    kPngTruecolour = 2,
    kPngIndexed = 3,
    kPngGreyAlpha = 4,
    kPngTruecolourAlpha = 6,
};

// Samples per pixel of a colour type; 0 for a value that is no colour type.
constexpr int pngSamplesPerPixel(int colourType) {
    switch (colourType) {
        case kPngGrey:
        case kPngIndexed: return 1;
        case kPngGreyAlpha: return 2;
        case kPngTruecolour: return 3;
        case kPngTruecolourAlpha: return 4;
        default: return 0;
    }
}

// Whether a PNG file may hold this bit depth with this colour type.
constexpr bool pngDepthAllowed(int colourType, int bitDepth) {
    switch (colourType) {
        case kPngGrey:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 ||
                   bitDepth == 16;
        case kPngIndexed: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
        case kPngTruecolour:
        case kPngGreyAlpha:
        case kPngTruecolourAlpha: return bitDepth == 8 || bitDepth == 16;
        default: return false;
    }
}

// The bytes of one unfiltered row: every sample packed, the last byte padded with zero bits.
constexpr std::int64_t pngRowBytes(std::int64_t width, int colourType, int bitDepth) {
    return (width * pngSamplesPerPixel(colourType) * bitDepth + 7) / 8;
}

// The distance to the corresponding byte of the pixel to the left, as the row filters use it:
// the bytes of a whole pixel, at least 1.
constexpr int pngFilterStep(int colourType, int bitDepth) {
    const int bits = pngSamplesPerPixel(colourType) * bitDepth;
    return bits < 8 ? 1 : bits / 8;
}

// One of the seven Adam7 passes: its first column and row and its column and row steps.
struct Adam7Pass {
    int firstColumn;
    int firstRow;
    int columnStep;
    int rowStep;

    std::int64_t columns(std::int64_t width) const {
        return (width + columnStep - 1 - firstColumn) / columnStep;
    }
    std::int64_t rows(std::int64_t height) const {
        return (height + rowStep - 1 - firstRow) / rowStep;
    }
};

inline constexpr Adam7Pass kAdam7Passes[7] = {
    {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2},
};

// The bytes of the filtered image data, one filter byte before every row: of the whole picture
// when not interlaced, of the non-empty Adam7 passes in turn when interlaced.
constexpr std::int64_t pngFilteredBytes(std::int64_t width, std::int64_t height, int colourType,
                                        int bitDepth, bool interlaced) {
    if (!interlaced) return (pngRowBytes(width, colourType, bitDepth) + 1) * height;
    std::int64_t total = 0;
    for (const Adam7Pass& pass : kAdam7Passes) {
        const std::int64_t columns = pass.columns(width);
        const std::int64_t rows = pass.rows(height);
        if (columns > 0 && rows > 0) {
            total += (pngRowBytes(columns, colourType, bitDepth) + 1) * rows;
        }
    }
    return total;
}

}  // namespace pictrano
