#include "app/win32/RegistryBackend.h"

#include <gtest/gtest.h>

#include "app/MemoryDialog.h"
#include "app/PersistedSettings.h"
#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "tests/win32/support/RawRegistry.h"

namespace pictrano {
namespace {

using test::dwordBytes;
using test::readRawValue;
using test::stringBytes;
using test::writeRawValue;
using Bytes = std::vector<std::uint8_t>;

const std::wstring kTestKey = L"Software\\Tovami\\PictranoRegistryTest";

class RegistryBackendTest : public ::testing::Test {
protected:
    RegistryBackendTest() { test::deleteRawKey(kTestKey); }
    ~RegistryBackendTest() override { test::deleteRawKey(kTestKey); }
    RegistryBackend backend{kTestKey};
};

TEST(RegistryBackend, UsesTheProgramsKeyByDefault) {
    EXPECT_STREQ(RegistryBackend::kDefaultSubKey, L"Software\\Tovami\\Pictrano");
}

// Each type as the registry stores it, read back by the API and by the backend; a value of
// another type or size reads as absent.
TEST_F(RegistryBackendTest, ValuesKeepTheirRegistryTypes) {
    ASSERT_TRUE(backend.open());
    const Bytes binary = {0, 1, 2, 0xFF, 0};
    backend.writeDword("Left", 0xFFFFFFF6u);
    backend.writeString("OutDir", "C:\\出力\\写真");
    backend.writeBinary("ColorTable", binary);
    backend.writeBinary("Empty", {});
    ASSERT_TRUE(backend.commit());

    const struct {
        const wchar_t* name;
        DWORD type;
        Bytes bytes;
    } stored[] = {{L"Left", REG_DWORD, dwordBytes(0xFFFFFFF6u)},
                  {L"OutDir", REG_SZ, stringBytes(L"C:\\出力\\写真")},
                  {L"ColorTable", REG_BINARY, binary},
                  {L"Empty", REG_BINARY, {}}};
    for (const auto& value : stored) {
        const auto raw = readRawValue(kTestKey, value.name);
        ASSERT_TRUE(raw) << value.name;
        EXPECT_EQ(raw->type, value.type) << value.name;
        EXPECT_EQ(raw->bytes, value.bytes) << value.name;
    }

    RegistryBackend reader{kTestKey};
    ASSERT_TRUE(reader.open());
    EXPECT_EQ(reader.readDword("Left"), 0xFFFFFFF6u);
    EXPECT_EQ(reader.readString("OutDir"), "C:\\出力\\写真");
    EXPECT_EQ(reader.readBinary("ColorTable"), binary);
    EXPECT_EQ(reader.readBinary("Empty"), Bytes{});
    EXPECT_FALSE(reader.readDword("OutDir"));
    EXPECT_FALSE(reader.readString("Left"));
    EXPECT_FALSE(reader.readBinary("Left"));
    EXPECT_FALSE(reader.readDword("Missing"));

    writeRawValue(kTestKey, L"Short", REG_DWORD, {1, 2});
    writeRawValue(kTestKey, L"Unterminated", REG_SZ, {'a', 0, 'b', 0});
    writeRawValue(kTestKey, L"Cut", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0});
    EXPECT_FALSE(reader.readDword("Short"));
    EXPECT_EQ(reader.readString("Unterminated"), "ab");
    EXPECT_EQ(reader.readString("Cut"), "a");
}

TEST_F(RegistryBackendTest, NothingWorksBeforeOpen) {
    backend.writeDword("Left", 1);
    EXPECT_FALSE(backend.commit());
    EXPECT_FALSE(readRawValue(kTestKey, L"Left"));
    EXPECT_FALSE(backend.readDword("Left"));
}

// The persisted settings through the registry: value names and types as the program stores
// them, and a second run reading them back.
TEST_F(RegistryBackendTest, PersistedSettingsRoundTrip) {
    OptionStore options;
    options.setDefaults();
    options.setInt(kJpegWriteDctSf, 2);
    options.setInt(kIconWriteTransColor, 0x00112233);
    Bytes table(64);
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * 3);
    options.setBinary(kCommonColorTable, table.data(), table.size());
    MemoryDialog window(mainWindowControls());
    window.moveWindow(-20, 35);
    window.setText(ids::kOutputDirectory, "D:\\変換後");
    ASSERT_EQ(saveOptions(backend, options), 1);
    ASSERT_EQ(saveWindowSettings(backend, window), 1);

    const struct {
        const wchar_t* name;
        DWORD type;
        Bytes bytes;
    } expected[] = {
        {L"JpegReadDCTColor", REG_DWORD, dwordBytes(0)}, {L"JpegReadLLColor", REG_DWORD, dwordBytes(0)},
        {L"JpegWriteDCTSF", REG_DWORD, dwordBytes(2)},   {L"JpegWriteLLSF", REG_DWORD, dwordBytes(0)},
        {L"JpegDRIOn", REG_DWORD, dwordBytes(0)},        {L"JpegDRI", REG_DWORD, dwordBytes(64)},
        {L"IconTransColor", REG_DWORD, dwordBytes(0x00112233)},
        {L"IconTransColorF", REG_DWORD, dwordBytes(0)},  {L"IconTrans", REG_DWORD, dwordBytes(0)},
        {L"ColorTable", REG_BINARY, table},
        {L"Left", REG_DWORD, dwordBytes(static_cast<std::uint32_t>(-20))},
        {L"Top", REG_DWORD, dwordBytes(35)},
        {L"OutDir", REG_SZ, stringBytes(L"D:\\変換後")},
    };
    for (const auto& value : expected) {
        const auto raw = readRawValue(kTestKey, value.name);
        ASSERT_TRUE(raw) << value.name;
        EXPECT_EQ(raw->type, value.type) << value.name;
        EXPECT_EQ(raw->bytes, value.bytes) << value.name;
    }

    OptionStore reloaded;
    reloaded.setDefaults();
    RegistryBackend again{kTestKey};
    ASSERT_EQ(loadOptions(again, reloaded), 1);
    EXPECT_EQ(reloaded.getInt(kJpegWriteDctSf), 2u);
    EXPECT_EQ(reloaded.getInt(kIconWriteTransColor), 0x00112233u);
    ASSERT_EQ(reloaded.getLength(kCommonColorTable), 64);
    EXPECT_EQ(Bytes(reloaded.getData(kCommonColorTable), reloaded.getData(kCommonColorTable) + 64),
              table);
    MemoryDialog reopened(mainWindowControls());
    ASSERT_EQ(loadWindowSettings(again, reopened), 1);
    int left = 0, top = 0;
    reopened.windowPosition(left, top);
    EXPECT_EQ(std::pair(left, top), std::pair(-20, 35));
    EXPECT_EQ(reopened.text(ids::kOutputDirectory), "D:\\変換後");
}

}  // namespace
}  // namespace pictrano
