#pragma once

#include <cstdint>

#include "imagelib/jpeg/JpegHuffmanTable.h"
#include "imagelib/jpeg/ScanBits.h"

namespace pictrano {

// Decodes a DC or lossless difference: a category symbol (0 to 16) and that many additional
// bits; category 16 stands for 32,768 alone. False, with the position unspecified, when no code
// matches, the category exceeds 16 or the bits run past the end of the data.
inline bool decodeDifference(ScanBits& bits, const JpegHuffmanTable& table, int& difference) {
    const std::uint64_t window = bits.peek();
    int category = 0;
    const int length = table.lookup().match(table, static_cast<std::uint32_t>(window >> 32), category);
    if (length == 0 || category > 16) return false;
    if (category == 0 || category == 16) {
        difference = category == 0 ? 0 : 32768;
        bits.skip(static_cast<unsigned>(length));
    } else {
        const auto field = static_cast<std::uint32_t>((window << length) >> (64 - category));
        difference = extendValue(field, category);
        bits.skip(static_cast<unsigned>(length + category));
    }
    return !bits.overran();
}

// One AC symbol: run R (high four bits) and size S (low four bits). With S > 0 a coefficient
// whose value follows in S bits; R 15 with S 0 sixteen zeros; other R with S 0 the end of the
// band, 2^R + R further bits blocks long (R 0: this block only).
struct AcSymbol {
    int run = 0;
    int size = 0;
    int value = 0;     // the coefficient when size > 0
    int endRun = 0;    // the end-of-band run when size is 0 and run is not 15
};

inline bool decodeAcSymbol(ScanBits& bits, const JpegHuffmanTable& table, AcSymbol& out) {
    const std::uint64_t window = bits.peek();
    // Most coefficients are settled by one lookup of code and value together.
    const HuffmanLookup::Coefficient& fast = table.lookup().coefficient(window);
    if (fast.length != 0) {
        out.run = fast.run;
        out.size = fast.size;
        out.value = fast.value;
        bits.skip(fast.length);
        return !bits.overran();
    }
    int symbol = 0;
    const int length = table.lookup().match(table, static_cast<std::uint32_t>(window >> 32), symbol);
    if (length == 0) return false;
    out.run = symbol >> 4;
    out.size = symbol & 0x0F;
    if (out.size != 0) {
        const auto field = static_cast<std::uint32_t>((window << length) >> (64 - out.size));
        out.value = extendValue(field, out.size);
        bits.skip(static_cast<unsigned>(length + out.size));
    } else if (out.run == 15) {
        bits.skip(static_cast<unsigned>(length));
    } else {
        const std::uint32_t extra =
            out.run == 0 ? 0 : static_cast<std::uint32_t>((window << length) >> (64 - out.run));
        out.endRun = (1 << out.run) + static_cast<int>(extra);
        bits.skip(static_cast<unsigned>(length + out.run));
    }
    return !bits.overran();
}

// The AC step of a sequential block at the top of the window, for codes whose step the lookup
// leaves open; length 0 when no code matches.
#if defined(__GNUC__)
[[gnu::noinline]]
#endif
inline HuffmanLookup::AcStep longAcStep(const JpegHuffmanTable& table, std::uint64_t window) {
    int symbol = 0;
    const int length = table.lookup().match(table, static_cast<std::uint32_t>(window >> 32), symbol);
    if (length == 0) return {};
    const int run = symbol >> 4, size = symbol & 0x0F;
    if (size == 0 && run == 15) return {0, 16, static_cast<std::uint8_t>(length)};
    if (size == 0) return {0, HuffmanLookup::kEndOfBlock, static_cast<std::uint8_t>(length + run)};
    const auto field = static_cast<std::uint32_t>((window << length) >> (64 - size));
    return {static_cast<std::int16_t>(extendValue(field, size)), static_cast<std::uint8_t>(run + 1),
            static_cast<std::uint8_t>(length + size)};
}

}  // namespace pictrano
