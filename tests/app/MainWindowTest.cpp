#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <new>
#include <string>
#include <vector>

#include "app/PathNames.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Strings = std::vector<std::string>;
using test::MainWindowFixture;

using MainWindowStart = MainWindowFixture;
using MainWindowLists = MainWindowFixture;
using MainWindowSources = MainWindowFixture;
using MainWindowCommands = MainWindowFixture;

const Strings kBitmapColours = {"カラー 32bit RGB", "カラー 24bit RGB", "カラー 16bit RGB",
                                "カラー 8bit RGB",  "カラー 4bit RGB",  "モノクロ 8bit RGB",
                                "モノクロ 4bit RGB", "モノクロ 1bit RGB"};

TEST_F(MainWindowStart, ShowsBitmap24BitWithoutCompressionOrLimits) {
    EXPECT_EQ(dialog.itemTexts(ids::kOutputFormat), (Strings{"Bitmap", "Jpeg", "Png", "Icon"}));
    EXPECT_EQ(selectedText(ids::kOutputFormat), "Bitmap");
    EXPECT_EQ(dialog.itemTexts(ids::kColourFormat), kBitmapColours);
    EXPECT_EQ(selectedText(ids::kColourFormat), "カラー 24bit RGB");
    EXPECT_EQ(dialog.itemTexts(ids::kCompression), Strings{"(なし)"});
    EXPECT_EQ(selectedText(ids::kCompression), "(なし)");
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeCheck));
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeList));
    EXPECT_FALSE(dialog.isChecked(ids::kMaxSizeCheck));
    EXPECT_EQ(dialog.text(ids::kMaxWidth), "600");
    EXPECT_EQ(dialog.text(ids::kMaxHeight), "600");
    EXPECT_FALSE(dialog.isEnabled(ids::kMaxWidth));
    EXPECT_FALSE(dialog.isEnabled(ids::kMaxHeight));
    EXPECT_EQ(dialog.text(ids::kClose), "閉じる");
    EXPECT_EQ(dropStates, std::vector<bool>{true});
    EXPECT_FALSE(window.isRunning());
}

TEST(MainWindowRestore, RestoresSettingsAfterTheListsAndBeforeTheFinalSelection) {
    MemoryDialog dialog(mainWindowControls());
    OptionStore options;
    MainWindowHooks hooks;
    int formatsSeen = -1;
    hooks.loadWindowSettings = [&] {
        formatsSeen = dialog.itemCount(ids::kOutputFormat);
        dialog.setText(ids::kOutputDirectory, "/restored");
        dialog.setSelection(ids::kOutputFormat, 2);  // whatever it did, Bitmap comes back
    };
    MainWindow window(dialog, options, hooks);
    window.initialise();
    EXPECT_EQ(formatsSeen, 4);
    EXPECT_EQ(dialog.text(ids::kOutputDirectory), "/restored");
    EXPECT_EQ(dialog.selection(ids::kOutputFormat), 0);
    EXPECT_EQ(dialog.itemTexts(ids::kColourFormat), kBitmapColours);
    EXPECT_EQ(dialog.selection(ids::kColourFormat), 1);
}

TEST_F(MainWindowLists, EachFormatOffersItsColourFormatsFirstSelected) {
    const std::pair<const char*, Strings> formats[] = {
        {"Jpeg", {"カラー 8bit YCbCr", "カラー 8bit RGB", "モノクロ 8bit Y"}},
        {"Png",
         {"カラー 24bit RGB", "カラー 8bit RGB", "カラー 4bit RGB", "モノクロ 8bit Y",
          "モノクロ 4bit Y", "モノクロ 2bit Y", "モノクロ 1bit Y"}},
        {"Icon",
         {"カラー 24bit RGB", "カラー 8bit RGB", "カラー 4bit RGB", "モノクロ 8bit RGB",
          "モノクロ 4bit RGB", "モノクロ 1bit RGB"}},
        {"Bitmap", kBitmapColours},
    };
    for (const auto& [format, colours] : formats) {
        choose(ids::kOutputFormat, format);
        EXPECT_EQ(dialog.itemTexts(ids::kColourFormat), colours) << format;
        EXPECT_EQ(dialog.selection(ids::kColourFormat), 0) << format;
    }
}

