#include "imagelib/jpeg/SampleRows.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#if defined(__GNUC__)
#include <tmmintrin.h>
#endif
#endif

namespace pictrano {
namespace {

inline std::uint8_t clampByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// The integer conversion of one pixel: >> 8 of the 32-bit sum, kept to 16 bits, clamped.
inline std::uint8_t convertedByte(std::int32_t sum) {
    return clampByte(static_cast<std::int16_t>(sum >> 8));
}

inline void convertPixel(int y, int cb, int cr, std::uint8_t* out) {
    cb -= 128;
    cr -= 128;
    out[0] = convertedByte(256 * y + 453 * cb);
    out[1] = convertedByte(256 * y - 87 * cb - 182 * cr);
    out[2] = convertedByte(256 * y + 358 * cr);
}

#if defined(__SSE2__)

inline __m128i weightPair(int first, int second) {
    return _mm_set1_epi32(static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(first)) |
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(second)) << 16));
}

// The chroma part of a conversion for eight pixels: cb * weightCb + cr * weightCr + constant
// in 32 bits, >> 8, kept to 16 bits (bits 8 to 23 of each sum). With the luma added in 16 bits
// this is the whole sum >> 8 kept to 16 bits, since 256 Y leaves the low 8 bits alone.
inline __m128i chromaPart(__m128i cbCrLow, __m128i cbCrHigh, int weightCb, int weightCr, int constant) {
    const __m128i weights = weightPair(weightCb, weightCr), add = _mm_set1_epi32(constant);
    const __m128i low = _mm_add_epi32(_mm_madd_epi16(cbCrLow, weights), add);
    const __m128i high = _mm_add_epi32(_mm_madd_epi16(cbCrHigh, weights), add);
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(low, 8), 16), _mm_srai_epi32(_mm_slli_epi32(high, 8), 16));
}

inline __m128i load8(const std::int16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Interleaves 16 blue, green and red bytes into the 48 bytes of 16 pixels. Pixels are formed
// as blue, green, red, 0 and packed by pairs into 8-byte stores that overlap by two bytes, so
// two bytes past the 48 are written too (with zeros): callers leave room for them.
inline void storePixels(__m128i blue, __m128i green, __m128i red, std::uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i blueGreen[2] = {_mm_unpacklo_epi8(blue, green), _mm_unpackhi_epi8(blue, green)};
    const __m128i redZero[2] = {_mm_unpacklo_epi8(red, zero), _mm_unpackhi_epi8(red, zero)};
    const __m128i even = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
    const __m128i odd = _mm_set_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0);
    for (int half = 0; half < 2; ++half) {
        for (int quarter = 0; quarter < 2; ++quarter) {
            const __m128i pixels = quarter == 0 ? _mm_unpacklo_epi16(blueGreen[half], redZero[half])
                                                : _mm_unpackhi_epi16(blueGreen[half], redZero[half]);
            // Each 8-byte half: pixel 2i in bytes 0-2, pixel 2i+1 moved down to bytes 3-5.
            const __m128i packed = _mm_or_si128(_mm_and_si128(pixels, even),
                                                _mm_srli_epi64(_mm_and_si128(pixels, odd), 8));
            std::uint8_t* at = out + 24 * half + 12 * quarter;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(at), packed);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(at + 6), _mm_unpackhi_epi64(packed, packed));
        }
    }
}

#endif

}  // namespace

void greyPixelRow(const std::int16_t* samples, int width, std::uint8_t* out) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 17 <= width; x += 16) {
        const __m128i bytes = _mm_packus_epi16(load8(samples + x), load8(samples + x + 8));
        storePixels(bytes, bytes, bytes, out + 3 * x);
    }
#endif
    for (; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = clampByte(samples[x]);
}

void rawPixelRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr, int width,
                 std::uint8_t* out) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 17 <= width; x += 16) {
        storePixels(_mm_packus_epi16(load8(cr + x), load8(cr + x + 8)),
                   _mm_packus_epi16(load8(cb + x), load8(cb + x + 8)),
                   _mm_packus_epi16(load8(y + x), load8(y + x + 8)), out + 3 * x);
    }
#endif
    for (; x < width; ++x) {
        out[3 * x] = clampByte(cr[x]);
        out[3 * x + 1] = clampByte(cb[x]);
        out[3 * x + 2] = clampByte(y[x]);
    }
}

