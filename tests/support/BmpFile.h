#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace pictrano::test {

// A bitmap file to build: file header, info header (masks inside it from 108 bytes on),
// `entries` palette entries (entry i is blue i, green 100 + i, red 200 - i: distinct and
// recognisable), then the pixel data exactly as given.
struct BmpFile {
    int headerSize = 40, width = 1, height = 1, bitCount = 8, compression = 0, entries = 0;
    std::optional<std::int64_t> colorsUsed{};  // default: entries
    std::array<std::uint32_t, 3> masks{};      // red, green, blue
    std::optional<std::int64_t> bitsOffset{};  // default: where the data really begins
    std::vector<std::uint8_t> data{};
};

std::array<std::uint8_t, 3> bmpEntryColour(int i);
std::vector<std::uint8_t> bytesOf(const BmpFile& file);

}  // namespace pictrano::test
