#include "imagelib/png/deflate/Adler32.h"

#include <algorithm>

namespace pictrano {
namespace {

constexpr std::uint32_t kModulus = 65521;
// The most bytes whose sums cannot overflow 32 bits before the next reduction.
constexpr std::size_t kBytesPerReduction = 5552;

}  // namespace

std::uint32_t adler32(const std::uint8_t* data, std::size_t length) {
    std::uint32_t first = 1, second = 0;
    while (length > 0) {
        const std::size_t run = std::min(length, kBytesPerReduction);
        for (std::size_t i = 0; i < run; ++i) {
            first += data[i];
            second += first;
        }
        first %= kModulus;
        second %= kModulus;
        data += run;
        length -= run;
    }
    return second << 16 | first;
}

}  // namespace pictrano
