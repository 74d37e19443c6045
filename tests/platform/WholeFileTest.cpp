#include "platform/WholeFile.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TestData.h"

namespace pictrano {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr uid_t kNobody = 65534;
const Bytes kOld(100, 0xAB);
const Bytes kNew(5000, 0x5C);

FileStatus write(const fs::path& path, const Bytes& bytes = kNew) {
    return writeWholeFile(path, bytes.data(), bytes.size());
}

std::set<std::string> entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

unsigned mode(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Runs `body` in a child process that may not ignore permissions (user and group nobody when the
// tests run as root), after `prepare` there; its FileStatus, or -1 when the child was killed.
int inChild(const std::function<FileStatus()>& body, const std::function<void()>& prepare = {}) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(255);
        }
        if (prepare) prepare();
        ::_exit(static_cast<int>(body()));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Makes a path belong to the child's user, so that only its mode decides what the child may do.
void giveToChild(const fs::path& path, unsigned pathMode) {
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(path.c_str(), kNobody, kNobody), 0);
    }
    fs::permissions(path, static_cast<fs::perms>(pathMode));
}

class WholeFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

// Any name the file system takes can be written, the longest included: 85 three-byte characters.
TEST_F(WholeFileTest, TheLongestNameIsWritten) {
    std::string name;
    for (int i = 0; i < 85; ++i) name += "写";
    ASSERT_EQ(name.size(), 255u);
    const fs::path target = dir.path() / pathFromUtf8(name);
    ASSERT_EQ(write(target), FileStatus::Ok);
    EXPECT_EQ(test::readBytes(target), kNew);
    EXPECT_EQ(entries(dir.path()).size(), 1u);
}

TEST_F(WholeFileTest, AReplacedFileKeepsItsPermissionBits) {
    for (const unsigned bits : {0600u, 0640u, 0604u, 0755u, 02751u}) {
        const fs::path target = dir / "out.bmp";
        test::writeBytes(target, kOld);
        fs::permissions(target, static_cast<fs::perms>(bits));
        ASSERT_EQ(write(target), FileStatus::Ok) << std::oct << bits;
        EXPECT_EQ(test::readBytes(target), kNew);
        EXPECT_EQ(mode(target), bits) << std::oct << bits;
    }
}

// The link stays a link and the file it names gets the bytes, through a chain of links, relative
// ones from their own folder; a dangling link gets the file it names created. A loop is refused.
TEST_F(WholeFileTest, SymbolicLinksAreWrittenThrough) {
    fs::create_directory(dir / "real");
    fs::create_directory(dir / "links");
    test::writeBytes(dir / "real" / "a.bmp", kOld);
    fs::create_symlink("../real/a.bmp", dir / "links" / "relative.bmp");
    fs::create_symlink(dir / "links" / "relative.bmp", dir / "links" / "chain.bmp");
    fs::create_symlink("../real/new.bmp", dir / "links" / "dangling.bmp");
    fs::create_symlink("loop.bmp", dir / "links" / "loop.bmp");
    const std::set<std::string> links = entries(dir / "links");
    const std::pair<const char*, const char*> cases[] = {
        {"relative.bmp", "a.bmp"}, {"chain.bmp", "a.bmp"}, {"dangling.bmp", "new.bmp"}};
    Bytes bytes = kNew;
    for (const auto& [link, file] : cases) {
        ++bytes[0];
        ASSERT_EQ(write(dir / "links" / link, bytes), FileStatus::Ok) << link;
        EXPECT_TRUE(fs::is_symlink(dir / "links" / link)) << link;
        EXPECT_EQ(test::readBytes(dir / "real" / file), bytes) << link;
    }
    EXPECT_EQ(write(dir / "links" / "loop.bmp"), FileStatus::CannotOpen);
    EXPECT_EQ(entries(dir / "links"), links);
    EXPECT_EQ(entries(dir / "real"), (std::set<std::string>{"a.bmp", "new.bmp"}));
}

// What the plain save's open refuses is refused with the open's status and left untouched,
// leaving no temporary: a read-only file, a folder in the way, a missing folder, a new name in a
// read-only folder.
TEST_F(WholeFileTest, WhatMayNotBeOpenedIsRefusedAndLeftAlone) {
    giveToChild(dir.path(), 0755);
    test::writeBytes(dir / "read-only.bmp", kOld);
    giveToChild(dir / "read-only.bmp", 0444);
    fs::create_directory(dir / "folder.bmp");
    fs::create_directory(dir / "closed");
    giveToChild(dir / "closed", 0555);
    const std::set<std::string> before = entries(dir.path());
    for (const fs::path& target : {dir / "read-only.bmp", dir / "folder.bmp",
                                   dir / "missing" / "a.bmp", dir / "closed" / "new.bmp"}) {
        EXPECT_EQ(inChild([&] { return write(target); }), int(FileStatus::CannotOpen)) << target;
    }
    EXPECT_EQ(entries(dir.path()), before);
    EXPECT_TRUE(entries(dir / "closed").empty());
    EXPECT_EQ(test::readBytes(dir / "read-only.bmp"), kOld);
    EXPECT_EQ(mode(dir / "read-only.bmp"), 0444u);
}

