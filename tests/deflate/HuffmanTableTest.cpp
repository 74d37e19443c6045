#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imagelib/png/deflate/HuffmanTable.h"
#include "tests/deflate/StreamBuilder.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The code of a symbol in the usual notation: first bit most significant.
std::uint32_t codeOf(const HuffmanTable& table, std::uint32_t symbol) {
    const int length = table.length(symbol);
    std::uint32_t code = 0;
    for (int i = 0; i < length; ++i) code = code << 1 | ((table.pattern(symbol, 0) >> i) & 1u);
    return code;
}

TEST(HuffmanTable, CanonicalCodesFollowTheRfcExample) {
    // RFC 1951 3.2.2: lengths (3, 3, 3, 3, 3, 2, 4, 4) give 010 011 100 101 110 00 1110 1111; a
    // length of 0 or above 16 gives no code.
    const Bytes lengths{3, 3, 3, 3, 3, 2, 4, 4, 0, 17};
    const std::uint32_t expected[] = {2, 3, 4, 5, 6, 0, 14, 15};
    HuffmanTable table;
    ASSERT_EQ(table.InitByLenList(lengths.data(), 10), 1);
    for (std::uint32_t symbol = 0; symbol < 8; ++symbol) EXPECT_EQ(codeOf(table, symbol), expected[symbol]);
    EXPECT_EQ(table.length(8), 0);
    EXPECT_EQ(table.length(9), 0);
    EXPECT_EQ(table.pattern(9, 3), 0u);
    // Each pattern row holds the code in stream order shifted by the row number.
    EXPECT_EQ(table.pattern(6, 5), 0b0111u << 5);
}

// The sum of 2^-length over the codes, scaled by 2^16: above 2^16 no prefix code exists.
std::uint64_t kraftSum(const Bytes& lengths) {
    std::uint64_t sum = 0;
    for (std::uint8_t length : lengths)
        if (length >= 1 && length <= 16) sum += std::uint64_t{1} << (16 - length);
    return sum;
}

// Random length sets: many complete, some incomplete, some over-subscribed.
Bytes randomLengths(std::mt19937& random, unsigned count, unsigned maxLength) {
    Bytes lengths(count);
    for (auto& length : lengths) length = static_cast<std::uint8_t>(random() % 3 == 0 ? 0 : 1 + random() % maxLength);
    // Trim over-subscription away most of the time, so that most sets are usable.
    if (random() % 4 != 0) {
        for (std::size_t i = 0; kraftSum(lengths) > (1u << 16); i = (i + 1) % count) {
            if (lengths[i] != 0 && lengths[i] < maxLength) ++lengths[i];
            else if (lengths[i] != 0) lengths[i] = 0;
        }
    }
    return lengths;
}

// The decoding rule itself: the first symbol whose code matches the leading bits.
int linearDecode(const HuffmanTable& table, std::uint32_t bits, std::uint32_t& symbol) {
    for (std::uint32_t s = 0; s < table.symbolCount(); ++s) {
        const int length = table.length(s);
        const std::uint32_t mask = (1u << length) - 1;
        if (length != 0 && (bits & mask) == table.pattern(s, 0)) {
            symbol = s;
            return length;
        }
    }
    return 0;
}

TEST(HuffmanTable, OverSubscribedLengthsAreRefusedAndEveryOtherSetDecodesLikeTheLinearSearch) {
    std::mt19937 random(7);
    int refused = 0, incomplete = 0;
    for (int round = 0; round < 600; ++round) {
        const auto count = static_cast<unsigned>(1 + random() % 300);
        const auto maxLength = static_cast<unsigned>(1 + random() % 16);
        const Bytes lengths = randomLengths(random, count, maxLength);
        HuffmanTable table;
        const int built = table.InitByLenList(lengths.data(), count);
        SCOPED_TRACE(round);
        ASSERT_EQ(built, kraftSum(lengths) <= (1u << 16) ? 1 : 0);
        if (built == 0) {
            ++refused;
            std::uint32_t symbol = 0;
            EXPECT_EQ(table.decode(static_cast<std::uint32_t>(random()), symbol), 0);
            continue;
        }
        incomplete += kraftSum(lengths) < (1u << 16);
        // Random windows, and each code followed by random bits.
        std::vector<std::uint32_t> windows;
        for (int i = 0; i < 200; ++i) windows.push_back(static_cast<std::uint32_t>(random()));
        for (std::uint32_t s = 0; s < count; ++s) {
            if (table.length(s) != 0)
                windows.push_back(table.pattern(s, 0) | static_cast<std::uint32_t>(random()) << table.length(s));
        }
        for (std::uint32_t window : windows) {
            std::uint32_t expected = 9999, actual = 9999;
            const int expectedBits = linearDecode(table, window, expected);
            ASSERT_EQ(table.decode(window, actual), expectedBits) << std::hex << window;
            EXPECT_EQ(actual, expected);
        }
    }
    EXPECT_GT(refused, 50);
    EXPECT_GT(incomplete, 50);
}

// Reads back what a BitWriter wrote: fields least significant bit first.
struct BitSource {
    const Bytes& bytes;
    std::size_t position = 0;
    std::uint32_t field(unsigned bits) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bits; ++i, ++position)
            value |= ((bytes[position / 8] >> (position % 8)) & 1u) << i;
        return value;
    }
};

// Writes the value through `put` and checks: the code of the last row whose base does not exceed
// the value, followed by the value's offset from that base.
template <typename Put>
void expectRowWritten(const HuffmanTable& table, const std::vector<test::CodeRow>& rows, unsigned value, Put put) {
    const test::CodeRow* row = &test::rowOf(rows, value);
    Bytes out(8, 0xFF);
    BitWriter writer(out.data(), out.size());
    const int bits = put(writer, value);
    writer.alignToByte();
    writer.finish();
    ASSERT_EQ(bits, table.length(row->symbol) + int(row->extraBits)) << value;
    BitSource source{out};
    ASSERT_EQ(source.field(static_cast<unsigned>(table.length(row->symbol))), table.pattern(row->symbol, 0)) << value;
    ASSERT_EQ(source.field(row->extraBits), value - row->base) << value;
}

TEST(HuffmanTable, PutLengthAndPutDistanceWriteTheRowOfTheValueAndItsExtraBits) {
    HuffmanTable literals, distances;
    literals.buildFixedLiteralLength();
    distances.buildFixedDistance();
    const auto lengthRows = test::rfcLengthRows();
    const auto distanceRows = test::rfcDistanceRows();
    auto putLength = [&](BitWriter& w, unsigned v) { return literals.putLength(w, v); };
    auto putDistance = [&](BitWriter& w, unsigned v) { return distances.putDistance(w, v); };
    for (unsigned length = 3; length <= 258; ++length) expectRowWritten(literals, lengthRows, length, putLength);
    for (unsigned distance = 1; distance <= 32768; ++distance)
        expectRowWritten(distances, distanceRows, distance, putDistance);

    // Out of range: nothing written, 0 returned.
    Bytes out(8, 0);
    BitWriter writer(out.data(), out.size());
    for (unsigned length : {0u, 2u, 259u}) EXPECT_EQ(literals.putLength(writer, length), 0);
    for (unsigned distance : {0u, 32769u}) EXPECT_EQ(distances.putDistance(writer, distance), 0);
    EXPECT_EQ(writer.bitPosition(), 0u);
}

}  // namespace
}  // namespace pictrano
