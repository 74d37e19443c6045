#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/jpeg/JpegDecoder.h"
#include "imagelib/image/RowLayout.h"
#include "platform/TextConversion.h"
#include "tests/front/FrontTestFiles.h"
#include "tests/support/PngOracle.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::dataPath;
using test::readBytes;
using Bytes = std::vector<std::uint8_t>;

std::string loadMessage(const std::vector<std::uint8_t>& bytes) {
    ImageLoader loader;
    EXPECT_EQ(loader.loadMemory(bytes.data(), bytes.size()), nullptr);
    return loader.errors().utf8();
}

TEST(ImageLoader, RecognisesFilesByTheirFirstBytesOnly) {
    EXPECT_EQ(loadMessage({}), "サポートされていないファイル形式です。");
    EXPECT_EQ(loadMessage({'B'}), "サポートされていないファイル形式です。");
    EXPECT_EQ(loadMessage({'G', 'I', 'F', '8', '9', 'a'}), "サポートされていないファイル形式です。");
    // A damaged Bitmap answers with the Bitmap reader's message.
    EXPECT_EQ(loadMessage({'B', 'M', 0, 0}), "ファイル形式が不正です。");
    ImageLoader loader;
    EXPECT_EQ(loader.loadMemory(nullptr, 10), nullptr);
    EXPECT_EQ(loader.errors().utf8(), "サポートされていないファイル形式です。");
}

TEST(ImageLoader, LoadsPngFilesWithTheirPaletteAndIndices) {
    for (const char* name : {"basn3p08.png", "basi2c16.png", "basn0g04.png", "basi6a08.png"}) {
        const std::string relative = std::string("pngsuite/") + name;
        auto image = test::loadTestFile(relative);
        ASSERT_NE(image, nullptr);
        const auto oracle = test::decodePngBytesWithLibpng(test::readBytes(dataPath(relative)));
        ASSERT_EQ(image->width(), oracle.width) << name;
        EXPECT_EQ(test::unpadRows(image->pixelBits(), image->width(), image->height()), oracle.bgr)
            << name;
        EXPECT_EQ(image->paletteCount() > 0, !oracle.samples.empty()) << name;
        if (oracle.samples.empty()) continue;
        for (int y = 0; y < image->height(); ++y) {
            const std::uint8_t* row = image->indexPlane() + y * indexRowStride(image->width());
            ASSERT_TRUE(
                std::equal(row, row + image->width(), oracle.samples.begin() + y * image->width()))
                << name;
        }
    }
    // A damaged PNG answers with the PNG reader's message.
    Bytes file = test::readBytes(dataPath("pngsuite/basn0g08.png"));
    file[8 + 4 + 4 + 9] = 5;  // colour type
    ImageLoader loader;
    EXPECT_EQ(loader.loadMemory(file.data(), file.size()), nullptr);
    EXPECT_EQ(loader.errors().utf8(), "カラータイプが不正です。");
}

// The decoder's own picture for the colour mode the loader should hand it.
std::vector<std::uint8_t> decodedBytes(const std::vector<std::uint8_t>& file, std::uint32_t colourMode) {
    JpegDecoder decoder;
    decoder.ColourMode = colourMode;
    EXPECT_EQ(decoder.read(file.data(), file.size()), 1);
    const auto* pixels = static_cast<const std::uint8_t*>(decoder.pixels());
    return {pixels, pixels + pixelRowStride(decoder.width()) * decoder.height()};
}

std::vector<std::uint8_t> loadedBytes(const std::vector<std::uint8_t>& file, std::uint32_t colourOptions) {
    ImageLoader loader;
    loader.colourOptions = colourOptions;
    auto image = loader.loadMemory(file.data(), file.size());
    EXPECT_NE(image, nullptr) << loader.errors().utf8();
    if (image == nullptr) return {};
    return {image->pixelBits(), image->pixelBits() + pixelRowStride(image->width()) * image->height()};
}

