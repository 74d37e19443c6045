#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/jpeg/JpegForwardDct.h"
#include "imagelib/jpeg/JpegSampleSource.h"
#include "imagelib/jpeg/JpegStream.h"

namespace pictrano {

// Writes a baseline or lossless JPEG file from 24-bit pixels. Its stream starts with the Annex K
// tables (DC and AC luminance as tables 0, chrominance as tables 1; quantisation tables 0 and 1),
// one frame of precision 8 and one scan. Calling order: setImage; optionally sampling factors
// stored into the frame's components followed by recomputeSamplingExtremes, and scaleQuality;
// encodeBaseline or encodeLossless; serialise. Results are 1 / 0 with the message in errors().
class JpegEncoder {
public:
    JpegEncoder();

    // pixels: 24-bit rows (blue, green, red; rows padded to 4 bytes; top row first), which must
    // stay valid until encoding is done: the coders form the samples from them a few rows at a
    // time (see SampleSource) instead of keeping whole planes. Colour model 1 grey, 2 RGB,
    // 3 YCbCr; `dct` asks for the level shift by 128 that DCT coding needs. Negative sizes count
    // as positive; the picture may be at most 65,535 pixels wide and high (a frame's limit).
    // Sets the frame and scan: components 1, 2, 3 at 1 x 1, with quantisation table and Huffman
    // tables 1 for the chroma of YCbCr and 0 otherwise.
    int setImage(const std::uint8_t* pixels, int width, int height, int colourModel, bool dct);
    // Updates the frame's largest and smallest sampling factors after they were changed.
    void recomputeSamplingExtremes();
    // Replaces every quantisation table by its copy scaled by value / 79 (in single precision):
    // 79 keeps the tables, 0 makes every quantiser 1.
    int scaleQuality(int value);

    int encodeBaseline();
    int encodeLossless(int predictor);

    // Prunes the tables no component refers to and writes the whole file into `file` (when not
    // null). Returns the file's size, or 0 with the memory message.
    std::size_t serialise(std::vector<std::uint8_t>* file);

    JpegStream& stream() { return stream_; }
    const JpegStream& stream() const { return stream_; }
    const SampleSource& source() const { return source_; }
    const ForwardDctWeights& weights() const { return weights_; }
    const ErrorBuffers& errors() const { return errors_; }

private:
    int fail(Msg id);
    void presetStream();
    void setFrameAndScan(int componentCount, bool chromaTables);

    JpegStream stream_;
    ErrorBuffers errors_;
    SampleSource source_;
    std::uint32_t processorFeatures_ = 0;
    ForwardDctWeights weights_;
};

}  // namespace pictrano
