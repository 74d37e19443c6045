#include "platform/FileBackend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string readText(const std::filesystem::path& path) {
    const Bytes bytes = test::readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    test::writeBytes(path, Bytes(text.begin(), text.end()));
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FileBackendTest, DefaultPathFollowsXdgConfigHome) {
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg/here");
        EXPECT_EQ(FileBackend::defaultPath(), "/cfg/here/Tovami/Pictrano.ini");
    }
    ScopedEnv home("HOME", "/home/someone");
    for (const char* ignored : {"relative/dir", ""}) {
        ScopedEnv config("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(FileBackend::defaultPath(), "/home/someone/.config/Tovami/Pictrano.ini");
    }
    ScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(FileBackend().path(), "/home/someone/.config/Tovami/Pictrano.ini");
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_TRUE(FileBackend::defaultPath().empty());
    FileBackend nowhere;
    EXPECT_FALSE(nowhere.open());
    EXPECT_FALSE(nowhere.commit());
}

TEST(FileBackendTest, MissingFileIsAnEmptyKeyAndCommitCreatesFolders) {
    test::TempDir dir;
    const auto path = dir / "a" / "b" / "Pictrano.ini";
    FileBackend backend(path);
    ASSERT_TRUE(backend.open());
    EXPECT_FALSE(backend.readDword("Left"));
    EXPECT_FALSE(std::filesystem::exists(path));
    backend.writeDword("Left", 12);
    ASSERT_TRUE(backend.commit());

    FileBackend reader(path);
    ASSERT_TRUE(reader.open());
    EXPECT_EQ(reader.readDword("Left"), 12u);
}

TEST(FileBackendTest, ValuesRoundTripThroughTheFileWithTheirTypes) {
    test::TempDir dir;
    const auto path = dir / "Pictrano.ini";
    const std::string outDir = "/home/me/出力 = 先\n改行\\x";
    Bytes table(100);
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * 37);
    {
        FileBackend backend(path);
        ASSERT_TRUE(backend.open());
        backend.writeDword("Left", 0xFFFFFF9Cu);
        backend.writeString("OutDir", outDir);
        backend.writeBinary("ColorTable", table);
        backend.writeBinary("Empty", {});
        ASSERT_TRUE(backend.commit());
    }
    FileBackend backend(path);
    ASSERT_TRUE(backend.open());
    EXPECT_EQ(backend.readDword("Left"), 0xFFFFFF9Cu);
    EXPECT_EQ(backend.readString("OutDir"), outDir);
    EXPECT_EQ(backend.readBinary("ColorTable"), table);
    EXPECT_EQ(backend.readBinary("Empty"), Bytes{});
    // A value of another type reads as absent.
    EXPECT_FALSE(backend.readString("Left"));
    EXPECT_FALSE(backend.readBinary("Left"));
    EXPECT_FALSE(backend.readDword("OutDir"));
    EXPECT_FALSE(backend.readDword("ColorTable"));
    // Names are exact.
    EXPECT_FALSE(backend.readDword("left"));
}

TEST(FileBackendTest, RewriteKeepsOtherValuesAndReplacesTypes) {
    test::TempDir dir;
    const auto path = dir / "Pictrano.ini";
    writeText(path, "Future=sz:kept\ngarbage line\nLeft=sz:was text\n");
    FileBackend backend(path);
    ASSERT_TRUE(backend.open());
    backend.writeDword("Left", 5);
    ASSERT_TRUE(backend.commit());
    FileBackend reader(path);
    ASSERT_TRUE(reader.open());
    EXPECT_EQ(reader.readString("Future"), "kept");
    EXPECT_EQ(reader.readDword("Left"), 5u);
    EXPECT_EQ(readText(path).find("garbage"), std::string::npos);
}

TEST(FileBackendTest, FileThatCannotBeReadIsNeverReplaced) {
    test::TempDir dir;
    const auto folder = dir / "Pictrano.ini";
    std::filesystem::create_directory(folder);
    FileBackend backend(folder);
    EXPECT_FALSE(backend.open());
    backend.writeDword("Left", 1);
    EXPECT_FALSE(backend.commit());
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    const auto large = dir / "large.ini";
    writeText(large, "Left=dword:1\n" + std::string(FileBackend::kSizeLimit, ';'));
    FileBackend tooLarge(large);
    EXPECT_FALSE(tooLarge.open());
    EXPECT_FALSE(tooLarge.commit());
    EXPECT_EQ(std::filesystem::file_size(large), FileBackend::kSizeLimit + 13);
}

// The new contents go to a new file renamed over the old name: a second link to the old file
// still shows the old contents, and no temporary is left behind.
TEST(FileBackendTest, CommitReplacesTheFileThroughATemporary) {
    test::TempDir dir;
    const auto path = dir / "Pictrano.ini";
    const auto link = dir / "old-link";
    writeText(path, "Left=dword:00000001\n");
    std::filesystem::create_hard_link(path, link);

    FileBackend backend(path);
    ASSERT_TRUE(backend.open());
    backend.writeDword("Left", 2);
    ASSERT_TRUE(backend.commit());

    EXPECT_EQ(readText(link), "Left=dword:00000001\n");
    FileBackend reader(path);
    ASSERT_TRUE(reader.open());
    EXPECT_EQ(reader.readDword("Left"), 2u);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2);
}

TEST(FileBackendTest, CommitFailsWhenTheFolderCannotBeMade) {
    test::TempDir dir;
    writeText(dir / "blocker", "a file where a folder should be");
    FileBackend backend(dir / "blocker" / "Pictrano.ini");
    ASSERT_TRUE(backend.open());
    backend.writeDword("Left", 1);
    EXPECT_FALSE(backend.commit());
    EXPECT_EQ(readText(dir / "blocker"), "a file where a folder should be");
}

}  // namespace
}  // namespace pictrano
