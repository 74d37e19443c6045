#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/PathNames.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Strings = std::vector<std::string>;
using MainWindowTest = test::MainWindowFixture;

TEST_F(MainWindowTest, StartsOnBitmap24BitWithoutCompressionOrLimits) {
    EXPECT_EQ(dialog.itemTexts(ids::kOutputFormat), (Strings{"Bitmap", "Jpeg", "Png", "Icon"}));
    EXPECT_EQ(std::tuple(dialog.selection(ids::kOutputFormat), dialog.itemCount(ids::kColourFormat),
                         dialog.selection(ids::kColourFormat), dialog.itemTexts(ids::kCompression),
                         dialog.selection(ids::kCompression)),
              std::tuple(0, 8, 1, Strings{"(なし)"}, 0));  // entry 1 is "カラー 24bit RGB"
    EXPECT_EQ(std::tuple(dialog.isEnabled(ids::kDegreeCheck), dialog.isEnabled(ids::kDegreeList),
                         dialog.isChecked(ids::kMaxSizeCheck), dialog.isEnabled(ids::kMaxWidth),
                         dialog.isEnabled(ids::kMaxHeight), dialog.text(ids::kMaxWidth),
                         dialog.text(ids::kMaxHeight), dialog.text(ids::kClose)),
              std::tuple(false, false, false, false, false, "600", "600", "閉じる"));
}

// Each format's colour entries in order with their item data (format | model << 14 | bits << 8
// | compression flags), the first selected. Each entry offers the compressions of its flags; each
// compression sets the degree controls, leaving the box's check alone.
TEST_F(MainWindowTest, ListsDependOnTheChoicesAbove) {
    const std::pair<std::string, std::uint32_t> colours[] = {
        {"カラー 32bit RGB", 0x16001}, {"カラー 24bit RGB", 0x15801}, {"カラー 16bit RGB", 0x15001},
        {"カラー 8bit RGB", 0x14803}, {"カラー 4bit RGB", 0x14403}, {"モノクロ 8bit RGB", 0x10803},
        {"モノクロ 4bit RGB", 0x10403}, {"モノクロ 1bit RGB", 0x14101}, {"カラー 8bit YCbCr", 0x2880C},
        {"カラー 8bit RGB", 0x24808}, {"モノクロ 8bit Y", 0x2080C}, {"カラー 24bit RGB", 0x35811},
        {"カラー 8bit RGB", 0x34811}, {"カラー 4bit RGB", 0x34411}, {"モノクロ 8bit Y", 0x30811},
        {"モノクロ 4bit Y", 0x30411}, {"モノクロ 2bit Y", 0x30211}, {"モノクロ 1bit Y", 0x30111},
        {"カラー 24bit RGB", 0x45801}, {"カラー 8bit RGB", 0x44801}, {"カラー 4bit RGB", 0x44401},
        {"モノクロ 8bit RGB", 0x40801}, {"モノクロ 4bit RGB", 0x40401}, {"モノクロ 1bit RGB", 0x44101}};
    // Compression j has flag 1 << j; then the degree box's label (nullptr: box disabled), the
    // number of degree lines and the line selected.
    const std::tuple<std::string, const char*, int, std::string> compressions[] = {
        {"(なし)", nullptr, 0, ""}, {"RLE(Run Length Encode)", nullptr, 0, ""},
        {"基本DCT", "圧縮度(&D)", 99, "80:低品質"}, {"可逆圧縮", "予測器(&D)", 7, "1:Ra"},
        {"Deflate", "圧縮度(&D)", 18, "低圧縮(None)"}};
    // The degree controls after choosing compression j with the box checked or not.
    auto expectDegrees = [&](int j, bool checked) {
        const auto& [compression, label, lines, selected] = compressions[j];
        choose(ids::kCompression, compression);
        EXPECT_EQ(std::tuple(dialog.isEnabled(ids::kDegreeCheck),
                             dialog.isEnabled(ids::kDegreeList),
                             dialog.isChecked(ids::kDegreeCheck)),
                  std::tuple(label != nullptr, label && checked, checked)) << compression;
        if (label == nullptr) return;
        EXPECT_EQ(std::tuple(dialog.text(ids::kDegreeCheck), dialog.itemCount(ids::kDegreeList),
                             dialog.itemText(ids::kDegreeList, dialog.selection(ids::kDegreeList))),
                  std::tuple(label, lines, selected));
    };
    for (bool checked : {false, true}) {
        click(ids::kDegreeCheck, checked);
        for (std::uint32_t format = 1; format <= 4; ++format) {
            dialog.setSelection(ids::kOutputFormat, static_cast<int>(format - 1));
            window.onCommand(ids::kOutputFormat, kSelectionChanged);
            EXPECT_EQ(dialog.selection(ids::kColourFormat), 0);
            int i = 0;
            for (const auto& [name, data] : colours) {
                if (data >> 16 != format) continue;
                choose(ids::kColourFormat, name);
                Strings offered;
                for (int j = 0; j < 5; ++j)
                    if (data & 1u << j) offered.push_back(std::get<0>(compressions[j]));
                EXPECT_EQ(std::tuple(dialog.itemText(ids::kColourFormat, i),
                                     dialog.itemData(ids::kColourFormat, i),
                                     dialog.itemTexts(ids::kCompression)),
                          std::tuple(name, data, offered));
                EXPECT_EQ(dialog.selection(ids::kCompression), 0) << name;
                for (int j = 0; j < 5; ++j)
                    if (data & 1u << j) expectDegrees(j, checked);
                ++i;
            }
            EXPECT_EQ(dialog.itemCount(ids::kColourFormat), i);
        }
    }
    // The two check boxes enable their controls.
    for (bool on : {true, false}) {
        click(ids::kMaxSizeCheck, on);
        click(ids::kDegreeCheck, on);
        EXPECT_EQ(std::tuple(dialog.isEnabled(ids::kMaxWidth), dialog.isEnabled(ids::kMaxHeight),
                             dialog.isEnabled(ids::kDegreeList)), std::tuple(on, on, on));
    }
}

