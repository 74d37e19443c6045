#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imagelib/jpeg/HuffmanLookup.h"

namespace pictrano {

// One Huffman table of a DHT segment, with the canonical codes of its symbols.
class JpegHuffmanTable {
public:
    // Bytes of the table in its DHT form: class/identifier byte, 16 counts, the symbols.
    static constexpr std::size_t kHeaderBytes = 17;

    // Parses one table from `available` bytes at `table` (which lies `sourcePosition` bytes into
    // the input). Returns the table's length in bytes, or 0 when it declares more than 256
    // symbols or more symbols than the bytes available.
    std::size_t parse(const std::uint8_t* table, std::size_t available,
                      std::size_t sourcePosition);

    // The bit-length category of a value: 0 for 0, else the significant bits of its magnitude
    // (at most 16).
    static int category(int value);

    // Emission into a zero-filled buffer, bits most significant first from bitPosition (the
    // buffer needs 4 bytes of slack beyond the last bit). Each returns the bits written, or -1
    // (writing nothing) when the table has no code for the symbol needed.
    int emitSymbol(std::uint8_t* out, std::size_t bitPosition, int symbol) const;
    // The category symbol, then the category's additional bits of the value (for a negative
    // value, value + 2^category - 1). Category 16 stands for 32,768 alone and has no additional
    // bits. `category` -1 has the category computed.
    int emitDc(std::uint8_t* out, std::size_t bitPosition, int value, int category = -1) const;
    // The symbol run * 16 + category, then the additional bits; run 0 and value 0 is the end of
    // block, run 15 and value 0 the run of 16 zeros.
    int emitAc(std::uint8_t* out, std::size_t bitPosition, int run, int value) const;

    std::size_t sourcePosition = 0;
    std::vector<std::uint8_t> body;  // the table as in the segment
    int identifier = 0;              // Th
    int tableClass = 0;              // Tc: 0 DC and lossless, 1 AC
    // Per symbol value: the code's length in bits (0: no code) and the code in its low bits.
    std::array<std::uint8_t, 256> codeLength{};
    std::array<std::uint16_t, 256> code{};
    int largestSymbol = 0;  // the largest symbol value that has a code

    // The decoding form, made on first use: a file may hold many tables, and only those its
    // scans decode with take its room. Not for use by two threads at once.
    const HuffmanLookup& lookup() const {
        if (!lookup_) makeLookup();
        return *lookup_;
    }

private:
    void makeLookup() const;

    mutable std::unique_ptr<HuffmanLookup> lookup_;
};

// ORs the low `count` bits of `bits` (count at most 25) into the buffer at bitPosition, most
// significant bit first.
void orBits(std::uint8_t* out, std::size_t bitPosition, std::uint32_t bits, int count);

}  // namespace pictrano
