#include "imagelib/jpeg/JpegBlockQuantiser.h"

#include <algorithm>

#include "imagelib/jpeg/JpegZigZag.h"
#include "imagelib/jpeg/ProcessorFeatures.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pictrano {
namespace {

// For each row of a block and each pattern of non-zero values in it (bit x for column x), the
// zig-zag positions of those values as bits.
using RowMasks = std::array<std::array<std::uint64_t, 256>, 8>;

constexpr RowMasks makeRowMasks() {
    std::array<int, 64> zigZagOf{};
    for (int k = 0; k < 64; ++k) zigZagOf[kZigZagToNatural[static_cast<std::size_t>(k)]] = k;
    RowMasks masks{};
    for (int row = 0; row < 8; ++row) {
        for (int pattern = 0; pattern < 256; ++pattern) {
            std::uint64_t bits = 0;
            for (int x = 0; x < 8; ++x) {
                if (pattern >> x & 1) bits |= std::uint64_t{1} << zigZagOf[static_cast<std::size_t>(row * 8 + x)];
            }
            masks[static_cast<std::size_t>(row)][static_cast<std::size_t>(pattern)] = bits;
        }
    }
    return masks;
}

constexpr RowMasks kRowMasks = makeRowMasks();

constexpr int kLargestPackedQuantiser = 255;

}  // namespace

BlockQuantiser::BlockQuantiser(const JpegQuantTable& table, std::uint32_t processorFeatures) {
    bool small = true;
    for (std::size_t p = 0; p < 64; ++p) {
        const std::uint64_t q = std::max<std::uint16_t>(table.values[p], 1);
        halves_[p] = static_cast<std::int32_t>(q / 2);
        reciprocals_[p] = ((std::uint64_t{1} << 32) + q - 1) / q;
        floatReciprocals_[p] = 1.0f / static_cast<float>(q);
        small = small && q <= kLargestPackedQuantiser;
    }
#if defined(__SSE2__)
    packed_ = small && (processorFeatures & kFeatureSse2) != 0;
#else
    (void)processorFeatures;
    (void)small;
#endif
}

std::uint64_t BlockQuantiser::quantise(const std::int32_t* coefficients, std::int32_t* values) const {
    return packed_ ? quantisePacked(coefficients, values) : quantisePlain(coefficients, values);
}

std::uint64_t BlockQuantiser::quantisePlain(const std::int32_t* coefficients, std::int32_t* values) const {
    std::uint64_t nonZero = 0;
    for (std::size_t row = 0; row < 8; ++row) {
        unsigned pattern = 0;
        for (std::size_t x = 0; x < 8; ++x) {
            const std::size_t p = row * 8 + x;
            const std::int32_t n = coefficients[p] + halves_[p];
            const std::int32_t sign = n >> 31;  // 0 or -1: the quotient takes n's sign
            const auto magnitude = static_cast<std::uint64_t>(static_cast<std::uint32_t>((n ^ sign) - sign));
            const auto quotient = static_cast<std::int32_t>((magnitude * reciprocals_[p]) >> 32);
            values[p] = (quotient ^ sign) - sign;
            pattern |= static_cast<unsigned>(values[p] != 0) << x;
        }
        nonZero |= kRowMasks[row][pattern];
    }
    return nonZero;
}

#if defined(__SSE2__)

std::uint64_t BlockQuantiser::quantisePacked(const std::int32_t* coefficients, std::int32_t* values) const {
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t nonZero = 0;
    for (std::size_t row = 0; row < 8; row += 2) {
        __m128i quotients[4];
        for (std::size_t i = 0; i < 4; ++i) {
            const std::size_t p = row * 8 + 4 * i;
            const __m128i n = _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + p)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(&halves_[p])));
            const __m128i sign = _mm_srai_epi32(n, 31);
            const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(n, sign), sign);
            const __m128 scaled = _mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(magnitude), half),
                                             _mm_load_ps(&floatReciprocals_[p]));
            quotients[i] = _mm_sub_epi32(_mm_xor_si128(_mm_cvttps_epi32(scaled), sign), sign);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(values + p), quotients[i]);
        }
        // Saturating packs keep non-zero values non-zero: one byte per value, two rows.
        const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(quotients[0], quotients[1]),
                                              _mm_packs_epi32(quotients[2], quotients[3]));
        const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)));
        const unsigned pattern = ~zeros & 0xFFFF;
        nonZero |= kRowMasks[row][pattern & 0xFF] | kRowMasks[row + 1][pattern >> 8];
    }
    return nonZero;
}

#else

std::uint64_t BlockQuantiser::quantisePacked(const std::int32_t* coefficients, std::int32_t* values) const {
    return quantisePlain(coefficients, values);
}

#endif

}  // namespace pictrano
