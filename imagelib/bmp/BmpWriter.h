#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/image/BitmapInfoHeader.h"
#include "imagelib/image/ColourReduction.h"
#include "imagelib/image/ErrorBuffers.h"

namespace pictrano {

// Builds a Windows bitmap file with a 40-byte info header, rows bottom row first, from 24-bit
// rows (written at 16, 24 or 32 bits, or reduced to 1, 4 or 8 bits) or from a palette and an
// index plane (8 bits, optionally RLE8). Results are 1 / 0 with the message in errors().
class BmpWriter {
public:
    // rows: 24-bit rows, top row first. bitCount 16, 24 or 32.
    int setFromPixels(const std::uint8_t* rows, int width, int height, int bitCount);
    // indexPlane: index-plane layout, top row first. compress != 0 asks for RLE8.
    int setFromPalette(const std::uint8_t* entries, int count, const std::uint8_t* indexPlane,
                       int width, int height, int compress);
    // Replaces 24-bit bits by 1-, 4- or 8-bit ones (colours 2, 16, 256) and fills the palette.
    int reduce(int colours, int colourModel, int compression, std::uint32_t lattice);
    // setFromPixels at 24 bits and reduce in one, the rows (top row first) reduced where they
    // lie: the same bits and failures, without a copy of the picture.
    int setReducedFromPixels(const std::uint8_t* rows, int width, int height,
                             const ReductionRequest& request);
    // The best 256-colour lattice for the held 24-bit bits, packed red | green << 8 | blue << 16.
    std::uint32_t selectLattice(int sampleColumns, int sampleRows) const;
    // The whole file; its size, or 0 (with the memory message) when it cannot be built. Rows
    // set at 16, 24 or 32 bits and not reduced become the file without a copy: the writer holds
    // no bits afterwards.
    std::size_t buildFile(std::vector<std::uint8_t>& file);
    // setFromPixels and buildFile in one, the file built straight from the rows (no copy of the
    // bits is kept); the same file, the same failures.
    std::size_t buildFileFromPixels(std::vector<std::uint8_t>& file, const std::uint8_t* rows,
                                    int width, int height, int bitCount);
    void release();

    // What the file would hold, for writers that borrow the reduction (PNG).
    const BitmapInfoHeader& infoHeader() const { return header_; }
    const std::vector<std::uint8_t>& bits() const { return bits_; }  // image size: its size
    const std::vector<std::uint8_t>& palette() const { return palette_; }  // 4 bytes an entry
    const ErrorBuffers& errors() const { return errors_; }

private:
    int fail(Msg id);
    int failAndRelease(Msg id);
    // Whether the bits are uncompressed 24-bit rows, the only input of reduce and selectLattice.
    bool holdsPixelRows() const;
    // Reduces the rows into the bits and palette of a picture of the given size.
    int takeReduced(RowsView rows, int width, int height, const ReductionRequest& request);
    void startHeader(int width, int height, int bitCount, std::size_t imageSize);
    // Checks the arguments of setFromPixels; true when they describe a picture that fits.
    bool acceptsPixels(const std::uint8_t* rows, std::int64_t width, std::int64_t height,
                       int bitCount);
    // The file header and the info header for a file of `size` bytes with the bits at
    // `bitsOffset`.
    void storeHeaders(std::uint8_t* out, std::size_t size, std::size_t bitsOffset) const;

    ErrorBuffers errors_;
    std::vector<std::uint8_t> bits_;
    std::vector<std::uint8_t> palette_;
    BitmapInfoHeader header_;
};

}  // namespace pictrano
