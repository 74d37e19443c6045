#include "imagelib/bmp/BmpRleDecoder.h"

#include <algorithm>
#include <cstring>

namespace pictrano {
namespace {

// Walks the codes with a column x and a stored-row counter v; every write is checked against
// the picture and every read against the end of the file.
class RleCodeReader {
public:
    RleCodeReader(const BmpSource& source, bool fourBit, std::uint64_t position, BmpDecoded& out)
        : source_(source), fourBit_(fourBit), position_(position), out_(out) {}

    void run() {
        while (v_ < source_.rows() && position_ + 2 <= source_.length) {
            const std::uint8_t first = nextByte();
            const std::uint8_t second = nextByte();
            if (first > 0) {
                encodedRun(first, second);
            } else if (second == 0) {
                endOfLine();
            } else if (second == 1) {
                return;
            } else if (second == 2) {
                delta();
            } else {
                absoluteRun(second);
            }
        }
    }

private:
    std::uint8_t nextByte() { return source_.file[position_++]; }

    void writePixel(unsigned index) {
        if (v_ >= source_.rows()) return;
        out_.setIndex(static_cast<std::size_t>(source_.outputRow(v_)), static_cast<std::size_t>(x_),
                      index);
        if (++x_ == source_.width) {
            x_ = 0;
            ++v_;
        }
    }

    void encodedRun(unsigned count, std::uint8_t value) {
        for (unsigned i = 0; i < count && v_ < source_.rows(); ++i) {
            writePixel(fourBit_ ? nibble(value, i) : value);
        }
    }

    // A row ended early moves on to the next row; at column 0 the previous row was already
    // completed by its last pixel. A row one pixel short (column width - 1) ends like any other.
    void endOfLine() {
        if (x_ > 0) ++v_;
        x_ = 0;
    }

    void delta() {
        if (position_ + 2 > source_.length) {
            position_ = source_.length;
            return;
        }
        x_ += nextByte();
        v_ += nextByte();
        if (x_ >= source_.width) {
            v_ += x_ / source_.width;
            x_ %= source_.width;
        }
    }

    // `count` literal indices, padded to an even number of bytes.
    void absoluteRun(unsigned count) {
        const std::uint64_t bytes = fourBit_ ? (count + 1) / 2 : count;
        const std::uint64_t available = std::min(bytes, source_.length - position_);
        const std::uint8_t* data = source_.file + position_;
        for (unsigned i = 0; i < count && v_ < source_.rows(); ++i) {
            const std::uint64_t at = fourBit_ ? i / 2 : i;
            if (at >= available) break;
            writePixel(fourBit_ ? nibble(data[at], i) : data[at]);
        }
        position_ = std::min(position_ + bytes + bytes % 2, source_.length);
    }

    // Pixel i of a 4-bit pair: the high nibble first.
    static unsigned nibble(std::uint8_t value, unsigned i) {
        return i % 2 == 0 ? value >> 4 : value & 0x0Fu;
    }

    const BmpSource& source_;
    const bool fourBit_;
    std::uint64_t position_;
    BmpDecoded& out_;
    std::int64_t x_ = 0;
    std::int64_t v_ = 0;
};

// Every pixel starts as palette entry 0 (the index plane is already all 0): the first row is
// filled pixel by pixel, the others copied from it. A black entry 0 is what the zero-filled rows
// hold already; they stay untouched, so codes that describe a small part of a large picture
// cost memory for that part only.
void fillWithEntryZero(const BmpSource& source, BmpDecoded& out) {
    if (out.palette[0] == 0 && out.palette[1] == 0 && out.palette[2] == 0) return;
    for (std::int64_t column = 0; column < source.width; ++column) {
        out.setIndex(0, static_cast<std::size_t>(column), 0);
    }
    for (std::int64_t row = 1; row < source.rows(); ++row) {
        std::memcpy(out.pixels.data() + static_cast<std::size_t>(row) * out.pixelStride,
                    out.pixels.data(), out.pixelStride);
    }
}

}  // namespace

DecodeFailure decodeRle(const BmpSource& source, bool fourBit, BmpDecoded& out) {
    if (auto failure = checkDimensions(source, true)) return failure;
    const std::uint64_t position = pixelDataPosition(source, source.paletteEnd(), 1);
    if (position >= source.length) return Msg::FileFormatInvalid;
    if (auto failure = readPalette(source, out)) return failure;
    out.allocateIndexed(source.width, source.rows());
    fillWithEntryZero(source, out);
    RleCodeReader(source, fourBit, position, out).run();
    return std::nullopt;
}

}  // namespace pictrano
