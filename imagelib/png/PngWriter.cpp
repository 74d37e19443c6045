#include "imagelib/png/PngWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "imagelib/bmp/BmpWriter.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/ColourLattice.h"
#include "imagelib/image/RowLayout.h"
#include "imagelib/png/Crc32.h"
#include "imagelib/png/PngChunk.h"
#include "imagelib/png/PngColourPacking.h"
#include "imagelib/png/PngLayout.h"
#include "imagelib/png/PngRowFilter.h"
#include "imagelib/png/deflate/DeflateCodec.h"

namespace pictrano {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kColourModel = 2;                            // the reduction always works in colour
constexpr std::uint32_t kSixteenColourLattice = 0x060606;  // plays no part for 16 colours

// The message for a colour type and depth that write does not produce, or nothing.
std::optional<Msg> unwrittenFormat(int colourType, int bitDepth) {
    switch (colourType) {
        case kPngGrey:
        case kPngTruecolour:
            if (!pngDepthAllowed(colourType, bitDepth)) return Msg::UnsupportedBitCount;
            return std::nullopt;
        case kPngIndexed:
            if (bitDepth != 4 && bitDepth != 8) return Msg::UnsupportedBitCount;
            return std::nullopt;
        default: return Msg::UnsupportedColourFormat;
    }
}

}  // namespace

std::size_t PngWriter::fail(Msg id) {
    palette_ = {};
    errors_.set(id);
    return 0;
}

std::size_t PngWriter::write(std::vector<std::uint8_t>& file, const std::uint8_t* pixels,
                             int colourType, int bitDepth, int width, int height, int filter,
                             int degree) {
    try {
        return writePixels(file, pixels, colourType, bitDepth, width, height, filter, degree);
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
}

std::size_t PngWriter::writeIndexed(std::vector<std::uint8_t>& file, const std::uint8_t* entries,
                                    int count, const std::uint8_t* indexPlane, int colourType,
                                    int bitDepth, int width, int height, int filter, int degree) {
    if (colourType != kPngIndexed || bitDepth != 8) return fail(Msg::UnsupportedDataFormat);
    try {
        return writeIndexRows(file, entries, count, indexPlane, width, height, filter, degree);
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
}

std::size_t PngWriter::writePixels(std::vector<std::uint8_t>& file, const std::uint8_t* pixels,
                                   int colourType, int bitDepth, int width, int height, int filter,
                                   int degree) {
    palette_ = {};
    if (pixels == nullptr || width < 1 || height < 1) return fail(Msg::ParameterInvalid);
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    if (const auto failure = unwrittenFormat(colourType, bitDepth)) return fail(*failure);
    const std::int64_t rowBytes = pngRowBytes(width, colourType, bitDepth);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(rowBytes * height), 0);
    if (colourType == kPngIndexed) {
        if (const auto failure =
                packIndexedRows(pixels, width, height, bitDepth, rows.data(), rowBytes)) {
            return fail(*failure);
        }
    } else {
        packColourRows(pixels, width, height, colourType, bitDepth, rows.data(), rowBytes);
    }
    return compressAndWrap(file, std::move(rows), rowBytes, colourType, bitDepth, width, height, filter,
                           degree);
}

std::size_t PngWriter::writeIndexRows(std::vector<std::uint8_t>& file, const std::uint8_t* entries,
                                      int count, const std::uint8_t* indexPlane, int width,
                                      int height, int filter, int degree) {
    palette_ = {};
    if (entries == nullptr || count < 1 || count > 256 || indexPlane == nullptr || width < 1 ||
        height < 1) {
        return fail(Msg::ParameterInvalid);
    }
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    const std::int64_t stride = indexRowStride(width);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height);
    int highest = 0;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* from = indexPlane + y * stride;
        std::memcpy(rows.data() + y * width, from, static_cast<std::size_t>(width));
        highest = std::max<int>(highest, *std::max_element(from, from + width));
    }
    // PLTE covers every index used; entries past the given ones are black, as the picture shows
    // them.
    palette_.assign(3 * static_cast<std::size_t>(std::max(count, highest + 1)), 0);
    for (int i = 0; i < count; ++i) {
        palette_[3 * i] = entries[4 * i + 2];
        palette_[3 * i + 1] = entries[4 * i + 1];
        palette_[3 * i + 2] = entries[4 * i];
    }
    return compressAndWrap(file, std::move(rows), width, kPngIndexed, 8, width, height, filter, degree);
}

