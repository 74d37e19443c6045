#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <string>

#include "imagelib/jpeg/HuffmanLookup.h"
#include "imagelib/jpeg/InverseDct.h"
#include "imagelib/jpeg/JpegHuffmanTable.h"
#include "imagelib/jpeg/JpegTableLists.h"
#include "imagelib/jpeg/SequentialBlocks.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::Bytes;

// The plain matching: code patterns pre-shifted to each bit offset of a 32-bit big-endian window,
// compared in memory byte order under a mask, symbol values tried in increasing order; codes
// assigned from the counts as in ITU-T T.81 Annex C, a code too long for its length keeping its
// low bits.
class PlainMatcher {
public:
    explicit PlainMatcher(const Bytes& body) {
        std::uint32_t code = 0;
        std::size_t index = 17;
        for (int length = 1; length <= 16; ++length) {
            for (int i = 0; i < body[static_cast<std::size_t>(length)]; ++i, ++index, ++code) {
                const int symbol = body[index];
                lengths_[symbol] = length;
                for (int offset = 0; offset < 8; ++offset) {
                    patterns_[offset][symbol] = swap((code << (32 - length)) >> offset);
                }
                largest_ = std::max(largest_, symbol);
            }
            code <<= 1;
        }
    }

    // The first symbol whose code lies at bit `offset` of the four bytes; its length or 0.
    int match(const std::uint8_t* bytes, int offset, int& symbol) const {
        std::uint32_t window;
        std::memcpy(&window, bytes, 4);
        for (int value = 0; value <= largest_; ++value) {
            const int length = lengths_[value];
            if (length == 0) continue;
            const std::uint32_t mask = swap((~0u << (32 - length)) >> offset);
            if ((window & mask) == (patterns_[offset][value] & mask)) {
                symbol = value;
                return length;
            }
        }
        return 0;
    }

private:
    // Big-endian order in memory, whatever the host's.
    static std::uint32_t swap(std::uint32_t value) {
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                                       static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
        std::uint32_t out;
        std::memcpy(&out, bytes, 4);
        return out;
    }

    int lengths_[256] = {};
    std::uint32_t patterns_[8][256] = {};
    int largest_ = 0;
};

// Compares the lookup with the plain matching at every offset of many windows; `exhaustive`
// tries every value of the first 16 bits.
void expectSameMatches(const Bytes& body, bool exhaustive, std::mt19937& random) {
    JpegHuffmanTable table;
    ASSERT_EQ(table.parse(body.data(), body.size(), 0), body.size());
    const PlainMatcher plain(body);
    std::uniform_int_distribution<int> byte(0, 255);
    const int windows = exhaustive ? 65536 : 3000;
    for (int w = 0; w < windows; ++w) {
        std::uint8_t bytes[8];
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(byte(random));
        if (exhaustive) {
            bytes[0] = static_cast<std::uint8_t>(w >> 8);
            bytes[1] = static_cast<std::uint8_t>(w);
        }
        std::uint64_t stream = 0;
        for (std::uint8_t b : bytes) stream = stream << 8 | b;
        for (int offset = 0; offset < (exhaustive ? 1 : 8); ++offset) {
            int expectedSymbol = -1, symbol = -1;
            const int expected = plain.match(bytes, offset, expectedSymbol);
            const int length = table.lookup().match(table, static_cast<std::uint32_t>((stream << offset) >> 32), symbol);
            ASSERT_EQ(length, expected) << "window " << w << " offset " << offset;
            if (expected != 0) {
                ASSERT_EQ(symbol, expectedSymbol) << "window " << w << " offset " << offset;
            }
        }
    }
}

Bytes tableBody(int classAndId, const std::vector<int>& counts, const std::vector<int>& symbols) {
    Bytes body = {static_cast<std::uint8_t>(classAndId)};
    for (int count : counts) body.push_back(static_cast<std::uint8_t>(count));
    body.resize(17, 0);
    for (int symbol : symbols) body.push_back(static_cast<std::uint8_t>(symbol));
    return body;
}

