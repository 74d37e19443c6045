#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/JpegDecoder.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/JpegOracle.h"
#include "platform/TextConversion.h"
#include "tests/support/Pnm.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::Bytes;

using test::corpusFile;

std::string readMessage(const Bytes& file) {
    JpegDecoder decoder;
    EXPECT_EQ(decoder.read(file.data(), file.size()), 0);
    EXPECT_EQ(std::u16string(decoder.errors().wide()), utf8ToUtf16(decoder.errors().utf8()));
    return decoder.errors().utf8();
}


TEST(JpegDecoder, TheMarkerWalkReportsEachKindOfFault) {
    const Bytes file = corpusFile("generated/base-grey.jpg");
    const std::size_t frame = test::findMarker(file, 0xC0);
    const std::size_t scan = test::findMarker(file, 0xDA);
    const std::size_t huffman = test::findMarker(file, 0xC4);
    const std::size_t quant = test::findMarker(file, 0xDB);
    auto changed = [&](std::size_t at, std::uint8_t value) { return test::changed(file, at, value); };
    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    };
    const Case cases[] = {
        {"no marker where one is due", changed(2, 0x00), "タグがありません。"},
        {"0xFF 0xFF where a marker is due", changed(3, 0xFF), "対応していないタグ(0xff)がありました。"},
        {"a restart marker outside a scan", test::inserted(file, frame, {0xFF, 0xD3}), "対応していないタグ(0xd3)がありました。"},
        {"a JPG marker", test::inserted(file, frame, test::jpegSegment(0xC8, {1, 2})), "対応していないタグ(0xc8)がありました。"},
        {"a frame whose length disagrees", changed(frame + 3, 12), "フレームの解析に失敗しました。"},
        {"a Huffman table longer than its segment", changed(huffman + 3, 10), "ハフマンテーブルの解析に失敗しました。"},
        {"a quantisation table of precision 2", changed(quant + 4, 0x20), "量子化テーブルの解析に失敗しました。"},
        {"a scan header whose length disagrees", changed(scan + 3, 9), "スキャンデータの解析に失敗しました。"},
        {"an application segment past the end", {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x09, 1, 2}, "アプリケーションデータセグメントの解析に失敗しました。"},
        {"a comment of length 1", test::inserted(file, frame, {0xFF, 0xFE, 0x00, 0x01}), "コメントセグメントの解析に失敗しました。"},
        {"a DRI of length 5", test::inserted(file, frame, {0xFF, 0xDD, 0, 5, 0, 1, 0}), "リスタートインターバル長が不正です。"},
        {"a DNL of length 3", test::inserted(file, frame, {0xFF, 0xDC, 0, 3, 0}), "リスタートインターバル長が不正です。"},
        {"no frame", {0xFF, 0xD8, 0xFF, 0xD9}, "フレームデータがありません。2"},
        {"a hierarchical frame", changed(frame + 1, 0xC5), "対応していない形式です。"},
        {"arithmetic-coding conditioning", test::inserted(file, frame, test::jpegSegment(0xCC, {0x00, 0x10})), "対応していない形式です。"},
        {"no scan", Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(scan)), "スキャンデータがありません。"},
        {"a frame without lines and no DNL", [&] {
             Bytes out = changed(frame + 5, 0);
             out[frame + 6] = 0;
             return out;
         }(),
         "フレーム情報がありません。"},
    };
    for (const Case& c : cases) EXPECT_EQ(readMessage(c.file), c.message) << c.what;
}

TEST(JpegDecoder, DataWithoutEoiIsDecodedAsIfItFollowed) {
    const Bytes file = corpusFile("generated/base-420.jpg");
    JpegDecoder whole, cut;
    ASSERT_EQ(whole.read(file.data(), file.size()), 1);
    ASSERT_EQ(cut.read(file.data(), file.size() - 2), 1) << cut.errors().utf8();
    EXPECT_EQ(test::pictureSamples(cut), test::pictureSamples(whole));
    // Trailing bytes after EOI are not read.
    Bytes trailing = file;
    trailing.insert(trailing.end(), {0x12, 0x34});
    JpegDecoder withTrailing;
    EXPECT_EQ(withTrailing.read(trailing.data(), trailing.size()), 1);
}

