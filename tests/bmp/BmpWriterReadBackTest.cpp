// Every writer mode builds a file that independent decoders (ImageMagick, and our BmpReader where
// it reads the layout) turn back into the pixels the writing rules predict.
#include <gtest/gtest.h>

#include <cstdio>
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
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 45;
constexpr int kHeight = 11;

// A picture as 24-bit rows (top row first, padded) and as plain blue, green, red triples.
struct Picture {
    Bytes rows;
    Bytes plain;
    const std::uint8_t* at(int x, int y) const { return plain.data() + 3 * (y * kWidth + x); }
};

// Runs of 1 to 30 pixels of colours drawn by `colour`, so that RLE modes see runs and noise.
Picture runsOf(std::mt19937& random, const std::function<std::array<int, 3>()>& colour) {
    Picture picture;
    while (picture.plain.size() < 3 * kWidth * kHeight) {
        const auto bgr = colour();
        for (auto n = random() % 30 + 1; n > 0; --n) {
            picture.plain.insert(picture.plain.end(), bgr.begin(), bgr.end());
        }
    }
    picture.plain.resize(3 * kWidth * kHeight);
    const auto stride = static_cast<std::size_t>(pixelRowStride(kWidth));
    picture.rows.assign(stride * kHeight, 0xEE);
    for (int y = 0; y < kHeight; ++y) {
        std::copy_n(picture.at(0, y), 3 * kWidth, picture.rows.begin() + y * stride);
    }
    return picture;
}

Picture randomRuns(std::mt19937& random) {
    return runsOf(random, [&random] {
        return std::array<int, 3>{static_cast<int>(random() % 256),
                                  static_cast<int>(random() % 256),
                                  static_cast<int>(random() % 256)};
    });
}

// Pixels mapped one by one to the colour the rules predict.
Bytes mapped(const Picture& picture,
             const std::function<std::array<int, 3>(const std::uint8_t*)>& rule) {
    Bytes out;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const auto bgr = rule(picture.plain.data() + 3 * i);
        out.insert(out.end(), bgr.begin(), bgr.end());
    }
    return out;
}

bool imageMagickPresent() { return std::system("convert -version >/dev/null 2>&1") == 0; }

// ImageMagick's reading of a file, as blue, green, red triples, top row first.
Bytes decodeWithImageMagick(const std::filesystem::path& path) {
    const std::string command = "convert '" + path.string() + "' -depth 8 rgb:- 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    Bytes rgb;
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
        rgb.push_back(static_cast<std::uint8_t>(c));
    }
    pclose(pipe);
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
    return rgb;
}

// Our reader's result in the same layout; empty when it refuses the file.
Bytes decodeWithBmpReader(const Bytes& file) {
    BmpReader reader;
    if (!reader.read(file.data(), file.size())) return {};
    EXPECT_EQ(reader.width(), kWidth);
    EXPECT_EQ(reader.height(), kHeight);
    Bytes plain;
    const auto stride = static_cast<std::size_t>(pixelRowStride(kWidth));
    for (int y = 0; y < kHeight; ++y) {
        plain.insert(plain.end(), reader.pixels() + y * stride,
                     reader.pixels() + y * stride + 3 * kWidth);
    }
    return plain;
}

class BmpWriterReadBack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!imageMagickPresent()) GTEST_SKIP() << "ImageMagick (convert) is not installed";
    }

    // Builds the file, checks the header's description of it and compares both readings with the
    // expected pixels; `significantBits` limits the comparison to the top bits of each byte.
    void expectReadBack(BmpWriter& writer, const Bytes& expected, int bitCount, int compression,
                        int significantBits = 8) {
        Bytes file;
        ASSERT_GT(writer.buildFile(file), 0u);
        EXPECT_EQ(loadLe16(file.data() + 28), bitCount);
        EXPECT_EQ(loadLe32(file.data() + 30), static_cast<std::uint32_t>(compression));
        const std::uint32_t coloursUsed = loadLe32(file.data() + 46);
        EXPECT_EQ(loadLe32(file.data() + 10), 54 + 4 * coloursUsed);
        EXPECT_EQ(file.size(), 54 + 4 * coloursUsed + loadLe32(file.data() + 34));

        const auto path = directory_ / ("mode" + std::to_string(++files_) + ".bmp");
        test::writeBytes(path, file);
        const int shift = 8 - significantBits;
        auto same = [&](const Bytes& decoded, const char* decoder) {
            ASSERT_EQ(decoded.size(), expected.size()) << decoder;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                ASSERT_EQ(decoded[i] >> shift, expected[i] >> shift)
                    << decoder << ": pixel " << i / 3 << " channel " << i % 3;
            }
        };
        same(decodeWithImageMagick(path), "ImageMagick");
        if (bitCount != 16 && bitCount != 32) same(decodeWithBmpReader(file), "BmpReader");
    }

    test::TempDir directory_;
    int files_ = 0;
    std::mt19937 random_{1234};
};

TEST_F(BmpWriterReadBack, DirectBitCountsKeepThePixels) {
    const Picture picture = randomRuns(random_);
    for (const int bitCount : {16, 24, 32}) {
        BmpWriter writer;
        ASSERT_EQ(writer.setFromPixels(picture.rows.data(), kWidth, kHeight, bitCount), 1);
        // 5-5-5 keeps the top five bits of every channel.
        expectReadBack(writer, picture.plain, bitCount, 0, bitCount == 16 ? 5 : 8);
    }
}

