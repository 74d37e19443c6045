// Inflate on any bytes: the first two bytes choose the output capacity (in units of 16 bytes).
#include <algorithm>
#include <memory>

#include "fuzz/FuzzInput.h"
#include "imagelib/png/deflate/DeflateCodec.h"

using namespace pictrano;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::size_t capacity = std::size_t{input.word()} * 16;
    const auto output = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    DeflateCodec codec;
    const std::uint64_t position =
        codec.inflate(output.get(), capacity, input.data(), input.size());
    if (codec.inflatedLength() > capacity) fuzz::finding();
    if (position == 0) {
        fuzz::requireMessage(codec.errors());
    } else if (position < 16 || position > std::max<std::uint64_t>(16, 8 * input.size())) {
        // Within the input, or 16 for the inputs too short to hold a header.
        fuzz::finding();
    }
    return 0;
}
