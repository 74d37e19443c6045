#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictrano::test {

// The plain coders, written as the rules state them: each candidate walk steps one byte at a time
// through the window, codes are ORed at bit positions into a zero-filled buffer through the
// tables' pre-shifted patterns, and lengths and distances find their rows by searching the
// standard tables downwards. The reference the shipped coders must match byte for byte.
std::vector<std::uint8_t> referenceDeflate(const std::vector<std::uint8_t>& input, int degree,
                                           std::size_t rowWindow = 0);

}  // namespace pictrano::test
