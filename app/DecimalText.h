#pragma once

#include <cstdint>
#include <string_view>

namespace pictrano {

// Leading decimal numbers of texts, read the way the C library reads them: leading white space,
// an optional sign, then digits up to the first non-digit; no digits give 0.

// As strtoul with a 32-bit unsigned long, base 10: a minus negates modulo 2^32, and a magnitude
// above 4294967295 gives 4294967295. Always 32-bit, whatever the host's long.
std::uint32_t parseUnsignedDecimal(std::string_view text);

// As strtol, except that a magnitude above 2^32 stays at 2^32 instead of overflowing.
std::int64_t parseSignedDecimal(std::string_view text);

}  // namespace pictrano
