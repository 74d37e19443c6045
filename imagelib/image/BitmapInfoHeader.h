#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// The file header in front of the info header of a bitmap file: "BM", the file size, two reserved
// words and, at kBitsOffsetAt, where the pixel bits start.
inline constexpr std::size_t kBitmapFileHeaderBytes = 14;
inline constexpr std::size_t kBitsOffsetAt = 10;

// The 40-byte BITMAPINFOHEADER, field for field. Serialised explicitly in little-endian order
// wherever it is written to a file.
struct BitmapInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t colorsImportant = 0;

    static constexpr int kBytes = 40;

    void store(std::uint8_t* out) const;
};

}  // namespace pictrano
