#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imagelib/bmp/RleEncoder.h"
#include "imagelib/image/RowLayout.h"
#include "tests/bmp/RleTestDecoder.h"

namespace pictrano {
namespace {

using Rows = std::vector<std::vector<int>>;
using Bytes = std::vector<std::uint8_t>;

// Index rows at the index-row stride; the padding holds 0xEE, which must never be encoded.
Bytes indexPlane(const Rows& rows) {
    const int width = static_cast<int>(rows[0].size());
    const auto stride = static_cast<std::size_t>(indexRowStride(width));
    Bytes plane(stride * rows.size(), 0xEE);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < width; ++x) {
            plane[y * stride + x] = static_cast<std::uint8_t>(rows[y][x]);
        }
    }
    return plane;
}

// 4-bit rows, first pixel in the high nibble, padded to 4 bytes with 0xEE.
Bytes nibblePlane(const Rows& rows) {
    const int width = static_cast<int>(rows[0].size());
    const auto stride = static_cast<std::size_t>(packedRowStride(width, 4));
    Bytes plane(stride * rows.size(), 0xEE);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t& byte = plane[y * stride + x / 2];
            if (x % 2 == 0) byte = static_cast<std::uint8_t>((rows[y][x] << 4) | (byte & 0x0F));
            if (x % 2 == 1) byte = static_cast<std::uint8_t>((byte & 0xF0) | rows[y][x]);
        }
        if (width % 2 == 1) plane[y * stride + width / 2] &= 0xF0;
    }
    return plane;
}

Bytes rle8(const Rows& rows) {
    Bytes stream;
    const Bytes plane = indexPlane(rows);
    const int width = static_cast<int>(rows[0].size());
    const int height = static_cast<int>(rows.size());
    const std::size_t length = encodeRle8(plane.data(), stream, width, height);
    EXPECT_EQ(length, stream.size());
    EXPECT_LE(static_cast<std::int64_t>(stream.size()), rleStreamBound(width, height));
    return stream;
}

Bytes rle4(const Rows& rows) {
    Bytes stream;
    const Bytes plane = nibblePlane(rows);
    const int width = static_cast<int>(rows[0].size());
    const int height = static_cast<int>(rows.size());
    const std::size_t length = encodeRle4(plane.data(), stream, width, height);
    EXPECT_EQ(length, stream.size());
    EXPECT_LE(static_cast<std::int64_t>(stream.size()), rleStreamBound(width, height));
    return stream;
}

std::vector<int> repeated(int count, std::vector<int> pattern) {
    std::vector<int> row;
    for (int i = 0; i < count; ++i) row.push_back(pattern[i % pattern.size()]);
    return row;
}

TEST(RleEncoder, Rle8WritesEncodedRunsSplitAt255AndNoEndOfBitmap) {
    EXPECT_EQ(rle8({repeated(300, {7})}), (Bytes{255, 7, 45, 7, 0, 0}));
    EXPECT_EQ(rle8({{1, 1, 2}}), (Bytes{2, 1, 1, 2, 0, 0}));
    EXPECT_EQ(rle8({repeated(510, {3})}), (Bytes{255, 3, 255, 3, 0, 0}));
    EXPECT_EQ(rle8({repeated(511, {3})}), (Bytes{255, 3, 255, 3, 1, 3, 0, 0}));
    // Two rows of width 5: the padding between them is skipped.
    EXPECT_EQ(rle8({{4, 4, 4, 9, 9}, {1, 2, 3, 3, 3}}),
              (Bytes{3, 4, 2, 9, 0, 0, 1, 1, 1, 2, 3, 3, 0, 0}));
}

TEST(RleEncoder, Rle4PairsPatternsAndGroupsShortRunsIntoAbsoluteRuns) {
    EXPECT_EQ(rle4({{1, 2, 1, 2, 1}}), (Bytes{5, 0x12, 0, 0}));
    // Three two-pixel runs cover six pixels: they stay encoded runs.
    EXPECT_EQ(rle4({{1, 2, 3, 4, 5, 6}}), (Bytes{2, 0x12, 2, 0x34, 2, 0x56, 0, 0}));
    // (2, 0x12) (2, 0x34) (1, 0x50) cover five: one absolute run, padded to an even length.
    EXPECT_EQ(rle4({{1, 2, 3, 4, 5}}), (Bytes{0, 5, 0x12, 0x34, 0x50, 0, 0, 0}));
    EXPECT_EQ(rle4({{6}}), (Bytes{1, 0x60, 0, 0}));
    // The last pixel breaks the pattern: the run, then (1, pixel).
    EXPECT_EQ(rle4({{3, 3, 3, 3, 8}}), (Bytes{4, 0x33, 1, 0x80, 0, 0}));
    // 255 is odd, so the chunk after a 255-pixel one starts on the other nibble.
    EXPECT_EQ(rle4({repeated(300, {1, 2})}), (Bytes{255, 0x12, 45, 0x21, 0, 0}));
}

TEST(RleEncoder, Rle4AbsoluteRunsStopAt255Pixels) {
    // 256 pixels of 1 2 leave a one-pixel remainder, which starts an absolute run over the
    // two-pixel runs that follow; it must stop at 255 pixels.
    std::vector<int> row = repeated(256, {1, 2});
    for (int k = 0; k < 300; ++k) row.push_back(3 + k % 12);
    const Bytes stream = rle4({row});
    const auto decoded = test::decodeRleStream(stream, static_cast<int>(row.size()), true);
    ASSERT_EQ(decoded.rows.size(), 1u);
    EXPECT_EQ(decoded.rows[0], row);
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
            const auto limit = random() % 4 == 0 ? 700u : 4u;
            const int length = static_cast<int>(random() % limit) + 1;
            const int kind = static_cast<int>(random() % 3);
            for (int k = 0; k < length && static_cast<int>(row.size()) < width; ++k) {
                row.push_back(kind == 0   ? a
                              : kind == 1 ? (k % 2 ? b : a)
                                          : static_cast<int>(random() % values));
            }
        }
    }
    return rows;
}

TEST(RleEncoder, RandomRowsDecodeBackWithValidCountBytes) {
    std::mt19937 random(20240611);
    std::size_t absoluteRuns = 0;
    for (int round = 0; round < 300; ++round) {
        const int width = round < 20 ? round + 1 : static_cast<int>(random() % 900) + 1;
        const int height = static_cast<int>(random() % 4) + 1;
        const Rows rows8 = randomRows(random, width, height, 256);
        const auto decoded8 = test::decodeRleStream(rle8(rows8), width, false);
        EXPECT_EQ(decoded8.rows, rows8) << "RLE8 width " << width;

        const Rows rows4 = randomRows(random, width, height, 16);
        const auto decoded4 = test::decodeRleStream(rle4(rows4), width, true);
        EXPECT_EQ(decoded4.rows, rows4) << "RLE4 width " << width;
        for (int count : decoded4.absoluteCounts) {
            EXPECT_GE(count, 3);
            EXPECT_LE(count, 255);
        }
        absoluteRuns += decoded4.absoluteCounts.size();
    }
    EXPECT_GT(absoluteRuns, 0u);
}

TEST(RleEncoder, WorstCaseRowsStayWithinTheBound) {
    // Every pixel different from its neighbours: the most codes per pixel.
    for (int width : {1, 2, 3, 5, 255, 256, 257, 511, 1000}) {
        Rows rows(3);
        for (auto& row : rows) row = repeated(width, {0, 1, 2});
        test::decodeRleStream(rle8(rows), width, false);
        test::decodeRleStream(rle4(rows), width, true);
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
