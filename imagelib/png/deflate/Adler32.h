#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// The Adler-32 checksum of zlib streams: two sums starting at 1 and 0, modulo 65,521, returned
// as (second sum << 16) | first sum.
std::uint32_t adler32(const std::uint8_t* data, std::size_t length);

}  // namespace pictrano