TEST_F(MainWindowTest, SourcesComeFromTheFileDialogAndDropsAndGoWhenSelected) {
    const std::string sep(1, kPathSeparator), dir = "/dir" + sep;
    // One chosen file is added as it is, even when listed.
    chooseFilesResult = [&] { return FileDialogResult{false, {dir + "a.bmp"}}; };
    window.onCommand(ids::kAddFiles);
    window.onCommand(ids::kMenuAddFiles);
    // A directory and names: joined with a separator unless the directory ends in one, and
    // added unless listed. Dropped files too are skipped when listed, by case and by prefix.
    window.addChosenFiles({"/dir", "A.BMP", "b.bmp"});
    window.addChosenFiles({dir, "c.bmp"});
    window.addChosenFiles({});  // cancelled
    chooseFilesResult = [] { return FileDialogResult{true, {}}; };  // more than the buffer holds
    window.onCommand(ids::kAddFiles);
    ASSERT_EQ(dialog.messageBoxes().size(), 1u);
    EXPECT_EQ(dialog.messageBoxes()[0].text, "ファイルが大きすぎます。指定できる最大数は 1,024 です。");
    EXPECT_EQ(dialog.messageBoxes()[0].icon, DialogControls::Icon::Warning);
    window.onDropFiles({dir + "a.bmp", "/DIR" + sep + "B.bmp", dir + "c", dir + "d", dir + "d"});
    const Strings listed = {dir + "a.bmp", dir + "a.bmp", dir + "b.bmp", dir + "c.bmp", dir + "d"};
    EXPECT_EQ(dialog.itemTexts(ids::kSourceList), listed);
    window.onCommand(ids::kRemoveFiles);  // nothing selected
    EXPECT_EQ(dialog.itemTexts(ids::kSourceList), listed);
    for (int index : {0, 2, 3}) dialog.setItemSelected(ids::kSourceList, index, true);
    window.onCommand(ids::kMenuRemoveFiles);
    EXPECT_EQ(dialog.itemTexts(ids::kSourceList), (Strings{dir + "a.bmp", dir + "d"}));
}

