#include "imagelib/jpeg/JpegForwardDct.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#if defined(__GNUC__)
#include <immintrin.h>
#define PICTRANO_WIDE_FORWARD_DCT 1
#endif
#endif

namespace pictrano {
namespace {

constexpr double kScaleOfZero = 0.707106781;

double scaleOf(int k) { return k == 0 ? kScaleOfZero : 1.0; }

// cos(k * 0.196349540849362) for k = 0 to 105, the arguments (2y + 1) u of the weights with
// pi / 16 taken as 0.196349540849362, as the double nearest each cosine. Kept as constants so that
// every build, whatever its maths library, makes the same weights: a few products lie within a
// rounding error of an integer (64 cos(pi/4)^2 in W[4][4]) and truncate by the last bit.
constexpr double kCosines[106] = {
    0x1.0000000000000p+0, 0x1.f6297cff75cb0p-1, 0x1.d906bcf328d47p-1,
    0x1.a9b66290ea1a4p-1, 0x1.6a09e667f3bcfp-1, 0x1.1c73b39ae68ccp-1,
    0x1.87de2a6aea96bp-2, 0x1.8f8b83c69a624p-3, 0x1.a34c4c6628b81p-51,
    -0x1.8f8b83c69a5f1p-3, -0x1.87de2a6aea953p-2, -0x1.1c73b39ae68bfp-1,
    -0x1.6a09e667f3bc6p-1, -0x1.a9b66290ea19dp-1, -0x1.d906bcf328d41p-1,
    -0x1.f6297cff75caep-1, -0x1.0000000000000p+0, -0x1.f6297cff75cb3p-1,
    -0x1.d906bcf328d4bp-1, -0x1.a9b66290ea1acp-1, -0x1.6a09e667f3bd9p-1,
    -0x1.1c73b39ae68d5p-1, -0x1.87de2a6aea98bp-2, -0x1.8f8b83c69a658p-3,
    -0x1.1a79394c9e8a1p-49, 0x1.8f8b83c69a5aep-3, 0x1.87de2a6aea93bp-2,
    0x1.1c73b39ae68b8p-1, 0x1.6a09e667f3bbap-1, 0x1.a9b66290ea196p-1,
    0x1.d906bcf328d3ep-1, 0x1.f6297cff75cabp-1, 0x1.0000000000000p+0,
    0x1.f6297cff75cb5p-1, 0x1.d906bcf328d52p-1, 0x1.a9b66290ea1b3p-1,
    0x1.6a09e667f3bdfp-1, 0x1.1c73b39ae68e3p-1, 0x1.87de2a6aea99bp-2,
    0x1.8f8b83c69a67bp-3, 0x1.160fafbfd9731p-48, -0x1.8f8b83c69a56bp-3,
    -0x1.87de2a6aea92ap-2, -0x1.1c73b39ae68aap-1, -0x1.6a09e667f3baep-1,
    -0x1.a9b66290ea191p-1, -0x1.d906bcf328d37p-1, -0x1.f6297cff75ca7p-1,
    -0x1.0000000000000p+0, -0x1.f6297cff75cb8p-1, -0x1.d906bcf328d58p-1,
    -0x1.a9b66290ea1b8p-1, -0x1.6a09e667f3bebp-1, -0x1.1c73b39ae68f2p-1,
    -0x1.87de2a6aea9acp-2, -0x1.8f8b83c69a6bep-3, -0x1.9ee2c2d963a11p-48,
    0x1.8f8b83c69a566p-3, 0x1.87de2a6aea90ap-2, 0x1.1c73b39ae689bp-1,
    0x1.6a09e667f3badp-1, 0x1.a9b66290ea187p-1, 0x1.d906bcf328d31p-1,
    0x1.f6297cff75ca7p-1, 0x1.0000000000000p+0, 0x1.f6297cff75cbcp-1,
    0x1.d906bcf328d59p-1, 0x1.a9b66290ea1c1p-1, 0x1.6a09e667f3bf7p-1,
    0x1.1c73b39ae68f3p-1, 0x1.87de2a6aea9ccp-2, 0x1.8f8b83c69a701p-3,
    0x1.a7b5d5f2edcf1p-48, -0x1.8f8b83c69a523p-3, -0x1.87de2a6aea8ebp-2,
    -0x1.1c73b39ae689bp-1, -0x1.6a09e667f3ba1p-1, -0x1.a9b66290ea17ep-1,
    -0x1.d906bcf328d30p-1, -0x1.f6297cff75ca4p-1, -0x1.0000000000000p+0,
    -0x1.f6297cff75cbcp-1, -0x1.d906bcf328d65p-1, -0x1.a9b66290ea1c2p-1,
    -0x1.6a09e667f3bf8p-1, -0x1.1c73b39ae6901p-1, -0x1.87de2a6aea9ebp-2,
    -0x1.8f8b83c69a745p-3, -0x1.584474863bfe9p-47, 0x1.8f8b83c69a51fp-3,
    0x1.87de2a6aea8e8p-2, 0x1.1c73b39ae688cp-1, 0x1.6a09e667f3b95p-1,
    0x1.a9b66290ea174p-1, 0x1.d906bcf328d24p-1, 0x1.f6297cff75ca4p-1,
    0x1.0000000000000p+0, 0x1.f6297cff75cbfp-1, 0x1.d906bcf328d66p-1,
    0x1.a9b66290ea1d4p-1, 0x1.6a09e667f3c10p-1, 0x1.1c73b39ae6902p-1,
    0x1.87de2a6aea9edp-2, 0x1.8f8b83c69a749p-3, 0x1.5cadfe1301159p-47,
    -0x1.8f8b83c69a49dp-3,
};

// The four folded sample sets of a block, one per parity of (u, v): for y, x below 4, with
// p = s[y][x], q = s[y][7-x], r = s[7-y][x], t = s[7-y][7-x], they hold p+q+r+t (u, v even),
// p-q+r-t (v odd), p+q-r-t (u odd) and p-q-r+t (both odd), rows first.
using FoldedSamples = std::array<std::array<std::int32_t, 16>, 4>;

FoldedSamples fold(const std::int16_t* s, std::ptrdiff_t stride) {
    FoldedSamples folded;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const int p = s[y * stride + x], q = s[y * stride + 7 - x];
            const int r = s[(7 - y) * stride + x], t = s[(7 - y) * stride + 7 - x];
            const auto i = static_cast<std::size_t>(y * 4 + x);
            folded[0][i] = p + q + r + t;
            folded[1][i] = p - q + r - t;
            folded[2][i] = p + q - r - t;
            folded[3][i] = p - q - r + t;
        }
    }
    return folded;
}

