#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/JpegOracle.h"
#include "tests/front/FrontTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::dataPath;
constexpr auto load = test::loadTestFile;

SaveParams jpegParams(int process, int colourModel, int degree, std::array<int, 4> h = {1, 1, 1, 1},
                      std::array<int, 4> v = {1, 1, 1, 1}) {
    SaveParams params = test::saveParams(kFormatJpeg, colourModel, 8, degree);
    params.process = static_cast<std::uint16_t>(process);
    params.samplingGiven = 1;
    for (std::size_t i = 0; i < 4; ++i) {
        params.hSampling[i] = static_cast<std::uint8_t>(h[i]);
        params.vSampling[i] = static_cast<std::uint8_t>(v[i]);
    }
    return params;
}

Bytes encoded(const DibImage& image, SaveParams params) {
    ImageSaver saver;
    Bytes file;
    EXPECT_GT(saver.encode(file, image, &params), 0u) << saver.errors().utf8();
    return file;
}

// The bytes of the first segment with the marker code, from its marker on.
Bytes segment(const Bytes& file, std::uint8_t code) {
    for (std::size_t at = 2; at + 4 <= file.size();) {
        const std::size_t length = static_cast<std::size_t>(file[at + 2] << 8 | file[at + 3]);
        if (file[at + 1] == code) return Bytes(file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        if (file[at + 1] == 0xDA) break;
        at += 2 + length;
    }
    return {};
}

int countSegments(const Bytes& file, std::uint8_t code) {
    int count = 0;
    for (std::size_t at = 2; at + 4 <= file.size() && file[at + 1] != 0xDA;) {
        count += file[at + 1] == code;
        at += 2 + static_cast<std::size_t>(file[at + 2] << 8 | file[at + 3]);
    }
    return count;
}

TEST(JpegSaveBranch, ProcessesOtherThanBaselineAndLosslessAreRefused) {
    auto image = load("bmpsuite/g/rgb24.bmp");
    for (int process : {0, 191, 194, 196})
        EXPECT_EQ(test::refusal(*image, jpegParams(process, 3, 50)), "パラメータが不正です。") << process;
    for (int model : {0, 4})
        EXPECT_EQ(test::refusal(*image, jpegParams(192, model, 50)), "サポートされていない形式が指定されました。") << model;
    EXPECT_EQ(encoded(*image, jpegParams(193, 3, 50)), encoded(*image, jpegParams(192, 3, 50))) << "193 is coded as 192";
}

TEST(JpegSaveBranch, SamplingFactorsComeFromTheRecordWithZeroCountingAsOne) {
    auto image = load("bmpsuite/g/rgb24.bmp");
    SaveParams params = jpegParams(192, 3, 0, {2, 0, 1, 0}, {0, 1, 0, 0});
    ImageSaver saver;
    Bytes file;
    ASSERT_GT(saver.encode(file, *image, &params), 0u);
    const Bytes frame = segment(file, 0xC0);
    ASSERT_EQ(frame.size(), 19u);
    EXPECT_EQ(frame[11], 0x21);
    EXPECT_EQ(frame[14], 0x11);
    EXPECT_EQ(frame[17], 0x11);
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(params.hSampling[i], 1) << "the record's zero factors are rewritten as 1";
        EXPECT_GE(params.vSampling[i], 1);
    }
    // Without samplingGiven the factors stay 1 x 1.
    params = jpegParams(192, 3, 0, {2, 1, 1, 1}, {2, 1, 1, 1});
    params.samplingGiven = 0;
    EXPECT_EQ(segment(encoded(*image, params), 0xC0)[11], 0x11);
}

TEST(JpegSaveBranch, QualityScalesTheTablesAndZeroOrEightyKeepsThem) {
    auto image = load("bmpsuite/g/rgb24.bmp");
    const Bytes unscaled = encoded(*image, jpegParams(192, 3, 0));
    EXPECT_EQ(encoded(*image, jpegParams(192, 3, 80)), unscaled);
    const Bytes finest = segment(encoded(*image, jpegParams(192, 3, 1)), 0xDB);
    ASSERT_EQ(finest.size(), 69u);
    EXPECT_TRUE(std::all_of(finest.begin() + 5, finest.end(), [](std::uint8_t q) { return q == 1; }));
    EXPECT_EQ(segment(unscaled, 0xDB)[5], 16) << "the first value of the Annex K luminance table";
}

TEST(JpegSaveBranch, BaselineFilesDecodeWithLibjpegCloseToThePicture) {
    for (const char* name : {"rgb24.bmp", "pal8.bmp", "pal1.bmp", "pal4.bmp"}) {
        auto image = load(std::string("bmpsuite/g/") + name);
        for (int model : {1, 3}) {
            const Bytes file = encoded(*image, jpegParams(192, model, 20, {1, 1, 1, 0}, {1, 1, 1, 0}));
            const test::LibjpegPicture decoded = test::decodeWithLibjpeg(file);
            ASSERT_EQ(decoded.width, image->width());
            ASSERT_EQ(decoded.height, image->height());
            ASSERT_EQ(decoded.components, model == 1 ? 1 : 3);
            // Mean absolute difference from the picture (grey: from its luminance).
            const auto stride = static_cast<std::size_t>(pixelRowStride(image->width()));
            double total = 0;
            for (int y = 0; y < image->height(); ++y) {
                for (int x = 0; x < image->width(); ++x) {
                    const std::uint8_t* pixel = image->pixelBits() + static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
                    const std::uint8_t* sample = &decoded.samples[static_cast<std::size_t>((y * decoded.width + x) * decoded.components)];
                    if (model == 1) {
                        total += std::abs(((77 * pixel[2] + 150 * pixel[1] + 29 * pixel[0]) >> 8) - sample[0]);
                    } else {
                        total += (std::abs(pixel[2] - sample[0]) + std::abs(pixel[1] - sample[1]) + std::abs(pixel[0] - sample[2])) / 3.0;
                    }
                }
            }
            EXPECT_LT(total / (image->width() * image->height()), 16) << name << " model " << model;
        }
    }
}

TEST(JpegSaveBranch, LosslessFilesCarryThePredictorAndTheirOwnTablesAtFullResolution) {
    auto image = load("bmpsuite/g/rgb24.bmp");
    for (int model : {1, 2, 3}) {
        for (int degree : {0, 1, 4, 7}) {
            // Sub-sampling asked for a lossless file is not applied: every component is coded
            // at full resolution.
            const Bytes file = encoded(*image, jpegParams(195, model, degree, {2, 1, 1, 1}, {2, 1, 1, 1}));
            const Bytes frame = segment(file, 0xC3);
            const std::size_t count = model == 1 ? 1 : 3;
            ASSERT_EQ(frame.size(), 10 + 3 * count) << model;
            for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(frame[11 + 3 * i], 0x11);
            EXPECT_EQ(countSegments(file, 0xC4), static_cast<int>(count));
            EXPECT_EQ(countSegments(file, 0xDB), 0);
            const Bytes scan = segment(file, 0xDA);
            EXPECT_EQ(scan[5 + 2 * count], degree == 0 ? 1 : degree) << "Ss holds the predictor";
        }
    }
}

}  // namespace
}  // namespace pictrano