TEST_F(BmpWriterReadBack, PaletteSourcesWithAndWithoutRle8) {
    Bytes entries;
    for (int i = 0; i < 4 * 200; ++i) entries.push_back(i % 4 == 3 ? 0 : random_() % 256);
    const auto stride = static_cast<std::size_t>(indexRowStride(kWidth));
    Bytes plane(stride * kHeight, 0);
    Bytes expected;
    std::size_t x = 0;
    while (x < plane.size()) {
        const auto index = static_cast<std::uint8_t>(random_() % 200);
        for (auto n = random_() % 20 + 1; n > 0 && x < plane.size(); --n, ++x) {
            if (x % stride >= kWidth) continue;
            plane[x] = index;
            expected.insert(expected.end(), entries.begin() + 4 * index,
                            entries.begin() + 4 * index + 3);
        }
    }
    for (const int compress : {0, 1}) {
        BmpWriter writer;
        ASSERT_EQ(
            writer.setFromPalette(entries.data(), 200, plane.data(), kWidth, kHeight, compress), 1);
        expectReadBack(writer, expected, 8, compress);
    }
}

TEST_F(BmpWriterReadBack, TwoColours) {
    const Picture picture = randomRuns(random_);
    const Bytes expected = mapped(picture, [](const std::uint8_t* p) {
        int toWhite = 0, toBlack = 0;
        for (int c = 0; c < 3; ++c) {
            toWhite += (255 - p[c]) * (255 - p[c]);
            toBlack += p[c] * p[c];
        }
        const int v = toWhite < toBlack ? 255 : 0;
        return std::array<int, 3>{v, v, v};
    });
    BmpWriter writer;
    ASSERT_EQ(writer.setFromPixels(picture.rows.data(), kWidth, kHeight, 24), 1);
    ASSERT_EQ(writer.reduce(2, 2, 1, 0), 1);
    expectReadBack(writer, expected, 1, 0);
}

TEST_F(BmpWriterReadBack, SixteenFixedColoursWithAndWithoutRle4) {
    // Colours of the fixed palette map to themselves.
    const Picture picture = runsOf(random_, [this] { return test::kFixedPalette[random_() % 16]; });
    for (const int compression : {0, 1}) {
        BmpWriter writer;
        ASSERT_EQ(writer.setFromPixels(picture.rows.data(), kWidth, kHeight, 24), 1);
        ASSERT_EQ(writer.reduce(16, 2, compression, 0), 1);
        expectReadBack(writer, picture.plain, 4, compression == 1 ? 2 : 0);
    }
}

TEST_F(BmpWriterReadBack, SixteenGreysDiffusedFromTheBottomRow) {
    const Picture picture = randomRuns(random_);
    // The writer holds the bottom row first, and the error runs in that order.
    const auto levels = test::diffusedGreyLevels(
        kWidth, kHeight, [&picture](int x, int y) { return picture.at(x, kHeight - 1 - y); });
    Bytes expected;
    for (int y = kHeight - 1; y >= 0; --y) {
        for (const int level : levels[y])
            expected.insert(expected.end(), 3, static_cast<std::uint8_t>(17 * level));
    }
    for (const int compression : {0, 1}) {
        BmpWriter writer;
        ASSERT_EQ(writer.setFromPixels(picture.rows.data(), kWidth, kHeight, 24), 1);
        ASSERT_EQ(writer.reduce(16, 1, compression, 0), 1);
        expectReadBack(writer, expected, 4, compression == 1 ? 2 : 0);
    }
}

TEST_F(BmpWriterReadBack, LatticeColoursWithAndWithoutRle8) {
    const Picture picture = randomRuns(random_);
    for (const int compression : {0, 1}) {
        BmpWriter writer;
        ASSERT_EQ(writer.setFromPixels(picture.rows.data(), kWidth, kHeight, 24), 1);
        const std::uint32_t lattice = writer.selectLattice(12, 12);
        const int levels[3] = {static_cast<int>(lattice >> 16 & 0xFF),
                               static_cast<int>(lattice >> 8 & 0xFF),
                               static_cast<int>(lattice & 0xFF)};
        const Bytes expected = mapped(picture, [&levels](const std::uint8_t* p) {
            std::array<int, 3> bgr{};
            for (int c = 0; c < 3; ++c) {
                bgr[c] = test::levelValue(test::quantiseLevel(p[c], levels[c]), levels[c]);
            }
            return bgr;
        });
        ASSERT_EQ(writer.reduce(256, 2, compression, lattice), 1);
        expectReadBack(writer, expected, 8, compression);
    }
}

TEST_F(BmpWriterReadBack, Greys256WithAndWithoutRle8) {
    const Picture picture = randomRuns(random_);
    const Bytes expected = mapped(picture, [](const std::uint8_t* p) {
        const int y = test::luminance1000(p) / 1000;
        return std::array<int, 3>{y, y, y};
    });
    for (const int compression : {0, 1}) {
        BmpWriter writer;
        ASSERT_EQ(writer.setFromPixels(picture.rows.data(), kWidth, kHeight, 24), 1);
        ASSERT_EQ(writer.reduce(256, 1, compression, 0), 1);
        expectReadBack(writer, expected, 8, compression);
    }
}

}  // namespace
}  // namespace pictrano
