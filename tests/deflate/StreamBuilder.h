#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pictrano::test {

// RFC 1951 3.2.5, derived from its rules rather than copied: length symbols 257-264 carry no extra
// bits, then every four symbols one more; 285 is 258. Distance symbols 0-3 carry none, then every
// two symbols one more.
struct CodeRow {
    unsigned symbol, extraBits, base;
};

inline std::vector<CodeRow> rfcLengthRows() {
    std::vector<CodeRow> rows;
    unsigned base = 3;
    for (unsigned symbol = 257; symbol < 285; ++symbol) {
        const unsigned extra = symbol < 265 ? 0 : (symbol - 261) / 4;
        rows.push_back({symbol, extra, base});
        base += 1u << extra;
    }
    rows.push_back({285, 0, 258});
    return rows;
}

inline std::vector<CodeRow> rfcDistanceRows() {
    std::vector<CodeRow> rows;
    unsigned base = 1;
    for (unsigned symbol = 0; symbol < 30; ++symbol) {
        const unsigned extra = symbol < 4 ? 0 : symbol / 2 - 1;
        rows.push_back({symbol, extra, base});
        base += 1u << extra;
    }
    return rows;
}

// The last row whose base does not exceed the value.
inline const CodeRow& rowOf(const std::vector<CodeRow>& rows, unsigned value) {
    const CodeRow* row = &rows.back();
    while (row->base > value) --row;
    return *row;
}

// Hand-assembles Deflate streams bit by bit, independently of the codec's own bit writer: fields
// least significant bit first, Huffman codes most significant bit first.
class StreamBuilder {
public:
    // Starts with the zlib header bytes.
    explicit StreamBuilder(std::initializer_list<std::uint8_t> header = {0x78, 0x01}) : bytes_(header) {}

    StreamBuilder& field(std::uint32_t value, unsigned bits) {
        for (unsigned i = 0; i < bits; ++i) bit((value >> i) & 1u);
        return *this;
    }
    StreamBuilder& code(std::uint32_t value, unsigned bits) {
        for (unsigned i = bits; i > 0; --i) bit((value >> (i - 1)) & 1u);
        return *this;
    }
    StreamBuilder& alignedBytes(std::initializer_list<std::uint8_t> bytes) {
        used_ = 0;
        bytes_.insert(bytes_.end(), bytes);
        return *this;
    }

    // Fixed-code helpers (RFC 1951 3.2.6).
    StreamBuilder& fixedLiteral(unsigned symbol) {
        if (symbol < 144) return code(0x30 + symbol, 8);
        if (symbol < 256) return code(0x190 + symbol - 144, 9);
        if (symbol < 280) return code(symbol - 256, 7);
        return code(0xC0 + symbol - 280, 8);
    }
    StreamBuilder& fixedDistance(unsigned symbol) { return code(symbol, 5); }
    StreamBuilder& fixedMatch(unsigned length, unsigned distance) {
        static const std::vector<CodeRow> lengths = rfcLengthRows(), distances = rfcDistanceRows();
        const CodeRow& lengthRow = rowOf(lengths, length);
        const CodeRow& distanceRow = rowOf(distances, distance);
        fixedLiteral(lengthRow.symbol).field(length - lengthRow.base, lengthRow.extraBits);
        return fixedDistance(distanceRow.symbol).field(distance - distanceRow.base, distanceRow.extraBits);
    }

    // The bit count so far, counted from the start of the header.
    std::uint64_t bitCount() const { return (bytes_.size() - (used_ ? 1 : 0)) * 8 + used_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    void bit(std::uint32_t b) {
        if (used_ == 0) bytes_.push_back(0);
        bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (b << used_));
        used_ = (used_ + 1) % 8;
    }

    std::vector<std::uint8_t> bytes_;
    unsigned used_ = 0;  // bits used in the last byte, 0 when it is full
};

}  // namespace pictrano::test
