#include "imagelib/png/deflate/HuffmanTable.h"

#include <algorithm>

#include "imagelib/png/deflate/DeflateTables.h"

namespace pictrano {
namespace {

// Row of kLengthRows for each match length 3-258.
constexpr auto kLengthRowOf = [] {
    std::array<std::uint8_t, kMaxMatch + 1> rows{};
    for (unsigned row = 0; row < kLengthRows.size(); ++row) {
        const unsigned next = row + 1 < kLengthRows.size() ? kLengthRows[row + 1].base : kMaxMatch + 1;
        for (unsigned length = kLengthRows[row].base; length < next; ++length) {
            rows[length] = static_cast<std::uint8_t>(row);
        }
    }
    return rows;
}();

// Row of kDistanceRows for distances 1-256 (by distance - 1) and, above, by (distance - 1) >> 7.
constexpr auto kDistanceRowOf = [] {
    std::array<std::uint8_t, 512> rows{};
    for (unsigned row = 0; row < kDistanceRows.size(); ++row) {
        const unsigned first = kDistanceRows[row].base;
        const unsigned last = first + (1u << kDistanceRows[row].extraBits) - 1;
        for (unsigned distance = first; distance <= last; ++distance) {
            if (distance <= 256) rows[distance - 1] = static_cast<std::uint8_t>(row);
            else rows[256 + ((distance - 1) >> 7)] = static_cast<std::uint8_t>(row);
        }
    }
    return rows;
}();

std::uint16_t reversed(std::uint32_t code, unsigned length) {
    std::uint32_t result = 0;
    for (unsigned i = 0; i < length; ++i) result |= ((code >> i) & 1u) << (length - 1 - i);
    return static_cast<std::uint16_t>(result);
}

}  // namespace

void HuffmanTable::buildFixedLiteralLength() {
    std::array<std::uint8_t, 288> lengths{};
    std::fill(lengths.begin(), lengths.begin() + 144, 8);
    std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
    std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
    std::fill(lengths.begin() + 280, lengths.end(), 8);
    InitByLenList(lengths.data(), lengths.size());
}

void HuffmanTable::buildFixedDistance() {
    std::array<std::uint8_t, 32> lengths{};
    lengths.fill(5);
    InitByLenList(lengths.data(), lengths.size());
}

int HuffmanTable::InitByLenList(const std::uint8_t* lengths, std::uint32_t count) {
    lengths_.assign(count, 0);
    codes_.assign(count, 0);
    std::fill(lookup_.begin(), lookup_.end(), 0);
    countOfLength_.fill(0);
    sortedSymbols_.clear();

    for (std::uint32_t symbol = 0; symbol < count; ++symbol) {
        if (lengths[symbol] <= kMaxCodeLength) ++countOfLength_[lengths[symbol]];
    }
    countOfLength_[0] = 0;
    std::int64_t codesLeft = 1;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        codesLeft = 2 * codesLeft - countOfLength_[length];
        if (codesLeft < 0) {
            lengths_.assign(count, 0);
            codes_.assign(count, 0);
            countOfLength_.fill(0);
            return 0;
        }
    }

    std::uint32_t code = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        for (std::uint32_t symbol = 0; symbol < count; ++symbol) {
            if (lengths[symbol] != length) continue;
            lengths_[symbol] = static_cast<std::uint8_t>(length);
            codes_[symbol] = reversed(code, length);
            sortedSymbols_.push_back(static_cast<std::uint16_t>(symbol));
            ++code;
            if (length > kLookupBits) continue;
            const auto entry = static_cast<std::uint16_t>(symbol << 4 | length);
            for (std::uint32_t index = codes_[symbol]; index < kLookupSize; index += 1u << length) {
                lookup_[index] = entry;
            }
        }
        code <<= 1;
    }
    return 1;
}

int HuffmanTable::decodeLong(std::uint32_t bits, std::uint32_t& symbol) const {
    // Canonical decoding, one bit at a time: codes of each length are consecutive numbers, the
    // first of them following the last code of the length before, doubled.
    std::uint32_t code = 0, first = 0, index = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        code |= (bits >> (length - 1)) & 1u;
        const std::uint32_t count = countOfLength_[length];
        if (code - first < count) {
            symbol = sortedSymbols_[index + code - first];
            return static_cast<int>(length);
        }
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return 0;
}

int HuffmanTable::putLength(BitWriter& out, std::uint32_t matchLength) const {
    if (matchLength < kMinMatch || matchLength > kMaxMatch) return 0;
    const DeflateCodeRow& row = kLengthRows[kLengthRowOf[matchLength]];
    const int codeBits = putSymbol(out, row.symbol);
    out.put(matchLength - row.base, row.extraBits);
    return codeBits + row.extraBits;
}

int HuffmanTable::putDistance(BitWriter& out, std::uint32_t distance) const {
    if (distance < 1 || distance > kMaxDistance) return 0;
    const unsigned rowIndex =
        distance <= 256 ? kDistanceRowOf[distance - 1] : kDistanceRowOf[256 + ((distance - 1) >> 7)];
    const DeflateCodeRow& row = kDistanceRows[rowIndex];
    const int codeBits = putSymbol(out, row.symbol);
    out.put(distance - row.base, row.extraBits);
    return codeBits + row.extraBits;
}

}  // namespace pictrano
