#include "tests/jpeg/JpegWritingOracle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

#include "imagelib/image/RowLayout.h"
#include "tests/jpeg/JpegWritingReference.h"

namespace pictrano::test {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

void jumpBack(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->back, 1);
}

void silence(j_common_ptr, int) {}

}  // namespace

LibjpegPicture decodeWrittenFile(const Bytes& file, int colourModel, bool toRgb) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    errors.base.emit_message = silence;
    LibjpegPicture picture;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error(std::string("libjpeg: ") + errors.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    if (colourModel == kJpegRgb) {
        info.jpeg_color_space = JCS_RGB;
        info.out_color_space = JCS_RGB;
    } else if (colourModel == kJpegYcbcr) {
        info.jpeg_color_space = JCS_YCbCr;
        info.out_color_space = toRgb ? JCS_RGB : JCS_YCbCr;
    }
    info.do_fancy_upsampling = FALSE;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    picture.width = static_cast<int>(info.output_width);
    picture.height = static_cast<int>(info.output_height);
    picture.components = info.output_components;
    const auto stride = static_cast<std::size_t>(picture.width * picture.components);
    picture.samples.resize(stride * static_cast<std::size_t>(picture.height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.samples.data() + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
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
    EXPECT_EQ(a.samples.size(), b.samples.size());
    double sum = 0;
    for (std::size_t i = 0; i < a.samples.size() && i < b.samples.size(); ++i) {
        const double d = a.samples[i] - b.samples[i];
        sum += d * d;
    }
    if (sum == 0) return INFINITY;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.samples.size()) / sum);
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
