#pragma once

#include <array>
#include <cstdint>

#include "imagelib/jpeg/JpegQuantTable.h"
#include "imagelib/jpeg/ProcessorFeatures.h"

namespace pictrano {

// Quantises blocks of DCT coefficients with one table, (F + floor(q / 2)) / q truncated toward
// zero as the table's plain quantise does, and tells which values are not zero.
class BlockQuantiser {
public:
    BlockQuantiser() = default;
    BlockQuantiser(const JpegQuantTable& table, PackedForm form);

    // Quantises 64 coefficients (natural order) into `values` (natural order). Returns bit k set
    // when the value at zig-zag position k is not zero. The coefficients of 8-bit samples stay
    // below 2,048 in magnitude; with quantisers up to 255 the packed forms divide them in single
    // precision, four or eight at a time, multiplying n = F + q/2 by 1/q enlarged by 2^-14: the
    // product's magnitude lies between |n| / q (never below it, as the enlargement outweighs the
    // rounding errors) and |n| / q + 0.14 / q (short of the next integer, at least 1/q above
    // |n| / q), so the truncation is exact.
    std::uint64_t quantise(const std::int32_t* coefficients, std::int32_t* values) const;

    // The form quantise() takes: Plain when a quantiser exceeds the packed forms' range.
    PackedForm form() const { return form_; }
    // floor(q / 2) and the enlarged 1 / q in single precision, natural order.
    const std::int32_t* halves() const { return halves_.data(); }
    const float* floatReciprocals() const { return floatReciprocals_.data(); }

private:
    std::uint64_t quantisePlain(const std::int32_t* coefficients, std::int32_t* values) const;
    std::uint64_t quantisePacked(const std::int32_t* coefficients, std::int32_t* values) const;
    std::uint64_t quantiseWide(const std::int32_t* coefficients, std::int32_t* values) const;

    std::array<std::int32_t, 64> halves_{};
    // ceil(2^32 / q): ((n * reciprocal) >> 32) is n / q for every n below 2^16.
    std::array<std::uint64_t, 64> reciprocals_{};
    alignas(32) std::array<float, 64> floatReciprocals_{};
    PackedForm form_ = PackedForm::Plain;
};

}  // namespace pictrano
