#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/RowLayout.h"
#include "tests/icon/IconFile.h"
#include "tests/front/FrontTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::ParsedIcon;

SaveParams iconParams(int bitCount, std::int32_t transparency = kNoTransparency,
                      int colourModel = 2, int degree = 0) {
    SaveParams params = test::saveParams(kFormatIcon, colourModel, bitCount, degree);
    setTransparency(params, transparency);
    return params;
}

std::unique_ptr<DibImage> load(const std::string& name) { return test::loadTestFile("bmpsuite/g/" + name); }

ParsedIcon encoded(const DibImage& image, SaveParams params) {
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    EXPECT_GT(saver.encode(file, image, &params), 0u) << saver.errors().utf8();
    return ParsedIcon(file);
}

bool anyMasked(const ParsedIcon& icon) {
    for (int y = 0; y < icon.height; ++y)
        for (int x = 0; x < icon.width; ++x)
            if (icon.masked(x, y)) return true;
    return false;
}

TEST(IconSaveBranch, UnsupportedBitCountsOfA24BitSourceAreRefused) {
    for (const char* name : {"rgb24.bmp", "pal8.bmp"}) {
        auto image = load(name);
        for (int bitCount : {0, 2, 12})
            EXPECT_EQ(test::refusal(*image, iconParams(bitCount)), "サポートされていない形式を指定しました。")
                << name << " " << bitCount;
    }
}

TEST(IconSaveBranch, APalettePictureAt8BitsKeepsItsPaletteAndIndices) {
    for (const char* name : {"pal8.bmp", "pal4.bmp", "pal1.bmp"}) {
        SCOPED_TRACE(name);
        auto image = load(name);
        ASSERT_GT(image->paletteCount(), 0);
        const ParsedIcon icon = encoded(*image, iconParams(8));
        ASSERT_EQ(icon.bitCount, 8);
        EXPECT_EQ(icon.width, image->width());
        for (int i = 0; i < 256; ++i) {
            const std::uint8_t* entry = image->palette() + 4 * i;
            const test::Bgr expected =
                i < image->paletteCount() ? test::Bgr{entry[0], entry[1], entry[2]} : test::Bgr{};
            ASSERT_EQ(icon.entry(i), expected) << "entry " << i;
        }
        const auto stride = indexRowStride(image->width());
        for (int y = 0; y < icon.height; ++y)
            for (int x = 0; x < icon.width; ++x)
                ASSERT_EQ(icon.index(x, y), image->indexPlane()[y * stride + x]);
    }
}

TEST(IconSaveBranch, RequestsThatNameNoColourLeaveTheMaskClear) {
    auto palette = load("pal8.bmp");
    auto pixels = load("rgb24.bmp");
    for (const std::int32_t request : {kNoTransparency, 0x40000007, 0x40000000}) {
        EXPECT_FALSE(anyMasked(encoded(*palette, iconParams(8, request)))) << std::hex << request;
        EXPECT_FALSE(anyMasked(encoded(*pixels, iconParams(24, request)))) << std::hex << request;
    }
    EXPECT_TRUE(anyMasked(encoded(*pixels, iconParams(24, kTransparentTopLeft))));
}

// Icons hold rows: the degree's RLE request is ignored; 16 and 32 bits are written at 24 bits;
// grey 8 bits takes the 256 greys.
TEST(IconSaveBranch, WhatTheOtherRequestFieldsGive) {
    auto image = load("rgb24.bmp");
    for (int bitCount : {4, 8}) {
        const ParsedIcon icon = encoded(*image, iconParams(bitCount, kNoTransparency, 2, 1));
        EXPECT_EQ(icon.bitCount, bitCount);
        EXPECT_EQ(icon.header32(16), 0u) << "compression";
    }
    for (int bitCount : {16, 32}) EXPECT_EQ(encoded(*image, iconParams(bitCount)).bitCount, 24);
    const ParsedIcon grey = encoded(*image, iconParams(8, kNoTransparency, 1));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(grey.entry(i), (test::Bgr{i, i, i}));
}

}  // namespace
}  // namespace pictrano
