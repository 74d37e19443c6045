#include "imagelib/jpeg/JpegBlockBatch.h"

#include <algorithm>

#include "imagelib/jpeg/JpegZigZag.h"

#if defined(__SSE2__) && defined(__GNUC__)
#include <immintrin.h>
#define PICTRANO_BLOCK_BATCH 1
#endif

namespace pictrano {
namespace {

// The 64 registers of folded sample pairs, each holding one pair of all eight blocks: the rows
// as they stand (pair j of row y at 4y + j), then the four parity classes of (u, v) folded as
// far as their weights mirror. Within the quarter, class 0 (u, v even) folds rows and columns
// again: one set of 2 pairs for each of u mod 4 and v mod 4 being 0 or 2; class 1 (u even) folds
// rows again: 4 pairs for each of u mod 4; class 2 (v even) folds columns again: 4 pairs for each
// of v mod 4; class 3 keeps its 8 pairs.
constexpr std::uint8_t kRowPairs = 0, kClass0 = 32, kClass1 = 40, kClass2 = 48, kClass3 = 56;

std::int32_t packedPair(int even, int odd) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(even)) |
                                     static_cast<std::uint32_t>(static_cast<std::uint16_t>(odd)) << 16);
}

#if defined(PICTRANO_BLOCK_BATCH)

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i halvesOf(const std::int16_t* low, const std::int16_t* high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// Swaps the two samples of every pair: pair (x, x + 1) becomes (x + 1, x), which lines the
// columns 7 - x and 6 - x up with x and x + 1.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i swapped(__m256i v) {
    const __m256i order = _mm256_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13,
                                           2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13);
    return _mm256_shuffle_epi8(v, order);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i add(__m256i a, __m256i b) { return _mm256_add_epi16(a, b); }
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i sub(__m256i a, __m256i b) { return _mm256_sub_epi16(a, b); }

// The rows of the eight blocks turned so that each register holds pair j of row y of every
// block (block b in 32-bit lane b), then folded into the classes.
[[gnu::target("avx2"), gnu::always_inline]] inline void formPairs(const std::int16_t* const* blocks, std::ptrdiff_t stride,
                                                                  __m256i* pairs) {
    for (int y = 0; y < 8; ++y) {
        const std::ptrdiff_t at = y * stride;
        const __m256i rows04 = halvesOf(blocks[0] + at, blocks[4] + at), rows15 = halvesOf(blocks[1] + at, blocks[5] + at);
        const __m256i rows26 = halvesOf(blocks[2] + at, blocks[6] + at), rows37 = halvesOf(blocks[3] + at, blocks[7] + at);
        const __m256i low01 = _mm256_unpacklo_epi32(rows04, rows15), high01 = _mm256_unpackhi_epi32(rows04, rows15);
        const __m256i low23 = _mm256_unpacklo_epi32(rows26, rows37), high23 = _mm256_unpackhi_epi32(rows26, rows37);
        pairs[kRowPairs + 4 * y] = _mm256_unpacklo_epi64(low01, low23);
        pairs[kRowPairs + 4 * y + 1] = _mm256_unpackhi_epi64(low01, low23);
        pairs[kRowPairs + 4 * y + 2] = _mm256_unpacklo_epi64(high01, high23);
        pairs[kRowPairs + 4 * y + 3] = _mm256_unpackhi_epi64(high01, high23);
    }
    // Rows y and 7 - y, then columns x and 7 - x: sums for even frequencies, differences for odd.
    __m256i folded[4][4][2];  // class, row, pair
    for (int y = 0; y < 4; ++y) {
        for (int j = 0; j < 2; ++j) {
            const __m256i* top = pairs + kRowPairs + 4 * y;
            const __m256i* bottom = pairs + kRowPairs + 4 * (7 - y);
            const __m256i sum = add(top[j], bottom[j]), mirroredSum = swapped(add(top[3 - j], bottom[3 - j]));
            const __m256i difference = sub(top[j], bottom[j]), mirroredDifference = swapped(sub(top[3 - j], bottom[3 - j]));
            folded[0][y][j] = add(sum, mirroredSum);
            folded[1][y][j] = sub(sum, mirroredSum);
            folded[2][y][j] = add(difference, mirroredDifference);
            folded[3][y][j] = sub(difference, mirroredDifference);
        }
    }
    for (int y = 0; y < 4; ++y) {
        pairs[kClass3 + 2 * y] = folded[3][y][0];
        pairs[kClass3 + 2 * y + 1] = folded[3][y][1];
        pairs[kClass2 + y] = add(folded[2][y][0], swapped(folded[2][y][1]));
        pairs[kClass2 + 4 + y] = sub(folded[2][y][0], swapped(folded[2][y][1]));
    }
    __m256i columnsFolded[2][4];  // v mod 4 being 0 or 2, row
    for (int y = 0; y < 4; ++y) {
        columnsFolded[0][y] = add(folded[0][y][0], swapped(folded[0][y][1]));
        columnsFolded[1][y] = sub(folded[0][y][0], swapped(folded[0][y][1]));
    }
    for (int y = 0; y < 2; ++y) {
        for (int j = 0; j < 2; ++j) {
            pairs[kClass1 + 2 * y + j] = add(folded[1][y][j], folded[1][3 - y][j]);
            pairs[kClass1 + 4 + 2 * y + j] = sub(folded[1][y][j], folded[1][3 - y][j]);
        }
        for (int v = 0; v < 2; ++v) {
            pairs[kClass0 + 2 * v + y] = add(columnsFolded[v][y], columnsFolded[v][3 - y]);
            pairs[kClass0 + 4 + 2 * v + y] = sub(columnsFolded[v][y], columnsFolded[v][3 - y]);
        }
    }
}

