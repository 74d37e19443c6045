#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/png/deflate/ByteSpan.h"

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
    // The same with the stream's bytes in several spans, read one after another as if joined.
    std::uint64_t inflate(std::uint8_t* output, std::size_t outputCapacity, const ByteSpan* input,
                          std::size_t spanCount);
    std::size_t inflatedLength() const { return inflatedLength_; }

    // Deflates `input` into one zlib stream written from the start of `output`, which need not be
    // cleared; returns the stream's length in bytes, 0 on failure. Degrees 1, 2 and 3 code with
    // fixed-code blocks and increasing match search (degree 1 looks back `rowWindow` bytes, capped
    // at 32,768); any other degree stores the input. A stream longer than `outputCapacity` fails;
    // deflateBound(inputLength) bytes always suffice.
    std::size_t deflate(std::uint8_t* output, std::size_t outputCapacity, const std::uint8_t* input,
                        std::size_t inputLength, int degree, std::size_t rowWindow = 0);
    static constexpr std::size_t deflateBound(std::size_t inputLength) { return 2 * inputLength + 40; }
    // Positions are kept in 32 bits.
    static constexpr std::size_t kMaxDeflateInput = 0xFFFFFFF0;
    static constexpr std::size_t kMaxDegree1Window = 32768;

    const ErrorBuffers& errors() const { return errors_; }

private:
    std::uint64_t fail(Msg id);

    ErrorBuffers errors_;
    std::size_t inflatedLength_ = 0;
    // The match coders' slot tables, allocated when first needed and kept.
    std::vector<std::uint32_t> slots_;
};

}  // namespace pictrano