TEST_F(MainWindowLists, EachColourFormatOffersItsCompressions) {
    const Strings none = {"(なし)"};
    const Strings rle = {"(なし)", "RLE(Run Length Encode)"};
    const Strings deflate = {"(なし)", "Deflate"};
    const Strings dct = {"基本DCT", "可逆圧縮"};
    const std::pair<const char*, std::vector<Strings>> formats[] = {
        {"Bitmap", {none, none, none, rle, rle, rle, rle, none}},
        {"Jpeg", {dct, {"可逆圧縮"}, dct}},
        {"Png", {deflate, deflate, deflate, deflate, deflate, deflate, deflate}},
        {"Icon", {none, none, none, none, none, none}},
    };
    for (const auto& [format, compressions] : formats) {
        choose(ids::kOutputFormat, format);
        ASSERT_EQ(dialog.itemCount(ids::kColourFormat), static_cast<int>(compressions.size()));
        for (std::size_t i = 0; i < compressions.size(); ++i) {
            dialog.setSelection(ids::kColourFormat, static_cast<int>(i));
            window.onCommand(ids::kColourFormat, kSelectionChanged);
            EXPECT_EQ(dialog.itemTexts(ids::kCompression), compressions[i]) << format << i;
            EXPECT_EQ(dialog.selection(ids::kCompression), 0);
        }
    }
}

TEST_F(MainWindowLists, JpegOffersQualityThenPredictor) {
    choose(ids::kOutputFormat, "Jpeg");
    EXPECT_EQ(selectedText(ids::kColourFormat), "カラー 8bit YCbCr");
    EXPECT_EQ(selectedText(ids::kCompression), "基本DCT");
    EXPECT_TRUE(dialog.isEnabled(ids::kDegreeCheck));
    EXPECT_EQ(dialog.text(ids::kDegreeCheck), "圧縮度(&D)");
    EXPECT_EQ(dialog.itemCount(ids::kDegreeList), 99);
    EXPECT_EQ(selectedText(ids::kDegreeList), "80:低品質");
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeList));  // the box is not checked

    click(ids::kDegreeCheck, true);
    EXPECT_TRUE(dialog.isEnabled(ids::kDegreeList));

    choose(ids::kCompression, "可逆圧縮");
    EXPECT_EQ(dialog.text(ids::kDegreeCheck), "予測器(&D)");
    EXPECT_EQ(dialog.itemCount(ids::kDegreeList), 7);
    EXPECT_EQ(selectedText(ids::kDegreeList), "1:Ra");
    EXPECT_TRUE(dialog.isEnabled(ids::kDegreeList));  // checked and enabled

    click(ids::kDegreeCheck, false);
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeList));
}

TEST_F(MainWindowLists, PngDeflateAndNoneSwitchTheDegreeControls) {
    click(ids::kDegreeCheck, true);
    choose(ids::kOutputFormat, "Png");
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeCheck));  // "(なし)" comes first
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeList));

    choose(ids::kCompression, "Deflate");
    EXPECT_TRUE(dialog.isEnabled(ids::kDegreeCheck));
    EXPECT_TRUE(dialog.isEnabled(ids::kDegreeList));
    EXPECT_EQ(dialog.text(ids::kDegreeCheck), "圧縮度(&D)");
    EXPECT_EQ(dialog.itemCount(ids::kDegreeList), 18);
    EXPECT_EQ(selectedText(ids::kDegreeList), "低圧縮(None)");

    choose(ids::kCompression, "(なし)");
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeCheck));
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeList));
    EXPECT_TRUE(dialog.isChecked(ids::kDegreeCheck));  // the updates never touch the check

    choose(ids::kOutputFormat, "Bitmap");
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeCheck));
    EXPECT_TRUE(dialog.isChecked(ids::kDegreeCheck));
}

TEST_F(MainWindowLists, OtherNotificationsOfTheCombosChangeNothing) {
    dialog.setSelection(ids::kOutputFormat, 1);
    window.onCommand(ids::kOutputFormat, 7);  // e.g. a drop-down opening
    EXPECT_EQ(dialog.itemTexts(ids::kColourFormat), kBitmapColours);
}

TEST_F(MainWindowCommands, CheckBoxesEnableTheirControls) {
    click(ids::kMaxSizeCheck, true);
    EXPECT_TRUE(dialog.isEnabled(ids::kMaxWidth));
    EXPECT_TRUE(dialog.isEnabled(ids::kMaxHeight));
    click(ids::kMaxSizeCheck, false);
    EXPECT_FALSE(dialog.isEnabled(ids::kMaxWidth));
    EXPECT_FALSE(dialog.isEnabled(ids::kMaxHeight));

    click(ids::kDegreeCheck, true);
    EXPECT_TRUE(dialog.isEnabled(ids::kDegreeList));
    click(ids::kDegreeCheck, false);
    EXPECT_FALSE(dialog.isEnabled(ids::kDegreeList));
}

