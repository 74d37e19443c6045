// The main window under the driver: starting state, dependent lists, adding and removing files,
// a conversion with its message lines and output files, a cancelled run, the message boxes, and
// the window settings kept in the registry across a restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <filesystem>

#include "app/ControlIds.h"
#include "app/ControlDeclarations.h"
#include "app/win32/WideText.h"
#include "app/win32/WindowThread.h"
#include "imagelib/front/ImageLoader.h"
#include "platform/WholeFile.h"
#include "tests/support/BmpFile.h"
#include "tests/support/TestData.h"
#include "tests/win32/support/DialogHost.h"
#include "tests/win32-driver/DriverFixture.h"

namespace pictrano::driver {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using test::dwordBytes;
using test::readRawValue;
using test::stringBytes;
using test::writeRawValue;

std::string summary(int attempted, int succeeded, int failed) {
    return "ファイル作成を完了しました。対象=" + std::to_string(attempted) +
           ", 成功=" + std::to_string(succeeded) + ", 失敗=" + std::to_string(failed);
}

std::string utf8(const fs::path& path) { return narrow(path.wstring()); }

// A 24-bit Bitmap file of a colour gradient, large enough that converting it takes a while.
void writeGradient(const fs::path& path, int width, int height) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    test::BmpFile file{.width = width, .height = height, .bitCount = 24,
                       .data = std::vector<std::uint8_t>(stride * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = &file.data[stride * y + 3 * x];
            pixel[0] = static_cast<std::uint8_t>(x * 255 / width);
            pixel[1] = static_cast<std::uint8_t>(y * 255 / height);
            pixel[2] = static_cast<std::uint8_t>((x + y) & 0xFF);
        }
    }
    test::writeBytes(path, test::bytesOf(file));
}

