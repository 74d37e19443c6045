#include "imagelib/png/PngReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/RowLayout.h"
#include "imagelib/png/PngChunk.h"
#include "imagelib/png/PngLayout.h"
#include "imagelib/png/PngRowConversion.h"
#include "imagelib/png/PngUnfilter.h"
#include "imagelib/png/deflate/DeflateCodec.h"

namespace pictrano {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kImageHeaderBytes = 13;
constexpr std::uint32_t kLargestDimension = 0x7FFFFFFF;
constexpr int kPaletteEntries = 256;
// Deflate spends at least 2 bits on a match of at most 258 bytes: no stream gives more than
// 1,032 bytes per byte it holds.
constexpr std::uint64_t kLargestInflateRatio = 1032;

// A grey ramp entry i of a depth: i x (255 / (2^depth - 1)), the division first.
std::uint8_t greyLevel(int i, int bitDepth) {
    return static_cast<std::uint8_t>(i * (255 / ((1 << bitDepth) - 1)));
}

}  // namespace

struct PngReader::ImageHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int compression = 0;
    int interlace = 0;

    explicit ImageHeader(const std::uint8_t* data)
        : width(loadBe32(data)),
          height(loadBe32(data + 4)),
          bitDepth(data[8]),
          colourType(data[9]),
          compression(data[10]),
          interlace(data[12]) {}

    bool interlaced() const { return interlace == 1; }
    bool indexed() const { return pngHasIndexPlane(colourType, bitDepth); }
    std::size_t filteredBytes() const {
        return static_cast<std::size_t>(
            pngFilteredBytes(width, height, colourType, bitDepth, interlaced()));
    }
};

int PngReader::fail(Msg id) {
    release();
    errors_.set(id);
    return 0;
}

void PngReader::release() {
    indexPlane_.clear();
    palette_ = {};
    pixels_.clear();
    header_ = BitmapInfoHeader{};
    paletteCount_ = 0;
}

