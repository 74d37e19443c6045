// PNG decoding and encoding against libpng on the benchmark pictures. The files both decoders
// read are written by libpng (its default adaptive filters, zlib level 6).
#include <png.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "imagelib/png/PngReader.h"
#include "imagelib/png/PngWriter.h"

namespace pictrano::bench {
namespace {

using Bytes = std::vector<std::uint8_t>;

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

struct MemoryInput {
    const Bytes* file;
    std::size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (count > input->file->size() - input->offset) png_error(png, "read past the end");
    std::memcpy(out, input->file->data() + input->offset, count);
    input->offset += count;
}

// RGB rows written by libpng at a zlib level with its default filter choice.
Bytes encodeWithLibpng(const RgbPicture& picture, int level, std::vector<png_bytep>& rows) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng cannot write");
    png_set_write_fn(png, &out, appendToVector, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Decodes into 24-bit rows (blue, green, red; padded to 4 bytes), the layout our reader gives.
void decodeWithLibpng(const Bytes& file, Bytes& pixels, std::vector<png_bytep>& rows) {
    MemoryInput input{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng cannot read");
    png_set_read_fn(png, &input, readFromMemory);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const std::size_t height = png_get_image_height(png, info);
    const std::size_t stride = (png_get_rowbytes(png, info) + 3) / 4 * 4;
    pixels.resize(stride * height);
    rows.resize(height);
    for (std::size_t y = 0; y < height; ++y) rows[y] = pixels.data() + y * stride;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
}

void benchPicture(const std::filesystem::path& path, const char* name) {
    RgbPicture picture = readPpm(path);
    const Bytes bgr = toPaddedBgrRows(picture);
    std::vector<png_bytep> rgbRows(static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        rgbRows[y] = picture.rgb.data() + std::size_t(y) * picture.width * 3;
    const Bytes file = encodeWithLibpng(picture, 6, rgbRows);

    // Both decode into a new picture each time, as a load does.
    Bytes theirsPixels;
    PngReader reader;
    const auto [ours, theirs] = interleavedMedians(
        9,
        [&] {
            if (!reader.read(file.data(), file.size()))
                throw std::runtime_error(reader.errors().utf8());
        },
        [&] {
            Bytes pixels;
            std::vector<png_bytep> rows;
            decodeWithLibpng(file, pixels, rows);
            theirsPixels = std::move(pixels);
        });
    if (std::memcmp(reader.pixels(), theirsPixels.data(), theirsPixels.size()) != 0) {
        throw std::runtime_error("the decoders disagree on " + path.string());
    }
    printRatio(std::string("PNG decode ") + name, ours, theirs,
               std::to_string(file.size()) + " bytes, " + std::to_string(picture.width) + "x" +
                   std::to_string(picture.height) + " RGB");

    // Encoding: our degrees with the automatic filter against libpng's nearest zlib levels.
    const int levels[] = {1, 6, 9};
    for (int degree = 1; degree <= 3; ++degree) {
        PngWriter writer;
        Bytes ourFile;
        Bytes theirFile;
        const auto [ourTime, theirTime] = interleavedMedians(
            3,
            [&] {
                if (!writer.write(ourFile, bgr.data(), 2, 8, picture.width, picture.height, 5,
                                  degree)) {
                    throw std::runtime_error(writer.errors().utf8());
                }
            },
            [&] { theirFile = encodeWithLibpng(picture, levels[degree - 1], rgbRows); });
        printRatio(std::string("PNG encode ") + name + " degree " + std::to_string(degree) +
                       " vs level " + std::to_string(levels[degree - 1]),
                   ourTime, theirTime,
                   "ours " + std::to_string(ourFile.size()) + " bytes, libpng " +
                       std::to_string(theirFile.size()));
    }
}

}  // namespace
}  // namespace pictrano::bench

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? argv[1] : "build/bench/pictures";
    try {
        pictrano::bench::benchPicture(dir / "photo.ppm", "photo");
        pictrano::bench::benchPicture(dir / "screen.ppm", "screen");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench-png: %s\n", error.what());
        return 1;
    }
    return 0;
}