TEST_F(MainWindowSources, SingleFileIsAddedEvenWhenListed) {
    chooseFilesResult = [] { return FileDialogResult{false, {"/pics/a.bmp"}}; };
    window.onCommand(ids::kAddFiles);
    window.onCommand(ids::kMenuAddFiles);
    EXPECT_EQ(dialog.itemTexts(ids::kSourceList), (Strings{"/pics/a.bmp", "/pics/a.bmp"}));
}

TEST_F(MainWindowSources, MultipleFilesJoinTheDirectoryAndSkipListedOnes) {
    const std::string sep(1, kPathSeparator);
    dialog.addItem(ids::kSourceList, "/pics" + sep + "B.BMP");
    window.addChosenFiles({"/pics", "a.bmp", "b.bmp", "c.bmp"});
    window.addChosenFiles({"/other" + sep, "a.bmp"});
    EXPECT_EQ(dialog.itemTexts(ids::kSourceList),
              (Strings{"/pics" + sep + "B.BMP", "/pics" + sep + "a.bmp", "/pics" + sep + "c.bmp",
                       "/other" + sep + "a.bmp"}));
    window.addChosenFiles({});  // cancelled
    EXPECT_EQ(dialog.itemCount(ids::kSourceList), 4);
}

TEST_F(MainWindowSources, DroppedFilesSkipListedOnesByCaseAndPrefix) {
    dialog.addItem(ids::kSourceList, "/pics/Photo.bmp");
    window.onDropFiles({"/pics/Photo.bmp", "/PICS/photo.BMP", "/pics/Photo", "/pics/new.bmp",
                        "/pics/new.bmp"});
    EXPECT_EQ(dialog.itemTexts(ids::kSourceList), (Strings{"/pics/Photo.bmp", "/pics/new.bmp"}));
}

TEST_F(MainWindowSources, FileDialogFailuresShowTheirMessages) {
    chooseFilesResult = [] { return FileDialogResult{true, {}}; };
    window.onCommand(ids::kAddFiles);
    chooseFilesResult = []() -> FileDialogResult { throw std::bad_alloc(); };
    window.onCommand(ids::kAddFiles);
    const auto boxes = dialog.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "ファイルが大きすぎます。指定できる最大数は 1,024 です。");
    EXPECT_EQ(boxes[0].icon, DialogControls::Icon::Warning);
    EXPECT_EQ(boxes[1].text, "バッファを確保できません。");
    EXPECT_EQ(boxes[1].icon, DialogControls::Icon::Error);
    EXPECT_EQ(dialog.itemCount(ids::kSourceList), 0);
}

TEST_F(MainWindowSources, RemoveDeletesExactlyTheSelectedEntries) {
    window.onDropFiles({"/a", "/b", "/c", "/d", "/e"});
    window.onCommand(ids::kRemoveFiles);
    EXPECT_EQ(dialog.itemCount(ids::kSourceList), 5);
    for (int index : {0, 2, 3}) dialog.setItemSelected(ids::kSourceList, index, true);
    window.onCommand(ids::kMenuRemoveFiles);
    EXPECT_EQ(dialog.itemTexts(ids::kSourceList), (Strings{"/b", "/e"}));
    // The last entries selected: deleting from the end keeps the indices valid.
    dialog.setItemSelected(ids::kSourceList, 0, true);
    dialog.setItemSelected(ids::kSourceList, 1, true);
    window.onCommand(ids::kRemoveFiles);
    EXPECT_EQ(dialog.itemCount(ids::kSourceList), 0);
}

TEST_F(MainWindowCommands, MenuAndDirectoryCommands) {
    window.onCommand(ids::kMenuVersion);
    const auto boxes = dialog.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Tovami Pictrano version 1.1");
    EXPECT_EQ(boxes[0].icon, DialogControls::Icon::Information);

    window.onCommand(ids::kMenuOptions);
    EXPECT_EQ(optionsOpened, 1);

    chosenDirectory = "/out/dir";
    window.onCommand(ids::kChooseDirectory);
    EXPECT_EQ(dialog.text(ids::kOutputDirectory), "/out/dir");
    chosenDirectory.reset();
    window.onCommand(ids::kMenuChooseDirectory);
    EXPECT_EQ(dialog.text(ids::kOutputDirectory), "/out/dir");
}

