#include "imagelib/bmp/BmpDecoderInput.h"

#include <algorithm>
#include <cstring>

#include "imagelib/image/RowLayout.h"

namespace pictrano {

std::uint64_t BmpSource::declaredPaletteEntries() const {
    if (colorsUsed != 0) return colorsUsed;
    // Bit counts above 32 are nonsense; capping keeps the shift defined and the result huge.
    return std::uint64_t{1} << std::min(bitCount, 32);
}

void BmpDecoded::allocatePixels(std::int64_t width, std::int64_t rows) {
    pixelStride = static_cast<std::size_t>(pixelRowStride(width));
    pixels.assign(pixelStride * static_cast<std::size_t>(rows));
}

void BmpDecoded::allocateUnsetPixels(std::int64_t width, std::int64_t rows) {
    pixelStride = static_cast<std::size_t>(pixelRowStride(width));
    pixels.assignUnset(pixelStride * static_cast<std::size_t>(rows));
    const auto rowBytes = static_cast<std::size_t>(3 * width);
    if (rowBytes == pixelStride) return;
    for (std::size_t end = pixelStride; end <= pixels.size(); end += pixelStride) {
        std::fill(pixels.data() + end - pixelStride + rowBytes, pixels.data() + end,
                  std::uint8_t{0});
    }
}

void BmpDecoded::allocateIndexed(std::int64_t width, std::int64_t rows) {
    allocatePixels(width, rows);
    indexStride = static_cast<std::size_t>(indexRowStride(width));
    indexPlane.assign(indexStride * static_cast<std::size_t>(rows));
}

DecodeFailure checkDimensions(const BmpSource& source, bool indexed) {
    if (source.width <= 0 || source.height == 0) return Msg::FileFormatInvalid;
    if (!pictureFitsLimits(source.width, source.rows(), indexed)) return Msg::OutOfMemory;
    return std::nullopt;
}

std::uint64_t pixelDataPosition(const BmpSource& source, std::uint64_t computed,
                                std::uint64_t dataBytes) {
    const std::uint64_t offset = source.bitsOffset;
    if (offset >= computed && offset + dataBytes <= source.length) return offset;
    return computed;
}

DecodeFailure locateStoredRows(const BmpSource& source, std::uint64_t computed,
                               std::uint64_t& position) {
    const auto stride = static_cast<std::uint64_t>(packedRowStride(source.width, source.bitCount));
    const auto lastRow = static_cast<std::uint64_t>(source.width * source.bitCount + 7) / 8;
    const std::uint64_t dataBytes = stride * static_cast<std::uint64_t>(source.rows() - 1) + lastRow;
    position = pixelDataPosition(source, computed, dataBytes);
    if (position + dataBytes > source.length) return Msg::FileFormatInvalid;
    return std::nullopt;
}

DecodeFailure readPalette(const BmpSource& source, BmpDecoded& out) {
    const std::uint64_t entries =
        std::min<std::uint64_t>(source.declaredPaletteEntries(), BmpDecoded::kPaletteEntries);
    const std::uint64_t start = source.headerEnd();
    if (start + 4 * entries > source.length) return Msg::FileFormatInvalid;
    out.palette.assign(4 * BmpDecoded::kPaletteEntries, 0);
    std::memcpy(out.palette.data(), source.file + start, static_cast<std::size_t>(4 * entries));
    out.paletteCount = static_cast<int>(entries);
    return std::nullopt;
}

}  // namespace pictrano
