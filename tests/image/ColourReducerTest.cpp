#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "imagelib/bmp/BmpWriter.h"
#include "imagelib/image/ColourReducer.h"
#include "imagelib/image/RowLayout.h"
#include "tests/image/ReductionRules.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Bgr {
    int b, g, r;
};

// 24-bit rows of width x height pixels taken row by row from `pixels`; padding holds 0xEE.
struct Picture {
    int width;
    int height;
    Bytes rows;

    Picture(int w, int h, const std::vector<Bgr>& pixels) : width(w), height(h) {
        const auto stride = static_cast<std::size_t>(pixelRowStride(w));
        rows.assign(stride * static_cast<std::size_t>(h), 0xEE);
        for (int i = 0; i < w * h; ++i) {
            std::uint8_t* p = rows.data() + (i / w) * stride + 3 * (i % w);
            p[0] = static_cast<std::uint8_t>(pixels[i].b);
            p[1] = static_cast<std::uint8_t>(pixels[i].g);
            p[2] = static_cast<std::uint8_t>(pixels[i].r);
        }
    }
    const std::uint8_t* at(int x, int y) const {
        return rows.data() + y * pixelRowStride(width) + 3 * x;
    }
};

struct Reduced {
    std::size_t size = 0;
    Bytes bits;
    Bytes palette;
    int paletteBytes = -1;
    int bitCount = 0;
    int width = 0;

    int index(int x, int y) const {
        const std::size_t row = static_cast<std::size_t>(y * packedRowStride(width, bitCount));
        switch (bitCount) {
            case 1: return bits[row + x / 8] >> (7 - x % 8) & 1;
            case 4: return bits[row + x / 2] >> (x % 2 ? 0 : 4) & 0x0F;
            default: return bits[row + x];
        }
    }
    std::array<int, 3> entry(int i) const {
        return {palette[4 * i], palette[4 * i + 1], palette[4 * i + 2]};
    }
};

Reduced reduce(const Picture& picture, int colours, int model, std::uint32_t lattice = 0,
               int compression = 0) {
    ColourReducer reducer;
    Reduced out;
    out.size = reducer.reduce(out.bits, picture.rows.data(), picture.width, picture.height, colours,
                              model, compression, lattice, out.palette, out.paletteBytes);
    if (out.size != 0) {
        EXPECT_EQ(out.size, out.bits.size());
        EXPECT_EQ(static_cast<std::size_t>(out.paletteBytes), out.palette.size());
    }
    out.bitCount = colours == 2 ? 1 : colours == 16 ? 4 : 8;
    out.width = picture.width;
    return out;
}

constexpr int kGrey = 1;
constexpr int kColour = 2;

using test::levelValue;
using test::luminance1000;
using test::quantiseLevel;

std::vector<Bgr> randomPixels(std::mt19937& random, int count) {
    std::vector<Bgr> pixels;
    for (int i = 0; i < count; ++i) {
        pixels.push_back({static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                          static_cast<int>(random() % 256)});
    }
    return pixels;
}

TEST(ColourReducer, TwoColoursPickTheStrictlyNearerOfBlackAndWhite) {
    const Picture picture(9, 1,
                          {{255, 255, 255},
                           {127, 127, 127},
                           {128, 128, 128},
                           {200, 10, 250},
                           {0, 0, 0},
                           {10, 200, 20},
                           {255, 0, 255},
                           {0, 90, 100},
                           {250, 250, 250}});
    // Compression is ignored for two colours: rows, not a stream.
    const Reduced out = reduce(picture, 2, kColour, 0, 1);
    EXPECT_EQ(out.size, 4u);
    EXPECT_EQ(out.paletteBytes, 8);
    EXPECT_EQ(out.palette, (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
    // 1 0 1 1 0 0 1 0 | 1, first pixel in the top bit.
    EXPECT_EQ(Bytes(out.bits.begin(), out.bits.begin() + 2), (Bytes{0xB2, 0x80}));
}

TEST(ColourReducer, SixteenColoursFollowTheDecisionList) {
    // blue, green, red and the expected index.
    const std::vector<std::pair<Bgr, int>> cases = {
        {{40, 30, 200}, 5},
        {{20, 100, 100}, 6},
        {{170, 230, 240}, 7},
        {{170, 170, 170}, 2},
        {{100, 10, 10}, 12},
        {{0, 0, 0}, 0},
        {{128, 128, 128}, 1},
        {{192, 192, 192}, 2},
        {{255, 255, 255}, 3},
        {{0, 0, 128}, 4},
        {{0, 0, 255}, 5},
        {{0, 128, 128}, 6},
        {{0, 255, 255}, 7},
        {{0, 128, 0}, 8},
        {{0, 255, 0}, 9},
        {{128, 128, 0}, 10},
        {{255, 255, 0}, 11},
        {{128, 0, 0}, 12},
        {{255, 0, 0}, 13},
        {{128, 0, 128}, 14},
        {{255, 0, 255}, 15},
        {{180, 170, 165}, 2},
        // Light colours (all channels from 160) count a channel from 224, except blue beside red.
        {{200, 170, 230}, 15},
        {{180, 170, 230}, 5},
        {{230, 240, 170}, 11},
        {{170, 240, 170}, 9},
        {{240, 170, 170}, 13},
        // Otherwise a channel counts from 160.
        {{200, 100, 230}, 15},
        {{100, 100, 230}, 5},
        {{170, 200, 20}, 11},
        {{100, 200, 20}, 9},
        {{170, 20, 20}, 13},
        {{20, 170, 170}, 7},
    };
    std::vector<Bgr> pixels;
    for (const auto& c : cases) pixels.push_back(c.first);
    const Picture picture(static_cast<int>(pixels.size()), 1, pixels);
    const Reduced out = reduce(picture, 16, kColour);
    EXPECT_EQ(out.paletteBytes, 64);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out.entry(i), test::kFixedPalette[i]) << i;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(out.index(static_cast<int>(i), 0), cases[i].second) << "case " << i;
    }
}

