#include "imagelib/jpeg/JpegPicture.h"

#include "imagelib/image/RowLayout.h"

namespace pictrano {

void JpegPicture::releasePictures() {
    header = BitmapInfoHeader{};
    pixels.clear();
    widePixels.clear();
    grey.clear();
    paletteCount = 0;
}

void JpegPicture::allocate(int width, int height, int samplePrecision, bool fullColour,
                           bool greyPicture, bool everyByteWritten) {
    releasePictures();
    header.width = width;
    header.height = height;
    header.bitCount = 24;
    precision = samplePrecision;
    const auto count = static_cast<std::size_t>(pixelRowStride(width) * height);
    const auto greyCount = static_cast<std::size_t>(indexRowStride(width) * height);
    if (everyByteWritten) {
        if (fullColour && samplePrecision > 8) widePixels.assignUnset(count);
        if (fullColour && samplePrecision <= 8) pixels.assignUnset(count);
        if (greyPicture) grey.assignUnset(greyCount);
    } else {
        if (fullColour && samplePrecision > 8) widePixels.assign(count);
        if (fullColour && samplePrecision <= 8) pixels.assign(count);
        if (greyPicture) grey.assign(greyCount);
    }
    if (greyPicture) {
        if (palette.empty()) {
            palette.assign(1024, 0);
            for (int i = 0; i < 256; ++i) {
                for (int c = 0; c < 3; ++c) palette[static_cast<std::size_t>(4 * i + c)] = static_cast<std::uint8_t>(i);
            }
        }
        paletteCount = 256;
    }
}

}  // namespace pictrano
