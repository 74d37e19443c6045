// The Deflate coders on any bytes: every degree's stream inflates back to the input, fits the
// bound, and ends in the input's Adler-32 right after its last block.
#include <cstring>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/png/deflate/Adler32.h"
#include "imagelib/png/deflate/DeflateCodec.h"

using namespace pictrano;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::size_t rowWindow = input.word();
    DeflateCodec coder;
    DeflateCodec decoder;
    std::vector<std::uint8_t> stream(DeflateCodec::deflateBound(input.size()));
    std::vector<std::uint8_t> back(input.size());
    for (int degree = 0; degree <= 4; ++degree) {
        const std::size_t length = coder.deflate(stream.data(), stream.size(), input.data(),
                                                 input.size(), degree, rowWindow);
        if (length < 6 || length > stream.size()) fuzz::finding();
        const std::uint64_t end = decoder.inflate(back.data(), back.size(), stream.data(), length);
        if (end == 0 || decoder.inflatedLength() != input.size()) fuzz::finding();
        if (input.size() > 0 && std::memcmp(back.data(), input.data(), input.size()) != 0) {
            fuzz::finding();
        }
        if ((end + 7) / 8 + 4 != length) fuzz::finding();
        if (loadBe32(stream.data() + length - 4) != adler32(input.data(), input.size())) {
            fuzz::finding();
        }
    }
    return 0;
}
