#include <gtest/gtest.h>

#include <string>

#include "imagelib/jpeg/JpegDecoder.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/JpegOracle.h"
#include "tests/support/Pnm.h"

namespace pictrano {
namespace {

// Files libjpeg writes in every sampling, grey, with restart intervals, at odd sizes,
// progressive and with optimised tables decode within 40 dB of libjpeg's own decode.
struct Layout {
    const char* name;
    int components;
    std::array<int, 3> horizontal;
    std::array<int, 3> vertical;
};

const Layout kLayouts[] = {
    {"4:4:4", 3, {1, 1, 1}, {1, 1, 1}},     {"4:2:2", 3, {2, 1, 1}, {1, 1, 1}},
    {"4:4:0", 3, {1, 1, 1}, {2, 1, 1}},     {"4:2:0", 3, {2, 1, 1}, {2, 1, 1}},
    {"4:1:1", 3, {4, 1, 1}, {1, 1, 1}},     {"4:1:0", 3, {4, 1, 1}, {2, 1, 1}},
    {"1x4 luma", 3, {1, 1, 1}, {4, 1, 1}},  {"every factor 2 across", 3, {2, 2, 2}, {1, 1, 1}},
    {"chroma 2x2, luma 1x1", 3, {1, 2, 2}, {1, 2, 2}}, {"mixed 2x1, 1x2", 3, {2, 1, 2}, {2, 2, 1}},
    {"grey", 1, {1, 1, 1}, {1, 1, 1}},      {"grey with factors 2x2", 1, {2, 1, 1}, {2, 1, 1}},
};

std::vector<std::uint16_t> libjpegAsBgr(const test::LibjpegPicture& picture) {
    std::vector<std::uint16_t> bgr;
    for (std::size_t i = 0; i < picture.samples.size(); i += static_cast<std::size_t>(picture.components)) {
        if (picture.components == 1) {
            bgr.insert(bgr.end(), 3, picture.samples[i]);
        } else {
            bgr.insert(bgr.end(), {picture.samples[i + 2], picture.samples[i + 1], picture.samples[i]});
        }
    }
    return bgr;
}

TEST(LibjpegFiles, EverySamplingSizeRestartAndProgressionDecodesWithin40Db) {
    const std::pair<int, int> sizes[] = {{1, 1}, {17, 13}, {64, 48}, {75, 33}, {3, 70}, {130, 5}};
    int files = 0;
    double worst = 1000;
    for (const Layout& layout : kLayouts) {
        for (const auto& [width, height] : sizes) {
            for (int variant = 0; variant < 4; ++variant) {
                test::LibjpegSettings settings;
                settings.horizontal = layout.horizontal;
                settings.vertical = layout.vertical;
                settings.progressive = variant % 2 == 1;
                settings.optimiseTables = variant == 2;
                settings.restartInterval = variant >= 2 ? 1 + (width + height) % 4 : 0;
                settings.quality = 70 + 8 * variant;
                const test::LibjpegPicture picture =
                    test::drawTestPicture(width, height, layout.components, static_cast<unsigned>(files));
                const test::Bytes file = test::encodeWithLibjpeg(picture, settings);
                const test::LibjpegPicture expected = test::decodeWithLibjpeg(file);
                JpegDecoder decoder;
                ASSERT_EQ(decoder.read(file.data(), file.size()), 1)
                    << layout.name << " " << width << "x" << height << " variant " << variant << ": "
                    << decoder.errors().utf8();
                const double psnr = test::psnr(test::pictureSamples(decoder), libjpegAsBgr(expected), 255);
                EXPECT_GE(psnr, 40.0) << layout.name << " " << width << "x" << height << " variant " << variant;
                worst = std::min(worst, psnr);
                ++files;
            }
        }
    }
    std::cout << "  " << files << " files written by libjpeg, lowest PSNR " << worst << " dB\n";
}

}  // namespace
}  // namespace pictrano