TEST(JpegDecoder, ADnlSegmentGivesTheNumberOfLines) {
    const Bytes file = corpusFile("generated/base-420.jpg");
    const std::size_t frame = test::findMarker(file, 0xC0);
    const int lines = file[frame + 5] << 8 | file[frame + 6];
    Bytes withoutLines = file;
    withoutLines[frame + 5] = withoutLines[frame + 6] = 0;
    const Bytes dnl = {0xFF, 0xDC, 0x00, 0x04, static_cast<std::uint8_t>(lines >> 8), static_cast<std::uint8_t>(lines)};
    const Bytes withDnl = test::inserted(withoutLines, withoutLines.size() - 2, dnl);
    JpegDecoder original, decoder;
    ASSERT_EQ(original.read(file.data(), file.size()), 1);
    ASSERT_EQ(decoder.read(withDnl.data(), withDnl.size()), 1) << decoder.errors().utf8();
    EXPECT_EQ(decoder.height(), lines);
    EXPECT_EQ(test::pictureSamples(decoder), test::pictureSamples(original));
    EXPECT_EQ(decoder.stream().frames.get(0)->lines, lines);
}

TEST(JpegDecoder, TheLastOfTwoDriSegmentsGivesTheInterval) {
    // The file restarts every 3 MCUs; an earlier DRI claiming 5 is overridden.
    const Bytes file = corpusFile("generated/base-restart.jpg");
    const std::size_t first = test::findMarker(file, 0xDD);
    ASSERT_LT(first, file.size());
    const Bytes withTwo = test::inserted(file, test::findMarker(file, 0xDB), {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x05});
    JpegDecoder original, decoder;
    ASSERT_EQ(original.read(file.data(), file.size()), 1);
    ASSERT_EQ(decoder.read(withTwo.data(), withTwo.size()), 1) << decoder.errors().utf8();
    EXPECT_EQ(decoder.restartInterval(), 3);
    EXPECT_EQ(test::pictureSamples(decoder), test::pictureSamples(original));
    // The other way round the wrong interval wins, and the markers no longer line up.
    const Bytes swapped = test::inserted(file, first + 6, {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x05});
    JpegDecoder wrong;
    const bool decoded = wrong.read(swapped.data(), swapped.size()) == 1;
    EXPECT_EQ(wrong.restartInterval(), 5);
    EXPECT_TRUE(!decoded || test::pictureSamples(wrong) != test::pictureSamples(original));
}

