#include "imagelib/jpeg/InverseDct.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pictrano {
namespace {

// The output sample as stored: rounded, shifted, level-shifted and kept to 16 bits.
inline std::int16_t outputSample(std::int32_t sum, int levelShift) {
    return static_cast<std::int16_t>(((sum + 128) >> 8) + levelShift);
}

// cos(m pi / 16), from a power series in plain IEEE double arithmetic, so that every build and
// run-time library computes the same weights.
double cosineOfSixteenths(int m) {
    m %= 32;  // the period, 2 pi
    if (m > 16) m = 32 - m;  // cos(2 pi - a) = cos a
    const double sign = m > 8 ? -1.0 : 1.0;
    if (m > 8) m = 16 - m;  // cos(pi - a) = -cos a
    const double angle = m * (std::numbers::pi / 16);
    double term = 1, sum = 1;
    for (int n = 1; n <= 12; ++n) {
        term *= -angle * angle / ((2.0 * n - 1) * (2.0 * n));
        sum += term;
    }
    return sign * sum;
}

// Coefficients fall in four classes by the parity of their vertical and horizontal frequency.
inline int parityClass(int k) { return ((k >> 3) & 1) << 1 | (k & 1); }

}  // namespace

const InverseDct& InverseDct::instance() {
    static const InverseDct table;
    return table;
}

InverseDct::InverseDct() {
    std::array<std::array<float, 8>, 8> cosines{};
    std::array<float, 8> scale{};
    for (int u = 0; u < 8; ++u) {
        scale[u] = u == 0 ? 0.70710677f : 1.0f;
        for (int x = 0; x < 8; ++x) {
            cosines[u][x] = static_cast<float>(0.5 * cosineOfSixteenths((2 * x + 1) * u));
        }
    }
    for (int n = 0; n < 64; ++n) {
        const int y = n / 8, x = n % 8;
        for (int k = 0; k < 64; ++k) {
            const int v = k / 8, u = k % 8;
            const float product = 256.0f * scale[v] * cosines[v][y] * cosines[u][x] * scale[u];
            weights_[n][k] = static_cast<std::int16_t>(std::round(product));
        }
    }

    mirrored_ = true;
    flatDc_ = true;
    for (int n = 0; n < 64; ++n) {
        const int y = n / 8, x = n % 8;
        flatDc_ = flatDc_ && weights_[n][0] == weights_[0][0];
        for (int k = 0; k < 64; ++k) {
            const int v = k / 8, u = k % 8;
            const int mirroredX = weights_[8 * y + 7 - x][k] * ((u & 1) ? -1 : 1);
            const int mirroredY = weights_[8 * (7 - y) + x][k] * ((v & 1) ? -1 : 1);
            mirrored_ = mirrored_ && mirroredX == weights_[n][k] && mirroredY == weights_[n][k];
            if (y < 4 && x < 4) quadrant_[k][4 * y + x] = weights_[n][k];
        }
    }
    std::array<int, 4> filled{};
    for (int k = 0; k < 64; ++k) {
        const int c = parityClass(k);
        const int pair = 8 * c + filled[c] / 2;
        pairMembers_[pair][filled[c] % 2] = static_cast<std::uint8_t>(k);
        pairSlot_[k] = static_cast<std::uint8_t>(2 * pair + filled[c] % 2);
        ++filled[c];
    }
    for (int pair = 0; pair < 32; ++pair) {
        for (int n = 0; n < 16; ++n) {
            pairWeights_[pair][2 * n] = quadrant_[pairMembers_[pair][0]][n];
            pairWeights_[pair][2 * n + 1] = quadrant_[pairMembers_[pair][1]][n];
        }
    }
}

bool InverseDct::offers(Form form) const {
    switch (form) {
        case Form::Direct: return true;
        case Form::Quadrants: return mirrored_;
        case Form::QuadrantsSse2:
#if defined(__SSE2__)
            return mirrored_;
#else
            return false;
#endif
    }
    return false;
}

