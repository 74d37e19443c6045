#pragma once

#include <string>
#include <string_view>

namespace pictrano {

// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD; nothing throws but std::bad_alloc.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace pictrano