TEST_F(DriverTest, StartingStateAndClosingWritesTheRegistry) {
    RunningProgram& p = start();
    EXPECT_EQ(test::windowTextOf(p.window()), "イメージファイル一括変換");
    EXPECT_EQ(items(ids::kOutputFormat), (Strings{"Bitmap", "Jpeg", "Png", "Icon"}));
    EXPECT_EQ(selectedText(ids::kOutputFormat), "Bitmap");
    EXPECT_EQ(items(ids::kColourFormat).size(), 8u);
    EXPECT_EQ(selectedText(ids::kColourFormat), "カラー 24bit RGB");
    EXPECT_EQ(items(ids::kCompression), Strings{"(なし)"});
    Win32Dialog& c = p.controls();
    EXPECT_FALSE(c.isEnabled(ids::kDegreeCheck));
    EXPECT_FALSE(c.isEnabled(ids::kDegreeList));
    EXPECT_EQ(c.text(ids::kMaxWidth), "600");
    EXPECT_EQ(c.text(ids::kMaxHeight), "600");
    EXPECT_FALSE(c.isEnabled(ids::kMaxWidth));
    EXPECT_FALSE(c.isEnabled(ids::kMaxHeight));
    EXPECT_EQ(c.text(ids::kOutputDirectory), "");
    EXPECT_EQ(c.text(ids::kClose), kCloseText);
    EXPECT_NE(SendMessageW(p.window(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_NE(SendMessageW(p.window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(clippedTexts(p.window()), Strings{});
    screenshot(p.window(), "main-window");

    RECT placed{};
    GetWindowRect(p.window(), &placed);
    closeProgram();
    for (const wchar_t* name : {L"JpegReadDCTColor", L"JpegReadLLColor", L"JpegWriteDCTSF",
                                L"JpegWriteLLSF", L"JpegDRIOn", L"JpegDRI", L"IconTransColor",
                                L"IconTransColorF", L"IconTrans", L"Left", L"Top"}) {
        const auto value = readRawValue(kProgramKey, name);
        ASSERT_TRUE(value) << narrow(name);
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_DWORD)) << narrow(name);
    }
    EXPECT_EQ(readRawValue(kProgramKey, L"Left")->bytes, dwordBytes(placed.left));
    EXPECT_EQ(readRawValue(kProgramKey, L"Top")->bytes, dwordBytes(placed.top));
    EXPECT_EQ(readRawValue(kProgramKey, L"JpegDRI")->bytes, dwordBytes(64));
    EXPECT_EQ(readRawValue(kProgramKey, L"OutDir")->bytes, stringBytes(L""));
    EXPECT_FALSE(readRawValue(kProgramKey, L"ColorTable"));
}

TEST_F(DriverTest, DependentListsFollowEachChoice) {
    RunningProgram& p = start();
    Win32Dialog& c = p.controls();
    p.choose(ids::kOutputFormat, "Jpeg");
    EXPECT_EQ(selectedText(ids::kColourFormat), "カラー 8bit YCbCr");
    EXPECT_EQ(items(ids::kCompression), (Strings{"基本DCT", "可逆圧縮"}));
    EXPECT_TRUE(c.isEnabled(ids::kDegreeCheck));
    EXPECT_FALSE(c.isEnabled(ids::kDegreeList));
    EXPECT_EQ(c.text(ids::kDegreeCheck), kQualityLabel);
    EXPECT_EQ(c.itemCount(ids::kDegreeList), 99);
    EXPECT_EQ(selectedText(ids::kDegreeList), "80:低品質");
    p.click(ids::kDegreeCheck);  // a real click: the box checks itself and tells the window
    EXPECT_TRUE(c.isChecked(ids::kDegreeCheck));
    EXPECT_TRUE(c.isEnabled(ids::kDegreeList));

    p.choose(ids::kCompression, "可逆圧縮");
    EXPECT_EQ(c.text(ids::kDegreeCheck), kPredictorLabel);
    EXPECT_EQ(items(ids::kDegreeList).front(), "1:Ra");
    EXPECT_EQ(c.itemCount(ids::kDegreeList), 7);
    EXPECT_TRUE(c.isEnabled(ids::kDegreeList));

    p.choose(ids::kOutputFormat, "Png");
    EXPECT_EQ(items(ids::kCompression), (Strings{"(なし)", "Deflate"}));
    EXPECT_FALSE(c.isEnabled(ids::kDegreeCheck));
    p.choose(ids::kCompression, "Deflate");
    EXPECT_EQ(c.itemCount(ids::kDegreeList), 18);
    EXPECT_EQ(selectedText(ids::kDegreeList), "低圧縮(None)");
    EXPECT_TRUE(c.isEnabled(ids::kDegreeList));  // the box kept its check
    p.choose(ids::kCompression, "(なし)");
    EXPECT_FALSE(c.isEnabled(ids::kDegreeCheck));
    EXPECT_FALSE(c.isEnabled(ids::kDegreeList));

    p.click(ids::kMaxSizeCheck);
    EXPECT_TRUE(c.isEnabled(ids::kMaxWidth));
    EXPECT_TRUE(c.isEnabled(ids::kMaxHeight));
    EXPECT_EQ(SendDlgItemMessageW(p.window(), ids::kMaxWidth, EM_GETLIMITTEXT, 0, 0), 4);
}

// Drops and the file dialog's multiple selection skip listed paths (ignoring case, and paths
// that begin a listed one); removal takes exactly the selected entries.
TEST_F(DriverTest, AddingAndRemovingSourceFiles) {
    test::TempDir dir;
    const std::wstring folder = dir.path().wstring();
    for (const wchar_t* name : {L"a.bmp", L"写真.bmp", L"c.bmp"}) {
        test::writeBytes(dir.path() / name, {1});
    }
    RunningProgram& p = start();
    const std::wstring a = folder + L"\\a.bmp", photo = folder + L"\\写真.bmp";
    p.drop({a, photo});
    p.drop({folder + L"\\A.BMP", folder + L"\\写", photo});
    EXPECT_EQ(items(ids::kSourceList), (Strings{narrow(a), narrow(photo)}));

    // The file dialog: go to the folder, then choose two files, one of them listed already.
    p.postCommand(ids::kAddFiles);
    HWND files = findDialog(p.threadId(), "ファイル追加", p.window());
    ASSERT_NE(files, nullptr) << "no file dialog";
    constexpr int kFileNameBox = 0x47C;  // the dialog's file-name combo box (cmb13)
    SetDlgItemTextW(files, kFileNameBox, folder.c_str());
    SendMessageW(files, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SetDlgItemTextW(files, kFileNameBox, L"\"c.bmp\" \"写真.bmp\"");
    pressButton(files, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(files); })) << "the file dialog stayed";
    EXPECT_EQ(items(ids::kSourceList),
              (Strings{narrow(a), narrow(photo), narrow(folder + L"\\c.bmp")}));

    // Removal with nothing selected changes nothing; then the first and last go.
    p.sendCommand(ids::kRemoveFiles);
    EXPECT_EQ(p.controls().itemCount(ids::kSourceList), 3);
    p.controls().setItemSelected(ids::kSourceList, 0, true);
    p.controls().setItemSelected(ids::kSourceList, 2, true);
    p.sendCommand(ids::kMenuRemoveFiles);
    EXPECT_EQ(items(ids::kSourceList), Strings{narrow(photo)});
}

// A run into a folder with a Japanese name: one line per file, a reading error for the file
// that is no picture, the summary, and the output files under the source names.
TEST_F(DriverTest, ConversionWritesItsLinesAndFiles) {
    test::TempDir dir;
    const fs::path sources = dir.path() / L"元画像";
    const fs::path output = dir.path() / L"変換後";
    fs::create_directories(sources);
    fs::create_directories(output);
    fs::copy_file(test::dataPath("bmpsuite/g/rgb24.bmp"), sources / L"風景.bmp");
    fs::copy_file(test::dataPath("bmpsuite/g/pal8.bmp"), sources / L"pal8.bmp");
    test::writeBytes(sources / L"メモ.bmp", {'h', 'e', 'l', 'l', 'o'});
    RunningProgram& p = start();
    p.drop({(sources / L"風景.bmp").wstring(), (sources / L"メモ.bmp").wstring(),
            (sources / L"pal8.bmp").wstring()});
    p.controls().setText(ids::kOutputDirectory, utf8(output));
    p.choose(ids::kColourFormat, "カラー 8bit RGB");
    p.click(ids::kStart);
    ASSERT_TRUE(waitUntil([&] { return !p.isRunningJob(); }));
    const Strings expected = {utf8(sources / L"風景.bmp") + " ...",
                              utf8(sources / L"メモ.bmp") + " ...",
                              "読み取りエラー : サポートされていないファイル形式です。",
                              utf8(sources / L"pal8.bmp") + " ...", summary(3, 2, 1)};
    EXPECT_EQ(items(ids::kMessageList), expected);
    EXPECT_EQ(p.controls().selection(ids::kMessageList), 4);
    EXPECT_EQ(p.controls().text(ids::kClose), kCloseText);
    for (const wchar_t* name : {L"風景.bmp", L"pal8.bmp"}) {
        std::unique_ptr<DibImage> image = ImageLoader().loadFile(utf8(output / name));
        EXPECT_TRUE(image) << utf8(output / name);
    }
    EXPECT_FALSE(fs::exists(output / L"メモ.bmp"));
}

// While a job runs, the window refuses to close, ignores the menu and drops, and its close
// button, now "ｷｬﾝｾﾙ", stops the job after the file in hand.
TEST_F(DriverTest, RunningJobIgnoresCommandsUntilCancelled) {
    test::TempDir dir;
    constexpr int kFiles = 40;
    std::vector<std::wstring> paths;
    for (int i = 0; i < kFiles; ++i) {
        const fs::path path = dir.path() / (L"大" + std::to_wstring(i) + L".bmp");
        writeGradient(path, 900, 900);
        paths.push_back(path.wstring());
    }
    RunningProgram& p = start();
    p.drop(paths);
    p.controls().setText(ids::kOutputDirectory, utf8(dir.path()));
    p.choose(ids::kColourFormat, "カラー 8bit RGB");
    p.click(ids::kStart);
    ASSERT_TRUE(waitUntil([&] { return p.controls().text(ids::kClose) == kCancelText; }));

    PostMessageW(p.window(), WM_CLOSE, 0, 0);
    p.postCommand(ids::kMenuVersion);
    p.drop({paths.front() + L".copy"});
    Sleep(300);
    EXPECT_TRUE(IsWindow(p.window()));
    EXPECT_EQ(findDialog(p.threadId(), "Pictrano", p.window(), 300ms), nullptr);
    EXPECT_EQ(p.controls().itemCount(ids::kSourceList), kFiles);
    EXPECT_TRUE(p.isRunningJob());

    p.sendCommand(IDCANCEL);  // the close button's command, which Esc also gives
    ASSERT_TRUE(waitUntil([&] { return !p.isRunningJob(); }, 60s));
    const Strings lines = items(ids::kMessageList);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2], "ユーザからのキャンセル要求がありました。");
    EXPECT_TRUE(lines.back().rfind("ファイル作成を完了しました。対象=", 0) == 0) << lines.back();
    EXPECT_LT(lines.size(), static_cast<std::size_t>(kFiles + 2));
    EXPECT_EQ(p.controls().text(ids::kClose), kCloseText);
    closeProgram();
}