void InverseDct::transform(const std::int16_t* block, const std::uint8_t* nonzero, int count,
                           int levelShift, std::int16_t* out, std::ptrdiff_t pitch) const {
    if (count == 1 && nonzero[0] == 0 && flatDc_) {
        const std::int16_t sample = outputSample(weights_[0][0] * block[0], levelShift);
        for (int y = 0; y < 8; ++y, out += pitch) {
            for (int x = 0; x < 8; ++x) out[x] = sample;
        }
        return;
    }
    const Form fastest = offers(Form::QuadrantsSse2) ? Form::QuadrantsSse2
                         : mirrored_                 ? Form::Quadrants
                                                     : Form::Direct;
    transformAs(fastest, block, nonzero, count, levelShift, out, pitch);
}

void InverseDct::transformAs(Form form, const std::int16_t* block, const std::uint8_t* nonzero,
                             int count, int levelShift, std::int16_t* out,
                             std::ptrdiff_t pitch) const {
    switch (form) {
        case Form::Direct: return transformDirectly(block, nonzero, count, levelShift, out, pitch);
        case Form::Quadrants:
            return transformByQuadrants(block, nonzero, count, levelShift, out, pitch);
        case Form::QuadrantsSse2:
            return transformByQuadrantsSse2(block, nonzero, count, levelShift, out, pitch);
    }
}

void InverseDct::transformPairs(std::int16_t* slots, std::uint32_t pairs, int levelShift,
                                std::int16_t* out, std::ptrdiff_t pitch) const {
    // Pair 0 holds the DC coefficient in slot 0.
    if (pairs == 1 && slots[1] == 0 && flatDc_) {
        const std::int16_t sample = outputSample(weights_[0][0] * slots[0], levelShift);
        slots[0] = 0;
        for (int y = 0; y < 8; ++y, out += pitch) {
            for (int x = 0; x < 8; ++x) out[x] = sample;
        }
        return;
    }
    transformPairsSse2(slots, pairs, levelShift, out, pitch);
}

void InverseDct::transformDirectly(const std::int16_t* block, const std::uint8_t* nonzero,
                                   int count, int levelShift, std::int16_t* out,
                                   std::ptrdiff_t pitch) const {
    std::array<std::int32_t, 64> sums{};
    for (int i = 0; i < count; ++i) {
        const int k = nonzero[i];
        const std::int32_t c = block[k];
        for (int n = 0; n < 64; ++n) sums[n] += weights_[n][k] * c;
    }
    for (int y = 0; y < 8; ++y, out += pitch) {
        for (int x = 0; x < 8; ++x) out[x] = outputSample(sums[8 * y + x], levelShift);
    }
}

void InverseDct::transformByQuadrants(const std::int16_t* block, const std::uint8_t* nonzero,
                                      int count, int levelShift, std::int16_t* out,
                                      std::ptrdiff_t pitch) const {
    std::array<std::array<std::int32_t, 16>, 4> sums{};
    for (int i = 0; i < count; ++i) {
        const int k = nonzero[i];
        const std::int32_t value = block[k];
        std::array<std::int32_t, 16>& target = sums[parityClass(k)];
        for (int n = 0; n < 16; ++n) target[n] += quadrant_[k][n] * value;
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const int n = 4 * y + x;
            const std::int32_t a = sums[0][n], b = sums[1][n], c = sums[2][n], d = sums[3][n];
            out[y * pitch + x] = outputSample(a + b + c + d, levelShift);
            out[y * pitch + 7 - x] = outputSample(a - b + c - d, levelShift);
            out[(7 - y) * pitch + x] = outputSample(a + b - c - d, levelShift);
            out[(7 - y) * pitch + 7 - x] = outputSample(a - b - c + d, levelShift);
        }
    }
}

#if defined(__SSE2__)

namespace {

// Shifts four sums that already hold the rounding and the level shift (128 + 256 levelShift),
// keeping bits 8 to 23 of each: the low 16 bits of sum >> 8, as the plain form's store keeps
// them, sign-extended in 32-bit lanes.
inline __m128i finishSums(__m128i sums) { return _mm_srai_epi32(_mm_slli_epi32(sums, 8), 16); }

inline __m128i reverseLanes(__m128i value) { return _mm_shuffle_epi32(value, _MM_SHUFFLE(0, 1, 2, 3)); }

}  // namespace

