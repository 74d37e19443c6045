#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/image/HeapArray.h"

namespace pictrano {

// Decodes a Windows bitmap file held whole in memory into 24-bit rows, top row first, and, for
// paletted and RLE files, a palette (256 entries of blue, green, red, reserved) and an index
// plane. Every length, count and position taken from the file is checked against the buffer.
class BmpReader {
public:
    // 1 on success; 0 with the message in errors(). Releases any earlier result first.
    int read(const std::uint8_t* file, std::size_t length);
    void release();

    int width() const;
    int height() const;            // rows, positive after a successful read
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
    int readFile(const std::uint8_t* file, std::size_t length);
    int fail(Msg id);

    HeapArray<std::uint8_t> indexPlane_;
    int paletteCount_ = 0;
    std::vector<std::uint8_t> palette_;
    ErrorBuffers errors_;
    // The first 40, 108 or 124 bytes of the file's info header; its height the row count.
    std::array<std::uint8_t, 124> infoHeader_{};
    HeapArray<std::uint8_t> pixels_;
};

}  // namespace pictrano