// The checks that stop a job, and the version box, are message boxes captioned "Pictrano".
TEST_F(DriverTest, MessageBoxes) {
    RunningProgram& p = start();
    const struct {
        std::function<void()> action;
        std::string text;
    } boxes[] = {
        {[&] { p.postCommand(ids::kStart); }, "変換対象がありません。"},
        {[&] { p.postCommand(ids::kMenuVersion); }, "Tovami Pictrano version 1.1"},
        {[&] {
             p.drop({L"C:\\a.bmp"});
             p.click(ids::kMaxSizeCheck);
             p.controls().setText(ids::kMaxWidth, "0");
             p.postCommand(ids::kStart);
         },
         "サイズは 1 ～ 9999 の範囲で指定してください。"},
    };
    for (const auto& box : boxes) {
        box.action();
        HWND shown = findDialog(p.threadId(), "Pictrano", p.window());
        ASSERT_NE(shown, nullptr) << box.text;
        EXPECT_EQ(staticTexts(shown), box.text);
        EXPECT_EQ(GetWindow(shown, GW_OWNER), p.window());
        pressButton(shown, IDOK);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(shown) && !p.isRunningJob(); }));
    }
    HWND focus = nullptr;
    runOnWindowThread(p.window(), [&] { focus = GetFocus(); });
    EXPECT_EQ(focus, GetDlgItem(p.window(), ids::kMaxWidth));
}

