#include "tests/deflate/ReferenceDeflate.h"

#include <algorithm>
#include <unordered_map>

#include "imagelib/png/deflate/DeflateTables.h"
#include "imagelib/png/deflate/HuffmanTable.h"

namespace pictrano::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Index = std::int64_t;  // signed, so that walks may step below the input start

constexpr Index kSegment = 3276800;

// A slot table: the position kept for each slot number key mod N; a missing slot is empty.
template <std::uint32_t N>
class Slots {
public:
    bool empty(std::uint32_t key) const { return positions_.count(key % N) == 0; }
    Index at(std::uint32_t key) const { return positions_.at(key % N); }
    void insert(std::uint32_t key, Index position) { positions_[key % N] = position; }

private:
    std::unordered_map<std::uint32_t, Index> positions_;
};

class ReferenceCoder {
public:
    ReferenceCoder(const Bytes& input) : in_(input), n_(Index(input.size())), out_(2 * input.size() + 48) {
        literals_.buildFixedLiteralLength();
        distances_.buildFixedDistance();
    }

    Bytes run(int degree, std::size_t rowWindow) {
        put(0x78, 8);
        if (degree == 1) {
            put(0x5E, 8);
            const Index window = std::min<Index>(Index(rowWindow), 32768);
            Index begin = 0;
            for (; n_ - begin >= kSegment; begin += kSegment) {
                put(2, 3);
                degree1(begin, kSegment, window);
                put(literals_.pattern(256, 0), unsigned(literals_.length(256)));
            }
            put(3, 3);
            degree1(begin, n_ - begin, window);
            put(literals_.pattern(256, 0), unsigned(literals_.length(256)));
        } else if (degree == 2 || degree == 3) {
            put(degree == 2 ? 0x9C : 0xDA, 8);
            put(3, 3);
            if (degree == 2) degree2();
            else degree3();
            put(literals_.pattern(256, 0), unsigned(literals_.length(256)));
        } else {
            put(0x01, 8);
            stored();
        }
        p_ = (p_ + 7) / 8 * 8;
        std::uint32_t a = 1, b = 0;
        for (std::uint8_t byte : in_) {
            a = (a + byte) % 65521;
            b = (b + a) % 65521;
        }
        const std::uint32_t adler = b << 16 | a;
        for (int shift = 24; shift >= 0; shift -= 8) put((adler >> shift) & 0xFF, 8);
        out_.resize(p_ / 8);
        return out_;
    }

private:
    // ORs the value into the 32-bit little-endian word at the bit position.
    void put(std::uint32_t value, unsigned bits) {
        const std::uint64_t shifted = std::uint64_t{value} << (p_ % 8);
        for (unsigned i = 0; i < 4; ++i) out_[p_ / 8 + i] |= std::uint8_t(shifted >> (8 * i));
        p_ += bits;
    }
    void putSymbol(unsigned symbol) {
        const unsigned shift = p_ % 8;
        const std::uint32_t pattern = literals_.pattern(symbol, shift);
        for (unsigned i = 0; i < 4; ++i) out_[p_ / 8 + i] |= std::uint8_t(pattern >> (8 * i));
        p_ += unsigned(literals_.length(symbol));
    }
    void literal(Index i) { putSymbol(in_[std::size_t(i)]); }
    void match(Index length, Index distance) {
        length = std::min<Index>(length, 258);
        int row = 28;
        while (kLengthRows[row].base > length) --row;
        putSymbol(kLengthRows[row].symbol);
        put(std::uint32_t(length - kLengthRows[row].base), kLengthRows[row].extraBits);
        row = 29;
        while (kDistanceRows[row].base > distance) --row;
        const unsigned shift = p_ % 8;
        const std::uint32_t pattern = distances_.pattern(kDistanceRows[row].symbol, shift);
        for (unsigned i = 0; i < 4; ++i) out_[p_ / 8 + i] |= std::uint8_t(pattern >> (8 * i));
        p_ += 5;
        put(std::uint32_t(distance - kDistanceRows[row].base), kDistanceRows[row].extraBits);
    }

    std::uint8_t at(Index i) const { return i < n_ ? in_[std::size_t(i)] : 0; }
    std::uint32_t key4(Index i) const {
        return std::uint32_t{at(i)} | std::uint32_t{at(i + 1)} << 8 | std::uint32_t{at(i + 2)} << 16 |
               std::uint32_t{at(i + 3)} << 24;
    }
    std::uint32_t key3(Index i) const { return key4(i) & 0xFFFFFF; }
    bool same3(Index q, Index p) const { return at(q) == at(p) && at(q + 1) == at(p + 1) && at(q + 2) == at(p + 2); }

    void stored() {
        Index i = 0;
        for (; n_ - i >= 65535; i += 65535) {
            for (std::uint32_t byte : {0x00u, 0xFFu, 0xFFu, 0x00u, 0x00u}) put(byte, 8);
            for (Index k = 0; k < 65535; ++k) put(in_[std::size_t(i + k)], 8);
        }
        const Index r = n_ - i;
        if (r == 0) {
            put(0x03, 8);  // an empty final fixed-code block
            put(0x00, 8);
            return;
        }
        put(0x01, 8);
        put(std::uint32_t(r), 16);
        put(std::uint32_t(r) ^ 0xFFFF, 16);
        for (Index k = 0; k < r; ++k) put(in_[std::size_t(i + k)], 8);
    }

