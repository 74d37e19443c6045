#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "imagelib/jpeg/JpegStream.h"
#include "imagelib/jpeg/JpegZigZag.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::Bytes;
using test::FileSegment;
using test::dataPath;
constexpr auto segmentsOf = test::fileSegments;

Bytes bytesOf(const Bytes& file, const FileSegment& segment) {
    return {file.begin() + static_cast<std::ptrdiff_t>(segment.start),
            file.begin() + static_cast<std::ptrdiff_t>(segment.end)};
}

template <typename Segment>
Bytes written(const Segment& segment) {
    Bytes out(segment.size() + 8, 0xEE);
    const std::size_t length = segment.write(out.data());
    EXPECT_EQ(length, segment.size());
    out.resize(length);
    return out;
}

// The entropy-coded data with byte stuffing removed and the positions after its restart markers.
void unstuff(const Bytes& coded, Bytes& data, std::vector<std::size_t>& restarts) {
    for (std::size_t i = 0; i < coded.size(); ++i) {
        data.push_back(coded[i]);
        if (coded[i] != 0xFF) continue;
        if (coded[i + 1] == 0) {
            ++i;
        } else {
            data.push_back(coded[++i]);
            restarts.push_back(data.size());
        }
    }
}

const char* const kFilesOfEveryKind[] = {
    "reference/testorig.jpg",         "generated/base-grey-restart.jpg",
    "generated/prog-restart.jpg",     "generated/ext-12bit.jpg",
    "generated/lossless-16bit-grey.jpg", "generated/lossless-ycc-p6.jpg",
    "reference/monkey12.jpg",
};

TEST(JpegSegments, ParseAndWriteReproduceEverySegmentOfIndependentlyWrittenFiles) {
    for (const char* name : kFilesOfEveryKind) {
        SCOPED_TRACE(name);
        const Bytes file = test::readBytes(dataPath(std::string("jpeg/") + name));
        for (const FileSegment& segment : segmentsOf(file)) {
            const Bytes original = bytesOf(file, segment);
            const std::uint8_t* at = file.data() + segment.start;
            const std::size_t available = file.size() - segment.start;
            SCOPED_TRACE(segment.code);
            if (segment.code == 0xDA) {
                JpegScan scan;
                ASSERT_EQ(scan.parse(at, available, segment.start), original.size());
                EXPECT_EQ(scan.sourcePosition, segment.start);
                const std::size_t header = scan.headerSize();
                const Bytes rewritten = written(scan);
                EXPECT_EQ(Bytes(rewritten.begin(), rewritten.begin() + static_cast<std::ptrdiff_t>(header)),
                          Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(header)));
                Bytes data;
                std::vector<std::size_t> restarts;
                unstuff(Bytes(original.begin() + static_cast<std::ptrdiff_t>(header), original.end()), data, restarts);
                ASSERT_EQ(scan.dataLength, data.size());
                EXPECT_TRUE(std::equal(data.begin(), data.end(), scan.data.begin()));
                EXPECT_EQ(scan.restartPositions, restarts);
                ASSERT_EQ(scan.data.size(), scan.dataLength + JpegScan::kDataPadding);
                for (std::size_t i = scan.dataLength; i < scan.data.size(); ++i) ASSERT_EQ(scan.data[i], 0);
            } else if (segment.code == 0xC4) {
                JpegHuffmanTableList tables;
                ASSERT_EQ(tables.parseSegment(at, available, segment.start, kNoPositionLimit), original.size());
                EXPECT_EQ(tables.get(0)->sourcePosition, segment.start + 4);
                EXPECT_EQ(written(tables), original);
            } else if (segment.code == 0xDB) {
                JpegQuantTableList tables;
                ASSERT_EQ(tables.parseSegment(at, available, segment.start), original.size());
                EXPECT_EQ(written(tables), original);
            } else if ((segment.code & 0xF0) == 0xE0) {
                JpegAppSegment app;
                ASSERT_EQ(app.parse(at, available), original.size());
                EXPECT_EQ(app.number, segment.code & 0x0F);
                EXPECT_EQ(app.payload.back(), 0) << "a 0 byte follows the payload";
                EXPECT_EQ(written(app), original);
            } else if ((segment.code & 0xF0) == 0xC0) {
                JpegFrame frame;
                ASSERT_EQ(frame.parse(at, available), original.size());
                EXPECT_EQ(frame.kind, segment.code);
                EXPECT_EQ(written(frame), original);
            } else if (segment.code == 0xDD) {
                continue;  // handled by the reader, not a segment object
            } else {
                ADD_FAILURE() << "unexpected marker " << int(segment.code);
            }
        }
    }
}

