#pragma once

#include <cstddef>
#include <cstdint>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/jpeg/JpegDecoding.h"
#include "imagelib/jpeg/JpegPicture.h"
#include "imagelib/jpeg/JpegStream.h"

namespace pictrano {

// Reads a JPEG file held whole in memory: walks its markers into a JpegStream, then decodes the
// first frame by its process (sequential DCT, progressive DCT or lossless, Huffman-coded).
// Results are 1 for success and 0 for failure, with the message in errors().
class JpegDecoder {
public:
    // bit 0 the full-colour picture (made in any case), bit 1 also the 8-bit grey picture with a
    // grey palette (one-component sequential and lossless files), bits 4 to 7 equal to 1 rows
    // top-down, otherwise bottom-up.
    std::uint32_t OutputFlags = 0x11;
    // Low byte 2: DCT files' components as stored, without YCbCr conversion; second byte 2 the
    // same for lossless files.
    std::uint32_t ColourMode = 3;

    int read(const std::uint8_t* data, std::size_t length);
    // Releases the results and the parsed segments.
    void reset();

    int width() const { return picture_.header.width; }
    int height() const { return picture_.header.height; }
    const BitmapInfoHeader& header() const { return picture_.header; }
    int precision() const { return picture_.precision; }
    // The full-colour picture: 24-bit rows of bytes, or of 16-bit units above 8 bits precision.
    const void* pixels() const;
    int paletteCount() const { return picture_.paletteCount; }
    const std::uint8_t* palette() const { return picture_.palette.data(); }
    // The grey picture, one palette index per pixel.
    const std::uint8_t* indexPlane() const { return picture_.grey.data(); }
    // Hand the 8-bit picture (empty above 8 bits) and the grey picture over, leaving this
    // decoder without them.
    HeapArray<std::uint8_t> takePixels() { return std::move(picture_.pixels); }
    HeapArray<std::uint8_t> takeIndexPlane() { return std::move(picture_.grey); }
    int restartInterval() const { return restartInterval_; }
    const JpegStream& stream() const { return stream_; }
    // The coefficients of the last progressive decode.
    const CoefficientPlanes& coefficients() const { return coefficients_; }
    const ErrorBuffers& errors() const { return errors_; }

private:
    int readFile(const std::uint8_t* data, std::size_t length);
    int walk(const std::uint8_t* data, std::size_t length);
    int fail(Msg id);
    int failUnsupportedTag(std::uint8_t code);

    JpegPicture picture_;
    int restartInterval_ = 0;
    ErrorBuffers errors_;
    JpegStream stream_;
    CoefficientPlanes coefficients_;
};

}  // namespace pictrano
