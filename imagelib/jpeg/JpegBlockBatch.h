#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/jpeg/JpegBlockQuantiser.h"
#include "imagelib/jpeg/JpegForwardDct.h"

namespace pictrano {

// The quantised coefficients of eight blocks, in zig-zag order, each position's eight values side
// by side.
struct QuantisedBatch {
    alignas(32) std::int32_t values[64][8];
    // Per block, bit k set when the value at zig-zag position k is not 0.
    std::array<std::uint64_t, 8> nonZero;
};

// Eight blocks of one component transformed and quantised at once with AVX2. A register holds
// one folded sample pair or one coefficient of all eight blocks, so the samples fold by lane-wise
// additions and each coefficient takes one broadcast weight pair per pair of folded samples,
// straight from memory. The results equal forwardDct and then BlockQuantiser::quantise of each
// block.
class BlockBatchTransform {
public:
    explicit BlockBatchTransform(const ForwardDctWeights& weights);

    // Whether this build and processor run it, and whether a quantiser's table suits it.
    static bool available(std::uint32_t processorFeatures);
    static bool suits(const BlockQuantiser& quantiser) { return quantiser.form() == PackedForm::Avx2; }

    // The blocks whose first samples lie at blocks[0..7], rows `stride` samples apart.
    void run(const BlockQuantiser& quantiser, const std::int16_t* const* blocks, std::ptrdiff_t stride,
             QuantisedBatch& out) const;

    // Where a coefficient's folded sample pairs stand among the 64 registers the transform
    // forms (see the source), how many it takes (2, 4, 8, or 32 for the direct sum), and where
    // its weight pairs start.
    struct Coefficient {
        std::uint8_t natural = 0;
        std::uint8_t position = 0;  // in zig-zag order
        std::uint8_t firstPair = 0;
        std::uint8_t pairCount = 0;
        std::uint16_t firstWeight = 0;
    };

private:
    std::array<Coefficient, 64> coefficients_{};  // by pair count (2, 4, 8, then 32), then pairs
    std::array<std::uint8_t, 4> runs_{};          // how many of each
    std::vector<std::int32_t> weightPairs_;       // the weights of pair samples 2m, 2m + 1
};

}  // namespace pictrano
