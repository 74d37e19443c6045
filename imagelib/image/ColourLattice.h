#pragma once

#include <cstdint>
#include <vector>

#include "imagelib/image/RowLayout.h"

namespace pictrano {

// A regular palette of red x green x blue levels, packed as red | green << 8 | blue << 16.
struct ColourLattice {
    int red = 0;
    int green = 0;
    int blue = 0;

    static ColourLattice unpack(std::uint32_t packed);
    std::uint32_t pack() const;
    int entries() const { return red * green * blue; }
    // At least 2 levels per channel and at most 256 entries.
    bool valid() const;
};

// The lattice that stands in for an invalid one, and the one used where no lattice is chosen.
inline constexpr std::uint32_t kDefaultLattice = 0x040808;  // 8 x 8 x 4

// The lattice itself when valid, else 8 x 8 x 4.
ColourLattice usableLattice(std::uint32_t packed);

// The level (0 to levels - 1) nearest to a channel value, in integers.
int quantiseLevel(int value, int levels);
// The channel value of a level.
int levelValue(int level, int levels);

// The palette of a lattice, blue outermost and red innermost, 4 bytes per entry.
std::vector<std::uint8_t> latticePalette(const ColourLattice& lattice);
// The palette index of a pixel given as blue, green, red.
std::uint8_t latticeIndex(const ColourLattice& lattice, const std::uint8_t* bgr);

// Picks among the candidate lattices the one whose levels lie closest to a grid of at most
// sampleColumns x sampleRows pixels of the 24-bit rows; the earlier candidate wins a tie. Returns
// the packed lattice, or 0 (an invalid lattice) when there is nothing to sample.
std::uint32_t selectBestLattice(RowsView rows, int width, int height, int sampleColumns,
                                int sampleRows);

}  // namespace pictrano
