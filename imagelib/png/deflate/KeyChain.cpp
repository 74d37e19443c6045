#include "imagelib/png/deflate/KeyChain.h"

#include <algorithm>
#include <bit>

namespace pictrano {

namespace {

constexpr unsigned kMostHashBits = 16;

unsigned hashBitsFor(std::size_t length) {
    const std::size_t heads = std::bit_ceil(std::clamp<std::size_t>(length, 256, std::size_t{1} << kMostHashBits));
    return static_cast<unsigned>(std::countr_zero(heads));
}

}  // namespace

KeyChain::KeyChain(const CoderInput& input, std::size_t window)
    : input_(input),
      hashShift_(32 - hashBitsFor(input.length())),
      mask_(std::bit_ceil(std::min(window + 1, std::max<std::size_t>(input.length(), 1))) - 1),
      heads_(std::size_t{1} << (32 - hashShift_)),
      links_(mask_ + 1) {}

}  // namespace pictrano
