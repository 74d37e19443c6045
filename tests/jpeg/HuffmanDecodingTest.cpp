#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <set>
#include <string>

#include "imagelib/jpeg/HuffmanLookup.h"
#include "imagelib/jpeg/JpegHuffmanTable.h"
#include "imagelib/jpeg/JpegTableLists.h"
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
            const int length = table.lookup.match(table, static_cast<std::uint32_t>((stream << offset) >> 32), symbol);
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

TEST(HuffmanDecoding, TheLookupMatchesThePlainSearchOnEveryTableOfTheTestFiles) {
    std::mt19937 random(5);
    std::set<Bytes> bodies;
    for (const char* name : {"reference/testorig.jpg", "generated/base-optimized.jpg", "generated/prog-restart.jpg",
                             "generated/prog-420.jpg", "generated/ext-12bit.jpg", "generated/lossless-16bit-grey.jpg",
                             "generated/lossless-ycc-p6.jpg", "reference/monkey12.jpg"}) {
        const Bytes file = test::readBytes(test::dataPath(std::string("jpeg/") + name));
        for (const test::FileSegment& segment : test::fileSegments(file)) {
            if (segment.code != 0xC4) continue;
            JpegHuffmanTableList tables;
            ASSERT_GT(tables.parseSegment(file.data() + segment.start, file.size() - segment.start, 0), 0u);
            for (std::size_t i = 0; i < tables.count(); ++i) bodies.insert(tables.get(i)->body);
        }
    }
    ASSERT_GT(bodies.size(), 20u);
    for (const Bytes& body : bodies) expectSameMatches(body, false, random);
}

TEST(HuffmanDecoding, TheLookupMatchesThePlainSearchOnRandomTablesIncludingOverSubscribedOnes) {
    std::mt19937 random(9);
    std::uniform_int_distribution<int> symbolValue(0, 255);
    for (int round = 0; round < 60; ++round) {
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
        expectSameMatches(tableBody(0x10, counts, symbols), round < 12, random);
    }
}

TEST(HuffmanDecoding, ALongerCodeOfASmallerSymbolWinsOverAShorterCodeItBegins) {
    // Over-subscribed: 9 and 8 take the one-bit codes 0 and 1, so symbol 2 gets code 100, kept
    // as its low two bits 00, which begin with 9's code.
    const Bytes body = tableBody(0x00, {2, 1}, {9, 8, 2});
    JpegHuffmanTable table;
    ASSERT_GT(table.parse(body.data(), body.size(), 0), 0u);
    int symbol = -1;
    EXPECT_EQ(table.lookup.match(table, 0x00000000u, symbol), 2);
    EXPECT_EQ(symbol, 2);
    EXPECT_EQ(table.lookup.match(table, 0x40000000u, symbol), 1);
    EXPECT_EQ(symbol, 9);
    std::mt19937 random(1);
    expectSameMatches(body, true, random);
}

}  // namespace
}  // namespace pictrano
