// Nearest-neighbour scaling of a DibImage.
#include <cstring>
#include <new>
#include <vector>

#include "imagelib/image/DibImage.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

// Source positions for each of `target` positions over `source` ones. The first and last target
// positions land exactly on the first and last source positions; a single target position takes
// the middle of the source, which represents it best.
std::vector<std::int32_t> sourcePositions(std::int64_t source, std::int64_t target) {
    std::vector<std::int32_t> positions(static_cast<std::size_t>(target));
    for (std::int64_t i = 0; i < target; ++i) {
        positions[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
            target == 1 ? (source - 1) / 2 : (source - 1) * i / (target - 1));
    }
    return positions;
}

}  // namespace

DibImage* DibImage::resize(int newWidth, int newHeight) {
    if (!hasPicture() || !pictureFitsLimits(newWidth, newHeight)) return nullptr;
    const std::int64_t oldStride = pixelRowStride(width_);
    const std::int64_t newStride = pixelRowStride(newWidth);
    const std::int64_t oldIndexStride = indexRowStride(width_);
    const std::int64_t newIndexStride = indexRowStride(newWidth);
    const bool hasIndexPlane = !indexPlane_.empty();
    try {
        const auto columns = sourcePositions(width_, newWidth);
        const auto rows = sourcePositions(height_, newHeight);
        HeapArray<std::uint8_t> pixels;
        pixels.assign(static_cast<std::size_t>(newStride * newHeight));
        HeapArray<std::uint8_t> plane;
        if (hasIndexPlane) plane.assign(static_cast<std::size_t>(newIndexStride * newHeight));
        for (int i = 0; i < newHeight; ++i) {
            const std::uint8_t* from = pixels_.data() + rows[i] * oldStride;
            std::uint8_t* to = pixels.data() + i * newStride;
            for (int j = 0; j < newWidth; ++j) std::memcpy(to + 3 * j, from + 3 * columns[j], 3);
            if (!hasIndexPlane) continue;
            const std::uint8_t* fromIndex = indexPlane_.data() + rows[i] * oldIndexStride;
            std::uint8_t* toIndex = plane.data() + i * newIndexStride;
            for (int j = 0; j < newWidth; ++j) toIndex[j] = fromIndex[columns[j]];
        }
        pixels_ = std::move(pixels);
        indexPlane_ = std::move(plane);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    fillHeader(newWidth, newHeight);
    header_.imageSize = static_cast<std::uint32_t>(newStride * newHeight);
    width_ = newWidth;
    height_ = newHeight;
    return this;
}

}  // namespace pictrano