TEST(JpegDecoder, ScanDataThatEndsTooEarlyFailsSequentialAndLosslessFiles) {
    for (const char* name : {"generated/base-420.jpg", "generated/base-grey-restart.jpg", "generated/lossless-grey-p2.jpg",
                             "generated/lossless-restart.jpg"}) {
        const Bytes file = corpusFile(name);
        const std::size_t cut = (test::findMarker(file, 0xDA) + file.size()) / 2;
        const std::string message = readMessage(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_TRUE(message == "一致するDC符号がありません。" || message == "一致するAC符号がありません。" ||
                    message == "スキャンデータがありません。")
            << name << ": " << message;
    }
}

TEST(JpegDecoder, AScanMayHoldMoreThanTenThousandRestartMarkers) {
    test::LibjpegSettings settings;
    settings.quality = 30;
    settings.restartInterval = 1;
    const test::LibjpegPicture picture = test::drawTestPicture(840, 800, 1);  // 105 x 100 MCUs
    const Bytes file = test::encodeWithLibjpeg(picture, settings);
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
    EXPECT_EQ(decoder.stream().scans.get(0)->restartPositions.size(), 105u * 100 - 1);
    const test::LibjpegPicture expected = test::decodeWithLibjpeg(file);
    std::vector<std::uint16_t> grey;
    const std::vector<std::uint16_t> samples = test::pictureSamples(decoder);
    for (std::size_t i = 0; i < samples.size(); i += 3) grey.push_back(samples[i]);
    EXPECT_GE(test::psnr(grey, std::vector<std::uint16_t>(expected.samples.begin(), expected.samples.end()), 255), 40.0);
}

TEST(JpegDecoder, AGreyPictureCanComeWithAGreyPalette) {
    for (const char* name : {"generated/base-grey.jpg", "generated/lossless-grey-p4.jpg", "generated/ext-12bit-grey.jpg",
                             "generated/lossless-12bit-grey.jpg"}) {
        SCOPED_TRACE(name);
        const Bytes file = corpusFile(name);
        JpegDecoder decoder;
        decoder.OutputFlags = 0x13;
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
        ASSERT_EQ(decoder.paletteCount(), 256);
        for (int i = 0; i < 256; ++i) {
            const std::uint8_t* entry = decoder.palette() + 4 * i;
            ASSERT_TRUE(entry[0] == i && entry[1] == i && entry[2] == i && entry[3] == 0) << i;
        }
        // Every index is its pixel's grey value, narrowed to 8 bits.
        const std::vector<std::uint16_t> samples = test::pictureSamples(decoder);
        const int shift = decoder.precision() - 8;
        for (int y = 0; y < decoder.height(); ++y) {
            for (int x = 0; x < decoder.width(); ++x) {
                const int index = decoder.indexPlane()[static_cast<std::size_t>(y) * indexRowStride(decoder.width()) + x];
                ASSERT_EQ(index, samples[3 * static_cast<std::size_t>(y * decoder.width() + x)] >> shift) << x << "," << y;
            }
        }
    }
    // Colour pictures and progressive ones come without.
    for (const char* name : {"generated/base-420.jpg", "generated/prog-grey.jpg", "generated/lossless-rgb-p1.jpg"}) {
        const Bytes file = corpusFile(name);
        JpegDecoder decoder;
        decoder.OutputFlags = 0x13;
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << name;
        EXPECT_EQ(decoder.paletteCount(), 0) << name;
        EXPECT_NE(decoder.pixels(), nullptr) << name;
    }
}

TEST(JpegDecoder, RawColourDeliversTheComponentsAsStored) {
    // libjpeg writes RGB components as they are; read raw, they come back as RGB.
    const test::LibjpegPicture picture = test::drawTestPicture(61, 37, 3);
    test::LibjpegSettings settings;
    settings.keepRgb = true;
    settings.horizontal = {1, 1, 1};
    settings.vertical = {1, 1, 1};
    settings.quality = 95;
    const Bytes file = test::encodeWithLibjpeg(picture, settings);
    const test::LibjpegPicture expected = test::decodeWithLibjpeg(file);
    std::vector<std::uint16_t> rgb(expected.samples.begin(), expected.samples.end());

    JpegDecoder raw, converted;
    raw.ColourMode = 2;
    ASSERT_EQ(raw.read(file.data(), file.size()), 1);
    ASSERT_EQ(converted.read(file.data(), file.size()), 1);
    auto asRgb = [](const JpegDecoder& decoder) { return test::swappedRedBlue(test::pictureSamples(decoder)); };
    EXPECT_GE(test::psnr(asRgb(raw), rgb, 255), 40.0);
    EXPECT_LT(test::psnr(asRgb(converted), rgb, 255), 20.0) << "converting RGB as YCbCr is far off";

    // The lossless half of the colour mode leaves DCT files alone.
    JpegDecoder losslessRaw;
    losslessRaw.ColourMode = 0x200;
    ASSERT_EQ(losslessRaw.read(file.data(), file.size()), 1);
    EXPECT_EQ(test::pictureSamples(losslessRaw), test::pictureSamples(converted));
}

TEST(JpegDecoder, RowsAreStoredTopDownOrBottomUpAsAsked) {
    for (const char* name : {"generated/base-17x13.jpg", "generated/prog-17x13.jpg", "generated/lossless-12bit-grey.jpg"}) {
        const Bytes file = corpusFile(name);
        JpegDecoder topDown, bottomUp;
        bottomUp.OutputFlags = 0x01;
        ASSERT_EQ(topDown.read(file.data(), file.size()), 1);
        ASSERT_EQ(bottomUp.read(file.data(), file.size()), 1);
        const std::vector<std::uint16_t> down = test::pictureSamples(topDown), up = test::pictureSamples(bottomUp);
        const auto row = static_cast<std::size_t>(3 * topDown.width());
        for (int y = 0; y < topDown.height(); ++y) {
            const auto mirrored = static_cast<std::size_t>(topDown.height() - 1 - y);
            ASSERT_TRUE(std::equal(down.begin() + static_cast<std::ptrdiff_t>(y * row),
                                   down.begin() + static_cast<std::ptrdiff_t>((y + 1) * row),
                                   up.begin() + static_cast<std::ptrdiff_t>(mirrored * row)))
                << name << " row " << y;
        }
    }
}

TEST(JpegDecoder, FramesThatCannotBeDecodedAreRefusedBeforeAnySample) {
    const Bytes grey = corpusFile("generated/base-grey.jpg");
    const Bytes colour = corpusFile("generated/base-420.jpg");
    const std::size_t frame = test::findMarker(colour, 0xC0);
    using test::changed;
    // Two components: drop the third from the frame (its segment shrinks by 3 bytes).
    Bytes two = colour;
    two.erase(two.begin() + static_cast<std::ptrdiff_t>(frame + 16), two.begin() + static_cast<std::ptrdiff_t>(frame + 19));
    two[frame + 3] = 14;
    two[frame + 9] = 2;
    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    };
    // The first scan holding only the first component: the components spread over scans.
    const std::size_t scan = test::findMarker(colour, 0xDA);
    Bytes firstScanOfOne = colour;
    firstScanOfOne.erase(firstScanOfOne.begin() + static_cast<std::ptrdiff_t>(scan + 7),
                         firstScanOfOne.begin() + static_cast<std::ptrdiff_t>(scan + 11));
    firstScanOfOne[scan + 3] = 8;
    firstScanOfOne[scan + 4] = 1;
    const Case cases[] = {
        {"two components", two, "フレーム数が不正です。"},
        {"a first scan with fewer components than the frame", firstScanOfOne, "対応していない形式です。"},
        {"a precision of 10 bits", changed(grey, test::findMarker(grey, 0xC0) + 4, 10), "対応していない形式です。"},
        {"factors 3 and 2 that do not divide", changed(colour, frame + 14, 0x31), "対応していない形式です。"},
        {"a quantisation table that is not there", changed(grey, test::findMarker(grey, 0xC0) + 12, 3), "ハフマンテーブルや量子テーブルを取得できません。"},
        {"a size beyond the library's limits", changed(changed(grey, test::findMarker(grey, 0xC0) + 5, 0xFF), test::findMarker(grey, 0xC0) + 7, 0xFF),
         "メモリが不足しています。"},
    };
    for (const Case& c : cases) EXPECT_EQ(readMessage(c.file), c.message) << c.what;
}

TEST(JpegDecoder, EveryDecoderHasItsOwnWorkingState) {
    // Decodes on several threads at once give each its own picture.
    const Bytes files[] = {corpusFile("generated/base-420.jpg"), corpusFile("generated/prog-444.jpg"),
                           corpusFile("generated/base-grey-restart.jpg"), corpusFile("generated/lossless-grey-p7.jpg")};
    std::vector<std::vector<std::uint16_t>> expected;
    for (const Bytes& file : files) {
        JpegDecoder decoder;
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1);
        expected.push_back(test::pictureSamples(decoder));
    }
    std::vector<std::thread> threads;
    std::vector<int> mismatches(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 6; ++round) {
                const std::size_t which = static_cast<std::size_t>((t + round) % 4);
                JpegDecoder decoder;
                if (decoder.read(files[which].data(), files[which].size()) != 1 ||
                    test::pictureSamples(decoder) != expected[which]) {
                    ++mismatches[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(8, 0));
}

}  // namespace
}  // namespace pictrano
