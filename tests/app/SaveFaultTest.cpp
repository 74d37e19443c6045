// Saving under injected faults: the C library's open, write and rename are replaced in this test
// program by forms that pass every call through, except the one call a test arms, which fails
// on a temporary file of writeWholeFile as a full disk or a failing device would.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string_view>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ConversionJob.h"
#include "platform/WholeFile.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/TestData.h"

namespace {

enum class SaveStep { None, CreateTemporary, WriteTemporary, Rename };

// The step that fails next (once), and the descriptor of the temporary being written.
std::atomic<SaveStep> armed{SaveStep::None};
std::atomic<int> temporaryDescriptor{-1};

bool isTemporary(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return std::string_view(slash == nullptr ? path : slash + 1).starts_with(pictrano::kTemporaryPrefix);
}

bool fire(SaveStep step) {
    SaveStep expected = step;
    return armed.compare_exchange_strong(expected, SaveStep::None);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    const bool temporary = isTemporary(path);
    if (temporary && fire(SaveStep::CreateTemporary)) {
        errno = ENOSPC;
        return -1;
    }
    const int fd = static_cast<int>(::syscall(SYS_openat, AT_FDCWD, path, flags, mode));
    if (temporary) temporaryDescriptor = fd;
    return fd;
}

// The armed write takes kRoomLeft bytes of the temporary, then finds the disk full.
constexpr std::size_t kRoomLeft = 100;
std::atomic<std::size_t> roomLeft{kRoomLeft};

extern "C" ssize_t write(int fd, const void* data, size_t size) {
    if (fd >= 0 && fd == temporaryDescriptor && armed == SaveStep::WriteTemporary) {
        if (roomLeft == 0) {
            fire(SaveStep::WriteTemporary);
            roomLeft = kRoomLeft;
            errno = ENOSPC;
            return -1;
        }
        size = std::min<std::size_t>(size, roomLeft);
        roomLeft -= size;
    }
    return ::syscall(SYS_write, fd, data, size);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    if (isTemporary(from) && fire(SaveStep::Rename)) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to));
}

namespace pictrano {
namespace {

namespace fs = std::filesystem;

class SaveFaults : public test::MainWindowFixture {};

// A job over two Bitmaps whose first output exists already. The armed step fails the first
// save: the job reports it and converts the second; the old file keeps its bytes and no
// temporary is left beside it.
TEST_F(SaveFaults, AFailedStepKeepsTheOldFileAndTheJobGoesOn) {
    const test::TempDir out;
    const std::string first = test::dataPath("bmpsuite/g/rgb24.bmp").string();
    const std::string second = test::dataPath("bmpsuite/g/pal1.bmp").string();
    dialog.addItem(ids::kSourceList, first);
    dialog.addItem(ids::kSourceList, second);
    dialog.setText(ids::kOutputDirectory, out.path().string());
    const std::vector<std::uint8_t> old(100, 0xAB);
    const struct {
        SaveStep step;
        const char* message;
    } cases[] = {{SaveStep::CreateTemporary, "ファイルを開けません。"},
                 {SaveStep::WriteTemporary, "ファイルに書き込めません。"},
                 {SaveStep::Rename, "ファイルに書き込めません。"}};
    for (const auto& [step, message] : cases) {
        SCOPED_TRACE(message);
        fs::remove(out / "pal1.bmp");
        test::writeBytes(out / "rgb24.bmp", old);
        armed = step;
        std::atomic<std::int32_t> running{1}, cancel{0};
        EXPECT_EQ(runConversionJob(JobParams{&dialog, &running, &cancel, &options, nullptr, {}}), 1);
        EXPECT_EQ(armed, SaveStep::None) << "the fault was not met";
        EXPECT_EQ(dialog.itemTexts(ids::kMessageList),
                  (std::vector<std::string>{first + " ...", std::string("変換エラー : ") + message,
                                            second + " ...",
                                            "ファイル作成を完了しました。対象=2, 成功=1, 失敗=1"}));
        EXPECT_EQ(test::readBytes(out / "rgb24.bmp"), old);
        EXPECT_EQ(test::filesUnder(out.path()),
                  (std::vector<fs::path>{out / "pal1.bmp", out / "rgb24.bmp"}));
    }
}

}  // namespace
}  // namespace pictrano
