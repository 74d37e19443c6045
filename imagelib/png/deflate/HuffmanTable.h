#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imagelib/png/deflate/BitWriter.h"

namespace pictrano {

// One Deflate code table (literal/length, distance or code-length alphabet): canonical codes
// built from one code length per symbol, decoded through a lookup table and written through a
// BitWriter.
class HuffmanTable {
public:
    static constexpr unsigned kMaxCodeLength = 16;

    // The fixed codes: 288 literal/length symbols (0-143 8 bits, 144-255 9 bits, 256-279 7 bits,
    // 280-287 8 bits) and 32 distance symbols of 5 bits.
    void buildFixedLiteralLength();
    void buildFixedDistance();

    // Assigns canonical codes: lengths 1 to 16 in increasing order, the symbols of each length in
    // increasing order; a length of 0 or above 16 gives the symbol no code. Returns 1 when the
    // codes form a prefix code, complete or not; 0 when the lengths over-subscribe the code space
    // (no prefix code exists), which leaves the table without codes.
    int InitByLenList(const std::uint8_t* lengths, std::uint32_t count);

    std::uint32_t symbolCount() const { return static_cast<std::uint32_t>(lengths_.size()); }
    // The symbol's code length, 0 when it has no code.
    int length(std::uint32_t symbol) const { return lengths_[symbol]; }
    // The symbol's code in stream order (its first bit in bit 0), shifted left by `shift`.
    std::uint32_t pattern(std::uint32_t symbol, unsigned shift) const {
        return std::uint32_t{codes_[symbol]} << shift;
    }

    // Decodes the code that starts at bit 0 of `bits` (the next bits of the stream, first bit in
    // bit 0, at least 16 of them). Returns the code length and sets `symbol`; returns 0 and leaves
    // `symbol` alone when no code matches.
    int decode(std::uint32_t bits, std::uint32_t& symbol) const {
        const std::uint16_t entry = lookup_[bits & (kLookupSize - 1)];
        if (entry == 0) return decodeLong(bits, symbol);
        symbol = entry >> 4;
        return entry & 15;
    }

    // Writes the symbol's code; returns its length (0 for a symbol without a code).
    int putSymbol(BitWriter& out, std::uint32_t symbol) const {
        out.put(codes_[symbol], lengths_[symbol]);
        return lengths_[symbol];
    }
    // Writes the length symbol of a match length (3-258) and its extra bits; returns their bit
    // count, or 0 without writing when the length is out of range.
    int putLength(BitWriter& out, std::uint32_t matchLength) const;
    // Writes the distance symbol of a match distance (1-32,768) and its extra bits; returns their
    // bit count, or 0 without writing when the distance is out of range.
    int putDistance(BitWriter& out, std::uint32_t distance) const;

private:
    static constexpr unsigned kLookupBits = 10;
    static constexpr unsigned kLookupSize = 1u << kLookupBits;

    int decodeLong(std::uint32_t bits, std::uint32_t& symbol) const;

    std::vector<std::uint8_t> lengths_;
    std::vector<std::uint16_t> codes_;
    // Codes of up to kLookupBits bits, indexed by the next kLookupBits stream bits: symbol << 4
    // | length, or 0 when no code that short matches.
    std::vector<std::uint16_t> lookup_ = std::vector<std::uint16_t>(kLookupSize);
    // Canonical order for the longer codes: the number of codes of each length and the symbols
    // sorted by length, then value.
    std::array<std::uint16_t, kMaxCodeLength + 1> countOfLength_{};
    std::vector<std::uint16_t> sortedSymbols_;
};

}  // namespace pictrano