TEST(ColourReducer, LatticeIndicesAndPaletteFollowTheLevels) {
    const Picture corners(2, 1, {{255, 255, 255}, {0, 0, 0}});
    const Reduced out = reduce(corners, 256, kColour, 0x040808);
    EXPECT_EQ(out.paletteBytes, 1024);
    EXPECT_EQ(out.index(0, 0), (3 * 8 + 7) * 8 + 7);
    EXPECT_EQ(out.index(1, 0), 0);
    EXPECT_EQ(out.entry(255), (std::array<int, 3>{255, 255, 255}));

    // An asymmetric lattice (red 8, green 4, blue 8) on random colours.
    std::mt19937 random(11);
    const Picture picture(29, 7, randomPixels(random, 29 * 7));
    const Reduced lattice = reduce(picture, 256, kColour, 0x080408);
    EXPECT_EQ(lattice.paletteBytes, 4 * 256);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 29; ++x) {
            const std::uint8_t* p = picture.at(x, y);
            const int qb = quantiseLevel(p[0], 8), qg = quantiseLevel(p[1], 4),
                      qr = quantiseLevel(p[2], 8);
            const int index = (qb * 4 + qg) * 8 + qr;
            ASSERT_EQ(lattice.index(x, y), index);
            EXPECT_EQ(
                lattice.entry(index),
                (std::array<int, 3>{levelValue(qb, 8), levelValue(qg, 4), levelValue(qr, 8)}));
        }
    }
}

TEST(ColourReducer, InvalidLatticesBecome8x8x4And6x6x6Has216Entries) {
    const Picture picture(2, 1, {{255, 255, 255}, {100, 30, 200}});
    const int expected =
        (quantiseLevel(100, 4) * 8 + quantiseLevel(30, 8)) * 8 + quantiseLevel(200, 8);
    for (const std::uint32_t invalid : {0x010808u, 0x090909u, 0u, 0x410202u}) {
        const Reduced out = reduce(picture, 256, kColour, invalid);
        EXPECT_EQ(out.paletteBytes, 1024) << std::hex << invalid;
        EXPECT_EQ(out.index(0, 0), 255);
        EXPECT_EQ(out.index(1, 0), expected);
    }
    const Reduced six = reduce(picture, 256, kColour, 0x060606);
    EXPECT_EQ(six.paletteBytes, 4 * 216);
    EXPECT_EQ(six.index(0, 0), 215);

    BmpWriter writer;
    ASSERT_EQ(writer.setFromPixels(picture.rows.data(), 2, 1, 24), 1);
    ASSERT_EQ(writer.reduce(256, kColour, 0, 0x060606), 1);
    EXPECT_EQ(writer.infoHeader().colorsUsed, 216u);
    EXPECT_EQ(writer.paletteSize(), 864);
}

TEST(ColourReducer, Grey256TruncatesTheLuminance) {
    std::vector<Bgr> pixels = {{0, 0, 255}};
    for (int v = 0; v < 256; ++v) pixels.push_back({v, v, v});
    std::mt19937 random(3);
    const auto noise = randomPixels(random, 63);
    pixels.insert(pixels.end(), noise.begin(), noise.end());
    const Picture picture(32, 10, pixels);
    const Reduced out = reduce(picture, 256, kGrey, 0x040808);
    EXPECT_EQ(out.paletteBytes, 1024);
    EXPECT_EQ(out.index(0, 0), 76);
    for (int i = 0; i < 320; ++i) {
        const int expected = luminance1000(picture.at(i % 32, i / 32)) / 1000;
        ASSERT_EQ(out.index(i % 32, i / 32), expected) << "pixel " << i;
        EXPECT_EQ(out.entry(i % 256), (std::array<int, 3>{i % 256, i % 256, i % 256}));
    }
}

