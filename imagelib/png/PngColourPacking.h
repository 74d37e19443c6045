#pragma once

#include <cstdint>

namespace pictrano {

// Packs 24-bit rows (blue, green, red; top row first; rows padded to 4 bytes) into zero-filled
// PNG rows of `rowBytes` bytes: RGB of 8 or 16 bits, or grey of 1, 2, 4, 8 or 16 bits from the
// luminance 77 red + 150 green + 29 blue.
void packColourRows(const std::uint8_t* pixels, std::int64_t width, std::int64_t height,
                    int colourType, int bitDepth, std::uint8_t* out, std::int64_t rowBytes);

}  // namespace pictrano
