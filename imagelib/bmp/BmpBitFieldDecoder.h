#pragma once

#include "imagelib/bmp/BmpDecoderInput.h"

namespace pictrano {

// Decodes 16- or 32-bit pixels through the red, green and blue masks of a 108- or 124-byte info
// header into 24-bit rows.
DecodeFailure decodeBitFields(const BmpSource& source, BmpDecoded& out);

}  // namespace pictrano
