#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pictrano {

// The inverse DCT as a 64 x 64 product in 16-bit fixed point with 8 fraction bits: output sample
// n = 8y + x of coefficients c (natural order, k = 8v + u) is
//   ((sum over k of weight[n][k] * c[k] + 128) >> 8) + levelShift, kept in 16 bits unclamped,
// weight[n][k] = round(256 * s(v) * C[v][y] * C[u][x] * s(u)) with C[u][x] = cos((2x+1)u pi/16)/2
// and s(0) = 0.70710677, s(u > 0) = 1, in single precision.
class InverseDct {
public:
    // The ways of forming the same sums: every nonzero coefficient times its column of weights;
    // the top-left quadrant per class of frequency parity, mirrored into the others; the latter
    // with SSE2 multiply-adds where the processor has them.
    enum class Form { Direct, Quadrants, QuadrantsSse2 };

    static const InverseDct& instance();
    // Whether the weights allow the quadrant forms, and whether SSE2 is there.
    bool offers(Form form) const;

    std::int16_t weight(int sample, int coefficient) const { return weights_[sample][coefficient]; }

    // Transforms a block whose coefficients are zero except at the `count` natural positions
    // listed, writing 8 rows of 8 samples `pitch` samples apart.
    void transform(const std::int16_t* block, const std::uint8_t* nonzero, int count,
                   int levelShift, std::int16_t* out, std::ptrdiff_t pitch) const;
    // The same in a given form, which must be offered.
    void transformAs(Form form, const std::int16_t* block, const std::uint8_t* nonzero, int count,
                     int levelShift, std::int16_t* out, std::ptrdiff_t pitch) const;

    // The coefficients also go in fixed pairs, for the quadrant forms: the slot of natural
    // coefficient k in a block laid out by pairs (pair p in slots 2p and 2p + 1).
    int pairSlot(int k) const { return pairSlot_[static_cast<std::size_t>(k)]; }
    // Transforms a block laid out by pairs that is zero outside the pairs whose bits are set,
    // and clears those pairs, ready for the next block; only where the quadrant forms are
    // offered.
    void transformPairs(std::int16_t* slots, std::uint32_t pairs, int levelShift,
                        std::int16_t* out, std::ptrdiff_t pitch) const;

private:
    InverseDct();
    void transformByQuadrants(const std::int16_t* block, const std::uint8_t* nonzero, int count,
                              int levelShift, std::int16_t* out, std::ptrdiff_t pitch) const;
    void transformByQuadrantsSse2(const std::int16_t* block, const std::uint8_t* nonzero,
                                  int count, int levelShift, std::int16_t* out,
                                  std::ptrdiff_t pitch) const;
    void transformPairsSse2(std::int16_t* slots, std::uint32_t pairs, int levelShift,
                            std::int16_t* out, std::ptrdiff_t pitch) const;
    void transformDirectly(const std::int16_t* block, const std::uint8_t* nonzero, int count,
                           int levelShift, std::int16_t* out, std::ptrdiff_t pitch) const;

    std::array<std::array<std::int16_t, 64>, 64> weights_{};
    // Column k of the weights restricted to the top-left 4 x 4 outputs (4y + x).
    alignas(16) std::array<std::array<std::int16_t, 16>, 64> quadrant_{};
    // The coefficients of each parity class in fixed pairs (pairs 8c to 8c + 7 for class c), with
    // the quadrant weights of each pair interleaved for multiply-adds: (w1[n], w2[n]) for n 0-15.
    alignas(16) std::array<std::array<std::int16_t, 32>, 32> pairWeights_{};
    std::array<std::array<std::uint8_t, 2>, 32> pairMembers_{};
    std::array<std::uint8_t, 64> pairSlot_{};
    // The weights mirror exactly (a sign per odd frequency), so each quadrant of outputs follows
    // from the top-left one; and every DC weight is the same.
    bool mirrored_ = false;
    bool flatDc_ = false;
};

}  // namespace pictrano
