#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pictrano::test {

// A picture as libjpeg gives or takes it: interleaved 8-bit samples (RGB, or grey), top row
// first, no row padding.
struct LibjpegPicture {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> samples;
};

// How libjpeg is to write a file.
struct LibjpegSettings {
    int quality = 85;
    // Sampling factors of the three components (grey pictures use the first).
    std::array<int, 3> horizontal = {2, 1, 1};
    std::array<int, 3> vertical = {2, 1, 1};
    bool progressive = false;
    bool optimiseTables = false;
    int restartInterval = 0;  // MCUs; 0 none
    // Store the RGB samples as they are (component identifiers R, G, B) instead of YCbCr.
    bool keepRgb = false;
};

// Encodes with libjpeg (an independent encoder); throws std::runtime_error on failure.
std::vector<std::uint8_t> encodeWithLibjpeg(const LibjpegPicture& picture,
                                            const LibjpegSettings& settings);

// Decodes with libjpeg, the integer inverse DCT and, unless `fancyUpsampling`, chroma up-sampling
// by replication; RGB output for colour files. A file carries no marker saying how its
// components are stored: `storedAs` 2 tells libjpeg they are RGB, 3 YCbCr (which comes back as
// the stored components unless `toRgb`), 0 leaves it to libjpeg. Throws std::runtime_error on
// failure.
LibjpegPicture decodeWithLibjpeg(const std::vector<std::uint8_t>& file,
                                 bool fancyUpsampling = false, int storedAs = 0, bool toRgb = true);

// The quantised coefficients of every block of a file as libjpeg reads them.
struct LibjpegComponentBlocks {
    std::array<std::uint16_t, 64> quantisers{};    // natural order
    std::vector<std::array<std::int16_t, 64>> blocks;  // natural order
};
std::vector<LibjpegComponentBlocks> readCoefficientsWithLibjpeg(
    const std::vector<std::uint8_t>& file);

// A deterministic test picture: smooth gradients with edges and a little noise.
LibjpegPicture drawTestPicture(int width, int height, int components, unsigned seed = 1);

}  // namespace pictrano::test
