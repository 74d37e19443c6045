#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <random>
#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/RowLayout.h"
#include "tests/image/ReductionRules.h"
#include "tests/front/FrontTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

constexpr auto load = test::loadTestFile;

// A Bitmap request; the degree (1: RLE) is also given as the process.
SaveParams bitmapParams(int bitCount, int colourModel = 2, int degree = 0) {
    SaveParams params = test::saveParams(kFormatBitmap, colourModel, bitCount, degree);
    params.process = static_cast<std::uint16_t>(degree);
    return params;
}

TEST(ImageSaver, RefusesBadRecordsAndUnsupportedRequests) {
    auto image = load("bmpsuite/g/rgb24.bmp");
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    EXPECT_EQ(saver.encode(file, *image, nullptr), 0u);
    EXPECT_EQ(saver.errors().utf8(), "パラメータが不正です。");
    SaveParams params = bitmapParams(24);
    params.structSize = 27;
    EXPECT_EQ(test::refusal(*image, params), "パラメータが不正です。");
    params = bitmapParams(24);
    params.format = 5;
    EXPECT_EQ(test::refusal(*image, params), "サポートされてない形式です。");
    for (int bitCount : {0, 2, 12}) {
        params = bitmapParams(bitCount);
        EXPECT_EQ(test::refusal(*image, params), "サポートされていない形式を指定しました。");
    }
    DibImage empty;
    params = bitmapParams(24);
    EXPECT_EQ(test::refusal(empty, params), "パラメータが不正です。");
}

// Every bit count reaches the file, and all but 16 and 32 (which the reader does not take) load
// again at their size. The pixels of 24-bit files are compared with their sources by
// Conversion.EverySourceFormatConvertsIntoEveryOutputFormat, the reduced ones below.
TEST(ImageSaver, EveryBitmapBitCountRoundTripsThroughTheLoader) {
    auto source = load("bmpsuite/g/rgb24.bmp");
    for (int bitCount : {1, 4, 8, 16, 24, 32}) {
        SaveParams params = bitmapParams(bitCount);
        ImageSaver saver;
        std::vector<std::uint8_t> file;
        ASSERT_GT(saver.encode(file, *source, &params), 0u) << bitCount << ": " << saver.errors().utf8();
        EXPECT_EQ(file[28], bitCount) << "bit count in the info header";
        if (bitCount == 16 || bitCount == 32) continue;
        auto back = ImageLoader().loadMemory(file.data(), file.size());
        ASSERT_NE(back, nullptr) << bitCount;
        EXPECT_EQ(std::pair(back->width(), back->height()), std::pair(source->width(), source->height()));
    }
}

// At 8 bits, with RLE8 when the degree asks for it; below, reduced to the fixed palette.
TEST(ImageSaver, APalettedPictureKeepsItsPaletteAt8BitsAndIsReducedBelow) {
    auto source = load("bmpsuite/g/pal8.bmp");
    ASSERT_GT(source->paletteCount(), 0);
    ImageSaver saver;
    ImageLoader loader;
    const auto planeBytes = static_cast<std::size_t>(indexRowStride(source->width()) * source->height());
    for (const int degree : {0, 1}) {
        SaveParams params = bitmapParams(8, 2, degree);
        std::vector<std::uint8_t> file;
        ASSERT_GT(saver.encode(file, *source, &params), 0u);
        EXPECT_EQ(file[30], degree) << "compression RLE8 when asked";
        auto back = loader.loadMemory(file.data(), file.size());
        ASSERT_NE(back, nullptr) << loader.errors().utf8();
        ASSERT_EQ(back->paletteCount(), source->paletteCount());
        EXPECT_EQ(std::memcmp(back->palette(), source->palette(), 4 * 256), 0);
        EXPECT_EQ(std::memcmp(back->indexPlane(), source->indexPlane(), planeBytes), 0);
    }
    SaveParams params = bitmapParams(4);
    std::vector<std::uint8_t> file;
    ASSERT_GT(saver.encode(file, *source, &params), 0u);
    const auto back = loader.loadMemory(file.data(), file.size());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->paletteCount(), 16);  // the fixed 16-colour palette, not the source's
}

using Pixel = std::array<std::uint8_t, 3>;  // blue, green, red
using Pixels = std::vector<Pixel>;               // row by row, top row first

Pixel pixel(int blue, int green, int red) {
    return {std::uint8_t(blue), std::uint8_t(green), std::uint8_t(red)};
}

DibImage pictureOf(const Pixels& pixels, int width, int height) {
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(height), 0);
    for (int i = 0; i < width * height; ++i)
        std::copy(pixels[i].begin(), pixels[i].end(), &rows[i / width * stride + 3 * (i % width)]);
    DibImage image;
    EXPECT_EQ(image.create(rows.data(), 8, width, height), 1);
    return image;
}

Pixels greyPalette(int entries) {
    Pixels palette;
    for (int j = 0; j < entries; ++j) {
        const int grey = j * 255 / (entries - 1);
        palette.push_back(pixel(grey, grey, grey));
    }
    return palette;
}