// The sums of `Count` pairs times their weight pairs, in two chains.
template <int Count>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i weightedSum(const __m256i* pairs, const std::int32_t* weights) {
    __m256i even = _mm256_madd_epi16(pairs[0], _mm256_set1_epi32(weights[0]));
    __m256i odd = _mm256_madd_epi16(pairs[1], _mm256_set1_epi32(weights[1]));
    for (int t = 2; t < Count; t += 2) {
        even = _mm256_add_epi32(even, _mm256_madd_epi16(pairs[t], _mm256_set1_epi32(weights[t])));
        odd = _mm256_add_epi32(odd, _mm256_madd_epi16(pairs[t + 1], _mm256_set1_epi32(weights[t + 1])));
    }
    return _mm256_add_epi32(even, odd);
}

// The quantiser's numbers and where the values and nonzero lanes go.
struct BatchOutput {
    const std::int32_t* halves;
    const float* reciprocals;
    QuantisedBatch* out;
    std::uint8_t* nonZero;  // per zig-zag position, bit b for block b
};

// Transforms and quantises one coefficient from the sum of its pairs times their weights.
[[gnu::target("avx2"), gnu::always_inline]] inline void quantiseSum(const BlockBatchTransform::Coefficient& c, __m256i sum,
                                                                    const BatchOutput& output) {
    // The rounded coefficient, then the quantiser's arithmetic lane by lane.
    const __m256i coefficient = _mm256_srai_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(128)), 8);
    const __m256 number = _mm256_cvtepi32_ps(_mm256_add_epi32(coefficient, _mm256_set1_epi32(output.halves[c.natural])));
    const __m256i value = _mm256_cvttps_epi32(_mm256_mul_ps(number, _mm256_set1_ps(output.reciprocals[c.natural])));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(output.out->values[c.position]), value);
    const __m256i zero = _mm256_cmpeq_epi32(value, _mm256_setzero_si256());
    output.nonZero[c.position] = static_cast<std::uint8_t>(~_mm256_movemask_ps(_mm256_castsi256_ps(zero)));
}

// Transforms and quantises `count` coefficients of `Count` pairs each, the first at `c`. Those
// sharing their pairs follow one another; their pairs stay in registers while they last.
template <int Count>
[[gnu::target("avx2"), gnu::always_inline]] inline const BlockBatchTransform::Coefficient* transformRun(
    const BlockBatchTransform::Coefficient* c, int count, const __m256i* pairs, const std::int32_t* weightPairs,
    const BatchOutput& output) {
    const BlockBatchTransform::Coefficient* const end = c + count;
    while (c != end) {
        const std::uint8_t first = c->firstPair;
        __m256i shared[Count];
        for (int t = 0; t < Count; ++t) shared[t] = pairs[first + t];
        for (; c != end && c->firstPair == first; ++c) {
            quantiseSum(*c, weightedSum<Count>(shared, weightPairs + c->firstWeight), output);
        }
    }
    return c;
}

// The direct sums, over the 32 pairs of the rows as they stand.
[[gnu::target("avx2"), gnu::always_inline]] inline void transformDirect(const BlockBatchTransform::Coefficient* c,
                                                                        int count, const __m256i* pairs,
                                                                        const std::int32_t* weightPairs,
                                                                        const BatchOutput& output) {
    for (; count > 0; --count, ++c) quantiseSum(*c, weightedSum<32>(pairs + c->firstPair, weightPairs + c->firstWeight), output);
}