TEST(JpegSegments, ADhtWithFourTablesGivesFourTablesWrittenAsFourSegments) {
    const Bytes& separate = test::annexKHuffmanSegments();
    Bytes bodies;
    for (std::size_t at = 0, end; at < separate.size(); at = end) {
        end = at + 2 + (separate[at + 2] << 8 | separate[at + 3]);
        bodies.insert(bodies.end(), separate.begin() + static_cast<std::ptrdiff_t>(at + 4),
                      separate.begin() + static_cast<std::ptrdiff_t>(end));
    }
    const Bytes combined = test::jpegSegment(0xC4, bodies);
    JpegHuffmanTableList tables;
    ASSERT_EQ(tables.parseSegment(combined.data(), combined.size(), 0, kNoPositionLimit), combined.size());
    ASSERT_EQ(tables.count(), 4u);
    EXPECT_EQ(written(tables), separate);

    // The canonical codes of the Annex K DC luminance table: category 0 is 00, 2 is 011, 6 is
    // 1110, none for 12.
    const JpegHuffmanTable* dc = tables.find(0, 0);
    ASSERT_NE(dc, nullptr);
    for (const auto& [symbol, length, code] : {std::tuple{0, 2, 0b00}, {2, 3, 0b011}, {6, 4, 0b1110}, {12, 0, 0}}) {
        EXPECT_EQ(std::pair(int(dc->codeLength[symbol]), int(length ? dc->code[symbol] : 0)), std::pair(length, code)) << symbol;
    }
    EXPECT_EQ(dc->largestSymbol, 11);
}

constexpr auto segmentWith = test::jpegSegment;

