#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictrano::test {

using Bytes = std::vector<std::uint8_t>;

// PNG files assembled with zlib (an independent CRC-32 and Deflate), for cases no encoder makes.
Bytes pngChunk(const std::string& type, const Bytes& data);
Bytes imageHeader(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                  int interlace = 0, int compression = 0);
// The signature followed by the chunks in order.
Bytes pngFile(const std::vector<Bytes>& chunks);
// The data of every IDAT chunk of a file, inflated by zlib.
Bytes inflatedImageData(const Bytes& file);

// A picture in PNG terms: unfiltered rows of packed samples (16-bit big-endian), top row first.
struct RawPicture {
    int width = 0;
    int height = 0;
    int colourType = 0;
    int bitDepth = 0;
    bool interlaced = false;
    Bytes plte;  // indexed pictures: red, green, blue triples
    std::vector<Bytes> rows;
};

// Random samples of every colour type and depth; indices stay below the palette's entries.
RawPicture randomPicture(std::uint32_t seed, int width, int height, int colourType, int bitDepth,
                         bool interlaced);
// Written by libpng with every filter allowed to its own choice, and zlib level 6.
Bytes encodeWithLibpng(const RawPicture& picture);

}  // namespace pictrano::test
