#pragma once

#include <optional>

#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/jpeg/JpegSampleSource.h"
#include "imagelib/jpeg/JpegStream.h"

namespace pictrano {

// Codes the unshifted samples (one component per frame component, 1 or 3) as a lossless scan
// with the predictor (1 to 7; any other value is taken as 1). Each component gets a DC-class
// Huffman table made from its own difference statistics, replacing the stream's Huffman tables;
// the quantisation tables are dropped and every component is coded at full resolution (factors
// 1 x 1). The frame becomes SOF3 and the scan's Ss the predictor; the byte-stuffed data goes
// into the scan. Returns nothing on success, else the failure message.
std::optional<Msg> encodeLosslessScan(JpegStream& stream, const SampleSource& source, int predictor);

}  // namespace pictrano
