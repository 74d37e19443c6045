#include "imagelib/image/ColourReducer.h"

#include "imagelib/image/ColourLattice.h"
#include "imagelib/image/ColourReduction.h"

namespace pictrano {

std::size_t ColourReducer::reduce(std::vector<std::uint8_t>& bits, RowsView rows,
                                  int width, int height, int colours, int colourModel,
                                  int compression, std::uint32_t lattice,
                                  std::vector<std::uint8_t>& palette, int& paletteBytes) {
    ReducedPicture reduced;
    if (const auto failure = reduceColours(rows, width, height,
                                           {colours, colourModel, compression, lattice}, reduced)) {
        errors_.set(*failure);
        return 0;
    }
    bits = std::move(reduced.bits);
    palette = std::move(reduced.palette);
    paletteBytes = static_cast<int>(palette.size());
    return bits.size();
}

std::uint32_t ColourReducer::selectLattice(RowsView rows, int width, int height,
                                           int sampleColumns, int sampleRows) const {
    return selectBestLattice(rows, width, height, sampleColumns, sampleRows);
}

}  // namespace pictrano
