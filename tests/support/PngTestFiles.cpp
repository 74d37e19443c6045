#include "tests/support/PngTestFiles.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <stdexcept>

#include "tests/support/ZlibOracle.h"

namespace pictrano::test {
namespace {

void appendBe32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// libpng reports errors by a long jump: nothing with a destructor is created after setjmp.
bool writeWithLibpng(const RawPicture& picture, std::vector<png_bytep>& rows, Bytes& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendToVector, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), picture.bitDepth, picture.colourType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.plte.empty()) {
        png_color entries[256];
        const int count = static_cast<int>(picture.plte.size() / 3);
        for (int i = 0; i < count; ++i) {
            entries[i] = {picture.plte[3 * i], picture.plte[3 * i + 1], picture.plte[3 * i + 2]};
        }
        png_set_PLTE(png, info, entries, count);
    }
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_compression_level(png, 6);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

Bytes pngChunk(const std::string& type, const Bytes& data) {
    Bytes out;
    appendBe32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    appendBe32(out, static_cast<std::uint32_t>(
                        crc32(0, out.data() + 4, static_cast<uInt>(out.size() - 4))));
    return out;
}

Bytes imageHeader(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                  int interlace, int compression) {
    Bytes data;
    appendBe32(data, width);
    appendBe32(data, height);
    data.push_back(static_cast<std::uint8_t>(bitDepth));
    data.push_back(static_cast<std::uint8_t>(colourType));
    data.push_back(static_cast<std::uint8_t>(compression));
    data.push_back(0);
    data.push_back(static_cast<std::uint8_t>(interlace));
    return pngChunk("IHDR", data);
}

Bytes pngFile(const std::vector<Bytes>& chunks) {
    Bytes out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    for (const Bytes& chunk : chunks) out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

Bytes inflatedImageData(const Bytes& file) {
    Bytes compressed;
    for (std::size_t offset = 8; offset + 12 <= file.size();) {
        const std::uint32_t length = static_cast<std::uint32_t>(
            file[offset] << 24 | file[offset + 1] << 16 | file[offset + 2] << 8 | file[offset + 3]);
        if (std::memcmp(file.data() + offset + 4, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(),
                              file.begin() + static_cast<std::ptrdiff_t>(offset + 8),
                              file.begin() + static_cast<std::ptrdiff_t>(offset + 8 + length));
        }
        offset += length + 12;
    }
    const auto inflated = zlibInflate(compressed);
    if (!inflated) throw std::runtime_error("zlib cannot inflate the image data");
    return *inflated;
}

RawPicture randomPicture(std::uint32_t seed, int width, int height, int colourType, int bitDepth,
                         bool interlaced) {
    std::mt19937 random(seed);
    RawPicture picture{width, height, colourType, bitDepth, interlaced, {}, {}};
    const int samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * samples * bitDepth + 7) / 8;
    int entries = 0;
    if (colourType == 3) {
        entries = 1 + static_cast<int>(random() % (1u << bitDepth));
        for (int i = 0; i < 3 * entries; ++i)
            picture.plte.push_back(static_cast<std::uint8_t>(random()));
    }
    // Smooth runs beside noise, so that every filter has something to gain somewhere.
    for (int y = 0; y < height; ++y) {
        Bytes row(rowBytes, 0);
        if (colourType == 3) {
            for (int x = 0; x < width; ++x) {
                const auto index = static_cast<unsigned>(
                    (y % 3 == 0 ? static_cast<unsigned>(x / 3 + y) : random()) %
                    static_cast<unsigned>(entries));
                const int shift = 8 - bitDepth * (1 + x % (8 / bitDepth));
                row[x * bitDepth / 8] |= static_cast<std::uint8_t>(index << shift);
            }
        } else {
            for (std::size_t i = 0; i < rowBytes; ++i) {
                row[i] = static_cast<std::uint8_t>(y % 4 == 1 ? random() : (i * 7 + y * 3) & 0xFF);
            }
            const int used =
                static_cast<int>((static_cast<std::size_t>(width) * samples * bitDepth) % 8);
            if (used != 0) row.back() &= static_cast<std::uint8_t>(0xFF << (8 - used));
        }
        picture.rows.push_back(row);
    }
    return picture;
}

Bytes encodeWithLibpng(const RawPicture& picture) {
    std::vector<Bytes> rows = picture.rows;
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows) pointers.push_back(row.data());
    Bytes out;
    if (!writeWithLibpng(picture, pointers, out)) throw std::runtime_error("libpng cannot write");
    return out;
}

}  // namespace pictrano::test
