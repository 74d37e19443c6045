#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "imagelib/jpeg/InverseDct.h"
#include "imagelib/jpeg/SampleRows.h"
#include "tests/support/JpegOracle.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Block = std::array<std::int16_t, 64>;
using Samples = std::array<std::int16_t, 64>;

// The plain inverse DCT: every output sample the full sum over the 64 weights.
Samples plainTransform(const Block& block, int levelShift) {
    const InverseDct& idct = InverseDct::instance();
    Samples out{};
    for (int n = 0; n < 64; ++n) {
        std::int32_t sum = 0;
        for (int k = 0; k < 64; ++k) sum += idct.weight(n, k) * block[static_cast<std::size_t>(k)];
        out[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(((sum + 128) >> 8) + levelShift);
    }
    return out;
}

// The transform of a form, writing into a plane whose pitch differs from 8.
Samples transformAs(InverseDct::Form* form, const Block& block, int levelShift) {
    std::array<std::uint8_t, 64> nonzero;
    int count = 0;
    for (int k = 0; k < 64; ++k) {
        if (block[static_cast<std::size_t>(k)] != 0) nonzero[static_cast<std::size_t>(count++)] = static_cast<std::uint8_t>(k);
    }
    constexpr std::ptrdiff_t kPitch = 21;
    std::array<std::int16_t, 8 * kPitch> plane;
    plane.fill(0x5555);
    if (form == nullptr) {
        InverseDct::instance().transform(block.data(), nonzero.data(), count, levelShift, plane.data(), kPitch);
    } else {
        InverseDct::instance().transformAs(*form, block.data(), nonzero.data(), count, levelShift, plane.data(), kPitch);
    }
    Samples out{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) out[static_cast<std::size_t>(8 * y + x)] = plane[static_cast<std::size_t>(y * kPitch + x)];
        for (int x = 8; x < kPitch; ++x) EXPECT_EQ(plane[static_cast<std::size_t>(y * kPitch + x)], 0x5555) << "outside the block";
    }
    return out;
}

// Every form the processor offers, and the choice transform() makes, against the plain sums.
void expectEveryFormMatches(const Block& block, int levelShift) {
    const Samples expected = plainTransform(block, levelShift);
    ASSERT_EQ(transformAs(nullptr, block, levelShift), expected);
    for (InverseDct::Form form : {InverseDct::Form::Direct, InverseDct::Form::Quadrants, InverseDct::Form::QuadrantsSse2}) {
        if (!InverseDct::instance().offers(form)) continue;
        ASSERT_EQ(transformAs(&form, block, levelShift), expected) << static_cast<int>(form);
    }
}

TEST(InverseDct, WeightsHaveTheirTellingValues) {
    const InverseDct& idct = InverseDct::instance();
    for (int n = 0; n < 64; ++n) EXPECT_EQ(idct.weight(n, 0), 32) << n;
    const int first[16] = {32, 44, 42, 38, 32, 25, 17, 9, 44, 62, 58, 52, 44, 35, 24, 12};
    for (int k = 0; k < 16; ++k) EXPECT_EQ(idct.weight(0, k), first[k]) << k;
    int smallest = 0, largest = 0;
    for (int n = 0; n < 64; ++n) {
        for (int k = 0; k < 64; ++k) {
            smallest = std::min<int>(smallest, idct.weight(n, k));
            largest = std::max<int>(largest, idct.weight(n, k));
        }
    }
    EXPECT_EQ(smallest, -62);
    EXPECT_EQ(largest, 62);
    EXPECT_TRUE(idct.offers(InverseDct::Form::Quadrants)) << "the weights mirror, so the fast form is in use";
}

TEST(InverseDct, EveryFormGivesThePlainSumsOnRandomAndExtremeBlocks) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> any(-32768, 32767), small(-300, 300), position(0, 63);
    for (int levelShift : {128, 2048}) {
        for (int round = 0; round < 3000; ++round) {
            Block block{};
            const int kind = round % 6;
            const int count = kind == 0 ? 64 : kind == 1 ? 1 : std::uniform_int_distribution<int>(1, 20)(random);
            for (int i = 0; i < count; ++i) {
                const auto k = static_cast<std::size_t>(kind == 0 ? i : kind == 1 ? 0 : position(random));
                block[k] = static_cast<std::int16_t>(kind == 2 ? any(random) : small(random));
            }
            if (kind == 3) block[static_cast<std::size_t>(position(random))] = round % 2 ? 32767 : -32768;
            expectEveryFormMatches(block, levelShift);
        }
        for (std::int16_t extreme : {std::int16_t{32767}, std::int16_t{-32768}}) {
            Block full;
            full.fill(extreme);
            expectEveryFormMatches(full, levelShift);
            Block alternating;
            for (std::size_t k = 0; k < 64; ++k) alternating[k] = static_cast<std::int16_t>(k % 2 ? extreme : -extreme - 1);
            expectEveryFormMatches(alternating, levelShift);
        }
        expectEveryFormMatches(Block{}, levelShift);
    }
}

TEST(InverseDct, EveryFormGivesThePlainSumsOnEveryBlockOfTheTestFiles) {
    int blocks = 0;
    for (const char* name : {"generated/base-444.jpg", "generated/base-420.jpg", "generated/base-q100.jpg",
                             "generated/base-optimized.jpg", "generated/prog-444.jpg", "generated/prog-grey.jpg",
                             "generated/base-17x13.jpg", "reference/testorig.jpg"}) {
        SCOPED_TRACE(name);
        const auto components = test::readCoefficientsWithLibjpeg(test::readBytes(test::dataPath(std::string("jpeg/") + name)));
        for (const auto& component : components) {
            for (const auto& quantised : component.blocks) {
                Block block;
                for (std::size_t k = 0; k < 64; ++k) block[k] = static_cast<std::int16_t>(quantised[k] * component.quantisers[k]);
                expectEveryFormMatches(block, 128);
                ++blocks;
            }
        }
    }
    EXPECT_GT(blocks, 4000);
}

