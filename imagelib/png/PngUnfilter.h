#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// Reverses the filter of one row in place. row: the row's bytes after its filter byte;
// previous: the reconstructed row above (all zero for the first row of an image or pass);
// step: the filter step of the pixel format (1, 2, 3, 4, 6 or 8). Returns false for a filter
// type other than 0 to 4.
bool unfilterRow(int filterType, std::uint8_t* row, const std::uint8_t* previous, std::size_t count,
                 int step);

}  // namespace pictrano
