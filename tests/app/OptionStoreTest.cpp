#include "app/OptionStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/UnsignedDecimal.h"

namespace pictrano {
namespace {

TEST(OptionStoreTest, AbsentKeyReadsAsNothing) {
    OptionStore store;
    store.setInt("present", 5);
    EXPECT_EQ(store.find("absent"), nullptr);
    EXPECT_EQ(store.getInt("absent"), 0u);
    EXPECT_EQ(store.getLength("absent"), 0);
    EXPECT_EQ(store.getData("absent"), nullptr);
    EXPECT_EQ(store.getText("absent"), nullptr);
}

TEST(OptionStoreTest, SettingAKeyAgainReplacesItInPlace) {
    OptionStore store;
    store.setInt("a", 1);
    store.setInt("b", 2);
    store.setInt("a", 3);
    EXPECT_EQ(store.keys(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(store.getInt("a"), 3u);

    store.setString("a", "text");
    ASSERT_NE(store.find("a"), nullptr);
    EXPECT_EQ(store.find("a")->kind, OptionValue::String);
    EXPECT_EQ(store.getLength("a"), 4);
    EXPECT_EQ(store.keys(), (std::vector<std::string>{"a", "b"}));
}

TEST(OptionStoreTest, IntegerTextIsUnsignedDecimal) {
    OptionStore store;
    store.setDefaults();
    EXPECT_STREQ(store.getText(kJpegWriteDri), "64");
    store.setInt("negative", -1);
    EXPECT_STREQ(store.getText("negative"), "4294967295");
    EXPECT_EQ(store.getInt("negative"), 4294967295u);
}

TEST(OptionStoreTest, StringEntryConvertsLikeStrtoul) {
    OptionStore store;
    store.setString("n", "12abc");
    EXPECT_EQ(store.getInt("n"), 12u);
    EXPECT_STREQ(store.getText("n"), "12abc");
    store.setString("n", "abc");
    EXPECT_EQ(store.getInt("n"), 0u);
    store.setString("n", "");
    EXPECT_EQ(store.getInt("n"), 0u);
}

TEST(OptionStoreTest, BinaryDataEndsInAnExtraZero) {
    OptionStore store;
    std::vector<std::uint8_t> bytes(64);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xC0 + i);
    store.setBinary("bin", bytes.data(), bytes.size());
    const OptionValue* entry = store.find("bin");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->kind, OptionValue::Binary);
    EXPECT_EQ(store.getLength("bin"), 64);
    ASSERT_EQ(entry->data.size(), 65u);
    EXPECT_EQ(entry->data[64], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(store.getData("bin"), store.getData("bin") + 64), bytes);
    EXPECT_EQ(store.getInt("bin"), 0u);

    store.setBinary("empty", nullptr, 0);
    EXPECT_EQ(store.getLength("empty"), 0);
    ASSERT_NE(store.getData("empty"), nullptr);
    EXPECT_EQ(store.getData("empty")[0], 0);
}

TEST(OptionStoreTest, KeysAreCaseSensitive) {
    OptionStore store;
    store.setInt("Jpeg.write.DRI", 1);
    store.setInt("jpeg.write.dri", 2);
    EXPECT_EQ(store.getInt("Jpeg.write.DRI"), 1u);
    EXPECT_EQ(store.getInt("jpeg.write.dri"), 2u);
    EXPECT_EQ(store.getInt("JPEG.WRITE.DRI"), 0u);
    EXPECT_EQ(store.keys().size(), 2u);
}

TEST(OptionStoreTest, ManyEntriesKeepTheirOrderAndValues) {
    OptionStore store;
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        expected.push_back("key" + std::to_string(i));
        store.setInt(expected.back(), i * 7);
    }
    EXPECT_EQ(store.keys(), expected);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(store.getInt(expected[i]), static_cast<unsigned>(i * 7));
}

TEST(OptionStoreTest, ValueMayBeSetFromItsOwnData) {
    OptionStore store;
    store.setString("s", "some longer text that does not fit a small buffer");
    store.setString("s", store.getText("s"));
    EXPECT_STREQ(store.getText("s"), "some longer text that does not fit a small buffer");
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5};
    store.setBinary("b", bytes, 5);
    store.setBinary("b", store.getData("b") + 1, 3);
    ASSERT_EQ(store.getLength("b"), 3);
    EXPECT_EQ(store.getData("b")[0], 2);
    EXPECT_EQ(store.getData("b")[2], 4);
    EXPECT_EQ(store.getData("b")[3], 0);
}

TEST(OptionStoreTest, DefaultsComeInTheirFixedOrder) {
    OptionStore store;
    store.setDefaults();
    EXPECT_EQ(store.keys(),
              (std::vector<std::string>{kJpegReadDctColor, kJpegReadLlColor, kJpegWriteDctSf,
                                        kJpegWriteLlSf, kJpegWriteDriFlag, kJpegWriteDri,
                                        kIconWriteTrans, kIconWriteTransColor,
                                        kIconWriteTransColorF}));
    EXPECT_EQ(store.getInt(kJpegWriteDctSf), 1u);
    EXPECT_EQ(store.getInt(kIconWriteTransColor), 0xFFFFFFu);
    EXPECT_EQ(store.find(kCommonColorTable), nullptr);
}

TEST(UnsignedDecimalTest, MatchesStrtoulWithinThirtyTwoBits) {
    for (const char* text : {"0", "12abc", "  42", "\t\n7x", "+15", "-1", "-5", "4294967295",
                             "000123", "abc", "", "-", "+", " - 3", "3 4", "１２"}) {
        const unsigned long expected = std::strtoul(text, nullptr, 10);
        EXPECT_EQ(parseUnsignedDecimal(text), static_cast<std::uint32_t>(expected)) << text;
    }
}

TEST(UnsignedDecimalTest, SaturatesLikeAThirtyTwoBitLong) {
    EXPECT_EQ(parseUnsignedDecimal("4294967296"), 4294967295u);
    EXPECT_EQ(parseUnsignedDecimal("99999999999999999999999"), 4294967295u);
    EXPECT_EQ(parseUnsignedDecimal("-4294967296"), 4294967295u);
    EXPECT_EQ(parseUnsignedDecimal("-4294967295"), 1u);
}

}  // namespace
}  // namespace pictrano
