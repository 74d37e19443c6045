#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/JpegDecoder.h"
#include "tests/jpeg/JpegWritingOracle.h"

namespace pictrano {
namespace {

using test::Bytes;
using test::LibjpegPicture;

// Our reader's picture of a file we wrote, with the components as stored (no YCbCr conversion),
// in libjpeg's layout: `components` samples per pixel, top row first.
LibjpegPicture readStored(const Bytes& file, int components) {
    JpegDecoder decoder;
    decoder.ColourMode = 0x202;
    EXPECT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
    LibjpegPicture picture{decoder.width(), decoder.height(), components, {}};
    if (decoder.pixels() == nullptr) return picture;
    const auto* rows = static_cast<const std::uint8_t*>(decoder.pixels());
    const auto stride = static_cast<std::size_t>(pixelRowStride(picture.width));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* pixel = rows + static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
            if (components == 1) {
                picture.samples.push_back(pixel[0]);
            } else {
                picture.samples.insert(picture.samples.end(), {pixel[2], pixel[1], pixel[0]});
            }
        }
    }
    return picture;
}

struct Size {
    int width, height;
};
const Size kSizes[] = {{1, 1}, {7, 5}, {17, 9}, {33, 16}};

TEST(JpegWritingReadBack, OurReaderDecodesBaselineFilesAsLibjpegDoes) {
    struct Layout {
        int model;
        int horizontal[3], vertical[3];
    };
    const Layout layouts[] = {{kJpegGrey, {1, 1, 1}, {1, 1, 1}}, {kJpegRgb, {1, 1, 1}, {1, 1, 1}},
                              {kJpegYcbcr, {1, 1, 1}, {1, 1, 1}}, {kJpegYcbcr, {2, 1, 1}, {1, 1, 1}},
                              {kJpegYcbcr, {2, 1, 1}, {2, 1, 1}}};
    for (const Size size : kSizes) {
        const LibjpegPicture picture = test::drawTestPicture(size.width, size.height, 3, 5);
        for (const Layout& layout : layouts) {
            for (int quality : {0, 1, 20, 50, 80, 99}) {
                test::BaselineRequest request;
                request.colourModel = layout.model;
                std::copy(std::begin(layout.horizontal), std::end(layout.horizontal), request.horizontal);
                std::copy(std::begin(layout.vertical), std::end(layout.vertical), request.vertical);
                request.factorsGiven = true;
                request.quality = quality;
                test::EncoderWithPixels encoder;
                const Bytes file = test::writeBaseline(encoder, picture, request);
                const LibjpegPicture theirs = test::decodeWrittenFile(file, layout.model, false);
                const LibjpegPicture ours = readStored(file, theirs.components);
                ASSERT_EQ(ours.samples.size(), theirs.samples.size());
                EXPECT_GE(test::psnrOf(ours, theirs), 40.0)
                    << size.width << "x" << size.height << " model " << layout.model << " h" << layout.horizontal[0]
                    << "v" << layout.vertical[0] << " quality " << quality;
            }
        }
    }
}

TEST(JpegWritingReadBack, LosslessFilesDecodeToTheSamplesTheEncoderCoded) {
    for (const Size size : kSizes) {
        const LibjpegPicture picture = test::drawTestPicture(size.width, size.height, 3, 9);
        const Bytes pixels = test::toPixelRows(picture);
        for (int model : {kJpegGrey, kJpegRgb, kJpegYcbcr}) {
            for (int predictor = 1; predictor <= 7; ++predictor) {
                JpegEncoder encoder;
                ASSERT_EQ(encoder.setImage(pixels.data(), size.width, size.height, model, false), 1);
                ASSERT_EQ(encoder.encodeLossless(predictor), 1) << encoder.errors().utf8();
                Bytes file;
                ASSERT_GT(encoder.serialise(&file), 0u);
                const LibjpegPicture coded = test::storedComponents(encoder);
                EXPECT_EQ(readStored(file, coded.components).samples, coded.samples)
                    << size.width << "x" << size.height << " model " << model << " predictor " << predictor;
            }
        }
    }
}

}  // namespace
}  // namespace pictrano
