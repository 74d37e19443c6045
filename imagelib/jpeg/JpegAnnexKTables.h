#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pictrano {

// The example tables of ITU-T T.81 Annex K, with which the encoder's stream starts.

// Quantisation tables K.1 (luminance) and K.2 (chrominance), natural (row-major) order.
extern const std::array<std::uint8_t, 64> kAnnexKLuminanceQuantisers;
extern const std::array<std::uint8_t, 64> kAnnexKChrominanceQuantisers;

// A Huffman table in its DHT form without the class/identifier byte: 16 counts of codes of
// lengths 1 to 16, then the symbols, shortest codes first.
struct AnnexKHuffmanTable {
    const std::uint8_t* bytes;
    std::size_t length;
};

// Tables K.3 (DC luminance), K.4 (DC chrominance), K.5 (AC luminance), K.6 (AC chrominance).
extern const AnnexKHuffmanTable kAnnexKDcLuminance;
extern const AnnexKHuffmanTable kAnnexKDcChrominance;
extern const AnnexKHuffmanTable kAnnexKAcLuminance;
extern const AnnexKHuffmanTable kAnnexKAcChrominance;

}  // namespace pictrano
