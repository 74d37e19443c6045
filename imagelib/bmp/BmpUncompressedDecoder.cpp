#include "imagelib/bmp/BmpUncompressedDecoder.h"

#include <cstring>

#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

// The index of pixel x of a stored row of 1, 4 or 8 bits, packed from the most significant bit.
unsigned storedIndex(const std::uint8_t* row, std::size_t x, int bitCount) {
    const std::size_t bit = x * static_cast<std::size_t>(bitCount);
    const unsigned shift = 8 - static_cast<unsigned>(bitCount) - static_cast<unsigned>(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << bitCount) - 1);
}

DecodeFailure decodePaletted(const BmpSource& source, BmpDecoded& out) {
    if (auto failure = checkDimensions(source, true)) return failure;
    std::uint64_t position;
    if (auto failure = locateStoredRows(source, source.paletteEnd(), position)) return failure;
    if (auto failure = readPalette(source, out)) return failure;
    out.allocateIndexed(source.width, source.rows());

    const auto stride = static_cast<std::size_t>(packedRowStride(source.width, source.bitCount));
    const auto width = static_cast<std::size_t>(source.width);
    for (std::int64_t v = 0; v < source.rows(); ++v) {
        const std::uint8_t* row = source.file + position + static_cast<std::size_t>(v) * stride;
        const auto outputRow = static_cast<std::size_t>(source.outputRow(v));
        for (std::size_t x = 0; x < width; ++x) {
            out.setIndex(outputRow, x, storedIndex(row, x, source.bitCount));
        }
    }
    return std::nullopt;
}

DecodeFailure decodeTrueColour(const BmpSource& source, BmpDecoded& out) {
    if (auto failure = checkDimensions(source, false)) return failure;
    std::uint64_t position;
    if (auto failure = locateStoredRows(source, source.headerEnd(), position)) return failure;
    out.allocateUnsetPixels(source.width, source.rows());

    const auto stride = static_cast<std::size_t>(packedRowStride(source.width, 24));
    const auto rowBytes = static_cast<std::size_t>(3 * source.width);
    for (std::int64_t v = 0; v < source.rows(); ++v) {
        const std::uint8_t* row = source.file + position + static_cast<std::size_t>(v) * stride;
        const auto outputRow = static_cast<std::size_t>(source.outputRow(v));
        std::memcpy(out.pixels.data() + outputRow * out.pixelStride, row, rowBytes);
    }
    return std::nullopt;
}

}  // namespace

DecodeFailure decodeUncompressed(const BmpSource& source, BmpDecoded& out) {
    switch (source.bitCount) {
        case 1:
        case 4:
        case 8:
            return decodePaletted(source, out);
        case 24:
            return decodeTrueColour(source, out);
        default:
            return Msg::UnsupportedBitCount;
    }
}

}  // namespace pictrano
