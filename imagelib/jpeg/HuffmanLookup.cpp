#include "imagelib/jpeg/HuffmanLookup.h"

#include <algorithm>

#include "imagelib/jpeg/JpegHuffmanTable.h"

namespace pictrano {

int matchBySearch(const JpegHuffmanTable& table, std::uint32_t window, int& symbol) {
    for (int value = 0; value <= table.largestSymbol; ++value) {
        const int length = table.codeLength[value];
        if (length != 0 && (window >> (32 - length)) == table.code[value]) {
            symbol = value;
            return length;
        }
    }
    return 0;
}

namespace {

// Entries length << 8 | symbol for every value of the first `bits` bits (0 where they do not
// settle the match). Larger symbol values first, so that the smaller value wins each entry. A
// longer code leaves its entry to the slower path, unless a smaller value with a short code
// covers it.
void fillPrefixes(const JpegHuffmanTable& table, int bits, std::uint16_t* entries) {
    std::fill(entries, entries + (std::size_t{1} << bits), std::uint16_t{0});
    for (int symbol = table.largestSymbol; symbol >= 0; --symbol) {
        const int length = table.codeLength[symbol];
        if (length == 0) continue;
        if (length > bits) {
            entries[table.code[symbol] >> (length - bits)] = 0;
            continue;
        }
        const std::uint32_t start = static_cast<std::uint32_t>(table.code[symbol]) << (bits - length);
        const std::uint32_t span = 1u << (bits - length);
        const auto entry = static_cast<std::uint16_t>(length << 8 | symbol);
        for (std::uint32_t i = 0; i < span; ++i) entries[start + i] = entry;
    }
}

int extendField(std::uint32_t field, int size) {
    return field < (1u << (size - 1)) ? static_cast<int>(field) - (1 << size) + 1 : static_cast<int>(field);
}

// The AC step of the kStepBits-bit prefix `bits`, whose code entry is `entry`.
HuffmanLookup::AcStep stepOf(std::uint16_t entry, std::uint32_t bits) {
    constexpr int kWidth = HuffmanLookup::kStepBits;
    const int length = entry >> 8, run = (entry >> 4) & 0x0F, size = entry & 0x0F;
    if (entry == 0) return {};
    if (size == 0 && run == 15) return {0, 16, static_cast<std::uint8_t>(length)};
    // Other runs with size 0 end the block after run further bits.
    const int taken = length + (size == 0 ? run : size);
    if (taken > kWidth) return {};
    if (size == 0) return {0, HuffmanLookup::kEndOfBlock, static_cast<std::uint8_t>(taken)};
    const std::uint32_t field = (bits >> (kWidth - taken)) & ((1u << size) - 1);
    return {static_cast<std::int16_t>(extendField(field, size)), static_cast<std::uint8_t>(run + 1),
            static_cast<std::uint8_t>(taken)};
}

}  // namespace

void HuffmanLookup::build(const JpegHuffmanTable& table) {
    const std::uint8_t* counts = table.body.data() + 1;
    std::array<bool, 256> seen{};
    canonical_ = true;
    std::uint32_t next = 0;
    std::uint16_t index = 0;
    for (int length = 1; length <= 16; ++length) {
        first_[length] = next;
        index_[length] = index;
        next += counts[length - 1];
        end_[length] = next;
        if (next > (1u << length)) canonical_ = false;
        for (int i = 0; i < counts[length - 1]; ++i, ++index) {
            const int symbol = table.body[JpegHuffmanTable::kHeaderBytes + index];
            if (seen[symbol]) canonical_ = false;
            seen[symbol] = true;
        }
        next <<= 1;
    }

    fillPrefixes(table, kBits, entries_.data());
    acSteps_.reset();

    // Coefficients whose additional bits follow within the same kBits bits.
    for (std::uint32_t i = 0; i < entries_.size(); ++i) {
        coefficients_[i] = Coefficient{};
        const int length = entries_[i] >> 8, symbol = entries_[i] & 0xFF;
        const int size = symbol & 0x0F;
        if (entries_[i] == 0 || size == 0 || length + size > kBits) continue;
        const std::uint32_t field = (i >> (kBits - length - size)) & ((1u << size) - 1);
        const int value = extendField(field, size);
        coefficients_[i] = {static_cast<std::int16_t>(value), static_cast<std::uint8_t>(symbol >> 4),
                            static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(length + size)};
    }
}

void HuffmanLookup::prepareSteps(const JpegHuffmanTable& table) const {
    if (acSteps_) return;
    std::array<std::uint16_t, 1 << kStepBits> codes;
    fillPrefixes(table, kStepBits, codes.data());
    auto steps = std::make_unique<std::array<AcStep, 1 << kStepBits>>();
    for (std::uint32_t i = 0; i < codes.size(); ++i) (*steps)[i] = stepOf(codes[i], i);
    acSteps_ = std::move(steps);
}

int HuffmanLookup::matchLong(const JpegHuffmanTable& table, std::uint32_t window,
                             int& symbol) const {
    if (!canonical_) return matchBySearch(table, window, symbol);
    for (int length = kBits + 1; length <= 16; ++length) {
        const std::uint32_t code = window >> (32 - length);
        if (code < end_[length]) {
            symbol = table.body[JpegHuffmanTable::kHeaderBytes + index_[length] + (code - first_[length])];
            return length;
        }
    }
    return 0;
}

}  // namespace pictrano