std::optional<Msg> PngWriter::packIndexedRows(const std::uint8_t* pixels, int width, int height,
                                              int bitDepth, std::uint8_t* out,
                                              std::int64_t rowBytes) {
    // Reduced where the picture's rows lie, bottom row first as a Bitmap's reduction reads them
    // (the lattice's sample rows count from the first row read).
    const bool sixteen = bitDepth == 4;
    const RowsView rows = lastRowFirst(pixels, pixelRowStride(width), height);
    const std::uint32_t lattice =
        sixteen ? kSixteenColourLattice : selectBestLattice(rows, width, height, 12, 12);
    BmpWriter reducer;
    if (!reducer.setReducedFromPixels(pixels, width, height,
                                      {sixteen ? 16 : 256, kColourModel, 0, lattice})) {
        return Msg::IndexConversionFailed;
    }
    // The reduced rows stand bottom row first, padded to 4 bytes.
    const std::int64_t stride = packedRowStride(width, bitDepth);
    const std::uint8_t* bits = reducer.bits().data();
    for (std::int64_t y = 0; y < height; ++y) {
        std::memcpy(out + y * rowBytes, bits + (height - 1 - y) * stride,
                    static_cast<std::size_t>(rowBytes));
    }
    const std::vector<std::uint8_t>& table = reducer.palette();
    palette_.resize(table.size() / 4 * 3);
    for (std::size_t i = 0; i < table.size() / 4; ++i) {
        palette_[3 * i] = table[4 * i + 2];
        palette_[3 * i + 1] = table[4 * i + 1];
        palette_[3 * i + 2] = table[4 * i];
    }
    return std::nullopt;
}

std::size_t PngWriter::compressAndWrap(std::vector<std::uint8_t>& file,
                                       std::vector<std::uint8_t>&& rows,
                                       std::int64_t rowBytes, int colourType, int bitDepth,
                                       int width, int height, int filter, int degree) {
    const auto filteredBytes = static_cast<std::size_t>((rowBytes + 1) * height);
    auto filtered = std::make_unique_for_overwrite<std::uint8_t[]>(filteredBytes);
    filterPngRows(rows.data(), static_cast<std::size_t>(rowBytes), static_cast<std::size_t>(height),
                  pngFilterStep(colourType, bitDepth), filter, filtered.get());
    rows = {};

    // Degree 1 looks back one filtered row and its filter byte.
    const std::size_t capacity = DeflateCodec::deflateBound(filteredBytes);
    auto stream = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    DeflateCodec codec;
    const std::size_t streamBytes =
        codec.deflate(stream.get(), capacity, filtered.get(), filteredBytes, degree,
                      static_cast<std::size_t>(rowBytes + 1));
    if (streamBytes == 0) {
        palette_ = {};
        errors_.copyFrom(codec.errors());
        return 0;
    }

    filtered.reset();

    // The chunks before and after the image data; the stream goes into the file once, framed
    // by its length, type and CRC there.
    PngChunkList head;
    PngChunk chunk;
    chunk.buildHeader(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                      bitDepth, colourType);
    head.append(std::move(chunk));
    if (colourType == kPngIndexed) {
        chunk.build("PLTE", palette_.data(), palette_.size());
        head.append(std::move(chunk));
    }
    PngChunk end;
    end.buildEnd();
    const std::size_t dataAt = sizeof kSignature + head.serialisedSize() + 8;
    const std::size_t size = dataAt + streamBytes + 4 + end.length() + 12;
    std::vector<std::uint8_t> out(size);
    std::memcpy(out.data(), kSignature, sizeof kSignature);
    head.serialise(out.data() + sizeof kSignature);
    storeBe32(out.data() + dataAt - 8, static_cast<std::uint32_t>(streamBytes));
    std::memcpy(out.data() + dataAt - 4, "IDAT", 4);
    std::memcpy(out.data() + dataAt, stream.get(), streamBytes);
    storeBe32(out.data() + dataAt + streamBytes, crc32(out.data() + dataAt - 4, streamBytes + 4));
    end.serialise(out.data() + dataAt + streamBytes + 4);
    file = std::move(out);
    return size;
}

}  // namespace pictrano
