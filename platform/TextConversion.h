#pragma once

#include <string>
#include <string_view>

namespace pictrano {

// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD; nothing throws but std::bad_alloc.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// The length of the well-formed UTF-8 sequence that starts at text[at], or 0 when it is not one
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

}  // namespace pictrano
