#pragma once

namespace pictrano {

// The save branches' table of output bit counts for a 24-bit source: 1, 4 and 8 bits are reduced
// to 2, 16 and 256 colours; 16, 24 and 32 bits are written without reduction; anything else is
// refused.

// Colours of a reduced bit count; 0 for bit counts written without reduction.
inline int coloursFor(int bitCount) {
    switch (bitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

inline bool isWrittenDirectly(int bitCount) {
    return bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// The 256-colour lattice is chosen from this grid of sample pixels.
constexpr int kLatticeSampleColumns = 12;
constexpr int kLatticeSampleRows = 12;

}  // namespace pictrano
