#include "tests/win32/support/DialogHost.h"

#include <commctrl.h>

#include "app/win32/WideText.h"
#include "app/win32/WindowThread.h"

namespace pictrano::test {
namespace {

INT_PTR CALLBACK hostProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    return serveWindowThreadCall(dialog, message, lParam) || message == WM_INITDIALOG;
}

}  // namespace

DialogHost::DialogHost(int resource, HWND parent) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), parent,
                                 hostProc, 0);
}

DialogHost::~DialogHost() {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string windowTextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return narrow(text);
}

std::vector<HWND> childrenOfClass(HWND parent, const wchar_t* className) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (lstrcmpiW(name, className) == 0) children.push_back(child);
    }
    return children;
}

}  // namespace pictrano::test
