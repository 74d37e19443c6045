#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imagelib/image/BitmapInfoHeader.h"
#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/image/HeapArray.h"

namespace pictrano {

class PngChunkList;

// Decodes a PNG file held whole in memory, of every colour type and bit depth, plain or Adam7,
// into 24-bit rows (blue, green, red; top row first; rows padded to 4 bytes) and, for grey of up
// to 8 bits and indexed colour, a palette (256 entries of blue, green, red, 0) and an index
// plane. Alpha is dropped, 16-bit samples keep their high byte; only IHDR, PLTE and IDAT are
// read, and CRCs are not verified. Every size taken from the file is checked.
class PngReader {
public:
    // 1 on success; 0 with the message in errors(). Releases any earlier result first.
    int read(const std::uint8_t* file, std::size_t length);
    void release();

    int width() const { return header_.width; }
    int height() const { return header_.height; }
    int precision() const { return 8; }
    const std::uint8_t* pixels() const { return pixels_.data(); }
    int paletteCount() const { return paletteCount_; }
    const std::uint8_t* palette() const { return palette_.data(); }
    const std::uint8_t* indexPlane() const { return indexPlane_.data(); }
    // Hand the decoded rows and index plane over, leaving this reader without them.
    HeapArray<std::uint8_t> takePixels() { return std::move(pixels_); }
    HeapArray<std::uint8_t> takeIndexPlane() { return std::move(indexPlane_); }
    const ErrorBuffers& errors() const { return errors_; }

private:
    struct ImageHeader;

    int readFile(const std::uint8_t* file, std::size_t length);
    int fail(Msg id);
    int readPlain(const PngChunkList& chunks, const ImageHeader& image);
    int readInterlaced(const PngChunkList& chunks, const ImageHeader& image);
    // Whether there is image data and enough of it to fill the rows.
    int fitsImageData(const PngChunkList& chunks, std::size_t filteredBytes);
    // Inflates into `filtered`; returns the end of the bytes inflated, null on failure.
    const std::uint8_t* inflateImageData(const PngChunkList& chunks, std::uint8_t* filtered,
                                         std::size_t filteredBytes);
    int takePalette(const PngChunkList& chunks, const ImageHeader& image);
    // Unfilters and converts `rows` rows of `columns` pixels from `data`, advancing it past
    // them; rows go to the given 24-bit and index rows of their own strides. Bytes at and past
    // `end`, which the stream did not supply, read as 255 (an invalid filter type).
    int decodeRows(const ImageHeader& image, const std::uint8_t*& data, const std::uint8_t* end,
                   std::int64_t columns,
                   std::int64_t rows, std::uint8_t* bgr, std::int64_t bgrStride,
                   std::uint8_t* indices, std::int64_t indexStride);
    int decodeAdam7(const ImageHeader& image, const std::uint8_t* data, const std::uint8_t* end);

    int paletteCount_ = 0;
    HeapArray<std::uint8_t> indexPlane_;
    std::vector<std::uint8_t> palette_;
    BitmapInfoHeader header_;
    ErrorBuffers errors_;
    HeapArray<std::uint8_t> pixels_;
};

}  // namespace pictrano