// The user plays with the window from inside the job's first file: only cancel counts, and the
// window refuses to close. Idle again, the commands work and closing saves the settings.
TEST_F(MainWindowTest, WhileRunningOnlyCancelCounts) {
    const std::string gone = test::TempDir().path().string();  // removed again at once
    for (const char* name : {"/one.bmp", "/two.bmp"}) dialog.addItem(ids::kSourceList, gone + name);
    dialog.setText(ids::kOutputDirectory, gone);
    chosenDirectory = "/out/dir";
    dialog.onItemAdded = [&, played = false](int id, const std::string& text) mutable {
        if (id != ids::kMessageList || played || !text.ends_with(" ...")) return;
        played = true;
        EXPECT_EQ(dialog.text(ids::kClose), "ｷｬﾝｾﾙ");
        dialog.setSelection(ids::kOutputFormat, 1);
        dialog.setItemSelected(ids::kSourceList, 0, true);
        window.onCommand(ids::kOutputFormat, kSelectionChanged);
        for (int command : {ids::kMenuVersion, ids::kMenuOptions, ids::kAddFiles, ids::kStart,
                            ids::kRemoveFiles, ids::kChooseDirectory, ids::kMenuExit})
            window.onCommand(command);
        window.onDropFiles({"/new.bmp"});
        EXPECT_FALSE(window.onClose());
        window.onCommand(ids::kClose);  // cancel
    };
    window.onCommand(ids::kStart);
    window.waitForJob();
    EXPECT_EQ(dialog.itemTexts(ids::kMessageList),
              (Strings{gone + "/one.bmp ...", "読み取りエラー : ファイルを開けません。",
                       "ユーザからのキャンセル要求がありました。",
                       "ファイル作成を完了しました。対象=1, 成功=0, 失敗=1"}));
    EXPECT_EQ(std::tuple(window.isRunning(), dialog.text(ids::kClose),
                         dialog.itemCount(ids::kColourFormat), dialog.itemCount(ids::kSourceList),
                         dialog.text(ids::kOutputDirectory), dialog.messageBoxes().size(),
                         optionsOpened, fileDialogs, closePosted, saveCount),
              std::tuple(false, "閉じる", 8, 2, gone, 0u, 0, 0, 0, 0));

    for (int command : {ids::kMenuVersion, ids::kMenuOptions, ids::kMenuChooseDirectory,
                        ids::kClose, ids::kMenuExit})
        window.onCommand(command);
    ASSERT_EQ(dialog.messageBoxes().size(), 1u);
    // Close and exit ask the window to close and stop the drops; the settings wait for onClose.
    EXPECT_EQ(std::tuple(optionsOpened, dialog.text(ids::kOutputDirectory), closePosted, saveCount,
                         dropStates, dialog.messageBoxes()[0].text, dialog.messageBoxes()[0].icon),
              std::tuple(1, "/out/dir", 2, 0, std::vector<bool>{true, false, false},
                         "Tovami Pictrano version 1.1", DialogControls::Icon::Information));
    EXPECT_TRUE(window.onClose());
    EXPECT_EQ(saveCount, 1);

    // A window destroyed while its job may still run stops and joins it.
    dialog.clearItems(ids::kMessageList);
    MainWindow(dialog, options).onCommand(ids::kStart);
    const Strings lines = dialog.itemTexts(ids::kMessageList);
    EXPECT_TRUE(!lines.empty() && lines.back().starts_with("ファイル作成を完了しました。"));
}

}  // namespace
}  // namespace pictrano