    // Degree 1: 4-byte keys, window W, a 257-step walk back from the slot's position.
    void degree1(Index base, Index n, Index window) {
        Slots<65521> table;
        auto insert = [&](Index x) { table.insert(key4(x), x); };
        Index windowStart = base;
        Index s = 0;
        for (; s < n - 3;) {
            const Index p = base + s;
            if (s > window) windowStart = p - window;
            const std::uint32_t key = key4(p);
            if (table.empty(key)) {
                table.insert(key, p);
                literal(p);
                ++s;
                continue;
            }
            Index q = table.at(key);
            int unequal = 0;
            bool found = false;
            while (q >= windowStart) {
                if (key4(q) == key) {
                    found = true;
                    break;
                }
                if (++unequal == 257) {
                    q = windowStart + 3;
                    unequal = 0;
                } else {
                    --q;
                }
            }
            if (!found) {
                literal(p);
                ++s;
                continue;
            }
            for (Index k = 0; k < 4; ++k) insert(p + k);
            Index length = 4;
            while (length < 258 && s + length < n - 3 && at(p + length) == at(q + length)) {
                insert(p + length);
                ++length;
            }
            match(length, p - q);
            s += length;
        }
        for (; s < n; ++s) literal(base + s);
    }

    // Degree 2: 3-byte keys, window 1,024, two passes of at most two counted matches.
    void degree2() {
        Slots<65521> table;
        auto insert = [&](Index x) { table.insert(key3(x), x); };
        Index s = 0;
        for (; s < n_ - 2;) {
            const Index p = s;
            const Index windowStart = s > 1024 ? p - 1024 : 0;
            if (table.empty(key3(p))) {
                table.insert(key3(p), p);
                literal(p);
                ++s;
                continue;
            }
            if (table.at(key3(p)) < windowStart) {
                literal(p);
                ++s;
                continue;
            }
            Index q = table.at(key3(p)), best = 0, bestQ = 0, length = 0;
            int counted = 0;
            while (q >= windowStart) {
                if (!same3(q, p)) {
                    --q;
                    continue;
                }
                insert(p), insert(p + 1), insert(p + 2);
                length = 3;
                while (length < 258 && s + length < n_ - 2 && at(p + length) == at(q + length)) {
                    insert(p + length);
                    ++length;
                }
                ++counted;
                if (length > best) best = length, bestQ = q;
                if (length == 258 || length > s || counted == 2) break;
                q -= length;
            }
            if (counted >= 1 && length < 258 && q >= windowStart && s + 4 <= n_) {
                while (q >= windowStart) {
                    if (key4(q) != key4(p)) {
                        --q;
                        continue;
                    }
                    length = 4;
                    while (length < 258 && s + length < n_ - 3 && at(p + length) == at(q + length)) {
                        insert(p + length);
                        ++length;
                    }
                    if (length > best) best = length, bestQ = q, ++counted;
                    if (length == 258 || length > s || counted > 1) break;
                    q -= length;
                }
            }
            if (best > 0) {
                match(best, p - bestQ);
                s += best;
            } else {
                literal(p);
                ++s;
            }
        }
        for (; s < n_; ++s) literal(s);
    }

    // Degree 3: 3-byte keys in tables A and B, window 32,767, the first pass through the whole
    // window.
    void degree3() {
        Slots<65521> tableA;
        Slots<65519> tableB;
        auto insertA = [&](Index x) { tableA.insert(key3(x), x); };
        auto insertBoth = [&](Index x) { insertA(x), tableB.insert(key3(x), x); };
        Index s = 0;
        for (; s < n_ - 2;) {
            const Index p = s;
            const Index windowStart = s >= 32767 ? p - 32767 : 0;
            if (tableA.empty(key3(p)) || tableB.empty(key3(p))) {
                insertBoth(p);
                literal(p);
                ++s;
                continue;
            }
            if (tableA.at(key3(p)) < windowStart) {
                literal(p);
                ++s;
                continue;
            }
            Index q = tableA.at(key3(p)), best = 0, bestQ = 0, length = 0;
            int counted = 0;
            while (q >= windowStart) {
                if (!same3(q, p)) {
                    --q;
                    continue;
                }
                insertBoth(p), insertBoth(p + 1), insertBoth(p + 2);
                length = 3;
                while (length < 258 && s + length < n_ - 2 && at(p + length) == at(q + length)) {
                    insertBoth(p + length);
                    ++length;
                }
                if (length > best) best = length, bestQ = q, ++counted;
                if (length == 258 || length > s) break;
                q -= length;
            }
            if (counted >= 1 && length < 258 && q >= windowStart && s + 4 <= n_) {
                while (q >= windowStart) {
                    if (key4(q) != key4(p)) {
                        --q;
                        continue;
                    }
                    for (Index k = 0; k < 4; ++k) insertBoth(p + k);
                    length = 4;
                    while (length < 258 && s + length < n_ - 3 && at(p + length) == at(q + length)) {
                        insertA(p + length);
                        ++length;
                    }
                    if (length > best) best = length, bestQ = q;
                    if (length == 258 || length > s) break;
                    q -= length;
                }
            }
            if (best > 0) {
                match(best, p - bestQ);
                s += best;
            } else {
                literal(p);
                ++s;
            }
        }
        for (; s < n_; ++s) literal(s);
    }

    const Bytes& in_;
    Index n_;
    Bytes out_;
    std::uint64_t p_ = 0;
    HuffmanTable literals_, distances_;
};

}  // namespace

Bytes referenceDeflate(const Bytes& input, int degree, std::size_t rowWindow) {
    return ReferenceCoder(input).run(degree, rowWindow);
}

}  // namespace pictrano::test
