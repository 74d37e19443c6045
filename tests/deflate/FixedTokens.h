#pragma once

#include <cstdint>
#include <vector>

#include "tests/deflate/StreamBuilder.h"

namespace pictrano::test {

// One literal, or one match of (length, distance).
struct Token {
    unsigned literalOrLength;
    unsigned distance = 0;  // 0 for a literal

    bool operator==(const Token&) const = default;
};

// The literals and matches of a zlib stream made of fixed-code blocks only, read with the RFC 1951
// fixed code bit by bit; empty when the stream holds anything else.
inline std::vector<Token> fixedTokens(const std::vector<std::uint8_t>& stream) {
    std::size_t position = 16;
    auto bit = [&]() -> std::uint32_t {
        const std::size_t at = position++;
        return at / 8 < stream.size() ? (stream[at / 8] >> (at % 8)) & 1u : 0;
    };
    auto field = [&](unsigned bits) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bits; ++i) value |= bit() << i;
        return value;
    };
    auto code = [&](unsigned bits, std::uint32_t value) {
        for (unsigned i = 0; i < bits; ++i) value = value << 1 | bit();
        return value;
    };
    auto symbol = [&]() -> unsigned {
        std::uint32_t value = code(7, 0);
        if (value <= 0x17) return 256 + value;
        value = code(1, value);
        if (value >= 0x30 && value <= 0xBF) return value - 0x30;
        if (value >= 0xC0 && value <= 0xC7) return 280 + value - 0xC0;
        return 144 + code(1, value) - 0x190;
    };
    static const std::vector<CodeRow> lengths = rfcLengthRows(), distances = rfcDistanceRows();
    std::vector<Token> tokens;
    for (bool final = false; !final && position < stream.size() * 8;) {
        final = field(1) == 1;
        if (field(2) != 1) return {};
        for (unsigned s = symbol(); s != 256; s = symbol()) {
            if (s < 256) {
                tokens.push_back({s});
                continue;
            }
            if (s > 285) return {};
            const CodeRow& lengthRow = lengths[s - 257];
            const unsigned length = lengthRow.base + field(lengthRow.extraBits);
            const unsigned d = code(5, 0);
            if (d > 29) return {};
            tokens.push_back({length, distances[d].base + field(distances[d].extraBits)});
        }
    }
    return tokens;
}

}  // namespace pictrano::test
