// Every writer mode builds a file that independent decoders (ImageMagick, and our BmpReader where
// it reads the layout) turn back into the pixels the writing rules predict.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/bmp/BmpWriter.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/RowLayout.h"
#include "tests/image/ReductionRules.h"
#include "tests/support/PngOracle.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgr = std::array<int, 3>;

constexpr int kWidth = 45, kHeight = 11;

// A picture as plain blue, green, red triples (top row first) and as padded 24-bit rows.
struct Picture {
    Bytes plain, rows;
    const std::uint8_t* at(int x, int y) const { return &plain[3 * (y * kWidth + x)]; }

    // Every pixel replaced by the colour `rule` predicts for it.
    Bytes mapped(const std::function<Bgr(const std::uint8_t*)>& rule) const {
        Bytes out;
        for (std::size_t i = 0; i < plain.size(); i += 3)
            std::ranges::copy(rule(&plain[i]), std::back_inserter(out));
        return out;
    }
};

// Runs of 1 to 30 pixels of colours drawn by `colour`, so that RLE modes see runs and noise.
Picture runsOf(std::mt19937& random, const std::function<Bgr()>& colour) {
    Picture picture;
    while (picture.plain.size() < 3 * kWidth * kHeight) {
        const Bgr bgr = colour();
        for (auto n = random() % 30 + 1; n > 0; --n)
            picture.plain.insert(picture.plain.end(), bgr.begin(), bgr.end());
    }
    picture.plain.resize(3 * kWidth * kHeight);
    const auto stride = static_cast<std::size_t>(pixelRowStride(kWidth));
    picture.rows.assign(stride * kHeight, 0xEE);
    for (int y = 0; y < kHeight; ++y)
        std::copy_n(picture.at(0, y), 3 * kWidth, &picture.rows[y * stride]);
    return picture;
}

// Builds the file, checks the header's description of it and compares the readings of
// ImageMagick and of our BmpReader (where it reads the layout) with the expected pixels;
// `significantBits` limits the comparison to the top bits of each byte.
void expectReadBack(const test::TempDir& directory, BmpWriter& writer, const Bytes& expected,
                    int bitCount, int compression, int significantBits = 8) {
    Bytes file;
    ASSERT_GT(writer.buildFile(file), 0u);
    EXPECT_EQ(loadLe16(&file[28]), bitCount);
    EXPECT_EQ(loadLe32(&file[30]), static_cast<std::uint32_t>(compression));
    const std::uint32_t offset = 54 + 4 * loadLe32(&file[46]);  // after the colours used
    EXPECT_EQ(loadLe32(&file[10]), offset);
    EXPECT_EQ(file.size(), offset + loadLe32(&file[34]));
    const std::string path = (directory / "mode.bmp").string();
    test::writeBytes(path, file);
    const std::string convert = "convert '" + path + "' -depth 8 'bgr:" + path + ".bgr'";
    ASSERT_EQ(std::system(convert.c_str()), 0) << "ImageMagick cannot read the file";
    auto same = [&, shift = 8 - significantBits](const Bytes& decoded, const char* decoder) {
        const auto [at, other] = std::ranges::mismatch(
            expected, decoded, [shift](int a, int b) { return a >> shift == b >> shift; });
        EXPECT_TRUE(at == expected.end() && other == decoded.end())
            << decoder << " differs from pixel " << (at - expected.begin()) / 3 << " on";
    };
    same(test::readBytes(path + ".bgr"), "ImageMagick");
    if (bitCount == 16 || bitCount == 32) return;
    BmpReader reader;
    ASSERT_EQ(reader.read(file.data(), file.size()), 1) << reader.errors().utf8();
    same(test::unpadRows(reader.pixels(), reader.width(), reader.height()), "BmpReader");
}

