// Bitmap reading and writing through the load and save front, against the floor of copying the
// same bytes: in memory on the 3000 x 2000 photo, and file to file on a 24-bit Bitmap just under
// the 4 MiB input limit (the whole path of a Bitmap to Bitmap conversion).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/DibImage.h"

namespace pictrano::bench {
namespace {

using Bytes = std::vector<std::uint8_t>;

SaveParams bitmap24() {
    SaveParams params{};
    params.structSize = sizeof(SaveParams);
    params.format = kFormatBitmap;
    params.colourModel = 2;
    params.bitCount = 24;
    return params;
}

// The top-left width x height pixels of the picture as a 24-bit Bitmap file.
Bytes bitmapFile(const RgbPicture& picture, int width, int height) {
    RgbPicture crop{width, height, {}};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = picture.rgb.data() + std::size_t(y) * picture.width * 3;
        crop.rgb.insert(crop.rgb.end(), row, row + std::size_t(width) * 3);
    }
    const Bytes rows = toPaddedBgrRows(crop);
    DibImage image;
    image.create(rows.data(), 8, width, height);
    SaveParams params = bitmap24();
    ImageSaver saver;
    Bytes file;
    const std::size_t size = saver.encode(file, image, &params);
    if (size == 0) throw std::runtime_error("bitmap encode");
    file.resize(size);
    return file;
}

// A fresh copy of the bytes, as the floor any reader or writer has to pay.
Bytes copyOf(const std::uint8_t* data, std::size_t size) { return Bytes(data, data + size); }

void inMemory(const RgbPicture& photo) {
    const Bytes file = bitmapFile(photo, photo.width, photo.height);
    std::unique_ptr<DibImage> image;
    Bytes copy;
    const auto [readTime, readCopy] = interleavedMedians(
        9,
        [&] {
            ImageLoader loader;
            image = loader.loadMemory(file.data(), file.size());
            if (!image) throw std::runtime_error(loader.errors().utf8());
        },
        [&] { copy = copyOf(file.data(), file.size()); });
    printRatio("Bitmap read photo 24-bit vs copying its bytes", readTime, readCopy,
               std::to_string(file.size()) + " bytes");

    SaveParams params = bitmap24();
    Bytes written;
    const auto [writeTime, writeCopy] = interleavedMedians(
        9,
        [&] {
            ImageSaver saver;
            written.clear();
            written.shrink_to_fit();
            const std::size_t size = saver.encode(written, *image, &params);
            if (size == 0) throw std::runtime_error(saver.errors().utf8());
            written.resize(size);
        },
        [&] { copy = copyOf(file.data(), file.size()); });
    if (written != file) throw std::runtime_error("the written Bitmap differs from the read one");
    printRatio("Bitmap write photo 24-bit vs copying its bytes", writeTime, writeCopy);
}

void fileToFile(const RgbPicture& photo, const std::filesystem::path& folder) {
    const Bytes file = bitmapFile(photo, 1180, 1180);
    const std::filesystem::path source = folder / "bench-bmp-source.bmp";
    const std::filesystem::path target = folder / "bench-bmp-target.bmp";
    const std::filesystem::path copied = folder / "bench-bmp-copy.bmp";
    std::ofstream(source, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const auto [ours, copy] = interleavedMedians(
        9,
        [&] {
            ImageLoader loader;
            const std::unique_ptr<DibImage> image = loader.loadFile(source.string());
            if (!image) throw std::runtime_error(loader.errors().utf8());
            SaveParams params = bitmap24();
            ImageSaver saver;
            if (saver.saveFile(target.string(), *image, &params) == 0)
                throw std::runtime_error(saver.errors().utf8());
        },
        [&] {
            std::filesystem::copy_file(source, copied,
                                       std::filesystem::copy_options::overwrite_existing);
        });
    printRatio("Bitmap to Bitmap 24-bit file vs copying the file", ours, copy,
               std::to_string(file.size()) + " bytes, 1180x1180");
    for (const auto& path : {source, target, copied}) std::filesystem::remove(path);
}

}  // namespace
}  // namespace pictrano::bench

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : "build/bench/pictures";
    try {
        const pictrano::bench::RgbPicture photo = pictrano::bench::readPpm(folder / "photo.ppm");
        pictrano::bench::inMemory(photo);
        pictrano::bench::fileToFile(photo, folder);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench-bmp: %s\n", error.what());
        return 1;
    }
    return 0;
}
