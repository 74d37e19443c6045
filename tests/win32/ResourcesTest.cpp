// The dialogs and menu in the resources hold every control the window logic declares, with its
// id, caption and starting state, and the labels and menu texts of the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/ControlDeclarations.h"
#include "app/MainWindow.h"
#include "app/OptionPages.h"
#include "app/win32/MainDialog.h"
#include "app/win32/OptionsWindow.h"
#include "app/win32/WideText.h"
#include "tests/win32/support/DialogHost.h"

namespace pictrano {
namespace {

using test::DialogHost;
using test::windowTextOf;

// The labels: static texts, then group-box captions, each in creation order.
std::vector<std::string> staticTexts(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND label : test::childrenOfClass(dialog, L"Static")) texts.push_back(windowTextOf(label));
    for (HWND button : test::childrenOfClass(dialog, L"Button")) {
        if ((GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
            texts.push_back(windowTextOf(button));
        }
    }
    return texts;
}

// Every declared control exists; buttons show their caption; enabled states match.
void expectDeclaredControls(HWND dialog, const std::vector<ControlDeclaration>& declared,
                            int resource) {
    for (const ControlDeclaration& declaration : declared) {
        HWND control = GetDlgItem(dialog, declaration.id);
        ASSERT_NE(control, nullptr) << "dialog " << resource << " lacks " << declaration.id;
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        if (lstrcmpiW(className, L"Button") == 0) {
            EXPECT_EQ(windowTextOf(control), declaration.text) << resource << "/" << declaration.id;
        }
        EXPECT_EQ(IsWindowEnabled(control) != FALSE, declaration.enabled) << resource << "/" << declaration.id;
    }
}

struct StyleRow {
    int resource;
    int id;
    const wchar_t* className;
    LONG_PTR style;    // bits that must be set
    LONG_PTR cleared;  // bits that must not be
};

TEST(Resources, DialogsHoldTheDeclaredControls) {
    DialogHost main(kMainDialogResource);
    ASSERT_NE(main.handle(), nullptr);
    EXPECT_EQ(windowTextOf(main.handle()), "イメージファイル一括変換");
    expectDeclaredControls(main.handle(), mainWindowControls(), kMainDialogResource);
    EXPECT_EQ(staticTexts(main.handle()),
              (std::vector<std::string>{"変換対象(&S)", "形式(&F):", "色形式(&C)", "圧縮形式(&P):",
                                        "横(&H):", "× 縦(&V):", "出力先(&O):"}));

    DialogHost options(kOptionsDialogResource);
    ASSERT_NE(options.handle(), nullptr);
    EXPECT_EQ(windowTextOf(options.handle()), "オプション");
    EXPECT_EQ(windowTextOf(GetDlgItem(options.handle(), IDOK)), "OK");
    EXPECT_EQ(windowTextOf(GetDlgItem(options.handle(), IDCANCEL)), "ｷｬﾝｾﾙ");
    HWND tab = GetDlgItem(options.handle(), ids::kOptionsTab);
    ASSERT_NE(tab, nullptr);

    const std::vector<std::vector<std::string>> pageLabels = {
        {"DCT利用型(&D):", "可逆(&L):", "色形式(&R)"},
        {"DCT利用型(&D):", "可逆(&L):", "MCU単位", "サンプリングファクタ(&S)"},
        {}};
    for (std::size_t i = 0; i < OptionPageTable.size(); ++i) {
        const int resource = OptionPageTable[i].resource;
        DialogHost page(resource, tab);
        ASSERT_NE(page.handle(), nullptr) << resource;
        EXPECT_EQ(GetWindowLongPtrW(page.handle(), GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD);
        expectDeclaredControls(page.handle(), optionsPageControls(resource), resource);
        std::vector<std::string> labels = staticTexts(page.handle());
        EXPECT_EQ(labels, pageLabels[i]) << resource;
    }

    const StyleRow styles[] = {
        {kMainDialogResource, ids::kSourceList, L"ListBox", LBS_EXTENDEDSEL, 0},
        {kMainDialogResource, ids::kMessageList, L"ListBox", 0, LBS_EXTENDEDSEL | LBS_MULTIPLESEL},
        {kMainDialogResource, ids::kOutputFormat, L"ComboBox", CBS_DROPDOWNLIST, 0},
        {kMainDialogResource, ids::kColourFormat, L"ComboBox", CBS_DROPDOWNLIST, 0},
        {kMainDialogResource, ids::kCompression, L"ComboBox", CBS_DROPDOWNLIST, 0},
        {kMainDialogResource, ids::kDegreeList, L"ComboBox", CBS_DROPDOWNLIST, 0},
        {kMainDialogResource, ids::kDegreeCheck, L"Button", BS_AUTOCHECKBOX, 0},
        {kMainDialogResource, ids::kMaxSizeCheck, L"Button", BS_AUTOCHECKBOX, 0},
        {kMainDialogResource, ids::kMaxWidth, L"Edit", 0, 0},
        {kMainDialogResource, ids::kOutputDirectory, L"Edit", ES_READONLY, 0},
        {kMainDialogResource, ids::kStart, L"Button", BS_DEFPUSHBUTTON, 0},
    };
    for (const StyleRow& row : styles) {
        HWND control = GetDlgItem(main.handle(), row.id);
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        EXPECT_EQ(lstrcmpiW(className, row.className), 0) << row.id;
        EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & (row.style | row.cleared), row.style)
            << row.id;
    }
}

// The page controls' kinds: lists, the interval box, the transparency check box and the six
// radio buttons, which form one group.
TEST(Resources, OptionPagesControlKinds) {
    DialogHost options(kOptionsDialogResource);
    HWND tab = GetDlgItem(options.handle(), ids::kOptionsTab);
    DialogHost icon(kIconWritePage, tab);
    const int radios[] = {ids::kTransparentChosen,     ids::kTransparentTopLeft,
                          ids::kTransparentTopRight,   ids::kTransparentBottomLeft,
                          ids::kTransparentBottomRight, ids::kTransparentBorder};
    HWND first = GetDlgItem(icon.handle(), radios[0]);
    for (int radio : radios) {
        HWND control = GetDlgItem(icon.handle(), radio);
        EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON) << radio;
        // Walking the group from the first radio button reaches every other one.
        bool reached = false;
        HWND item = first;
        for (int steps = 0; steps < 8 && !reached; ++steps) {
            reached = item == control;
            item = GetNextDlgGroupItem(icon.handle(), item, FALSE);
        }
        EXPECT_TRUE(reached) << radio;
    }
    EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(icon.handle(), ids::kTransparentCheck), GWL_STYLE) &
                  BS_TYPEMASK,
              BS_AUTOCHECKBOX);
    EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(icon.handle(), ids::kTransparentColourText),
                                  GWL_STYLE) &
                ES_READONLY);
}

