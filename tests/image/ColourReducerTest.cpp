#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <random>
#include <vector>

#include "imagelib/image/ColourReducer.h"
#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"
#include "tests/image/ReductionRules.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgr = std::array<int, 3>;  // blue, green, red
using namespace test;

constexpr int kGrey = 1, kColour = 2;

// 24-bit rows of width x height pixels, pixel i (row by row) being colour(i); padding holds 0xEE.
struct Picture {
    int width, height;
    Bytes rows;
    Picture(int w, int h, const std::function<Bgr(int)>& colour)
        : width(w), height(h), rows(static_cast<std::size_t>(pixelRowStride(w) * h), 0xEE) {
        for (int i = 0; i < w * h; ++i) {
            const Bgr c = colour(i);
            std::copy(c.begin(), c.end(), &rows[i / w * pixelRowStride(w) + 3 * (i % w)]);
        }
    }
    Picture(int w, int h, const std::vector<Bgr>& pixels)
        : Picture(w, h, [&pixels](int i) { return pixels[i]; }) {}
    const std::uint8_t* at(int x, int y) const { return &rows[y * pixelRowStride(width) + 3 * x]; }
};

RowsView rowsOf(const Picture& p) {
    return inHeldOrder(p.rows.data(), pixelRowStride(p.width));
}

// The standalone reducer's result for a picture, read back index by index.
struct Reduced {
    Bytes bits, palette;
    int paletteBytes = -1, bitCount, width;

    Reduced(const Picture& p, int colours, int model, std::uint32_t lattice = 0, int compress = 0)
        : bitCount(colours == 2 ? 1 : colours == 16 ? 4 : 8), width(p.width) {
        const std::size_t size = ColourReducer().reduce(bits, rowsOf(p), p.width, p.height,
                                                        colours, model, compress, lattice,
                                                        palette, paletteBytes);
        EXPECT_EQ(size, bits.size());
        EXPECT_EQ(static_cast<std::size_t>(paletteBytes), palette.size());
    }
    int index(int x, int y) const {
        const std::uint8_t* row = &bits[y * packedRowStride(width, bitCount)];
        if (bitCount == 1) return row[x / 8] >> (7 - x % 8) & 1;
        return bitCount == 4 ? row[x / 2] >> (x % 2 ? 0 : 4) & 0x0F : row[x];
    }
    Bgr entry(int i) const { return {palette[4 * i], palette[4 * i + 1], palette[4 * i + 2]}; }
};