// The plain forms of the sample rows, each pixel as the formulas say.
std::uint8_t clampByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

std::vector<std::uint8_t> plainConverted(const std::vector<std::int16_t>& y, const std::vector<std::int16_t>& cb,
                                         const std::vector<std::int16_t>& cr) {
    std::vector<std::uint8_t> out;
    for (std::size_t x = 0; x < y.size(); ++x) {
        const int luma = y[x], blue = cb[x] - 128, red = cr[x] - 128;
        // Each value passes through a 16-bit temporary before the clamp.
        out.push_back(clampByte(static_cast<std::int16_t>((256 * luma + 453 * blue) >> 8)));
        out.push_back(clampByte(static_cast<std::int16_t>((256 * luma - 87 * blue - 182 * red) >> 8)));
        out.push_back(clampByte(static_cast<std::int16_t>((256 * luma + 358 * red) >> 8)));
    }
    return out;
}

TEST(SampleRows, FastRowsGiveThePlainFormulasOnRandomAndExtremeSamples) {
    std::mt19937 random(8);
    std::uniform_int_distribution<int> any(-32768, 32767), usual(-200, 500);
    for (int width : {1, 7, 15, 16, 17, 33, 250}) {
        for (int round = 0; round < 40; ++round) {
            std::vector<std::int16_t> y(static_cast<std::size_t>(width)), cb(y.size()), cr(y.size());
            for (auto* row : {&y, &cb, &cr}) {
                for (auto& sample : *row) sample = static_cast<std::int16_t>(round % 2 ? any(random) : usual(random));
            }
            if (round == 0) y.assign(y.size(), 32767), cb.assign(y.size(), -32768), cr.assign(y.size(), 32767);
            // Chroma of half the width, against the same chroma replicated.
            const std::vector<std::int16_t> cbHalf(cb.begin(), cb.begin() + (width + 1) / 2), crHalf(cr.begin(), cr.begin() + (width + 1) / 2);
            std::vector<std::int16_t> cbWide(y.size()), crWide(y.size());
            for (std::size_t x = 0; x < y.size(); ++x) cbWide[x] = cbHalf[x / 2], crWide[x] = crHalf[x / 2];
            for (PixelStore store : {PixelStore::Packed, PixelStore::Fastest}) {
                std::vector<std::uint8_t> out(3 * y.size() + 1, 0xAB);
                convertedPixelRow(y.data(), cb.data(), cr.data(), width, out.data(), store);
                EXPECT_EQ(out.back(), 0xAB) << "past the row";
                out.pop_back();
                EXPECT_EQ(out, plainConverted(y, cb, cr)) << width;
                std::vector<std::uint8_t> half(3 * y.size());
                convertedPixelRowHalfChroma(y.data(), cbHalf.data(), crHalf.data(), width, half.data(), store);
                EXPECT_EQ(half, plainConverted(y, cbWide, crWide)) << width;
            }
            std::vector<std::uint8_t> raw(3 * y.size()), grey(3 * y.size());
            rawPixelRow(y.data(), cb.data(), cr.data(), width, raw.data());
            greyPixelRow(y.data(), width, grey.data());
            for (std::size_t x = 0; x < y.size(); ++x) {
                ASSERT_EQ(raw[3 * x], clampByte(cr[x]));
                ASSERT_EQ(raw[3 * x + 1], clampByte(cb[x]));
                ASSERT_EQ(raw[3 * x + 2], clampByte(y[x]));
                ASSERT_EQ(grey[3 * x], clampByte(y[x]));
                ASSERT_EQ(grey[3 * x + 2], clampByte(y[x]));
            }
        }
    }
}

TEST(SampleRows, OneConvertedPixelFollowsTheIntegerFormulas) {
    // Y 100, Cb 200, Cr 50: blue (25,600 + 453 * 72) >> 8 = 227, green (25,600 - 6,264 + 14,196)
    // >> 8 = 130, red (25,600 - 27,924) >> 8 = -10, clamped to 0.
    const std::int16_t y = 100, cb = 200, cr = 50;
    std::uint8_t out[3];
    convertedPixelRow(&y, &cb, &cr, 1, out);
    EXPECT_EQ(out[0], 227);
    EXPECT_EQ(out[1], 130);
    EXPECT_EQ(out[2], 0);
    // Twelve bits: L 2048; Y 1000, Cb 3048, Cr 1048: blue (4,096,000 + 7,258,000) >> 12 = 2771,
    // green (4,096,000 - 1,410,000 + 2,925,000) >> 12 = 1369, red (4,096,000 - 5,742,000) >> 12
    // = -402, clamped to 0.
    const std::int16_t y12 = 1000, cb12 = 3048, cr12 = 1048;
    std::uint16_t wide[3];
    convertedWideRow(&y12, &cb12, &cr12, 1, 12, wide);
    EXPECT_EQ(wide[0], 2771);
    EXPECT_EQ(wide[1], 1369);
    EXPECT_EQ(wide[2], 0);
    std::uint8_t grey;
    const std::int16_t samples12 = 4095;
    greyByteRow(&samples12, 1, 12, &grey);
    EXPECT_EQ(grey, 255);
}

}  // namespace
}  // namespace pictrano
