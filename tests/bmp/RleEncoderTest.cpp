#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "imagelib/bmp/RleEncoder.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

using Rows = std::vector<std::vector<int>>;
using Bytes = std::vector<std::uint8_t>;

// Encodes index rows with RLE4 (4-bit rows, first pixel in the high nibble) or RLE8 (one byte a
// pixel); the row padding holds 0xEE, which must never be encoded.
Bytes encode(const Rows& rows, bool fourBits) {
    const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
    // At 8 bits this is the index-row stride.
    const auto stride = static_cast<std::size_t>(packedRowStride(width, fourBits ? 4 : 8));
    Bytes plane(stride * rows.size(), 0xEE), stream;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        std::uint8_t* row = &plane[y * stride];
        if (fourBits) std::fill_n(row, (width + 1) / 2, 0);
        for (int x = 0; x < width; ++x) {
            if (fourBits) row[x / 2] |= static_cast<std::uint8_t>(rows[y][x] << (x % 2 ? 0 : 4));
            else row[x] = static_cast<std::uint8_t>(rows[y][x]);
        }
    }
    const std::size_t length = fourBits ? encodeRle4(plane.data(), stream, width, height)
                                        : encodeRle8(plane.data(), stream, width, height);
    EXPECT_EQ(length, stream.size());
    EXPECT_LE(static_cast<std::int64_t>(stream.size()), rleStreamBound(width, height));
    return stream;
}

// What a strict decoder saw: the index rows, and the count byte of every absolute run.
struct Decoded {
    Rows rows;
    std::vector<int> absoluteCounts;
};

// Decodes a stream as the writer must make it: encoded runs, absolute runs (RLE4 only, 3 to 255
// pixels) and end-of-line codes closing each row exactly when it is full. An end-of-bitmap code,
// a delta or a stream that stops early is a test failure.
Decoded decode(const Bytes& stream, int width, bool fourBits) {
    Decoded decoded;
    std::vector<int> row;
    auto put = [&](int index) {
        if (static_cast<int>(row.size()) < width) return row.push_back(index);
        ADD_FAILURE() << "row overrun";
    };
    std::size_t i = 0;
    while (i + 1 < stream.size()) {
        const int first = stream[i], second = stream[i + 1];
        i += 2;
        if (first > 0) {
            for (int k = 0; k < first; ++k)
                put(!fourBits ? second : k % 2 ? second & 0x0F : second >> 4);
        } else if (second == 0) {
            EXPECT_EQ(static_cast<int>(row.size()), width) << "end of line before the row is full";
            decoded.rows.push_back(std::exchange(row, {}));
        } else {
            const std::size_t bytes = (static_cast<std::size_t>(second) + 1) / 2;
            if (second < 3 || !fourBits || i + bytes + bytes % 2 > stream.size()) {
                ADD_FAILURE() << "unexpected escape 00 " << second << " at " << i - 2;
                return decoded;
            }
            decoded.absoluteCounts.push_back(second);
            for (int k = 0; k < second; ++k)
                put(k % 2 ? stream[i + k / 2] & 0x0F : stream[i + k / 2] >> 4);
            i += bytes + bytes % 2;
        }
    }
    EXPECT_EQ(i, stream.size()) << "stray byte after the last code";
    EXPECT_TRUE(row.empty()) << "last row not closed by an end-of-line code";
    return decoded;
}

std::vector<int> repeated(int count, std::vector<int> pattern) {
    std::vector<int> row;
    for (int i = 0; i < count; ++i) row.push_back(pattern[i % pattern.size()]);
    return row;
}