int PngReader::read(const std::uint8_t* file, std::size_t length) {
    release();
    try {
        return readFile(file, length);
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
}

int PngReader::readFile(const std::uint8_t* file, std::size_t length) {
    if (file == nullptr || length < sizeof kSignature ||
        std::memcmp(file, kSignature, sizeof kSignature) != 0) {
        return fail(Msg::SignatureInvalid);
    }
    PngChunkList chunks;
    chunks.split(file + sizeof kSignature, length - sizeof kSignature);
    const PngChunk* headerChunk = chunks.find("IHDR");
    if (headerChunk == nullptr) return fail(Msg::NoImageHeader);
    if (headerChunk->length() < kImageHeaderBytes) return fail(Msg::ImageHeaderInvalid);
    const ImageHeader image(headerChunk->data());
    if (image.width == 0 || image.height == 0 || image.width > kLargestDimension ||
        image.height > kLargestDimension) {
        return fail(Msg::ImageHeaderInvalid);
    }
    if (!pictureFitsLimits(image.width, image.height, image.indexed())) {
        return fail(Msg::OutOfMemory);
    }
    if (image.compression != 0) return fail(Msg::CompressionNotSupported);
    if (pngSamplesPerPixel(image.colourType) == 0) return fail(Msg::ColourTypeInvalid);
    if (!pngDepthAllowed(image.colourType, image.bitDepth)) {
        return fail(image.colourType == kPngIndexed ? Msg::UnsupportedBitDepth
                                                    : Msg::UnsupportedBitCount);
    }
    if (image.interlace > 1) return fail(Msg::UnsupportedInterlace);
    const int decoded =
        image.interlaced() ? readInterlaced(chunks, image) : readPlain(chunks, image);
    if (!decoded) return 0;
    header_.width = static_cast<std::int32_t>(image.width);
    header_.height = static_cast<std::int32_t>(image.height);
    header_.bitCount = 24;
    return 1;
}

// The rows are inflated into the pixel buffer itself, placed so that each converted row lands
// only on bytes already consumed: at its start when the filtered rows are the larger, else at
// its end. The picture then needs no second buffer of its size. The buffers come zero-filled
// from the system and are touched only where data arrives: a stream that stops early costs
// memory for what it holds, not for the picture it claims.
int PngReader::readPlain(const PngChunkList& chunks, const ImageHeader& image) {
    const std::int64_t pixelStride = pixelRowStride(image.width);
    const auto pixelBytes = static_cast<std::size_t>(pixelStride * image.height);
    const std::size_t filteredBytes = image.filteredBytes();
    const std::size_t bufferBytes = std::max(pixelBytes, filteredBytes);
    if (!fitsImageData(chunks, filteredBytes)) return 0;
    pixels_.assign(bufferBytes);
    std::uint8_t* filtered = pixels_.data() + (bufferBytes - filteredBytes);
    const std::uint8_t* end = inflateImageData(chunks, filtered, filteredBytes);
    if (end == nullptr) return 0;
    if (image.indexed() && !takePalette(chunks, image)) return 0;
    const std::int64_t indexStride = indexRowStride(image.width);
    if (image.indexed()) indexPlane_.assign(static_cast<std::size_t>(indexStride * image.height));
    const std::uint8_t* data = filtered;
    if (!decodeRows(image, data, end, image.width, image.height, pixels_.data(), pixelStride,
                    indexPlane_.data(), indexStride)) {
        return 0;
    }
    pixels_.truncate(pixelBytes);
    return 1;
}

int PngReader::readInterlaced(const PngChunkList& chunks, const ImageHeader& image) {
    const std::size_t filteredBytes = image.filteredBytes();
    if (!fitsImageData(chunks, filteredBytes)) return 0;
    HeapArray<std::uint8_t> filtered;
    filtered.assign(filteredBytes);
    const std::uint8_t* end = inflateImageData(chunks, filtered.data(), filteredBytes);
    if (end == nullptr) return 0;
    if (image.indexed() && !takePalette(chunks, image)) return 0;
    return decodeAdam7(image, filtered.data(), end);
}

int PngReader::fitsImageData(const PngChunkList& chunks, std::size_t filteredBytes) {
    const std::size_t compressed = chunks.dataLength("IDAT");
    if (compressed == 0) return fail(Msg::NoImageData);
    // Data that cannot hold every row fails as the rows it lacks would, before a buffer for the
    // whole picture is taken.
    if (std::uint64_t{filteredBytes} > kLargestInflateRatio * std::uint64_t{compressed}) {
        return fail(Msg::UnsupportedFilterType);
    }
    return 1;
}

const std::uint8_t* PngReader::inflateImageData(const PngChunkList& chunks,
                                                std::uint8_t* filtered, std::size_t filteredBytes) {
    // The chunks' data is inflated where it stands, as one stream.
    const std::vector<ByteSpan> compressed = chunks.dataSpans("IDAT");
    DeflateCodec codec;
    if (codec.inflate(filtered, filteredBytes, compressed.data(), compressed.size()) == 0) {
        release();
        errors_.copyFrom(codec.errors());
        return nullptr;
    }
    return filtered + std::min(codec.inflatedLength(), filteredBytes);
}

int PngReader::takePalette(const PngChunkList& chunks, const ImageHeader& image) {
    palette_.assign(4 * kPaletteEntries, 0);
    if (image.colourType == kPngGrey) {
        paletteCount_ = 1 << image.bitDepth;
        for (int i = 0; i < paletteCount_; ++i) {
            std::memset(palette_.data() + 4 * i, greyLevel(i, image.bitDepth), 3);
        }
        return 1;
    }
    const PngChunk* chunk = chunks.find("PLTE");
    if (chunk == nullptr || chunk->length() < 3) return fail(Msg::NoPaletteEntries);
    if (chunk->length() / 3 > kPaletteEntries) return fail(Msg::UnsupportedPaletteSize);
    paletteCount_ = static_cast<int>(chunk->length() / 3);
    for (int i = 0; i < paletteCount_; ++i) {
        const std::uint8_t* rgb = chunk->data() + 3 * i;
        std::uint8_t* entry = palette_.data() + 4 * i;
        entry[0] = rgb[2];
        entry[1] = rgb[1];
        entry[2] = rgb[0];
    }
    return 1;
}

// Each row is taken out of the filtered data before its converted form is written, so the
// converted rows may overwrite filtered rows already read (see readPlain).
int PngReader::decodeRows(const ImageHeader& image, const std::uint8_t*& data,
                          const std::uint8_t* end, std::int64_t columns, std::int64_t rows,
                          std::uint8_t* bgr, std::int64_t bgrStride, std::uint8_t* indices,
                          std::int64_t indexStride) {
    const auto rowBytes =
        static_cast<std::size_t>(pngRowBytes(columns, image.colourType, image.bitDepth));
    const int step = pngFilterStep(image.colourType, image.bitDepth);
    std::vector<std::uint8_t> current(rowBytes);
    std::vector<std::uint8_t> previous(rowBytes, 0);
    for (std::int64_t y = 0; y < rows; ++y, data += rowBytes + 1) {
        // Rows the stream does not supply carry the invalid filter type 255.
        if (data >= end) return fail(Msg::UnsupportedFilterType);
        const int filterType = data[0];
        const auto supplied = std::min<std::size_t>(rowBytes, static_cast<std::size_t>(end - data - 1));
        std::memcpy(current.data(), data + 1, supplied);
        std::fill(current.begin() + static_cast<std::ptrdiff_t>(supplied), current.end(), 0xFF);
        if (!unfilterRow(filterType, current.data(), previous.data(), rowBytes, step)) {
            return fail(Msg::UnsupportedFilterType);
        }
        std::uint8_t* bgrRow = bgr + y * bgrStride;
        std::uint8_t* indexRow = indices == nullptr ? nullptr : indices + y * indexStride;
        if (!convertPngRow(current.data(), static_cast<std::size_t>(columns), image.colourType,
                           image.bitDepth, palette_.data(), paletteCount_, bgrRow, indexRow)) {
            return fail(Msg::PaletteIndexInvalid);
        }
        std::fill(bgrRow + 3 * columns, bgrRow + bgrStride, 0);
        if (indexRow != nullptr) std::fill(indexRow + columns, indexRow + indexStride, 0);
        current.swap(previous);
    }
    return 1;
}

int PngReader::decodeAdam7(const ImageHeader& image, const std::uint8_t* data,
                           const std::uint8_t* end) {
    const std::int64_t pixelStride = pixelRowStride(image.width);
    const std::int64_t indexStride = indexRowStride(image.width);
    // Zeroed: the passes fill every pixel, and the row padding stays 0.
    pixels_.assign(static_cast<std::size_t>(pixelStride * image.height));
    if (image.indexed()) indexPlane_.assign(static_cast<std::size_t>(indexStride * image.height));
    for (const Adam7Pass& pass : kAdam7Passes) {
        const std::int64_t columns = pass.columns(image.width);
        const std::int64_t rows = pass.rows(image.height);
        if (columns <= 0 || rows <= 0) continue;
        // The pass is decoded into its own rows, then its pixels are put in their places.
        const std::int64_t passPixelStride = pixelRowStride(columns);
        const std::int64_t passIndexStride = indexRowStride(columns);
        std::vector<std::uint8_t> passPixels(static_cast<std::size_t>(passPixelStride * rows));
        std::vector<std::uint8_t> passIndices;
        if (image.indexed()) passIndices.resize(static_cast<std::size_t>(passIndexStride * rows));
        if (!decodeRows(image, data, end, columns, rows, passPixels.data(), passPixelStride,
                        image.indexed() ? passIndices.data() : nullptr, passIndexStride)) {
            return 0;
        }
        for (std::int64_t i = 0; i < rows; ++i) {
            const std::int64_t y = i * pass.rowStep + pass.firstRow;
            for (std::int64_t j = 0; j < columns; ++j) {
                const std::int64_t x = j * pass.columnStep + pass.firstColumn;
                std::memcpy(pixels_.data() + y * pixelStride + 3 * x,
                            passPixels.data() + i * passPixelStride + 3 * j, 3);
                if (image.indexed()) {
                    indexPlane_[static_cast<std::size_t>(y * indexStride + x)] =
                        passIndices[static_cast<std::size_t>(i * passIndexStride + j)];
                }
            }
        }
    }
    return 1;
}

}  // namespace pictrano