TEST(Resources, MenuAndIcon) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(113));
    ASSERT_NE(menu, nullptr);
    struct Entry {
        int popup;
        int id;
        const char* text;
    };
    const std::vector<std::string> popups = {"ファイル(&F)", "編集(&E)", "ツール(&T)", "ヘルプ(&H)"};
    const Entry entries[] = {{0, ids::kMenuExit, "終了(&X)"},
                             {1, ids::kMenuAddFiles, "ファイルを追加(&A)..."},
                             {1, ids::kMenuRemoveFiles, "ファイルを削除(&D)"},
                             {1, ids::kMenuChooseDirectory, "出力先を指定(&O)..."},
                             {2, ids::kMenuOptions, "オプション(&O)..."},
                             {3, ids::kMenuVersion, "バージョン情報(&A)..."}};
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(popups.size()));
    for (std::size_t i = 0; i < popups.size(); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_EQ(narrow(text), popups[i]);
    }
    for (const Entry& entry : entries) {
        HMENU popup = GetSubMenu(menu, entry.popup);
        wchar_t text[64] = {};
        ASSERT_GT(GetMenuStringW(popup, static_cast<UINT>(entry.id), text, 64, MF_BYCOMMAND), 0)
            << entry.id;
        EXPECT_EQ(narrow(text), entry.text);
    }
    DestroyMenu(menu);

    for (int size : {16, 32, 48, 256}) {
        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource),
                                 IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
    }
}

}  // namespace
}  // namespace pictrano
