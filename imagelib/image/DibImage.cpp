#include "imagelib/image/DibImage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

// Widens the low `precision` bits of each byte to 8 bits: s * 255 / (2^precision - 1).
void scaleNarrowSamples(const std::uint8_t* from, std::uint8_t* to, std::size_t count,
                        int precision) {
    const unsigned maximum = (1u << precision) - 1;
    for (std::size_t i = 0; i < count; ++i) {
        to[i] = static_cast<std::uint8_t>((from[i] & maximum) * 255 / maximum);
    }
}

// Keeps the top 8 of `precision` bits of each 16-bit unit.
void narrowWideSamples(const void* from, std::uint8_t* to, std::size_t count, int precision) {
    const auto* bytes = static_cast<const std::uint8_t*>(from);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t unit;
        std::memcpy(&unit, bytes + 2 * i, 2);
        to[i] = static_cast<std::uint8_t>(unit >> (precision - 8));
    }
}

}  // namespace

int DibImage::fail(Msg id) {
    errors_.set(id);
    return 0;
}

void DibImage::fillHeader(int width, int height) {
    header_ = BitmapInfoHeader{};
    header_.width = width;
    header_.height = -height;
    header_.bitCount = 24;
}

void DibImage::release() {
    indexPlane_.clear();
    palette_ = {};
    pixels_.clear();
    header_ = BitmapInfoHeader{};
    paletteCount_ = 0;
}

int DibImage::create(const void* samples, int precision, int width, int height) {
    release();
    if (precision < 1 || precision > 16) return fail(Msg::UnsupportedBitCount);
    if (samples == nullptr || width < 1 || height < 1) return fail(Msg::ParameterInvalid);
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    const auto count = static_cast<std::size_t>(pixelRowStride(width) * height);
    try {
        pixels_.assignUnset(count);
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
    if (precision == 8) {
        std::memcpy(pixels_.data(), samples, count);
    } else if (precision < 8) {
        scaleNarrowSamples(static_cast<const std::uint8_t*>(samples), pixels_.data(), count,
                           precision);
    } else {
        narrowWideSamples(samples, pixels_.data(), count, precision);
    }
    fillHeader(width, height);
    width_ = width;
    height_ = height;
    return 1;
}

int DibImage::adopt(HeapArray<std::uint8_t>&& pixels, int precision, int width, int height) {
    release();
    if (precision < 1 || precision > 8) return fail(Msg::UnsupportedBitCount);
    if (width < 1 || height < 1) return fail(Msg::ParameterInvalid);
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    if (pixels.size() < static_cast<std::size_t>(pixelRowStride(width) * height)) {
        return fail(Msg::ParameterInvalid);
    }
    pixels_ = std::move(pixels);
    if (precision < 8) scaleNarrowSamples(pixels_.data(), pixels_.data(), pixels_.size(), precision);
    fillHeader(width, height);
    width_ = width;
    height_ = height;
    return 1;
}

int DibImage::attachPalette(const std::uint8_t* entries, int count,
                            const std::uint8_t* indexPlane) {
    if (indexPlane == nullptr || !hasPicture()) return fail(Msg::ParameterInvalid);
    HeapArray<std::uint8_t> plane;
    try {
        plane.assignUnset(static_cast<std::size_t>(indexRowStride(width_) * height_));
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
    std::memcpy(plane.data(), indexPlane, plane.size());
    return attachPalette(entries, count, std::move(plane));
}

int DibImage::attachPalette(const std::uint8_t* entries, int count,
                            HeapArray<std::uint8_t>&& indexPlane) {
    if (entries == nullptr || count < 1 || count > kPaletteEntries || !hasPicture() ||
        indexPlane.size() < static_cast<std::size_t>(indexRowStride(width_) * height_)) {
        return fail(Msg::ParameterInvalid);
    }
    // The cap counts the whole picture: its rows and the index plane beside them.
    if (!pictureFitsLimits(width_, height_, true)) return fail(Msg::OutOfMemory);
    try {
        palette_.assign(4 * kPaletteEntries, 0);
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
    indexPlane_ = std::move(indexPlane);
    std::memcpy(palette_.data(), entries, 4 * static_cast<std::size_t>(count));
    paletteCount_ = count;
    return 1;
}

}  // namespace pictrano
