#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imagelib/image/RowLayout.h"
#include "imagelib/png/PngReader.h"
#include "tests/support/PngOracle.h"
#include "tests/support/PngTestFiles.h"
#include "tests/support/ZlibOracle.h"

namespace pictrano {
namespace {

using test::Bytes;
using test::imageHeader;
using test::pngChunk;
using test::pngFile;
using test::zlibCompress;

const Bytes kEnd = pngChunk("IEND", {});

std::string readMessage(const Bytes& file) {
    PngReader reader;
    if (reader.read(file.data(), file.size()) != 0) return "(read)";
    return reader.errors().utf8();
}

// Filtered rows of a grey 8-bit picture: filter byte 0, then x + y.
Bytes greyRows(int width, int height, int filter = 0) {
    Bytes rows;
    for (int y = 0; y < height; ++y) {
        rows.push_back(static_cast<std::uint8_t>(filter));
        for (int x = 0; x < width; ++x) rows.push_back(static_cast<std::uint8_t>(x + y));
    }
    return rows;
}

Bytes greyFile(int width, int height) {
    return pngFile({imageHeader(width, height, 8, 0),
                    pngChunk("IDAT", zlibCompress(greyRows(width, height))), kEnd});
}

// An indexed 8-bit picture whose pixels are index 0 except the last, which is `lastIndex`.
Bytes indexedFile(const Bytes& plte, std::uint8_t lastIndex) {
    Bytes rows = {0, 0, 0, 0, 0, 0, 0, lastIndex};
    std::vector<Bytes> chunks = {imageHeader(3, 2, 8, 3)};
    if (!plte.empty()) chunks.push_back(pngChunk("PLTE", plte));
    chunks.push_back(pngChunk("IDAT", zlibCompress(rows)));
    chunks.push_back(kEnd);
    return pngFile(chunks);
}

TEST(PngReader, RefusesEachFaultWithItsMessage) {
    const Bytes greyData = pngChunk("IDAT", zlibCompress(greyRows(4, 4)));
    Bytes shortHeader = imageHeader(4, 4, 8, 0);
    shortHeader.erase(shortHeader.begin() + 20);  // 12 data bytes, length still says 13
    shortHeader[3] = 12;
    Bytes badFilter = greyRows(4, 4);
    badFilter[10] = 5;  // the filter byte of the second row
    const Bytes plte2 = {10, 20, 30, 40, 50, 60};
    Bytes blockType3 = zlibCompress(greyRows(4, 4));
    blockType3[2] = 0xFF;
    const struct {
        const char* what;
        Bytes file;
        std::string message;
    } cases[] = {
        {"nothing", {}, "シグニチャが不正です。"},
        {"the signature alone", pngFile({}), "イメージヘッダがありません。"},
        {"no image header", pngFile({greyData, kEnd}), "イメージヘッダがありません。"},
        {"an image header of 12 bytes", pngFile({shortHeader, greyData, kEnd}),
         "イメージヘッダが不正です。"},
        {"width 0", pngFile({imageHeader(0, 4, 8, 0), greyData, kEnd}),
         "イメージヘッダが不正です。"},
        {"height 0", pngFile({imageHeader(4, 0, 8, 0), greyData, kEnd}),
         "イメージヘッダが不正です。"},
        {"width 2^31", pngFile({imageHeader(0x80000000u, 1, 8, 0), greyData, kEnd}),
         "イメージヘッダが不正です。"},
        {"a picture beyond the limit", pngFile({imageHeader(100000, 100000, 8, 0), greyData, kEnd}),
         "メモリが不足しています。"},
        {"compression method 1", pngFile({imageHeader(4, 4, 8, 0, 0, 1), greyData, kEnd}),
         "この圧縮形式には対応しておりません。"},
        {"colour type 5", pngFile({imageHeader(4, 4, 8, 5), greyData, kEnd}),
         "カラータイプが不正です。"},
        {"colour type 7", pngFile({imageHeader(4, 4, 8, 7), greyData, kEnd}),
         "カラータイプが不正です。"},
        {"grey of 3 bits", pngFile({imageHeader(4, 4, 3, 0), greyData, kEnd}),
         "サポートされていないビット数です。"},
        {"RGB of 4 bits", pngFile({imageHeader(4, 4, 4, 2), greyData, kEnd}),
         "サポートされていないビット数です。"},
        {"grey and alpha of 1 bit", pngFile({imageHeader(4, 4, 1, 4), greyData, kEnd}),
         "サポートされていないビット数です。"},
        {"indexed of 16 bits", pngFile({imageHeader(4, 4, 16, 3), greyData, kEnd}),
         "サポートされていないビット深度です。"},
        {"interlace method 2", pngFile({imageHeader(4, 4, 8, 0, 2), greyData, kEnd}),
         "サポートされていないインタレース形式です。"},
        {"no image data and interlace method 2", pngFile({imageHeader(4, 4, 8, 0, 2), kEnd}),
         "サポートされていないインタレース形式です。"},
        {"empty image data", pngFile({imageHeader(4, 4, 8, 0), pngChunk("IDAT", {}), kEnd}),
         "イメージデータがありません。"},
        {"filter type 5",
         pngFile({imageHeader(4, 4, 8, 0), pngChunk("IDAT", zlibCompress(badFilter)), kEnd}),
         "サポートされていないフィルター形式です。"},
        {"a stream that stops short", pngFile({imageHeader(4, 5, 8, 0), greyData, kEnd}),
         "サポートされていないフィルター形式です。"},
        {"data far too small for the picture",
         pngFile({imageHeader(8000, 8000, 8, 6), greyData, kEnd}),
         "サポートされていないフィルター形式です。"},
        {"no palette", indexedFile({}, 0), "パレットエントリーがありません。"},
        {"a palette of 2 bytes", indexedFile({1, 2}, 0), "パレットエントリーがありません。"},
        {"a palette of 257 entries", indexedFile(Bytes(3 * 257, 7), 0),
         "サポートされていないパレット数です。"},
        {"an index beyond the palette", indexedFile(plte2, 2), "パレット番号が不正です。"},
        // The Deflate decoder's failures reach the caller with its message.
        {"a block of type 3", pngFile({imageHeader(4, 4, 8, 0), pngChunk("IDAT", blockType3), kEnd}),
         "符号フラグが不正です。"},
        {"more data than rows", pngFile({imageHeader(4, 3, 8, 0), greyData, kEnd}), "データが長すぎます。"},
    };
    for (const auto& c : cases) EXPECT_EQ(readMessage(c.file), c.message) << c.what;
}

TEST(PngReader, ReadsPastAncillaryChunksSplitDataWrongCrcsAndBytesAfterTheEnd) {
    const Bytes reference = greyFile(5, 3);
    PngReader expected;
    ASSERT_EQ(expected.read(reference.data(), reference.size()), 1) << expected.errors().utf8();

    const Bytes data = zlibCompress(greyRows(5, 3));
    const Bytes first(data.begin(), data.begin() + 5);
    const Bytes second(data.begin() + 5, data.end());
    Bytes wrongCrc = pngChunk("IDAT", second);
    wrongCrc.back() ^= 0x55;
    Bytes junk(40, 0xEE);
    // Many chunks cost time in proportion to their number.
    std::vector<Bytes> manyChunks = {imageHeader(5, 3, 8, 0)};
    manyChunks.insert(manyChunks.end(), 200000, pngChunk("IDAT", {}));
    manyChunks.push_back(pngChunk("IDAT", data));
    const std::vector<Bytes> variants = {
        pngFile({imageHeader(5, 3, 8, 0), pngChunk("gAMA", {0, 0, 0xB1, 0x8F}),
                 pngChunk("IDAT", first), pngChunk("tEXt", {'a', 0, 'b'}), pngChunk("IDAT", second),
                 kEnd}),
        pngFile({imageHeader(5, 3, 8, 0), pngChunk("IDAT", first), wrongCrc, kEnd}),
        pngFile({imageHeader(5, 3, 8, 0), pngChunk("IDAT", data), kEnd, junk}),
        pngFile(manyChunks),
        // A file cut inside its end chunk still holds every row.
        Bytes(reference.begin(), reference.end() - 6),
    };
    for (std::size_t i = 0; i < variants.size(); ++i) {
        PngReader reader;
        ASSERT_EQ(reader.read(variants[i].data(), variants[i].size()), 1)
            << i << ": " << reader.errors().utf8();
        EXPECT_EQ(test::unpadRows(reader.pixels(), 5, 3), test::unpadRows(expected.pixels(), 5, 3))
            << i;
    }
}

TEST(PngReader, PaletteSizesFollowThePaletteChunk) {
    for (const auto& [bytes, entries] :
         std::vector<std::pair<std::size_t, int>>{{3, 1}, {7, 2}, {768, 256}}) {
        Bytes plte(bytes);
        for (std::size_t i = 0; i < bytes; ++i) plte[i] = static_cast<std::uint8_t>(i * 5);
        PngReader reader;
        const Bytes file = indexedFile(plte, static_cast<std::uint8_t>(entries - 1));
        ASSERT_EQ(reader.read(file.data(), file.size()), 1)
            << bytes << ": " << reader.errors().utf8();
        EXPECT_EQ(reader.paletteCount(), entries);
        const std::uint8_t* last = reader.palette() + 4 * (entries - 1);
        EXPECT_EQ(last[2], plte[3 * (entries - 1)]) << "red of the last entry";
        EXPECT_EQ(last[0], plte[3 * (entries - 1) + 2]) << "blue of the last entry";
        EXPECT_EQ(reader.indexPlane()[4 + 2], entries - 1) << "the last pixel's index";
    }
}

// Every colour type and depth, plain and interlaced, at sizes with empty Adam7 passes and odd
// widths, written by libpng with its own filter choices, decodes as libpng decodes it.
TEST(PngReader, PicturesWrittenByLibpngDecodeAsLibpngDecodesThem) {
    const std::vector<std::pair<int, int>> formats = {{0, 1}, {0, 2},  {0, 4},  {0, 8}, {0, 16},
                                                      {2, 8}, {2, 16}, {3, 1},  {3, 2}, {3, 4},
                                                      {3, 8}, {4, 8},  {4, 16}, {6, 8}, {6, 16}};
    // Widths of every remainder modulo 4, so that rows both shrink and grow on conversion.
    const std::vector<std::pair<int, int>> sizes = {{1, 1}, {1, 9}, {9, 1},   {2, 7}, {3, 5},
                                                    {4, 3}, {6, 5}, {17, 13}, {34, 7}};
    std::uint32_t seed = 1;
    for (const auto& [colourType, bitDepth] : formats) {
        for (const auto& [width, height] : sizes) {
            for (const bool interlaced : {false, true}) {
                const auto picture =
                    test::randomPicture(seed++, width, height, colourType, bitDepth, interlaced);
                const Bytes file = test::encodeWithLibpng(picture);
                const auto oracle = test::decodePngBytesWithLibpng(file);
                PngReader reader;
                const std::string what = "type " + std::to_string(colourType) + " depth " +
                                         std::to_string(bitDepth) + " " + std::to_string(width) +
                                         "x" + std::to_string(height) +
                                         (interlaced ? " Adam7" : "");
                ASSERT_EQ(reader.read(file.data(), file.size()), 1)
                    << what << ": " << reader.errors().utf8();
                ASSERT_EQ(test::unpadRows(reader.pixels(), width, height), oracle.bgr) << what;
                if (oracle.samples.empty()) continue;
                const auto stride = static_cast<std::size_t>(indexRowStride(width));
                for (int y = 0; y < height; ++y) {
                    ASSERT_TRUE(std::equal(reader.indexPlane() + y * stride,
                                           reader.indexPlane() + y * stride + width,
                                           oracle.samples.begin() + y * width))
                        << what << " row " << y;
                }
            }
        }
    }
}

// Cut and damaged files fail cleanly or decode; run under the sanitizers this proves that no
// input makes the reader touch memory outside its buffers.
TEST(PngReader, TruncatedAndCorruptedFilesFailCleanly) {
    std::vector<Bytes> files;
    std::uint32_t seed = 7;
    for (const auto& [colourType, bitDepth] :
         std::vector<std::pair<int, int>>{{3, 4}, {2, 16}, {0, 1}, {6, 8}}) {
        for (const bool interlaced : {false, true}) {
            files.push_back(test::encodeWithLibpng(
                test::randomPicture(seed++, 13, 11, colourType, bitDepth, interlaced)));
        }
    }
    std::mt19937 random(99);
    for (const Bytes& file : files) {
        for (std::size_t length = 0; length < file.size(); ++length) {
            PngReader reader;
            if (reader.read(file.data(), length) == 0) {
                EXPECT_NE(reader.errors().utf8(), "") << "prefix " << length;
            }
        }
        for (int trial = 0; trial < 1500; ++trial) {
            Bytes damaged = file;
            for (int flips = 1 + trial % 4; flips > 0; --flips) {
                damaged[8 + random() % (damaged.size() - 8)] ^=
                    static_cast<std::uint8_t>(1 + random() % 255);
            }
            PngReader reader;
            if (reader.read(damaged.data(), damaged.size()) == 1) {
                EXPECT_GE(reader.width(), 1);
                EXPECT_NE(reader.pixels(), nullptr);
            } else {
                EXPECT_NE(reader.errors().utf8(), "");
            }
        }
    }
}

}  // namespace
}  // namespace pictrano
