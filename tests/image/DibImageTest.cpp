#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imagelib/image/DibImage.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

std::vector<std::uint8_t> rampSamples(int width, int height) {
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(pixelRowStride(width) * height));
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 7);
    return samples;
}

TEST(DibImage, CreateAtPrecision8CopiesEveryByteIncludingPadding) {
    const auto samples = rampSamples(5, 3);
    DibImage image;
    ASSERT_EQ(image.create(samples.data(), 8, 5, 3), 1);
    EXPECT_EQ(image.width(), 5);
    EXPECT_EQ(image.height(), 3);
    EXPECT_EQ(std::memcmp(image.pixelBits(), samples.data(), samples.size()), 0);
    EXPECT_EQ(image.header().width, 5);
    EXPECT_EQ(image.header().height, -3);
    EXPECT_EQ(image.header().bitCount, 24);
    EXPECT_EQ(image.header().imageSize, 0u);
}

// Narrow samples are widened to 0 to 255 (only their low bits count); wide ones keep their top
// 8 bits.
TEST(DibImage, CreateWidensNarrowAndNarrowsWidePrecisions) {
    const struct {
        int precision;
        std::vector<std::uint16_t> samples;
        std::vector<std::uint8_t> expected;
    } cases[] = {{1, {1, 0, 0xFF}, {255, 0, 255}},        {4, {15, 8, 1}, {255, 136, 17}},
                 {12, {0x0FFF, 0x0800, 1}, {0xFF, 0x80, 0}}, {16, {0xFFFF, 0x1234, 0x00FF}, {0xFF, 0x12, 0}}};
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes(c.samples.begin(), c.samples.end());
        std::vector<std::uint16_t> units = c.samples;
        bytes.push_back(0);
        units.push_back(0);
        DibImage image;
        ASSERT_EQ(image.create(c.precision > 8 ? static_cast<const void*>(units.data()) : bytes.data(), c.precision, 1, 1), 1);
        EXPECT_EQ(std::vector<std::uint8_t>(image.pixelBits(), image.pixelBits() + 3), c.expected) << c.precision;
    }
}

TEST(DibImage, CreateRefusesBadPrecisionAndHugeSizesWithoutAPicture) {
    const auto samples = rampSamples(2, 2);
    DibImage image;
    ASSERT_EQ(image.create(samples.data(), 8, 2, 2), 1);
    for (int precision : {0, 17}) {
        EXPECT_EQ(image.create(samples.data(), precision, 2, 2), 0);
        EXPECT_EQ(image.errors().utf8(), "サポートされていないビット数です。");
        EXPECT_FALSE(image.hasPicture());
    }
    EXPECT_EQ(image.create(samples.data(), 8, 100000, 100000), 0);
    EXPECT_EQ(image.errors().utf8(), "メモリが不足しています。");
}

TEST(DibImage, AttachPaletteChecksArgumentsAndZeroesUnusedEntries) {
    const auto samples = rampSamples(3, 2);
    DibImage image;
    ASSERT_EQ(image.create(samples.data(), 8, 3, 2), 1);
    const std::vector<std::uint8_t> entries(4 * 257, 0x55);
    const std::vector<std::uint8_t> plane = {1, 0, 1, 9, 0, 1, 0, 9};
    EXPECT_EQ(image.attachPalette(entries.data(), 0, plane.data()), 0);
    EXPECT_EQ(image.attachPalette(entries.data(), 257, plane.data()), 0);
    EXPECT_EQ(image.attachPalette(nullptr, 2, plane.data()), 0);
    EXPECT_EQ(image.attachPalette(entries.data(), 2, nullptr), 0);
    EXPECT_EQ(image.errors().utf8(), "パラメータが不正です。");
    EXPECT_EQ(image.paletteCount(), 0);

    ASSERT_EQ(image.attachPalette(entries.data(), 2, plane.data()), 1);
    EXPECT_EQ(image.paletteCount(), 2);
    EXPECT_EQ(image.palette()[7], 0x55);
    for (int i = 8; i < 1024; ++i) ASSERT_EQ(image.palette()[i], 0) << i;
    EXPECT_EQ(std::memcmp(image.indexPlane(), plane.data(), plane.size()), 0);
}

// A picture whose pixel (x, y) holds x in blue, y in green and its index x + 10 y.
DibImage gridPicture(int width, int height) {
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(pixelRowStride(width) * height));
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(indexRowStride(width) * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = samples.data() + y * pixelRowStride(width) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
            plane[static_cast<std::size_t>(y * indexRowStride(width) + x)] =
                static_cast<std::uint8_t>(x + 10 * y);
        }
    }
    DibImage image;
    EXPECT_EQ(image.create(samples.data(), 8, width, height), 1);
    std::vector<std::uint8_t> palette(1024, 0);
    EXPECT_EQ(image.attachPalette(palette.data(), 256, plane.data()), 1);
    return image;
}

std::pair<int, int> sourceOf(const DibImage& image, int x, int y) {
    const std::uint8_t* p = image.pixelBits() + y * pixelRowStride(image.width()) + 3 * x;
    const int index = image.indexPlane()[y * indexRowStride(image.width()) + x];
    EXPECT_EQ(index, p[0] + 10 * p[1]) << "index plane sampled elsewhere than the pixels";
    return {p[0], p[1]};
}

// The first and last rows and columns map onto the source's edges, the others spread evenly.
TEST(Resize, TakesEvenlySpreadRowsAndColumnsFromEdgeToEdge) {
    DibImage image = gridPicture(4, 4);
    ASSERT_EQ(image.resize(2, 2), &image);
    EXPECT_EQ(sourceOf(image, 0, 0), std::make_pair(0, 0));
    EXPECT_EQ(sourceOf(image, 1, 0), std::make_pair(3, 0));
    EXPECT_EQ(sourceOf(image, 0, 1), std::make_pair(0, 3));
    EXPECT_EQ(sourceOf(image, 1, 1), std::make_pair(3, 3));
    EXPECT_EQ(image.header().height, -2);
    EXPECT_EQ(image.header().imageSize, static_cast<std::uint32_t>(pixelRowStride(2) * 2));
    EXPECT_EQ(image.paletteCount(), 256);

    DibImage wide = gridPicture(10, 3);
    ASSERT_NE(wide.resize(4, 3), nullptr);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(sourceOf(wide, j, 1), std::make_pair(3 * j, 1));
    EXPECT_EQ(sourceOf(wide, 2, 2).second, 2);
}

TEST(Resize, ASingleRowOrColumnSamplesTheMiddle) {
    DibImage image = gridPicture(9, 5);
    ASSERT_NE(image.resize(1, 5), nullptr);
    EXPECT_EQ(sourceOf(image, 0, 4), std::make_pair(4, 4));
    ASSERT_NE(image.resize(1, 1), nullptr);
    EXPECT_EQ(sourceOf(image, 0, 0), std::make_pair(4, 2));
}

TEST(Resize, RefusedSizesLeaveThePictureAlone) {
    DibImage image = gridPicture(6, 4);
    EXPECT_EQ(image.resize(0, 3), nullptr);
    EXPECT_EQ(image.resize(100000, 100000), nullptr);
    EXPECT_EQ(image.width(), 6);
    EXPECT_EQ(image.height(), 4);
    EXPECT_EQ(sourceOf(image, 5, 3), std::make_pair(5, 3));
}

}  // namespace
}  // namespace pictrano
