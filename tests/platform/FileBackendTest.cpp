#include "platform/FileBackend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

FileBackend opened(const std::filesystem::path& path) {
    FileBackend backend(path);
    EXPECT_TRUE(backend.open()) << path;
    return backend;
}

// Sets an environment variable (null: unsets it) for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedEnv() { set(old_ ? old_->c_str() : nullptr); }

private:
    void set(const char* value) { value != nullptr ? setenv(name_, value, 1) : unsetenv(name_); }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FileBackendTest, DefaultPathFollowsAnAbsoluteXdgConfigHomeElseHome) {
    const struct { const char* config; const char* home; std::string expected; } cases[] = {
        {"/cfg", "/h", "/cfg/Tovami/Pictrano.ini"}, {nullptr, nullptr, ""}, {"rel", "", ""},
        {"r", "/h", "/h/.config/Tovami/Pictrano.ini"}, {"", "/h", "/h/.config/Tovami/Pictrano.ini"},
        {nullptr, "/h", "/h/.config/Tovami/Pictrano.ini"}};
    for (const auto& c : cases) {
        ScopedEnv config("XDG_CONFIG_HOME", c.config), home("HOME", c.home);
        FileBackend backend;
        EXPECT_EQ(backend.path(), c.expected) << "row " << &c - cases;
        EXPECT_FALSE(c.expected.empty() && (backend.open() || backend.commit()));
    }
}

TEST(FileBackendTest, TypedValuesRoundTripAndACommitReplacesTheWholeFile) {
    test::TempDir dir;
    const auto path = dir / "a" / "b" / "Pictrano.ini";  // neither folder exists yet
    const std::string outDir = "/home/me/出力 = 先\n改行\\x";
    const Bytes table{0x00, 0x7F, 0x80, 0xFF, 0x1A, 0x0A, 0x5C, 0x3D};
    FileBackend writer = opened(path);
    EXPECT_FALSE(writer.readDword("Left"));
    writer.writeDword("Left", 0xFFFFFF9Cu);
    writer.writeString("OutDir", outDir);
    writer.writeBinary("ColorTable", table);
    writer.writeBinary("Empty", {});
    ASSERT_TRUE(writer.commit());

    FileBackend reader = opened(path);
    EXPECT_EQ(reader.readDword("Left"), 0xFFFFFF9Cu);
    EXPECT_EQ(reader.readString("OutDir"), outDir);
    EXPECT_EQ(reader.readBinary("ColorTable"), table);
    EXPECT_EQ(reader.readBinary("Empty"), Bytes{});
    // A value of another type, or a name in another case, reads as absent.
    EXPECT_FALSE(reader.readString("Left") || reader.readBinary("Left") ||
                 reader.readDword("OutDir") || reader.readDword("ColorTable") ||
                 reader.readDword("left"));

    // The new contents go to a new file renamed over the old name: a second link to the old file
    // still shows the old contents, and no temporary is left behind.
    const Bytes old = test::readBytes(path);
    std::filesystem::create_hard_link(path, dir / "old-link");
    reader.writeString("Left", "now text");
    ASSERT_TRUE(reader.commit());
    EXPECT_EQ(test::readBytes(dir / "old-link"), old);
    const FileBackend after = opened(path);
    EXPECT_EQ(after.readString("Left"), "now text");
    EXPECT_EQ(after.readString("OutDir"), outDir);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()), {}), 1);
}

// A rewrite keeps every line it does not change where it stood: comments, blank and section
// lines, values of unknown names, damaged lines. A value is changed on the line of its first
// appearance (a repeat of it, which it overrode, goes); new values come last.
TEST(FileBackendTest, ACommitKeepsCommentsUnknownNamesAndDamagedLines) {
    test::TempDir dir;
    const auto path = dir / "Pictrano.ini";
    const std::string kept = "; my comment\r\n# another\n\n[Pictrano]\nUnknown=sz:keep me\n";
    test::writeBytes(path, bytesOf(kept + "Left=dword:00000001\nJpegDRI=dword:1x\n"
                                                "Left=dword:00000002"));
    FileBackend backend = opened(path);
    EXPECT_EQ(backend.readDword("Left"), 2u);
    backend.writeDword("Left", 5);
    backend.writeDword("Top", 6);
    ASSERT_TRUE(backend.commit());
    EXPECT_EQ(test::readBytes(path),
              bytesOf(kept + "Left=dword:00000005\nJpegDRI=dword:1x\nTop=dword:00000006\n"));

    // A new file starts with a comment that says what it holds.
    FileBackend fresh = opened(dir / "new.ini");
    fresh.writeDword("Left", 1);
    ASSERT_TRUE(fresh.commit());
    EXPECT_EQ(test::readBytes(dir / "new.ini"),
              bytesOf(std::string(kSettingsHeader) + "\nLeft=dword:00000001\n"));
}

TEST(FileBackendTest, FileThatCannotBeReadOrWrittenIsLeftAlone) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "folder.ini");
    const Bytes large(FileBackend::kSizeLimit + 1, ';');
    test::writeBytes(dir / "large.ini", large);
    // A folder, an oversized file, a path through a file: only the last opens, as empty.
    const std::pair<const char*, bool> cases[] = {
        {"folder.ini", false}, {"large.ini", false}, {"large.ini/Pictrano.ini", true}};
    for (auto [name, opens] : cases) {
        FileBackend backend(dir / name);
        EXPECT_EQ(backend.open(), opens) << name;
        backend.writeDword("Left", 1);
        EXPECT_FALSE(backend.commit()) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));
    EXPECT_EQ(test::readBytes(dir / "large.ini"), large);
}

}  // namespace
}  // namespace pictrano
