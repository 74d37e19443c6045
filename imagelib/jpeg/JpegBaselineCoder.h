#pragma once

#include <cstdint>
#include <optional>

#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/jpeg/JpegForwardDct.h"
#include "imagelib/jpeg/JpegSampleSource.h"
#include "imagelib/jpeg/JpegStream.h"

namespace pictrano {

// Checks the sampling factors of the stream's frame for an interleaved baseline scan over the
// planes: a single component is coded at 1 x 1 (its factors are set so: they cannot change its
// resolution, and a one-component scan is coded block by block); otherwise every factor must lie
// in 1 to 4, divide the largest factor of its direction, and the blocks of one MCU may number
// at most 10. Returns nothing when they serve, else the failure message.
std::optional<Msg> settleBaselineSampling(JpegFrame& frame);

// Codes the level-shifted samples (one component per frame component) as the stream's one
// interleaved scan: forward DCT, quantisation with the frame components' tables and Huffman
// coding with the scan components' tables, MCU by MCU, sub-sampled components taken as every
// (Hmax / H)-th sample of every (Vmax / V)-th row. The samples of one row of MCUs are formed at a
// time. Values beyond the largest category a table codes are kept to the largest value it codes
// (a DC difference moves the predictor by what was coded), so no symbol without a code is ever
// written. The byte-stuffed data goes into the scan. Returns nothing on success, else the
// failure message.
std::optional<Msg> encodeBaselineScan(JpegStream& stream, const SampleSource& source,
                                      const ForwardDctWeights& weights,
                                      std::uint32_t processorFeatures);

// The largest category (0 to 15) up to which a DC table codes every category, or an AC table
// codes every category after every run of 0 to 15 zeros.
int largestCodedCategory(const JpegHuffmanTable& table);

}  // namespace pictrano
