#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/image/ErrorBuffers.h"

namespace pictrano {

// Inflates and deflates zlib-wrapped Deflate streams held in memory. A failing operation returns 0
// and leaves its message in errors(); no exception escapes.
class DeflateCodec {
public:
    // Inflates the zlib stream `input` into `output`, writing at most `outputCapacity` bytes from
    // its start. The two header bytes are skipped unexamined and the Adler-32 after the last block
    // is not checked. Returns the bit position just after the last block (counted from the start
    // of the input, so at least 16); 0 on failure. An input of 2 bytes or fewer returns 16 with
    // nothing written. Decoding stops after the final block or where the input ends after a
    // block; a stream that runs past the end of the input inside a block, a distance reaching
    // before the start of the output, and output beyond the capacity are failures. The bytes
    // produced before a failure stay in `output`; inflatedLength() tells how many were written.
    std::uint64_t inflate(std::uint8_t* output, std::size_t outputCapacity, const std::uint8_t* input,
                          std::size_t inputLength);
    std::size_t inflatedLength() const { return inflatedLength_; }

    const ErrorBuffers& errors() const { return errors_; }

private:
    std::uint64_t fail(Msg id);

    ErrorBuffers errors_;
    std::size_t inflatedLength_ = 0;
};

}  // namespace pictrano
