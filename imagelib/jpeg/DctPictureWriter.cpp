#include "imagelib/jpeg/DctPictureWriter.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/SampleRows.h"

namespace pictrano {
namespace {

// Repeats each sample `ratio` times across `width` outputs.
void replicate(const std::int16_t* source, int ratio, int width, std::int16_t* out) {
    int x = 0;
#if defined(__SSE2__)
    if (ratio == 2) {
        for (; x + 16 <= width; x += 16) {
            const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x / 2));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(samples, samples));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 8), _mm_unpackhi_epi16(samples, samples));
        }
    }
#endif
    for (int i = x / ratio; x < width; ++i) {
        for (int r = 0; r < ratio && x < width; ++r) out[x++] = source[i];
    }
}

template <typename T>
void clearPadding(T* row, std::size_t used, std::size_t stride) {
    std::fill(row + used, row + stride, T{0});
}

}  // namespace

DctPictureWriter::DctPictureWriter(const FrameGeometry& geometry, int precision, bool raw,
                                   bool fullColour, bool greyPicture, bool topDown,
                                   JpegPicture& picture)
    : geometry_(geometry),
      precision_(precision),
      raw_(raw),
      fullColour_(fullColour),
      greyPicture_(greyPicture),
      topDown_(topDown),
      picture_(picture),
      upsampled_(geometry.components.size()),
      lastSource_(geometry.components.size(), nullptr) {
    const auto& components = geometry.components;
    halfChroma_ = components.size() == 3 && !raw && precision <= 8 && components[0].horizontalRatio == 1 &&
                  components[1].horizontalRatio == 2 && components[2].horizontalRatio == 2;
    for (std::size_t j = 0; j < geometry.components.size(); ++j) {
        if (geometry.components[j].horizontalRatio > 1 && !(halfChroma_ && j > 0)) {
            upsampled_[j].resize(static_cast<std::size_t>(geometry.width));
        }
    }
}

std::vector<SampleStrip> DctPictureWriter::makeStrips() const {
    std::vector<SampleStrip> strips(geometry_.components.size());
    for (std::size_t j = 0; j < strips.size(); ++j) {
        const ComponentGeometry& component = geometry_.components[j];
        strips[j].pitch = 8 * component.unitsAcross;
        strips[j].samples.assign(static_cast<std::size_t>(strips[j].pitch) * 8 * component.vertical, 0);
    }
    return strips;
}

const std::int16_t* DctPictureWriter::sourceRow(int j, int y, int firstRow,
                                                const SampleStrip& strip) const {
    const ComponentGeometry& component = geometry_.components[static_cast<std::size_t>(j)];
    return strip.row(y / component.verticalRatio - firstRow / component.verticalRatio);
}

const std::int16_t* DctPictureWriter::componentRow(int j, int y, int firstRow,
                                                   const SampleStrip& strip) {
    const std::int16_t* source = sourceRow(j, y, firstRow, strip);
    const int ratio = geometry_.components[static_cast<std::size_t>(j)].horizontalRatio;
    if (ratio == 1) return source;
    std::int16_t* out = upsampled_[static_cast<std::size_t>(j)].data();
    if (lastSource_[static_cast<std::size_t>(j)] == source) return out;
    lastSource_[static_cast<std::size_t>(j)] = source;
    replicate(source, ratio, geometry_.width, out);
    return out;
}

void DctPictureWriter::writeMcuRow(int mcuRow, const std::vector<SampleStrip>& strips) {
    const int rowsPerMcu = 8 * geometry_.largestVertical;
    const int firstRow = mcuRow * rowsPerMcu;
    const int endRow = std::min(geometry_.height, firstRow + rowsPerMcu);
    std::fill(lastSource_.begin(), lastSource_.end(), nullptr);
    const int width = geometry_.width;
    const bool wide = precision_ > 8;
    const auto pixelStride = static_cast<std::size_t>(pixelRowStride(width));
    const auto greyStride = static_cast<std::size_t>(indexRowStride(width));
    const auto used = 3 * static_cast<std::size_t>(width);
    for (int y = firstRow; y < endRow; ++y) {
        const auto stored = static_cast<std::size_t>(storedRow(y, geometry_.height, topDown_));
        // The bytes between each row's pixels and its 4-byte boundary are zero.
        if (fullColour_ && wide) clearPadding(picture_.widePixels.data() + stored * pixelStride, used, pixelStride);
        if (fullColour_ && !wide) clearPadding(picture_.pixels.data() + stored * pixelStride, used, pixelStride);
        if (greyPicture_) clearPadding(picture_.grey.data() + stored * greyStride, static_cast<std::size_t>(width), greyStride);
        if (strips.size() == 1) {
            const std::int16_t* samples = componentRow(0, y, firstRow, strips[0]);
            if (fullColour_ && wide) greyWideRow(samples, width, precision_, picture_.widePixels.data() + stored * pixelStride);
            if (fullColour_ && !wide) greyPixelRow(samples, width, picture_.pixels.data() + stored * pixelStride);
            if (greyPicture_) greyByteRow(samples, width, precision_, picture_.grey.data() + stored * greyStride);
            continue;
        }
        const std::int16_t* luma = componentRow(0, y, firstRow, strips[0]);
        if (halfChroma_) {
            convertedPixelRowHalfChroma(luma, sourceRow(1, y, firstRow, strips[1]), sourceRow(2, y, firstRow, strips[2]),
                                        width, picture_.pixels.data() + stored * pixelStride);
            continue;
        }
        const std::int16_t* blue = componentRow(1, y, firstRow, strips[1]);
        const std::int16_t* red = componentRow(2, y, firstRow, strips[2]);
        if (wide) {
            std::uint16_t* out = picture_.widePixels.data() + stored * pixelStride;
            if (raw_) {
                rawWideRow(luma, blue, red, width, precision_, out);
            } else {
                convertedWideRow(luma, blue, red, width, precision_, out);
            }
        } else {
            std::uint8_t* out = picture_.pixels.data() + stored * pixelStride;
            if (raw_) {
                rawPixelRow(luma, blue, red, width, out);
            } else {
                convertedPixelRow(luma, blue, red, width, out);
            }
        }
    }
}

}  // namespace pictrano
