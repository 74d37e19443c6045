#include "tests/jpeg/JpegWritingOracle.h"

#include <gtest/gtest.h>

#include "imagelib/image/RowLayout.h"
#include "tests/jpeg/JpegWritingReference.h"
#include "tests/support/Pnm.h"

namespace pictrano::test {

LibjpegPicture decodeWrittenFile(const Bytes& file, int colourModel, bool toRgb) {
    return decodeWithLibjpeg(file, false, colourModel == kJpegGrey ? 0 : colourModel, toRgb);
}

Bytes toPixelRows(const LibjpegPicture& picture) {
    const auto stride = static_cast<std::size_t>(pixelRowStride(picture.width));
    Bytes rows(stride * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* in = &picture.samples[static_cast<std::size_t>((y * picture.width + x) * picture.components)];
            std::uint8_t* out = &rows[static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x)];
            const bool grey = picture.components == 1;
            out[0] = grey ? in[0] : in[2];
            out[1] = grey ? in[0] : in[1];
            out[2] = in[0];
        }
    }
    return rows;
}

LibjpegPicture storedComponents(const JpegEncoder& encoder) {
    const SampleSource& source = encoder.source();
    const PaddedPlanes planes = paddedPlanesOf(source);
    const int count = static_cast<int>(planes.planes.size());
    LibjpegPicture picture{source.width, source.height, count, {}};
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            for (int c = 0; c < count; ++c) {
                picture.samples.push_back(static_cast<std::uint8_t>(planes.at(c, x, y) + (source.levelShift ? 128 : 0)));
            }
        }
    }
    return picture;
}

double psnrOf(const LibjpegPicture& a, const LibjpegPicture& b) {
    return psnr({a.samples.begin(), a.samples.end()}, {b.samples.begin(), b.samples.end()}, 255);
}

Bytes writeBaseline(EncoderWithPixels& encoder, const LibjpegPicture& picture, const BaselineRequest& request) {
    encoder.pixels = toPixelRows(picture);
    EXPECT_EQ(encoder.setImage(encoder.pixels.data(), picture.width, picture.height, request.colourModel, true), 1);
    if (request.factorsGiven) {
        auto& components = encoder.stream().frames.get(0)->components;
        for (std::size_t i = 0; i < components.size(); ++i) {
            components[i].horizontal = request.horizontal[i];
            components[i].vertical = request.vertical[i];
        }
        encoder.recomputeSamplingExtremes();
    }
    if (request.quality > 0) {
        EXPECT_EQ(encoder.scaleQuality(request.quality - 1), 1);
    }
    EXPECT_EQ(encoder.encodeBaseline(), 1) << encoder.errors().utf8();
    Bytes file;
    EXPECT_GT(encoder.serialise(&file), 0u);
    return file;
}

}  // namespace pictrano::test
