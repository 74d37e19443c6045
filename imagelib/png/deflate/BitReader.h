#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// Reads a byte buffer as one little-endian bit sequence (bit p is bit p mod 8 of byte p / 8).
// Bits past the end of the buffer read as 0 and are never loaded from memory; overran() tells
// whether anything past the end has been consumed.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}

    // The number of bits consumed since the start of the buffer.
    std::uint64_t position() const { return std::uint64_t{next_} * 8 - count_; }
    bool overran() const { return position() > std::uint64_t{length_} * 8; }
    // True when every bit of the buffer has been consumed.
    bool atEnd() const { return position() >= std::uint64_t{length_} * 8; }

    // The next 32 bits, first bit in bit 0, without consuming them.
    std::uint32_t peek32() {
        if (count_ < 32) refill();
        return static_cast<std::uint32_t>(buffer_);
    }

    void skip(unsigned bits) {
        if (count_ < bits) refill();
        buffer_ >>= bits;
        count_ -= bits;
    }

    // Consumes and returns `bits` bits (at most 32), the first one in bit 0.
    std::uint32_t read(unsigned bits) {
        if (count_ < bits) refill();
        const auto value = static_cast<std::uint32_t>(buffer_ & ((std::uint64_t{1} << bits) - 1));
        buffer_ >>= bits;
        count_ -= bits;
        return value;
    }

    // Moves to an absolute bit position (which may lie past the end of the buffer).
    void seek(std::uint64_t bitPosition) {
        buffer_ = 0;
        count_ = 0;
        next_ = static_cast<std::size_t>(bitPosition / 8);
        skip(static_cast<unsigned>(bitPosition % 8));
    }

private:
    // Tops the buffer up to at least 56 bits.
    void refill() {
        if (next_ < length_ && length_ - next_ >= 8) {
            std::uint64_t word = 0;
            for (unsigned i = 0; i < 8; ++i) word |= std::uint64_t{data_[next_ + i]} << (8 * i);
            buffer_ |= word << count_;
            next_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        for (; count_ <= 56; count_ += 8, ++next_) {
            if (next_ < length_) buffer_ |= std::uint64_t{data_[next_]} << count_;
        }
    }

    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t next_ = 0;  // the next byte to load into the buffer
    std::uint64_t buffer_ = 0;
    unsigned count_ = 0;  // bits held in the buffer
};

}  // namespace pictrano