std::set<Bytes> testFileTableBodies() {
    std::set<Bytes> bodies;
    for (const char* name : {"reference/testorig.jpg", "generated/base-optimized.jpg", "generated/prog-restart.jpg",
                             "generated/prog-420.jpg", "generated/ext-12bit.jpg", "generated/lossless-16bit-grey.jpg",
                             "generated/lossless-ycc-p6.jpg", "reference/monkey12.jpg"}) {
        const Bytes file = test::readBytes(test::dataPath(std::string("jpeg/") + name));
        for (const test::FileSegment& segment : test::fileSegments(file)) {
            if (segment.code != 0xC4) continue;
            JpegHuffmanTableList tables;
            EXPECT_GT(tables.parseSegment(file.data() + segment.start, file.size() - segment.start, 0, kNoPositionLimit), 0u);
            for (std::size_t i = 0; i < tables.count(); ++i) bodies.insert(tables.get(i)->body);
        }
    }
    return bodies;
}

TEST(HuffmanDecoding, TheLookupMatchesThePlainSearchOnEveryTableOfTheTestFiles) {
    std::mt19937 random(5);
    const std::set<Bytes> bodies = testFileTableBodies();
    ASSERT_GT(bodies.size(), 20u);
    for (const Bytes& body : bodies) expectSameMatches(body, false, random);
}

// A random table: a complete prefix code with distinct symbols (round % 3 == 0), or arbitrary
// counts with codes too many for their lengths and repeated symbol values.
Bytes randomTableBody(int round, std::mt19937& random) {
    std::uniform_int_distribution<int> symbolValue(0, 255);
    std::vector<int> counts(16, 0);
    std::vector<int> symbols;
    if (round % 3 == 0) {
        // A complete prefix code with distinct symbols and codes up to 16 bits.
        std::vector<int> pool(256);
        std::iota(pool.begin(), pool.end(), 0);
        std::shuffle(pool.begin(), pool.end(), random);
        std::uint32_t room = 2;  // codes of the current length still free
        for (int length = 1; length <= 16 && symbols.size() < 200; ++length) {
            const int take = std::min<int>(static_cast<int>(room) - 1, std::uniform_int_distribution<int>(0, 6)(random));
            counts[static_cast<std::size_t>(length - 1)] = std::max(take, 0);
            for (int i = 0; i < counts[static_cast<std::size_t>(length - 1)]; ++i) symbols.push_back(pool[symbols.size()]);
            room = (room - static_cast<std::uint32_t>(std::max(take, 0))) * 2;
        }
    } else {
        // Arbitrary counts (too many codes for their lengths) and repeated symbol values.
        const int top = round % 3 == 1 ? 9 : 16;
        for (int length = 1; length <= top; ++length) {
            counts[static_cast<std::size_t>(length - 1)] = std::uniform_int_distribution<int>(0, length < 4 ? 3 : 12)(random);
        }
        const int total = std::accumulate(counts.begin(), counts.end(), 0);
        for (int i = 0; i < total; ++i) symbols.push_back(round % 2 ? symbolValue(random) : symbolValue(random) % 24);
    }
    return tableBody(0x10, counts, symbols);
}

TEST(HuffmanDecoding, TheLookupMatchesThePlainSearchOnRandomTablesIncludingOverSubscribedOnes) {
    std::mt19937 random(9);
    for (int round = 0; round < 60; ++round) expectSameMatches(randomTableBody(round, random), round < 12, random);
}

