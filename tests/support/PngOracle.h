#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace pictrano::test {

// A picture decoded by libpng, as 8-bit RGB(A) flattened to blue, green, red per pixel, top row
// first, without row padding.
struct OraclePicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr;
};

// Decodes a PNG file with libpng (an independent decoder); alpha is dropped, 16-bit samples keep
// their high byte, palettes and grey are expanded.
OraclePicture decodePngWithLibpng(const std::filesystem::path& path);

// Packs top-down 24-bit rows with padding into the same unpadded layout.
std::vector<std::uint8_t> unpadRows(const std::uint8_t* rows, int width, int height);

}  // namespace pictrano::test
