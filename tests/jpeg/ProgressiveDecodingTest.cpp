#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "imagelib/jpeg/JpegDecoder.h"
#include "imagelib/jpeg/JpegZigZag.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/JpegOracle.h"
#include "tests/support/Pnm.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::BitWriter;
using test::Bytes;

using test::corpusFile;

// A progressive grey file of 8-bit samples, all quantisers `quantiser`: the Annex K DC
// luminance table and an AC table whose symbols 0x00 (end of band), 0x20 (run of 4 + 2 bits),
// 0x01 and 0x11 (coefficients of one bit) and 0xF0 have the 3-bit codes 000 to 100.
struct Scan {
    int start, end, high, low;
    Bytes coded;
};
Bytes progressiveGrey(int width, const std::vector<Scan>& scans, int quantiser = 1) {
    Bytes file = {0xFF, 0xD8};
    auto add = [&](const Bytes& piece) { file.insert(file.end(), piece.begin(), piece.end()); };
    Bytes quant(65, static_cast<std::uint8_t>(quantiser));
    quant[0] = 0;
    add(test::jpegSegment(0xDB, quant));
    add(test::jpegSegment(0xC2, {8, 0, 8, static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), 1, 1, 0x11, 0}));
    add(test::annexKDcLuminanceSegment());
    add(test::jpegSegment(0xC4, {0x10, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x20, 0x01, 0x11, 0xF0}));
    for (const Scan& scan : scans) {
        add(test::jpegSegment(0xDA, {1, 1, 0x00, static_cast<std::uint8_t>(scan.start), static_cast<std::uint8_t>(scan.end),
                                     static_cast<std::uint8_t>(scan.high << 4 | scan.low)}));
        add(scan.coded);
    }
    add({0xFF, 0xD9});
    return file;
}

Bytes bits(const std::function<void(BitWriter&)>& write) {
    BitWriter out;
    write(out);
    return out.finish();
}

std::int16_t coefficient(const JpegDecoder& decoder, int block, int zigzag) {
    return decoder.coefficients()[0][static_cast<std::size_t>(64 * block + kZigZagToNatural[static_cast<std::size_t>(zigzag)])];
}

TEST(ProgressiveDecoding, RefinementBitsSetTheNextBitOfEachCoefficient) {
    // DC: a first pass with Al 1 gives -4, 0 and 6 (differences -2, +2, +3); bits 1 set bit 0.
    // AC: a first pass with Al 1 gives -2 (index 1) and 2 (index 2); correction bits 1 move them
    // away from zero by 1.
    const Bytes file = progressiveGrey(24, {
        {0, 0, 0, 1, bits([](BitWriter& out) { test::annexK().dc(out, -2); test::annexK().dc(out, 2); test::annexK().dc(out, 3); })},
        {0, 0, 1, 0, bits([](BitWriter& out) { out.put(0b111, 3); })},
        {1, 2, 0, 1, bits([](BitWriter& out) {
             out.put(0b010, 3); out.put(0, 1);  // 0/1: -1 at index 1
             out.put(0b010, 3); out.put(1, 1);  // 0/1: +1 at index 2
             out.put(0b000, 3);                 // next block: end of band
             out.put(0b000, 3);
         })},
        {1, 2, 1, 0, bits([](BitWriter& out) {
             out.put(0b000, 3); out.put(0b11, 2);  // end of band; correct both coefficients
             out.put(0b000, 3);                    // nothing nonzero
             out.put(0b000, 3);
         })},
    });
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
    EXPECT_EQ(coefficient(decoder, 0, 0), -3) << "-4 with bit 0 set";
    EXPECT_EQ(coefficient(decoder, 1, 0), 1) << "0 with bit 0 set";
    EXPECT_EQ(coefficient(decoder, 2, 0), 7) << "6 with bit 0 set";
    EXPECT_EQ(coefficient(decoder, 0, 1), -3) << "-2 corrected away from zero";
    EXPECT_EQ(coefficient(decoder, 0, 2), 3) << "2 corrected away from zero";
}

TEST(ProgressiveDecoding, AnEndOfBandRunSkipsTheFollowingBlocks) {
    // Run symbol 0x20 with bits 01: 4 + 1 = 5 blocks end their band; the sixth reads a symbol.
    const Bytes file = progressiveGrey(48, {
        {0, 0, 0, 0, bits([](BitWriter& out) { for (int i = 0; i < 6; ++i) test::annexK().dc(out, 0); })},
        {1, 63, 0, 0, bits([](BitWriter& out) {
             out.put(0b001, 3); out.put(0b01, 2);  // run of 5
             out.put(0b011, 3); out.put(1, 1);     // 1/1: +1 at index 2
             out.put(0b000, 3);                    // end of band
         })},
    });
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
    for (int block = 0; block < 5; ++block) EXPECT_EQ(coefficient(decoder, block, 2), 0) << block;
    EXPECT_EQ(coefficient(decoder, 5, 2), 1);
    EXPECT_EQ(coefficient(decoder, 5, 1), 0);
}

