#include "imagelib/bmp/BmpWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "imagelib/bmp/RleEncoder.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/ColourLattice.h"
#include "imagelib/image/ColourReduction.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

constexpr std::size_t kHeadersBytes = kBitmapFileHeaderBytes + BitmapInfoHeader::kBytes;

// One pixel of blue, green, red as a 5-5-5 value with the top bit clear.
void storeRgb555(const std::uint8_t* bgr, std::uint8_t* out) {
    storeLe16(out,
              static_cast<std::uint32_t>((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | bgr[0] >> 3));
}

// One pixel of blue, green, red as a 32-bit value with the top byte 0.
void storeXrgb(const std::uint8_t* bgr, std::uint8_t* out) {
    storeLe32(out, static_cast<std::uint32_t>(bgr[0] | bgr[1] << 8 | bgr[2] << 16));
}

void convertRow(const std::uint8_t* from, std::uint8_t* to, std::int64_t width, int bitCount) {
    switch (bitCount) {
        case 16:
            for (std::int64_t x = 0; x < width; ++x) storeRgb555(from + 3 * x, to + 2 * x);
            break;
        case 32:
            for (std::int64_t x = 0; x < width; ++x) storeXrgb(from + 3 * x, to + 4 * x);
            break;
        default: std::memcpy(to, from, static_cast<std::size_t>(3 * width)); break;
    }
}

}  // namespace

int BmpWriter::fail(Msg id) {
    errors_.set(id);
    return 0;
}

int BmpWriter::failAndRelease(Msg id) {
    release();
    return fail(id);
}

void BmpWriter::release() {
    bits_ = {};
    palette_ = {};
    header_ = BitmapInfoHeader{};
}

bool BmpWriter::holdsPixelRows() const {
    return !bits_.empty() && header_.bitCount == 24 && header_.compression == 0;
}

void BmpWriter::startHeader(int width, int height, int bitCount, std::size_t imageSize) {
    header_ = BitmapInfoHeader{};
    header_.width = width;
    header_.height = height;
    header_.bitCount = static_cast<std::uint16_t>(bitCount);
    header_.imageSize = static_cast<std::uint32_t>(imageSize);
}

bool BmpWriter::acceptsPixels(const std::uint8_t* rows, std::int64_t width, std::int64_t height,
                              int bitCount) {
    if (bitCount != 16 && bitCount != 24 && bitCount != 32) return fail(Msg::UnsupportedFormat);
    if (rows == nullptr || width == 0 || height == 0) return fail(Msg::ParameterInvalid);
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    return true;
}

void BmpWriter::storeHeaders(std::uint8_t* out, std::size_t size, std::size_t bitsOffset) const {
    std::fill(out, out + kHeadersBytes, std::uint8_t{0});
    out[0] = 'B';
    out[1] = 'M';
    storeLe32(out + 2, static_cast<std::uint32_t>(size));
    storeLe32(out + kBitsOffsetAt, static_cast<std::uint32_t>(bitsOffset));
    header_.store(out + kBitmapFileHeaderBytes);
}

int BmpWriter::setFromPixels(const std::uint8_t* rows, int width, int height, int bitCount) {
    release();
    const std::int64_t w = std::llabs(width);
    const std::int64_t h = std::llabs(height);
    if (!acceptsPixels(rows, w, h, bitCount)) return 0;
    const std::int64_t fromStride = pixelRowStride(w);
    const std::int64_t toStride = packedRowStride(w, bitCount);
    try {
        // Room for the headers in front: buildFile makes the file where the bits lie.
        const auto bitsBytes = static_cast<std::size_t>(toStride * h);
        bits_.reserve(kHeadersBytes + bitsBytes);
        bits_.assign(bitsBytes, 0);
    } catch (const std::bad_alloc&) {
        return failAndRelease(Msg::OutOfMemory);
    }
    // The file holds the bottom row first.
    for (std::int64_t y = 0; y < h; ++y) {
        convertRow(rows + (h - 1 - y) * fromStride, bits_.data() + y * toStride, w, bitCount);
    }
    startHeader(static_cast<int>(w), static_cast<int>(h), bitCount, bits_.size());
    return 1;
}

std::size_t BmpWriter::buildFileFromPixels(std::vector<std::uint8_t>& file,
                                           const std::uint8_t* rows, int width, int height,
                                           int bitCount) {
    release();
    const std::int64_t w = std::llabs(width);
    const std::int64_t h = std::llabs(height);
    if (!acceptsPixels(rows, w, h, bitCount)) return 0;
    const std::int64_t fromStride = pixelRowStride(w);
    const auto toStride = static_cast<std::size_t>(packedRowStride(w, bitCount));
    const std::size_t size = kHeadersBytes + toStride * static_cast<std::size_t>(h);
    startHeader(static_cast<int>(w), static_cast<int>(h), bitCount, size - kHeadersBytes);
    try {
        // Each byte is appended once into room taken beforehand: nothing is cleared first.
        std::vector<std::uint8_t> out;
        out.reserve(size);
        std::uint8_t headers[kHeadersBytes];
        storeHeaders(headers, size, kHeadersBytes);
        out.insert(out.end(), headers, headers + kHeadersBytes);
        std::vector<std::uint8_t> row(toStride, 0);
        for (std::int64_t y = h - 1; y >= 0; --y) {
            const std::uint8_t* from = rows + y * fromStride;
            if (bitCount == 24) {
                // The picture's rows are padded like the file's, with zeros.
                out.insert(out.end(), from, from + 3 * w);
                out.insert(out.end(), toStride - static_cast<std::size_t>(3 * w), std::uint8_t{0});
            } else {
                convertRow(from, row.data(), w, bitCount);
                out.insert(out.end(), row.begin(), row.end());
            }
        }
        file = std::move(out);
    } catch (const std::bad_alloc&) {
        failAndRelease(Msg::OutOfMemory);
        return 0;
    }
    header_ = BitmapInfoHeader{};
    return size;
}

