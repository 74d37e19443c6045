// The encoder's fast forms against their plain forms; no oracle, so these run in every build.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "imagelib/jpeg/JpegBlockBatch.h"
#include "imagelib/jpeg/JpegBlockQuantiser.h"
#include "imagelib/jpeg/JpegForwardDct.h"
#include "imagelib/jpeg/JpegZigZag.h"
#include "imagelib/jpeg/ProcessorFeatures.h"
#include "tests/jpeg/JpegWritingReference.h"

namespace pictrano {
namespace {

// The packed forms this build and processor run, the plain one first.
std::vector<PackedForm> formsOfThisProcessor() {
    std::vector<PackedForm> forms;
    const PackedForm fastest = fastestPackedForm(readProcessorFeatureWord());
    for (const PackedForm form : {PackedForm::Plain, PackedForm::Sse2, PackedForm::Avx2}) {
        if (form <= fastest) forms.push_back(form);
    }
    return forms;
}

TEST(JpegEncoderFastForms, ForwardDctWeightsAreTheFormulaEvaluatedInDoublePrecision) {
    const ForwardDctWeights weights;
    int largest = 0, sumOf44 = 0;
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    const double cu = u == 0 ? 0.707106781 : 1.0, cv = v == 0 ? 0.707106781 : 1.0;
                    const double w = 64 * cu * cv * std::cos((2 * y + 1) * u * 0.196349540849362) *
                                     std::cos((2 * x + 1) * v * 0.196349540849362);
                    ASSERT_EQ(weights.at(u, v, y, x), static_cast<std::int16_t>(w)) << u << v << y << x;
                    largest = std::max(largest, std::abs(int{weights.at(u, v, y, x)}));
                    if (u == 4 && v == 4) sumOf44 += weights.at(u, v, y, x);
                }
            }
        }
    }
    const int firstRowOf01[] = {44, 37, 25, 8, -8, -25, -37, -44};
    const int firstRowOf44[] = {32, -31, -32, 31, 32, -31, -32, 31};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(weights.at(0, 0, 3, x), 31);
        EXPECT_EQ(weights.at(0, 1, 0, x), firstRowOf01[x]);
        EXPECT_EQ(weights.at(4, 4, 0, x), firstRowOf44[x]);
    }
    EXPECT_EQ(sumOf44, 4);
    EXPECT_EQ(largest, 61);
}

using Block = std::array<std::int16_t, 64>;

