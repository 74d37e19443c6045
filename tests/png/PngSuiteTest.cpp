#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imagelib/image/RowLayout.h"
#include "imagelib/png/PngReader.h"
#include "tests/support/PngOracle.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

std::vector<std::filesystem::path> suiteFiles(bool corrupt) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(test::dataPath("pngsuite"))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".png" && (name[0] == 'x') == corrupt) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The index plane and palette libpng's raw samples and PLTE call for: indexed files use the
// PLTE, grey files the ramp i x 255 / (2^depth - 1).
void expectPaletteAndIndices(const PngReader& reader, const test::OracleDecode& oracle,
                             const std::string& name) {
    const bool grey = oracle.colourType == 0;
    const int count = grey ? 1 << oracle.bitDepth : static_cast<int>(oracle.plte.size() / 3);
    ASSERT_EQ(reader.paletteCount(), count) << name;
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t* entry = reader.palette() + 4 * i;
        std::uint8_t expected[4] = {0, 0, 0, 0};
        if (i < count && grey) {
            expected[0] = expected[1] = expected[2] =
                static_cast<std::uint8_t>(i * 255 / ((1 << oracle.bitDepth) - 1));
        } else if (i < count) {
            expected[0] = oracle.plte[3 * i + 2];
            expected[1] = oracle.plte[3 * i + 1];
            expected[2] = oracle.plte[3 * i];
        }
        ASSERT_EQ(std::vector<std::uint8_t>(entry, entry + 4),
                  std::vector<std::uint8_t>(expected, expected + 4))
            << name << " entry " << i;
    }
    const auto stride = static_cast<std::size_t>(indexRowStride(oracle.width));
    for (int y = 0; y < oracle.height; ++y) {
        const std::uint8_t* row = reader.indexPlane() + y * stride;
        ASSERT_TRUE(std::equal(row, row + oracle.width, oracle.samples.begin() + y * oracle.width))
            << name << " index row " << y;
    }
}

TEST(PngSuite, EveryValidFileDecodesAsLibpngDecodesIt) {
    const auto files = suiteFiles(false);
    ASSERT_GT(files.size(), 150u);
    for (const auto& path : files) {
        const std::string name = path.filename().string();
        const auto bytes = test::readBytes(path);
        const test::OracleDecode oracle = test::decodePngBytesWithLibpng(bytes);
        PngReader reader;
        ASSERT_EQ(reader.read(bytes.data(), bytes.size()), 1)
            << name << ": " << reader.errors().utf8();
        ASSERT_EQ(reader.width(), oracle.width) << name;
        ASSERT_EQ(reader.height(), oracle.height) << name;
        EXPECT_EQ(test::unpadRows(reader.pixels(), reader.width(), reader.height()), oracle.bgr)
            << name;
        if (oracle.samples.empty()) {
            EXPECT_EQ(reader.paletteCount(), 0) << name;
        } else {
            expectPaletteAndIndices(reader, oracle, name);
        }
    }
}

TEST(PngSuite, CorruptFilesAreRefusedWithTheirMessageExceptForChunkCrcs) {
    const std::map<std::string, std::string> expected = {
        {"xc1n0g08.png", "カラータイプが不正です。"},
        {"xc9n2c08.png", "カラータイプが不正です。"},
        {"xcrn0g04.png", "シグニチャが不正です。"},
        {"xcsn0g01.png", ""},  // wrong IDAT CRC: read
        {"xd0n2c08.png", "サポートされていないビット数です。"},
        {"xd3n2c08.png", "サポートされていないビット数です。"},
        {"xd9n2c08.png", "サポートされていないビット数です。"},
        {"xdtn0g01.png", "イメージデータがありません。"},
        {"xhdn0g08.png", ""},  // wrong IHDR CRC: read
        {"xlfn0g04.png", "シグニチャが不正です。"},
        {"xs1n0g01.png", "シグニチャが不正です。"},
        {"xs2n0g01.png", "シグニチャが不正です。"},
        {"xs4n0g01.png", "シグニチャが不正です。"},
        {"xs7n0g01.png", "シグニチャが不正です。"},
    };
    const auto files = suiteFiles(true);
    ASSERT_EQ(files.size(), expected.size());
    for (const auto& path : files) {
        const std::string name = path.filename().string();
        ASSERT_TRUE(expected.count(name)) << name;
        const auto bytes = test::readBytes(path);
        PngReader reader;
        const int result = reader.read(bytes.data(), bytes.size());
        if (expected.at(name).empty()) {
            ASSERT_EQ(result, 1) << name << ": " << reader.errors().utf8();
            const test::OracleDecode oracle = test::decodePngBytesWithLibpng(bytes);
            EXPECT_EQ(test::unpadRows(reader.pixels(), reader.width(), reader.height()), oracle.bgr)
                << name;
        } else {
            EXPECT_EQ(result, 0) << name;
            EXPECT_EQ(reader.errors().utf8(), expected.at(name)) << name;
        }
    }
}

}  // namespace
}  // namespace pictrano
