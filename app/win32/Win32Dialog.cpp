#include "app/win32/Win32Dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <new>
#include <type_traits>
#include <vector>

#include "app/win32/WideText.h"
#include "app/win32/WindowThread.h"

namespace pictrano {
namespace {

// The messages of one kind of list control.
struct ListMessages {
    UINT add, setData, getData, textLength, getText, count, remove, reset, getSelection,
        setSelection, findPrefix;
    LRESULT error, noSpace;
};

constexpr ListMessages kListBox{LB_ADDSTRING,   LB_SETITEMDATA, LB_GETITEMDATA, LB_GETTEXTLEN,
                                LB_GETTEXT,     LB_GETCOUNT,    LB_DELETESTRING, LB_RESETCONTENT,
                                LB_GETCURSEL,   LB_SETCURSEL,   LB_FINDSTRING,  LB_ERR,
                                LB_ERRSPACE};
constexpr ListMessages kComboBox{CB_ADDSTRING,  CB_SETITEMDATA, CB_GETITEMDATA, CB_GETLBTEXTLEN,
                                 CB_GETLBTEXT,  CB_GETCOUNT,    CB_DELETESTRING, CB_RESETCONTENT,
                                 CB_GETCURSEL,  CB_SETCURSEL,   CB_FINDSTRING,  CB_ERR,
                                 CB_ERRSPACE};

bool isComboBox(HWND control) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, static_cast<int>(std::size(className)));
    return lstrcmpiW(className, WC_COMBOBOXW) == 0;
}

const ListMessages& messagesOf(HWND control) {
    return isComboBox(control) ? kComboBox : kListBox;
}

// Widens a list box's horizontal scroll range so that `text` can be scrolled into view.
void fitHorizontalExtent(HWND list, const std::wstring& text) {
    if ((GetWindowLongPtrW(list, GWL_STYLE) & WS_HSCROLL) == 0) return;
    HDC dc = GetDC(list);
    if (dc == nullptr) return;
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    const LRESULT margin = 2 * GetSystemMetrics(SM_CXEDGE) + 4;
    const LRESULT current = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (size.cx + margin > current) {
        SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + margin), 0);
    }
}

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return narrow(text);
}

UINT iconStyle(DialogControls::Icon icon) {
    switch (icon) {
        case DialogControls::Icon::Warning: return MB_ICONWARNING;
        case DialogControls::Icon::Error: return MB_ICONERROR;
        case DialogControls::Icon::Information: return MB_ICONINFORMATION;
    }
    return 0;
}

}  // namespace

template <typename Operation>
auto Win32Dialog::onWindowThread(Operation operation) const {
    using Result = std::invoke_result_t<Operation>;
    if constexpr (std::is_void_v<Result>) {
        runOnWindowThread(dialog_, operation);
    } else {
        Result result{};
        runOnWindowThread(dialog_, [&] { result = operation(); });
        return result;
    }
}

int Win32Dialog::addItem(int id, const std::string& text) {
    const std::wstring wide = widen(text);
    return onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const ListMessages& messages = messagesOf(list);
        const LRESULT index =
            SendMessageW(list, messages.add, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        if (index == messages.noSpace) throw std::bad_alloc();
        if (&messages == &kListBox) fitHorizontalExtent(list, wide);
        return static_cast<int>(index);
    });
}

void Win32Dialog::setItemData(int id, int index, std::uint32_t data) {
    onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        SendMessageW(list, messagesOf(list).setData, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(data));
    });
}

std::uint32_t Win32Dialog::itemData(int id, int index) const {
    return onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const ListMessages& messages = messagesOf(list);
        const LRESULT data = SendMessageW(list, messages.getData, static_cast<WPARAM>(index), 0);
        return data == messages.error ? 0u : static_cast<std::uint32_t>(data);
    });
}

std::string Win32Dialog::itemText(int id, int index) const {
    return onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const ListMessages& messages = messagesOf(list);
        const LRESULT length =
            SendMessageW(list, messages.textLength, static_cast<WPARAM>(index), 0);
        if (length == messages.error || length <= 0) return std::string();
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT copied = SendMessageW(list, messages.getText, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(text.data()));
        if (copied == messages.error || copied < 0) return std::string();
        text.resize(std::min<std::size_t>(static_cast<std::size_t>(copied), text.size()));
        return narrow(text);
    });
}

int Win32Dialog::itemCount(int id) const {
    return onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const LRESULT count = SendMessageW(list, messagesOf(list).count, 0, 0);
        return count < 0 ? 0 : static_cast<int>(count);
    });
}

