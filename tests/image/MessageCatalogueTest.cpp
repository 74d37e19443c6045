#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "imagelib/image/ErrorBuffers.h"
#include "imagelib/image/MessageCatalogue.h"

namespace pictrano {
namespace {

// Converts Shift-JIS (code page 932) to UTF-16 with the C library's converter, independent of
// the catalogue generator.
std::u16string cp932ToUtf16(const std::string& text) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string input = text;
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    char* out = output.data();
    size_t inLeft = input.size();
    size_t outLeft = output.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &out, &outLeft), static_cast<size_t>(-1)) << text;
    iconv_close(cd);
    std::u16string result((output.size() - outLeft) / 2, u'\0');
    std::memcpy(result.data(), output.data(), result.size() * 2);
    return result;
}

TEST(MessageCatalogue, EveryShiftJisEntryMatchesItsUtf16Entry) {
    for (unsigned i = 0; i < static_cast<unsigned>(Msg::Count); ++i) {
        const auto id = static_cast<Msg>(i);
        const std::u16string wide = utf16Text(id);
        ASSERT_FALSE(wide.empty()) << i;
        EXPECT_EQ(cp932ToUtf16(shiftJisText(id)), wide) << "message " << i;
        // Every message fits the smallest wide buffer (64 units) and the narrow one.
        EXPECT_LT(wide.size(), 64u) << i;
        EXPECT_LT(std::strlen(shiftJisText(id)), 128u) << i;
    }
}

TEST(ErrorBuffers, CutsOverlongTextsAndKeepsTheTerminator) {
    BasicErrorBuffers<4> small;
    small.setText(std::string(300, 'a').c_str(), u"abcdefgh");
    EXPECT_EQ(std::strlen(small.narrow()), 127u);
    EXPECT_EQ(std::u16string(small.wide()), u"abc");
}

}  // namespace
}  // namespace pictrano
