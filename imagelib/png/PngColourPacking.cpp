#include "imagelib/png/PngColourPacking.h"

#include "imagelib/image/RowLayout.h"
#include "imagelib/png/PngLayout.h"

namespace pictrano {
namespace {

// The 16-bit luminance, 0 to 65,280.
unsigned luminance(const std::uint8_t* bgr) { return 77u * bgr[2] + 150u * bgr[1] + 29u * bgr[0]; }

void packRgb(const std::uint8_t* from, std::int64_t width, bool wide, std::uint8_t* to) {
    for (std::int64_t x = 0; x < width; ++x, from += 3) {
        const std::uint8_t rgb[3] = {from[2], from[1], from[0]};
        for (const std::uint8_t sample : rgb) {
            *to++ = sample;
            if (wide) *to++ = sample;  // sample x 257, big-endian
        }
    }
}

// Grey of 1, 2, 4 or 8 bits is the top of the luminance (1 bit: 1 from 32,768 up), packed with
// the leftmost pixel in the most significant bits; 16 bits is the whole luminance.
void packGrey(const std::uint8_t* from, std::int64_t width, int bitDepth, std::uint8_t* to) {
    const int perByte = bitDepth < 8 ? 8 / bitDepth : 1;
    for (std::int64_t x = 0; x < width; ++x, from += 3) {
        const unsigned level = luminance(from);
        if (bitDepth == 16) {
            to[2 * x] = static_cast<std::uint8_t>(level >> 8);
            to[2 * x + 1] = static_cast<std::uint8_t>(level);
            continue;
        }
        const unsigned sample = level >> (16 - bitDepth);
        const int shift = 8 - bitDepth * (1 + static_cast<int>(x % perByte));
        to[x / perByte] = static_cast<std::uint8_t>(to[x / perByte] | sample << shift);
    }
}

}  // namespace

void packColourRows(const std::uint8_t* pixels, std::int64_t width, std::int64_t height,
                    int colourType, int bitDepth, std::uint8_t* out, std::int64_t rowBytes) {
    const bool rgb = colourType == kPngTruecolour;
    const std::int64_t stride = pixelRowStride(width);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* from = pixels + y * stride;
        std::uint8_t* to = out + y * rowBytes;
        if (rgb) {
            packRgb(from, width, bitDepth == 16, to);
        } else {
            packGrey(from, width, bitDepth, to);
        }
    }
}

}  // namespace pictrano
