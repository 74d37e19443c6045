#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/image/BitmapInfoHeader.h"
#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/HeapArray.h"

namespace pictrano {

// The facts a decoder needs about one bitmap file: the whole file with its length and the
// fields of its info header, widened to 64 bits so that positions and sizes cannot overflow.
struct BmpSource {
    const std::uint8_t* file = nullptr;
    std::uint64_t length = 0;
    const std::uint8_t* infoHeader = nullptr;  // the 124-byte copy, for the bit masks
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // positive: stored bottom row first
    int bitCount = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t bitsOffset = 0;

    std::int64_t rows() const { return height < 0 ? -height : height; }
    // The output row (top row first) that stored row `storedRow` lands in.
    std::int64_t outputRow(std::int64_t storedRow) const {
        return height > 0 ? rows() - 1 - storedRow : storedRow;
    }
    std::uint64_t headerEnd() const { return kBitmapFileHeaderBytes + headerSize; }
    // Palette entries the file declares: colours used, or 2^bit count when that field is 0.
    std::uint64_t declaredPaletteEntries() const;
    std::uint64_t paletteEnd() const { return headerEnd() + 4 * declaredPaletteEntries(); }
};

// What a decoder produces: 24-bit rows, top row first, and for paletted files a palette of 256
// entries and an index plane whose indices are all below the palette count.
struct BmpDecoded {
    static constexpr int kPaletteEntries = 256;

    HeapArray<std::uint8_t> pixels;
    std::vector<std::uint8_t> palette;
    HeapArray<std::uint8_t> indexPlane;
    int paletteCount = 0;
    std::size_t pixelStride = 0;
    std::size_t indexStride = 0;

    // Zero-filled 24-bit rows for width x rows pixels (the size was checked beforehand).
    void allocatePixels(std::int64_t width, std::int64_t rows);
    // The same rows with only the padding after each row's pixels cleared: every pixel must
    // then be written.
    void allocateUnsetPixels(std::int64_t width, std::int64_t rows);
    // Zero-filled pixels and index plane.
    void allocateIndexed(std::int64_t width, std::int64_t rows);

    // Stores palette index `index` at (row, column) in the index plane and its colour in the
    // pixels. An index at or beyond the palette count is taken as index 0, so both planes stay
    // consistent and the index plane stays valid. Row and column must be inside the picture.
    void setIndex(std::size_t row, std::size_t column, unsigned index) {
        if (index >= static_cast<unsigned>(paletteCount)) index = 0;
        indexPlane[row * indexStride + column] = static_cast<std::uint8_t>(index);
        const std::uint8_t* entry = palette.data() + 4 * index;
        std::uint8_t* pixel = pixels.data() + row * pixelStride + 3 * column;
        pixel[0] = entry[0];
        pixel[1] = entry[1];
        pixel[2] = entry[2];
    }
};

// A decoder's outcome: no value on success, otherwise the message to report.
using DecodeFailure = std::optional<Msg>;

// Width and height must be positive ("file format invalid" otherwise) and the picture, with its
// index plane when `indexed`, must fit the library's limits ("memory insufficient" otherwise,
// before anything is allocated).
DecodeFailure checkDimensions(const BmpSource& source, bool indexed);

// Where the pixel data begins. The file header's bits offset is used when it is plausible: at or
// after `computed` (the end of the headers and palette) and leaving `dataBytes` inside the file.
// Otherwise the data is taken to follow the headers and palette directly.
std::uint64_t pixelDataPosition(const BmpSource& source, std::uint64_t computed,
                                std::uint64_t dataBytes);

// Where the uncompressed rows (bit count bits per pixel, rows padded to 4 bytes; the last row's
// padding not required) begin, by pixelDataPosition; "file format invalid" when they do not fit
// in the file from there.
DecodeFailure locateStoredRows(const BmpSource& source, std::uint64_t computed,
                               std::uint64_t& position);

// Fills the 256-entry palette with the file's entries (at most 256 of those declared, copied as
// stored; the rest zero) and sets the palette count. Fails with "file format invalid" when the
// entries run past the end of the file.
DecodeFailure readPalette(const BmpSource& source, BmpDecoded& out);

}  // namespace pictrano
