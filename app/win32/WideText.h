#pragma once

#include <string>
#include <string_view>

namespace pictrano {

// UTF-8 (the portable code's text) and UTF-16 (the Windows API's wide text) at the seam between
// them. Malformed input becomes U+FFFD; nothing throws but std::bad_alloc.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

}  // namespace pictrano
