#include "app/win32/MainDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/PersistedSettings.h"
#include "app/win32/CommonDialogs.h"
#include "app/win32/OptionsWindow.h"
#include "app/win32/WideText.h"
#include "app/win32/Win32Dialog.h"
#include "app/win32/WindowThread.h"

namespace pictrano {
namespace {

constexpr int kSourceListCapacity = 1024;
constexpr int kSizeBoxCharacters = 4;

struct MainDialogSession {
    HINSTANCE instance;
    OptionStore& options;
    SettingsBackend& settings;
    MainWindowObserver onOpen;
    std::unique_ptr<Win32Dialog> controls;
    std::unique_ptr<MainWindow> window;
};

// The source list hands the files dropped on it to the dialog.
LRESULT CALLBACK sourceListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                UINT_PTR, DWORD_PTR) {
    if (message == WM_DROPFILES) return SendMessageW(GetParent(list), WM_DROPFILES, wParam, lParam);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(list, sourceListProc, 0);
    return DefSubclassProc(list, message, wParam, lParam);
}

std::vector<std::string> droppedPaths(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
        paths.push_back(narrow(path));
    }
    return paths;
}

void setIcons(HINSTANCE instance, HWND dialog) {
    const struct {
        WPARAM which;
        int width;
        int height;
    } sizes[] = {{ICON_BIG, SM_CXICON, SM_CYICON}, {ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    for (const auto& size : sizes) {
        HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                 GetSystemMetrics(size.width), GetSystemMetrics(size.height),
                                 LR_SHARED);
        SendMessageW(dialog, WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon));
    }
}

MainWindowHooks hooksFor(HWND dialog, MainDialogSession& session) {
    MainWindowHooks hooks;
    hooks.loadWindowSettings = [&session] { loadWindowSettings(session.settings, *session.controls); };
    hooks.saveSettings = [&session] {
        saveOptions(session.settings, session.options);
        saveWindowSettings(session.settings, *session.controls);
    };
    hooks.chooseFiles = [dialog] { return chooseFiles(dialog); };
    hooks.chooseDirectory = [dialog] { return chooseDirectory(dialog); };
    hooks.openOptions = [dialog, &session] {
        runOptionsDialog(session.instance, dialog, session.options);
    };
    hooks.acceptDrops = [dialog](bool accept) {
        DragAcceptFiles(GetDlgItem(dialog, ids::kSourceList), accept ? TRUE : FALSE);
    };
    hooks.postClose = [dialog] { PostMessageW(dialog, WM_CLOSE, 0, 0); };
    return hooks;
}

void initialise(HWND dialog, MainDialogSession& session) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&session));
    setIcons(session.instance, dialog);
    SendDlgItemMessageW(dialog, ids::kMaxWidth, EM_LIMITTEXT, kSizeBoxCharacters, 0);
    SendDlgItemMessageW(dialog, ids::kMaxHeight, EM_LIMITTEXT, kSizeBoxCharacters, 0);
    SendDlgItemMessageW(dialog, ids::kSourceList, LB_INITSTORAGE, kSourceListCapacity,
                        kSourceListCapacity * MAX_PATH * sizeof(wchar_t));
    SetWindowSubclass(GetDlgItem(dialog, ids::kSourceList), sourceListProc, 0, 0);
    session.controls = std::make_unique<Win32Dialog>(dialog);
    session.window =
        std::make_unique<MainWindow>(*session.controls, session.options, hooksFor(dialog, session));
    session.window->initialise();
    if (session.onOpen) session.onOpen(dialog, *session.window, session.options);
}

bool handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        initialise(dialog, *reinterpret_cast<MainDialogSession*>(lParam));
        return true;
    }
    auto* session = reinterpret_cast<MainDialogSession*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (session == nullptr || !session->window) return false;
    switch (message) {
        case WM_COMMAND:
            session->window->onCommand(LOWORD(wParam), HIWORD(wParam));
            return true;
        case WM_DROPFILES: {
            struct Finish {
                HDROP drop;
                ~Finish() { DragFinish(drop); }
            } finish{reinterpret_cast<HDROP>(wParam)};
            session->window->onDropFiles(droppedPaths(finish.drop));
            return true;
        }
        case WM_CLOSE:
            if (session->window->onClose()) EndDialog(dialog, 1);
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (serveWindowThreadCall(dialog, message, lParam)) return TRUE;
    try {
        return handle(dialog, message, wParam, lParam) ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        MessageBoxW(dialog, L"メモリが不足しています。", L"Pictrano", MB_OK | MB_ICONERROR);
        return TRUE;
    }
}

}  // namespace

INT_PTR runMainDialog(HINSTANCE instance, OptionStore& options, SettingsBackend& settings,
                      const MainWindowObserver& onOpen) {
    MainDialogSession session{instance, options, settings, onOpen, nullptr, nullptr};
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(kMainDialogResource), nullptr,
                           mainDialogProc, reinterpret_cast<LPARAM>(&session));
}

}  // namespace pictrano
