#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace pictrano::test {

// zlib, the independent Deflate implementation the codec is checked against.
struct ZlibSettings {
    int level = 6;
    int strategy = 0;  // Z_DEFAULT_STRATEGY
    int windowBits = 15;
    int memLevel = 8;
};

std::vector<std::uint8_t> zlibCompress(const std::vector<std::uint8_t>& data, const ZlibSettings& settings = {});

// The inflated bytes when zlib reads the whole input as one complete zlib stream with a correct
// Adler-32 (and nothing after it); nothing otherwise.
std::optional<std::vector<std::uint8_t>> zlibInflate(const std::vector<std::uint8_t>& stream);

// The stream followed by zlib's Adler-32 of `data`, big-endian.
std::vector<std::uint8_t> withAdler32(std::vector<std::uint8_t> stream, const std::vector<std::uint8_t>& data);

// Every combination of level, strategy, window size and memory level worth covering.
std::vector<ZlibSettings> zlibSettingsToCover();

}  // namespace pictrano::test