// Each reduced Bitmap mode, read back, holds the palette and the indices its rules give: grey
// requests grey palettes, colour requests the fixed palette or the lattice chosen for the
// picture, two colours black and white whatever the model; RLE changes nothing of that.
TEST(ImageSaver, EveryReducedBitmapModeHoldsThePaletteAndIndicesOfItsRules) {
    constexpr int kW = 24, kH = 9;
    // Random colours; colours of the fixed palette; colours on the levels of the lattice with
    // 5 blue, 7 green and 7 red levels, which the choice of lattice must find.
    std::mt19937 random(77);
    Pixels noise, fixedColours, latticeColours;
    for (int i = 0; i < kW * kH; ++i) {
        noise.push_back(pixel(random() % 256, random() % 256, random() % 256));
        const auto& fixed = test::kFixedPalette[random() % 16];
        fixedColours.push_back(pixel(fixed[0], fixed[1], fixed[2]));
        auto level = [&random](int n) { return test::levelValue(int(random() % n), n); };
        latticeColours.push_back(pixel(level(5), level(7), level(7)));
    }
    Pixels fixedPalette, latticePalette;
    for (const auto& entry : test::kFixedPalette) {
        fixedPalette.push_back(pixel(entry[0], entry[1], entry[2]));
    }
    for (int b = 0; b < 5; ++b)
        for (int g = 0; g < 7; ++g)
            for (int r = 0; r < 7; ++r)
                latticePalette.push_back(pixel(test::levelValue(b, 5), test::levelValue(g, 7),
                                               test::levelValue(r, 7)));
    // The file holds the bottom row first, so the grey error runs from the bottom row up.
    const auto diffused = test::diffusedGreyLevels(
        kW, kH, [&](int x, int y) { return noise[(kH - 1 - y) * kW + x].data(); });

    using IndexRule = std::function<int(int i)>;  // the index of pixel i
    const IndexRule blackOrWhite = [&](int i) {
        int toWhite = 0, toBlack = 0;
        for (const int c : noise[i]) toWhite += (255 - c) * (255 - c), toBlack += c * c;
        return toWhite < toBlack ? 1 : 0;
    };
    const IndexRule fixedIndex = [&](int i) {
        return int(std::ranges::find(fixedPalette, fixedColours[i]) - fixedPalette.begin());
    };
    const IndexRule diffusedLevel = [&](int i) { return diffused[kH - 1 - i / kW][i % kW]; };
    const IndexRule luminance = [&](int i) { return int(test::luminance(noise[i].data())); };
    const IndexRule latticeIndex = [&](int i) {
        const Pixel& p = latticeColours[i];
        const int qb = test::quantiseLevel(p[0], 5), qg = test::quantiseLevel(p[1], 7);
        return (qb * 7 + qg) * 7 + test::quantiseLevel(p[2], 7);
    };
    const DibImage noisy = pictureOf(noise, kW, kH), fixed = pictureOf(fixedColours, kW, kH),
                   lattice = pictureOf(latticeColours, kW, kH);
    const Pixels blackAndWhite{pixel(0, 0, 0), pixel(255, 255, 255)};
    const struct {
        const DibImage& source;
        int bitCount, model;
        Pixels palette;
        IndexRule index;
    } modes[] = {
        {noisy, 1, 2, blackAndWhite, blackOrWhite},
        {noisy, 1, 1, blackAndWhite, blackOrWhite},
        {fixed, 4, 2, fixedPalette, fixedIndex},
        {noisy, 4, 1, greyPalette(16), diffusedLevel},
        {noisy, 8, 1, greyPalette(256), luminance},
        {lattice, 8, 2, latticePalette, latticeIndex}};
    for (const auto& mode : modes) {
        for (const int degree : {0, 1}) {
            SCOPED_TRACE(testing::Message() << mode.bitCount << " bits, model " << mode.model
                                            << ", degree " << degree);
            SaveParams params = bitmapParams(mode.bitCount, mode.model, degree);
            ImageSaver saver;
            std::vector<std::uint8_t> file;
            ASSERT_GT(saver.encode(file, mode.source, &params), 0u) << saver.errors().utf8();
            // RLE8 is 1, RLE4 2; two colours have no RLE.
            const int compression =
                degree == 0 || mode.bitCount == 1 ? 0 : mode.bitCount == 8 ? 1 : 2;
            EXPECT_EQ(std::pair(int(file[28]), int(file[30])),
                      std::pair(mode.bitCount, compression));
            ImageLoader loader;
            const auto back = loader.loadMemory(file.data(), file.size());
            ASSERT_NE(back, nullptr) << loader.errors().utf8();
            Pixels palette;
            for (int i = 0; i < back->paletteCount(); ++i) {
                const std::uint8_t* entry = back->palette() + 4 * i;
                palette.push_back(pixel(entry[0], entry[1], entry[2]));
            }
            EXPECT_EQ(palette, mode.palette);
            for (int i = 0; i < kW * kH; ++i)
                ASSERT_EQ(back->indexPlane()[i / kW * indexRowStride(kW) + i % kW], mode.index(i))
                    << "pixel " << i;
        }
    }
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
