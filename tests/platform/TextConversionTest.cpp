#include <gtest/gtest.h>

#include "platform/TextConversion.h"

namespace pictrano {
namespace {

TEST(TextConversion, RoundTripsEveryPlaneAndReplacesMalformedBytesOneByOne) {
    const std::u16string wide = u"a\u00E9\u30D3\U0001F600z";
    EXPECT_EQ(utf16ToUtf8(wide), "a\xC3\xA9\xE3\x83\x93\xF0\x9F\x98\x80z");
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(wide)), wide);
    // A stray continuation, an overlong form, an encoded surrogate and a cut sequence.
    EXPECT_EQ(utf8ToUtf16("\x80" "a" "\xC0\xAF" "\xED\xA0\x80" "\xE3\x83"),
              u"\uFFFDa\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // a lone surrogate
}

}  // namespace
}  // namespace pictrano
