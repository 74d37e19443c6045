#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// Appends bit fields to a byte buffer of fixed capacity as one little-endian bit sequence (the
// field's bit 0 first). Every byte of the stream is written, so the buffer need not be cleared
// beforehand. Nothing is written past the capacity: overflowed() reports a stream that did not fit.
class BitWriter {
public:
    BitWriter(std::uint8_t* data, std::size_t capacity) : data_(data), capacity_(capacity) {}

    // Appends the low `bits` bits of `value` (at most 32 bits; the bits above must be 0).
    void put(std::uint32_t value, unsigned bits) {
        buffer_ |= std::uint64_t{value} << count_;
        count_ += bits;
        if (count_ >= 32) flushWord();
    }

    // Fills the current byte with zero bits.
    void alignToByte() { count_ = (count_ + 7) & ~7u; }

    // Appends whole bytes; the stream must be on a byte boundary.
    void putBytes(const std::uint8_t* bytes, std::size_t length) {
        flushBytes();
        if (length > capacity_ - size_) {
            overflowed_ = true;
            return;
        }
        for (std::size_t i = 0; i < length; ++i) data_[size_ + i] = bytes[i];
        size_ += length;
    }

    // Writes out the bits held back; the stream must be on a byte boundary. Returns the length
    // of the stream in bytes.
    std::size_t finish() {
        flushBytes();
        return size_;
    }

    std::uint64_t bitPosition() const { return std::uint64_t{size_} * 8 + count_; }
    bool overflowed() const { return overflowed_; }

private:
    void flushWord() {
        if (capacity_ - size_ < 4) {
            flushBytes();
            return;
        }
        for (unsigned i = 0; i < 4; ++i) data_[size_ + i] = static_cast<std::uint8_t>(buffer_ >> (8 * i));
        size_ += 4;
        buffer_ >>= 32;
        count_ -= 32;
    }

    void flushBytes() {
        for (; count_ >= 8; count_ -= 8, buffer_ >>= 8) {
            if (size_ == capacity_) {
                overflowed_ = true;
                count_ = 0;
                buffer_ = 0;
                return;
            }
            data_[size_++] = static_cast<std::uint8_t>(buffer_);
        }
    }

    std::uint8_t* data_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    std::uint64_t buffer_ = 0;
    unsigned count_ = 0;
    bool overflowed_ = false;
};

}  // namespace pictrano
