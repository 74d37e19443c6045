#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/JpegDecoder.h"
#include "tests/jpeg/JpegTestFiles.h"

namespace pictrano {
namespace {

using test::BitWriter;
using test::Bytes;

using test::annexK;
using test::AnnexK;

// A sequential 8-bit file with every quantiser 1: one grey component, or three (Y 1, Cb 2,
// Cr 3) with the given factors of Y; Annex K tables (set 0 for Y, set 1 for chroma).
Bytes sequentialFile(int width, int height, const Bytes& coded, int components = 1,
                     int restartInterval = 0, int lumaFactors = 0x11, const Bytes& huffman = {}) {
    Bytes file = {0xFF, 0xD8};
    auto add = [&](const Bytes& piece) { file.insert(file.end(), piece.begin(), piece.end()); };
    Bytes quant(65, 1);
    quant[0] = 0x00;
    add(test::jpegSegment(0xDB, quant));
    Bytes frame = {8, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                   static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width),
                   static_cast<std::uint8_t>(components)};
    Bytes scan = {static_cast<std::uint8_t>(components)};
    for (int c = 1; c <= components; ++c) {
        frame.insert(frame.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c == 1 ? lumaFactors : 0x11), 0});
        scan.insert(scan.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c == 1 ? 0x00 : 0x11)});
    }
    scan.insert(scan.end(), {0, 63, 0});
    add(test::jpegSegment(0xC0, frame));
    add(huffman.empty() ? test::annexKHuffmanSegments() : huffman);
    if (restartInterval > 0) {
        add(test::jpegSegment(0xDD, {static_cast<std::uint8_t>(restartInterval >> 8), static_cast<std::uint8_t>(restartInterval)}));
    }
    add(test::jpegSegment(0xDA, scan));
    add(coded);
    add({0xFF, 0xD9});
    return file;
}

// The grey value of every block of a one-row grey picture (rows top-down), from its first
// pixel.
std::vector<int> blockValues(const JpegDecoder& decoder) {
    std::vector<int> values;
    const auto* pixels = static_cast<const std::uint8_t*>(decoder.pixels());
    for (int x = 0; x < decoder.width(); x += 8) values.push_back(pixels[3 * x]);
    return values;
}

// A flat block of DC value d (all quantisers 1) is ((32d + 128) >> 8) + 128 everywhere.
int flat(int dc) { return ((32 * dc + 128) >> 8) + 128; }

