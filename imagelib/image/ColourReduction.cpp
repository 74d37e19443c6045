// Colour reduction to 2, 16 or 256 colours with fixed, grey or lattice palettes.
#include "imagelib/image/ColourReduction.h"

#include <algorithm>
#include <array>
#include <new>

#include "imagelib/bmp/RleEncoder.h"
#include "imagelib/image/ColourLattice.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

// The fixed 16-colour palette as blue, green, red, 0.
constexpr std::array<std::uint8_t, 64> kFixedPalette = {
    0,   0,   0,   0, 128, 128, 128, 0, 192, 192, 192, 0, 255, 255, 255, 0,
    0,   0,   128, 0, 0,   0,   255, 0, 0,   128, 128, 0, 0,   255, 255, 0,
    0,   128, 0,   0, 0,   255, 0,   0, 128, 128, 0,   0, 255, 255, 0,   0,
    128, 0,   0,   0, 255, 0,   0,   0, 128, 0,   128, 0, 255, 0,   255, 0,
};

// Luminance 0.114 blue + 0.587 green + 0.299 red in IEEE double, added left to right and never
// fused (the build forbids contraction), so that every build truncates it to the same index.
// Being binary fractions, the weights leave some exact greys just under their value (grey 127
// gives 126.99999999999999); those bytes are part of the output and are kept.
double luminance(const std::uint8_t* bgr) {
    return 0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2];
}

// Puts a palette index at column x of an output row of 1, 4 or 8 bits per pixel, first pixel in
// the most significant bits. The row starts zeroed.
void storeIndex(std::uint8_t* row, int x, int bitCount, int index) {
    switch (bitCount) {
        case 1: row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | index << (7 - x % 8)); break;
        case 4:
            row[x / 2] = static_cast<std::uint8_t>(row[x / 2] | index << (x % 2 ? 0 : 4));
            break;
        default: row[x] = static_cast<std::uint8_t>(index); break;
    }
}

// Black (0) or white (1), whichever is strictly nearer; a tie goes to black.
int blackOrWhite(const std::uint8_t* bgr) {
    int toWhite = 0;
    int toBlack = 0;
    for (int c = 0; c < 3; ++c) {
        toWhite += (255 - bgr[c]) * (255 - bgr[c]);
        toBlack += bgr[c] * bgr[c];
    }
    return toWhite < toBlack ? 1 : 0;
}

// Dark colours (the brightest channel under 160): a channel counts from 64.
int darkColourIndex(bool red, bool green, bool blue) {
    if (red && green) return 6;
    if (red) return blue ? 14 : 4;
    if (green) return blue ? 10 : 8;
    return 12;
}

// Colours that are neither dark nor light: a channel counts from 160.
int strongColourIndex(bool red, bool green, bool blue) {
    if (red) return green ? 7 : (blue ? 15 : 5);
    if (green) return blue ? 11 : 9;
    return blue ? 13 : 3;
}

// The fixed-palette index of a colour by the decision list on its channels, with no search.
int fixedPaletteIndex(int red, int green, int blue) {
    const int lo = std::min({red, green, blue});
    const int hi = std::max({red, green, blue});
    if (hi < 64) return 0;
    if (lo >= 64 && hi < 160) return 1;
    if (lo >= 160 && hi < 224) return 2;
    if (lo >= 224) return 3;
    if (hi < 160) return darkColourIndex(red >= 64, green >= 64, blue >= 64);
    if (lo >= 160) {
        // Light colours: a channel counts from 224.
        const bool r = red >= 224;
        const bool g = green >= 224;
        const bool b = blue >= 224;
        if (r && g) return 7;
        if (r) return blue >= 192 ? 15 : 5;
        if (g) return b ? 11 : 9;
        if (b) return 13;
    }
    return strongColourIndex(red >= 160, green >= 160, blue >= 160);
}

std::vector<std::uint8_t> greyPalette(int entries) {
    std::vector<std::uint8_t> palette;
    palette.reserve(4 * static_cast<std::size_t>(entries));
    const int step = 255 / (entries - 1);
    for (int j = 0; j < entries; ++j) {
        const auto grey = static_cast<std::uint8_t>(j * step);
        palette.insert(palette.end(), {grey, grey, grey, 0});
    }
    return palette;
}

// Zeroed rows of the result's bit count.
void allocateRows(ReducedPicture& result, int width, int height) {
    const std::int64_t stride = packedRowStride(width, result.bitCount);
    result.bits.assign(static_cast<std::size_t>(stride * height), 0);
}

