#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/JpegDecoder.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/JpegOracle.h"
#include "tests/support/Pnm.h"

namespace pictrano {
namespace {

using test::BitWriter;
using test::Bytes;
using test::LosslessPlane;
using test::LosslessSettings;

// Fills every plane position with a smooth pattern plus noise, within `precision` bits.
void fill(std::vector<LosslessPlane>& planes, int precision, unsigned seed) {
    std::mt19937 random(seed);
    const int maximum = (1 << precision) - 1;
    std::uniform_int_distribution<int> noise(-maximum / 16 - 1, maximum / 16 + 1);
    for (std::size_t j = 0; j < planes.size(); ++j) {
        LosslessPlane& plane = planes[j];
        for (int y = 0; y < plane.height; ++y) {
            for (int x = 0; x < plane.width; ++x) {
                const double wave = 0.5 + 0.45 * std::sin(0.3 * x + 0.2 * y + static_cast<double>(j));
                const int value = static_cast<int>(wave * maximum) + noise(random);
                plane.samples[static_cast<std::size_t>(y * plane.width + x)] = std::clamp(value, 0, maximum);
            }
        }
    }
}

// The samples of component j the decoder shows at each pixel (read raw), up-sampled.
std::vector<int> expectedPixels(int width, int height, const std::vector<LosslessPlane>& planes) {
    int largestH = 1, largestV = 1;
    for (const LosslessPlane& plane : planes) largestH = std::max(largestH, plane.horizontal), largestV = std::max(largestV, plane.vertical);
    std::vector<int> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Pixels hold blue Cr, green Cb, red Y; one component fills all three.
            for (int c : {2, 1, 0}) {
                const LosslessPlane& plane = planes[planes.size() == 1 ? 0 : static_cast<std::size_t>(c)];
                const int row = y / (largestV / plane.vertical), column = x / (largestH / plane.horizontal);
                out.push_back(plane.samples[static_cast<std::size_t>(row * plane.width + column)]);
            }
        }
    }
    return out;
}

std::vector<int> decodedPixels(const JpegDecoder& decoder) {
    const std::vector<std::uint16_t> samples = test::pictureSamples(decoder);
    return {samples.begin(), samples.end()};
}

TEST(LosslessDecoding, FilesOfEveryLayoutDecodeToTheirSamplesExactly) {
    struct Case {
        const char* what;
        int width, height;
        std::vector<std::pair<int, int>> factors;
        LosslessSettings settings;
    };
    const Case cases[] = {
        {"grey, predictor 4", 37, 21, {{1, 1}}, {8, 4, 0, 0}},
        {"grey with factors 2 x 2: still one sample per unit", 13, 9, {{2, 2}}, {8, 6, 0, 0}},
        {"colour, predictor 7", 20, 11, {{1, 1}, {1, 1}, {1, 1}}, {8, 7, 0, 0}},
        {"colour, chroma halved both ways", 19, 13, {{2, 2}, {1, 1}, {1, 1}}, {8, 5, 0, 0}},
        {"colour, luma halved across", 17, 6, {{1, 1}, {2, 1}, {2, 1}}, {8, 2, 0, 0}},
        {"colour, restart every row of MCUs", 23, 10, {{1, 1}, {1, 1}, {1, 1}}, {8, 4, 0, 23}},
        {"colour 2 x 2, restart every two rows of MCUs", 16, 12, {{2, 2}, {1, 1}, {1, 1}}, {8, 6, 0, 16}},
        {"grey, restart every three rows", 9, 14, {{1, 1}}, {8, 1, 0, 27}},
        {"colour, point transform 3", 15, 7, {{1, 1}, {1, 1}, {1, 1}}, {8, 5, 3, 0}},
        {"grey 12-bit, point transform 2, restarts", 31, 5, {{1, 1}}, {12, 7, 2, 31}},
        {"grey 16-bit", 11, 7, {{1, 1}}, {16, 4, 0, 0}},
        {"grey 2-bit", 10, 3, {{1, 1}}, {2, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<LosslessPlane> planes = test::losslessPlanes(c.width, c.height, c.factors);
        fill(planes, c.settings.precision, static_cast<unsigned>(c.width));
        for (LosslessPlane& plane : planes) {
            for (int& sample : plane.samples) sample &= ~((1 << c.settings.pointTransform) - 1);
        }
        const Bytes file = test::writeLosslessJpeg(c.width, c.height, planes, c.settings);
        JpegDecoder decoder;
        decoder.ColourMode = 0x200;
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
        EXPECT_EQ(decoder.precision(), c.settings.precision);
        std::vector<int> expected = expectedPixels(c.width, c.height, planes);
        if (c.settings.precision < 8) {
            // Fewer than 8 bits arrive as bytes of that many bits.
            for (int& value : expected) value &= 0xFF;
        }
        EXPECT_EQ(decodedPixels(decoder), expected);
    }
}

TEST(LosslessDecoding, TheGreyPaletteShowsSamplesOfFewerThanEightBitsAsThePictureDoes) {
    std::vector<LosslessPlane> planes = test::losslessPlanes(6, 2, {{1, 1}});
    planes[0].samples = {0, 1, 2, 3, 2, 1, 3, 3, 0, 0, 1, 2};
    const Bytes file = test::writeLosslessJpeg(6, 2, planes, {2, 1, 0, 0});
    ImageLoader loader;
    loader.outputFlags = 0x13;
    const auto image = loader.loadMemory(file.data(), file.size());
    ASSERT_NE(image, nullptr) << loader.errors().utf8();
    ASSERT_EQ(image->paletteCount(), 256);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 6; ++x) {
            const int index = image->indexPlane()[static_cast<std::size_t>(y * indexRowStride(6) + x)];
            const int sample = planes[0].samples[static_cast<std::size_t>(6 * y + x)];
            EXPECT_EQ(index, sample * 85) << x << "," << y;
            EXPECT_EQ(image->palette()[4 * index], image->pixelBits()[y * pixelRowStride(6) + 3 * x]) << x << "," << y;
        }
    }
}