// Block after block along random streams, with the tables of the test files and random ones:
// the word-at-a-time decoding succeeds exactly where decodeBlock does, with the same
// coefficients (in the inverse DCT's paired slots, every nonzero one in a pair marked), predictor
// and position.
TEST(HuffmanDecoding, BlocksDecodeWordwiseAsSymbolBySymbol) {
    std::mt19937 random(13);
    const std::set<Bytes> fileBodies = testFileTableBodies();
    std::vector<Bytes> bodies(fileBodies.begin(), fileBodies.end());
    for (int round = 0; round < 30; ++round) bodies.push_back(randomTableBody(round, random));
    std::uniform_int_distribution<int> byte(0, 255);
    int successes = 0;
    std::set<Msg> failures;
    for (std::size_t t = 0; t < bodies.size(); ++t) {
        JpegHuffmanTable dc, ac;
        ASSERT_GT(dc.parse(bodies[t].data(), bodies[t].size(), 0), 0u);
        const Bytes& acBody = bodies[(7 * t + 3) % bodies.size()];
        ASSERT_GT(ac.parse(acBody.data(), acBody.size(), 0), 0u);
        JpegQuantTable quant;
        for (std::uint16_t& q : quant.values) q = static_cast<std::uint16_t>(t % 2 ? byte(random) + 1 : byte(random) * 257);
        const ComponentTables tables{&dc, &ac, &quant};
        JpegScan scan;
        scan.dataLength = 3000;
        // Uniform bytes, or mostly zero bits for long runs and small values.
        for (std::size_t i = 0; i < scan.dataLength; ++i) {
            scan.data.push_back(static_cast<std::uint8_t>(t % 3 ? byte(random) : byte(random) & byte(random) & byte(random)));
        }
        scan.data.resize(scan.dataLength + JpegScan::kDataPadding, 0);
        ScanBits bits(scan);
        WordBits words(scan, 0);
        std::int16_t plainPredictor = 0, wordPredictor = 0;
        BlockWork plain;
        PairedBlock wordwise;
        for (std::uint64_t start = 0; start / 8 + kLongestBlockBytes + 16 <= scan.dataLength;) {
            bits.moveTo(start);
            words.moveTo(start);
            const std::optional<Msg> failure = decodeBlock(bits, tables, plainPredictor, plain);
            const bool decoded = decodeBlockWordwise(words, tables, wordPredictor, wordwise);
            ASSERT_EQ(decoded, !failure.has_value()) << "table " << t << " bit " << start;
            if (decoded) {
                ASSERT_EQ(wordPredictor, plainPredictor) << "table " << t << " bit " << start;
                ASSERT_EQ(words.position(), bits.position()) << "table " << t << " bit " << start;
                for (int k = 0; k < 64; ++k) {
                    const int slot = InverseDct::instance().pairSlot(k);
                    ASSERT_EQ(wordwise.slots[slot], plain.block[k]) << "table " << t << " bit " << start << " k " << k;
                    ASSERT_TRUE(plain.block[k] == 0 || (wordwise.pairs >> (slot / 2) & 1) != 0) << "table " << t << " bit " << start;
                }
                start = bits.position();
                ++successes;
            } else {
                failures.insert(*failure);
                wordPredictor = plainPredictor;
                start += 1 + random() % 29;
            }
            plain.clear();
            wordwise.clear();
            ASSERT_TRUE(std::all_of(wordwise.slots, wordwise.slots + 64, [](std::int16_t c) { return c == 0; }));
        }
    }
    EXPECT_GT(successes, 2000);
    EXPECT_EQ(failures, (std::set<Msg>{Msg::NoMatchingDcCode, Msg::NoMatchingAcCode, Msg::ZrlTooLong, Msg::DataTooLong}));
}

TEST(HuffmanDecoding, ALongerCodeOfASmallerSymbolWinsOverAShorterCodeItBegins) {
    // Over-subscribed: 9 and 8 take the one-bit codes 0 and 1, so symbol 2 gets code 100, kept
    // as its low two bits 00, which begin with 9's code.
    const Bytes body = tableBody(0x00, {2, 1}, {9, 8, 2});
    JpegHuffmanTable table;
    ASSERT_GT(table.parse(body.data(), body.size(), 0), 0u);
    int symbol = -1;
    EXPECT_EQ(table.lookup().match(table, 0x00000000u, symbol), 2);
    EXPECT_EQ(symbol, 2);
    EXPECT_EQ(table.lookup().match(table, 0x40000000u, symbol), 1);
    EXPECT_EQ(symbol, 9);
    std::mt19937 random(1);
    expectSameMatches(body, true, random);
}

}  // namespace
}  // namespace pictrano
