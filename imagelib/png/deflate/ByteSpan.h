#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// Bytes in memory that someone else owns. A stream may be given as several, read one after
// another (a PNG's image data stands in many chunks).
struct ByteSpan {
    const std::uint8_t* data;
    std::size_t length;
};

}  // namespace pictrano
