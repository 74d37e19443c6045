#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/image/BitmapInfoHeader.h"
#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {

// Builds a Windows icon file holding one image: the directory, one entry, the info header with
// doubled height, the palette, the colour bits and a 1-bit transparency (AND) mask. Masked pixels
// are written black, so that they show what lies behind the icon. The rows given are read where
// they lie, not copied: they must stay until the file is written. Results are 1 / 0 with the
// message in errors() unless said otherwise.
class IconWriter {
public:
    // rows: 24-bit rows, top row first. The colour bits are these rows, bottom row first.
    int setFromPixels(const std::uint8_t* rows, int width, int height);
    // entries: count palette entries (blue, green, red, 0); indexPlane: rows of bitCount (1, 4 or
    // 8) bits per pixel padded to 4 bytes, top row first.
    int setFromPalette(const std::uint8_t* entries, int count, const std::uint8_t* indexPlane,
                       int width, int height, int bitCount);

    // The palette index (8-bit colour bits) or colour 0x00RRGGBB (24-bit colour bits) that a
    // transparency rule code names, or -1.
    std::int32_t resolveRule(std::int32_t code) const;
    // The first palette entry whose blue, green and red equal the colour 0x00RRGGBB, or -1.
    std::int32_t findColour(std::uint32_t colour) const;
    // Marks in a new mask every pixel of that index (8-bit colour bits) or colour (24-bit).
    int setTransparent(std::int32_t value);

    // Reduces 24-bit colour bits to 2, 16 or 256 colours (rows, never an RLE stream: an icon
    // holds rows, so a compression request is not passed on).
    int reduce(int colours, int colourModel, int compression, std::uint32_t lattice);
    // The best 256-colour lattice for the 24-bit colour bits; 0 with a message when there are none.
    std::uint32_t selectLattice(int sampleColumns, int sampleRows);

    // The whole file; its size, or 0.
    std::size_t write(std::vector<std::uint8_t>& file);

    const ErrorBuffers& errors() const { return errors_; }

private:
    int fail(Msg id);
    void release();
    int bitCount() const { return header_ ? header_->bitCount : 0; }
    std::int64_t colourStride() const;
    // The palette index, or with 24 bits the colour 0x00RRGGBB, at column x of stored row y.
    std::uint32_t valueAt(int x, int y) const;
    bool masked(int x, int y) const;
    // Blacks out the masked pixels of a copy of the colour bits.
    int blackOutMaskedPixels(std::uint8_t* colourBits);
    int blackIndexForMaskedPixels();
    void startHeader(int width, int height, int bitCount);

    std::vector<std::uint8_t> mask_;  // rows bottom row first, first pixel in the top bit
    std::vector<std::uint8_t> palette_;
    ErrorBuffers errors_;
    std::vector<std::uint8_t> reducedBits_;   // the colour bits a reduction made
    RowsView colourRows_;                     // the colour bits, bottom row first
    std::optional<BitmapInfoHeader> header_;  // describes the colour bits; height not doubled
};

}  // namespace pictrano