// A device or a pipe is written, never replaced by a file; a pipe nobody reads refuses at once
// instead of holding the writer.
TEST_F(WholeFileTest, DevicesAreWrittenAndPipesWithoutReaderRefused) {
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0644), 0);
    EXPECT_EQ(write(dir / "pipe.bmp"), FileStatus::CannotOpen);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.bmp"));
    if (::geteuid() == 0) {  // a null device of our own
        ASSERT_EQ(::mknod((dir / "null.bmp").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
        EXPECT_EQ(write(dir / "null.bmp"), FileStatus::Ok);
        EXPECT_TRUE(fs::is_character_file(dir / "null.bmp"));
    }
    EXPECT_EQ(entries(dir.path()).size(), ::geteuid() == 0 ? 2u : 1u);
}

ino_t fileNumber(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_ino;
}

// Where the folder refuses a temporary or the replace (read-only, or sticky with the target
// another user's) but the target may be written, the target is written in place: the same file.
TEST_F(WholeFileTest, AWritableTargetInAFolderThatRefusesReplacingIsWrittenInPlace) {
    std::vector<std::string> folders{"read-only"};
    fs::create_directory(dir / "read-only");
    test::writeBytes(dir / "read-only" / "a.bmp", kOld);
    giveToChild(dir / "read-only" / "a.bmp", 0644);
    giveToChild(dir / "read-only", 0555);
    if (::geteuid() == 0) {  // the target must belong to another user than the child
        folders.push_back("sticky");
        fs::create_directory(dir / "sticky");
        fs::permissions(dir / "sticky", static_cast<fs::perms>(01777));
        test::writeBytes(dir / "sticky" / "a.bmp", kOld);
        fs::permissions(dir / "sticky" / "a.bmp", static_cast<fs::perms>(0666));
    }
    for (const std::string& folder : folders) {
        const fs::path target = dir / folder / "a.bmp";
        const ino_t before = fileNumber(target);
        EXPECT_EQ(inChild([&] { return write(target); }), int(FileStatus::Ok)) << folder;
        EXPECT_EQ(test::readBytes(target), kNew) << folder;
        EXPECT_EQ(fileNumber(target), before) << folder;
        EXPECT_EQ(entries(dir / folder), std::set<std::string>{"a.bmp"}) << folder;
    }
}

// A disk that fills up, played by a file-size limit: the write fails, the temporary is removed
// and an existing target keeps its bytes.
TEST_F(WholeFileTest, AFailedWriteLeavesNoTemporaryAndTheTargetUntouched) {
    giveToChild(dir.path(), 0755);
    test::writeBytes(dir / "old.bmp", kOld);
    giveToChild(dir / "old.bmp", 0644);
    const auto limitFileSize = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    for (const char* name : {"old.bmp", "new.bmp"}) {
        EXPECT_EQ(inChild([&] { return write(dir / name); }, limitFileSize),
                  int(FileStatus::CannotWrite)) << name;
    }
    EXPECT_EQ(entries(dir.path()), std::set<std::string>{"old.bmp"});
    EXPECT_EQ(test::readBytes(dir / "old.bmp"), kOld);
}

// A process killed while writing leaves the target as it was, and its temporary carries a name
// no output has: hidden, the fixed prefix, ".tmp".
TEST_F(WholeFileTest, AKilledWriteLeavesTheTargetAndOnlyAMarkedTemporary) {
    giveToChild(dir.path(), 0755);
    test::writeBytes(dir / "out.bmp", kOld);
    giveToChild(dir / "out.bmp", 0644);
    const auto dieOnTheFileSizeLimit = [] {
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    EXPECT_EQ(inChild([&] { return write(dir / "out.bmp"); }, dieOnTheFileSizeLimit), -1);
    EXPECT_EQ(test::readBytes(dir / "out.bmp"), kOld);
    std::set<std::string> names = entries(dir.path());
    ASSERT_EQ(names.erase("out.bmp"), 1u);
    ASSERT_EQ(names.size(), 1u);
    const std::string& left = *names.begin();
    EXPECT_EQ(left.size(), kTemporaryPrefix.size() + 8 + 4) << left;
    EXPECT_TRUE(left.starts_with(kTemporaryPrefix) && left.ends_with(".tmp")) << left;
}

}  // namespace
}  // namespace pictrano
