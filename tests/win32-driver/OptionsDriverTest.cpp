// The options dialog under the driver: the pages inside the tab control, one shown at a time,
// the defaults shown, the colour chooser, OK writing the store and ｷｬﾝｾﾙ forgetting, and the
// store reaching the registry when the main window closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "app/ControlIds.h"
#include "app/OptionPages.h"
#include "app/OptionStore.h"
#include "app/win32/WideText.h"
#include "imagelib/front/SaveParams.h"
#include "tests/win32-driver/DriverFixture.h"

namespace pictrano::driver {
namespace {

using Strings = std::vector<std::string>;

struct OpenOptions {
    HWND dialog = nullptr;
    std::vector<HWND> pages;
};

OpenOptions openOptions(RunningProgram& p) {
    p.postCommand(ids::kMenuOptions);
    OpenOptions options;
    options.dialog = findDialog(p.threadId(), "オプション", p.window());
    if (options.dialog != nullptr) {
        options.pages = childDialogs(GetDlgItem(options.dialog, ids::kOptionsTab));
    }
    return options;
}

void selectTab(const OpenOptions& options, int index) {
    HWND tab = GetDlgItem(options.dialog, ids::kOptionsTab);
    SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR notice{tab, static_cast<UINT_PTR>(ids::kOptionsTab), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(options.dialog, WM_NOTIFY, ids::kOptionsTab, reinterpret_cast<LPARAM>(&notice));
}

std::vector<bool> shownPages(const OpenOptions& options) {
    std::vector<bool> shown;
    for (HWND page : options.pages) shown.push_back(IsWindowVisible(page) != FALSE);
    return shown;
}

bool checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
bool enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
int selected(HWND page, int id) {
    return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}
std::string text(HWND page, int id) {
    wchar_t buffer[64] = {};
    GetDlgItemTextW(page, id, buffer, 64);
    return narrow(buffer);
}

constexpr int kRadios[] = {ids::kTransparentChosen,     ids::kTransparentTopLeft,
                           ids::kTransparentTopRight,   ids::kTransparentBottomLeft,
                           ids::kTransparentBottomRight, ids::kTransparentBorder};

TEST_F(DriverTest, OptionsDialogShowsWritesAndForgets) {
    RunningProgram& p = start();
    OpenOptions options = openOptions(p);
    ASSERT_NE(options.dialog, nullptr);
    ASSERT_EQ(options.pages.size(), 3u);
    HWND tab = GetDlgItem(options.dialog, ids::kOptionsTab);
    std::vector<std::string> labels;
    for (int i = 0; i < TabCtrl_GetItemCount(tab); ++i) {
        wchar_t label[32] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = label;
        item.cchTextMax = 32;
        TabCtrl_GetItem(tab, i, &item);
        labels.push_back(narrow(label));
    }
    EXPECT_EQ(labels, (Strings{"Jpeg読み取り", "Jpeg書き込み", "Icon書き込み"}));

    // The defaults, each page in its turn, exactly one page shown.
    const HWND read = options.pages[0], write = options.pages[1], icon = options.pages[2];
    EXPECT_EQ(shownPages(options), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(selected(read, ids::kReadDctColour), 0);
    EXPECT_EQ(selected(read, ids::kReadLosslessColour), 0);
    EXPECT_EQ(clippedTexts(read), Strings{});
    screenshot(options.dialog, "options-jpeg-read");
    selectTab(options, 1);
    EXPECT_EQ(shownPages(options), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(selected(write, ids::kWriteDctSampling), 1);
    EXPECT_EQ(selected(write, ids::kWriteLosslessSampling), 0);
    EXPECT_FALSE(checked(write, ids::kRestartCheck));
    EXPECT_FALSE(enabled(write, ids::kRestartCheck));
    EXPECT_EQ(text(write, ids::kRestartInterval), "64");
    EXPECT_FALSE(enabled(write, ids::kRestartInterval));
    EXPECT_EQ(clippedTexts(write), Strings{});
    screenshot(options.dialog, "options-jpeg-write");
    selectTab(options, 2);
    EXPECT_EQ(shownPages(options), (std::vector<bool>{false, false, true}));
    EXPECT_FALSE(checked(icon, ids::kTransparentCheck));
    for (int radio : kRadios) {
        EXPECT_FALSE(enabled(icon, radio)) << radio;
        EXPECT_EQ(checked(icon, radio), radio == ids::kTransparentChosen) << radio;
    }
    EXPECT_EQ(text(icon, ids::kTransparentColourText), "(ff, ff, ff)");
    EXPECT_EQ(clippedTexts(icon), Strings{});

    // The colour chooser, confirmed: the colour shows, transparency and "指定した色" are on.
    postClick(icon, ids::kTransparentBorder);
    postClick(icon, ids::kChooseColour);
    HWND chooser = findOtherDialog(p.threadId(), {p.window(), options.dialog});
    ASSERT_NE(chooser, nullptr) << "no colour chooser";
    EXPECT_EQ(GetWindow(chooser, GW_OWNER), options.dialog);  // the page's top-level window
    pressButton(chooser, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(chooser); }));
    ASSERT_TRUE(waitUntil([&] { return checked(icon, ids::kTransparentCheck); }));
    EXPECT_TRUE(checked(icon, ids::kTransparentChosen));
    EXPECT_FALSE(checked(icon, ids::kTransparentBorder));
    for (int radio : kRadios) EXPECT_TRUE(enabled(icon, radio)) << radio;
    EXPECT_EQ(text(icon, ids::kTransparentColourText), "(ff, ff, ff)");
    screenshot(options.dialog, "options-icon-write");

    // ｷｬﾝｾﾙ forgets all of it.
    postClick(options.dialog, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(options.dialog); }));
    EXPECT_EQ(p.option(kIconWriteTrans), 0u);
    EXPECT_TRUE(p.optionBytes(kCommonColorTable).empty());

