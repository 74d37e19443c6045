#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// Colour models of the encoder's samples.
inline constexpr int kJpegGrey = 1;
inline constexpr int kJpegRgb = 2;
inline constexpr int kJpegYcbcr = 3;

// The number of components of a colour model: 1 grey, 3 RGB and YCbCr, 0 for any other model.
int componentCountOf(int colourModel);

// The picture an encoder codes and how its pixels become samples. The pixels are 24-bit rows
// (blue, green, red; rows padded to 4 bytes; top row first) that stay the caller's. Samples are
// formed row by row as the coders need them: luminance (77 R + 150 G + 29 B) >> 8, Cb
// ((128 B - 43 R - 85 G) >> 8) + 128, Cr ((128 R - 21 B - 107 G) >> 8) + 128, or R, G, B,
// each minus 128 when levelShift is set. The picture extends without end to the right and
// downwards: columns past its width repeat the row's last sample, rows past its height repeat
// the last row.
struct SampleSource {
    const std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
    int width = 0;
    int height = 0;
    int colourModel = 0;
    bool levelShift = false;

    int componentCount() const { return componentCountOf(colourModel); }
    // The samples of row y of each component into rows[c], `length` (at least the width) samples
    // each; a component whose row pointer is null is left out.
    void fillRow(int y, std::int16_t* const* rows, int length) const;
};

}  // namespace pictrano