int parityOf(int coefficient) { return (coefficient >> 3 & 1) * 2 + (coefficient & 1); }

std::int32_t rounded(std::int32_t sum) { return (sum + 128) >> 8; }

void forwardDctFolded(const ForwardDctWeights& weights, const std::int16_t* samples, std::ptrdiff_t stride,
                      std::int32_t* coefficients) {
    const FoldedSamples folded = fold(samples, stride);
    for (int c = 0; c < 64; ++c) {
        std::int32_t sum = 0;
        if (weights.mirrors(c)) {
            const std::int16_t* w = weights.quarter(c);
            const auto& part = folded[static_cast<std::size_t>(parityOf(c))];
            for (std::size_t i = 0; i < 16; ++i) sum += w[i] * part[i];
        } else {
            const std::int16_t* w = weights.of(c);
            for (int i = 0; i < 64; ++i) sum += w[i] * samples[i / 8 * stride + i % 8];
        }
        coefficients[c] = rounded(sum);
    }
}

#if defined(__SSE2__)

[[gnu::always_inline]] inline __m128i reversed(__m128i v) {
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
    return _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2));
}

[[gnu::always_inline]] inline __m128i load(const std::int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Four lanes whose total is one coefficient's direct sum over the 64 samples.
[[gnu::always_inline]] inline __m128i directLanes(const ForwardDctWeights& weights, int coefficient, const __m128i* rows) {
    const std::int16_t* w = weights.of(coefficient);
    __m128i sum = _mm_madd_epi16(rows[0], load(w));
    for (int y = 1; y < 8; ++y) sum = _mm_add_epi32(sum, _mm_madd_epi16(rows[y], load(w + 8 * y)));
    return sum;
}

// The rows of a block and its four folded sample sets, two registers of eight each: lanes 0 to
// 3 of each row fold, as sums and differences of rows y and 7 - y, then of columns x and 7 - x.
struct FoldedBlock {
    __m128i rows[8];
    __m128i folded[4][2];
};

// Inlined into each form, so that the AVX2 form runs no legacy SSE code with its wide registers
// in use.
[[gnu::always_inline]] inline FoldedBlock foldBlock(const std::int16_t* samples, std::ptrdiff_t stride) {
    FoldedBlock block;
    for (int y = 0; y < 8; ++y) block.rows[y] = load(samples + y * stride);
    __m128i parts[4][4];
    for (int y = 0; y < 4; ++y) {
        const __m128i sum = _mm_add_epi16(block.rows[y], block.rows[7 - y]);
        const __m128i difference = _mm_sub_epi16(block.rows[y], block.rows[7 - y]);
        parts[0][y] = _mm_add_epi16(sum, reversed(sum));
        parts[1][y] = _mm_sub_epi16(sum, reversed(sum));
        parts[2][y] = _mm_add_epi16(difference, reversed(difference));
        parts[3][y] = _mm_sub_epi16(difference, reversed(difference));
    }
    for (int parity = 0; parity < 4; ++parity) {
        block.folded[parity][0] = _mm_unpacklo_epi64(parts[parity][0], parts[parity][1]);
        block.folded[parity][1] = _mm_unpacklo_epi64(parts[parity][2], parts[parity][3]);
    }
    return block;
}

// Puts the rounded direct sums of the listed coefficients (those whose weights do not fold as the
// form folds them) into the sums of the four classes (four coefficients per register, as
// pairedQuarter groups them), so that each row of coefficients is stored once.
[[gnu::always_inline]] inline void mergeDirect(const ForwardDctWeights& weights, const FoldedBlock& block,
                                               const std::uint8_t* direct, int count, __m128i (&sums)[4][4]) {
    const __m128i lanesOf = _mm_setr_epi32(0, 1, 2, 3);
    for (int i = 0; i < count; ++i) {
        const int c = direct[i];
        const __m128i lanes = directLanes(weights, c, block.rows);
        const __m128i pairsAdded = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, _MM_SHUFFLE(1, 0, 3, 2)));
        const __m128i total = _mm_add_epi32(pairsAdded, _mm_shuffle_epi32(pairsAdded, _MM_SHUFFLE(2, 3, 0, 1)));
        const __m128i value = _mm_srai_epi32(_mm_add_epi32(total, _mm_set1_epi32(128)), 8);
        __m128i& sum = sums[parityOf(c)][c >> 4];
        const __m128i lane = _mm_cmpeq_epi32(lanesOf, _mm_set1_epi32((c & 7) >> 1));
        sum = _mm_or_si128(_mm_andnot_si128(lane, sum), _mm_and_si128(lane, value));
    }
}

