#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/jpeg/JpegDecoder.h"
#include "imagelib/jpeg/JpegTableLists.h"

namespace pictrano::test {

using Bytes = std::vector<std::uint8_t>;

// A file of tests/data/jpeg.
Bytes corpusFile(const std::string& name);

// A marker segment: 0xFF, the code, the length and the body.
Bytes jpegSegment(std::uint8_t code, const Bytes& body);
// One marker segment of a file as its bytes lie there; an SOS segment runs to the next marker
// that is not RSTn.
struct FileSegment {
    std::uint8_t code;
    std::size_t start;
    std::size_t end;
};
std::vector<FileSegment> fileSegments(const Bytes& file);
// The offset of the first marker with the code among the file's segments (walking by their
// lengths and over entropy-coded data), or the file's size.
std::size_t findMarker(const Bytes& file, std::uint8_t code);
Bytes inserted(const Bytes& file, std::size_t at, const Bytes& piece);
Bytes changed(Bytes file, std::size_t at, std::uint8_t value);
// The file without the restart markers between the two offsets.
Bytes withoutRestartMarkers(const Bytes& file, std::size_t from, std::size_t to);
// Samples with the first and third of every three swapped: RGB to BGR and back.
std::vector<std::uint16_t> swappedRedBlue(std::vector<std::uint16_t> samples);

// Bits most significant first; finish() pads the last byte with 1 bits and stuffs a 0 after
// every 0xFF.
// The category of a difference or coefficient: the bits of its magnitude.
int categoryOf(int value);

class BitWriter {
public:
    void put(std::uint32_t bits, int count);
    // The additional bits of a value of the category: a negative value as value + 2^category - 1.
    void putValue(int value, int category);
    // Pads to a byte boundary with 1 bits (before a restart marker or at the end).
    void align();
    void marker(std::uint8_t code);
    Bytes finish();

private:
    Bytes bytes_;
    std::uint32_t pending_ = 0;
    int pendingBits_ = 0;
};

// The Annex K tables (DC and AC luminance, DC and AC chrominance) as libjpeg writes them.
const Bytes& annexKHuffmanSegments();
// Its first segment: the DC luminance table.
Bytes annexKDcLuminanceSegment();

// The Annex K tables parsed (set 0 luminance, set 1 chrominance), to code blocks by hand.
struct AnnexK {
    JpegHuffmanTableList tables;
    AnnexK();
    void code(BitWriter& out, const JpegHuffmanTable& table, int symbol) const;
    void dc(BitWriter& out, int difference, int table = 0) const;
    void ac(BitWriter& out, int run, int coefficient, int table = 0) const;
    void endOfBlock(BitWriter& out, int table = 0) const { code(out, *tables.find(1, table), 0x00); }
};
const AnnexK& annexK();

// A lossless JPEG written by the rules of ITU-T T.81 (an encoder of the tests' own): the planes
// hold every sample the scan codes, for component j (units across MCUs x H) by (MCUs down x V).
struct LosslessPlane {
    int horizontal = 1;
    int vertical = 1;
    int width = 0;
    int height = 0;
    std::vector<int> samples;
};
struct LosslessSettings {
    int precision = 8;
    int predictor = 1;
    int pointTransform = 0;
    int restartInterval = 0;  // MCUs
};
Bytes writeLosslessJpeg(int width, int height, const std::vector<LosslessPlane>& planes,
                        const LosslessSettings& settings);
// The plane sizes a frame needs: MCUs across and down times the factors (single samples).
std::vector<LosslessPlane> losslessPlanes(int width, int height,
                                          const std::vector<std::pair<int, int>>& factors);

// Reads a file with a decoder set up with the flags and colour mode given.
struct DecodeResult {
    int status = 0;
    std::string message;
};
DecodeResult decode(JpegDecoder& decoder, const Bytes& file);

// The full-colour picture of a decoder as samples without row padding, top row first (the
// output flags must ask for top-down rows); 16-bit units as they are.
std::vector<std::uint16_t> pictureSamples(const JpegDecoder& decoder);

}  // namespace pictrano::test