TEST(LosslessDecoding, YCbCrSamplesAreConvertedToRgb) {
    // The samples of libjpeg's test picture, converted to YCbCr with the JFIF formulas and
    // rounded: converting back comes within 40 dB of the original.
    const test::LibjpegPicture picture = test::drawTestPicture(48, 40, 3, 4);
    std::vector<LosslessPlane> planes = test::losslessPlanes(48, 40, {{1, 1}, {1, 1}, {1, 1}});
    for (std::size_t i = 0; i < 48 * 40; ++i) {
        const double r = picture.samples[3 * i], g = picture.samples[3 * i + 1], b = picture.samples[3 * i + 2];
        const double y = 0.299 * r + 0.587 * g + 0.114 * b;
        planes[0].samples[i] = static_cast<int>(std::lround(y));
        planes[1].samples[i] = std::clamp(static_cast<int>(std::lround((b - y) / 1.772 + 128)), 0, 255);
        planes[2].samples[i] = std::clamp(static_cast<int>(std::lround((r - y) / 1.402 + 128)), 0, 255);
    }
    const Bytes file = test::writeLosslessJpeg(48, 40, planes, {8, 6, 0, 0});
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
    const double psnr = test::psnr(test::swappedRedBlue(test::pictureSamples(decoder)), std::vector<std::uint16_t>(picture.samples.begin(), picture.samples.end()), 255);
    EXPECT_GE(psnr, 40.0);
    EXPECT_LT(psnr, 70.0) << "truncation of the float formulas leaves small errors";
}

// A lossless grey file with the 5-bit category codes of the tests' encoder and hand-made data.
Bytes handCoded(int width, int height, int predictor, const std::vector<int>& differences, int precision = 8) {
    BitWriter out;
    for (int difference : differences) {
        const int category = test::categoryOf(difference);
        out.put(static_cast<std::uint32_t>(category), 5);
        out.putValue(difference, category);
    }
    std::vector<LosslessPlane> planes = test::losslessPlanes(width, height, {{1, 1}});
    Bytes file = test::writeLosslessJpeg(width, height, planes, {precision, predictor, 0, 0});
    const std::size_t data = test::findMarker(file, 0xDA) + 10;
    file.erase(file.begin() + static_cast<std::ptrdiff_t>(data), file.end() - 2);
    const Bytes coded = out.finish();
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(data), coded.begin(), coded.end());
    return file;
}

std::vector<int> greySamples(const JpegDecoder& decoder) {
    std::vector<int> grey;
    const std::vector<std::uint16_t> samples = test::pictureSamples(decoder);
    for (std::size_t i = 0; i < samples.size(); i += 3) grey.push_back(samples[i]);
    return grey;
}