// Row r of the coefficients: its even columns from class 2 (r & 1), its odd ones from the next.
[[gnu::always_inline]] inline __m128i rowHalf(const __m128i (&sums)[4][4], int r, bool right) {
    const __m128i even = sums[2 * (r & 1)][r >> 1], odd = sums[2 * (r & 1) + 1][r >> 1];
    return right ? _mm_unpackhi_epi32(even, odd) : _mm_unpacklo_epi32(even, odd);
}

void forwardDctSse2(const ForwardDctWeights& weights, const std::int16_t* samples, std::ptrdiff_t stride,
                    std::int32_t* coefficients) {
    const FoldedBlock block = foldBlock(samples, stride);
    // Per class, each pair of folded samples (both in one 32-bit lane) times its weights for
    // four coefficients at a time: the sums come out in lanes, one per coefficient.
    const __m128i half = _mm_set1_epi32(128);
    __m128i sums[4][4];
    for (int parity = 0; parity < 4; ++parity) {
        __m128i s0 = _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0;
        for (int half8 = 0; half8 < 2; ++half8) {
            const __m128i eight = block.folded[parity][half8];
            const __m128i pairs[4] = {_mm_shuffle_epi32(eight, 0x00), _mm_shuffle_epi32(eight, 0x55),
                                      _mm_shuffle_epi32(eight, 0xAA), _mm_shuffle_epi32(eight, 0xFF)};
            for (int lane = 0; lane < 4; ++lane) {
                const auto* w = reinterpret_cast<const __m128i*>(weights.pairedQuarter(parity, 4 * half8 + lane));
                s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_loadu_si128(w), pairs[lane]));
                s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_loadu_si128(w + 1), pairs[lane]));
                s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_loadu_si128(w + 2), pairs[lane]));
                s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_loadu_si128(w + 3), pairs[lane]));
            }
        }
        sums[parity][0] = _mm_srai_epi32(_mm_add_epi32(s0, half), 8);
        sums[parity][1] = _mm_srai_epi32(_mm_add_epi32(s1, half), 8);
        sums[parity][2] = _mm_srai_epi32(_mm_add_epi32(s2, half), 8);
        sums[parity][3] = _mm_srai_epi32(_mm_add_epi32(s3, half), 8);
    }
    mergeDirect(weights, block, weights.unmirrored(), weights.unmirroredCount(), sums);
    for (int r = 0; r < 8; ++r) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coefficients + 8 * r), rowHalf(sums, r, false));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coefficients + 8 * r + 4), rowHalf(sums, r, true));
    }
}

