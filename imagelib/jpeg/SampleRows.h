#pragma once

#include <cstdint>

namespace pictrano {

// Turning rows of decoded samples (signed 16-bit, up-sampled to the picture's width) into output
// rows: 24-bit rows of blue, green, red bytes, their 16-bit form for precisions above 8, or grey
// bytes. Y, Cb and Cr are the samples of components 0, 1 and 2.

// Each grey sample clamped to 0..255 into all three bytes of its pixel.
void greyPixelRow(const std::int16_t* samples, int width, std::uint8_t* out);
// The components as stored: blue Cr, green Cb, red Y, each clamped to 0..255.
void rawPixelRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr, int width,
                 std::uint8_t* out);
// YCbCr to RGB in integers on a scale of 256 (Cb' = Cb - 128, Cr' = Cr - 128, >> arithmetic):
// blue (256Y + 453Cb') >> 8, green (256Y - 87Cb' - 182Cr') >> 8, red (256Y + 358Cr') >> 8, each
// kept to 16 bits and then clamped to 0..255.
// Converted rows are stored by packed SSE2 moves, or by byte shuffles where the processor has
// them (the same bytes); Fastest takes the latter where offered.
enum class PixelStore { Packed, Fastest };
void convertedPixelRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr,
                       int width, std::uint8_t* out, PixelStore store = PixelStore::Fastest);
// The same with Cb and Cr at half the width: pixel x takes chroma sample x / 2, as after
// up-sampling by replication.
void convertedPixelRowHalfChroma(const std::int16_t* y, const std::int16_t* cb,
                                 const std::int16_t* cr, int width, std::uint8_t* out,
                                 PixelStore store = PixelStore::Fastest);

// The same for precisions above 8, clamped to 0..2^precision - 1 into 16-bit units; conversion on
// a scale of 4096 with 7258, -1410, -2925 and 5742 and L = 2^(precision - 1) for 128.
void greyWideRow(const std::int16_t* samples, int width, int precision, std::uint16_t* out);
void rawWideRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr, int width,
                int precision, std::uint16_t* out);
void convertedWideRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr,
                      int width, int precision, std::uint16_t* out);

// Grey bytes: each sample clamped to 0..2^precision - 1 and shifted right by precision - 8.
void greyByteRow(const std::int16_t* samples, int width, int precision, std::uint8_t* out);

}  // namespace pictrano
