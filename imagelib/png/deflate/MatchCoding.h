#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <vector>

#include "imagelib/png/deflate/BitWriter.h"
#include "imagelib/png/deflate/HuffmanTable.h"

namespace pictrano {

// What the LZ77 coders share: the input with its 3- and 4-byte keys, the slot table the match
// choices depend on, and the writer of fixed-code literals and matches.

// The input as a whole; keys that run past its end read zero bytes there.
class CoderInput {
public:
    CoderInput(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}

    std::uint8_t operator[](std::size_t i) const { return data_[i]; }
    const std::uint8_t* at(std::size_t i) const { return data_ + i; }
    std::size_t length() const { return length_; }

    // The 32-bit little-endian word at i (4-byte key); the three bytes at i (3-byte key).
    std::uint32_t key4(std::size_t i) const {
        if (length_ - i >= 4) {
            return std::uint32_t{data_[i]} | std::uint32_t{data_[i + 1]} << 8 |
                   std::uint32_t{data_[i + 2]} << 16 | std::uint32_t{data_[i + 3]} << 24;
        }
        std::uint32_t key = 0;
        for (std::size_t k = 0; i + k < length_ && k < 4; ++k) key |= std::uint32_t{data_[i + k]} << (8 * k);
        return key;
    }
    std::uint32_t key3(std::size_t i) const { return key4(i) & 0xFFFFFF; }

    // How many bytes from i and j agree, counting at most `limit` (both ranges lie in the input).
    std::size_t commonLength(std::size_t i, std::size_t j, std::size_t limit) const {
        std::size_t length = 0;
        for (; limit - length >= 8; length += 8) {
            std::uint64_t a, b;
            std::memcpy(&a, data_ + i + length, 8);
            std::memcpy(&b, data_ + j + length, 8);
            if (a == b) continue;
            const int equalBits = std::endian::native == std::endian::little ? std::countr_zero(a ^ b)
                                                                             : std::countl_zero(a ^ b);
            return length + static_cast<std::size_t>(equalBits) / 8;
        }
        while (length < limit && data_[i + length] == data_[j + length]) ++length;
        return length;
    }

private:
    const std::uint8_t* data_;
    std::size_t length_;
};

inline constexpr std::uint32_t kSlotCountA = 65521;
inline constexpr std::uint32_t kSlotCountB = 65519;

// Slots of input positions keyed by key mod the slot count; 0 marks an empty slot, position x is
// kept as x + 1.
template <std::uint32_t Count>
class SlotTable {
public:
    explicit SlotTable(std::uint32_t* slots) : slots_(slots) { std::fill(slots_, slots_ + Count, 0u); }

    std::uint32_t& slotOf(std::uint32_t key) { return slots_[key % Count]; }
    void insert(std::uint32_t key, std::size_t position) { slotOf(key) = static_cast<std::uint32_t>(position + 1); }

private:
    std::uint32_t* slots_;
};

// The slot writes of one position's match search. Each match found writes the positions p + from
// to p + to - 1, in increasing order, into the slot table; a slot keeps only its last write, so
// replaying every offset once, at its last turn and in the same order, leaves the same table with
// at most 258 writes instead of one run per match.
class CoveredRuns {
public:
    void clear() { runs_.clear(); }
    // `from` is 0 or 4: a match writes either all its positions or those after the first four.
    void add(unsigned from, unsigned to) { runs_.push_back({from, to}); }

    template <typename Write>
    void replay(Write write) {
        // Backwards: each run owns the offsets no later run writes.
        unsigned lowCovered = 0, highCovered = 4;
        for (auto run = runs_.rbegin(); run != runs_.rend(); ++run) {
            run->lowFrom = lowCovered;
            run->lowTo = run->from == 0 ? std::max(lowCovered, std::min(run->to, 4u)) : lowCovered;
            run->highFrom = highCovered;
            run->highTo = std::max(highCovered, run->to);
            lowCovered = run->lowTo;
            highCovered = run->highTo;
        }
        for (const Run& run : runs_) {
            for (unsigned k = run.lowFrom; k < run.lowTo; ++k) write(k);
            for (unsigned k = run.highFrom; k < run.highTo; ++k) write(k);
        }
    }

private:
    struct Run {
        unsigned from, to;
        unsigned lowFrom = 0, lowTo = 0, highFrom = 0, highTo = 0;
    };
    std::vector<Run> runs_;
};

// Writes literals, matches and the end of a block with the fixed codes.
class FixedCodeWriter {
public:
    explicit FixedCodeWriter(BitWriter& out) : out_(out) {
        literals_.buildFixedLiteralLength();
        distances_.buildFixedDistance();
    }

    void literal(std::uint8_t byte) { literals_.putSymbol(out_, byte); }
    // Lengths above 258 are written as 258.
    void match(std::size_t length, std::size_t distance) {
        literals_.putLength(out_, static_cast<std::uint32_t>(std::min<std::size_t>(length, 258)));
        distances_.putDistance(out_, static_cast<std::uint32_t>(distance));
    }
    void endOfBlock() { literals_.putSymbol(out_, 256); }
    BitWriter& out() { return out_; }

private:
    BitWriter& out_;
    HuffmanTable literals_, distances_;
};

// The three LZ77 coders. Each codes input[begin, end) as one block body (without the end-of-block
// code), using `slots` (cleared first) for its match choices.
void codeDegree1(const CoderInput& input, std::size_t begin, std::size_t end, std::size_t window,
                 std::uint32_t* slots, FixedCodeWriter& out);
void codeDegree2(const CoderInput& input, std::uint32_t* slots, FixedCodeWriter& out);
void codeDegree3(const CoderInput& input, std::uint32_t* slots, FixedCodeWriter& out);

}  // namespace pictrano