TEST(JpegSegments, SegmentsWhoseDeclaredLengthsDisagreeWithTheirContentsAreRefused) {
    Bytes counts257(16, 0);
    counts257[7] = 255;  // 255 codes of length 8
    counts257[8] = 2;    // and 2 of length 9: 257 symbols
    Bytes dht257 = {0x00};
    dht257.insert(dht257.end(), counts257.begin(), counts257.end());
    dht257.resize(dht257.size() + 257, 0);
    const Bytes dhtShort = {0x00, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2};  // 3 symbols, 2 given
    Bytes dqt(65, 1);
    dqt[0] = 0x00;
    Bytes dqtTwoAndAByte = dqt;
    dqtTwoAndAByte.insert(dqtTwoAndAByte.end(), dqt.begin(), dqt.end());
    dqtTwoAndAByte.push_back(0);
    Bytes dqtPrecision2 = dqt;
    dqtPrecision2[0] = 0x20;

    JpegHuffmanTableList huffman;
    EXPECT_EQ(huffman.parseSegment(segmentWith(0xC4, dht257).data(), dht257.size() + 4, 0, kNoPositionLimit), 0u);
    EXPECT_EQ(huffman.parseSegment(segmentWith(0xC4, dhtShort).data(), dhtShort.size() + 4, 0, kNoPositionLimit), 0u);
    const Bytes dhtOk = segmentWith(0xC4, {0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5});
    EXPECT_EQ(huffman.parseSegment(dhtOk.data(), dhtOk.size() - 1, 0, kNoPositionLimit), 0u) << "length past the data";
    EXPECT_EQ(huffman.parseSegment(dhtOk.data(), dhtOk.size(), 0, kNoPositionLimit), dhtOk.size());

    JpegQuantTableList quant;
    EXPECT_EQ(quant.parseSegment(segmentWith(0xDB, dqtTwoAndAByte).data(), dqtTwoAndAByte.size() + 4, 0), 0u);
    EXPECT_EQ(quant.parseSegment(segmentWith(0xDB, dqtPrecision2).data(), dqtPrecision2.size() + 4, 0), 0u);
    Bytes dqtTwo(dqtTwoAndAByte.begin(), dqtTwoAndAByte.end() - 1);
    const Bytes two = segmentWith(0xDB, dqtTwo);
    EXPECT_EQ(two[3], 132);
    quant.clear();
    EXPECT_EQ(quant.parseSegment(two.data(), two.size(), 100), two.size());
    EXPECT_EQ(quant.count(), 2u);
    EXPECT_EQ(quant.get(1)->sourcePosition, 100u + 4 + 65);

    JpegFrame frame;
    const Bytes sof = {0xFF, 0xC0, 0, 17, 8, 0, 16, 0, 16, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    EXPECT_EQ(frame.parse(sof.data(), sof.size()), sof.size());
    EXPECT_EQ(frame.parse(sof.data(), sof.size() - 1), 0u) << "past the data";
    Bytes wrongLength = sof;
    wrongLength[3] = 18;
    EXPECT_EQ(frame.parse(wrongLength.data(), wrongLength.size() + 0), 0u);
    for (int factors : {0x02, 0x20, 0x51, 0x15}) {
        Bytes badFactor = sof;
        badFactor[14] = static_cast<std::uint8_t>(factors);
        EXPECT_EQ(frame.parse(badFactor.data(), badFactor.size()), 0u) << int(factors);
    }
    for (int code : {0xC4, 0xC8, 0xCC, 0xDA}) {
        Bytes notFrame = sof;
        notFrame[1] = static_cast<std::uint8_t>(code);
        EXPECT_EQ(frame.parse(notFrame.data(), notFrame.size()), 0u) << int(code);
    }

    JpegScan scan;
    const Bytes sos = {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0};
    EXPECT_EQ(scan.parse(sos.data(), sos.size(), 0), sos.size());
    for (std::size_t at : {3u, 4u}) {
        Bytes bad = sos;
        bad[at] = at == 3 ? 10 : 2;  // declared length, or Ns, no longer agree
        EXPECT_EQ(scan.parse(bad.data(), bad.size(), 0), 0u) << at;
    }
    Bytes noComponents = {0xFF, 0xDA, 0, 6, 0, 0, 63, 0};
    EXPECT_EQ(scan.parse(noComponents.data(), noComponents.size(), 0), 0u);

    JpegAppSegment app;
    JpegComment comment;
    const Bytes app1 = {0xFF, 0xE1, 0, 4, 'h', 'i'};
    EXPECT_EQ(app.parse(app1.data(), app1.size() - 1), 0u);
    const Bytes tooShort = {0xFF, 0xFE, 0, 1};
    EXPECT_EQ(comment.parse(tooShort.data(), tooShort.size()), 0u);
    const Bytes com = {0xFF, 0xFE, 0, 5, 'a', 'b', 'c'};
    ASSERT_EQ(comment.parse(com.data(), com.size()), com.size());
    EXPECT_EQ(comment.payloadLength, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(comment.payload.data())), "abc");
    EXPECT_EQ(written(comment), com);
    EXPECT_EQ(app.parse(com.data(), com.size()), 0u) << "a comment is no application segment";
}

TEST(JpegSegments, EntropyCodedDataLosesItsStuffingAndKeepsRestartMarkers) {
    const Bytes file = {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0,                   // header
                        0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3, 0x56, 0xFF, 0xD0, // data
                        0xFF, 0xD9};
    JpegScan scan;
    ASSERT_EQ(scan.parse(file.data(), file.size(), 7), file.size() - 2) << "up to the EOI marker";
    EXPECT_EQ(Bytes(scan.data.begin(), scan.data.begin() + static_cast<std::ptrdiff_t>(scan.dataLength)),
              (Bytes{0x12, 0xFF, 0x34, 0xFF, 0xD3, 0x56, 0xFF, 0xD0}));
    EXPECT_EQ(scan.restartPositions, (std::vector<std::size_t>{5, 8}));
    EXPECT_EQ(scan.sourcePosition, 7u);

    // Data that runs to the end of the input, even ending in a lone 0xFF, is kept as far as it
    // goes.
    const Bytes cut = {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0xAB, 0xFF, 0x00, 0xCD, 0xFF};
    ASSERT_EQ(scan.parse(cut.data(), cut.size(), 0), cut.size());
    EXPECT_EQ(Bytes(scan.data.begin(), scan.data.begin() + static_cast<std::ptrdiff_t>(scan.dataLength)),
              (Bytes{0xAB, 0xFF, 0xCD}));
    EXPECT_TRUE(scan.restartPositions.empty());
}

