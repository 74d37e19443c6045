#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "imagelib/jpeg/ProcessorFeatures.h"

namespace pictrano {

// The weights of the forward DCT: W[u][v][y][x] for vertical frequency u, horizontal frequency v,
// sample row y and column x, 64 C(u) C(v) cos((2y+1)u pi/16) cos((2x+1)v pi/16) in double
// precision truncated toward zero, with C(0) = 0.707106781, C(k) = 1 otherwise and pi / 16 taken
// as 0.196349540849362.
class ForwardDctWeights {
public:
    ForwardDctWeights();

    std::int16_t at(int u, int v, int y, int x) const {
        return weights_[static_cast<std::size_t>(((u * 8 + v) * 8 + y) * 8 + x)];
    }
    // The 64 weights of one coefficient, rows y then columns x.
    const std::int16_t* of(int coefficient) const { return &weights_[64 * static_cast<std::size_t>(coefficient)]; }
    // Whether the weights of a coefficient mirror exactly: W[u][v][7-y][x] = (-1)^u W[u][v][y][x]
    // and W[u][v][y][7-x] = (-1)^v W[u][v][y][x]. Truncation can break this where a product
    // lies a rounding error from an integer, so it is checked rather than assumed.
    bool mirrors(int coefficient) const { return mirrors_[static_cast<std::size_t>(coefficient)]; }
    // The 16 weights of rows 0 to 3 and columns 0 to 3 of a coefficient, rows first.
    const std::int16_t* quarter(int coefficient) const { return &quarters_[16 * static_cast<std::size_t>(coefficient)]; }

    // The quarter weights arranged for multiply-adds by pairs of folded samples: for parity class
    // p and the samples 2m and 2m + 1 of the quarter, four groups of four interleaved pairs
    // (weight of 2m, weight of 2m + 1); group j holds the coefficients of row 2j + (p >> 1) and
    // columns (p & 1) + 0, 2, 4 and 6 of that class.
    const std::int16_t* pairedQuarter(int parity, int pair) const {
        return &pairedQuarters_[32 * static_cast<std::size_t>(8 * parity + pair)];
    }
    // The coefficients whose weights do not mirror, and how many.
    const std::uint8_t* unmirrored() const { return unmirrored_.data(); }
    int unmirroredCount() const { return unmirroredCount_; }

    // The quarter weights of an even frequency mirror once more within the quarter:
    // W[u][v][3-y][x] = (-1)^(u/2) W[u][v][y][x] for even u, and the same over x for even v, so
    // the folded samples fold again and a coefficient of class p needs 4 (p 0), 8 (p 1 and 2) or
    // 16 (p 3) of them: 2, 4, 4 or 8 pairs. twiceFoldedPair(p, t) holds, for pair t, two
    // registers of eight interleaved weight pairs: groups 0 and 1, then 2 and 3, of the
    // coefficients pairedQuarter arranges. Pair t is the samples (t, 0) and (t, 1) of the
    // folded quarter where v is even, else (t >> 1, 2 (t & 1)) and the next column.
    const std::int16_t* twiceFoldedPair(int parity, int pair) const {
        return &twiceFoldedPairs_[32 * static_cast<std::size_t>(8 * parity + pair)];
    }
    // The coefficients whose weights do not mirror within the quarter as well, and how many.
    const std::uint8_t* notFoldedTwice() const { return notFoldedTwice_.data(); }
    int notFoldedTwiceCount() const { return notFoldedTwiceCount_; }

private:
    void makeTwiceFolded();

    std::array<std::int16_t, 4096> weights_{};
    std::array<std::int16_t, 1024> quarters_{};
    std::array<std::int16_t, 1024> pairedQuarters_{};
    std::array<bool, 64> mirrors_{};
    std::array<std::uint8_t, 64> unmirrored_{};
    int unmirroredCount_ = 0;
    std::array<std::int16_t, 1024> twiceFoldedPairs_{};
    std::array<std::uint8_t, 64> notFoldedTwice_{};
    int notFoldedTwiceCount_ = 0;
};

// F[u][v] = (sum over y, x of W[u][v][y][x] s[y][x] + 128) >> 8 for the 64 level-shifted samples
// s (-128 to 127; row y starts `stride` samples after row y - 1), coefficients in natural order.
// The sums are those of the direct 64 x 64 products: mirrored weights fold the samples first (a
// quarter of the products), and the packed forms take four or eight coefficients' products at a
// time. A form this build lacks runs as the plain one.
void forwardDct(PackedForm form, const ForwardDctWeights& weights, const std::int16_t* samples,
                std::ptrdiff_t stride, std::int32_t* coefficients);

}  // namespace pictrano
