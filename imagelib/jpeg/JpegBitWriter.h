#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictrano {

// Writes entropy-coded data into a growing byte buffer: bits most significant first, and a 0x00
// byte after every 0xFF byte (byte stuffing), so the bytes can be stored in a scan as they are.
// Bits gather in a word and leave four bytes at a time.
class JpegBitWriter {
public:
    explicit JpegBitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    // Makes room for `bytes` more output bytes; put and finish write within the room made.
    void reserve(std::size_t bytes) {
        if (length_ + bytes + 8 > out_.size()) {
            out_.resize(std::max(out_.size() * 2, length_ + bytes + 8));
        }
    }

    // Appends the low `count` bits of `bits` (count 0 to 31; the bits above are zero).
    void put(std::uint32_t bits, int count) {
        pending_ = (pending_ << count) | bits;
        pendingCount_ += count;
        if (pendingCount_ >= 32) {
            pendingCount_ -= 32;
            storeWord(static_cast<std::uint32_t>(pending_ >> pendingCount_));
        }
    }

    // Completes the last byte with one-bits (or zero-bits) and stores the bits still held.
    // Returns the data length in bytes, stuffing included.
    std::size_t finish(bool padWithOnes) {
        const int padding = (8 - pendingCount_ % 8) % 8;
        put(padWithOnes ? (1u << padding) - 1 : 0u, padding);
        while (pendingCount_ > 0) {
            pendingCount_ -= 8;
            storeByte(static_cast<std::uint8_t>(pending_ >> pendingCount_));
        }
        return length_;
    }

    std::size_t length() const { return length_; }

private:
    void storeByte(std::uint8_t byte) {
        out_[length_++] = byte;
        if (byte == 0xFF) out_[length_++] = 0x00;
    }

    void storeWord(std::uint32_t word) {
        // A byte 0xFF in the word is a zero byte in its complement.
        const std::uint32_t complement = ~word;
        if (((complement - 0x01010101u) & ~complement & 0x80808080u) == 0) {
            std::uint8_t* at = out_.data() + length_;
            at[0] = static_cast<std::uint8_t>(word >> 24);
            at[1] = static_cast<std::uint8_t>(word >> 16);
            at[2] = static_cast<std::uint8_t>(word >> 8);
            at[3] = static_cast<std::uint8_t>(word);
            length_ += 4;
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8) storeByte(static_cast<std::uint8_t>(word >> shift));
    }

    std::vector<std::uint8_t>& out_;
    std::size_t length_ = 0;
    std::uint64_t pending_ = 0;
    int pendingCount_ = 0;
};

}  // namespace pictrano