void Win32Dialog::deleteItem(int id, int index) {
    onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        SendMessageW(list, messagesOf(list).remove, static_cast<WPARAM>(index), 0);
    });
}

void Win32Dialog::clearItems(int id) {
    onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const ListMessages& messages = messagesOf(list);
        SendMessageW(list, messages.reset, 0, 0);
        if (&messages == &kListBox) SendMessageW(list, LB_SETHORIZONTALEXTENT, 0, 0);
    });
}

int Win32Dialog::selection(int id) const {
    return onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const ListMessages& messages = messagesOf(list);
        const LRESULT index = SendMessageW(list, messages.getSelection, 0, 0);
        return index == messages.error ? -1 : static_cast<int>(index);
    });
}

// An index outside the items clears the selection (not every system's combo box does that).
void Win32Dialog::setSelection(int id, int index) {
    onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const ListMessages& messages = messagesOf(list);
        const LRESULT count = SendMessageW(list, messages.count, 0, 0);
        const WPARAM target = index >= 0 && index < count ? static_cast<WPARAM>(index)
                                                          : static_cast<WPARAM>(-1);
        SendMessageW(list, messages.setSelection, target, 0);
    });
}

bool Win32Dialog::isItemSelected(int id, int index) const {
    return onWindowThread([&] {
        return SendDlgItemMessageW(dialog_, id, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
    });
}

void Win32Dialog::setItemSelected(int id, int index, bool selected) {
    onWindowThread([&] {
        SendDlgItemMessageW(dialog_, id, LB_SETSEL, selected ? TRUE : FALSE,
                            static_cast<LPARAM>(index));
    });
}

// The list's own prefix search over the whole list, which ignores case.
int Win32Dialog::findItemPrefix(int id, const std::string& prefix) const {
    const std::wstring wide = widen(prefix);
    return onWindowThread([&] {
        HWND list = GetDlgItem(dialog_, id);
        const ListMessages& messages = messagesOf(list);
        const LRESULT index = SendMessageW(list, messages.findPrefix, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(wide.c_str()));
        return index == messages.error ? -1 : static_cast<int>(index);
    });
}

bool Win32Dialog::isChecked(int id) const {
    return onWindowThread([&] { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; });
}

void Win32Dialog::setChecked(int id, bool checked) {
    onWindowThread([&] { CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED); });
}

bool Win32Dialog::isEnabled(int id) const {
    return onWindowThread([&] { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; });
}

void Win32Dialog::setEnabled(int id, bool enabled) {
    onWindowThread([&] { EnableWindow(GetDlgItem(dialog_, id), enabled ? TRUE : FALSE); });
}

std::string Win32Dialog::text(int id) const {
    return onWindowThread([&] { return windowText(GetDlgItem(dialog_, id)); });
}

void Win32Dialog::setText(int id, const std::string& text) {
    const std::wstring wide = widen(text);
    onWindowThread([&] { SetDlgItemTextW(dialog_, id, wide.c_str()); });
}

void Win32Dialog::focusEdit(int id) {
    onWindowThread([&] {
        HWND edit = GetDlgItem(dialog_, id);
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
        SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), static_cast<LPARAM>(-1));
    });
}

void Win32Dialog::messageBox(const std::string& text, Icon icon) {
    const std::wstring wide = widen(text);
    onWindowThread([&] { MessageBoxW(dialog_, wide.c_str(), L"Pictrano", MB_OK | iconStyle(icon)); });
}

// The restored position in screen coordinates. A minimised or maximised window reports it in
// workspace coordinates, which are shifted by the taskbar when it lies at the left or top.
void Win32Dialog::windowPosition(int& left, int& top) const {
    onWindowThread([&] {
        RECT rect{};
        if (IsIconic(dialog_) || IsZoomed(dialog_)) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            GetWindowPlacement(dialog_, &placement);
            rect = placement.rcNormalPosition;
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            if (GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) {
                OffsetRect(&rect, monitor.rcWork.left - monitor.rcMonitor.left,
                           monitor.rcWork.top - monitor.rcMonitor.top);
            }
        } else {
            GetWindowRect(dialog_, &rect);
        }
        left = rect.left;
        top = rect.top;
    });
}

// Keeps the size. A position where the window would lie on no monitor (one since removed) is
// not taken, so that the window never opens out of sight.
void Win32Dialog::moveWindow(int left, int top) {
    onWindowThread([&] {
        RECT rect{};
        GetWindowRect(dialog_, &rect);
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        const RECT target{left, top, left + width, top + height};
        if (MonitorFromRect(&target, MONITOR_DEFAULTTONULL) == nullptr) return;
        MoveWindow(dialog_, left, top, width, height, TRUE);
    });
}

}  // namespace pictrano
