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

// A PNG file held in memory decoded by libpng's low-level reader with only plain transformations
// (no gamma, no background): 16-bit samples narrowed to their high byte, palette expanded, grey
// replicated into blue, green and red, alpha dropped. Chunk CRCs are not verified. Throws when
// libpng refuses the file.
struct OracleDecode {
    int width = 0;
    int height = 0;
    int colourType = 0;
    int bitDepth = 0;
    std::vector<std::uint8_t> bgr;      // blue, green, red per pixel, rows unpadded
    std::vector<std::uint8_t> plte;     // the PLTE data of an indexed file (red, green, blue)
    std::vector<std::uint8_t> samples;  // indexed and grey files: one raw sample per pixel
};
OracleDecode decodePngBytesWithLibpng(const std::vector<std::uint8_t>& file);

// The unfiltered rows of a PNG file as libpng delivers them with no transformation at all
// (interlaced files in image order): 16-bit samples big-endian, sub-byte samples packed.
std::vector<std::vector<std::uint8_t>> rawPngRowsWithLibpng(const std::vector<std::uint8_t>& file);

// Packs top-down 24-bit rows with padding into the same unpadded layout.
std::vector<std::uint8_t> unpadRows(const std::uint8_t* rows, int width, int height);

}  // namespace pictrano::test