TEST(JpegSegments, TableLookupsTakeTheLastTableAtOrBeforeTheLimit) {
    JpegHuffmanTableList huffman;
    JpegQuantTableList quant;
    const Bytes dc0 = {0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes ac0 = {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::size_t positions[] = {10, 50, 100};
    for (std::size_t position : positions) {
        for (const Bytes* body : {&dc0, &ac0}) {
            auto table = std::make_unique<JpegHuffmanTable>();
            ASSERT_GT(table->parse(body->data(), body->size(), position), 0u);
            huffman.append(std::move(table));
        }
        Bytes q(65, static_cast<std::uint8_t>(position));
        q[0] = 0x02;
        auto table = std::make_unique<JpegQuantTable>();
        ASSERT_GT(table->parse(q.data(), q.size(), position), 0u);
        quant.append(std::move(table));
    }
    EXPECT_EQ(huffman.find(0, 0)->sourcePosition, 100u);
    EXPECT_EQ(huffman.find(1, 0, 99)->sourcePosition, 50u);
    EXPECT_EQ(huffman.find(0, 0, 50)->sourcePosition, 50u);
    EXPECT_EQ(huffman.find(0, 0, 9), nullptr);
    EXPECT_EQ(huffman.find(0, 1), nullptr);
    EXPECT_EQ(quant.find(2)->values[0], 100);
    EXPECT_EQ(quant.find(2, 60)->values[0], 50);
    EXPECT_EQ(quant.find(0), nullptr);
}

TEST(JpegSegments, PruningKeepsOnlyTablesThatScansAndFramesReferTo) {
    JpegStream stream;
    for (int classAndId : {0x00, 0x10, 0x01, 0x11}) {
        const Bytes body = {static_cast<std::uint8_t>(classAndId), 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        auto table = std::make_unique<JpegHuffmanTable>();
        ASSERT_GT(table->parse(body.data(), body.size(), 0), 0u);
        stream.huffmanTables.append(std::move(table));
    }
    for (int id : {0, 1, 2}) {
        Bytes body(65, 1);
        body[0] = static_cast<std::uint8_t>(id);
        auto table = std::make_unique<JpegQuantTable>();
        ASSERT_GT(table->parse(body.data(), body.size(), 0), 0u);
        stream.quantTables.append(std::move(table));
    }
    auto frame = std::make_unique<JpegFrame>();
    frame->components = {{1, 1, 1, 2}, {2, 1, 1, 0}};
    stream.frames.append(std::move(frame));
    auto scan = std::make_unique<JpegScan>();
    scan->components = {{1, 0, 1}};  // DC table 0, AC table 1
    stream.scans.append(std::move(scan));

    stream.pruneUnreferencedTables();
    ASSERT_EQ(stream.huffmanTables.count(), 2u);
    EXPECT_EQ(stream.huffmanTables.get(0)->body[0], 0x00);
    EXPECT_EQ(stream.huffmanTables.get(1)->body[0], 0x11);
    ASSERT_EQ(stream.quantTables.count(), 2u);
    EXPECT_EQ(stream.quantTables.get(0)->identifier, 0);
    EXPECT_EQ(stream.quantTables.get(1)->identifier, 2);

    // Clearing (as a decoder does before each file) leaves SOI and EOI alone.
    stream.clear();
    EXPECT_EQ(stream.scans.count() + stream.huffmanTables.count() + stream.frames.count() + stream.quantTables.count(), 0u);
    EXPECT_EQ(written(stream), (Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
}

TEST(JpegSegments, QuantisationTablesHoldNaturalOrderAndScaleWithinTheirLimits) {
    Bytes body16(129);
    body16[0] = 0x13;
    for (int k = 0; k < 64; ++k) {
        body16[static_cast<std::size_t>(1 + 2 * k)] = static_cast<std::uint8_t>(k);
        body16[static_cast<std::size_t>(2 + 2 * k)] = static_cast<std::uint8_t>(k + 1);
    }
    JpegQuantTable table16;
    ASSERT_EQ(table16.parse(body16.data(), body16.size(), 0), 129u);
    EXPECT_EQ(table16.precision, 1);
    EXPECT_EQ(table16.identifier, 3);
    EXPECT_EQ(table16.values[0], 1);
    EXPECT_EQ(table16.values[1], 0x0102) << "the second value in zig-zag order lies right of the first";
    EXPECT_EQ(table16.values[8], 0x0203) << "the third lies below the first";
    EXPECT_EQ(table16.values[63], 0x3F40);

    const auto big = table16.scaledCopy(100.0f);
    EXPECT_EQ(big->values[0], 100);
    EXPECT_EQ(big->values[1], 2047);
    EXPECT_EQ(big->body[0], 0x13);
    EXPECT_EQ(big->body[3], 0x07) << "2047 big-endian, second value in zig-zag order";
    EXPECT_EQ(big->body[4], 0xFF);

    Bytes body8(65);
    body8[0] = 0x01;
    for (int k = 0; k < 64; ++k) body8[static_cast<std::size_t>(1 + k)] = static_cast<std::uint8_t>(2 * k + 1);
    JpegQuantTable table8;
    ASSERT_EQ(table8.parse(body8.data(), body8.size(), 0), 65u);
    const auto halved = table8.scaledCopy(0.5f);
    EXPECT_EQ(halved->values[0], 1) << "0.5 becomes 1";
    EXPECT_EQ(halved->values[1], 1) << "1.5 truncates to 1";
    EXPECT_EQ(halved->values[8], 2) << "2.5 truncates to 2";
    EXPECT_EQ(table8.scaledCopy(3.0f)->values[63], 127) << "8-bit tables stop at 127";
    EXPECT_EQ(table8.scaledCopy(3.0f)->body[64], 127);
    EXPECT_EQ(table8.scaledCopy(0.0f)->values[63], 1);

    std::int16_t block[64];
    for (int i = 0; i < 64; ++i) block[i] = 300;
    table8.dequantise(block);
    EXPECT_EQ(block[0], 300);
    EXPECT_EQ(block[1], 900);
    EXPECT_EQ(block[kZigZagToNatural[63]], static_cast<std::int16_t>(300 * 127 - 65536)) << "low 16 bits";

    JpegQuantTable sixteen;
    Bytes flat(65, 16);
    flat[0] = 0;
    ASSERT_GT(sixteen.parse(flat.data(), flat.size(), 0), 0u);
    std::int32_t in[64] = {24, -24, 7, 8, -8, -9, 100000};
    std::int32_t out[64];
    sixteen.quantise(in, out);
    // Half the quantiser is added, then the quotient truncates toward zero.
    EXPECT_EQ(std::vector<std::int32_t>(out, out + 7), (std::vector<std::int32_t>{2, -1, 0, 1, 0, 0, 6250}));
}

TEST(JpegSegments, TablesFromStatisticsTakeTheCheapestProfile) {
    JpegHuffmanTableList tables;
    ASSERT_TRUE(tables.appendFromStatistics({}, 2));
    const JpegHuffmanTable* flat = tables.get(0);
    EXPECT_EQ(flat->identifier, 2);
    EXPECT_EQ(flat->tableClass, 0);
    // Every cost is 0: the first profile, symbols 0 to 15 in order (16 has no code).
    const Bytes profile0 = {0x02, 0, 0, 5, 5, 0, 3, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0,
                            0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(flat->body, profile0);
    EXPECT_EQ(flat->codeLength[16], 0);

    // One symbol far more frequent than the others: of the profiles with a one-bit code, the one
    // with lengths 1, 2, seven of 5 and seven of 8 costs least (1,000 + 93).
    std::array<int, 17> counts;
    counts.fill(1);
    counts[5] = 1000;
    counts[9] = 2;
    ASSERT_TRUE(tables.appendFromStatistics(counts, 0));
    const JpegHuffmanTable* skewed = tables.get(1);
    EXPECT_EQ(Bytes(skewed->body.begin() + 1, skewed->body.begin() + 17),
              (Bytes{1, 1, 0, 0, 7, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(skewed->codeLength[5], 1);
    EXPECT_EQ(skewed->codeLength[9], 2);
    EXPECT_EQ(skewed->codeLength[0], 5);
    EXPECT_EQ(skewed->codeLength[16], 0) << "the last of the equally rare symbols gets no code";
}

TEST(JpegSegments, EmissionPlacesCodesAndAdditionalBitsMostSignificantFirst) {
    const JpegHuffmanTableList& tables = test::annexK().tables;
    const JpegHuffmanTable& dc = *tables.find(0, 0);  // Annex K: category 2 is 011
    const JpegHuffmanTable& ac = *tables.find(1, 0);  // Annex K: 0/0 1010, 1/1 1100, 15/0 11111111001

    EXPECT_EQ(JpegHuffmanTable::category(0), 0);
    EXPECT_EQ(JpegHuffmanTable::category(-1), 1);
    EXPECT_EQ(JpegHuffmanTable::category(255), 8);
    EXPECT_EQ(JpegHuffmanTable::category(-256), 9);
    EXPECT_EQ(JpegHuffmanTable::category(65535), 16);
    EXPECT_EQ(JpegHuffmanTable::category(1 << 20), 16);

    struct Case {
        const char* what;
        std::function<int(std::uint8_t*)> emit;
        int bits;
        Bytes expected;
    };
    const Case cases[] = {
        {"DC -3: 011 then 00", [&](std::uint8_t* o) { return dc.emitDc(o, 0, -3); }, 5, {0x60, 0, 0, 0, 0, 0}},
        {"DC 3: 011 then 11", [&](std::uint8_t* o) { return dc.emitDc(o, 0, 3); }, 5, {0x78, 0, 0, 0, 0, 0}},
        {"DC -3 at bit 13", [&](std::uint8_t* o) { return dc.emitDc(o, 13, -3); }, 5, {0, 0x03, 0x00, 0, 0, 0}},
        {"DC 3 at bit 13", [&](std::uint8_t* o) { return dc.emitDc(o, 13, 3); }, 5, {0, 0x03, 0xC0, 0, 0, 0}},
        {"DC 3, category given", [&](std::uint8_t* o) { return dc.emitDc(o, 0, 3, 2); }, 5, {0x78, 0, 0, 0, 0, 0}},
        {"AC end of block", [&](std::uint8_t* o) { return ac.emitAc(o, 0, 0, 0); }, 4, {0xA0, 0, 0, 0, 0, 0}},
        {"AC run 1, -1: 1100 then 0", [&](std::uint8_t* o) { return ac.emitAc(o, 4, 1, -1); }, 5, {0x0C, 0, 0, 0, 0, 0}},
        {"AC sixteen zeros", [&](std::uint8_t* o) { return ac.emitAc(o, 1, 15, 0); }, 11, {0x7F, 0x90, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Bytes out(6, 0);
        EXPECT_EQ(c.emit(out.data()), c.bits) << c.what;
        EXPECT_EQ(out, c.expected) << c.what;
    }
    Bytes out(8, 0);
    // No code, nothing written.
    std::fill(out.begin(), out.end(), 0);
    EXPECT_EQ(dc.emitDc(out.data(), 0, 5000), -1) << "category 13 has no code in this table";
    EXPECT_EQ(ac.emitAc(out.data(), 0, 16, 1), -1);
    EXPECT_EQ(out, Bytes(8, 0));

    // Category 16 stands for 32,768 alone: its symbol carries no additional bits.
    JpegHuffmanTableList statistics;
    std::array<int, 17> counts{};
    counts[16] = 9;
    ASSERT_TRUE(statistics.appendFromStatistics(counts, 0));
    const JpegHuffmanTable& lossless = *statistics.get(0);
    ASSERT_GT(lossless.codeLength[16], 0);
    EXPECT_EQ(lossless.emitDc(out.data(), 0, 32768), lossless.codeLength[16]);
    EXPECT_EQ(lossless.emitDc(out.data(), 0, -32768), lossless.codeLength[16]);
}

}  // namespace
}  // namespace pictrano
