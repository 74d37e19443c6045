#include "app/win32/WideText.h"

#include "platform/TextConversion.h"

namespace pictrano {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

std::wstring widen(std::string_view utf8) {
    const std::u16string wide = utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string narrow(std::wstring_view wide) {
    return utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace pictrano