// Uniform blocks, then random, extreme, checkerboard-like and smooth ones.
std::vector<Block> sampleBlocks() {
    std::vector<Block> blocks;
    for (int s : {-128, -1, 0, 55, 127}) {
        Block uniform;
        uniform.fill(static_cast<std::int16_t>(s));
        blocks.push_back(uniform);
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(-128, 127);
    for (int n = 0; n < 20000; ++n) {
        Block block;
        const int kind = n % 4;
        for (int i = 0; i < 64; ++i) {
            const int value = kind == 0   ? sample(random)
                              : kind == 1 ? (sample(random) < 0 ? -128 : 127)
                              : kind == 2 ? (((i / 8 + i % 8 + n) % 2) ? 127 : -128)
                                          : std::clamp(n % 256 - 128 + i, -128, 127);
            block[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(value);
        }
        blocks.push_back(block);
    }
    return blocks;
}

TEST(JpegEncoderFastForms, ForwardDctFormsGiveTheDirectSums) {
    const ForwardDctWeights weights;
    const std::vector<Block> blocks = sampleBlocks();
    for (std::size_t b = 0; b < 5; ++b) {
        const int s = blocks[b][0];
        // 1,984 s and 4 s are the sums of the W[0][0] and W[4][4] weights.
        const std::array<std::int32_t, 64> f = test::plainForwardDct(weights, blocks[b].data());
        for (int i = 0; i < 64; ++i) {
            const int expected = i == 0 ? (1984 * s + 128) >> 8 : i == 36 ? (4 * s + 128) >> 8 : 0;
            EXPECT_EQ(f[static_cast<std::size_t>(i)], expected) << "s " << s << " coefficient " << i;
        }
    }
    // Each block also lies in the middle of a picture three blocks wide.
    for (const PackedForm form : formsOfThisProcessor()) {
        for (const auto& block : blocks) {
            std::array<std::int16_t, 3 * 64> wide{};
            for (std::size_t i = 0; i < 64; ++i) wide[i / 8 * 24 + 8 + i % 8] = block[i];
            const std::array<std::int32_t, 64> plain = test::plainForwardDct(weights, block.data());
            std::array<std::int32_t, 64> fast;
            forwardDct(form, weights, block.data(), 8, fast.data());
            ASSERT_EQ(fast, plain) << "form " << static_cast<int>(form);
            forwardDct(form, weights, wide.data() + 8, 24, fast.data());
            ASSERT_EQ(fast, plain) << "form " << static_cast<int>(form) << " in a wider picture";
        }
    }
}

TEST(JpegEncoderFastForms, BlockQuantisationGivesThePlainQuotientsForEveryQuantiserAndCoefficient) {
    // Every quantiser of an 8-bit table with every coefficient 8-bit samples can give, in the
    // packed and the plain form, and some quantisers of 16-bit tables.
    std::vector<int> quantisers;
    for (int q = 1; q <= 255; ++q) quantisers.push_back(q);
    quantisers.insert(quantisers.end(), {256, 2047, 65535});
    for (const PackedForm form : formsOfThisProcessor()) {
        for (int q : quantisers) {
            JpegQuantTable table;
            table.values.fill(static_cast<std::uint16_t>(q));
            const BlockQuantiser quantiser(table, form);
            for (int first = -2048; first < 2048; first += 64) {
                std::array<std::int32_t, 64> coefficients, fast, plain;
                for (int i = 0; i < 64; ++i) coefficients[static_cast<std::size_t>(i)] = first + i;
                const std::uint64_t nonZero = quantiser.quantise(coefficients.data(), fast.data());
                table.quantise(coefficients.data(), plain.data());
                ASSERT_EQ(fast, plain) << "q " << q << " from " << first;
                for (std::size_t k = 0; k < 64; ++k) {
                    ASSERT_EQ((nonZero >> k & 1) != 0, plain[kZigZagToNatural[k]] != 0) << "q " << q << " zig-zag " << k;
                }
            }
        }
    }
}

// Eight blocks at a time, read in place from a picture eight blocks wide and from blocks of
// their own, against the plain transform and quotients, with tables of every quantiser size
// the batches take.
TEST(JpegEncoderFastForms, BlockBatchesGiveThePlainQuotientsOfEachBlock) {
    if (!BlockBatchTransform::available(readProcessorFeatureWord())) GTEST_SKIP() << "no AVX2";
    const ForwardDctWeights weights;
    const BlockBatchTransform transform(weights);
    const std::vector<Block> blocks = sampleBlocks();
    std::mt19937 random(3);
    QuantisedBatch batch;
    for (int tableNumber = 0; tableNumber < 6; ++tableNumber) {
        JpegQuantTable table;
        for (auto& q : table.values) q = static_cast<std::uint16_t>(tableNumber == 0 ? 1 : 1 + random() % (tableNumber * 51));
        const BlockQuantiser quantiser(table, PackedForm::Avx2);
        ASSERT_TRUE(BlockBatchTransform::suits(quantiser));
        for (std::size_t first = 0; first + 8 <= blocks.size(); first += 8) {
            std::vector<std::int16_t> picture(8 * 64);
            const std::int16_t* inPicture[8];
            const std::int16_t* apart[8];
            for (std::size_t b = 0; b < 8; ++b) {
                for (std::size_t i = 0; i < 64; ++i) picture[i / 8 * 64 + 8 * b + i % 8] = blocks[first + b][i];
                inPicture[b] = picture.data() + 8 * b;
                apart[b] = blocks[first + 7 - b].data();
            }
            for (const bool fromPicture : {true, false}) {
                transform.run(quantiser, fromPicture ? inPicture : apart, fromPicture ? 64 : 8, batch);
                for (std::size_t b = 0; b < 8; ++b) {
                    const Block& block = blocks[first + (fromPicture ? b : 7 - b)];
                    const std::array<std::int32_t, 64> coefficients = test::plainForwardDct(weights, block.data());
                    std::array<std::int32_t, 64> plain;
                    table.quantise(coefficients.data(), plain.data());
                    for (std::size_t k = 0; k < 64; ++k) {
                        const std::int32_t value = plain[kZigZagToNatural[k]];
                        ASSERT_EQ(batch.values[k][b], value) << "block " << first + b << " zig-zag " << k;
                        ASSERT_EQ((batch.nonZero[b] >> k & 1) != 0, value != 0) << "block " << first + b << " zig-zag " << k;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace pictrano