#if defined(PICTRANO_WIDE_FORWARD_DCT)

[[gnu::always_inline]] inline __m128i reversedFours(__m128i v) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3)), _MM_SHUFFLE(0, 1, 2, 3));
}

template <int Dword>
[[gnu::always_inline]] inline __m128i broadcast(__m128i v) {
    return _mm_shuffle_epi32(v, Dword * 0x55);
}

[[gnu::always_inline]] inline __m128i swapped(__m128i v) { return _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)); }

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i both(__m128i low, __m128i high) {
    return _mm256_set_m128i(high, low);
}

// The broadcast pairs of each class once its even frequencies have folded again (see
// twiceFoldedPair): rows y and 3 - y of the quarter add for u 0 and 4 and subtract for u 2 and
// 6, as columns do for v; in each register the low half serves groups 0 and 2, the high half
// groups 1 and 3, and lanes alternate between columns of v 0, 4 and v 2, 6.
struct TwiceFoldedPairs {
    __m256i of[4][8];
};

[[gnu::target("avx2"), gnu::always_inline]] inline TwiceFoldedPairs twiceFoldedPairs(const FoldedBlock& block) {
    TwiceFoldedPairs pairs;
    const auto& f = block.folded;
    // Class 0: rows and columns fold again; pair t is dword 2t of each.
    const __m128i rowSum = _mm_add_epi16(f[0][0], swapped(f[0][1]));
    const __m128i rowDifference = _mm_sub_epi16(f[0][0], swapped(f[0][1]));
    const __m128i ss = _mm_add_epi16(rowSum, reversedFours(rowSum)), sd = _mm_sub_epi16(rowSum, reversedFours(rowSum));
    const __m128i ds = _mm_add_epi16(rowDifference, reversedFours(rowDifference));
    const __m128i dd = _mm_sub_epi16(rowDifference, reversedFours(rowDifference));
    pairs.of[0][0] = both(_mm_unpacklo_epi32(broadcast<0>(ss), broadcast<0>(sd)),
                          _mm_unpacklo_epi32(broadcast<0>(ds), broadcast<0>(dd)));
    pairs.of[0][1] = both(_mm_unpacklo_epi32(broadcast<2>(ss), broadcast<2>(sd)),
                          _mm_unpacklo_epi32(broadcast<2>(ds), broadcast<2>(dd)));
    // Class 1: rows fold again; pair t is dword t.
    const __m128i oddSum = _mm_add_epi16(f[1][0], swapped(f[1][1]));
    const __m128i oddDifference = _mm_sub_epi16(f[1][0], swapped(f[1][1]));
    pairs.of[1][0] = both(broadcast<0>(oddSum), broadcast<0>(oddDifference));
    pairs.of[1][1] = both(broadcast<1>(oddSum), broadcast<1>(oddDifference));
    pairs.of[1][2] = both(broadcast<2>(oddSum), broadcast<2>(oddDifference));
    pairs.of[1][3] = both(broadcast<3>(oddSum), broadcast<3>(oddDifference));
    // Class 2: columns fold again; pair t is dword 2 (t & 1) of the register of rows 2 (t >> 1).
    for (int half = 0; half < 2; ++half) {
        const __m128i rows = f[2][half];
        const __m128i sum = _mm_add_epi16(rows, reversedFours(rows)), difference = _mm_sub_epi16(rows, reversedFours(rows));
        const __m128i first = _mm_unpacklo_epi32(broadcast<0>(sum), broadcast<0>(difference));
        const __m128i second = _mm_unpacklo_epi32(broadcast<2>(sum), broadcast<2>(difference));
        pairs.of[2][2 * half] = both(first, first);
        pairs.of[2][2 * half + 1] = both(second, second);
    }
    // Class 3 as folded once.
    for (int half = 0; half < 2; ++half) {
        const __m256i eight = _mm256_broadcastsi128_si256(f[3][half]);
        pairs.of[3][4 * half] = _mm256_shuffle_epi32(eight, 0x00);
        pairs.of[3][4 * half + 1] = _mm256_shuffle_epi32(eight, 0x55);
        pairs.of[3][4 * half + 2] = _mm256_shuffle_epi32(eight, 0xAA);
        pairs.of[3][4 * half + 3] = _mm256_shuffle_epi32(eight, 0xFF);
    }
    return pairs;
}

