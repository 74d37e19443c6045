// Whole-file input and output through the wide API: Japanese names and paths beyond the plain
// API's 260 characters, replacement in one step keeping the hidden and system attributes,
// refusals that leave the target and no stray temporary file.
#include "platform/WholeFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Creates each folder of a path too long for the plain API, with the \\?\ form.
std::wstring makeLongFolder(const std::filesystem::path& base) {
    std::wstring folder = L"\\\\?\\" + std::filesystem::absolute(base).wstring();
    for (int i = 0; i < 5; ++i) {
        folder += L"\\" + std::wstring(60, static_cast<wchar_t>(L'あ' + i));
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder.substr(4);
}

TEST(WholeFileOnWindows, LongJapanesePathsAreWrittenReadAndReplaced) {
    test::TempDir dir;
    const std::wstring folder = makeLongFolder(dir.path());
    const std::filesystem::path target = folder + L"\\写真の出力.bmp";
    ASSERT_GT(target.wstring().size(), 300u);
    const Bytes first(70000, 0x5A), second = {1, 2, 3};
    for (const Bytes& bytes : {first, second}) {
        ASSERT_EQ(writeWholeFile(target, bytes.data(), bytes.size()), FileStatus::Ok);
        Bytes read;
        ASSERT_EQ(readWholeFile(target, 1 << 20, read), FileStatus::Ok);
        EXPECT_EQ(read, bytes);
    }
    Bytes read;
    EXPECT_EQ(readWholeFile(target, 2, read), FileStatus::TooLarge);
    EXPECT_EQ(readWholeFile(folder + L"\\無い.bmp", 100, read), FileStatus::CannotOpen);
    EXPECT_EQ(test::filesUnder(dir.path()).size(), 1u);  // no temporary left beside it
}

TEST(WholeFileOnWindows, AReplacedFileKeepsItsHiddenAndSystemAttributes) {
    constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN, kSystem = FILE_ATTRIBUTE_SYSTEM;
    for (const DWORD attributes : {DWORD{0}, kHidden, kSystem, kHidden | kSystem}) {
        test::TempDir dir;
        const std::filesystem::path target = dir / "属性.bmp";
        test::writeBytes(target, {9, 9, 9});
        ASSERT_TRUE(SetFileAttributesW(target.c_str(), attributes | FILE_ATTRIBUTE_ARCHIVE));
        const Bytes bytes = {1, 2};
        EXPECT_EQ(writeWholeFile(target, bytes.data(), bytes.size()), FileStatus::Ok);
        EXPECT_EQ(test::readBytes(target), bytes);
        EXPECT_EQ(GetFileAttributesW(target.c_str()) & (kHidden | kSystem), attributes)
            << "attributes " << attributes;
        EXPECT_EQ(test::filesUnder(dir.path()), std::vector<std::filesystem::path>{target});
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(WholeFileOnWindows, RefusalsLeaveTheTargetAndNoTemporary) {
    test::TempDir dir;
    const Bytes old = {9, 9, 9}, bytes = {1};
    const std::filesystem::path readOnly = dir / "読み取り専用.bmp";
    test::writeBytes(readOnly, old);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(writeWholeFile(readOnly, bytes.data(), bytes.size()), FileStatus::CannotOpen);
    EXPECT_EQ(test::readBytes(readOnly), old);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    std::filesystem::create_directory(dir / "folder.bmp");
    EXPECT_EQ(writeWholeFile(dir / "folder.bmp", bytes.data(), bytes.size()),
              FileStatus::CannotOpen);
    EXPECT_EQ(writeWholeFile(dir / "無い" / "x.bmp", bytes.data(), bytes.size()),
              FileStatus::CannotOpen);
    Bytes read;
    EXPECT_EQ(readWholeFile(dir / "folder.bmp", 100, read), FileStatus::CannotOpen);
    EXPECT_EQ(test::filesUnder(dir.path()), std::vector<std::filesystem::path>{readOnly});
}

}  // namespace
}  // namespace pictrano