TEST(SequentialDecoding, BlocksEndAtTheirLastCoefficientOrTheirEndOfBlock) {
    struct Case {
        const char* what;
        std::function<void(BitWriter&)> firstBlock;
        std::string message;  // empty: decodes, and the second block's DC follows directly
    };
    const AnnexK& k = annexK();
    const Case cases[] = {
        {"coefficient at index 63, no end of block",
         [&](BitWriter& out) {
             k.dc(out, 0);
             for (int i = 0; i < 3; ++i) k.ac(out, 15, 0);  // 48 zeros: indices 1 to 48
             k.ac(out, 14, 5);                              // 14 zeros, then index 63
         },
         ""},
        {"sixteen zeros from index 48 complete the block",
         [&](BitWriter& out) {
             k.dc(out, 0);
             k.ac(out, 14, 3);  // index 15
             for (int i = 0; i < 3; ++i) k.ac(out, 15, 0);  // 16 to 63
         },
         ""},
        {"sixteen zeros from index 49 are too many",
         [&](BitWriter& out) {
             k.dc(out, 0);
             k.ac(out, 15, 3);  // index 16
             for (int i = 0; i < 3; ++i) k.ac(out, 15, 0);
         },
         "ZRLが長すぎます。"},
        {"a run of 1 at index 63 is too long",
         [&](BitWriter& out) {
             k.dc(out, 0);
             for (int i = 0; i < 3; ++i) k.ac(out, 15, 0);
             k.ac(out, 13, 2);  // index 62
             k.ac(out, 1, 2);
         },
         "データが長すぎます。"},
        {"a DC code that matches nothing",
         [&](BitWriter& out) { out.put(0x1FF, 9); },  // nine 1 bits: no Annex K DC code
         "一致するDC符号がありません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitWriter out;
        c.firstBlock(out);
        k.dc(out, 200);
        k.endOfBlock(out);
        JpegDecoder decoder;
        const auto result = test::decode(decoder, sequentialFile(16, 8, out.finish()));
        if (!c.message.empty()) {
            EXPECT_EQ(result.status, 0);
            EXPECT_EQ(result.message, c.message);
            continue;
        }
        ASSERT_EQ(result.status, 1) << result.message;
        EXPECT_EQ(blockValues(decoder)[1], flat(200));
    }
}

TEST(SequentialDecoding, AnEndOfBandRunInASequentialScanEndsTheBlockAfterItsBits) {
    // An AC table with the end-of-band run symbol 0x30 (code 01), which takes three bits.
    const Bytes acTable = {0x10, 0, 3, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x30, 0x01, 0xF0, 0x11};
    Bytes huffman = test::annexKDcLuminanceSegment();
    const Bytes ac = test::jpegSegment(0xC4, acTable);
    huffman.insert(huffman.end(), ac.begin(), ac.end());
    BitWriter out;
    annexK().dc(out, 0);
    out.put(0b01, 2);   // end of band, run 3
    out.put(0b101, 3);  // its three bits
    annexK().dc(out, 100);
    out.put(0b00, 2);   // end of block
    JpegDecoder decoder;
    const auto result = test::decode(decoder, sequentialFile(16, 8, out.finish(), 1, 0, 0x11, huffman));
    ASSERT_EQ(result.status, 1) << result.message;
    EXPECT_EQ(blockValues(decoder), (std::vector<int>{flat(0), flat(100)}));
}

TEST(SequentialDecoding, TheDcPredictorAddsDifferencesInSixteenBits) {
    const AnnexK& k = annexK();
    BitWriter out;
    std::vector<int> expected;
    for (int i = 0; i < 16; ++i) {
        k.dc(out, 2047);  // up to 32,752
        k.endOfBlock(out);
    }
    k.dc(out, 0);    // unchanged
    k.endOfBlock(out);
    k.dc(out, 15);   // 32,767
    k.endOfBlock(out);
    k.dc(out, 1);    // wraps to -32,768
    k.endOfBlock(out);
    JpegDecoder decoder;
    const auto result = test::decode(decoder, sequentialFile(19 * 8, 8, out.finish()));
    ASSERT_EQ(result.status, 1) << result.message;
    const std::vector<int> values = blockValues(decoder);
    EXPECT_EQ(values[15], 255);
    EXPECT_EQ(values[16], 255);
    EXPECT_EQ(values[17], 255);
    EXPECT_EQ(values[18], 0) << "the predictor wrapped to -32,768";
}

// Four MCUs with a restart interval of 2: the third is read after the first restart marker
// with every predictor back at 0.
Bytes restartCoded(int components, bool withMarker) {
    const AnnexK& k = annexK();
    BitWriter out;
    for (int mcu = 0; mcu < 4; ++mcu) {
        if (mcu == 2 && withMarker) out.marker(0xD0);
        for (int c = 0; c < components; ++c) {
            k.dc(out, 100 + 10 * c, c == 0 ? 0 : 1);
            k.endOfBlock(out, c == 0 ? 0 : 1);
        }
    }
    return out.finish();
}

TEST(SequentialDecoding, RestartIntervalsResetThePredictorsInGreyAndColourPictures) {
    JpegDecoder grey;
    auto result = test::decode(grey, sequentialFile(32, 8, restartCoded(1, true), 1, 2));
    ASSERT_EQ(result.status, 1) << result.message;
    EXPECT_EQ(blockValues(grey), (std::vector<int>{flat(100), flat(200), flat(100), flat(200)}));

    JpegDecoder colour;
    colour.ColourMode = 2;  // components as stored: blue Cr, green Cb, red Y
    result = test::decode(colour, sequentialFile(32, 8, restartCoded(3, true), 3, 2));
    ASSERT_EQ(result.status, 1) << result.message;
    const auto* pixels = static_cast<const std::uint8_t*>(colour.pixels());
    for (int mcu = 0; mcu < 4; ++mcu) {
        const int times = mcu % 2 + 1;
        const std::uint8_t* pixel = pixels + 3 * 8 * mcu;
        EXPECT_EQ(pixel[2], flat(100 * times)) << mcu;
        EXPECT_EQ(pixel[1], flat(110 * times)) << mcu;
        EXPECT_EQ(pixel[0], flat(120 * times)) << mcu;
    }

    // Without the marker there is no place to restart from.
    for (int components : {1, 3}) {
        JpegDecoder missing;
        result = test::decode(missing, sequentialFile(32, 8, restartCoded(components, false), components, 2));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.message, "スキャンデータがありません。");
    }
}

TEST(SequentialDecoding, ThreeComponentsUpSampleByReplication) {
    // A 16 x 16 picture with Y 2 x 2: one MCU of four Y blocks and one block each of Cb and Cr.
    const AnnexK& k = annexK();
    BitWriter out;
    int dc = 0;
    for (int block = 0; block < 4; ++block) {
        k.dc(out, 40 * block - dc);
        dc = 40 * block;
        k.endOfBlock(out);
    }
    k.dc(out, 0, 1);
    k.ac(out, 0, 100, 1);  // Cb varies from left to right
    k.endOfBlock(out, 1);
    k.dc(out, 0, 1);
    k.endOfBlock(out, 1);
    JpegDecoder decoder;
    decoder.ColourMode = 2;
    const auto result = test::decode(decoder, sequentialFile(16, 16, out.finish(), 3, 0, 0x22));
    ASSERT_EQ(result.status, 1) << result.message;
    const auto* pixels = static_cast<const std::uint8_t*>(decoder.pixels());
    const auto stride = static_cast<std::size_t>(pixelRowStride(16));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* pixel = pixels + static_cast<std::size_t>(y) * stride + 3 * static_cast<std::size_t>(x);
            EXPECT_EQ(pixel[2], flat(40 * ((y / 8) * 2 + x / 8))) << x << "," << y;
            // Each chroma sample covers a 2 x 2 square: the pixel matches its neighbours.
            const std::uint8_t* square = pixels + static_cast<std::size_t>(y / 2 * 2) * stride + 3 * static_cast<std::size_t>(x / 2 * 2);
            EXPECT_EQ(pixel[1], square[1]) << x << "," << y;
        }
    }
    EXPECT_GT(pixels[1], pixels[3 * 15 + 1]) << "Cb falls from left to right";
}

}  // namespace
}  // namespace pictrano
