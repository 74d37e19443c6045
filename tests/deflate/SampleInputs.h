#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pictrano::test {

struct SampleInput {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Deterministic inputs of the kinds the coders meet: random bytes, repetitive text, long runs,
// short periodic patterns, and image-like rows (smooth gradients with noise, filtered PNG-style
// with a leading filter byte per row, flat areas with sharp edges).
std::vector<std::uint8_t> randomBytes(std::size_t length, std::uint32_t seed);
std::vector<std::uint8_t> textBytes(std::size_t length, std::uint32_t seed);
std::vector<std::uint8_t> runBytes(std::size_t length, std::uint32_t seed);
std::vector<std::uint8_t> periodicBytes(std::size_t length, std::size_t period, std::uint32_t seed);
std::vector<std::uint8_t> imageRows(int width, int height, int bytesPerPixel, std::uint32_t seed);
std::vector<std::uint8_t> flatImageRows(int width, int height, std::uint32_t seed);

// A mix of all kinds, each cut to `length` bytes.
std::vector<SampleInput> sampleInputs(std::size_t length, std::uint32_t seed);

}  // namespace pictrano::test
