#include "imagelib/jpeg/JpegBlockQuantiser.h"

#include <algorithm>

#include "imagelib/jpeg/JpegZigZag.h"
#include "imagelib/jpeg/ProcessorFeatures.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#if defined(__GNUC__)
#include <immintrin.h>
#define PICTRANO_WIDE_QUANTISER 1
#endif
#endif

namespace pictrano {
namespace {

constexpr int kLargestPackedQuantiser = 255;

}  // namespace

BlockQuantiser::BlockQuantiser(const JpegQuantTable& table, PackedForm form) {
    bool small = true;
    for (std::size_t p = 0; p < 64; ++p) {
        const std::uint64_t q = std::max<std::uint16_t>(table.values[p], 1);
        halves_[p] = static_cast<std::int32_t>(q / 2);
        reciprocals_[p] = ((std::uint64_t{1} << 32) + q - 1) / q;
        floatReciprocals_[p] = static_cast<float>((1.0 + 1.0 / 16384) / static_cast<double>(q));
        small = small && q <= kLargestPackedQuantiser;
    }
    form_ = small ? form : PackedForm::Plain;
}

std::uint64_t BlockQuantiser::quantise(const std::int32_t* coefficients, std::int32_t* values) const {
    switch (form_) {
#if defined(PICTRANO_WIDE_QUANTISER)
    case PackedForm::Avx2: return quantiseWide(coefficients, values);
#endif
#if defined(__SSE2__)
    case PackedForm::Sse2: return quantisePacked(coefficients, values);
#endif
    default: return quantisePlain(coefficients, values);
    }
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
        nonZero |= kZigZagBitsOfRow[row][pattern];
    }
    return nonZero;
}

#if defined(__SSE2__)

std::uint64_t BlockQuantiser::quantisePacked(const std::int32_t* coefficients, std::int32_t* values) const {
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t nonZero = 0;
    for (std::size_t row = 0; row < 8; row += 2) {
        __m128i quotients[4];
        for (std::size_t i = 0; i < 4; ++i) {
            const std::size_t p = row * 8 + 4 * i;
            const __m128i n = _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + p)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(&halves_[p])));
            const __m128 scaled = _mm_mul_ps(_mm_cvtepi32_ps(n), _mm_load_ps(&floatReciprocals_[p]));
            quotients[i] = _mm_cvttps_epi32(scaled);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(values + p), quotients[i]);
        }
        // Saturating packs keep non-zero values non-zero: one byte per value, two rows.
        const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(quotients[0], quotients[1]),
                                              _mm_packs_epi32(quotients[2], quotients[3]));
        const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)));
        const unsigned pattern = ~zeros & 0xFFFF;
        nonZero |= kZigZagBitsOfRow[row][pattern & 0xFF] | kZigZagBitsOfRow[row + 1][pattern >> 8];
    }
    return nonZero;
}

#else

std::uint64_t BlockQuantiser::quantisePacked(const std::int32_t* coefficients, std::int32_t* values) const {
    return quantisePlain(coefficients, values);
}

#endif

#if defined(PICTRANO_WIDE_QUANTISER)

[[gnu::target("avx2")]] std::uint64_t BlockQuantiser::quantiseWide(const std::int32_t* coefficients,
                                                                     std::int32_t* values) const {
    const __m256i zero = _mm256_setzero_si256();
    // The packs below leave the bytes of four rows as row 0..3 columns 0-3, then columns 4-7.
    const __m256i rowOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    std::uint64_t nonZero = 0;
    for (std::size_t row = 0; row < 8; row += 4) {
        __m256i quotients[4];
        for (std::size_t i = 0; i < 4; ++i) {
            const std::size_t p = (row + i) * 8;
            const __m256i n = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + p)),
                                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&halves_[p])));
            const __m256 scaled = _mm256_mul_ps(_mm256_cvtepi32_ps(n), _mm256_load_ps(&floatReciprocals_[p]));
            quotients[i] = _mm256_cvttps_epi32(scaled);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(values + p), quotients[i]);
        }
        const __m256i bytes = _mm256_packs_epi16(_mm256_packs_epi32(quotients[0], quotients[1]),
                                                 _mm256_packs_epi32(quotients[2], quotients[3]));
        const __m256i rows = _mm256_permutevar8x32_epi32(bytes, rowOrder);
        const auto zeros = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(rows, zero)));
        const std::uint32_t pattern = ~zeros;
        for (std::size_t i = 0; i < 4; ++i) nonZero |= kZigZagBitsOfRow[row + i][pattern >> (8 * i) & 0xFF];
    }
    return nonZero;
}

#endif

}  // namespace pictrano