TEST(ColourReducer, Grey16DiffusesTheErrorRightAndDown) {
    const Picture uniform(6, 1, std::vector<Bgr>(6, {128, 128, 128}));
    const Reduced flat = reduce(uniform, 16, kGrey);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(flat.index(x, 0), x % 2 == 0 ? 8 : 7) << x;
    EXPECT_EQ(flat.paletteBytes, 64);
    EXPECT_EQ(flat.entry(15), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(flat.entry(7), (std::array<int, 3>{119, 119, 119}));

    std::mt19937 random(5);
    const Picture picture(23, 9, randomPixels(random, 23 * 9));
    const Reduced out = reduce(picture, 16, kGrey);
    const auto expected =
        test::diffusedGreyLevels(23, 9, [&picture](int x, int y) { return picture.at(x, y); });
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 23; ++x) ASSERT_EQ(out.index(x, y), expected[y][x]) << x << "," << y;
    }
}

TEST(ColourReducer, RefusedRequestsLeaveTheirMessage) {
    const Picture picture(1, 1, {{1, 2, 3}});
    ColourReducer reducer;
    Bytes bits, palette;
    int paletteBytes = 0;
    EXPECT_EQ(
        reducer.reduce(bits, picture.rows.data(), 1, 1, 8, kColour, 0, 0, palette, paletteBytes),
        0u);
    EXPECT_EQ(reducer.errors().utf8(), "サポートされていないパレット数です。");
    EXPECT_EQ(
        reducer.reduce(bits, picture.rows.data(), 0, 1, 16, kColour, 0, 0, palette, paletteBytes),
        0u);
    EXPECT_EQ(reducer.errors().utf8(), "パラメータが不正です。");
    EXPECT_EQ(reducer.reduce(bits, picture.rows.data(), 1 << 20, 1 << 20, 16, kColour, 0, 0,
                             palette, paletteBytes),
              0u);
    EXPECT_EQ(reducer.errors().utf8(), "メモリが不足しています。");
}

// Colours made only of the levels of one lattice, varied by position.
std::vector<Bgr> latticeColours(int count, int blueLevels, int greenLevels, int redLevels) {
    std::vector<Bgr> pixels;
    for (int i = 0; i < count; ++i) {
        pixels.push_back({levelValue(i % blueLevels, blueLevels),
                          levelValue((3 * i + 1) % greenLevels, greenLevels),
                          levelValue((5 * i + 2) % redLevels, redLevels)});
    }
    return pixels;
}

TEST(ColourReducer, LatticeSelectionPicksTheClosestCandidateAndTheEarlierOnATie) {
    ColourReducer reducer;
    auto select = [&reducer](const Picture& p) {
        return reducer.selectLattice(p.rows.data(), p.width, p.height, 12, 12);
    };
    EXPECT_EQ(select(Picture(12, 12, latticeColours(144, 5, 7, 7))), 0x050707u);
    EXPECT_EQ(select(Picture(12, 12, latticeColours(144, 7, 5, 7))), 0x070507u);
    EXPECT_EQ(select(Picture(12, 12, latticeColours(144, 6, 6, 6))), 0x060606u);
    // Only black: every candidate is exact, the first one wins.
    EXPECT_EQ(select(Picture(3, 2, std::vector<Bgr>(6, {0, 0, 0}))), 0x040808u);
    // Red and green on 0 or 255, blue on the 8 levels: 8 x 4 x 8 and 4 x 8 x 8 are both exact.
    std::vector<Bgr> tie;
    for (int i = 0; i < 144; ++i) {
        tie.push_back({levelValue(i % 8, 8), i % 3 ? 255 : 0, i % 5 ? 0 : 255});
    }
    EXPECT_EQ(select(Picture(12, 12, tie)), 0x080408u);
}

TEST(ColourReducer, LatticeSelectionLooksOnlyAtTheSampleGrid) {
    // 24 x 24 with 12 x 12 samples: every second column of every second row. The sampled pixels
    // sit on 6 x 6 x 6 levels, all the others on 8 x 8 x 4 levels.
    const auto six = latticeColours(576, 6, 6, 6);
    const auto eight = latticeColours(576, 4, 8, 8);
    std::vector<Bgr> pixels;
    for (int i = 0; i < 576; ++i) {
        const bool sampled = (i % 24) % 2 == 0 && (i / 24) % 2 == 0;
        pixels.push_back(sampled ? six[i] : eight[i]);
    }
    const Picture picture(24, 24, pixels);
    ColourReducer reducer;
    EXPECT_EQ(reducer.selectLattice(picture.rows.data(), 24, 24, 12, 12), 0x060606u);
    EXPECT_EQ(reducer.selectLattice(nullptr, 24, 24, 12, 12), 0u);
    EXPECT_EQ(reducer.selectLattice(picture.rows.data(), 24, 24, 0, 12), 0u);
}

}  // namespace
}  // namespace pictrano
