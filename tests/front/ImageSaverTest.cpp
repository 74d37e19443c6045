#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::dataPath;

SaveParams bitmapParams(int bitCount, int colourModel = 2, int degree = 0) {
    SaveParams params{};
    params.structSize = sizeof(SaveParams);
    params.format = kFormatBitmap;
    params.colourModel = static_cast<std::uint16_t>(colourModel);
    params.bitCount = static_cast<std::uint16_t>(bitCount);
    params.degree = static_cast<std::int16_t>(degree);
    params.process = static_cast<std::uint16_t>(degree);
    return params;
}

std::unique_ptr<DibImage> load(const std::string& relative) {
    ImageLoader loader;
    auto image = loader.loadFile(dataPath(relative).string());
    EXPECT_NE(image, nullptr) << relative << ": " << loader.errors().utf8();
    return image;
}

std::string encodeMessage(const DibImage& image, SaveParams* params) {
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    EXPECT_EQ(saver.encode(file, image, params), 0u);
    return saver.errors().utf8();
}

TEST(ImageSaver, RefusesBadRecordsAndUnsupportedRequests) {
    auto image = load("bmpsuite/g/rgb24.bmp");
    EXPECT_EQ(encodeMessage(*image, nullptr), "パラメータが不正です。");
    SaveParams params = bitmapParams(24);
    params.structSize = 27;
    EXPECT_EQ(encodeMessage(*image, &params), "パラメータが不正です。");
    params = bitmapParams(24);
    params.format = 5;
    EXPECT_EQ(encodeMessage(*image, &params), "サポートされてない形式です。");
    for (int bitCount : {0, 2, 12}) {
        params = bitmapParams(bitCount);
        EXPECT_EQ(encodeMessage(*image, &params), "サポートされていない形式を指定しました。");
    }
    DibImage empty;
    params = bitmapParams(24);
    EXPECT_EQ(encodeMessage(empty, &params), "パラメータが不正です。");
}

TEST(ImageSaver, EveryBitmapBitCountRoundTripsThroughTheLoader) {
    auto source = load("bmpsuite/g/rgb24.bmp");
    for (int bitCount : {1, 4, 8, 16, 24, 32}) {
        SaveParams params = bitmapParams(bitCount);
        ImageSaver saver;
        std::vector<std::uint8_t> file;
        const std::size_t size = saver.encode(file, *source, &params);
        ASSERT_GT(size, 0u) << bitCount << ": " << saver.errors().utf8();
        ASSERT_EQ(file.size(), size);
        EXPECT_EQ(file[28], bitCount) << "bit count in the info header";
        if (bitCount == 16 || bitCount == 32) continue;  // plain 16/32-bit files are not read back
        ImageLoader loader;
        auto back = loader.loadMemory(file.data(), size);
        ASSERT_NE(back, nullptr) << bitCount << ": " << loader.errors().utf8();
        EXPECT_EQ(back->width(), source->width());
        EXPECT_EQ(back->height(), source->height());
        if (bitCount == 24) {
            const auto bytes = static_cast<std::size_t>(pixelRowStride(source->width()));
            for (int y = 0; y < source->height(); ++y) {
                ASSERT_EQ(std::memcmp(back->pixelBits() + y * bytes, source->pixelBits() + y * bytes,
                                      3 * static_cast<std::size_t>(source->width())),
                          0)
                    << "row " << y << " at " << bitCount << " bits";
            }
        }
    }
}

TEST(ImageSaver, APalettedPictureKeepsItsPaletteAt8BitsAndIsReducedBelow) {
    auto source = load("bmpsuite/g/pal8.bmp");
    ASSERT_GT(source->paletteCount(), 0);
    SaveParams params = bitmapParams(8);
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    ASSERT_GT(saver.encode(file, *source, &params), 0u);
    ImageLoader loader;
    auto back = loader.loadMemory(file.data(), file.size());
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->paletteCount(), source->paletteCount());
    EXPECT_EQ(std::memcmp(back->palette(), source->palette(), 4 * 256), 0);
    const auto planeBytes = static_cast<std::size_t>(indexRowStride(source->width()) * source->height());
    EXPECT_EQ(std::memcmp(back->indexPlane(), source->indexPlane(), planeBytes), 0);

    params = bitmapParams(4);
    file.clear();
    ASSERT_GT(saver.encode(file, *source, &params), 0u);
    back = loader.loadMemory(file.data(), file.size());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->paletteCount(), 16);  // the fixed 16-colour palette, not the source's
}

TEST(ImageSaver, RleIsAskedForByTheDegree) {
    auto source = load("bmpsuite/g/pal8.bmp");
    SaveParams params = bitmapParams(8, 2, 1);
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    ASSERT_GT(saver.encode(file, *source, &params), 0u);
    EXPECT_EQ(file[30], 1) << "compression RLE8";
    ImageLoader loader;
    auto back = loader.loadMemory(file.data(), file.size());
    ASSERT_NE(back, nullptr) << loader.errors().utf8();
    const auto planeBytes = static_cast<std::size_t>(indexRowStride(source->width()) * source->height());
    EXPECT_EQ(std::memcmp(back->indexPlane(), source->indexPlane(), planeBytes), 0);
}

TEST(ImageSaver, SaveFileReplacesAnExistingFileWholeAndFailuresKeepIt) {
    test::TempDir dir;
    const auto target = dir / "out.bmp";
    const std::vector<std::uint8_t> old(100000, 0xAB);
    test::writeBytes(target, old);
    auto source = load("bmpsuite/g/pal4.bmp");

    SaveParams params = bitmapParams(24);
    ImageSaver saver;
    const std::size_t size = saver.saveFile(target.string(), *source, &params);
    ASSERT_GT(size, 0u) << saver.errors().utf8();
    std::vector<std::uint8_t> expected;
    saver.encode(expected, *source, &params);
    EXPECT_EQ(test::readBytes(target), expected);

    // A refused request leaves the existing file as it was and creates nothing.
    params = bitmapParams(2);
    EXPECT_EQ(saver.saveFile(target.string(), *source, &params), 0u);
    EXPECT_EQ(test::readBytes(target), expected);
    EXPECT_EQ(saver.saveFile((dir / "new.bmp").string(), *source, &params), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.bmp"));

    // A target that cannot be opened for writing (a directory in the way, a missing folder)
    // fails as the open, with no stray files.
    std::filesystem::create_directory(dir / "taken.bmp");
    params = bitmapParams(24);
    for (const auto& refused : {dir / "taken.bmp", dir / "no-such-folder" / "x.bmp"}) {
        EXPECT_EQ(saver.saveFile(refused.string(), *source, &params), 0u);
        EXPECT_EQ(saver.errors().utf8(), "ファイルを開けません。") << refused;
    }
    // An output name of 80 Japanese characters (244 bytes) is written like any other.
    std::string longName;
    for (int i = 0; i < 80; ++i) longName += "変";
    EXPECT_EQ(saver.saveFile((dir.path().string() + "/" + longName + ".bmp"), *source, &params),
              size) << saver.errors().utf8();
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 3);  // out.bmp, taken.bmp and the long name
}

}  // namespace
}  // namespace pictrano
