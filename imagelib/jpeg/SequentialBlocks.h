#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <optional>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/jpeg/JpegHuffmanTable.h"
#include "imagelib/jpeg/JpegQuantTable.h"
#include "imagelib/jpeg/ScanBits.h"

namespace pictrano {

struct ComponentTables {
    ComponentTables(const JpegHuffmanTable* dcTable, const JpegHuffmanTable* acTable,
                    const JpegQuantTable* quantTable);
    const JpegHuffmanTable* dc = nullptr;
    const JpegHuffmanTable* ac = nullptr;
    const JpegQuantTable* quant = nullptr;
    // In zig-zag order: the quantisers, and each coefficient's slot in a block laid out by the
    // inverse DCT's pairs.
    std::array<std::uint16_t, 64> zigZagQuantisers{};
    std::array<std::uint8_t, 64> zigZagSlots{};
};

// One dequantised block and the natural positions that may be nonzero; the other positions stay
// zero between blocks.
struct BlockWork {
    alignas(16) std::int16_t block[64] = {};
    std::uint8_t nonzero[64] = {};
    int count = 0;

    void clear() {
        for (int i = 0; i < count; ++i) block[nonzero[i]] = 0;
        count = 0;
    }
};

// A dequantised block laid out by the inverse DCT's pairs, and the pairs that may be nonzero.
struct PairedBlock {
    alignas(16) std::int16_t slots[64] = {};
    std::uint32_t pairs = 0;

    // Clears the marked pairs (the others are zero already).
    void clear() {
        for (; pairs != 0; pairs &= pairs - 1) {
            const int pair = std::countr_zero(pairs);
            slots[2 * pair] = 0;
            slots[2 * pair + 1] = 0;
        }
    }
};

// Decodes one block of a sequential scan: the DC difference added to the component's predictor
// (in 16 bits), then AC coefficients in zig-zag order up to an end of block or the 64th.
std::optional<Msg> decodeBlock(ScanBits& stream, const ComponentTables& tables,
                               std::int16_t& predictor, BlockWork& work);

// A block takes at most 64 codes of 16 bits, each with at most 15 additional bits.
inline constexpr std::size_t kLongestBlockBytes = 64 * 31 / 8;

// The same decoding a word at a time, for a block that begins at least kLongestBlockBytes + 16
// bytes before the end of the data. Returns whether decodeBlock succeeds there; when it does,
// with the same coefficients (in their paired slots), predictor and position. Otherwise the
// predictor and the position are unspecified and the block holds what was placed (clear()
// removes it): the caller decodes the block again by decodeBlock, which says what went wrong.
bool decodeBlockWordwise(WordBits& stream, const ComponentTables& tables, std::int16_t& predictor,
                         PairedBlock& work);

}  // namespace pictrano
