#include "platform/SettingsText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SettingsTextTest, ReadsEachTypeAndIgnoresCommentsAndSections) {
    const auto entries = parseSettingsText(
        "; comment\n# another\n[Pictrano]\n\nLeft=dword:0000012C\r\nTop=dword:ffffffff\n"
        "OutDir=sz:C:\\\\out=put\\n\n"
        "ColorTable=hex:00,1a,FF\nEmpty=hex:\nShort=dword:7\n");
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].name, "Left");
    EXPECT_EQ(entries[0].value, SettingsValue(std::uint32_t{300}));
    EXPECT_EQ(entries[1].value, SettingsValue(std::uint32_t{0xFFFFFFFF}));
    EXPECT_EQ(entries[2].value, SettingsValue(std::string("C:\\out=put\n")));
    EXPECT_EQ(entries[3].value, SettingsValue(Bytes{0x00, 0x1A, 0xFF}));
    EXPECT_EQ(entries[4].value, SettingsValue(Bytes{}));
    EXPECT_EQ(entries[5].value, SettingsValue(std::uint32_t{7}));
}

TEST(SettingsTextTest, SkipsMalformedLinesAndKeepsTheRest) {
    const char* bad[] = {
        "NoEquals",         "=dword:1",         "A=dword:",          "A=dword:123456789",
        "A=dword:12g4",     "A=dword: 1",       "A=word:1",          "A=hex:0",
        "A=hex:001",        "A=hex:00,",        "A=hex:,00",         "A=hex:00;11",
        "A=hex:0g",         "A=sz:trailing\\",  "A=sz:bad\\q",       "A=sz:\\x4",
        "A=sz:\\xzz",       "A=sz:tab\there",   "A=sz:\xff\xfe",     "A=sz:\xe3\x81",
        "A=sz:\xed\xa0\x80", "A=sz:\xc0\xaf",   "A\\=dword:1",       "A\x01=dword:1",
    };
    for (const char* line : bad) {
        const std::string text = std::string("Keep=dword:1\n") + line + "\nAfter=sz:ok\n";
        const auto entries = parseSettingsText(text);
        ASSERT_EQ(entries.size(), 2u) << line;
        EXPECT_EQ(entries[0].name, "Keep");
        EXPECT_EQ(entries[1].name, "After");
    }
}

TEST(SettingsTextTest, LaterLineReplacesValueAtFirstPosition) {
    const auto entries = parseSettingsText("A=dword:1\nB=dword:2\nA=sz:x\nA=hex:zz\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "A");
    EXPECT_EQ(entries[0].value, SettingsValue(std::string("x")));
    EXPECT_EQ(entries[1].name, "B");
}

TEST(SettingsTextTest, AnyNameAndTextRoundTrip) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    const std::vector<SettingsEntry> entries{
        {"OutDir", std::string("/home/user/出力=先\n2行目\r\\end")},
        {"Nul", std::string("a\0b", 3)},
        {"EveryByte", everyByte},
        {"=name=with=equals", std::uint32_t{1}},
        {";comment-like", std::uint32_t{2}},
        {"#hash", std::uint32_t{3}},
        {"[section", std::uint32_t{4}},
        {"name\nwith newline", Bytes{1, 2, 3}},
        {"Empty", std::string()},
        {"ColorTable", Bytes(100, 0xAB)},
    };
    const std::string text = formatSettingsText(entries);
    EXPECT_EQ(parseSettingsText(text), entries);
    // One value a line, plus the heading comment.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              static_cast<std::ptrdiff_t>(entries.size() + 1));
}

// Whatever the input, what is read formats into text that reads back the same.
TEST(SettingsTextTest, GarbageNeverCrashesAndWhatIsReadRoundTrips) {
    std::mt19937 random(1234);
    const std::string valid = formatSettingsText(
        {{"Left", std::uint32_t{10}}, {"OutDir", std::string("/tmp/a=b")},
         {"ColorTable", Bytes{1, 2, 3, 4, 5}}});
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        if (round % 2 == 0) {
            text.resize(random() % 200);
            for (char& c : text) c = static_cast<char>(random());
        } else {
            text = valid;
            for (int flips = 0; flips < 3; ++flips) {
                text[random() % text.size()] = static_cast<char>(random());
            }
            text.resize(random() % (text.size() + 1));
        }
        const auto entries = parseSettingsText(text);
        ASSERT_EQ(parseSettingsText(formatSettingsText(entries)), entries);
    }
}

}  // namespace
}  // namespace pictrano
