#include "tests/deflate/ReferenceInflate.h"

#include <array>

#include "imagelib/png/deflate/DeflateTables.h"
#include "imagelib/png/deflate/HuffmanTable.h"

namespace pictrano::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ReferenceInflater {
public:
    ReferenceInflater(const Bytes& input, std::size_t capacity)
        : padded_(input), totalBits_(std::uint64_t{input.size()} * 8), capacity_(capacity) {
        padded_.resize(input.size() + 4);  // the word loads read up to 3 bytes past the end
    }

    InflateOutcome run() {
        InflateOutcome outcome;
        outcome.failure = blocks();
        outcome.output = output_;
        if (!outcome.failure) outcome.position = p_;
        return outcome;
    }

private:
    std::uint32_t word(std::uint64_t bytePosition) const {
        if (bytePosition + 4 > padded_.size()) return 0;
        const std::uint8_t* at = padded_.data() + bytePosition;
        return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
               std::uint32_t{at[3]} << 24;
    }

    static std::uint32_t mask(unsigned shift, unsigned width) {
        return static_cast<std::uint32_t>(((std::uint64_t{1} << width) - 1) << shift);
    }

    // n bits (0-16) at the bit position, then advances past them.
    std::uint32_t take(unsigned n) {
        const unsigned shift = p_ % 8;
        const std::uint32_t value = (word(p_ / 8) & mask(shift, n)) >> shift;
        p_ += n;
        return value;
    }

    // The first symbol, in increasing order, whose pre-shifted pattern equals the bits at the
    // position under its length's mask.
    int find(const HuffmanTable& table, std::uint32_t& symbol) const {
        const unsigned shift = p_ % 8;
        const std::uint32_t bits = word(p_ / 8);
        for (std::uint32_t s = 0; s < table.symbolCount(); ++s) {
            const int length = table.length(s);
            if (length == 0) continue;
            const std::uint32_t m = mask(shift, static_cast<unsigned>(length));
            if ((m & table.pattern(s, shift)) == (m & bits)) {
                symbol = s;
                return length;
            }
        }
        return 0;
    }

    bool overran() const { return p_ > totalBits_; }

    std::optional<Msg> blocks() {
        p_ = 16;
        if (totalBits_ <= 16) return std::nullopt;
        HuffmanTable fixedLiterals, fixedDistances;
        fixedLiterals.buildFixedLiteralLength();
        fixedDistances.buildFixedDistance();
        for (;;) {
            const std::uint32_t final = take(1);
            const std::uint32_t type = take(2);
            if (overran()) return Msg::NoBitData;
            std::optional<Msg> failure;
            if (type == 0) {
                failure = stored();
            } else if (type == 1) {
                failure = codes(fixedLiterals, fixedDistances);
            } else if (type == 2) {
                HuffmanTable literals, distances;
                failure = dynamicTables(literals, distances);
                if (!failure) failure = codes(literals, distances);
            } else {
                return Msg::BlockTypeInvalid;
            }
            if (failure) return failure;
            if (final == 1 || p_ >= totalBits_) return std::nullopt;
        }
    }

    std::optional<Msg> stored() {
        p_ = (p_ + 7) / 8 * 8;
        const std::uint64_t at = p_ / 8;
        const std::uint64_t length = totalBits_ / 8;
        if (at + 4 > length) return Msg::NoBitData;
        const std::uint32_t count = padded_[at] | padded_[at + 1] << 8;
        if (at + 4 + count > length) return Msg::NoBitData;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (output_.size() == capacity_) return Msg::DataTooLong;
            output_.push_back(padded_[at + 4 + i]);
        }
        p_ += 32 + 8 * std::uint64_t{count};
        return std::nullopt;
    }

    std::optional<Msg> dynamicTables(HuffmanTable& literals, HuffmanTable& distances) {
        const unsigned hlit = take(5) + 257, hdist = take(5) + 1, hclen = take(4) + 4;
        std::array<std::uint8_t, 19> order{};
        for (unsigned i = 0; i < hclen; ++i) order[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(take(3));
        HuffmanTable codeLengths;
        if (!codeLengths.InitByLenList(order.data(), 19)) return Msg::DynamicTableFailed;
        std::array<std::uint8_t, 576> lengths{};
        unsigned count = 0;
        int previous = -1;
        while (count < hlit + hdist) {
            std::uint32_t symbol = 0;
            const int bits = find(codeLengths, symbol);
            if (bits == 0) return Msg::DynamicTableFailed;
            p_ += static_cast<unsigned>(bits);
            if (symbol < 16) {
                lengths[count++] = static_cast<std::uint8_t>(symbol);
                previous = static_cast<int>(symbol);
            } else if (symbol == 16) {
                if (previous < 0) return Msg::DynamicTableFailed;
                for (unsigned r = 3 + take(2); r > 0; --r) lengths[count++] = static_cast<std::uint8_t>(previous);
            } else {
                for (unsigned r = symbol == 17 ? 3 + take(3) : 11 + take(7); r > 0; --r) lengths[count++] = 0;
                previous = 0;
            }
        }
        if (overran()) return Msg::DynamicTableFailed;
        if (!literals.InitByLenList(lengths.data(), hlit) ||
            !distances.InitByLenList(lengths.data() + hlit, hdist)) {
            return Msg::DynamicTableFailed;
        }
        return std::nullopt;
    }

    std::optional<Msg> codes(const HuffmanTable& literals, const HuffmanTable& distances) {
        for (;;) {
            std::uint32_t symbol = 0;
            int bits = find(literals, symbol);
            if (bits == 0) return Msg::HuffmanCodeNotFound;
            p_ += static_cast<unsigned>(bits);
            if (overran()) return Msg::NoBitData;
            if (symbol < 256) {
                if (output_.size() == capacity_) return Msg::DataTooLong;
                output_.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256) return std::nullopt;
            if (symbol > 285) return Msg::InvalidHuffmanCode;
            const DeflateCodeRow& lengthRow = kLengthRows[symbol - 257];
            const std::uint32_t length = lengthRow.base + take(lengthRow.extraBits);
            if (overran()) return Msg::NoBitData;
            bits = find(distances, symbol);
            if (bits == 0 || symbol > 29) return Msg::DistanceCodeInvalid;
            p_ += static_cast<unsigned>(bits);
            const DeflateCodeRow& distanceRow = kDistanceRows[symbol];
            const std::uint32_t distance = distanceRow.base + take(distanceRow.extraBits);
            if (overran()) return Msg::NoBitData;
            if (distance > output_.size()) return Msg::DistanceCodeInvalid;
            // Byte by byte from `distance` back, restarting at the copy's first source byte
            // whenever the source reaches the point where the copy began.
            const std::size_t begin = output_.size();
            std::size_t from = begin - distance;
            for (std::uint32_t i = 0; i < length; ++i) {
                if (output_.size() == capacity_) return Msg::DataTooLong;
                output_.push_back(output_[from++]);
                if (from == begin) from = begin - distance;
            }
        }
    }

    Bytes padded_;
    std::uint64_t totalBits_;
    std::size_t capacity_;
    std::uint64_t p_ = 0;
    Bytes output_;
};

}  // namespace

InflateOutcome referenceInflate(const std::vector<std::uint8_t>& input, std::size_t capacity) {
    return ReferenceInflater(input, capacity).run();
}

}  // namespace pictrano::test