TEST(RleEncoder, EncodedAndAbsoluteRunsEndOfLineAndNoEndOfBitmap) {
    const struct { bool fourBits; Rows rows; Bytes stream; } cases[] = {
        // RLE8 splits runs at 255 and skips the padding between rows.
        {false, {repeated(300, {7})}, {255, 7, 45, 7, 0, 0}},
        {false, {{1, 1, 2}}, {2, 1, 1, 2, 0, 0}},
        {false, {repeated(510, {3})}, {255, 3, 255, 3, 0, 0}},
        {false, {repeated(511, {3})}, {255, 3, 255, 3, 1, 3, 0, 0}},
        {false, {{4, 4, 4, 9, 9}, {1, 2, 3, 3, 3}}, {3, 4, 2, 9, 0, 0, 1, 1, 1, 2, 3, 3, 0, 0}},
        // RLE4 pairs patterns; three two-pixel runs covering six pixels stay encoded runs, while
        // (2, 0x12) (2, 0x34) (1, 0x50) covering five become one absolute run, padded to even.
        {true, {{1, 2, 1, 2, 1}}, {5, 0x12, 0, 0}}, {true, {{6}}, {1, 0x60, 0, 0}},
        {true, {{1, 2, 3, 4, 5, 6}}, {2, 0x12, 2, 0x34, 2, 0x56, 0, 0}},
        {true, {{1, 2, 3, 4, 5}}, {0, 5, 0x12, 0x34, 0x50, 0, 0, 0}},
        // The last pixel breaks the pattern: the run, then (1, pixel).
        {true, {{3, 3, 3, 3, 8}}, {4, 0x33, 1, 0x80, 0, 0}},
        // 255 is odd, so the chunk after a 255-pixel one starts on the other nibble.
        {true, {repeated(300, {1, 2})}, {255, 0x12, 45, 0x21, 0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(encode(c.rows, c.fourBits), c.stream) << c.rows[0].size();
}

TEST(RleEncoder, Rle4AbsoluteRunsStopAt255Pixels) {
    // 256 pixels of 1 2 leave a one-pixel remainder, which starts an absolute run over the 127
    // two-pixel runs and the lone last pixel that follow; it must stop at 255 pixels, not 256.
    std::vector<int> row = repeated(256, {1, 2});
    for (int k = 0; k < 255; ++k) row.push_back(3 + k % 12);
    const Bytes stream = encode({row}, true);
    const Decoded decoded = decode(stream, static_cast<int>(row.size()), true);
    EXPECT_EQ(decoded.rows, Rows{row});
    EXPECT_EQ(decoded.absoluteCounts, (std::vector<int>{255}));
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 4), (Bytes{255, 0x12, 0, 255}));
}

// Rows mixing long runs, alternating pairs and noise.
Rows randomRows(std::mt19937& random, int width, int height, int values) {
    Rows rows(static_cast<std::size_t>(height));
    for (auto& row : rows) {
        while (static_cast<int>(row.size()) < width) {
            const int a = static_cast<int>(random() % values);
            const int b = static_cast<int>(random() % values);
            const int length = static_cast<int>(random() % (random() % 4 == 0 ? 700u : 4u)) + 1;
            const int kind = static_cast<int>(random() % 3);
            for (int k = 0; k < length && static_cast<int>(row.size()) < width; ++k)
                row.push_back(kind == 0   ? a
                              : kind == 1 ? (k % 2 ? b : a)
                                          : static_cast<int>(random() % values));
        }
    }
    return rows;
}

TEST(RleEncoder, RandomAndWorstCaseRowsDecodeBack) {
    std::mt19937 random(20240611);
    std::size_t absoluteRuns = 0;
    for (int round = 0; round < 300; ++round) {
        const int width = round < 20 ? round + 1 : static_cast<int>(random() % 900) + 1;
        const int height = static_cast<int>(random() % 4) + 1;
        for (const bool fourBits : {false, true}) {
            const Rows rows = randomRows(random, width, height, fourBits ? 16 : 256);
            const Decoded decoded = decode(encode(rows, fourBits), width, fourBits);
            EXPECT_EQ(decoded.rows, rows) << (fourBits ? "RLE4" : "RLE8") << " width " << width;
            absoluteRuns += decoded.absoluteCounts.size();
        }
    }
    EXPECT_GT(absoluteRuns, 0u);
    // Every pixel different from its neighbours: the most codes per pixel, within the bound.
    for (int width : {1, 2, 3, 5, 255, 256, 257, 511, 1000}) {
        const Rows rows(3, repeated(width, {0, 1, 2}));
        for (const bool fourBits : {false, true})
            EXPECT_EQ(decode(encode(rows, fourBits), width, fourBits).rows, rows) << width;
    }
}

TEST(RleEncoder, UnusableArgumentsGiveNoStream) {
    const Bytes plane(8, 0);
    Bytes stream;
    EXPECT_EQ(encodeRle8(plane.data(), stream, 0, 1), 0u);
    EXPECT_EQ(encodeRle8(nullptr, stream, 1, 1), 0u);
    EXPECT_EQ(encodeRle4(plane.data(), stream, 1, -1), 0u);
    EXPECT_EQ(encodeRle4(plane.data(), stream, 1 << 30, 1 << 30), 0u);
}

}  // namespace
}  // namespace pictrano