TEST(ProgressiveDecoding, BandsThatCannotHoldTheirCodesEndTheScansThere) {
    const Scan dc = {0, 0, 0, 0, bits([](BitWriter& out) { test::annexK().dc(out, 2); })};
    const Scan firstPass = {1, 2, 0, 1, bits([](BitWriter& out) {
        out.put(0b010, 3), out.put(1, 1);  // 0/1: +1 at index 1
        out.put(0b010, 3), out.put(0, 1);  // 0/1: -1 at index 2
    })};
    struct Case {
        const char* what;
        Scan scan;
        const char* message;
    };
    const Case cases[] = {
        {"a band ending past index 63", {60, 64, 0, 0, bits([](BitWriter& out) { out.put(0b000, 3); })},
         "AC符号の復元に失敗しました。"},
        {"a refinement whose run finds too few zero coefficients",
         {1, 2, 1, 0, bits([](BitWriter& out) { out.put(0b011, 3), out.put(1, 1); })},  // 1/1
         "データが長すぎます。"},
        {"sixteen zeros in a band of two", {1, 2, 1, 0, bits([](BitWriter& out) { out.put(0b100, 3); })},
         "ZRLが長すぎます。"},
        // Scans out of progression: each coefficient has one first pass, then refinements of
        // one bit each, so a file of endless scans cannot keep the decoder going.
        {"a second first pass of a band", firstPass, "スキャンデータの解析に失敗しました。"},
        {"a refinement of a band not yet begun", {3, 5, 1, 0, bits([](BitWriter& out) { out.put(0b000, 3); })},
         "スキャンデータの解析に失敗しました。"},
        {"a refinement by two bits", {1, 2, 2, 0, bits([](BitWriter& out) { out.put(0b000, 3); })},
         "スキャンデータの解析に失敗しました。"},
        {"a band that starts after it ends", {3, 2, 0, 0, {}}, "スキャンデータの解析に失敗しました。"},
    };
    for (const Case& c : cases) {
        const Bytes file = progressiveGrey(8, {dc, firstPass, c.scan}, 4);
        JpegDecoder decoder;
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << c.what;
        EXPECT_EQ(decoder.errors().utf8(), c.message) << c.what;
        EXPECT_EQ(coefficient(decoder, 0, 0), 2) << c.what << ": the scans before stay";
    }
}

TEST(ProgressiveDecoding, AFileCutShortGivesThePictureDecodedSoFar) {
    const Bytes file = corpusFile("generated/prog-420.jpg");
    JpegDecoder whole;
    ASSERT_EQ(whole.read(file.data(), file.size()), 1);
    const std::vector<std::uint16_t> complete = test::pictureSamples(whole);
    std::vector<std::size_t> scanStarts;
    for (const test::FileSegment& segment : test::fileSegments(file)) {
        if (segment.code == 0xDA) scanStarts.push_back(segment.start);
    }
    ASSERT_GT(scanStarts.size(), 3u);
    double previous = 0;
    for (std::size_t i = 1; i < scanStarts.size(); ++i) {
        // Cut between scans, and in the middle of the scan before.
        for (std::size_t cut : {scanStarts[i], (scanStarts[i - 1] + scanStarts[i]) / 2}) {
            JpegDecoder decoder;
            ASSERT_EQ(decoder.read(file.data(), cut), 1) << cut << ": " << decoder.errors().utf8();
            ASSERT_EQ(decoder.width(), whole.width());
            const double psnr = test::psnr(test::pictureSamples(decoder), complete, 255);
            if (cut == scanStarts[i]) {
                EXPECT_GT(psnr, 15.0) << cut << ": the picture so far resembles the whole";
                EXPECT_GE(psnr, previous - 0.01) << "more scans never make it worse";
                previous = psnr;
            }
        }
    }
}

TEST(ProgressiveDecoding, MissingRestartMarkersEndTheScansWithThePictureSoFar) {
    const Bytes file = corpusFile("generated/prog-restart.jpg");
    // Drops the restart markers of the third scan (and only those).
    const std::vector<test::FileSegment> segments = test::fileSegments(file);
    std::vector<std::size_t> scans;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (segments[i].code == 0xDA) scans.push_back(i);
    }
    ASSERT_GT(scans.size(), 3u);
    const Bytes stripped = test::withoutRestartMarkers(file, segments[scans[2]].start, segments[scans[2]].end);
    ASSERT_LT(stripped.size(), file.size());
    JpegDecoder whole, decoder;
    ASSERT_EQ(whole.read(file.data(), file.size()), 1);
    ASSERT_EQ(decoder.read(stripped.data(), stripped.size()), 1) << decoder.errors().utf8();
    EXPECT_FALSE(decoder.errors().utf8().empty()) << "the reason the scans ended stays in the buffers";
    EXPECT_NE(test::pictureSamples(decoder), test::pictureSamples(whole));
    EXPECT_GT(test::psnr(test::pictureSamples(decoder), test::pictureSamples(whole), 255), 15.0);
}

