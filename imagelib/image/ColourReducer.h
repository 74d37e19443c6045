#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {

// Reduces 24-bit rows to 2, 16 or 256 colours with fixed or lattice palettes. The standalone
// form used by the Icon writer; BmpWriter::reduce runs the same algorithm on its own buffers.
class ColourReducer {
public:
    // rows: 24-bit rows read where they lie (output row i comes from the i-th row read).
    // colourModel 1 grey, else colour; compression 1 asks for RLE4 (16) or RLE8 (256).
    // Returns the size of `bits` in bytes (rows x stride, or the RLE stream length), 0 on failure.
    std::size_t reduce(std::vector<std::uint8_t>& bits, RowsView rows, int width, int height,
                       int colours, int colourModel, int compression, std::uint32_t lattice,
                       std::vector<std::uint8_t>& palette, int& paletteBytes);
    std::uint32_t selectLattice(RowsView rows, int width, int height, int sampleColumns,
                                int sampleRows) const;
    const ErrorBuffers& errors() const { return errors_; }

private:
    ErrorBuffers errors_;
};

}  // namespace pictrano
