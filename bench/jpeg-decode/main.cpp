// Decoding time of our JPEG reader against libjpeg on a large photographic picture, written by
// libjpeg at 4:2:0 and 4:4:4, baseline and progressive; lossless and 12-bit files (which this
// libjpeg does not read) are timed alone: the picture written lossless by our encoder, and the
// 12-bit file named by the second argument.
#include <csetjmp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

#include "bench/support/BenchSupport.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/DibImage.h"
#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/JpegDecoder.h"

namespace {

using pictrano::bench::RgbPicture;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
};

void jumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1); }

std::vector<std::uint8_t> encode(const RgbPicture& picture, int horizontal, int vertical, bool progressive) {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.back)) {
        std::fprintf(stderr, "libjpeg could not encode\n");
        std::exit(1);
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    info.comp_info[0].h_samp_factor = horizontal;
    info.comp_info[0].v_samp_factor = vertical;
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.rgb.data() + info.next_scanline * 3 * static_cast<std::size_t>(picture.width));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

// libjpeg's decode with its defaults (integer inverse DCT, smooth up-sampling), into RGB rows.
std::vector<std::uint8_t> decodeWithLibjpeg(const std::vector<std::uint8_t>& file) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    if (setjmp(errors.back)) {
        std::fprintf(stderr, "libjpeg could not decode\n");
        std::exit(1);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const std::size_t stride = 3 * static_cast<std::size_t>(info.output_width);
    std::vector<std::uint8_t> rgb(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return rgb;
}

double psnr(const std::vector<std::uint8_t>& rgb, const pictrano::JpegDecoder& decoder) {
    const auto* bgr = static_cast<const std::uint8_t*>(decoder.pixels());
    const auto stride = static_cast<std::size_t>(pictrano::pixelRowStride(decoder.width()));
    double squares = 0;
    for (int y = 0; y < decoder.height(); ++y) {
        for (int x = 0; x < decoder.width(); ++x) {
            for (int c = 0; c < 3; ++c) {
                const double difference = double(rgb[(static_cast<std::size_t>(y) * decoder.width() + x) * 3 + c]) -
                                          bgr[static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x) + 2 - c];
                squares += difference * difference;
            }
        }
    }
    return 10 * std::log10(255.0 * 255.0 * 3 * decoder.width() * decoder.height() / squares);
}

void decodeOurs(const std::vector<std::uint8_t>& file) {
    pictrano::JpegDecoder decoder;
    if (decoder.read(file.data(), file.size()) != 1) {
        std::fprintf(stderr, "%s\n", decoder.errors().utf8().c_str());
        std::exit(1);
    }
}

// The picture as lossless JPEG (predictor 1, YCbCr) written by our save front.
std::vector<std::uint8_t> losslessFile(const RgbPicture& picture) {
    const std::vector<std::uint8_t> rows = pictrano::bench::toPaddedBgrRows(picture);
    pictrano::DibImage image;
    image.create(rows.data(), 8, picture.width, picture.height);
    pictrano::SaveParams params{};
    params.structSize = sizeof(pictrano::SaveParams);
    params.format = pictrano::kFormatJpeg;
    params.process = 195;
    params.colourModel = 3;
    params.bitCount = 8;
    params.degree = 1;
    pictrano::ImageSaver saver;
    std::vector<std::uint8_t> file;
    if (saver.encode(file, image, &params) == 0) std::exit(1);
    return file;
}

std::vector<std::uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "build/bench/pictures";
    const RgbPicture photo = pictrano::bench::readPpm(folder + "/photo.ppm");
    struct Case {
        const char* name;
        int horizontal, vertical;
        bool progressive;
    };
    const Case cases[] = {
        {"JPEG decode photo 4:2:0 baseline", 2, 2, false},
        {"JPEG decode photo 4:4:4 baseline", 1, 1, false},
        {"JPEG decode photo 4:2:0 progressive", 2, 2, true},
        {"JPEG decode photo 4:4:4 progressive", 1, 1, true},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> file = encode(photo, c.horizontal, c.vertical, c.progressive);
        pictrano::JpegDecoder check;
        if (check.read(file.data(), file.size()) != 1) {
            std::fprintf(stderr, "%s: %s\n", c.name, check.errors().utf8().c_str());
            return 1;
        }
        const double quality = psnr(decodeWithLibjpeg(file), check);
        const auto [ours, theirs] = pictrano::bench::interleavedMedians(
            7,
            [&] {
                pictrano::JpegDecoder decoder;
                decoder.read(file.data(), file.size());
            },
            [&] { decodeWithLibjpeg(file); });
        char note[96];
        std::snprintf(note, sizeof note, "%zu bytes, %.1f dB from libjpeg's decode", file.size(), quality);
        pictrano::bench::printRatio(c.name, ours, theirs, note);
    }
    // Files libjpeg-turbo's 8-bit library here cannot read: our time alone.
    const std::vector<std::uint8_t> lossless = losslessFile(photo);
    const double losslessTime = pictrano::bench::medianSeconds(5, [&] { decodeOurs(lossless); });
    pictrano::bench::printOursOnly("JPEG decode photo lossless, predictor 1", losslessTime,
                                   std::to_string(lossless.size()) + " bytes, written by our encoder");
    if (argc > 2) {
        const std::vector<std::uint8_t> extended = readFile(argv[2]);
        const double extendedTime = pictrano::bench::medianSeconds(25, [&] { decodeOurs(extended); });
        pictrano::bench::printOursOnly("JPEG decode 12-bit (test file)", extendedTime,
                                       std::to_string(extended.size()) + " bytes, " + argv[2]);
    }
    return 0;
}
