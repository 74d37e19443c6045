#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "imagelib/jpeg/JpegBaselineCoder.h"
#include "imagelib/jpeg/JpegEncoder.h"
#include "imagelib/jpeg/JpegZigZag.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/jpeg/JpegWritingOracle.h"
#include "tests/jpeg/JpegWritingReference.h"

namespace pictrano {
namespace {

using test::Bytes;
using test::LibjpegPicture;

struct Segment {
    std::uint8_t code;
    Bytes body;  // after the length field; for SOS the header only
};

// The marker segments of a file after SOI; EOI must end the file right after them.
std::vector<Segment> segmentsOf(const Bytes& file) {
    std::vector<Segment> segments;
    for (const test::FileSegment& segment : test::fileSegments(file)) {
        const std::size_t end = segment.start + 2 + (file[segment.start + 2] << 8 | file[segment.start + 3]);
        segments.push_back({segment.code, Bytes(file.begin() + static_cast<std::ptrdiff_t>(segment.start + 4),
                                                file.begin() + static_cast<std::ptrdiff_t>(end))});
    }
    EXPECT_TRUE(file.size() >= 4 && file[0] == 0xFF && file[1] == 0xD8);
    EXPECT_EQ(test::fileSegments(file).back().end + 2, file.size());
    EXPECT_TRUE(file[file.size() - 2] == 0xFF && file.back() == 0xD9) << "EOI ends the file";
    return segments;
}

LibjpegPicture onePixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return {1, 1, 3, {red, green, blue}};
}

// The samples of row y of each component, `length` of them.
std::vector<std::vector<std::int16_t>> rowOf(const SampleSource& source, int y, int length) {
    std::vector<std::vector<std::int16_t>> rows(static_cast<std::size_t>(source.componentCount()),
                                                std::vector<std::int16_t>(static_cast<std::size_t>(length)));
    std::int16_t* pointers[3] = {};
    for (std::size_t c = 0; c < rows.size(); ++c) pointers[c] = rows[c].data();
    source.fillRow(y, pointers, length);
    return rows;
}

TEST(JpegEncoder, SamplesFollowTheColourFormulasAndRepeatTheLastColumnAndRow) {
    struct Case {
        LibjpegPicture pixel;
        int model;
        bool shift;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {onePixel(255, 255, 255), kJpegYcbcr, false, {255, 128, 128}},
        {onePixel(255, 0, 0), kJpegYcbcr, false, {76, 85, 255}},
        {onePixel(255, 0, 0), kJpegYcbcr, true, {76 - 128, 85 - 128, 255 - 128}},
        {onePixel(0, 0, 255), kJpegYcbcr, false, {(29 * 255) >> 8, 127 + 128, -21 + 128}},  // -5355 >> 8 is -21
        {onePixel(10, 20, 30), kJpegRgb, true, {10 - 128, 20 - 128, 30 - 128}},
        {onePixel(10, 20, 30), kJpegGrey, false, {(77 * 10 + 150 * 20 + 29 * 30) >> 8}},
    };
    for (const Case& c : cases) {
        test::EncoderWithPixels encoder;
        const Bytes rows = test::toPixelRows(c.pixel);
        ASSERT_EQ(encoder.setImage(rows.data(), 1, 1, c.model, c.shift), 1);
        ASSERT_EQ(encoder.source().componentCount(), static_cast<int>(c.expected.size()));
        // A 1 x 1 picture fills 32 x 32 samples (and any more) with its pixel's values.
        for (int y : {0, 31}) {
            const auto samples = rowOf(encoder.source(), y, 32);
            for (std::size_t p = 0; p < samples.size(); ++p) {
                EXPECT_TRUE(std::all_of(samples[p].begin(), samples[p].end(), [&](int s) { return s == c.expected[p]; }))
                    << "model " << c.model << " component " << p;
            }
        }
    }

    const LibjpegPicture picture = test::drawTestPicture(33, 2, 3, 5);
    test::EncoderWithPixels encoder;
    const Bytes rows = test::toPixelRows(picture);
    ASSERT_EQ(encoder.setImage(rows.data(), -33, -2, kJpegRgb, false), 1) << "negative sizes count as positive";
    EXPECT_EQ(encoder.stream().frames.get(0)->samplesPerLine, 33);
    EXPECT_EQ(encoder.stream().frames.get(0)->lines, 2);
    for (int y = 0; y < 32; ++y) {
        const auto samples = rowOf(encoder.source(), y, 64);
        for (int p = 0; p < 3; ++p) {
            for (int x = 0; x < 64; ++x) {
                const int sourceX = std::min(x, 32), sourceY = std::min(y, 1);
                ASSERT_EQ(samples[static_cast<std::size_t>(p)][static_cast<std::size_t>(x)],
                          picture.samples[static_cast<std::size_t>((sourceY * 33 + sourceX) * 3 + p)]);
            }
        }
    }
}

TEST(JpegEncoder, UnsupportedModelsAndSizesAreRefused) {
    const Bytes rows(4 * 70000, 0);
    for (const auto& [width, model] : std::vector<std::pair<int, int>>{{1, 0}, {1, 4}, {65536, 1}, {0, 1}}) {
        test::EncoderWithPixels encoder;
        EXPECT_EQ(encoder.setImage(rows.data(), width, 1, model, true), 0);
        EXPECT_EQ(encoder.errors().utf8(), "サポートされていない形式が指定されました。") << width << " " << model;
    }
    test::EncoderWithPixels encoder;
    EXPECT_EQ(encoder.setImage(rows.data(), 65535, 1, kJpegGrey, true), 1) << "the widest picture a frame holds";
}

// The stream's tables by class and identifier, as their DHT and DQT bodies.
std::map<int, Bytes> tableBodies(const Bytes& file) {
    std::map<int, Bytes> bodies;
    JpegStream stream;
    for (const Segment& segment : segmentsOf(file)) {
        if (segment.code != 0xC4 && segment.code != 0xDB) continue;
        const Bytes whole = test::jpegSegment(segment.code, segment.body);
        if (segment.code == 0xC4) {
            EXPECT_GT(stream.huffmanTables.parseSegment(whole.data(), whole.size(), 0, kNoPositionLimit), 0u);
        } else {
            EXPECT_GT(stream.quantTables.parseSegment(whole.data(), whole.size(), 0), 0u);
        }
    }
    for (std::size_t i = 0; i < stream.huffmanTables.count(); ++i) {
        const JpegHuffmanTable& t = *stream.huffmanTables.get(i);
        bodies[t.tableClass * 16 + t.identifier] = t.body;
    }
    for (std::size_t i = 0; i < stream.quantTables.count(); ++i) {
        const JpegQuantTable& t = *stream.quantTables.get(i);
        bodies[0x100 + t.identifier] = Bytes(t.body.begin(), t.body.begin() + static_cast<std::ptrdiff_t>(t.bodyLength));
    }
    return bodies;
}

TEST(JpegEncoder, TheStreamStartsWithTheAnnexKTables) {
    // libjpeg writes the Annex K tables unscaled at its quality 50, and codes with the Annex K
    // Huffman tables unless asked to optimise them; our default quality writes them unscaled.
    const LibjpegPicture picture = test::drawTestPicture(16, 16, 3);
    test::LibjpegSettings settings;
    settings.quality = 50;
    const std::map<int, Bytes> expected = tableBodies(test::encodeWithLibjpeg(picture, settings));
    ASSERT_EQ(expected.size(), 6u);
    test::EncoderWithPixels encoder;
    EXPECT_EQ(tableBodies(test::writeBaseline(encoder, picture, {})), expected);
    EXPECT_EQ(largestCodedCategory(*encoder.stream().huffmanTables.find(0, 0)), 11);
    EXPECT_EQ(largestCodedCategory(*encoder.stream().huffmanTables.find(0, 1)), 11);
    EXPECT_EQ(largestCodedCategory(*encoder.stream().huffmanTables.find(1, 0)), 10);
    EXPECT_EQ(largestCodedCategory(*encoder.stream().huffmanTables.find(1, 1)), 10);

    // Other qualities scale the quantisers by (quality - 1) / 79, within 1 to 127.
    for (int quality : {1, 20, 50, 80, 99}) {
        test::EncoderWithPixels scaledEncoder;
        const std::map<int, Bytes> tables = tableBodies(test::writeBaseline(scaledEncoder, picture, {.quality = quality}));
        for (int id : {0x100, 0x101}) {
            const Bytes& original = expected.at(id);
            const Bytes& scaled = tables.at(id);
            ASSERT_EQ(scaled.size(), 65u);
            EXPECT_EQ(scaled[0], original[0]);
            for (std::size_t k = 1; k < 65; ++k) {
                EXPECT_EQ(scaled[k], std::clamp(original[k] * (quality - 1) / 79, 1, 127)) << quality << " " << id << " " << k;
            }
        }
    }
}

TEST(JpegEncoder, FilesHoldTheirSegmentsInOrderWithOnlyTheReferencedTables) {
    struct Case {
        int model;
        std::set<int> huffman;  // class * 16 + identifier
        std::set<int> quant;
    };
    const Case cases[] = {{kJpegGrey, {0x00, 0x10}, {0}},
                          {kJpegRgb, {0x00, 0x10}, {0}},
                          {kJpegYcbcr, {0x00, 0x10, 0x01, 0x11}, {0, 1}}};
    for (const Case& c : cases) {
        const LibjpegPicture picture = test::drawTestPicture(21, 11, 3);
        test::EncoderWithPixels encoder;
        test::BaselineRequest request;
        request.colourModel = c.model;
        // Grey ignores the factors: a single component is written at 1 x 1.
        request.factorsGiven = true;
        request.horizontal[0] = 2;
        request.vertical[0] = 2;
        const Bytes file = test::writeBaseline(encoder, picture, request);
        const std::vector<Segment> segments = segmentsOf(file);
        const std::size_t count = c.model == kJpegGrey ? 1 : 3;
        ASSERT_EQ(segments.size(), c.huffman.size() + c.quant.size() + 2);
        std::set<int> huffman, quant;
        for (std::size_t i = 0; i < c.huffman.size(); ++i) {
            ASSERT_EQ(segments[i].code, 0xC4);
            ASSERT_EQ(segments[i].body.size(), 17u + 12u * (segments[i].body[0] < 0x10) + 162u * (segments[i].body[0] >= 0x10));
            huffman.insert(segments[i].body[0]);
        }
        for (std::size_t i = c.huffman.size(); i < segments.size() - 2; ++i) {
            ASSERT_EQ(segments[i].code, 0xDB);
            ASSERT_EQ(segments[i].body.size(), 65u);
            quant.insert(segments[i].body[0]);
        }
        EXPECT_EQ(huffman, c.huffman);
        EXPECT_EQ(quant, c.quant);

        const Segment& frame = segments[segments.size() - 2];
        ASSERT_EQ(frame.code, 0xC0);
        Bytes expectedFrame = {8, 0, 11, 0, 21, static_cast<std::uint8_t>(count)};
        for (std::size_t i = 0; i < count; ++i) {
            const int factors = c.model == kJpegGrey ? 0x11 : i == 0 ? 0x22 : 0x11;
            expectedFrame.insert(expectedFrame.end(), {static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(factors),
                                                       static_cast<std::uint8_t>(c.model == kJpegYcbcr && i > 0)});
        }
        EXPECT_EQ(frame.body, expectedFrame);

        const Segment& scan = segments.back();
        ASSERT_EQ(scan.code, 0xDA);
        Bytes expectedScan = {static_cast<std::uint8_t>(count)};
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t tables = c.model == kJpegYcbcr && i > 0 ? 0x11 : 0x00;
            expectedScan.insert(expectedScan.end(), {static_cast<std::uint8_t>(i + 1), tables});
        }
        expectedScan.insert(expectedScan.end(), {0, 63, 0});
        EXPECT_EQ(scan.body, expectedScan);
    }
}

