#include "app/win32/OptionsWindow.h"

#include <commctrl.h>

#include <array>
#include <memory>
#include <new>
#include <optional>

#include "app/ControlIds.h"
#include "app/OptionsDialog.h"
#include "app/win32/CommonDialogs.h"
#include "app/win32/WideText.h"
#include "app/win32/Win32Dialog.h"
#include "app/win32/WindowThread.h"

namespace pictrano {
namespace {

constexpr int kIntervalCharacters = 4;

struct OptionsSession {
    HINSTANCE instance;
    OptionStore& store;
    std::array<HWND, OptionPageTable.size()> pages{};
    std::array<std::unique_ptr<Win32Dialog>, OptionPageTable.size()> pageControls;
    std::unique_ptr<OptionsDialog> dialog;
};

OptionsSession* sessionOf(HWND window) {
    return reinterpret_cast<OptionsSession*>(GetWindowLongPtrW(window, DWLP_USER));
}

// The page's position in the table, -1 for none.
int pageIndex(const OptionsSession& session, HWND page) {
    for (std::size_t i = 0; i < session.pages.size(); ++i) {
        if (session.pages[i] == page) return static_cast<int>(i);
    }
    return -1;
}

// Places the page in the tab control's display area, keeping its size.
void placeInTab(HWND page) {
    HWND tab = GetParent(page);
    RECT area{};
    GetClientRect(tab, &area);
    TabCtrl_AdjustRect(tab, FALSE, &area);
    SetWindowPos(page, nullptr, area.left, area.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK pageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(page, DWLP_USER, lParam);
            placeInTab(page);
            SendDlgItemMessageW(page, ids::kRestartInterval, EM_LIMITTEXT, kIntervalCharacters, 0);
            return TRUE;
        case WM_COMMAND: {
            OptionsSession* session = sessionOf(page);
            const int index = session != nullptr ? pageIndex(*session, page) : -1;
            if (index < 0 || !session->dialog || HIWORD(wParam) != BN_CLICKED) return FALSE;
            try {
                session->dialog->pageCommand(*session->pageControls[index], LOWORD(wParam));
            } catch (const std::bad_alloc&) {
                MessageBoxW(page, L"メモリが不足しています。", L"Pictrano", MB_OK | MB_ICONERROR);
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void showOnly(const OptionsSession& session, int shown) {
    for (std::size_t i = 0; i < session.pages.size(); ++i) {
        ShowWindow(session.pages[i], static_cast<int>(i) == shown ? SW_SHOW : SW_HIDE);
    }
}

void initialise(HWND dialog, OptionsSession& session) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&session));
    HWND tab = GetDlgItem(dialog, ids::kOptionsTab);
    for (std::size_t i = 0; i < OptionPageTable.size(); ++i) {
        std::wstring label = widen(OptionPageTable[i].label);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = label.data();
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(tab, TCM_SETCURFOCUS, 0, 0);
    SendMessageW(tab, TCM_SETCURSEL, 0, 0);
    std::array<DialogControls*, OptionPageTable.size()> pages{};
    for (std::size_t i = 0; i < OptionPageTable.size(); ++i) {
        session.pages[i] =
            CreateDialogParamW(session.instance, MAKEINTRESOURCEW(OptionPageTable[i].resource), tab,
                               pageProc, reinterpret_cast<LPARAM>(&session));
        session.pageControls[i] = std::make_unique<Win32Dialog>(session.pages[i]);
        pages[i] = session.pageControls[i].get();
    }
    HWND iconPage = session.pages.back();
    session.dialog = std::make_unique<OptionsDialog>(
        session.store, pages, [iconPage](std::uint32_t initial, CustomColours& custom) {
            return chooseColour(iconPage, initial, custom);
        });
    session.dialog->initialise();
    showOnly(session, 0);
}

bool handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        initialise(dialog, *reinterpret_cast<OptionsSession*>(lParam));
        return true;
    }
    OptionsSession* session = sessionOf(dialog);
    if (session == nullptr || !session->dialog) return false;
    switch (message) {
        case WM_NOTIFY: {
            const auto* notice = reinterpret_cast<const NMHDR*>(lParam);
            if (notice->idFrom != ids::kOptionsTab || notice->code != TCN_SELCHANGE) return false;
            const int shown = static_cast<int>(SendMessageW(notice->hwndFrom, TCM_GETCURSEL, 0, 0));
            session->dialog->selectTab(shown);
            showOnly(*session, shown);
            return true;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            } else if (const std::optional<int> result = session->dialog->command(LOWORD(wParam))) {
                EndDialog(dialog, *result);
            }
            return true;
        case WM_CLOSE:
            EndDialog(dialog, 0);
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK optionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (serveWindowThreadCall(dialog, message, lParam)) return TRUE;
    try {
        return handle(dialog, message, wParam, lParam) ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        MessageBoxW(dialog, L"メモリが不足しています。", L"Pictrano", MB_OK | MB_ICONERROR);
        return TRUE;
    }
}

}  // namespace

void runOptionsDialog(HINSTANCE instance, HWND owner, OptionStore& store) {
    OptionsSession session{instance, store, {}, {}, nullptr};
    DialogBoxParamW(instance, MAKEINTRESOURCEW(kOptionsDialogResource), owner, optionsDialogProc,
                    reinterpret_cast<LPARAM>(&session));
}

}  // namespace pictrano
