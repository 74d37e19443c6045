#include "tests/support/PngOracle.h"

#include <png.h>

#include <cstring>
#include <stdexcept>

#include "imagelib/image/RowLayout.h"

namespace pictrano::test {

OraclePicture decodePngWithLibpng(const std::filesystem::path& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str())) {
        throw std::runtime_error("libpng cannot read " + path.string());
    }
    image.format = PNG_FORMAT_BGR;
    OraclePicture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.bgr.resize(PNG_IMAGE_SIZE(image));
    png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, picture.bgr.data(), 0, nullptr)) {
        png_image_free(&image);
        throw std::runtime_error("libpng cannot decode " + path.string());
    }
    return picture;
}

std::vector<std::uint8_t> unpadRows(const std::uint8_t* rows, int width, int height) {
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * 3 * height);
    for (int y = 0; y < height; ++y) {
        std::memcpy(out.data() + static_cast<std::size_t>(y) * width * 3, rows + y * stride,
                    static_cast<std::size_t>(width) * 3);
    }
    return out;
}

namespace {

struct MemoryInput {
    const std::vector<std::uint8_t>* file;
    std::size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (count > input->file->size() - input->offset) png_error(png, "read past the end");
    std::memcpy(out, input->file->data() + input->offset, count);
    input->offset += count;
}

void ignoreWarning(png_structp, png_const_charp) {}

enum class Transform { Expand, PackOnly, None };

struct LibpngRows {
    int width = 0;
    int height = 0;
    int colourType = 0;
    int bitDepth = 0;
    std::vector<std::uint8_t> plte;
    std::vector<std::vector<std::uint8_t>> rows;
};

void applyTransform(png_structp png, png_infop info, Transform transform) {
    if (transform == Transform::PackOnly) png_set_packing(png);
    if (transform != Transform::Expand) return;
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
}

// libpng reports errors by a long jump: nothing with a destructor lives in this frame after
// setjmp, and the results go to `out`, which the caller owns. Returns false when libpng fails.
bool readWithLibpng(const std::vector<std::uint8_t>& file, Transform transform, LibpngRows& out) {
    MemoryInput input{&file, 0};
    std::vector<png_bytep> pointers;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, ignoreWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &input, readFromMemory);
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_read_info(png, info);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    out.colourType = png_get_color_type(png, info);
    out.bitDepth = png_get_bit_depth(png, info);
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries) != 0) {
        out.plte.resize(3 * static_cast<std::size_t>(entries));
        for (int i = 0; i < entries; ++i) {
            out.plte[3 * i] = palette[i].red;
            out.plte[3 * i + 1] = palette[i].green;
            out.plte[3 * i + 2] = palette[i].blue;
        }
    }
    applyTransform(png, info, transform);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.rows.resize(static_cast<std::size_t>(out.height));
    pointers.resize(out.rows.size());
    for (std::size_t y = 0; y < out.rows.size(); ++y) {
        out.rows[y].resize(png_get_rowbytes(png, info));
        pointers[y] = out.rows[y].data();
    }
    png_read_image(png, pointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

LibpngRows readOrThrow(const std::vector<std::uint8_t>& file, Transform transform) {
    LibpngRows rows;
    if (!readWithLibpng(file, transform, rows)) throw std::runtime_error("libpng refuses the file");
    return rows;
}

}  // namespace

OracleDecode decodePngBytesWithLibpng(const std::vector<std::uint8_t>& file) {
    const LibpngRows expanded = readOrThrow(file, Transform::Expand);
    OracleDecode decode;
    decode.width = expanded.width;
    decode.height = expanded.height;
    decode.colourType = expanded.colourType;
    decode.bitDepth = expanded.bitDepth;
    decode.plte = expanded.plte;
    for (const auto& row : expanded.rows) {
        decode.bgr.insert(decode.bgr.end(), row.begin(), row.begin() + 3 * decode.width);
    }
    const bool indexed = decode.colourType == PNG_COLOR_TYPE_PALETTE ||
                         (decode.colourType == PNG_COLOR_TYPE_GRAY && decode.bitDepth <= 8);
    if (indexed) {
        for (const auto& row : readOrThrow(file, Transform::PackOnly).rows) {
            decode.samples.insert(decode.samples.end(), row.begin(), row.begin() + decode.width);
        }
    }
    return decode;
}

std::vector<std::vector<std::uint8_t>> rawPngRowsWithLibpng(const std::vector<std::uint8_t>& file) {
    return readOrThrow(file, Transform::None).rows;
}

}  // namespace pictrano::test