TEST(ColourReducer, TwoColoursPickTheStrictlyNearerOfBlackAndWhite) {
    const Picture picture(9, 1, {{255, 255, 255}, {127, 127, 127}, {128, 128, 128},
                                 {200, 10, 250}, {0, 0, 0}, {10, 200, 20}, {255, 0, 255},
                                 {0, 90, 100}, {250, 250, 250}});
    // Compression is ignored for two colours: rows, not a stream.
    const Reduced out(picture, 2, kColour, 0, 1);
    EXPECT_EQ(out.palette, (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
    // 1 0 1 1 0 0 1 0 | 1, first pixel in the top bit, in rows of 4 bytes.
    EXPECT_EQ(out.bits, (Bytes{0xB2, 0x80, 0, 0}));
}

TEST(ColourReducer, SixteenColoursFollowTheDecisionList) {
    // Blue, green, red and the expected index.
    std::vector<std::pair<Bgr, int>> cases = {
        // The five worked examples.
        {{40, 30, 200}, 5}, {{20, 100, 100}, 6}, {{170, 230, 240}, 7}, {{170, 170, 170}, 2},
        {{100, 10, 10}, 12},
        // The grey bands' edges.
        {{63, 63, 63}, 0}, {{64, 64, 64}, 1}, {{160, 160, 160}, 2}, {{224, 224, 224}, 3},
        // Light colours (all channels from 160): light grey while all stay under 224, otherwise a
        // channel counts from 224, except blue beside red.
        {{180, 170, 165}, 2}, {{200, 170, 230}, 15}, {{180, 170, 230}, 5}, {{230, 240, 170}, 11},
        {{170, 240, 170}, 9}, {{240, 170, 170}, 13},
        // Otherwise a channel counts from 160.
        {{200, 100, 230}, 15}, {{100, 100, 230}, 5}, {{170, 200, 20}, 11}, {{100, 200, 20}, 9},
        {{170, 20, 20}, 13}, {{20, 170, 170}, 7}};
    // Every colour of the fixed palette maps to itself.
    for (int i = 0; i < 16; ++i) cases.push_back({kFixedPalette[i], i});
    const int count = static_cast<int>(cases.size());
    const Reduced out(Picture(count, 1, [&cases](int i) { return cases[i].first; }), 16, kColour);
    EXPECT_EQ(out.paletteBytes, 64);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out.entry(i), kFixedPalette[i]) << i;
    for (int i = 0; i < count; ++i) EXPECT_EQ(out.index(i, 0), cases[i].second) << "case " << i;
}

TEST(ColourReducer, LatticesGiveLevelIndicesAndInvalidOnesBecome8x8x4) {
    // White is the last entry of 8 x 8 x 4 and keeps 255 in every channel; black is entry 0.
    const Picture picture(3, 1, {{255, 255, 255}, {100, 30, 200}, {0, 0, 0}});
    const int mid = (quantiseLevel(100, 4) * 8 + quantiseLevel(30, 8)) * 8 + quantiseLevel(200, 8);
    // 8 x 8 x 4 itself, then one blue level, nine levels, no lattice, a level byte out of range.
    for (const std::uint32_t lattice : {0x040808u, 0x010808u, 0x090909u, 0u, 0x410202u}) {
        const Reduced out(picture, 256, kColour, lattice);
        EXPECT_EQ(out.paletteBytes, 1024) << std::hex << lattice;
        EXPECT_EQ(out.entry(255), (Bgr{255, 255, 255}));
        EXPECT_EQ(std::vector({out.index(0, 0), out.index(1, 0), out.index(2, 0)}),
                  std::vector({255, mid, 0}));
    }
    const Reduced six(picture, 256, kColour, 0x060606);
    EXPECT_EQ(six.paletteBytes, 4 * 216);
    EXPECT_EQ(six.index(0, 0), 215);
}

TEST(ColourReducer, LatticeAndGreyRulesHoldForEveryPixel) {
    // Pure red, the 256 greys, then random colours.
    std::mt19937 random(11);
    const Picture picture(32, 10, [&random](int i) {
        if (i == 0) return Bgr{0, 0, 255};
        if (i <= 256) return Bgr{i - 1, i - 1, i - 1};
        return Bgr{int(random() % 256), int(random() % 256), int(random() % 256)};
    });
    // An asymmetric lattice: red 8, green 4, blue 8 levels.
    const Reduced lattice(picture, 256, kColour, 0x080408), grey256(picture, 256, kGrey, 0x040808);
    const Reduced grey16(picture, 16, kGrey);
    const auto levels = diffusedGreyLevels(32, 10, [&](int x, int y) { return picture.at(x, y); });
    EXPECT_EQ(grey256.index(0, 0), 76);
    for (int i = 0; i < 320; ++i) {
        const int x = i % 32, y = i / 32;
        const std::uint8_t* p = picture.at(x, y);
        const int b = quantiseLevel(p[0], 8), g = quantiseLevel(p[1], 4);
        const int r = quantiseLevel(p[2], 8);
        ASSERT_EQ(lattice.index(x, y), (b * 4 + g) * 8 + r) << i;
        EXPECT_EQ(lattice.entry((b * 4 + g) * 8 + r),
                  (Bgr{levelValue(b, 8), levelValue(g, 4), levelValue(r, 8)}));
        ASSERT_EQ(grey256.index(x, y), static_cast<int>(luminance(p))) << i;
        EXPECT_EQ(grey256.entry(i % 256), (Bgr{i % 256, i % 256, i % 256}));
        ASSERT_EQ(grey16.index(x, y), levels[y][x]) << i;
    }
    // Mid grey alternates between the levels either side as its error is passed on.
    const Reduced flat(Picture(6, 1, std::vector<Bgr>(6, {128, 128, 128})), 16, kGrey);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(flat.index(x, 0), x % 2 == 0 ? 8 : 7) << x;
    EXPECT_EQ(flat.paletteBytes, 64);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(flat.entry(i), (Bgr{17 * i, 17 * i, 17 * i})) << i;
}

// Exact greys whose luminance in double falls just under them drop one level; the error this
// leaves spreads through the 16-grey diffusion: a 2 x 1 grey 127 gives levels 7 and 7.
TEST(ColourReducer, GreysTruncateTheLuminanceAsComputedInDouble) {
    const Picture greys(256, 1, [](int i) { return Bgr{i, i, i}; });
    const Reduced out(greys, 256, kGrey);
    for (int v = 0; v < 256; ++v) {
        const bool below = std::count(kGreysBelowThemselves.begin(), kGreysBelowThemselves.end(), v);
        EXPECT_EQ(out.index(v, 0), below ? v - 1 : v) << v;
    }
    const Reduced grey127(Picture(2, 1, std::vector<Bgr>(2, {127, 127, 127})), 16, kGrey);
    EXPECT_EQ(grey127.bits, (Bytes{0x77, 0, 0, 0}));
}

TEST(ColourReducer, RefusedRequestsLeaveTheirMessage) {
    const Picture picture(1, 1, {{1, 2, 3}});
    ColourReducer reducer;
    Bytes bits, palette;
    int paletteBytes = 0;
    for (const auto& [colours, width, height, message] :
         {std::tuple{8, 1, 1, Msg::UnsupportedPaletteSize}, {16, 0, 1, Msg::ParameterInvalid},
          {16, 1 << 20, 1 << 20, Msg::OutOfMemory}}) {
        EXPECT_EQ(reducer.reduce(bits, inHeldOrder(picture.rows.data(), pixelRowStride(width)),
                                 width, height, colours, kColour, 0, 0, palette, paletteBytes),
                  0u);
        EXPECT_STREQ(reducer.errors().narrow(), shiftJisText(message)) << colours << " " << width;
    }
}

// Colours made only of the levels of one lattice, varied by position.
std::function<Bgr(int)> latticeColours(int blue, int green, int red) {
    return [=](int i) {
        return Bgr{levelValue(i % blue, blue), levelValue((3 * i + 1) % green, green),
                   levelValue((5 * i + 2) % red, red)};
    };
}

TEST(ColourReducer, LatticeSelectionPicksTheClosestCandidateAndTheEarlierOnATie) {
    auto select = [](const Picture& p) {
        return ColourReducer().selectLattice(rowsOf(p), p.width, p.height, 12, 12);
    };
    EXPECT_EQ(select(Picture(12, 12, latticeColours(5, 7, 7))), 0x050707u);
    EXPECT_EQ(select(Picture(12, 12, latticeColours(7, 5, 7))), 0x070507u);
    EXPECT_EQ(select(Picture(12, 12, latticeColours(6, 6, 6))), 0x060606u);
    // Only black: every candidate is exact, the first one wins.
    EXPECT_EQ(select(Picture(3, 2, [](int) { return Bgr{0, 0, 0}; })), 0x040808u);
    // Red and green on 0 or 255, blue on the 8 levels: 8 x 4 x 8 and 4 x 8 x 8 are both exact.
    const auto tie = [](int i) {
        return Bgr{levelValue(i % 8, 8), i % 3 ? 255 : 0, i % 5 ? 0 : 255};
    };
    EXPECT_EQ(select(Picture(12, 12, tie)), 0x080408u);
    // 24 x 24 with 12 x 12 samples: every second column of every second row. The sampled pixels
    // sit on 6 x 6 x 6 levels, all the others on 8 x 8 x 4 levels.
    const auto six = latticeColours(6, 6, 6), eight = latticeColours(4, 8, 8);
    const Picture grid(24, 24, [&](int i) { return i % 2 || i / 24 % 2 ? eight(i) : six(i); });
    EXPECT_EQ(select(grid), 0x060606u);
    EXPECT_EQ(ColourReducer().selectLattice(RowsView{}, 24, 24, 12, 12), 0u);
    EXPECT_EQ(ColourReducer().selectLattice(rowsOf(grid), 24, 24, 0, 12), 0u);
}

}  // namespace
}  // namespace pictrano
