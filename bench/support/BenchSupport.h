#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
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

// The medians of `repetitions` runs each of two pieces of work taken in turn (after one warm-up
// run each), so that both meet the same load of a shared machine.
std::pair<double, double> interleavedMedians(int repetitions, const std::function<void()>& ours,
                                             const std::function<void()>& theirs);

// Prints one row of the ratio table bench/run heads (Markdown): what was measured, our time,
// the other's time (milliseconds), ours / theirs, and a note (compressed sizes and the like).
void printRatio(std::string_view what, double oursSeconds, double theirsSeconds,
                std::string_view note = {});

// A row for a case no independent codec here handles: our time alone.
void printOursOnly(std::string_view what, double oursSeconds, std::string_view note = {});

}  // namespace pictrano::bench