// A restart puts the window where it was and shows the stored output directory; a stored
// position on no monitor, or a Left without a Top, leaves the window where the dialog put it.
// Reopening never changes the window's size.
TEST_F(DriverTest, RestartReadsTheWindowSettingsBack) {
    RECT first{};
    {
        RunningProgram& p = start();
        GetWindowRect(p.window(), &first);
        MoveWindow(p.window(), 37, 41, first.right - first.left, first.bottom - first.top, TRUE);
        p.controls().setText(ids::kOutputDirectory, "C:\\出力\\写真");
        closeProgram();
    }
    for (int run = 0; run < 2; ++run) {
        RunningProgram& p = start();
        RECT rect{};
        GetWindowRect(p.window(), &rect);
        EXPECT_EQ(std::pair(rect.left, rect.top), std::pair(37L, 41L)) << run;
        EXPECT_EQ(rect.right - rect.left, first.right - first.left) << run;
        EXPECT_EQ(rect.bottom - rect.top, first.bottom - first.top) << run;
        EXPECT_EQ(p.controls().text(ids::kOutputDirectory), "C:\\出力\\写真");
        closeProgram();
    }
    writeRawValue(kProgramKey, L"Left", REG_DWORD, dwordBytes(static_cast<std::uint32_t>(-90000)));
    {
        RunningProgram& p = start();
        RECT rect{};
        GetWindowRect(p.window(), &rect);
        EXPECT_EQ(std::pair(rect.left, rect.top), std::pair(first.left, first.top));
        program.reset();
    }
}

}  // namespace
}  // namespace pictrano::driver
