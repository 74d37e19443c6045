#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imagelib/png/deflate/ByteSpan.h"

namespace pictrano {

// Reads the bytes of one or more spans, taken one after another, as one little-endian bit
// sequence (bit p is bit p mod 8 of byte p / 8). Bits past the end of the last span read as 0
// and are never loaded from memory; overran() tells whether anything past the end has been
// consumed. The spans must outlive the reader, which may be copied.
class BitReader {
public:
    BitReader(const ByteSpan* spans, std::size_t spanCount) : spans_(spans) {
        for (std::size_t i = 0; i < spanCount; ++i) length_ += spans[i].length;
        if (spanCount > 0) {
            spanEnd_ = spans[0].length;
            here_ = spans[0].data;
        }
    }

    // The number of bits consumed since the start of the first span.
    std::uint64_t position() const { return std::uint64_t{next_} * 8 - count_; }
    bool overran() const { return position() > std::uint64_t{length_} * 8; }
    // True when every bit of the spans has been consumed.
    bool atEnd() const { return position() >= std::uint64_t{length_} * 8; }
    std::size_t length() const { return length_; }

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

    // Skips to the next byte boundary.
    void alignToByte() { skip(count_ % 8); }

    // Copies the next `count` bytes to `out` and consumes them; the reader stands on a byte
    // boundary and position() / 8 + count is at most length().
    void takeBytes(std::uint8_t* out, std::size_t count) {
        for (; count > 0 && count_ >= 8; --count, count_ -= 8, buffer_ >>= 8) {
            *out++ = static_cast<std::uint8_t>(buffer_);
        }
        if (count == 0) return;
        buffer_ = 0;  // it may hold bytes beyond the bits counted, which the copy moves past
        while (count > 0) {
            enterSpanOfNext();
            const std::size_t here = count < spanEnd_ - next_ ? count : spanEnd_ - next_;
            std::memcpy(out, here_, here);
            here_ += here;
            out += here;
            next_ += here;
            count -= here;
        }
    }

private:
    // Tops the buffer up to at least 56 bits: a word at once within a span, byte by byte where
    // the eight bytes cross into the next span or past the end.
    void refill() {
        if (next_ + 8 <= spanEnd_) {
            std::uint64_t word = 0;
            for (unsigned i = 0; i < 8; ++i) word |= std::uint64_t{here_[i]} << (8 * i);
            buffer_ |= word << count_;
            const unsigned step = (63 - count_) >> 3;
            here_ += step;
            next_ += step;
            count_ |= 56;
            return;
        }
        for (; count_ <= 56; count_ += 8, ++next_) {
            if (next_ >= length_) continue;
            enterSpanOfNext();
            buffer_ |= std::uint64_t{*here_++} << count_;
        }
    }

    // Moves on to the span holding byte next_ (which lies before the end), past empty spans.
    void enterSpanOfNext() {
        while (next_ >= spanEnd_) {
            spanEnd_ += spans_[++span_].length;
            here_ = spans_[span_].data;
        }
    }

    const ByteSpan* spans_;
    std::size_t length_ = 0;   // the bytes of every span
    std::size_t span_ = 0;     // the span being read
    std::size_t spanEnd_ = 0;  // where it ends among all the bytes
    std::size_t next_ = 0;  // the next byte to load into the buffer, counted over all spans
    const std::uint8_t* here_ = nullptr;  // where byte next_ stands in its span
    std::uint64_t buffer_ = 0;
    unsigned count_ = 0;  // bits held in the buffer
};

}  // namespace pictrano
