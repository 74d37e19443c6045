#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imagelib/jpeg/JpegEncoder.h"

namespace pictrano::test {

// The plain forms of baseline coding, kept as the reference the encoder's fast forms must match.

// The padded sample planes of the encoder's picture as the rules describe them: one plane per
// component, width and height rounded up to multiples of 32, samples by the colour formulas
// (minus 128 with the level shift), columns right of the picture repeating the row's last
// sample and rows below it the last row.
struct PaddedPlanes {
    int paddedWidth = 0;
    int paddedHeight = 0;
    std::vector<std::vector<std::int16_t>> planes;

    int at(int plane, int x, int y) const {
        return planes[static_cast<std::size_t>(plane)][static_cast<std::size_t>(y * paddedWidth + x)];
    }
};
PaddedPlanes paddedPlanesOf(const SampleSource& source);

// F[u][v] = (sum of W[u][v][y][x] s[y][x] + 128) >> 8, the direct 64 x 64 products.
std::array<std::int32_t, 64> plainForwardDct(const ForwardDctWeights& weights,
                                             const std::int16_t* samples);

// The coded values of one block: natural order, the DC entry the value a decoder restores
// (predictor plus coded difference).
using CodedBlock = std::array<std::int32_t, 64>;

// What the plain coder made of a stream's scan: its byte-stuffed data and, per component, the
// blocks of its MCU-padded block grid, rows first.
struct ReferenceScan {
    std::vector<std::uint8_t> data;
    std::vector<int> blocksAcross;  // per component
    std::vector<std::vector<CodedBlock>> blocks;
};

// Codes the encoder's padded planes with its stream as the baseline rules say, block by block
// (positions past the padded planes repeat their last column or row): each
// block's bits are assembled in a zero-filled work area starting at the output's bit offset,
// then ORed and copied into the output with a 0x00 after every completed 0xFF byte; at the end the
// last byte is completed with one-bits (and stuffed if that makes it 0xFF). Values beyond the
// largest category a table codes are kept to the largest value it codes.
ReferenceScan referenceBaselineScan(const JpegEncoder& encoder);

}  // namespace pictrano::test
