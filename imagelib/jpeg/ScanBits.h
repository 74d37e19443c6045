#pragma once

#include <cstddef>
#include <bit>
#include <cstdint>
#include <cstring>

#include "imagelib/jpeg/JpegScan.h"

namespace pictrano {

// The bits of a scan's entropy-coded data, most significant first. Bits past the end of the data
// do not exist: a decode that would use them fails, which overran() tells after the fact (the
// zero padding behind the data keeps the reads themselves inside the buffer). Small enough to
// copy: a decoding loop works on a local copy, which the compiler keeps in registers.
inline std::uint64_t fromBigEndian(std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        value = (value & 0x00000000FFFFFFFFull) << 32 | value >> 32;
        value = (value & 0x0000FFFF0000FFFFull) << 16 | (value & 0xFFFF0000FFFF0000ull) >> 16;
        value = (value & 0x00FF00FF00FF00FFull) << 8 | (value & 0xFF00FF00FF00FF00ull) >> 8;
    }
    return value;
}

class ScanBits {
public:
    explicit ScanBits(const JpegScan& scan)
        : data_(scan.data.data()), limit_(8 * static_cast<std::uint64_t>(scan.dataLength)) {}

    // The next 64 bits; at least the top 57 are the stream's (zeros past the end).
    std::uint64_t peek() const {
        std::uint64_t value;
        std::memcpy(&value, data_ + (position_ >> 3), 8);
        return fromBigEndian(value) << (position_ & 7);
    }
    std::uint32_t peek32() const { return static_cast<std::uint32_t>(peek() >> 32); }
    void skip(unsigned bits) { position_ += bits; }
    // One bit, or 0 past the end (overran() then says so).
    int readBit() {
        const int bit = (data_[position_ >> 3] >> (7 - (position_ & 7))) & 1;
        ++position_;
        return bit;
    }
    bool overran() const { return position_ > limit_; }
    // Continues at a byte offset of the data (just after a restart marker).
    void restartAt(std::size_t offset) { position_ = 8 * static_cast<std::uint64_t>(offset); }
    std::uint64_t position() const { return position_; }
    void moveTo(std::uint64_t position) { position_ = position; }

private:

    const std::uint8_t* data_;
    std::uint64_t limit_;
    std::uint64_t position_ = 0;
};

// The same bits read a word at a time: a 64-bit buffer whose top `count` bits are the stream's
// next bits, topped up to at least 56 by one eight-byte load. It keeps no end: a user makes sure
// that what it takes, plus the eight bytes of a load, lies within the data and its padding.
class WordBits {
public:
    WordBits(const JpegScan& scan, std::uint64_t position) : data_(scan.data.data()) { moveTo(position); }

    void moveTo(std::uint64_t position) {
        next_ = data_ + (position >> 3);
        buffer_ = 0;
        count_ = 0;
        refill();
        skip(static_cast<unsigned>(position & 7));
    }
    std::uint64_t position() const {
        return 8 * static_cast<std::uint64_t>(next_ - data_) - count_;
    }
    // Afterwards at least 56 bits are in the buffer. Bits loaded twice are the same bits, so
    // OR-ing them in again changes nothing.
    void refill() {
        std::uint64_t word;
        std::memcpy(&word, next_, 8);
        buffer_ |= fromBigEndian(word) >> count_;
        next_ += (63 - count_) >> 3;
        count_ |= 56;
    }
    std::uint64_t peek() const { return buffer_; }
    void skip(unsigned bits) {
        buffer_ <<= bits;
        count_ -= bits;
    }

private:
    const std::uint8_t* data_;
    const std::uint8_t* next_ = nullptr;
    std::uint64_t buffer_ = 0;
    unsigned count_ = 0;
};

// Restart intervals: before MCU number `mcu` (counted from 0 in the scan), when it is a multiple
// m of the interval, the bits continue after the scan's m-th restart marker.
enum class Restart { NotDue, Done, MarkerMissing };
inline Restart restartBefore(int mcu, int interval, const JpegScan& scan, ScanBits& bits) {
    if (interval <= 0 || mcu == 0 || mcu % interval != 0) return Restart::NotDue;
    const auto marker = static_cast<std::size_t>(mcu / interval);
    if (marker > scan.restartPositions.size()) return Restart::MarkerMissing;
    bits.restartAt(scan.restartPositions[marker - 1]);
    return Restart::Done;
}

// The value of an n-bit field of category n: below 2^(n-1) it stands for a negative value.
inline int extendValue(std::uint32_t bits, int n) {
    const int value = static_cast<int>(bits);
    return value < (1 << (n - 1)) ? value - (1 << n) + 1 : value;
}

}  // namespace pictrano