namespace {

#if defined(__SSE2__)

// The blue, green and red bytes of 16 pixels from Y, Cb and Cr at x.
inline void convertSixteen(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr,
                           int x, __m128i* channels) {
    __m128i channel[3][2];
    for (int half = 0; half < 2; ++half) {
        const int at = x + 8 * half;
        const __m128i ys = load8(y + at), cbs = load8(cb + at), crs = load8(cr + at);
        const __m128i low = _mm_unpacklo_epi16(cbs, crs), high = _mm_unpackhi_epi16(cbs, crs);
        // Cb' and Cr' may not fit 16 bits: the 128 goes into the constant instead.
        channel[0][half] = _mm_add_epi16(ys, chromaPart(low, high, 453, 0, -453 * 128));
        channel[1][half] = _mm_add_epi16(ys, chromaPart(low, high, -87, -182, (87 + 182) * 128));
        channel[2][half] = _mm_add_epi16(ys, chromaPart(low, high, 0, 358, -358 * 128));
    }
    for (int c = 0; c < 3; ++c) channels[c] = _mm_packus_epi16(channel[c][0], channel[c][1]);
}

// The same with Cb and Cr at half the width: each chroma part once for the two pixels that
// share it.
inline void convertSixteenHalfChroma(const std::int16_t* y, const std::int16_t* cb,
                                     const std::int16_t* cr, int x, __m128i* channels) {
    const __m128i cbs = load8(cb + x / 2), crs = load8(cr + x / 2);
    const __m128i low = _mm_unpacklo_epi16(cbs, crs), high = _mm_unpackhi_epi16(cbs, crs);
    const __m128i parts[3] = {chromaPart(low, high, 453, 0, -453 * 128),
                              chromaPart(low, high, -87, -182, (87 + 182) * 128),
                              chromaPart(low, high, 0, 358, -358 * 128)};
    const __m128i ys[2] = {load8(y + x), load8(y + x + 8)};
    for (int c = 0; c < 3; ++c) {
        channels[c] = _mm_packus_epi16(_mm_add_epi16(ys[0], _mm_unpacklo_epi16(parts[c], parts[c])),
                                       _mm_add_epi16(ys[1], _mm_unpackhi_epi16(parts[c], parts[c])));
    }
}

struct PackedStore {
    void operator()(const __m128i* channels, std::uint8_t* out) const {
        storePixels(channels[0], channels[1], channels[2], out);
    }
};

// Converts 16 pixels at a time by `convert`, stores them by `store`, then the rest one by one
// with Cb and Cr at x >> chromaShift.
template <typename Convert, typename Store>
[[gnu::always_inline]] inline void convertRow(const std::int16_t* y, const std::int16_t* cb,
                                              const std::int16_t* cr, int width, int chromaShift,
                                              std::uint8_t* out, Convert convert, Store store) {
    int x = 0;
    for (; x + 17 <= width; x += 16) {
        __m128i channels[3];
        convert(y, cb, cr, x, channels);
        store(channels, out + 3 * x);
    }
    for (; x < width; ++x) convertPixel(y[x], cb[x >> chromaShift], cr[x >> chromaShift], out + 3 * x);
}

#if defined(__GNUC__)
#define PICTRANO_SHUFFLED_STORE 1

using ShuffleMasks = std::array<std::array<std::array<std::int8_t, 16>, 3>, 3>;

// For output byte 16 part + i, the source byte of channel c where that byte is channel c's
// (pixel (16 part + i) / 3), else -128 (a zero).
constexpr ShuffleMasks makeShuffles() {
    ShuffleMasks shuffles{};
    for (int part = 0; part < 3; ++part) {
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < 16; ++i) {
                const int at = 16 * part + i;
                shuffles[part][c][i] = static_cast<std::int8_t>(at % 3 == c ? at / 3 : -128);
            }
        }
    }
    return shuffles;
}

alignas(16) constexpr ShuffleMasks kShuffles = makeShuffles();

// Interleaves 16 blue, green and red bytes into exactly 48 bytes by byte shuffles.
struct ShuffledStore {
    [[gnu::target("ssse3")]] void operator()(const __m128i* channels, std::uint8_t* out) const {
        for (int part = 0; part < 3; ++part) {
            __m128i bytes = _mm_setzero_si128();
            for (int c = 0; c < 3; ++c) {
                const auto* mask = reinterpret_cast<const __m128i*>(kShuffles[part][c].data());
                bytes = _mm_or_si128(bytes, _mm_shuffle_epi8(channels[c], _mm_load_si128(mask)));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * part), bytes);
        }
    }
};


