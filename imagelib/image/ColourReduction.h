#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {

// What a reduction is asked for: colours 2, 16 or 256; colour model 1 grey, anything else
// colour (ignored for 2 colours); compression 1 asks for RLE4 (16) or RLE8 (256) instead of rows;
// lattice the packed levels used for 256 colours in colour.
struct ReductionRequest {
    int colours = 0;
    int colourModel = 0;
    int compression = 0;
    std::uint32_t lattice = 0;
};

constexpr int kGreyColourModel = 1;

// A reduced picture as it stands in a bitmap file: rows padded to 4 bytes (or the RLE stream), the
// palette (4 bytes per entry) and the info-header fields that describe them.
struct ReducedPicture {
    std::vector<std::uint8_t> bits;
    std::vector<std::uint8_t> palette;
    int bitCount = 0;
    int coloursUsed = 0;
    int compression = 0;  // 0 rows, 1 RLE8, 2 RLE4
};

// Reduces width x height pixels of 24-bit rows, read where they lie (output row i comes from the
// i-th row read), to a fixed or lattice palette. Returns nothing on success, else the failure
// message.
std::optional<Msg> reduceColours(RowsView rows, int width, int height,
                                 const ReductionRequest& request, ReducedPicture& result);

}  // namespace pictrano
