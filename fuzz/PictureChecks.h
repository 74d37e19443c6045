#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano::fuzz {

// What every decoded picture must satisfy: a size within the limits, buffers that hold every
// row (their last bytes are read, so the sanitizer sees a short one), a palette of 1 to 256
// entries and, in pictures of up to kFullyChecked pixels, an index plane whose indices all lie
// below the palette count (larger ones would spend the run reading). Returns a sum of the bytes
// so that the reads are not optimised away.
constexpr std::int64_t kFullyChecked = std::int64_t{1} << 20;

inline unsigned checkPicture(const void* pixels, int bytesPerSample, int width, int height,
                             int paletteCount, const std::uint8_t* palette,
                             const std::uint8_t* indexPlane) {
    if (!pictureFitsLimits(width, height) || pixels == nullptr) finding();
    if (paletteCount < 0 || paletteCount > 256) finding();
    unsigned sum = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(pixels);
    const auto pixelBytes = static_cast<std::size_t>(pixelRowStride(width) * height) *
                            static_cast<std::size_t>(bytesPerSample);
    sum += bytes[0] + bytes[pixelBytes - 1];
    if (paletteCount == 0) return sum;
    if (palette == nullptr || indexPlane == nullptr) finding();
    sum += palette[4 * paletteCount - 1];
    const std::int64_t stride = indexRowStride(width);
    if (std::int64_t{width} * height > kFullyChecked) return sum + indexPlane[stride * height - 1];
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            if (indexPlane[y * stride + x] >= paletteCount) finding();
        }
    }
    return sum + indexPlane[stride * height - 1];
}

}  // namespace pictrano::fuzz
