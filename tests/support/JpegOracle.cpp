#include "tests/support/JpegOracle.h"

#include <algorithm>
#include <csetjmp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace pictrano::test {
namespace {

// libjpeg reports errors through a callback that must not return: it jumps back here.
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

std::vector<std::uint8_t> encodeWithLibjpeg(const LibjpegPicture& picture,
                                            const LibjpegSettings& settings) {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw std::runtime_error(std::string("libjpeg: ") + errors.message);
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = picture.components;
    info.in_color_space = picture.components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    if (settings.keepRgb) jpeg_set_colorspace(&info, JCS_RGB);
    jpeg_set_quality(&info, settings.quality, TRUE);
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = settings.horizontal[static_cast<std::size_t>(i)];
        info.comp_info[i].v_samp_factor = settings.vertical[static_cast<std::size_t>(i)];
    }
    info.optimize_coding = settings.optimiseTables ? TRUE : FALSE;
    info.restart_interval = static_cast<unsigned>(settings.restartInterval);
    if (settings.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const auto stride = static_cast<std::size_t>(picture.width * picture.components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.samples.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

LibjpegPicture decodeWithLibjpeg(const std::vector<std::uint8_t>& file, bool fancyUpsampling,
                                 int storedAs, bool toRgb) {
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
    if (storedAs == 2 || storedAs == 3) {
        info.jpeg_color_space = storedAs == 2 ? JCS_RGB : JCS_YCbCr;
        info.out_color_space = storedAs == 3 && !toRgb ? JCS_YCbCr : JCS_RGB;
    }
    info.do_fancy_upsampling = fancyUpsampling ? TRUE : FALSE;
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

std::vector<LibjpegComponentBlocks> readCoefficientsWithLibjpeg(
    const std::vector<std::uint8_t>& file) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    errors.base.emit_message = silence;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error(std::string("libjpeg: ") + errors.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&info);
    std::vector<LibjpegComponentBlocks> components(static_cast<std::size_t>(info.num_components));
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        LibjpegComponentBlocks& out = components[static_cast<std::size_t>(c)];
        for (int i = 0; i < 64; ++i) out.quantisers[static_cast<std::size_t>(i)] = component.quant_table->quantval[i];
        for (JDIMENSION row = 0; row < component.height_in_blocks; ++row) {
            JBLOCKARRAY blocks = (*info.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&info), arrays[c], row, 1, FALSE);
            for (JDIMENSION column = 0; column < component.width_in_blocks; ++column) {
                std::array<std::int16_t, 64> block;
                for (int i = 0; i < 64; ++i) block[static_cast<std::size_t>(i)] = blocks[0][column][i];
                out.blocks.push_back(block);
            }
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return components;
}

LibjpegPicture drawTestPicture(int width, int height, int components, unsigned seed) {
    LibjpegPicture picture{width, height, components, {}};
    picture.samples.resize(static_cast<std::size_t>(width * height * components));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) {
                double value = 128 + 90 * std::sin(0.05 * x + 0.7 * c) * std::cos(0.03 * y - c);
                if ((x / 13 + y / 11 + c) % 5 == 0) value = 40 + 50 * c;  // hard edges
                value += noise(random);
                const auto sample = static_cast<int>(std::lround(std::min(255.0, std::max(0.0, value))));
                picture.samples[static_cast<std::size_t>((y * width + x) * components + c)] =
                    static_cast<std::uint8_t>(sample);
            }
        }
    }
    return picture;
}

}  // namespace pictrano::test
