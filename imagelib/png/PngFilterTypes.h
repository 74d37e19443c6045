#pragma once

#include <cstdint>
#include <cstdlib>

namespace pictrano {

// The five PNG row filters.
enum PngFilterType : int {
    kFilterNone = 0,
    kFilterSub = 1,
    kFilterUp = 2,
    kFilterAverage = 3,
    kFilterPaeth = 4
};

// The Paeth predictor: of left, up and upper-left, the one nearest to left + up - upper-left,
// preferring left, then up.
inline int paethPredictor(int left, int up, int upperLeft) {
    const int pa = std::abs(up - upperLeft);             // |p - left|
    const int pb = std::abs(left - upperLeft);           // |p - up|
    const int pc = std::abs(left + up - 2 * upperLeft);  // |p - upper-left|
    // Selections rather than branches: the outcome varies from byte to byte.
    const int upOrUpperLeft = pb <= pc ? up : upperLeft;
    return ((pa <= pb) & (pa <= pc)) ? left : upOrUpperLeft;
}

}  // namespace pictrano