TEST(JpegEncoder, SamplingFactorsAnInterleavedScanCannotHoldAreRefused) {
    const LibjpegPicture picture = test::drawTestPicture(40, 24, 3);
    struct Factors {
        int h[3];
        int v[3];
        bool accepted;
    };
    const Factors cases[] = {
        {{3, 2, 1}, {1, 1, 1}, false},  // 2 does not divide 3
        {{5, 1, 1}, {1, 1, 1}, false},
        {{1, 1, 1}, {0, 1, 1}, false},
        {{2, 2, 2}, {2, 2, 2}, false},  // 12 blocks in an MCU
        {{4, 2, 1}, {2, 1, 1}, false},  // 11 blocks
        {{4, 2, 1}, {1, 1, 1}, true},
        {{3, 1, 1}, {1, 3, 1}, true},
    };
    for (const Factors& f : cases) {
        test::EncoderWithPixels encoder;
        const Bytes rows = test::toPixelRows(picture);
        ASSERT_EQ(encoder.setImage(rows.data(), 40, 24, kJpegYcbcr, true), 1);
        auto& components = encoder.stream().frames.get(0)->components;
        for (std::size_t i = 0; i < 3; ++i) {
            components[i].horizontal = f.h[i];
            components[i].vertical = f.v[i];
        }
        encoder.recomputeSamplingExtremes();
        EXPECT_EQ(encoder.encodeBaseline(), f.accepted ? 1 : 0);
        if (!f.accepted) {
            EXPECT_EQ(encoder.errors().utf8(), "サポートされていない形式が指定されました。");
        }
    }
}

TEST(JpegEncoder, MissingTablesAndTablesWithoutTheSymbolsEveryBlockNeedsAreReported) {
    const LibjpegPicture picture = test::drawTestPicture(8, 8, 3);
    const Bytes rows = test::toPixelRows(picture);
    // An AC table of one symbol (category 1 after no zeros): no end of block, no sixteen zeros.
    const Bytes acBody = {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01};
    for (int broken = 0; broken < 2; ++broken) {
        JpegEncoder encoder;
        ASSERT_EQ(encoder.setImage(rows.data(), 8, 8, kJpegYcbcr, true), 1);
        if (broken == 0) {
            encoder.stream().quantTables.remove(1);
        } else {
            auto table = std::make_unique<JpegHuffmanTable>();
            ASSERT_GT(table->parse(acBody.data(), acBody.size(), 0), 0u);
            encoder.stream().huffmanTables.replace(1, std::move(table));
        }
        EXPECT_EQ(encoder.encodeBaseline(), 0);
        EXPECT_EQ(encoder.errors().utf8(), "ハフマンテーブルや量子テーブルを取得できません。");
    }
}

}  // namespace
}  // namespace pictrano
