#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/PngOracle.h"
#include "tests/support/PngTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::Bytes;
using test::dataPath;

std::unique_ptr<DibImage> load(const std::string& relative) {
    ImageLoader loader;
    auto image = loader.loadFile(dataPath(relative).string());
    EXPECT_NE(image, nullptr) << relative << ": " << loader.errors().utf8();
    return image;
}

TEST(PngLoadBranch, LoadsPngFilesByTheirSignature) {
    for (const char* name : {"basn3p08.png", "basi2c16.png", "basn0g04.png", "basi6a08.png"}) {
        const std::string relative = std::string("pngsuite/") + name;
        auto image = load(relative);
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

}  // namespace
}  // namespace pictrano
