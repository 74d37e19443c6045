#include <gtest/gtest.h>

#include <vector>

#include "imagelib/bmp/BmpWriter.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/ColourReducer.h"
#include "imagelib/image/RowLayout.h"
#include "tests/bmp/RleTestDecoder.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

// 24-bit rows, top row first, each pixel a distinct colour; padding holds 0xEE.
Bytes distinctRows(int width, int height) {
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    Bytes rows(stride * static_cast<std::size_t>(height), 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 3 * width; ++x)
            rows[y * stride + x] = static_cast<std::uint8_t>(40 * y + x);
    }
    return rows;
}

Bytes fileOf(BmpWriter& writer) {
    Bytes file;
    const std::size_t size = writer.buildFile(file);
    EXPECT_EQ(size, file.size());
    return file;
}

std::uint32_t at32(const Bytes& file, std::size_t offset) { return loadLe32(file.data() + offset); }
std::uint16_t at16(const Bytes& file, std::size_t offset) { return loadLe16(file.data() + offset); }

// The file and info headers, field by field.
void expectHeaders(const Bytes& file, int width, int height, int bitCount, int compression,
                   std::uint32_t imageSize, std::uint32_t coloursUsed) {
    const std::uint32_t offset = 54 + 4 * coloursUsed;
    ASSERT_EQ(file.size(), offset + imageSize);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(at32(file, 2), file.size());
    EXPECT_EQ(at32(file, 6), 0u);
    EXPECT_EQ(at32(file, 10), offset);
    EXPECT_EQ(at32(file, 14), 40u);
    EXPECT_EQ(at32(file, 18), static_cast<std::uint32_t>(width));
    EXPECT_EQ(at32(file, 22), static_cast<std::uint32_t>(height));
    EXPECT_EQ(at16(file, 26), 1);
    EXPECT_EQ(at16(file, 28), bitCount);
    EXPECT_EQ(at32(file, 30), static_cast<std::uint32_t>(compression));
    EXPECT_EQ(at32(file, 34), imageSize);
    EXPECT_EQ(at32(file, 38), 0u);
    EXPECT_EQ(at32(file, 42), 0u);
    EXPECT_EQ(at32(file, 46), coloursUsed);
    EXPECT_EQ(at32(file, 50), 0u);
}

TEST(BmpWriter, PixelSourcesGetStridesAndHeadersPerBitCount) {
    const Bytes rows = distinctRows(3, 2);
    for (const auto& [bitCount, stride] : {std::pair{24, 12}, {16, 8}, {32, 12}}) {
        BmpWriter writer;
        ASSERT_EQ(writer.setFromPixels(rows.data(), 3, 2, bitCount), 1);
        EXPECT_EQ(writer.imageSize(), 2 * stride);
        expectHeaders(fileOf(writer), 3, 2, bitCount, 0, static_cast<std::uint32_t>(2 * stride), 0);
    }
}

TEST(BmpWriter, PureRedIn16And32BitsAndBottomRowFirst) {
    const Bytes red = {0, 0, 255, 0};
    BmpWriter writer;
    ASSERT_EQ(writer.setFromPixels(red.data(), 1, 1, 16), 1);
    EXPECT_EQ(at16(fileOf(writer), 54), 0x7C00);
    ASSERT_EQ(writer.setFromPixels(red.data(), 1, 1, 32), 1);
    EXPECT_EQ(at32(fileOf(writer), 54), 0x00FF0000u);

    // Negative sizes count as their absolute values; the rows stay top row first.
    const Bytes rows = distinctRows(2, 3);
    ASSERT_EQ(writer.setFromPixels(rows.data(), -2, -3, 24), 1);
    const Bytes file = fileOf(writer);
    expectHeaders(file, 2, 3, 24, 0, 24, 0);
    for (int y = 0; y < 3; ++y) {
        const Bytes stored(file.begin() + 54 + 8 * y, file.begin() + 54 + 8 * y + 6);
        const Bytes source(rows.begin() + 8 * (2 - y), rows.begin() + 8 * (2 - y) + 6);
        EXPECT_EQ(stored, source) << "stored row " << y;
    }
}

TEST(BmpWriter, PaletteSourceWritesItsOwnPaletteAndOptionalRle8) {
    Bytes entries;
    for (int i = 0; i < 5; ++i) entries.insert(entries.end(), {Bytes::value_type(i), 10, 20, 0});
    // 6 x 2 indices, index-plane stride 8.
    const Bytes plane = {1, 1, 1, 4, 4, 0, 0xEE, 0xEE, 2, 3, 3, 3, 3, 3, 0xEE, 0xEE};
    BmpWriter writer;
    ASSERT_EQ(writer.setFromPalette(entries.data(), 5, plane.data(), 6, 2, 0), 1);
    EXPECT_EQ(writer.paletteSize(), 20);
    Bytes file = fileOf(writer);
    expectHeaders(file, 6, 2, 8, 0, 16, 5);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 74), entries);
    EXPECT_EQ(Bytes(file.begin() + 74, file.begin() + 80), (Bytes{2, 3, 3, 3, 3, 3}));
    EXPECT_EQ(Bytes(file.begin() + 82, file.begin() + 88), (Bytes{1, 1, 1, 4, 4, 0}));

    ASSERT_EQ(writer.setFromPalette(entries.data(), 5, plane.data(), 6, 2, 1), 1);
    file = fileOf(writer);
    const auto streamSize = static_cast<std::uint32_t>(file.size() - 74);
    expectHeaders(file, 6, 2, 8, 1, streamSize, 5);
    const auto decoded = test::decodeRleStream(Bytes(file.begin() + 74, file.end()), 6, false);
    EXPECT_EQ(decoded.rows,
              (std::vector<std::vector<int>>{{2, 3, 3, 3, 3, 3}, {1, 1, 1, 4, 4, 0}}));
}

