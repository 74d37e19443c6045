#include "app/OptionStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/DecimalText.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(OptionStoreTest, KeysAreExactAndKeepTheirPlace) {
    OptionStore store;
    store.setInt("Jpeg.write.DRI", 1);
    store.setInt("jpeg.write.dri", 2);
    store.setInt("Jpeg.write.DRI", 3);
    store.setString("jpeg.write.dri", "text");
    std::vector<std::string> expected{"Jpeg.write.DRI", "jpeg.write.dri"};
    for (int i = 0; i < 40; ++i) store.setInt(expected.emplace_back("k" + std::to_string(i)), i);
    EXPECT_EQ(store.keys(), expected);
    EXPECT_EQ(store.getInt("Jpeg.write.DRI"), 3u);
    EXPECT_EQ(store.getLength("jpeg.write.dri"), 4);
    EXPECT_EQ(store.getInt("k39"), 39u);
    for (const char* absent : {"JPEG.WRITE.DRI", "absent"}) {
        EXPECT_TRUE(store.find(absent) == nullptr && store.getInt(absent) == 0 &&
                    store.getLength(absent) == 0 && store.getData(absent) == nullptr &&
                    store.getText(absent) == nullptr) << absent;
    }
}

TEST(OptionStoreTest, TextAndNumberConversionsAndTextFromItself) {
    OptionStore store;
    store.setDefaults();
    EXPECT_STREQ(store.getText(kJpegWriteDri), "64");
    store.setInt("negative", -1);
    EXPECT_STREQ(store.getText("negative"), "4294967295");
    EXPECT_EQ(store.getInt("negative"), 4294967295u);
    store.setString("n", "12abc");
    EXPECT_EQ(store.getInt("n"), 12u);
    EXPECT_STREQ(store.getText("n"), "12abc");
    const std::string text = "some longer text that does not fit a small buffer";
    store.setString("s", text);
    store.setString("s", store.getText("s"));
    EXPECT_EQ(store.getText("s"), text);
}

TEST(OptionStoreTest, BinaryDataEndsInAnExtraZeroAndMayComeFromItself) {
    Bytes bytes(64);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xC0 + i);
    OptionStore store;
    store.setBinary("bin", bytes.data(), bytes.size());
    EXPECT_EQ(store.getLength("bin"), 64);
    bytes.push_back(0);
    EXPECT_EQ(store.find("bin")->data, bytes);
    EXPECT_EQ(store.getInt("bin"), 0u);
    store.setBinary("bin", store.getData("bin") + 1, 3);  // from its own data
    ASSERT_EQ(store.getLength("bin"), 3);
    EXPECT_EQ(store.find("bin")->data, (Bytes{0xC1, 0xC2, 0xC3, 0}));
}

TEST(UnsignedDecimalTest, MatchesStrtoulAndSaturatesAtThirtyTwoBits) {
    for (const char* text : {"0", "12abc", "  42", "\t\n7x", "+15", "-1", "-5", "4294967295",
                             "000123", "abc", "", "-", "+", " - 3", "3 4", "１２"}) {
        EXPECT_EQ(parseUnsignedDecimal(text),
                  static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10))) << text;
    }
    const std::pair<const char*, std::uint32_t> saturated[] = {
        {"4294967296", 4294967295u}, {"99999999999999999999999", 4294967295u},
        {"-4294967296", 4294967295u}, {"-4294967295", 1u}};
    for (auto [text, expected] : saturated) EXPECT_EQ(parseUnsignedDecimal(text), expected) << text;
}

}  // namespace
}  // namespace pictrano