TEST(BmpWriterReadBack, EveryModeGivesThePixelsItsRulesPredict) {
    if (std::system("convert -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick (convert) is not installed";
    const test::TempDir directory;
    std::mt19937 random(1234);
    // Random colours, and colours of the fixed 16-colour palette, which map to themselves.
    const Picture noise = runsOf(random, [&random] {
        return Bgr{int(random() % 256), int(random() % 256), int(random() % 256)};
    });
    const Picture fixed = runsOf(random, [&random] { return test::kFixedPalette[random() % 16]; });
    BmpWriter writer;
    for (const int bitCount : {16, 24, 32}) {
        ASSERT_EQ(writer.setFromPixels(noise.rows.data(), kWidth, kHeight, bitCount), 1);
        // 5-5-5 keeps the top five bits of every channel.
        expectReadBack(directory, writer, noise.plain, bitCount, 0, bitCount == 16 ? 5 : 8);
    }

    // 200 random entries; the indices are the noise's blue bytes modulo 200.
    const auto stride = static_cast<std::size_t>(indexRowStride(kWidth));
    Bytes entries, plane(stride * kHeight, 0), fromPalette;
    for (int i = 0; i < 4 * 200; ++i) entries.push_back(i % 4 == 3 ? 0 : random() % 256);
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const std::uint8_t index = noise.plain[3 * i] % 200;
        plane[i / kWidth * stride + i % kWidth] = index;
        fromPalette.insert(fromPalette.end(), &entries[4 * index], &entries[4 * index + 3]);
    }
    for (const int compress : {0, 1}) {
        ASSERT_EQ(
            writer.setFromPalette(entries.data(), 200, plane.data(), kWidth, kHeight, compress), 1);
        expectReadBack(directory, writer, fromPalette, 8, compress);
    }

    // A lattice of 5 blue, 7 green and 7 red levels: 245 entries.
    const Bytes latticeColours = noise.mapped([](const std::uint8_t* p) {
        const int n[3] = {5, 7, 7};
        Bgr bgr{};
        for (int c : {0, 1, 2}) bgr[c] = test::levelValue(test::quantiseLevel(p[c], n[c]), n[c]);
        return bgr;
    });
    const Bytes twoColours = noise.mapped([](const std::uint8_t* p) {
        int toWhite = 0, toBlack = 0;
        for (int c = 0; c < 3; ++c) toWhite += (255 - p[c]) * (255 - p[c]), toBlack += p[c] * p[c];
        return toWhite < toBlack ? Bgr{255, 255, 255} : Bgr{0, 0, 0};
    });
    const Bytes greys256 = noise.mapped([](const std::uint8_t* p) {
        const int y = static_cast<int>(test::luminance(p));
        return Bgr{y, y, y};
    });
    // The writer holds the bottom row first, and the grey error runs in that order.
    const auto greyLevels = test::diffusedGreyLevels(
        kWidth, kHeight, [&noise](int x, int y) { return noise.at(x, kHeight - 1 - y); });
    Bytes greys16;
    for (int y = kHeight - 1; y >= 0; --y)
        for (const int level : greyLevels[y])
            greys16.insert(greys16.end(), 3, static_cast<std::uint8_t>(17 * level));
    // Each reduction without and with compression, which asks for RLE4 (16 colours), RLE8 (256)
    // or, for two colours, nothing.
    const struct { const Picture& from; int colours, model; const Bytes& pixels; int bits, rle; }
        reductions[] = {{noise, 2, 2, twoColours, 1, 0}, {fixed, 16, 2, fixed.plain, 4, 2},
                        {noise, 16, 1, greys16, 4, 2}, {noise, 256, 2, latticeColours, 8, 1},
                        {noise, 256, 1, greys256, 8, 1}};
    for (const auto& r : reductions) {
        for (const int compress : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "row " << &r - reductions << ", rle " << compress);
            ASSERT_EQ(writer.setFromPixels(r.from.rows.data(), kWidth, kHeight, 24), 1);
            ASSERT_EQ(writer.reduce(r.colours, r.model, compress, 0x050707), 1);
            expectReadBack(directory, writer, r.pixels, r.bits, compress * r.rle);
        }
    }
}

}  // namespace
}  // namespace pictrano