// Eight coefficients per multiply-add, over the samples folded twice where the weights allow:
// 36 multiply-adds a block instead of 64.
[[gnu::target("avx2")]] void forwardDctAvx2(const ForwardDctWeights& weights, const std::int16_t* samples,
                                            std::ptrdiff_t stride, std::int32_t* coefficients) {
    const FoldedBlock block = foldBlock(samples, stride);
    const TwiceFoldedPairs pairs = twiceFoldedPairs(block);
    constexpr int kPairs[4] = {2, 4, 4, 8};
    const __m256i half = _mm256_set1_epi32(128);
    __m128i sums[4][4];
    for (int parity = 0; parity < 4; ++parity) {
        __m256i low = _mm256_setzero_si256(), high = low;
        for (int t = 0; t < kPairs[parity]; ++t) {
            const auto* w = reinterpret_cast<const __m256i*>(weights.twiceFoldedPair(parity, t));
            low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_loadu_si256(w), pairs.of[parity][t]));
            high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_loadu_si256(w + 1), pairs.of[parity][t]));
        }
        low = _mm256_srai_epi32(_mm256_add_epi32(low, half), 8);
        high = _mm256_srai_epi32(_mm256_add_epi32(high, half), 8);
        sums[parity][0] = _mm256_castsi256_si128(low);
        sums[parity][1] = _mm256_extracti128_si256(low, 1);
        sums[parity][2] = _mm256_castsi256_si128(high);
        sums[parity][3] = _mm256_extracti128_si256(high, 1);
    }
    mergeDirect(weights, block, weights.notFoldedTwice(), weights.notFoldedTwiceCount(), sums);
    // Whole rows at once, so that the quantiser's eight-lane loads take them straight from the
    // stores.
    for (int r = 0; r < 8; ++r) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(coefficients + 8 * r),
                            _mm256_set_m128i(rowHalf(sums, r, true), rowHalf(sums, r, false)));
    }
}

#endif

#endif

}  // namespace

