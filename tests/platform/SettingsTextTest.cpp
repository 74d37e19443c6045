#include "platform/SettingsText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Entries = std::vector<SettingsEntry>;

// Good lines of each type around one line that must be skipped (the first row: an empty line).
TEST(SettingsTextTest, ReadsEachTypeAndSkipsCommentsRepeatsAndMalformedLines) {
    const Entries expected{{"A", "x"}, {"Left", 300u}, {"Top", 0xFFFFFFFFu},
                           {"OutDir", "C:\\out=put\n"}, {"ColorTable", Bytes{0, 0x1A, 0xFF}},
                           {"Empty", Bytes{}}, {"Short", 7u}};
    const std::string head = "; comment\n# hash\n[Pictrano]\n\nA=dword:1\nLeft=dword:0000012C\r\n"
                             "Top=dword:ffffffff\nOutDir=sz:C:\\\\out=put\\n\nA=sz:x\nA=hex:zz\n";
    const std::string tail = "\nColorTable=hex:00,1a,FF\nEmpty=hex:\nShort=dword:7\n";
    for (const char* line :
         {"", "NoEquals", "=dword:1", "A=dword:", "A=dword:123456789", "A=dword:12g4", "A=dword: 1",
          "A=word:1", "A=hex:0", "A=hex:001", "A=hex:00,", "A=hex:,00", "A=hex:00;11", "A=hex:0g",
          "A=sz:trailing\\", "A=sz:bad\\q", "A=sz:\\x4", "A=sz:\\xzz", "A=sz:tab\there",
          "A=sz:\xff\xfe", "A=sz:\xe3\x81", "A=sz:\xed\xa0\x80", "A=sz:\xc0\xaf", "A\\=dword:1",
          "A\x01=dword:1"}) {
        EXPECT_EQ(parseSettingsText(head + line + tail), expected) << line;
    }
}

TEST(SettingsTextTest, AnyNameAndTextRoundTripAndDamageNeverCrashes) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    const Entries entries{
        {"OutDir", "/home/user/出力=先\n2行目\r\\end"}, {"Nul", std::string("a\0b", 3)},
        {"EveryByte", everyByte}, {"=name=with=equals", 1u}, {";comment-like", 2u}, {"#hash", 3u},
        {"[section", 4u}, {"name\nwith newline", Bytes{1, 2, 3}}, {"Empty", std::string()},
        {"ColorTable", Bytes(100, 0xAB)}};
    const std::string valid = formatSettingsText(entries);
    EXPECT_EQ(parseSettingsText(valid), entries);
    // Garbage, or the text above damaged and cut short: what is read formats into text that reads
    // back the same.
    std::mt19937 random(1234);
    for (int round = 0; round < 2000; ++round) {
        std::string text = round % 2 ? valid : std::string(random() % 200, '\0');
        for (char& c : text) {
            if (round % 2 == 0 || random() % 500 == 0) c = static_cast<char>(random());
        }
        text.resize(random() % (text.size() + 1));
        const Entries read = parseSettingsText(text);
        ASSERT_EQ(parseSettingsText(formatSettingsText(read)), read);
    }
}

}  // namespace
}  // namespace pictrano