// Maps every pixel on its own to the index `indexOf` gives it.
template <typename IndexOf>
void mapPixels(RowsView rows, int width, int height, ReducedPicture& result, IndexOf indexOf) {
    allocateRows(result, width, height);
    const std::int64_t toStride = packedRowStride(width, result.bitCount);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* from = rows.row(y);
        std::uint8_t* to = result.bits.data() + y * toStride;
        for (int x = 0; x < width; ++x) storeIndex(to, x, result.bitCount, indexOf(from + 3 * x));
    }
}

// 16 grey levels, error-diffused: each pixel's luminance is corrected by one eighth of the sum of
// the errors left by its left neighbour and by the pixel above it.
void diffuseGrey16(RowsView rows, int width, int height, ReducedPicture& result) {
    allocateRows(result, width, height);
    const std::int64_t toStride = packedRowStride(width, 4);
    std::vector<int> errorRow(static_cast<std::size_t>(width), 0);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* from = rows.row(y);
        std::uint8_t* to = result.bits.data() + y * toStride;
        int leftError = 0;
        for (int x = 0; x < width; ++x) {
            const double m =
                std::clamp((leftError + errorRow[x]) / 8.0 + luminance(from + 3 * x), 0.0, 255.0);
            const int level = static_cast<int>(m + 8) / 17;
            const int error = static_cast<int>(m) - 17 * level;
            errorRow[x] = error;
            leftError = error;
            storeIndex(to, x, 4, level);
        }
    }
}

void reduceToTwo(RowsView rows, int width, int height, ReducedPicture& result) {
    result.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    result.bitCount = 1;
    mapPixels(rows, width, height, result, blackOrWhite);
}

void reduceToSixteen(RowsView rows, int width, int height, bool grey,
                     ReducedPicture& result) {
    result.bitCount = 4;
    if (grey) {
        result.palette = greyPalette(16);
        diffuseGrey16(rows, width, height, result);
        return;
    }
    result.palette.assign(kFixedPalette.begin(), kFixedPalette.end());
    mapPixels(rows, width, height, result,
              [](const std::uint8_t* bgr) { return fixedPaletteIndex(bgr[2], bgr[1], bgr[0]); });
}

void reduceTo256(RowsView rows, int width, int height, bool grey,
                 std::uint32_t packedLattice, ReducedPicture& result) {
    result.bitCount = 8;
    if (grey) {
        result.palette = greyPalette(256);
        mapPixels(rows, width, height, result,
                  [](const std::uint8_t* bgr) { return static_cast<int>(luminance(bgr)); });
        return;
    }
    const ColourLattice lattice = usableLattice(packedLattice);
    result.palette = latticePalette(lattice);
    mapPixels(rows, width, height, result,
              [&lattice](const std::uint8_t* bgr) { return latticeIndex(lattice, bgr); });
}

// Replaces the rows by their RLE4 (16 colours) or RLE8 (256 colours) stream.
bool encodeRuns(int width, int height, ReducedPicture& result) {
    std::vector<std::uint8_t> stream;
    const bool fourBits = result.bitCount == 4;
    const std::size_t length = fourBits ? encodeRle4(result.bits.data(), stream, width, height)
                                        : encodeRle8(result.bits.data(), stream, width, height);
    if (length == 0) return false;
    result.bits = std::move(stream);
    result.compression = fourBits ? 2 : 1;
    return true;
}

}  // namespace

std::optional<Msg> reduceColours(RowsView rows, int width, int height,
                                 const ReductionRequest& request, ReducedPicture& result) {
    if (request.colours != 2 && request.colours != 16 && request.colours != 256) {
        return Msg::UnsupportedPaletteSize;
    }
    if (rows.first == nullptr || width < 1 || height < 1) return Msg::ParameterInvalid;
    if (!pictureFitsLimits(width, height)) return Msg::OutOfMemory;
    const bool grey = request.colourModel == kGreyColourModel;
    try {
        ReducedPicture reduced;
        if (request.colours == 2) {
            reduceToTwo(rows, width, height, reduced);
        } else if (request.colours == 16) {
            reduceToSixteen(rows, width, height, grey, reduced);
        } else {
            reduceTo256(rows, width, height, grey, request.lattice, reduced);
        }
        reduced.coloursUsed = static_cast<int>(reduced.palette.size() / 4);
        if (request.colours != 2 && request.compression == 1 &&
            !encodeRuns(width, height, reduced)) {
            return Msg::OutOfMemory;
        }
        result = std::move(reduced);
    } catch (const std::bad_alloc&) {
        return Msg::OutOfMemory;
    }
    return std::nullopt;
}

}  // namespace pictrano
