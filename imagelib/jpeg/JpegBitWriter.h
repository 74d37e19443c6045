#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imagelib/jpeg/JpegScan.h"

namespace pictrano {

// Writes entropy-coded data into a growing byte buffer: bits most significant first, and a 0x00
// byte after every 0xFF byte (byte stuffing), so the bytes can be stored in a scan as they are.
// Bits gather in a word and leave four bytes at a time. The buffer is not cleared beforehand:
// every byte up to the length is written.
class JpegBitWriter {
public:
    // `capacity`: the first size of the buffer; it grows when the data needs more.
    explicit JpegBitWriter(std::size_t capacity)
        : out_(std::make_unique_for_overwrite<std::uint8_t[]>(capacity)), capacity_(capacity) {}

    // Makes room for `bytes` more output bytes; put and finish write within the room made.
    void reserve(std::size_t bytes) {
        if (length_ + bytes + 8 > capacity_) {
            const std::size_t capacity = std::max(capacity_ * 2, length_ + bytes + 8);
            auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
            std::memcpy(grown.get(), out_.get(), length_);
            out_ = std::move(grown);
            capacity_ = capacity;
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
    const std::uint8_t* data() const { return out_.get(); }

private:
    void storeByte(std::uint8_t byte) {
        out_[length_++] = byte;
        if (byte == 0xFF) out_[length_++] = 0x00;
    }

    void storeWord(std::uint32_t word) {
        // A byte 0xFF in the word is a zero byte in its complement.
        const std::uint32_t complement = ~word;
        if (((complement - 0x01010101u) & ~complement & 0x80808080u) == 0) {
            std::uint8_t* at = out_.get() + length_;
            at[0] = static_cast<std::uint8_t>(word >> 24);
            at[1] = static_cast<std::uint8_t>(word >> 16);
            at[2] = static_cast<std::uint8_t>(word >> 8);
            at[3] = static_cast<std::uint8_t>(word);
            length_ += 4;
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8) storeByte(static_cast<std::uint8_t>(word >> shift));
    }

    std::unique_ptr<std::uint8_t[]> out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
    std::uint64_t pending_ = 0;
    int pendingCount_ = 0;
};

// Finishes the writer's data (padding its last byte with one-bits or zero-bits) and stores it in
// the scan, followed by the scan's zero padding.
inline void storeScanData(JpegBitWriter& writer, bool padWithOnes, JpegScan& scan) {
    const std::size_t length = writer.finish(padWithOnes);
    scan.data.reserve(length + JpegScan::kDataPadding);
    scan.data.assign(writer.data(), writer.data() + length);
    scan.data.resize(length + JpegScan::kDataPadding);
    scan.dataLength = length;
}

}  // namespace pictrano
