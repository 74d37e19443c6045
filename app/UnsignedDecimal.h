#pragma once

#include <cstdint>
#include <string_view>

namespace pictrano {

// Converts text the way strtoul does with a 32-bit unsigned long, base 10: leading white space,
// an optional sign (a minus negates modulo 2^32), then digits up to the first non-digit. No digits
// give 0; a magnitude above 4294967295 gives 4294967295. Always 32-bit, whatever the host's long.
std::uint32_t parseUnsignedDecimal(std::string_view text);

}  // namespace pictrano
