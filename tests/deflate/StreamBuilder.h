#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pictrano::test {

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