TEST_F(MainWindowCommands, CloseStopsDropsAndSavesWhenIdle) {
    window.onCommand(ids::kClose);
    EXPECT_EQ(closePosted, 1);
    EXPECT_EQ(dropStates, (std::vector<bool>{true, false}));
    window.onCommand(ids::kMenuExit);
    EXPECT_EQ(closePosted, 2);
    EXPECT_EQ(saveCount, 0);
    EXPECT_TRUE(window.onClose());
    EXPECT_EQ(saveCount, 1);
}

// The job is held inside its first file while the test plays the user; only cancel counts.
TEST_F(MainWindowCommands, WhileRunningOnlyCancelCounts) {
    test::TempDir temp;
    for (const char* name : {"one.txt", "two.txt"}) {
        test::writeBytes(temp / name, {'n', 'o'});
        dialog.addItem(ids::kSourceList, (temp / name).string());
    }
    dialog.setText(ids::kOutputDirectory, temp.path().string());
    std::promise<void> reached;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool held = false;
    dialog.onItemAdded = [&](int id, const std::string& text) {
        if (id != ids::kMessageList || held || !text.ends_with(" ...")) return;
        held = true;
        reached.set_value();
        released.wait();
    };
    int dialogsShown = 0;
    chooseFilesResult = [&] { ++dialogsShown; return FileDialogResult{}; };

    window.onCommand(ids::kStart);
    const bool inJob = reached.get_future().wait_for(std::chrono::seconds(20)) ==
                       std::future_status::ready;
    EXPECT_TRUE(inJob);
    EXPECT_TRUE(window.isRunning());
    EXPECT_EQ(dialog.text(ids::kClose), "ｷｬﾝｾﾙ");

    dialog.setSelection(ids::kOutputFormat, 1);
    window.onCommand(ids::kOutputFormat, kSelectionChanged);
    EXPECT_EQ(dialog.itemTexts(ids::kColourFormat), kBitmapColours);
    window.onCommand(ids::kMenuVersion);
    window.onCommand(ids::kMenuOptions);
    window.onCommand(ids::kAddFiles);
    dialog.setItemSelected(ids::kSourceList, 0, true);
    window.onCommand(ids::kRemoveFiles);
    window.onDropFiles({"/new.bmp"});
    window.onCommand(ids::kMenuExit);
    window.onCommand(ids::kStart);
    EXPECT_FALSE(window.onClose());
    EXPECT_TRUE(dialog.messageBoxes().empty());
    EXPECT_EQ(optionsOpened, 0);
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_EQ(dialog.itemCount(ids::kSourceList), 2);
    EXPECT_EQ(closePosted, 0);
    EXPECT_EQ(saveCount, 0);

    window.onCommand(ids::kClose);  // cancel
    release.set_value();
    window.waitForJob();
    EXPECT_FALSE(window.isRunning());
    EXPECT_EQ(dialog.text(ids::kClose), "閉じる");
    EXPECT_EQ(dialog.itemTexts(ids::kMessageList),
              (Strings{(temp / "one.txt").string() + " ...",
                       "読み取りエラー : サポートされていないファイル形式です。",
                       "ユーザからのキャンセル要求がありました。",
                       "ファイル作成を完了しました。対象=1, 成功=0, 失敗=1"}));

    window.onCommand(ids::kMenuVersion);  // idle again: commands work
    EXPECT_EQ(dialog.messageBoxes().size(), 1u);
    EXPECT_TRUE(window.onClose());
    EXPECT_EQ(saveCount, 1);
}

TEST_F(MainWindowCommands, DestroyingTheWindowStopsAndJoinsARunningJob) {
    test::TempDir temp;
    for (int i = 0; i < 50; ++i) {
        const auto path = temp / ("f" + std::to_string(i) + ".txt");
        test::writeBytes(path, {'x'});
        dialog.addItem(ids::kSourceList, path.string());
    }
    dialog.setText(ids::kOutputDirectory, temp.path().string());
    {
        MainWindow second(dialog, options);
        second.onCommand(ids::kStart);
    }  // joined here: the job saw the cancel request or had ended
    const Strings lines = dialog.itemTexts(ids::kMessageList);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with("ファイル作成を完了しました。"));
}

}  // namespace
}  // namespace pictrano
