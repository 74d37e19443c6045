// Inflating a zlib stream: stored, fixed-code and dynamic-code blocks.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>

#include "imagelib/png/deflate/BitReader.h"
#include "imagelib/png/deflate/DeflateCodec.h"
#include "imagelib/png/deflate/DeflateTables.h"
#include "imagelib/png/deflate/HuffmanTable.h"

namespace pictrano {
namespace {

constexpr unsigned kHeaderBits = 16;
enum BlockType : unsigned { kStored = 0, kFixed = 1, kDynamic = 2 };

using Failure = std::optional<Msg>;

class Inflater {
public:
    Inflater(std::uint8_t* output, std::size_t capacity, const ByteSpan* input, std::size_t spanCount)
        : output_(output), capacity_(capacity), in_(input, spanCount) {}

    Failure run();
    std::uint64_t position() const { return in_.position(); }
    std::size_t produced() const { return produced_; }

private:
    Failure copyStored();
    Failure readDynamicTables();
    Failure decodeCodes(const HuffmanTable& literals, const HuffmanTable& distances);

    std::uint8_t* output_;
    std::size_t capacity_;
    std::size_t produced_ = 0;
    BitReader in_;
    HuffmanTable fixedLiterals_, fixedDistances_, literals_, distances_, codeLengths_;
};

Failure Inflater::run() {
    fixedLiterals_.buildFixedLiteralLength();
    fixedDistances_.buildFixedDistance();
    in_.skip(kHeaderBits);
    for (;;) {
        const std::uint32_t header = in_.read(3);
        if (in_.overran()) return Msg::NoBitData;
        Failure failure;
        switch (header >> 1) {
            case kStored:
                failure = copyStored();
                break;
            case kFixed:
                failure = decodeCodes(fixedLiterals_, fixedDistances_);
                break;
            case kDynamic:
                failure = readDynamicTables();
                if (!failure) failure = decodeCodes(literals_, distances_);
                break;
            default:
                return Msg::BlockTypeInvalid;
        }
        if (failure) return failure;
        if ((header & 1) != 0 || in_.atEnd()) return std::nullopt;
    }
}

// A stored block: from the next byte boundary, LEN (16 bits), NLEN (not compared), LEN bytes.
Failure Inflater::copyStored() {
    in_.alignToByte();
    const std::uint32_t count = in_.read(16);
    in_.skip(16);
    if (in_.overran() || in_.position() / 8 + count > in_.length()) return Msg::NoBitData;
    const std::size_t fits = std::min<std::size_t>(count, capacity_ - produced_);
    in_.takeBytes(output_ + produced_, fits);
    produced_ += fits;
    if (fits < count) return Msg::DataTooLong;
    return std::nullopt;
}

// The code lengths of a dynamic block (RFC 1951 3.2.7); any fault in them, running past the end
// of the input included, fails the block's tables.
Failure Inflater::readDynamicTables() {
    const unsigned literalCount = in_.read(5) + 257;
    const unsigned distanceCount = in_.read(5) + 1;
    const unsigned codeLengthCount = in_.read(4) + 4;
    std::array<std::uint8_t, 19> codeLengthLengths{};
    for (unsigned i = 0; i < codeLengthCount; ++i) {
        codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(in_.read(3));
    }
    if (!codeLengths_.InitByLenList(codeLengthLengths.data(), 19)) {
        return Msg::DynamicTableFailed;
    }

    // Room for the longest repeat running past the last length.
    std::array<std::uint8_t, 576> lengths{};
    const unsigned total = literalCount + distanceCount;
    int previous = -1;  // none read yet
    for (unsigned count = 0; count < total;) {
        std::uint32_t symbol = 0;
        const int bits = codeLengths_.decode(in_.peek32(), symbol);
        if (bits == 0) return Msg::DynamicTableFailed;
        in_.skip(static_cast<unsigned>(bits));
        unsigned repeat = 1;
        std::uint8_t value = 0;
        if (symbol < 16) {
            value = static_cast<std::uint8_t>(symbol);
            previous = value;
        } else if (symbol == 16) {
            if (previous < 0) return Msg::DynamicTableFailed;
            repeat = 3 + in_.read(2);
            value = static_cast<std::uint8_t>(previous);
        } else {
            repeat = symbol == 17 ? 3 + in_.read(3) : 11 + in_.read(7);
            previous = 0;
        }
        for (; repeat > 0; --repeat) lengths[count++] = value;
    }
    if (in_.overran()) return Msg::DynamicTableFailed;
    if (!literals_.InitByLenList(lengths.data(), literalCount) ||
        !distances_.InitByLenList(lengths.data() + literalCount, distanceCount)) {
        return Msg::DynamicTableFailed;
    }
    return std::nullopt;
}

Failure Inflater::decodeCodes(const HuffmanTable& literals, const HuffmanTable& distances) {
    // The reader and the output count are worked on as locals, which the output's byte stores
    // cannot alias, and put back on every way out.
    BitReader in = in_;
    std::size_t produced = produced_;
    const auto finish = [&](Failure failure) {
        in_ = in;
        produced_ = produced;
        return failure;
    };
    for (;;) {
        std::uint32_t symbol = 0;
        std::uint32_t window = in.peek32();
        int bits = literals.decode(window, symbol);
        if (bits == 0) return finish(Msg::HuffmanCodeNotFound);
        in.skip(static_cast<unsigned>(bits));
        if (in.overran()) return finish(Msg::NoBitData);
        if (symbol < kEndOfBlock) {
            if (produced == capacity_) return finish(Msg::DataTooLong);
            output_[produced++] = static_cast<std::uint8_t>(symbol);
            // A code is at most 15 bits, so the next one is whole in the 32 bits peeked: a
            // literal there is taken without looking at the input again.
            window >>= bits;
            bits = literals.decode(window, symbol);
            if (bits == 0 || symbol >= kEndOfBlock || produced == capacity_) continue;
            in.skip(static_cast<unsigned>(bits));
            if (in.overran()) return finish(Msg::NoBitData);
            output_[produced++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        if (symbol == kEndOfBlock) return finish(std::nullopt);
        if (symbol > 285) return finish(Msg::InvalidHuffmanCode);
        const DeflateCodeRow& lengthRow = kLengthRows[symbol - 257];
        const std::uint32_t length = lengthRow.base + in.read(lengthRow.extraBits);
        if (in.overran()) return finish(Msg::NoBitData);

        bits = distances.decode(in.peek32(), symbol);
        if (bits == 0 || symbol >= kDistanceRows.size()) return finish(Msg::DistanceCodeInvalid);
        in.skip(static_cast<unsigned>(bits));
        const DeflateCodeRow& distanceRow = kDistanceRows[symbol];
        const std::uint32_t distance = distanceRow.base + in.read(distanceRow.extraBits);
        if (in.overran()) return finish(Msg::NoBitData);
        if (distance > produced) return finish(Msg::DistanceCodeInvalid);

        // `length` bytes from `distance` bytes back; a distance shorter than the length repeats
        // the last `distance` bytes.
        const std::size_t fits = std::min<std::size_t>(length, capacity_ - produced);
        std::uint8_t* to = output_ + produced;
        const std::uint8_t* from = to - distance;
        if (distance >= 8) {
            // Eight bytes at a time: each word read lies wholly before the bytes it is written to.
            std::size_t i = 0;
            for (; i + 8 <= fits; i += 8) std::memcpy(to + i, from + i, 8);
            for (; i < fits; ++i) to[i] = from[i];
        } else if (distance == 1) {
            std::memset(to, *from, fits);
        } else {
            // The bytes from `from` repeat every `distance` bytes: copying all those written so
            // far (a whole number of repeats) doubles them each step.
            for (std::size_t i = 0; i < fits;) {
                const std::size_t count = std::min<std::size_t>(distance + i, fits - i);
                std::memcpy(to + i, from, count);
                i += count;
            }
        }
        produced += fits;
        if (fits < length) return finish(Msg::DataTooLong);
    }
}

}  // namespace

std::uint64_t DeflateCodec::fail(Msg id) {
    errors_.set(id);
    return 0;
}

std::uint64_t DeflateCodec::inflate(std::uint8_t* output, std::size_t outputCapacity,
                                    const std::uint8_t* input, std::size_t inputLength) {
    const ByteSpan whole{input, inputLength};
    return inflate(output, outputCapacity, &whole, 1);
}

std::uint64_t DeflateCodec::inflate(std::uint8_t* output, std::size_t outputCapacity,
                                    const ByteSpan* input, std::size_t spanCount) {
    inflatedLength_ = 0;
    if (input == nullptr && spanCount > 0) return fail(Msg::ParameterInvalid);
    std::size_t inputLength = 0;
    for (std::size_t i = 0; i < spanCount; ++i) {
        if (input[i].data == nullptr && input[i].length > 0) return fail(Msg::ParameterInvalid);
        inputLength += input[i].length;
    }
    if (output == nullptr && outputCapacity > 0) return fail(Msg::ParameterInvalid);
    if (inputLength <= 2) return kHeaderBits;
    try {
        Inflater inflater(output, outputCapacity, input, spanCount);
        const Failure failure = inflater.run();
        inflatedLength_ = inflater.produced();
        if (failure) return fail(*failure);
        return inflater.position();
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
}

}  // namespace pictrano
