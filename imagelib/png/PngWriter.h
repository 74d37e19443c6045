#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/image/ErrorBuffers.h"

namespace pictrano {

// Builds a PNG file (IHDR, PLTE for indexed colour, one IDAT, IEND; never interlaced) from
// 24-bit rows (blue, green, red; top row first; rows padded to 4 bytes) or from a palette and an
// index plane. Every row is filtered with one filter (0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth)
// or, for any other filter value, with the automatic choice per row; the filtered rows are
// compressed at Deflate degree 1, 2 or 3, or stored for any other degree. Results are the file
// size, or 0 with the message in errors().
class PngWriter {
public:
    // Grey (colour type 0) of 1, 2, 4, 8 or 16 bits, RGB (2) of 8 or 16 bits, or indexed colour
    // (3) of 4 or 8 bits reduced to 16 or 256 colours as the Bitmap writer reduces them.
    std::size_t write(std::vector<std::uint8_t>& file, const std::uint8_t* pixels, int colourType,
                      int bitDepth, int width, int height, int filter, int degree);
    // Indexed colour of 8 bits from palette entries (blue, green, red, reserved) and an index
    // plane (rows padded to 4 bytes, top row first); no other colour type or depth.
    std::size_t writeIndexed(std::vector<std::uint8_t>& file, const std::uint8_t* entries,
                             int count, const std::uint8_t* indexPlane, int colourType,
                             int bitDepth, int width, int height, int filter, int degree);

    const ErrorBuffers& errors() const { return errors_; }

private:
    std::size_t fail(Msg id);
    std::size_t writePixels(std::vector<std::uint8_t>& file, const std::uint8_t* pixels,
                            int colourType, int bitDepth, int width, int height, int filter,
                            int degree);
    std::size_t writeIndexRows(std::vector<std::uint8_t>& file, const std::uint8_t* entries,
                               int count, const std::uint8_t* indexPlane, int width, int height,
                               int filter, int degree);
    // Fills the rows of indexed colour from 24-bit rows and sets the palette.
    std::optional<Msg> packIndexedRows(const std::uint8_t* pixels, int width, int height,
                                       int bitDepth, std::uint8_t* out, std::int64_t rowBytes);
    // Filters the rows (freed then), deflates them and builds the file around the stream: at
    // most two buffers of the picture's size are held at once.
    std::size_t compressAndWrap(std::vector<std::uint8_t>& file, std::vector<std::uint8_t>&& rows,
                                std::int64_t rowBytes, int colourType, int bitDepth, int width,
                                int height, int filter, int degree);

    std::vector<std::uint8_t> palette_;  // red, green, blue triples: the PLTE data
    ErrorBuffers errors_;
};

}  // namespace pictrano
