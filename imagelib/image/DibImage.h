#pragma once

#include <cstdint>
#include <vector>

#include "imagelib/image/BitmapInfoHeader.h"
#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/image/HeapArray.h"

namespace pictrano {

// The in-memory picture: 24-bit rows (blue, green, red; top row first; rows padded to 4 bytes),
// optionally with a palette of up to 256 entries (blue, green, red, 0) and an index plane of one
// byte per pixel. Results are 1 for success and 0 for failure, with the message in errors().
class DibImage {
public:
    static constexpr int kPaletteEntries = 256;

    // Replaces the picture by width x height pixels taken from samples in the 24-bit row layout;
    // each sample is a byte for precision 1 to 8 and a native 16-bit unit for 9 to 16, scaled to
    // 8 bits.
    int create(const void* samples, int precision, int width, int height);
    // The same for byte samples (precision 1 to 8) a decoder made in the row layout: takes them
    // over, uncopied, and scales them in place.
    int adopt(HeapArray<std::uint8_t>&& pixels, int precision, int width, int height);

    // Gives the picture a palette of count entries and an index plane for its current size; the
    // second form takes the plane over.
    int attachPalette(const std::uint8_t* entries, int count, const std::uint8_t* indexPlane);
    int attachPalette(const std::uint8_t* entries, int count, HeapArray<std::uint8_t>&& indexPlane);

    // Nearest-neighbour scaling to the new size; this image on success, null on failure (the
    // picture is then unchanged and no message is written).
    DibImage* resize(int newWidth, int newHeight);

    // Frees the picture, its palette and index plane; the error buffers stay.
    void release();

    bool hasPicture() const { return !pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    const BitmapInfoHeader& header() const { return header_; }
    const std::uint8_t* pixelBits() const { return pixels_.data(); }
    std::uint8_t* pixelBits() { return pixels_.data(); }
    int paletteCount() const { return paletteCount_; }
    // 256 entries once a palette was attached, entries past paletteCount() zero; else null.
    const std::uint8_t* palette() const { return palette_.empty() ? nullptr : palette_.data(); }
    const std::uint8_t* indexPlane() const {
        return indexPlane_.empty() ? nullptr : indexPlane_.data();
    }
    const ErrorBuffers& errors() const { return errors_; }

private:
    int fail(Msg id);
    void fillHeader(int width, int height);

    int paletteCount_ = 0;
    HeapArray<std::uint8_t> indexPlane_;
    std::vector<std::uint8_t> palette_;
    int height_ = 1;
    int width_ = 1;
    HeapArray<std::uint8_t> pixels_;
    BitmapInfoHeader header_;
    ErrorBuffers errors_;
};

}  // namespace pictrano
