#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pictrano::bench {

// A benchmark picture: 8-bit RGB samples, top row first, no row padding.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Reads a binary PPM (P6, maxval 255) as drawn by bench/make-pictures; throws on anything else.
RgbPicture readPpm(const std::filesystem::path& path);

// The picture as 24-bit rows: blue, green, red per pixel, each row padded to 4 bytes.
std::vector<std::uint8_t> toPaddedBgrRows(const RgbPicture& picture);

// The median wall-clock seconds of `repetitions` runs of `work` (after one warm-up run).
double medianSeconds(int repetitions, const std::function<void()>& work);

// Prints one row of a ratio table: our time, the oracle's time and ours / theirs, plus a note
// (compressed sizes and the like).
void printRatio(std::string_view what, double oursSeconds, double theirsSeconds,
                std::string_view note = {});

}  // namespace pictrano::bench
