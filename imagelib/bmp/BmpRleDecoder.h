#pragma once

#include "imagelib/bmp/BmpDecoderInput.h"

namespace pictrano {

// Decodes RLE8 (compression 1) or RLE4 (compression 2) codes into the palette, the index plane
// and the pixels. Pixels no code writes keep palette entry 0. Decoding stops at the end-of-bitmap
// code, after the last row, or where the file ends; what was decoded until then is kept.
DecodeFailure decodeRle(const BmpSource& source, bool fourBit, BmpDecoded& out);

}  // namespace pictrano
