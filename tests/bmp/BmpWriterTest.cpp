#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "imagelib/bmp/BmpWriter.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/ColourReducer.h"
#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

// 24-bit rows, each pixel a distinct colour, padding 0xEE; picture row y is stored as row y, or as
// row height - 1 - y when `bottomUp`.
Bytes distinctRows(int width, int height, bool bottomUp = false) {
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    Bytes rows(stride * static_cast<std::size_t>(height), 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            rows[(bottomUp ? height - 1 - y : y) * stride + x] = std::uint8_t(40 * y + x);
    return rows;
}

// Builds the file and checks its headers field by field, the fields not listed being 0.
Bytes builtFile(BmpWriter& writer, int width, int height, int bitCount, int compression,
                std::int64_t imageSize, std::int64_t colours) {
    Bytes file;
    const auto size = static_cast<std::int64_t>(writer.buildFile(file));
    const std::int64_t offset = 54 + 4 * colours;
    EXPECT_EQ(size, static_cast<std::int64_t>(file.size()));
    EXPECT_EQ(size, offset + imageSize);
    const std::int64_t fields[][2] = {{0, 'B' + ('M' << 8)}, {2, size}, {10, offset}, {14, 40},
                                      {18, width}, {22, height}, {26, 1 + (bitCount << 16)},
                                      {30, compression}, {34, imageSize}, {46, colours}};
    Bytes expected(54, 0);
    for (auto [at, value] : fields) storeLe32(&expected[at], static_cast<std::uint32_t>(value));
    EXPECT_TRUE(size >= 54 && Bytes(file.begin(), file.begin() + 54) == expected);
    return file;
}

TEST(BmpWriter, EverySourceGetsItsHeadersStridesAndBottomRowFirst) {
    const Bytes rows = distinctRows(3, 2);
    BmpWriter writer;
    for (const auto& [bitCount, stride] : {std::pair{24, 12}, {16, 8}, {32, 12}}) {
        ASSERT_EQ(writer.setFromPixels(rows.data(), 3, 2, bitCount), 1);
        const Bytes plain = builtFile(writer, 3, 2, bitCount, 0, 2 * stride, 0);
        // Built straight from the rows: the same file, padding cleared.
        Bytes direct;
        EXPECT_EQ(BmpWriter().buildFileFromPixels(direct, rows.data(), -3, 2, bitCount), plain.size());
        EXPECT_EQ(direct, plain) << bitCount;
    }
    // Negative sizes count as their absolute values; the rows stay top row first.
    ASSERT_EQ(writer.setFromPixels(rows.data(), -3, -2, 24), 1);
    Bytes file = builtFile(writer, 3, 2, 24, 0, 24, 0);
    for (int y : {0, 1})  // stored row y is picture row 1 - y
        EXPECT_TRUE(std::equal(&file[54 + 12 * y], &file[63 + 12 * y], &rows[12 - 12 * y])) << y;

    const Bytes entries = {0, 10, 20, 0, 1, 10, 20, 0, 2, 10, 20, 0, 3, 10, 20, 0, 4, 10, 20, 0};
    // 6 x 2 indices, index-plane stride 8.
    const Bytes plane = {1, 1, 1, 4, 4, 0, 0xEE, 0xEE, 2, 3, 3, 3, 3, 3, 0xEE, 0xEE};
    ASSERT_EQ(writer.setFromPalette(entries.data(), 5, plane.data(), 6, 2, 0), 1);
    builtFile(writer, 6, 2, 8, 0, 16, 5);
}

TEST(BmpWriter, BadSourcesAndReductionsAreRefusedWithTheirMessages) {
    const Bytes rows = distinctRows(4, 4), entries(8, 0);
    BmpWriter writer;
    auto fails = [&writer](int result, Msg message) {
        EXPECT_EQ(result, 0) << shiftJisText(message);
        EXPECT_EQ(std::u16string(writer.errors().wide()), utf16Text(message));
    };
    using enum Msg;
    fails(writer.reduce(16, 2, 0, 0), NoImageInfo);
    EXPECT_EQ(writer.selectLattice(12, 12), 0u);
    Bytes direct;
    for (auto [width, bitCount, message] :
         {std::tuple{4, 8, UnsupportedFormat}, {0, 24, ParameterInvalid}, {1 << 20, 24, OutOfMemory}}) {
        fails(writer.setFromPixels(rows.data(), width, width, bitCount), message);
        fails(int(writer.buildFileFromPixels(direct, rows.data(), width, width, bitCount)), message);
    }
    fails(writer.setFromPalette(entries.data(), 0, rows.data(), 4, 4, 0), ParameterInvalid);
    fails(writer.setFromPalette(entries.data(), 257, rows.data(), 4, 4, 0), ParameterInvalid);
    fails(writer.setFromPalette(nullptr, 2, rows.data(), 4, 4, 0), ParameterInvalid);
    fails(writer.setFromPalette(entries.data(), 2, nullptr, 4, 4, 0), ParameterInvalid);
    fails(writer.setFromPalette(entries.data(), 2, rows.data(), 4, -1, 0), ParameterInvalid);
    fails(writer.setFromPalette(entries.data(), 2, rows.data(), 1 << 20, 1 << 20, 1), OutOfMemory);
    // A writer left empty by a failure builds no file.
    Bytes file;
    fails(static_cast<int>(writer.buildFile(file)), NoImageInfo);

    ASSERT_EQ(writer.setFromPixels(rows.data(), 4, 4, 16), 1);
    fails(writer.reduce(16, 2, 0, 0), UnsupportedFormat);
    EXPECT_EQ(writer.selectLattice(12, 12), 0u);  // only 24-bit rows have a lattice
    ASSERT_EQ(writer.setFromPixels(rows.data(), 4, 4, 24), 1);
    fails(writer.reduce(8, 2, 0, 0), UnsupportedPaletteSize);
    // The 24-bit picture is still there; once reduced, there are no 24-bit rows left to reduce.
    ASSERT_EQ(writer.reduce(256, 2, 0, 0), 1);
    fails(writer.reduce(256, 2, 0, 0), UnsupportedFormat);
}

// The lattice is chosen from the rows as the writer holds them, bottom row first. In a 24 x 24
// picture with 12 x 12 samples, the sampled stored rows 0, 2, ... 22 are the picture's odd rows:
// their even columns sit on 6 x 6 x 6 levels, every other pixel on 8 x 8 x 4 levels.
TEST(BmpWriter, SelectsTheLatticeFromTheRowsBottomRowFirst) {
    const auto stride = static_cast<std::size_t>(pixelRowStride(24));
    Bytes rows(stride * 24, 0);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const bool sampled = y % 2 == 1 && x % 2 == 0;
            const int levels[3] = {sampled ? 6 : 4, sampled ? 6 : 8, sampled ? 6 : 8};
            for (int c = 0; c < 3; ++c) {
                const int level = (x + 2 * y + 3 * c) % levels[c];
                rows[y * stride + 3 * x + c] = std::uint8_t(level * 255 / (levels[c] - 1));
            }
        }
    }
    BmpWriter writer;
    ASSERT_EQ(writer.setFromPixels(rows.data(), 24, 24, 24), 1);
    EXPECT_EQ(writer.selectLattice(12, 12), 0x060606u);
    // Read in place last row first, the picture gives the writer's choice; read top row first,
    // the same samples would be the 8 x 8 x 4 pixels.
    const std::int64_t step = pixelRowStride(24);
    EXPECT_EQ(ColourReducer().selectLattice(lastRowFirst(rows.data(), step, 24), 24, 24, 12, 12),
              0x060606u);
    EXPECT_EQ(ColourReducer().selectLattice(inHeldOrder(rows.data(), step), 24, 24, 12, 12),
              0x040808u);
}

}  // namespace
}  // namespace pictrano
