#pragma once

#include <cstdint>
#include <vector>

#include "imagelib/image/BitmapInfoHeader.h"
#include "imagelib/image/HeapArray.h"

namespace pictrano {

// What a JPEG decode delivers: the full-colour picture in 24-bit rows (bytes, or 16-bit units
// when the precision exceeds 8), optionally an 8-bit grey picture with a grey palette.
struct JpegPicture {
    BitmapInfoHeader header;  // width, height, planes 1, bit count 24
    int precision = 0;
    HeapArray<std::uint8_t> pixels;
    HeapArray<std::uint16_t> widePixels;
    HeapArray<std::uint8_t> grey;
    // 256 entries of blue, green, red, 0; made on first use and kept until the decoder is reset.
    std::vector<std::uint8_t> palette;
    int paletteCount = 0;

    // Frees the decoded pictures; the palette stays.
    void releasePictures();
    // Sets the header and makes the buffers asked for, rows padded to 4: zero-filled, or left
    // unset for a caller that writes every byte of every row, padding included.
    void allocate(int width, int height, int samplePrecision, bool fullColour, bool greyPicture,
                  bool everyByteWritten = false);
};

// Output flags: bit 0 the full-colour picture, bit 1 the grey picture with palette, bits 4 to 7
// equal to 1 rows top-down.
constexpr std::uint32_t kOutputFullColour = 0x01;
constexpr std::uint32_t kOutputGrey = 0x02;
inline bool topDownRows(std::uint32_t outputFlags) { return ((outputFlags >> 4) & 0x0F) == 1; }

// The row of the output buffers that picture row y goes to.
inline int storedRow(int y, int height, bool topDown) { return topDown ? y : height - 1 - y; }

}  // namespace pictrano
