#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pictrano {

// Item data of the output formats in the format list: the format in the third byte.
inline constexpr std::uint32_t kFormatDataMask = 0xFF0000;
inline constexpr std::uint32_t kBitmapData = 0x10000;
inline constexpr std::uint32_t kJpegData = 0x20000;
inline constexpr std::uint32_t kPngData = 0x30000;
inline constexpr std::uint32_t kIconData = 0x40000;

// Compression flags; a colour format allows a set of them, a compression entry holds one.
inline constexpr std::uint32_t kCompressionNone = 1;
inline constexpr std::uint32_t kCompressionRle = 2;
inline constexpr std::uint32_t kCompressionBaselineDct = 4;
inline constexpr std::uint32_t kCompressionLossless = 8;
inline constexpr std::uint32_t kCompressionDeflate = 16;

// Colour models of the colour formats.
inline constexpr int kModelMonochrome = 0;
inline constexpr int kModelRgb = 1;
inline constexpr int kModelYcbcr = 2;

struct OutputFormatRow {
    const char* name;
    std::uint32_t data;
};

inline constexpr std::array<OutputFormatRow, 4> OutputFormatTable{{
    {"Bitmap", kBitmapData},
    {"Jpeg", kJpegData},
    {"Png", kPngData},
    {"Icon", kIconData},
}};

struct ColourFormatRow {
    const char* name;
    std::uint32_t format;        // the output format's item data
    int model;                   // kModelMonochrome, kModelRgb or kModelYcbcr
    int bits;                    // bits per pixel
    std::uint32_t compressions;  // the allowed compression flags
};

inline constexpr std::array<ColourFormatRow, 24> ColourFormatTable{{
    {"カラー 32bit RGB", kBitmapData, kModelRgb, 32, kCompressionNone},
    {"カラー 24bit RGB", kBitmapData, kModelRgb, 24, kCompressionNone},
    {"カラー 16bit RGB", kBitmapData, kModelRgb, 16, kCompressionNone},
    {"カラー 8bit RGB", kBitmapData, kModelRgb, 8, kCompressionNone | kCompressionRle},
    {"カラー 4bit RGB", kBitmapData, kModelRgb, 4, kCompressionNone | kCompressionRle},
    {"モノクロ 8bit RGB", kBitmapData, kModelMonochrome, 8, kCompressionNone | kCompressionRle},
    {"モノクロ 4bit RGB", kBitmapData, kModelMonochrome, 4, kCompressionNone | kCompressionRle},
    {"モノクロ 1bit RGB", kBitmapData, kModelRgb, 1, kCompressionNone},
    {"カラー 8bit YCbCr", kJpegData, kModelYcbcr, 8,
     kCompressionBaselineDct | kCompressionLossless},
    {"カラー 8bit RGB", kJpegData, kModelRgb, 8, kCompressionLossless},
    {"モノクロ 8bit Y", kJpegData, kModelMonochrome, 8,
     kCompressionBaselineDct | kCompressionLossless},
    {"カラー 24bit RGB", kPngData, kModelRgb, 24, kCompressionNone | kCompressionDeflate},
    {"カラー 8bit RGB", kPngData, kModelRgb, 8, kCompressionNone | kCompressionDeflate},
    {"カラー 4bit RGB", kPngData, kModelRgb, 4, kCompressionNone | kCompressionDeflate},
    {"モノクロ 8bit Y", kPngData, kModelMonochrome, 8, kCompressionNone | kCompressionDeflate},
    {"モノクロ 4bit Y", kPngData, kModelMonochrome, 4, kCompressionNone | kCompressionDeflate},
    {"モノクロ 2bit Y", kPngData, kModelMonochrome, 2, kCompressionNone | kCompressionDeflate},
    {"モノクロ 1bit Y", kPngData, kModelMonochrome, 1, kCompressionNone | kCompressionDeflate},
    {"カラー 24bit RGB", kIconData, kModelRgb, 24, kCompressionNone},
    {"カラー 8bit RGB", kIconData, kModelRgb, 8, kCompressionNone},
    {"カラー 4bit RGB", kIconData, kModelRgb, 4, kCompressionNone},
    {"モノクロ 8bit RGB", kIconData, kModelMonochrome, 8, kCompressionNone},
    {"モノクロ 4bit RGB", kIconData, kModelMonochrome, 4, kCompressionNone},
    {"モノクロ 1bit RGB", kIconData, kModelRgb, 1, kCompressionNone},
}};

// A colour entry's item data: format | model << 14 | bits << 8 | compression flags.
constexpr std::uint32_t packColourFormat(const ColourFormatRow& row) {
    return row.format | static_cast<std::uint32_t>(row.model) << 14 |
           static_cast<std::uint32_t>(row.bits) << 8 | row.compressions;
}

struct ColourFormatChoice {
    int model;
    int bits;
    std::uint32_t compressions;
};

// The conversion job's view of a colour entry's item data.
constexpr ColourFormatChoice unpackColourFormat(std::uint32_t data) {
    return {static_cast<int>((data >> 14) & 3), static_cast<int>((data >> 8) & 0x3F),
            data & 0xFF};
}

struct CompressionRow {
    const char* name;
    std::uint32_t flag;
};

inline constexpr std::array<CompressionRow, 5> CompressionTable{{
    {"(なし)", kCompressionNone},
    {"RLE(Run Length Encode)", kCompressionRle},
    {"基本DCT", kCompressionBaselineDct},
    {"可逆圧縮", kCompressionLossless},
    {"Deflate", kCompressionDeflate},
}};

// The degree lists of the degree combo box and the line selected when each is filled.
struct DegreeList {
    std::vector<std::string> lines;
    int defaultIndex;
};

DegreeList qualityDegrees();    // baseline DCT: qualities 1 to 99
DegreeList predictorDegrees();  // lossless JPEG: predictors 1 to 7
DegreeList deflateDegrees();    // Deflate: three degrees times six row filters

}  // namespace pictrano