TEST(BmpWriter, BadSourcesAreRefusedWithTheirMessages) {
    const Bytes rows = distinctRows(4, 4);
    const Bytes entries(8, 0);
    BmpWriter writer;
    EXPECT_EQ(writer.setFromPixels(rows.data(), 4, 4, 8), 0);
    EXPECT_EQ(writer.errors().utf8(), "サポートされていない形式です。");
    EXPECT_EQ(writer.setFromPixels(rows.data(), 0, 4, 24), 0);
    EXPECT_EQ(writer.errors().utf8(), "パラメータが不正です。");
    EXPECT_EQ(writer.setFromPixels(rows.data(), 1 << 20, 1 << 20, 24), 0);
    EXPECT_EQ(writer.errors().utf8(), "メモリが不足しています。");
    for (const int count : {0, 257}) {
        EXPECT_EQ(writer.setFromPalette(entries.data(), count, rows.data(), 4, 4, 0), 0);
        EXPECT_EQ(writer.errors().utf8(), "パラメータが不正です。");
    }
    EXPECT_EQ(writer.setFromPalette(nullptr, 2, rows.data(), 4, 4, 0), 0);
    EXPECT_EQ(writer.setFromPalette(entries.data(), 2, nullptr, 4, 4, 0), 0);
    EXPECT_EQ(writer.setFromPalette(entries.data(), 2, rows.data(), 4, -1, 0), 0);
    EXPECT_EQ(writer.errors().utf8(), "パラメータが不正です。");
    EXPECT_EQ(writer.setFromPalette(entries.data(), 2, rows.data(), 1 << 20, 1 << 20, 1), 0);
    EXPECT_EQ(writer.errors().utf8(), "メモリが不足しています。");

    // A writer left empty by a failure builds no file.
    Bytes file;
    EXPECT_EQ(writer.buildFile(file), 0u);
    EXPECT_EQ(writer.errors().utf8(), "イメージ情報がありません。");
}

TEST(BmpWriter, ReduceNeeds24BitRowsAndASupportedColourCount) {
    const Bytes rows = distinctRows(4, 4);
    BmpWriter writer;
    EXPECT_EQ(writer.reduce(16, 2, 0, 0), 0);
    EXPECT_EQ(writer.errors().utf8(), "イメージ情報がありません。");
    EXPECT_EQ(writer.selectLattice(12, 12), 0u);

    ASSERT_EQ(writer.setFromPixels(rows.data(), 4, 4, 16), 1);
    EXPECT_EQ(writer.reduce(16, 2, 0, 0), 0);
    EXPECT_EQ(writer.errors().utf8(), "サポートされていない形式です。");

    ASSERT_EQ(writer.setFromPixels(rows.data(), 4, 4, 24), 1);
    EXPECT_EQ(writer.reduce(8, 2, 0, 0), 0);
    EXPECT_EQ(writer.errors().utf8(), "サポートされていないパレット数です。");
    // The 24-bit picture is still there and can be reduced with an invalid lattice (8 x 8 x 4).
    ASSERT_EQ(writer.reduce(256, 2, 0, 0), 1);
    EXPECT_EQ(writer.infoHeader().colorsUsed, 256u);
    EXPECT_EQ(writer.reduce(256, 2, 0, 0), 0);
    EXPECT_EQ(writer.errors().utf8(), "サポートされていない形式です。");
}

TEST(BmpWriter, ReduceMatchesTheStandaloneReducerOnTheStoredRows) {
    const int width = 13, height = 6;
    const Bytes rows = distinctRows(width, height);
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    Bytes bottomUp;
    for (int y = height - 1; y >= 0; --y) {
        bottomUp.insert(bottomUp.end(), rows.begin() + y * stride, rows.begin() + (y + 1) * stride);
    }
    for (const auto& [colours, model, compression] :
         {std::tuple{2, 2, 0}, {16, 1, 1}, {16, 2, 0}, {256, 1, 1}, {256, 2, 0}}) {
        BmpWriter writer;
        ASSERT_EQ(writer.setFromPixels(rows.data(), width, height, 24), 1);
        const std::uint32_t lattice = writer.selectLattice(12, 12);
        ColourReducer reducer;
        EXPECT_EQ(reducer.selectLattice(bottomUp.data(), width, height, 12, 12), lattice);
        ASSERT_EQ(writer.reduce(colours, model, compression, lattice), 1);
        Bytes bits, palette;
        int paletteBytes = 0;
        const std::size_t size = reducer.reduce(bits, bottomUp.data(), width, height, colours,
                                                model, compression, lattice, palette, paletteBytes);
        EXPECT_EQ(writer.bits(), bits) << colours << " " << model;
        EXPECT_EQ(writer.palette(), palette);
        EXPECT_EQ(static_cast<std::size_t>(writer.imageSize()), size);
        EXPECT_EQ(writer.infoHeader().imageSize, size);
        EXPECT_EQ(writer.paletteSize(), paletteBytes);
        EXPECT_EQ(writer.infoHeader().colorsUsed, static_cast<std::uint32_t>(paletteBytes / 4));
    }
}

}  // namespace
}  // namespace pictrano