TEST(LosslessDecoding, PredictionsFollowTheRules) {
    struct Case {
        const char* what;
        int width, height, predictor;
        std::vector<int> differences;
        std::vector<int> samples;
    };
    const Case cases[] = {
        // The first sample is 128 plus its difference; the first row uses the left neighbour
        // and the first column the sample above, whatever the predictor.
        {"first row and column", 3, 2, 7, {-28, 5, 5, 7, 0, 0}, {100, 105, 110, 107, 106, 108}},
        // Predictor 7 with a = 5 and b = 8 predicts 6.
        {"predictor 7", 2, 2, 7, {-128, 8, 5, 0}, {0, 8, 5, 6}},
        // Predictor 5 with a = 10, b = 3, c = 6 predicts 10 + floor(-3 / 2) = 8.
        {"predictor 5", 2, 2, 5, {-122, -3, 4, 0}, {6, 3, 10, 8}},
        // Predictor 6 with a = 10, b = 3, c = 6 predicts 3 + 2 = 5.
        {"predictor 6", 2, 2, 6, {-122, -3, 4, 0}, {6, 3, 10, 5}},
        // A prediction of 250 and a difference of 10 store 4 (8 bits kept).
        {"sums kept to the precision", 2, 1, 1, {122, 10}, {250, 4}},
    };
    for (const Case& c : cases) {
        JpegDecoder decoder;
        const Bytes file = handCoded(c.width, c.height, c.predictor, c.differences);
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << c.what << ": " << decoder.errors().utf8();
        EXPECT_EQ(greySamples(decoder), c.samples) << c.what;
    }
}

TEST(LosslessDecoding, CategorySixteenIsThirtyTwoThousandSevenHundredSixtyEightWithoutFurtherBits) {
    // 16-bit samples 0, 32768 and 0 again: differences -32768 (stored as 32,768), 32,768, and
    // 32,768 once more (all modulo 2^16).
    std::vector<LosslessPlane> planes = test::losslessPlanes(3, 1, {{1, 1}});
    planes[0].samples = {0, 32768, 0};
    const Bytes file = test::writeLosslessJpeg(3, 1, planes, {16, 1, 0, 0});
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
    EXPECT_EQ(greySamples(decoder), (std::vector<int>{0, 32768, 0}));
}

TEST(LosslessDecoding, FilesOutsideWhatTheDecoderHandlesAreRefused) {
    std::vector<LosslessPlane> grey = test::losslessPlanes(8, 4, {{1, 1}});
    fill(grey, 8, 1);
    const Bytes file = test::writeLosslessJpeg(8, 4, grey, {8, 1, 0, 0});
    const std::size_t scan = test::findMarker(file, 0xDA);
    auto changed = [&](std::size_t at, std::uint8_t value) { return test::changed(file, at, value); };
    std::vector<LosslessPlane> two = test::losslessPlanes(8, 4, {{1, 1}, {1, 1}});
    fill(two, 8, 2);
    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    };
    const Case cases[] = {
        {"predictor 0", changed(scan + 7, 0), "予測器がありません。"},
        {"predictor 8", changed(scan + 7, 8), "予測器がありません。"},
        {"no table for the component", changed(scan + 6, 0x30), "適切なハフマンテーブルがありません。"},
        {"two components, reported after their samples", test::writeLosslessJpeg(8, 4, two, {8, 1, 0, 0}), "不正なフレーム数です。"},
        {"a restart interval that splits a row", test::writeLosslessJpeg(8, 4, grey, {8, 1, 0, 12}), "対応していない形式です。"},
        {"a point transform as large as the precision", changed(scan + 9, 8), "対応していない形式です。"},
        {"a difference with no code", handCoded(2, 1, 1, {0}) /* one difference for two samples */, "一致するDC符号がありません。"},
        {"restart markers missing", [&] {
             const Bytes restarting = test::writeLosslessJpeg(8, 4, grey, {8, 1, 0, 8});
             return test::withoutRestartMarkers(restarting, test::findMarker(restarting, 0xDA) + 10, restarting.size());
         }(),
         "スキャンデータがありません。"},
    };
    for (const Case& c : cases) {
        JpegDecoder decoder;
        EXPECT_EQ(decoder.read(c.file.data(), c.file.size()), 0) << c.what;
        EXPECT_EQ(decoder.errors().utf8(), c.message) << c.what;
    }
}

}  // namespace
}  // namespace pictrano
