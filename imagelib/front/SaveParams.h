#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// The output-parameters record handed to ImageSaver: 28 bytes, little-endian fields.
struct SaveParams {
    std::uint32_t structSize;  // must be sizeof(SaveParams), 28
    std::uint16_t format;      // 1 Bitmap, 2 JPEG, 3 PNG, 4 Icon
    std::uint16_t process;     // JPEG: 192/193 baseline, 195 lossless; else 1 for Bitmap RLE, 0
    std::uint16_t colourModel; // 1 grey, 2 RGB, 3 YCbCr
    std::uint16_t bitCount;    // 1, 2, 4, 8, 16, 24 or 32
    std::int16_t degree;       // RLE flag, JPEG quality or predictor, PNG filter << 4 | deflate
    std::int16_t samplingGiven;
    std::uint8_t hSampling[4];
    // JPEG vertical sampling factors; for Icon output the same four bytes hold the transparency
    // (see transparencyOf / setTransparency).
    std::uint8_t vSampling[4];
    std::uint8_t reserved[4];  // keeps the record at its 28-byte size; unused
};

static_assert(sizeof(SaveParams) == 28);
static_assert(offsetof(SaveParams, format) == 4);
static_assert(offsetof(SaveParams, process) == 6);
static_assert(offsetof(SaveParams, colourModel) == 8);
static_assert(offsetof(SaveParams, bitCount) == 10);
static_assert(offsetof(SaveParams, degree) == 12);
static_assert(offsetof(SaveParams, samplingGiven) == 14);
static_assert(offsetof(SaveParams, hSampling) == 16);
static_assert(offsetof(SaveParams, vSampling) == 20);

enum : std::uint16_t { kFormatBitmap = 1, kFormatJpeg = 2, kFormatPng = 3, kFormatIcon = 4 };

// Icon transparency: -1 none, a rule code with bit 30 set, or a colour 0x00RRGGBB.
constexpr std::int32_t kNoTransparency = -1;
constexpr std::int32_t kTransparentTopLeft = 0x40000005;
constexpr std::int32_t kTransparentTopRight = 0x40000006;
constexpr std::int32_t kTransparentBottomLeft = 0x40000009;
constexpr std::int32_t kTransparentBottomRight = 0x4000000A;
constexpr std::int32_t kTransparentBorder = 0x40000010;

inline std::int32_t transparencyOf(const SaveParams& params) {
    const std::uint8_t* b = params.vSampling;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (b[1] << 8) |
                                     (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

inline void setTransparency(SaveParams& params, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) params.vSampling[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

}  // namespace pictrano