ForwardDctWeights::ForwardDctWeights() {
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    const double weight = 64 * scaleOf(u) * scaleOf(v) * kCosines[(2 * y + 1) * u] *
                                          kCosines[(2 * x + 1) * v];
                    weights_[static_cast<std::size_t>(((u * 8 + v) * 8 + y) * 8 + x)] =
                        static_cast<std::int16_t>(weight);
                }
            }
        }
    }
    for (int c = 0; c < 64; ++c) {
        const int rowSign = (c >> 3 & 1) ? -1 : 1;
        const int columnSign = (c & 1) ? -1 : 1;
        const std::int16_t* w = of(c);
        bool mirrored = true;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                mirrored = mirrored && w[(7 - y) * 8 + x] == rowSign * w[y * 8 + x] &&
                           w[y * 8 + 7 - x] == columnSign * w[y * 8 + x];
            }
        }
        mirrors_[static_cast<std::size_t>(c)] = mirrored;
        if (!mirrored) unmirrored_[static_cast<std::size_t>(unmirroredCount_++)] = static_cast<std::uint8_t>(c);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                quarters_[static_cast<std::size_t>(16 * c + 4 * y + x)] = w[y * 8 + x];
            }
        }
    }
    for (int parity = 0; parity < 4; ++parity) {
        for (int pair = 0; pair < 8; ++pair) {
            for (int group = 0; group < 4; ++group) {
                for (int lane = 0; lane < 4; ++lane) {
                    const int c = (2 * group + (parity >> 1)) * 8 + 2 * lane + (parity & 1);
                    const auto at = static_cast<std::size_t>(32 * (8 * parity + pair) + 8 * group + 2 * lane);
                    pairedQuarters_[at] = quarter(c)[2 * pair];
                    pairedQuarters_[at + 1] = quarter(c)[2 * pair + 1];
                }
            }
        }
    }
    makeTwiceFolded();
}

void ForwardDctWeights::makeTwiceFolded() {
    for (int c = 0; c < 64; ++c) {
        const int u = c >> 3, v = c & 7;
        const std::int16_t* w = quarter(c);
        bool folds = mirrors(c);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const int here = w[4 * y + x];
                if (u % 2 == 0) folds = folds && here == (u % 4 == 0 ? 1 : -1) * w[4 * (3 - y) + x];
                if (v % 2 == 0) folds = folds && here == (v % 4 == 0 ? 1 : -1) * w[4 * y + 3 - x];
            }
        }
        if (!folds) notFoldedTwice_[static_cast<std::size_t>(notFoldedTwiceCount_++)] = static_cast<std::uint8_t>(c);
    }
    for (int parity = 0; parity < 4; ++parity) {
        const bool evenColumns = (parity & 1) == 0;
        for (int pair = 0; pair < 8; ++pair) {
            const int y = evenColumns ? pair : pair >> 1;
            const int x = evenColumns ? 0 : 2 * (pair & 1);
            if (y > 3) continue;
            for (int lane = 0; lane < 16; ++lane) {
                const int group = lane / 4, column = lane % 4;
                const int c = (2 * group + (parity >> 1)) * 8 + 2 * column + (parity & 1);
                const auto at = static_cast<std::size_t>(32 * (8 * parity + pair) + 2 * lane);
                twiceFoldedPairs_[at] = quarter(c)[4 * y + x];
                twiceFoldedPairs_[at + 1] = quarter(c)[4 * y + x + 1];
            }
        }
    }
}

void forwardDct(PackedForm form, const ForwardDctWeights& weights, const std::int16_t* samples,
                std::ptrdiff_t stride, std::int32_t* coefficients) {
    switch (form) {
#if defined(PICTRANO_WIDE_FORWARD_DCT)
    case PackedForm::Avx2: forwardDctAvx2(weights, samples, stride, coefficients); return;
#endif
#if defined(__SSE2__)
    case PackedForm::Sse2: forwardDctSse2(weights, samples, stride, coefficients); return;
#endif
    default: forwardDctFolded(weights, samples, stride, coefficients); return;
    }
}

}  // namespace pictrano
