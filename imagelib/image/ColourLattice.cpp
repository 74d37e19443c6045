// Lattice palettes for 256-colour reduction and the choice among the candidate lattices.
#include "imagelib/image/ColourLattice.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

constexpr std::array<std::uint32_t, 7> kCandidates = {
    0x040808,  // 8 x 8 x 4
    0x080408,  // 8 x 4 x 8
    0x080804,  // 4 x 8 x 8
    0x050707,  // 7 x 7 x 5
    0x070507,  // 7 x 5 x 7
    0x070705,  // 5 x 7 x 7
    0x060606,  // 6 x 6 x 6
};

// How far a channel value lies from its nearest level.
int levelError(int value, int levels) {
    return levelValue(quantiseLevel(value, levels), levels) - value;
}

// Sum over the sample grid of the truncated distance of each pixel to its lattice colour.
std::int64_t latticeError(const ColourLattice& lattice, RowsView rows, int columns, int stepX,
                          int sampleRows, int stepY) {
    std::int64_t sum = 0;
    for (int i = 0; i < sampleRows; ++i) {
        const std::uint8_t* row = rows.row(static_cast<std::int64_t>(i) * stepY);
        for (int k = 0; k < columns; ++k) {
            const std::uint8_t* pixel = row + 3 * static_cast<std::int64_t>(k) * stepX;
            const int db = levelError(pixel[0], lattice.blue);
            const int dg = levelError(pixel[1], lattice.green);
            const int dr = levelError(pixel[2], lattice.red);
            const double distance = std::sqrt(static_cast<double>(db * db + dg * dg + dr * dr));
            sum += static_cast<std::int64_t>(distance);
        }
    }
    return sum;
}

}  // namespace

ColourLattice ColourLattice::unpack(std::uint32_t packed) {
    return {static_cast<int>(packed & 0xFF), static_cast<int>((packed >> 8) & 0xFF),
            static_cast<int>((packed >> 16) & 0xFF)};
}

std::uint32_t ColourLattice::pack() const {
    return static_cast<std::uint32_t>(red | green << 8 | blue << 16);
}

bool ColourLattice::valid() const {
    return red >= 2 && green >= 2 && blue >= 2 && entries() <= 256;
}

ColourLattice usableLattice(std::uint32_t packed) {
    const ColourLattice lattice = ColourLattice::unpack(packed);
    return lattice.valid() ? lattice : ColourLattice::unpack(kDefaultLattice);
}

int quantiseLevel(int value, int levels) {
    return (value + 127 / (levels - 1)) * (levels - 1) / 255;
}

int levelValue(int level, int levels) { return level * 255 / (levels - 1); }

std::vector<std::uint8_t> latticePalette(const ColourLattice& lattice) {
    std::vector<std::uint8_t> palette;
    palette.reserve(4 * static_cast<std::size_t>(lattice.entries()));
    for (int i = 0; i < lattice.blue; ++i) {
        for (int j = 0; j < lattice.green; ++j) {
            for (int k = 0; k < lattice.red; ++k) {
                palette.push_back(static_cast<std::uint8_t>(levelValue(i, lattice.blue)));
                palette.push_back(static_cast<std::uint8_t>(levelValue(j, lattice.green)));
                palette.push_back(static_cast<std::uint8_t>(levelValue(k, lattice.red)));
                palette.push_back(0);
            }
        }
    }
    return palette;
}

std::uint8_t latticeIndex(const ColourLattice& lattice, const std::uint8_t* bgr) {
    const int qb = quantiseLevel(bgr[0], lattice.blue);
    const int qg = quantiseLevel(bgr[1], lattice.green);
    const int qr = quantiseLevel(bgr[2], lattice.red);
    return static_cast<std::uint8_t>((qb * lattice.green + qg) * lattice.red + qr);
}

std::uint32_t selectBestLattice(RowsView rows, int width, int height, int sampleColumns,
                                int sampleRows) {
    if (rows.first == nullptr || !pictureFitsLimits(width, height) || sampleColumns < 1 ||
        sampleRows < 1) {
        return 0;
    }
    const int columns = std::min(sampleColumns, width);
    const int sampledRows = std::min(sampleRows, height);
    const int stepX = width / columns;
    const int stepY = height / sampledRows;
    std::uint32_t best = 0;
    std::int64_t bestError = 0;
    for (const std::uint32_t candidate : kCandidates) {
        const ColourLattice lattice = usableLattice(candidate);
        const std::int64_t error =
            latticeError(lattice, rows, columns, stepX, sampledRows, stepY);
        if (best == 0 || error < bestError) {
            best = lattice.pack();
            bestError = error;
        }
    }
    return best;
}

}  // namespace pictrano