TEST(ProgressiveDecoding, EachScanUsesTheTablesDefinedBeforeIt) {
    const Bytes file = corpusFile("generated/prog-restart.jpg");
    // The file redefines tables between its scans, under identifiers earlier scans used.
    std::map<int, int> definitions;
    for (const test::FileSegment& segment : test::fileSegments(file)) {
        if (segment.code == 0xC4) ++definitions[file[segment.start + 4]];
    }
    int redefined = 0;
    for (const auto& [classAndId, count] : definitions) redefined += count > 1;
    ASSERT_GT(redefined, 0);
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(file.data(), file.size()), 1);
    const auto libjpeg = test::decodeWithLibjpeg(file).samples;
    EXPECT_GE(test::psnr(test::pictureSamples(decoder),
                         test::swappedRedBlue(std::vector<std::uint16_t>(libjpeg.begin(), libjpeg.end())), 255),
              40.0);

    // A table defined only after the scan that needs it is not found, even though it exists.
    const std::vector<test::FileSegment> segments = test::fileSegments(file);
    int found = 0;
    for (const char* kind : {"DC", "AC"}) {
        // The table segment last before the first scan of that kind, moved after that scan.
        for (std::size_t i = 1; i < segments.size(); ++i) {
            if (segments[i].code != 0xDA) continue;
            const std::size_t spectralStart = segments[i].start + 5 + 2 * file[segments[i].start + 4];
            if ((file[spectralStart] == 0) != (std::string(kind) == "DC")) continue;
            std::size_t table = i - 1;
            while (segments[table].code != 0xC4) --table;
            const test::FileSegment& scan = segments[i];
            const test::FileSegment& definition = segments[table];
            Bytes moved(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(definition.start));
            moved.insert(moved.end(), file.begin() + static_cast<std::ptrdiff_t>(definition.end),
                         file.begin() + static_cast<std::ptrdiff_t>(scan.end));
            moved.insert(moved.end(), file.begin() + static_cast<std::ptrdiff_t>(definition.start),
                         file.begin() + static_cast<std::ptrdiff_t>(definition.end));
            moved.insert(moved.end(), file.begin() + static_cast<std::ptrdiff_t>(scan.end), file.end());
            JpegDecoder late;
            EXPECT_EQ(late.read(moved.data(), moved.size()), 0);
            EXPECT_EQ(late.errors().utf8(), std::string(kind) == "DC" ? "直流ハフマンテーブルを取得できません。"
                                                                      : "交流ハフマンテーブルを取得できません。");
            ++found;
            break;
        }
    }
    EXPECT_EQ(found, 2);
}

TEST(ProgressiveDecoding, ComponentIdentifiersAreMatchedWhateverTheirValue) {
    const Bytes file = corpusFile("generated/prog-420.jpg");
    const std::map<std::uint8_t, std::uint8_t> renamed = {{1, 200}, {2, 7}, {3, 0}};
    Bytes changed = file;
    for (const test::FileSegment& segment : test::fileSegments(file)) {
        if (segment.code == 0xC2) {
            for (std::size_t c = 0; c < 3; ++c) changed[segment.start + 10 + 3 * c] = renamed.at(file[segment.start + 10 + 3 * c]);
        }
        if (segment.code == 0xDA) {
            for (std::size_t c = 0; c < file[segment.start + 4]; ++c) {
                changed[segment.start + 5 + 2 * c] = renamed.at(file[segment.start + 5 + 2 * c]);
            }
        }
    }
    JpegDecoder original, decoder;
    ASSERT_EQ(original.read(file.data(), file.size()), 1);
    ASSERT_EQ(decoder.read(changed.data(), changed.size()), 1) << decoder.errors().utf8();
    EXPECT_EQ(test::pictureSamples(decoder), test::pictureSamples(original));

    // A scan naming a component the frame does not have cannot be decoded.
    Bytes unknown = file;
    unknown[test::findMarker(file, 0xDA) + 5] = 9;
    JpegDecoder refused;
    EXPECT_EQ(refused.read(unknown.data(), unknown.size()), 0);
    EXPECT_EQ(refused.errors().utf8(), "スキャンデータの解析に失敗しました。");
}

}  // namespace
}  // namespace pictrano