int BmpWriter::setFromPalette(const std::uint8_t* entries, int count,
                              const std::uint8_t* indexPlane, int width, int height, int compress) {
    release();
    if (entries == nullptr || count < 1 || count > 256 || indexPlane == nullptr || width < 1 ||
        height < 1) {
        return fail(Msg::ParameterInvalid);
    }
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    const std::int64_t stride = indexRowStride(width);
    try {
        palette_.assign(entries, entries + 4 * count);
        bits_.resize(static_cast<std::size_t>(stride * height));
        for (std::int64_t y = 0; y < height; ++y) {
            std::memcpy(bits_.data() + y * stride, indexPlane + (height - 1 - y) * stride,
                        static_cast<std::size_t>(stride));
        }
        if (compress != 0) {
            std::vector<std::uint8_t> stream;
            if (encodeRle8(bits_.data(), stream, width, height) == 0) {
                return failAndRelease(Msg::OutOfMemory);
            }
            bits_ = std::move(stream);
        }
    } catch (const std::bad_alloc&) {
        return failAndRelease(Msg::OutOfMemory);
    }
    startHeader(width, height, 8, bits_.size());
    header_.compression = compress != 0 ? 1 : 0;
    header_.colorsUsed = static_cast<std::uint32_t>(count);
    return 1;
}

int BmpWriter::reduce(int colours, int colourModel, int compression, std::uint32_t lattice) {
    if (bits_.empty()) return fail(Msg::NoImageInfo);
    if (!holdsPixelRows()) return fail(Msg::UnsupportedFormat);
    const int width = header_.width, height = header_.height;
    return takeReduced(inHeldOrder(bits_.data(), pixelRowStride(width)), width, height,
                       {colours, colourModel, compression, lattice});
}

int BmpWriter::setReducedFromPixels(const std::uint8_t* rows, int width, int height,
                                    const ReductionRequest& request) {
    release();
    const std::int64_t w = std::llabs(width);
    const std::int64_t h = std::llabs(height);
    if (!acceptsPixels(rows, w, h, 24)) return 0;
    // The file holds the bottom row first.
    return takeReduced(lastRowFirst(rows, pixelRowStride(w), h), static_cast<int>(w),
                       static_cast<int>(h), request);
}

int BmpWriter::takeReduced(RowsView rows, int width, int height, const ReductionRequest& request) {
    ReducedPicture reduced;
    if (const auto failure = reduceColours(rows, width, height, request, reduced)) {
        return fail(*failure);
    }
    startHeader(width, height, reduced.bitCount, reduced.bits.size());
    bits_ = std::move(reduced.bits);
    palette_ = std::move(reduced.palette);
    header_.compression = static_cast<std::uint32_t>(reduced.compression);
    header_.colorsUsed = static_cast<std::uint32_t>(reduced.coloursUsed);
    return 1;
}

std::uint32_t BmpWriter::selectLattice(int sampleColumns, int sampleRows) const {
    if (!holdsPixelRows()) return 0;
    const int width = header_.width, height = header_.height;
    return selectBestLattice(inHeldOrder(bits_.data(), pixelRowStride(width)), width, height,
                             sampleColumns, sampleRows);
}

std::size_t BmpWriter::buildFile(std::vector<std::uint8_t>& file) {
    if (bits_.empty()) {
        fail(Msg::NoImageInfo);
        return 0;
    }
    const std::size_t bitsOffset = kHeadersBytes + palette_.size();
    const std::size_t size = bitsOffset + bits_.size();
    try {
        // Bits made with room in front become the file where they lie (the writer keeps none),
        // others are copied after the headers.
        std::vector<std::uint8_t> out;
        if (bits_.capacity() >= size) {
            out = std::move(bits_);
            bits_ = {};
            out.insert(out.begin(), bitsOffset, 0);
        } else {
            out.reserve(size);
            out.resize(bitsOffset);
            out.insert(out.end(), bits_.begin(), bits_.end());
        }
        storeHeaders(out.data(), size, bitsOffset);
        std::copy(palette_.begin(), palette_.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(kHeadersBytes));
        file = std::move(out);
    } catch (const std::bad_alloc&) {
        fail(Msg::OutOfMemory);
        return 0;
    }
    return size;
}

}  // namespace pictrano
