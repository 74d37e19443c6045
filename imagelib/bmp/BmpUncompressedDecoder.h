#pragma once

#include "imagelib/bmp/BmpDecoderInput.h"

namespace pictrano {

// Decodes uncompressed rows: 1, 4 and 8 bits through the palette (filling the index plane too),
// 24 bits copied as stored. Any other bit count is refused, 16 and 32 included (they must use
// bit fields).
DecodeFailure decodeUncompressed(const BmpSource& source, BmpDecoded& out);

}  // namespace pictrano
