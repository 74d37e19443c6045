#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// Whether pictures of this colour type and depth come with a palette and an index plane: grey of
// up to 8 bits (a grey ramp) and indexed colour.
bool pngHasIndexPlane(int colourType, int bitDepth);

// Converts one unfiltered row of `width` pixels into 24-bit pixels (blue, green, red) and, when
// the format has an index plane, into `indices` as well. 16-bit samples give their high byte,
// alpha samples are skipped. Indexed pixels take their colour from `palette` (blue, green, red, 0
// per entry), as do grey pixels from the ramp. Returns false when an index is not below
// paletteCount; the format must be one the reader accepts.
bool convertPngRow(const std::uint8_t* row, std::size_t width, int colourType, int bitDepth,
                   const std::uint8_t* palette, int paletteCount, std::uint8_t* bgr,
                   std::uint8_t* indices);

}  // namespace pictrano
