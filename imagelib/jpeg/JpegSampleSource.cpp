#include "imagelib/jpeg/JpegSampleSource.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__) && defined(__GNUC__)
#include <tmmintrin.h>
#define PICTRANO_SHUFFLED_SPLIT 1
#endif

#include "imagelib/jpeg/ProcessorFeatures.h"

namespace pictrano {
namespace {

int luminance(int red, int green, int blue) { return (77 * red + 150 * green + 29 * blue) >> 8; }

std::int16_t sample(int value) { return static_cast<std::int16_t>(value); }

int blueDifference(int red, int green, int blue) { return ((128 * blue - 43 * red - 85 * green) >> 8) + 128; }
int redDifference(int red, int green, int blue) { return ((128 * red - 21 * blue - 107 * green) >> 8) + 128; }

// The three components of a pixel in the colour model.
void componentsOf(const std::uint8_t* pixel, int colourModel, int* out) {
    const int blue = pixel[0], green = pixel[1], red = pixel[2];
    if (colourModel == kJpegRgb) {
        out[0] = red, out[1] = green, out[2] = blue;
    } else {
        out[0] = luminance(red, green, blue);
        out[1] = blueDifference(red, green, blue);
        out[2] = redDifference(red, green, blue);
    }
}

#if defined(PICTRANO_SHUFFLED_SPLIT)

using SplitMasks = std::array<std::array<std::array<std::int8_t, 16>, 3>, 3>;

// For plane p (blue, green, red) and the k-th 16 bytes of 16 pixels: plane byte i takes byte
// 3i + p of the pixels where it lies in those 16 bytes, else -128 (a zero).
constexpr SplitMasks makeSplitMasks() {
    SplitMasks masks{};
    for (int p = 0; p < 3; ++p) {
        for (int k = 0; k < 3; ++k) {
            for (int i = 0; i < 16; ++i) {
                const int at = 3 * i + p;
                masks[p][k][i] = static_cast<std::int8_t>(at / 16 == k ? at % 16 : -128);
            }
        }
    }
    return masks;
}

alignas(16) constexpr SplitMasks kSplitMasks = makeSplitMasks();

// Takes 16 pixels at a time apart by byte shuffles; returns how many pixels it took.
[[gnu::target("ssse3")]] int splitShuffled(const std::uint8_t* pixel, int count, std::uint8_t* const* planes) {
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const auto* in = reinterpret_cast<const __m128i*>(pixel + 3 * static_cast<std::size_t>(x));
        const __m128i bytes[3] = {_mm_loadu_si128(in), _mm_loadu_si128(in + 1), _mm_loadu_si128(in + 2)};
        for (int p = 0; p < 3; ++p) {
            __m128i plane = _mm_setzero_si128();
            for (int k = 0; k < 3; ++k) {
                const auto* mask = reinterpret_cast<const __m128i*>(kSplitMasks[p][k].data());
                plane = _mm_or_si128(plane, _mm_shuffle_epi8(bytes[k], _mm_load_si128(mask)));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(planes[p] + x), plane);
        }
    }
    return x;
}

bool convertsWide() {
    static const bool available = fastestPackedForm(readProcessorFeatureWord()) == PackedForm::Avx2;
    return available;
}

bool splitsByShuffles() {
    static const bool available = __builtin_cpu_supports("ssse3");
    return available;
}

#endif

// Calls work(start, count, blues, greens, reds) for blocks of the row's pixels taken apart into
// planes of bytes (by byte shuffles where the processor has them): the loops over planes
// vectorise, where the pixels' three-byte steps do not.
template <typename Work>
void forEachBlockOfPlanes(const std::uint8_t* pixel, int width, Work work) {
    constexpr int kBlock = 256;
    std::uint8_t blues[kBlock], greens[kBlock], reds[kBlock];
    for (int start = 0; start < width; start += kBlock) {
        const int count = std::min(kBlock, width - start);
        const std::uint8_t* block = pixel + 3 * static_cast<std::size_t>(start);
        int x = 0;
#if defined(PICTRANO_SHUFFLED_SPLIT)
        std::uint8_t* const planes[3] = {blues, greens, reds};
        if (splitsByShuffles()) x = splitShuffled(block, count, planes);
#endif
        for (; x < count; ++x) {
            blues[x] = block[3 * x];
            greens[x] = block[3 * x + 1];
            reds[x] = block[3 * x + 2];
        }
        work(start, count, blues, greens, reds);
    }
}

// The samples of `count` pixels from their planes: luminance alone, or luminance and both
// colour differences.
[[gnu::always_inline]] inline void luminanceOfPlanes(int count, const std::uint8_t* blues, const std::uint8_t* greens,
                                                     const std::uint8_t* reds, int shift,
                                                     std::int16_t* __restrict out) {
    for (int x = 0; x < count; ++x) out[x] = sample(luminance(reds[x], greens[x], blues[x]) - shift);
}

[[gnu::always_inline]] inline void ycbcrOfPlanes(int count, const std::uint8_t* blues, const std::uint8_t* greens,
                                                 const std::uint8_t* reds, int shift, std::int16_t* __restrict lum,
                                                 std::int16_t* __restrict blueDifferences,
                                                 std::int16_t* __restrict redDifferences) {
    for (int x = 0; x < count; ++x) {
        const int blue = blues[x], green = greens[x], red = reds[x];
        lum[x] = sample(luminance(red, green, blue) - shift);
        blueDifferences[x] = sample(blueDifference(red, green, blue) - shift);
        redDifferences[x] = sample(redDifference(red, green, blue) - shift);
    }
}

// The same loops compiled for 256-bit registers, which the compiler vectorises twice as wide,
// where the processor has them.
#if defined(PICTRANO_SHUFFLED_SPLIT)
[[gnu::target("avx2")]] void luminanceOfPlanesAvx2(int count, const std::uint8_t* blues, const std::uint8_t* greens,
                                                  const std::uint8_t* reds, int shift, std::int16_t* out) {
    luminanceOfPlanes(count, blues, greens, reds, shift, out);
}

[[gnu::target("avx2")]] void ycbcrOfPlanesAvx2(int count, const std::uint8_t* blues, const std::uint8_t* greens,
                                              const std::uint8_t* reds, int shift, std::int16_t* const* out) {
    ycbcrOfPlanes(count, blues, greens, reds, shift, out[0], out[1], out[2]);
}
#endif

void luminanceOf(int count, const std::uint8_t* blues, const std::uint8_t* greens, const std::uint8_t* reds,
                 int shift, std::int16_t* out) {
#if defined(PICTRANO_SHUFFLED_SPLIT)
    if (convertsWide()) return luminanceOfPlanesAvx2(count, blues, greens, reds, shift, out);
#endif
    luminanceOfPlanes(count, blues, greens, reds, shift, out);
}

void ycbcrOf(int count, const std::uint8_t* blues, const std::uint8_t* greens, const std::uint8_t* reds,
             int shift, std::int16_t* const* out) {
#if defined(PICTRANO_SHUFFLED_SPLIT)
    if (convertsWide()) return ycbcrOfPlanesAvx2(count, blues, greens, reds, shift, out);
#endif
    ycbcrOfPlanes(count, blues, greens, reds, shift, out[0], out[1], out[2]);
}

void convertRow(const std::uint8_t* pixel, int width, int colourModel, int shift,
                std::int16_t* const* rows) {
    std::int16_t* first = rows[0];
    const bool onlyFirst = colourModel == kJpegGrey || (rows[1] == nullptr && rows[2] == nullptr);
    if (onlyFirst && first != nullptr && colourModel != kJpegRgb) {
        forEachBlockOfPlanes(pixel, width, [&](int start, int count, const std::uint8_t* blues,
                                               const std::uint8_t* greens, const std::uint8_t* reds) {
            luminanceOf(count, blues, greens, reds, shift, first + start);
        });
    } else if (colourModel == kJpegYcbcr && first != nullptr && rows[1] != nullptr && rows[2] != nullptr) {
        forEachBlockOfPlanes(pixel, width, [&](int start, int count, const std::uint8_t* blues,
                                               const std::uint8_t* greens, const std::uint8_t* reds) {
            std::int16_t* const out[3] = {first + start, rows[1] + start, rows[2] + start};
            ycbcrOf(count, blues, greens, reds, shift, out);
        });
    } else {
        for (int x = 0; x < width; ++x, pixel += 3) {
            int components[3];
            componentsOf(pixel, colourModel, components);
            for (int c = 0; c < 3; ++c) {
                if (rows[c] != nullptr) rows[c][x] = sample(components[c] - shift);
            }
        }
    }
}

}  // namespace

int componentCountOf(int colourModel) {
    switch (colourModel) {
    case kJpegGrey: return 1;
    case kJpegRgb:
    case kJpegYcbcr: return 3;
    default: return 0;
    }
}

void SampleSource::fillRow(int y, std::int16_t* const* rows, int length) const {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(std::min(y, height - 1)) * stride;
    convertRow(row, width, colourModel, levelShift ? 128 : 0, rows);
    for (int c = 0; c < componentCount(); ++c) {
        if (rows[c] != nullptr) std::fill(rows[c] + width, rows[c] + length, rows[c][width - 1]);
    }
}

}  // namespace pictrano