    // Changes on every page, then OK.
    options = openOptions(p);
    ASSERT_NE(options.dialog, nullptr);
    SendDlgItemMessageW(options.pages[0], ids::kReadDctColour, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageW(options.pages[1], ids::kWriteDctSampling, CB_SETCURSEL, 2, 0);
    SetDlgItemTextW(options.pages[1], ids::kRestartInterval, L"");
    SendMessageW(GetDlgItem(options.pages[2], ids::kTransparentCheck), BM_CLICK, 0, 0);
    for (int radio : kRadios) EXPECT_TRUE(enabled(options.pages[2], radio)) << radio;
    SendMessageW(GetDlgItem(options.pages[2], ids::kTransparentTopRight), BM_CLICK, 0, 0);
    postClick(options.dialog, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(options.dialog); }));
    EXPECT_EQ(p.option(kJpegReadDctColor), 1u);
    EXPECT_EQ(p.option(kJpegWriteDctSf), 2u);
    EXPECT_EQ(p.option(kJpegWriteDri), 0u);
    EXPECT_EQ(p.option(kJpegWriteDriFlag), 0u);
    EXPECT_EQ(p.option(kIconWriteTrans), 1u);
    EXPECT_EQ(p.option(kIconWriteTransColorF), static_cast<std::uint32_t>(kTransparentTopRight));
    std::vector<std::uint8_t> greys;
    for (std::uint32_t i = 0; i < 16; ++i) {
        const std::vector<std::uint8_t> grey = test::dwordBytes(0x111111u * i);
        greys.insert(greys.end(), grey.begin(), grey.end());
    }
    EXPECT_EQ(p.optionBytes(kCommonColorTable), greys);

    // The store reaches the registry when the window closes, and comes back on the next start.
    closeProgram();
    EXPECT_EQ(test::readRawValue(kProgramKey, L"ColorTable")->bytes, greys);
    EXPECT_EQ(test::readRawValue(kProgramKey, L"JpegWriteDCTSF")->bytes, test::dwordBytes(2));
    RunningProgram& again = start();
    EXPECT_EQ(again.option(kJpegWriteDctSf), 2u);
    EXPECT_EQ(again.option(kIconWriteTransColorF), static_cast<std::uint32_t>(kTransparentTopRight));
    options = openOptions(again);
    ASSERT_NE(options.dialog, nullptr);
    EXPECT_EQ(selected(options.pages[1], ids::kWriteDctSampling), 2);
    EXPECT_TRUE(checked(options.pages[2], ids::kTransparentTopRight));
    postClick(options.dialog, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(options.dialog); }));
}

}  // namespace
}  // namespace pictrano::driver
