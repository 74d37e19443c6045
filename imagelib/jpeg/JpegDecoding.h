#pragma once

#include <cstdint>
#include <vector>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/jpeg/JpegPicture.h"
#include "imagelib/jpeg/JpegStream.h"
#include "imagelib/image/HeapArray.h"

namespace pictrano {

// What a decoding process works on: the parsed file, the caller's choices, and where the
// results and the message go.
struct JpegDecodeJob {
    const JpegStream& stream;
    std::uint32_t outputFlags;
    std::uint32_t colourMode;
    int restartInterval;  // MCUs per interval, 0 for none
    JpegPicture& picture;
    ErrorBuffers& errors;
};

// The coefficients of every block of every component, as the progressive process builds them:
// per component, its blocks row by row, 64 coefficients each in natural order.
using CoefficientPlanes = std::vector<HeapArray<std::int16_t>>;

// Each returns 1 on success and 0 with the message in the job's error buffers.
int decodeSequential(const JpegDecodeJob& job);
int decodeLossless(const JpegDecodeJob& job);
// A block that cannot be decoded ends the scans there; the picture is built from the
// coefficients so far and the read succeeds, the block's message left in the buffers.
int decodeProgressive(const JpegDecodeJob& job, CoefficientPlanes& coefficients);

// The colour-mode bytes that ask for the components as stored.
inline bool rawDctColour(std::uint32_t colourMode) { return (colourMode & 0xFF) == 2; }
inline bool rawLosslessColour(std::uint32_t colourMode) { return ((colourMode >> 8) & 0xFF) == 2; }

}  // namespace pictrano