[[gnu::target("avx2")]] void transformBatch(const BlockBatchTransform::Coefficient* coefficients,
                                            const std::array<std::uint8_t, 4>& runs,
                                            const std::int32_t* weightPairs, const BlockQuantiser& quantiser,
                                            const std::int16_t* const* blocks, std::ptrdiff_t stride,
                                            QuantisedBatch& out) {
    __m256i pairs[64];
    formPairs(blocks, stride, pairs);
    alignas(32) std::uint8_t nonZero[64];
    const BatchOutput output{quantiser.halves(), quantiser.floatReciprocals(), &out, nonZero};
    const BlockBatchTransform::Coefficient* c = coefficients;
    c = transformRun<2>(c, runs[0], pairs, weightPairs, output);
    c = transformRun<4>(c, runs[1], pairs, weightPairs, output);
    c = transformRun<8>(c, runs[2], pairs, weightPairs, output);
    transformDirect(c, runs[3], pairs, weightPairs, output);
    // Bit b of each position's byte, moved to the top of the byte, gathers block b's mask.
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(nonZero));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(nonZero + 32));
    for (int b = 0; b < 8; ++b) {
        const __m128i shift = _mm_cvtsi32_si128(7 - b);
        const auto lowBits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_sll_epi16(low, shift)));
        const auto highBits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_sll_epi16(high, shift)));
        out.nonZero[static_cast<std::size_t>(b)] = lowBits | std::uint64_t{highBits} << 32;
    }
}

#endif

}  // namespace

BlockBatchTransform::BlockBatchTransform(const ForwardDctWeights& weights) {
    std::array<bool, 64> direct{};
    for (int i = 0; i < weights.notFoldedTwiceCount(); ++i) direct[weights.notFoldedTwice()[i]] = true;
    for (std::size_t k = 0; k < 64; ++k) {
        const int c = kZigZagToNatural[k];
        const int u = c >> 3, v = c & 7;
        Coefficient& entry = coefficients_[k];
        entry.natural = static_cast<std::uint8_t>(c);
        entry.position = static_cast<std::uint8_t>(k);
        entry.firstWeight = static_cast<std::uint16_t>(weightPairs_.size());
        const std::int16_t* q = weights.quarter(c);
        const auto pairAt = [&](int y, int x) { weightPairs_.push_back(packedPair(q[4 * y + x], q[4 * y + x + 1])); };
        if (direct[static_cast<std::size_t>(c)]) {
            entry.firstPair = kRowPairs;
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; x += 2) weightPairs_.push_back(packedPair(weights.at(u, v, y, x), weights.at(u, v, y, x + 1)));
            }
        } else if (u % 2 == 0 && v % 2 == 0) {
            entry.firstPair = static_cast<std::uint8_t>(kClass0 + 4 * (u % 4 / 2) + 2 * (v % 4 / 2));
            for (int y = 0; y < 2; ++y) pairAt(y, 0);
        } else if (u % 2 == 0) {
            entry.firstPair = static_cast<std::uint8_t>(kClass1 + 4 * (u % 4 / 2));
            for (int y = 0; y < 2; ++y) pairAt(y, 0), pairAt(y, 2);
        } else if (v % 2 == 0) {
            entry.firstPair = static_cast<std::uint8_t>(kClass2 + 4 * (v % 4 / 2));
            for (int y = 0; y < 4; ++y) pairAt(y, 0);
        } else {
            entry.firstPair = kClass3;
            for (int y = 0; y < 4; ++y) pairAt(y, 0), pairAt(y, 2);
        }
        entry.pairCount = static_cast<std::uint8_t>(weightPairs_.size() - entry.firstWeight);
    }
    // Coefficients of equal pair counts run in one loop each, those sharing their pairs together.
    std::stable_sort(coefficients_.begin(), coefficients_.end(), [](const Coefficient& a, const Coefficient& b) {
        return a.pairCount != b.pairCount ? a.pairCount < b.pairCount : a.firstPair < b.firstPair;
    });
    constexpr int kPairCounts[4] = {2, 4, 8, 32};
    for (const Coefficient& entry : coefficients_) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (entry.pairCount == kPairCounts[i]) ++runs_[i];
        }
    }
}

bool BlockBatchTransform::available(std::uint32_t processorFeatures) {
#if defined(PICTRANO_BLOCK_BATCH)
    return fastestPackedForm(processorFeatures) == PackedForm::Avx2;
#else
    static_cast<void>(processorFeatures);
    return false;
#endif
}

void BlockBatchTransform::run(const BlockQuantiser& quantiser, const std::int16_t* const* blocks,
                              std::ptrdiff_t stride, QuantisedBatch& out) const {
#if defined(PICTRANO_BLOCK_BATCH)
    transformBatch(coefficients_.data(), runs_, weightPairs_.data(), quantiser, blocks, stride, out);
#else
    static_cast<void>(quantiser), static_cast<void>(blocks), static_cast<void>(stride), static_cast<void>(out);
#endif
}

}  // namespace pictrano
