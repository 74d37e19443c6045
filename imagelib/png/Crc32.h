#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrano {

// The CRC-32 of PNG chunks (ISO 3309, reflected polynomial 0xEDB88320): starts from all ones and
// is complemented at the end.
std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count);

}  // namespace pictrano