TEST(ImageLoader, HandsTheColourOptionsToTheJpegReader) {
    const auto dct = readBytes(dataPath("jpeg/generated/base-444.jpg"));
    const auto lossless = readBytes(dataPath("jpeg/generated/lossless-rgb-p1.jpg"));
    // 0 keeps the reader's default, which converts both kinds.
    EXPECT_EQ(loadedBytes(dct, 0), decodedBytes(dct, 3));
    EXPECT_EQ(loadedBytes(lossless, 0), decodedBytes(lossless, 3));
    // 2: DCT files raw, lossless files still converted; 0x200 the reverse.
    EXPECT_EQ(loadedBytes(dct, 2), decodedBytes(dct, 2));
    EXPECT_NE(loadedBytes(dct, 2), loadedBytes(dct, 0));
    EXPECT_EQ(loadedBytes(lossless, 2), loadedBytes(lossless, 0));
    EXPECT_EQ(loadedBytes(lossless, 0x200), decodedBytes(lossless, 0x200));
    EXPECT_NE(loadedBytes(lossless, 0x200), loadedBytes(lossless, 0));
    EXPECT_EQ(loadedBytes(dct, 0x200), loadedBytes(dct, 0));
}

TEST(ImageLoader, LoadsJpegFilesOfEveryPrecision) {
    // Twelve-bit samples are narrowed to their top 8 bits.
    const auto twelve = readBytes(dataPath("jpeg/generated/ext-12bit.jpg"));
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(twelve.data(), twelve.size()), 1);
    ImageLoader loader;
    auto image = loader.loadMemory(twelve.data(), twelve.size());
    ASSERT_NE(image, nullptr) << loader.errors().utf8();
    const auto* wide = static_cast<const std::uint16_t*>(decoder.pixels());
    for (std::size_t i = 0; i < static_cast<std::size_t>(pixelRowStride(image->width()) * image->height()); ++i) {
        ASSERT_EQ(image->pixelBits()[i], wide[i] >> 4) << i;
    }
    // A damaged file gives the reader's message. (A grey picture's palette through the loader is
    // checked by LosslessDecoding.TheGreyPaletteShowsSamplesOfFewerThanEightBitsAsThePictureDoes.)
    auto damaged = readBytes(dataPath("jpeg/generated/base-grey.jpg"));
    damaged[2] = 0;
    EXPECT_EQ(loadMessage(damaged), "タグがありません。");
}

TEST(ImageLoader, ReadsFilesUpToTheSizeLimitAndRefusesLargerOnes) {
    test::TempDir dir;
    auto bytes = readBytes(dataPath("bmpsuite/g/rgb24.bmp"));
    bytes.resize(ImageLoader::kMaxFileBytes, 0);  // trailing bytes after the pixel data
    test::writeBytes(dir / "limit.bmp", bytes);
    bytes.push_back(0);
    test::writeBytes(dir / "over.bmp", bytes);

    ImageLoader loader;
    EXPECT_NE(loader.loadFile((dir / "limit.bmp").string()), nullptr) << loader.errors().utf8();
    EXPECT_EQ(loader.loadFile((dir / "over.bmp").string()), nullptr);
    EXPECT_EQ(loader.errors().utf8(), "ファイルが大きすぎます。");
    EXPECT_EQ(loader.loadFile((dir / "missing.bmp").string()), nullptr);
    EXPECT_EQ(loader.errors().utf8(), "ファイルを開けません。");
    EXPECT_EQ(loader.loadFile(dir.path().string()), nullptr);
    EXPECT_EQ(loader.errors().utf8(), "ファイルを開けません。");
}

TEST(ImageLoader, OpensNonAsciiNamesGivenNarrowOrWide) {
    test::TempDir dir;
    const std::string name = "画像 テスト.bmp";
    std::filesystem::copy_file(dataPath("bmpsuite/g/pal4.bmp"),
                               dir.path() / std::filesystem::path(std::u8string(
                                                name.begin(), name.end())));
    const std::string narrow = dir.path().string() + "/" + name;
    ImageLoader loader;
    EXPECT_NE(loader.loadFile(narrow), nullptr) << loader.errors().utf8();
    EXPECT_NE(loader.loadFileWide(utf8ToUtf16(narrow)), nullptr) << loader.errors().utf8();
}

}  // namespace
}  // namespace pictrano
