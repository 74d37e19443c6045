#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace pictrano::test {

// What a strict decoder saw in an RLE8 or RLE4 stream.
struct RleDecoded {
    std::vector<std::vector<int>> rows;  // indices, row by row as stored
    std::vector<int> absoluteCounts;     // the count byte of every absolute run
};

// Decodes a stream written by the bitmap writer: encoded runs, absolute runs and end-of-line
// codes only. Every row must be closed by 00 00 exactly when it is full; an end-of-bitmap code,
// a delta, an absolute run in RLE8 or a stream that stops early is a test failure.
inline RleDecoded decodeRleStream(const std::vector<std::uint8_t>& stream, int width,
                                  bool fourBits) {
    RleDecoded decoded;
    std::vector<int> row;
    auto put = [&](int index) {
        if (static_cast<int>(row.size()) >= width) {
            ADD_FAILURE() << "row overrun at stream byte";
            return;
        }
        row.push_back(index);
    };
    std::size_t i = 0;
    while (i + 1 < stream.size()) {
        const int first = stream[i];
        const int second = stream[i + 1];
        i += 2;
        if (first > 0) {
            for (int k = 0; k < first; ++k) {
                put(!fourBits ? second : (k % 2 == 0 ? second >> 4 : second & 0x0F));
            }
            continue;
        }
        if (second == 0) {
            EXPECT_EQ(static_cast<int>(row.size()), width) << "end of line before the row is full";
            decoded.rows.push_back(row);
            row.clear();
            continue;
        }
        if (second < 3 || !fourBits) {
            ADD_FAILURE() << "unexpected escape 00 " << second;
            return decoded;
        }
        decoded.absoluteCounts.push_back(second);
        const std::size_t bytes = (static_cast<std::size_t>(second) + 1) / 2;
        const std::size_t padded = bytes + bytes % 2;
        if (i + padded > stream.size()) {
            ADD_FAILURE() << "absolute run past the end of the stream";
            return decoded;
        }
        for (int k = 0; k < second; ++k) {
            const std::uint8_t byte = stream[i + static_cast<std::size_t>(k / 2)];
            put(k % 2 == 0 ? byte >> 4 : byte & 0x0F);
        }
        i += padded;
    }
    EXPECT_EQ(i, stream.size()) << "stray byte after the last code";
    EXPECT_TRUE(row.empty()) << "last row not closed by an end-of-line code";
    return decoded;
}

}  // namespace pictrano::test
