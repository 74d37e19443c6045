#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace pictrano::test {

// A PNM picture (P5 grey or P6 colour) with its samples interleaved, top row first.
struct PnmPicture {
    int width = 0;
    int height = 0;
    int channels = 0;
    int maxValue = 0;
    std::vector<std::uint16_t> samples;
};

// Reads a binary PNM file, plain or gzip-compressed; 16-bit samples are big-endian in the file.
// Throws std::runtime_error on anything else.
PnmPicture readPnm(const std::filesystem::path& path);

// Peak signal-to-noise ratio in dB of two equally long sample sequences with the given peak;
// infinity when they are equal.
double psnr(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b, int peak);

}  // namespace pictrano::test
