#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/PngOracle.h"
#include "tests/support/PngTestFiles.h"
#include "tests/front/FrontTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::Bytes;
constexpr auto load = test::loadTestFile;

SaveParams pngParams(int colourModel, int bitCount, int degree) {
    return test::saveParams(kFormatPng, colourModel, bitCount, degree);
}

// Colour type and depth come from the colour model and bit count; the degree's high nibble is
// the row filter, its low nibble the Deflate degree.
TEST(PngSaveBranch, ChoosesFormatFilterAndDegreeFromTheRecord) {
    auto source = load("pngsuite/basn2c08.png");
    const struct {
        int colourModel;
        int bitCount;
        int degree;
        int colourType;
        int bitDepth;
        int filter;  // -1: the automatic choice, rows may differ
        std::uint8_t zlibLevelByte;
    } cases[] = {
        {1, 2, 0x43, 0, 2, 4, 0xDA}, {1, 1, 0x10, 0, 1, 1, 0x01},   {1, 16, 0x21, 0, 16, 2, 0x5E},
        {1, 8, 0x32, 0, 8, 3, 0x9C}, {2, 24, 0x53, 2, 8, -1, 0xDA}, {3, 24, 0x00, 2, 8, 0, 0x01},
        {2, 8, 0x12, 3, 8, 1, 0x9C}, {2, 4, 0xF3, 3, 4, -1, 0xDA},  {3, 4, 0x04, 3, 4, 0, 0x01},
    };
    for (const auto& c : cases) {
        SaveParams params = pngParams(c.colourModel, c.bitCount, c.degree);
        ImageSaver saver;
        Bytes file;
        ASSERT_GT(saver.encode(file, *source, &params), 0u)
            << c.colourModel << "/" << c.bitCount << ": " << saver.errors().utf8();
        const auto oracle = test::decodePngBytesWithLibpng(file);
        EXPECT_EQ(oracle.colourType, c.colourType) << c.colourModel << "/" << c.bitCount;
        EXPECT_EQ(oracle.bitDepth, c.bitDepth) << c.colourModel << "/" << c.bitCount;
        const Bytes data = test::inflatedImageData(file);
        const std::size_t rowBytes = data.size() / static_cast<std::size_t>(source->height()) - 1;
        for (int y = 0; c.filter >= 0 && y < source->height(); ++y) {
            ASSERT_EQ(data[y * (rowBytes + 1)], c.filter) << "degree " << c.degree << " row " << y;
        }
        EXPECT_EQ(
            file[8 + 25 + 8 +
                 (c.colourType == 3 ? static_cast<std::size_t>(12 + oracle.plte.size()) : 0u) + 1],
            c.zlibLevelByte)
            << "degree " << c.degree;
    }
    EXPECT_EQ(test::refusal(*source, pngParams(2, 1, 0)), "サポートされていないビット数です。");
}

TEST(PngSaveBranch, APalettedPictureKeepsItsPaletteAt8BitsAndIsReducedAt4) {
    auto source = load("pngsuite/basn3p08.png");
    ASSERT_GT(source->paletteCount(), 16);
    for (const int bitCount : {8, 4}) {
        SaveParams params = pngParams(2, bitCount, 0x52);
        ImageSaver saver;
        Bytes file;
        ASSERT_GT(saver.encode(file, *source, &params), 0u) << saver.errors().utf8();
        ImageLoader loader;
        auto back = loader.loadMemory(file.data(), file.size());
        ASSERT_NE(back, nullptr) << loader.errors().utf8();
        if (bitCount == 8) {
            ASSERT_EQ(back->paletteCount(), source->paletteCount());
            EXPECT_EQ(std::memcmp(back->palette(), source->palette(), 4 * 256), 0);
            EXPECT_EQ(std::memcmp(back->indexPlane(), source->indexPlane(),
                                  static_cast<std::size_t>(indexRowStride(source->width()) *
                                                           source->height())),
                      0);
        } else {
            EXPECT_LE(back->paletteCount(), 16);
        }
    }
}

}  // namespace
}  // namespace pictrano
