#include "imagelib/bmp/BmpBitFieldDecoder.h"

#include <bit>

#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

constexpr std::uint32_t kSmallestMaskedHeader = 108;
// Offsets of the red, green and blue masks inside the info header.
constexpr std::size_t kRedMaskAt = 40;
constexpr std::size_t kGreenMaskAt = 44;
constexpr std::size_t kBlueMaskAt = 48;

// One colour channel: the run of consecutive set bits starting at the mask's lowest set bit,
// widened or narrowed to 8 bits. A mask of 0 gives a channel that is always 0.
class MaskedChannel {
public:
    explicit MaskedChannel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        width_ = std::countr_one(mask >> shift_);
        maximum_ = width_ == 32 ? 0xFFFFFFFFu : (1u << width_) - 1;
    }

    std::uint8_t sample(std::uint32_t pixel) const {
        if (width_ == 0) return 0;
        // Bits of a broken (non-contiguous) mask above the run are ignored.
        const std::uint32_t value = ((pixel & mask_) >> shift_) & maximum_;
        if (width_ > 8) return static_cast<std::uint8_t>(value >> (width_ - 8));
        if (width_ == 8) return static_cast<std::uint8_t>(value);
        return static_cast<std::uint8_t>(value * 255 / maximum_);
    }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    int width_ = 0;
    std::uint32_t maximum_ = 0;
};

}  // namespace

DecodeFailure decodeBitFields(const BmpSource& source, BmpDecoded& out) {
    if (source.bitCount != 16 && source.bitCount != 32) return Msg::BitFieldBitCountInvalid;
    if (source.headerSize < kSmallestMaskedHeader) return Msg::NoBitMasks;
    if (auto failure = checkDimensions(source, false)) return failure;

    const std::size_t pixelBytes = source.bitCount == 16 ? 2 : 4;
    const auto stride = static_cast<std::size_t>(packedRowStride(source.width, source.bitCount));
    std::uint64_t position;
    if (auto failure = locateStoredRows(source, source.headerEnd(), position)) return failure;
    out.allocatePixels(source.width, source.rows());

    const MaskedChannel red(loadLe32(source.infoHeader + kRedMaskAt));
    const MaskedChannel green(loadLe32(source.infoHeader + kGreenMaskAt));
    const MaskedChannel blue(loadLe32(source.infoHeader + kBlueMaskAt));
    const auto width = static_cast<std::size_t>(source.width);
    for (std::int64_t v = 0; v < source.rows(); ++v) {
        const std::uint8_t* row =
            source.file + position + static_cast<std::size_t>(v) * stride;
        std::uint8_t* pixel =
            out.pixels.data() + static_cast<std::size_t>(source.outputRow(v)) * out.pixelStride;
        for (std::size_t x = 0; x < width; ++x, pixel += 3) {
            const std::uint8_t* stored = row + x * pixelBytes;
            const std::uint32_t value = pixelBytes == 2 ? loadLe16(stored) : loadLe32(stored);
            pixel[0] = blue.sample(value);
            pixel[1] = green.sample(value);
            pixel[2] = red.sample(value);
        }
    }
    return std::nullopt;
}

}  // namespace pictrano