[[gnu::target("ssse3")]] void convertedRowShuffled(const std::int16_t* y, const std::int16_t* cb,
                                                   const std::int16_t* cr, int width, std::uint8_t* out) {
    convertRow(y, cb, cr, width, 0, out, convertSixteen, ShuffledStore{});
}

[[gnu::target("ssse3")]] void convertedRowHalfChromaShuffled(const std::int16_t* y, const std::int16_t* cb,
                                                             const std::int16_t* cr, int width, std::uint8_t* out) {
    convertRow(y, cb, cr, width, 1, out, convertSixteenHalfChroma, ShuffledStore{});
}

bool shufflesBytes() {
    static const bool available = __builtin_cpu_supports("ssse3");
    return available;
}

#endif
#endif

}  // namespace

namespace {

// A row of pixels whose chroma sample for pixel x is sample x >> chromaShift (0 or 1), by the
// fastest store the processor has unless the plain packed store is asked for.
void convertedRowOf(int chromaShift, const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr,
                    int width, std::uint8_t* out, PixelStore store) {
#if defined(PICTRANO_SHUFFLED_STORE)
    if (store == PixelStore::Fastest && shufflesBytes()) {
        return chromaShift == 0 ? convertedRowShuffled(y, cb, cr, width, out)
                                : convertedRowHalfChromaShuffled(y, cb, cr, width, out);
    }
#endif
    (void)store;
#if defined(__SSE2__)
    if (chromaShift == 0) return convertRow(y, cb, cr, width, 0, out, convertSixteen, PackedStore{});
    convertRow(y, cb, cr, width, 1, out, convertSixteenHalfChroma, PackedStore{});
#else
    for (int x = 0; x < width; ++x) convertPixel(y[x], cb[x >> chromaShift], cr[x >> chromaShift], out + 3 * x);
#endif
}

}  // namespace

void convertedPixelRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr,
                       int width, std::uint8_t* out, PixelStore store) {
    convertedRowOf(0, y, cb, cr, width, out, store);
}

void convertedPixelRowHalfChroma(const std::int16_t* y, const std::int16_t* cb,
                                 const std::int16_t* cr, int width, std::uint8_t* out,
                                 PixelStore store) {
    convertedRowOf(1, y, cb, cr, width, out, store);
}

void greyWideRow(const std::int16_t* samples, int width, int precision, std::uint16_t* out) {
    const int maximum = (1 << precision) - 1;
    for (int x = 0; x < width; ++x) {
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] =
            static_cast<std::uint16_t>(std::clamp<int>(samples[x], 0, maximum));
    }
}

void rawWideRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr, int width,
                int precision, std::uint16_t* out) {
    const int maximum = (1 << precision) - 1;
    for (int x = 0; x < width; ++x) {
        out[3 * x] = static_cast<std::uint16_t>(std::clamp<int>(cr[x], 0, maximum));
        out[3 * x + 1] = static_cast<std::uint16_t>(std::clamp<int>(cb[x], 0, maximum));
        out[3 * x + 2] = static_cast<std::uint16_t>(std::clamp<int>(y[x], 0, maximum));
    }
}

void convertedWideRow(const std::int16_t* y, const std::int16_t* cb, const std::int16_t* cr,
                      int width, int precision, std::uint16_t* out) {
    const int maximum = (1 << precision) - 1;
    const int half = 1 << (precision - 1);
    auto clamped = [maximum](int value) {
        return static_cast<std::uint16_t>(std::clamp(value, 0, maximum));
    };
    for (int x = 0; x < width; ++x) {
        const int luma = 4096 * y[x], blue = cb[x] - half, red = cr[x] - half;
        out[3 * x] = clamped((luma + 7258 * blue) >> 12);
        out[3 * x + 1] = clamped((luma - 1410 * blue - 2925 * red) >> 12);
        out[3 * x + 2] = clamped((luma + 5742 * red) >> 12);
    }
}

void greyByteRow(const std::int16_t* samples, int width, int precision, std::uint8_t* out) {
    const int maximum = (1 << precision) - 1;
    for (int x = 0; x < width; ++x) {
        out[x] = static_cast<std::uint8_t>(std::clamp<int>(samples[x], 0, maximum) >> (precision - 8));
    }
}

}  // namespace pictrano
