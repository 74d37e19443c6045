#include "imagelib/jpeg/JpegSamplePlanes.h"

#include <algorithm>

#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

struct PlaneRows {
    std::int16_t* first;
    std::int16_t* second;
    std::int16_t* third;
};

int luminance(int red, int green, int blue) { return (77 * red + 150 * green + 29 * blue) >> 8; }

// One row of pixels into the samples of each plane's row.
void convertRow(const std::uint8_t* pixel, int width, int colourModel, int shift, PlaneRows rows) {
    switch (colourModel) {
    case kJpegGrey:
        for (int x = 0; x < width; ++x, pixel += 3) {
            rows.first[x] = static_cast<std::int16_t>(luminance(pixel[2], pixel[1], pixel[0]) - shift);
        }
        break;
    case kJpegRgb:
        for (int x = 0; x < width; ++x, pixel += 3) {
            rows.first[x] = static_cast<std::int16_t>(pixel[2] - shift);
            rows.second[x] = static_cast<std::int16_t>(pixel[1] - shift);
            rows.third[x] = static_cast<std::int16_t>(pixel[0] - shift);
        }
        break;
    default:
        for (int x = 0; x < width; ++x, pixel += 3) {
            const int blue = pixel[0], green = pixel[1], red = pixel[2];
            rows.first[x] = static_cast<std::int16_t>(luminance(red, green, blue) - shift);
            rows.second[x] =
                static_cast<std::int16_t>(((128 * blue - 43 * red - 85 * green) >> 8) - shift + 128);
            rows.third[x] =
                static_cast<std::int16_t>(((128 * red - 21 * blue - 107 * green) >> 8) - shift + 128);
        }
        break;
    }
}

}  // namespace

int planeCountOf(int colourModel) {
    switch (colourModel) {
    case kJpegGrey: return 1;
    case kJpegRgb:
    case kJpegYcbcr: return 3;
    default: return 0;
    }
}

void fillSamplePlanes(const std::uint8_t* pixels, int width, int height, int colourModel,
                      bool levelShift, std::int16_t* planes, int paddedWidth, int paddedHeight) {
    const int count = planeCountOf(colourModel);
    const auto planeSize = static_cast<std::size_t>(paddedWidth) * static_cast<std::size_t>(paddedHeight);
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    const auto padded = static_cast<std::size_t>(paddedWidth);
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * padded;
        std::int16_t* first = planes + rowStart;
        const PlaneRows rows{first, count == 3 ? first + planeSize : nullptr,
                             count == 3 ? first + 2 * planeSize : nullptr};
        convertRow(pixels + static_cast<std::size_t>(y) * stride, width, colourModel,
                   levelShift ? 128 : 0, rows);
    }
    for (int p = 0; p < count; ++p) {
        std::int16_t* plane = planes + static_cast<std::size_t>(p) * planeSize;
        for (int y = 0; y < height; ++y) {
            std::int16_t* row = plane + static_cast<std::size_t>(y) * padded;
            std::fill(row + width, row + paddedWidth, row[width - 1]);
        }
        const std::int16_t* last = plane + static_cast<std::size_t>(height - 1) * padded;
        for (int y = height; y < paddedHeight; ++y) {
            std::copy(last, last + paddedWidth, plane + static_cast<std::size_t>(y) * padded);
        }
    }
}

}  // namespace pictrano
