#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pictrano {

class JpegHuffmanTable;

// The decoding form of a Huffman table: a lookup of the next kBits bits of the stream, backed by
// the canonical code limits for longer codes. It gives exactly what trying every symbol value in
// increasing order gives (the first whose code matches wins), also for tables whose codes
// overlap: where a longer code of a smaller symbol value could match, or where the table's codes
// are not canonical, the lookup defers to that search.
class HuffmanLookup {
public:
    static constexpr int kBits = 9;

    // An AC coefficient whose code and additional bits both lie within the first kBits bits:
    // its zero run, size and value, and the bits it takes (0: not such a coefficient).
    struct Coefficient {
        std::int16_t value = 0;
        std::uint8_t run = 0;
        std::uint8_t size = 0;
        std::uint8_t length = 0;
    };

    // One step of a sequential block's AC part, settled by the first kStepBits bits: how far the
    // zig-zag index moves (run + 1, where the coefficient goes; 16 for sixteen zeros, value 0)
    // or kEndOfBlock, the coefficient's value and the bits taken, additional bits included
    // (0: the code or its bits go further).
    static constexpr int kStepBits = 11;
    static constexpr std::uint8_t kEndOfBlock = 128;
    struct AcStep {
        std::int16_t value = 0;
        std::uint8_t advance = 0;
        std::uint8_t length = 0;
    };

    void build(const JpegHuffmanTable& table);

    // Matches the code at the top of a 32-bit window of the stream. Returns the code's length
    // (0 when no symbol matches) and sets the symbol.
    int match(const JpegHuffmanTable& table, std::uint32_t window, int& symbol) const {
        const std::uint16_t entry = entries_[window >> (32 - kBits)];
        if (entry != 0) {
            symbol = entry & 0xFF;
            return entry >> 8;
        }
        return matchLong(table, window, symbol);
    }

    // The coefficient at the top of a 64-bit window, when it is one that fits.
    const Coefficient& coefficient(std::uint64_t window) const {
        return coefficients_[static_cast<std::size_t>(window >> (64 - kBits))];
    }

    // Makes the step table, if not made yet: only the tables a sequential scan decodes with need
    // it, so the many tables a file may hold do not each take its room. Not for use by two
    // threads at once.
    void prepareSteps(const JpegHuffmanTable& table) const;
    // The step at the top of a 64-bit window; after prepareSteps.
    const AcStep& acStep(std::uint64_t window) const {
        return (*acSteps_)[static_cast<std::size_t>(window >> (64 - kStepBits))];
    }

private:
    int matchLong(const JpegHuffmanTable& table, std::uint32_t window, int& symbol) const;

    // length << 8 | symbol; 0 when the first kBits bits do not settle the match.
    std::array<std::uint16_t, 1 << kBits> entries_{};
    std::array<Coefficient, 1 << kBits> coefficients_{};
    mutable std::unique_ptr<std::array<AcStep, 1 << kStepBits>> acSteps_;
    // Codes of one length are consecutive: below end_[length] they begin at first_[length] and
    // belong to the symbols from index_[length] on, in the table's order.
    std::array<std::uint32_t, 17> first_{};
    std::array<std::uint32_t, 17> end_{};
    std::array<std::uint16_t, 17> index_{};
    // Every symbol appears once and every code fits its length, so codes form a prefix code.
    bool canonical_ = false;
};

// The first symbol value, in increasing order, whose code matches the top of the window; its
// code length, or 0 when none matches.
int matchBySearch(const JpegHuffmanTable& table, std::uint32_t window, int& symbol);

}  // namespace pictrano
