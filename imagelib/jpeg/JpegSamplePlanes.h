#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// Colour models of the encoder's sample planes.
inline constexpr int kJpegGrey = 1;
inline constexpr int kJpegRgb = 2;
inline constexpr int kJpegYcbcr = 3;

// Sample planes of signed 16-bit samples, each paddedWidth x paddedHeight, rows top first, one
// after the other.
struct SamplePlanes {
    const std::int16_t* samples = nullptr;
    int paddedWidth = 0;
    int paddedHeight = 0;

    const std::int16_t* plane(int index) const {
        return samples + static_cast<std::size_t>(index) * static_cast<std::size_t>(paddedWidth) *
                             static_cast<std::size_t>(paddedHeight);
    }
};

// The number of planes of a colour model: 1 grey, 3 RGB and YCbCr, 0 for any other model.
int planeCountOf(int colourModel);

// Fills the planes of a colour model from 24-bit rows (blue, green, red; rows padded to 4 bytes;
// top row first), minus 128 when `levelShift` is set. Luminance is (77 R + 150 G + 29 B) >> 8,
// Cb (128 B - 43 R - 85 G) >> 8 plus 128, Cr (128 R - 21 B - 107 G) >> 8 plus 128. Columns
// right of the picture repeat the last sample of their row, rows below it the last row.
void fillSamplePlanes(const std::uint8_t* pixels, int width, int height, int colourModel,
                      bool levelShift, std::int16_t* planes, int paddedWidth, int paddedHeight);

}  // namespace pictrano