void InverseDct::transformByQuadrantsSse2(const std::int16_t* block,
                                          const std::uint8_t* nonzero, int count, int levelShift,
                                          std::int16_t* out, std::ptrdiff_t pitch) const {
    alignas(16) std::int16_t slots[64] = {};
    std::uint32_t pairs = 0;
    for (int i = 0; i < count; ++i) {
        const int slot = pairSlot_[nonzero[i]];
        slots[slot] = block[nonzero[i]];
        pairs |= 1u << (slot >> 1);
    }
    transformPairsSse2(slots, pairs, levelShift, out, pitch);
}

void InverseDct::transformPairsSse2(std::int16_t* slots, std::uint32_t pairs,
                                    int levelShift, std::int16_t* out,
                                    std::ptrdiff_t pitch) const {
    // One multiply-add forms two products per output: the pair's coefficients, side by side in
    // the slots, against their interleaved weights.
    __m128i sums[4][4];
    // Every output takes class 0's sums with a plus sign, so they carry the rounding and the
    // level shift.
    const __m128i bias = _mm_set1_epi32(128 + 256 * levelShift);
    for (int c = 0; c < 4; ++c) {
        __m128i s0 = c == 0 ? bias : _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0;
        for (std::uint32_t left = (pairs >> (8 * c)) & 0xFF; left != 0; left &= left - 1) {
            const int pair = 8 * c + std::countr_zero(left);
            std::int32_t both;
            std::memcpy(&both, slots + 2 * pair, 4);
            slots[2 * pair] = slots[2 * pair + 1] = 0;
            const __m128i factors = _mm_set1_epi32(both);
            const auto* w = reinterpret_cast<const __m128i*>(pairWeights_[pair].data());
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_load_si128(w), factors));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_load_si128(w + 1), factors));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_load_si128(w + 2), factors));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_load_si128(w + 3), factors));
        }
        sums[c][0] = s0;
        sums[c][1] = s1;
        sums[c][2] = s2;
        sums[c][3] = s3;
    }
    for (int y = 0; y < 4; ++y) {
        // Classes: 0 even/even, 1 even v odd u (flips across x), 2 odd v (flips across y), 3 both.
        const __m128i a = sums[0][y], b = sums[1][y], c = sums[2][y], d = sums[3][y];
        const __m128i top = _mm_add_epi32(a, c), topOdd = _mm_add_epi32(b, d);
        const __m128i bottom = _mm_sub_epi32(a, c), bottomOdd = _mm_sub_epi32(b, d);
        const __m128i topLeft = finishSums(_mm_add_epi32(top, topOdd));
        const __m128i topRight = reverseLanes(finishSums(_mm_sub_epi32(top, topOdd)));
        const __m128i bottomLeft = finishSums(_mm_add_epi32(bottom, bottomOdd));
        const __m128i bottomRight = reverseLanes(finishSums(_mm_sub_epi32(bottom, bottomOdd)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + y * pitch), _mm_packs_epi32(topLeft, topRight));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (7 - y) * pitch),
                         _mm_packs_epi32(bottomLeft, bottomRight));
    }
}

#else

void InverseDct::transformByQuadrantsSse2(const std::int16_t* block,
                                          const std::uint8_t* nonzero, int count,
                                          int levelShift, std::int16_t* out,
                                          std::ptrdiff_t pitch) const {
    transformByQuadrants(block, nonzero, count, levelShift, out, pitch);
}

void InverseDct::transformPairsSse2(std::int16_t* slots, std::uint32_t pairs,
                                    int levelShift, std::int16_t* out,
                                    std::ptrdiff_t pitch) const {
    std::int16_t block[64] = {};
    std::uint8_t nonzero[64];
    int count = 0;
    for (int pair = 0; pair < 32; ++pair) {
        if ((pairs >> pair & 1) == 0) continue;
        for (int member = 0; member < 2; ++member) {
            const int k = pairMembers_[pair][member];
            block[k] = slots[2 * pair + member];
            slots[2 * pair + member] = 0;
            nonzero[count++] = static_cast<std::uint8_t>(k);
        }
    }
    transformByQuadrants(block, nonzero, count, levelShift, out, pitch);
}

#endif

}  // namespace pictrano
