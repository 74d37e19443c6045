#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// The filter the automatic choice takes for a row: of None, Sub, Up, Average and Paeth the one
// whose estimate (the sum of the distances of the bytes from their predictions, as whole
// numbers) is smallest, the earlier one on a tie. previous: the row above, or null for the
// first row; step: the filter step of the pixel format.
int choosePngFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t count,
                    int step);

// Filters `rows` rows of `rowBytes` bytes into `out`, each as its filter type byte followed by
// the filtered bytes: filter 0 to 4 for every row, any other value the automatic choice per row.
void filterPngRows(const std::uint8_t* rows, std::size_t rowBytes, std::size_t rowCount, int step,
                   int filter, std::uint8_t* out);

}  // namespace pictrano
