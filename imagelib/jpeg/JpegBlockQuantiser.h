#pragma once

#include <array>
#include <cstdint>

#include "imagelib/jpeg/JpegQuantTable.h"

namespace pictrano {

// Quantises blocks of DCT coefficients with one table, (F + floor(q / 2)) / q truncated toward
// zero as the table's plain quantise does, and tells which values are not zero.
class BlockQuantiser {
public:
    BlockQuantiser() = default;
    BlockQuantiser(const JpegQuantTable& table, std::uint32_t processorFeatures);

    // Quantises 64 coefficients (natural order) into `values` (natural order). Returns bit k set
    // when the value at zig-zag position k is not zero. The coefficients of 8-bit samples stay
    // below 2,048 in magnitude; with SSE2 and quantisers up to 255 such blocks take the packed
    // form, which divides in single precision: (|F + q/2| + 0.5) / q lies at least 1/510 from an
    // integer while its rounding error stays below 1/2,048, so the truncation is exact.
    std::uint64_t quantise(const std::int32_t* coefficients, std::int32_t* values) const;

private:
    std::uint64_t quantisePlain(const std::int32_t* coefficients, std::int32_t* values) const;
    std::uint64_t quantisePacked(const std::int32_t* coefficients, std::int32_t* values) const;

    std::array<std::int32_t, 64> halves_{};
    // ceil(2^32 / q): ((n * reciprocal) >> 32) is n / q for every n below 2^16.
    std::array<std::uint64_t, 64> reciprocals_{};
    alignas(16) std::array<float, 64> floatReciprocals_{};
    bool packed_ = false;
};

}  // namespace pictrano
