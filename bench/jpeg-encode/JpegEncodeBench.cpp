// Baseline JPEG encoding of the photographic picture with the standard tables (the default
// quality: Annex K tables unscaled, which libjpeg writes at its quality 50), by our save front
// and by libjpeg's encoder, in YCbCr at 1:1:1, 2:1:1 (H 2 V 1) and 4:1:1 (H 2 V 2).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench/support/BenchSupport.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/DibImage.h"

namespace pictrano::bench {
namespace {

struct Sampling {
    const char* name;
    int horizontal;
    int vertical;
};

std::size_t encodeWithLibjpeg(const RgbPicture& picture, const Sampling& sampling) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 50, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.comp_info[0].h_samp_factor = sampling.horizontal;
    info.comp_info[0].v_samp_factor = sampling.vertical;
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.rgb.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return size;
}

std::size_t encodeWithSaver(const DibImage& image, const Sampling& sampling) {
    SaveParams params{};
    params.structSize = sizeof(SaveParams);
    params.format = kFormatJpeg;
    params.process = 192;
    params.colourModel = 3;
    params.bitCount = 8;
    params.samplingGiven = 1;
    params.hSampling[0] = static_cast<std::uint8_t>(sampling.horizontal);
    params.vSampling[0] = static_cast<std::uint8_t>(sampling.vertical);
    for (int i = 1; i < 4; ++i) params.hSampling[i] = params.vSampling[i] = 1;
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    const std::size_t size = saver.encode(file, image, &params);
    if (size == 0) {
        std::fprintf(stderr, "encode failed: %s\n", saver.errors().utf8().c_str());
        std::exit(1);
    }
    return size;
}

}  // namespace
}  // namespace pictrano::bench

int main(int argc, char** argv) {
    using namespace pictrano;
    using namespace pictrano::bench;
    const std::filesystem::path folder = argc > 1 ? argv[1] : "build/bench/pictures";
    const RgbPicture picture = readPpm(folder / "photo.ppm");
    const std::vector<std::uint8_t> rows = toPaddedBgrRows(picture);
    DibImage image;
    if (!image.create(rows.data(), 8, picture.width, picture.height)) return 1;
    const Sampling samplings[] = {{"1:1:1", 1, 1}, {"2:1:1 (H2 V1)", 2, 1}, {"4:1:1 (H2 V2)", 2, 2}};
    for (const Sampling& sampling : samplings) {
        std::size_t ours = 0, theirs = 0;
        const auto [oursSeconds, theirsSeconds] = interleavedMedians(
            9, [&] { ours = encodeWithSaver(image, sampling); },
            [&] { theirs = encodeWithLibjpeg(picture, sampling); });
        printRatio("JPEG encode photo YCbCr " + std::string(sampling.name), oursSeconds, theirsSeconds,
                   "bytes ours " + std::to_string(ours) + ", libjpeg " + std::to_string(theirs));
    }
    return 0;
}
