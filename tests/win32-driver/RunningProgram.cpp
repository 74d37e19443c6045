#include "tests/win32-driver/RunningProgram.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "app/ControlIds.h"
#include "app/win32/Application.h"
#include "app/win32/RegistryBackend.h"
#include "app/win32/WideText.h"
#include "app/win32/WindowThread.h"
#include "imagelib/image/ByteOrder.h"

namespace pictrano::driver {

RunningProgram::RunningProgram() {
    std::future<void> opened = opened_.get_future();
    thread_ = std::thread([this] {
        RegistryBackend settings;
        runApplication(GetModuleHandleW(nullptr), settings,
                       [this](HWND window, MainWindow& logic, const OptionStore& options) {
                           window_ = window;
                           threadId_ = GetCurrentThreadId();
                           logic_ = &logic;
                           options_ = &options;
                           controls_ = Win32Dialog(window);
                           opened_.set_value();
                       });
        ended_ = true;
    });
    if (!waitUntil([&] { return ended_ || opened.wait_for(0s) == std::future_status::ready; },
                   30s) ||
        window_ == nullptr) {
        std::fprintf(stderr, "the main window did not open (is there a display?)\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

RunningProgram::~RunningProgram() {
    if (!ended_ && !close()) {
        // A program that does not end would hang every later test.
        std::fprintf(stderr, "the program did not end; stopping\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    thread_.join();
}

std::uint32_t RunningProgram::option(const char* key) {
    std::uint32_t value = 0;
    runOnWindowThread(window_, [&] { value = options_->getInt(key); });
    return value;
}

std::vector<std::uint8_t> RunningProgram::optionBytes(const char* key) {
    std::vector<std::uint8_t> bytes;
    runOnWindowThread(window_, [&] {
        const std::uint8_t* data = options_->getData(key);
        if (data != nullptr) bytes.assign(data, data + options_->getLength(key));
    });
    return bytes;
}

void RunningProgram::sendCommand(int id, int notification) {
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
}

void RunningProgram::postCommand(int id, int notification) {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
}

void RunningProgram::choose(int id, const std::string& text) {
    for (int i = 0; i < controls_.itemCount(id); ++i) {
        if (controls_.itemText(id, i) == text) {
            controls_.setSelection(id, i);
            sendCommand(id, CBN_SELCHANGE);
            return;
        }
    }
    throw std::runtime_error("no entry " + text);
}

void RunningProgram::click(int id) { SendMessageW(GetDlgItem(window_, id), BM_CLICK, 0, 0); }

// A drop as the shell makes it: a DROPFILES block followed by the wide paths, each ended by a
// NUL, and one more NUL. The receiver frees it with DragFinish.
void RunningProgram::drop(const std::vector<std::wstring>& paths) {
    std::size_t characters = 1;
    for (const std::wstring& path : paths) characters += path.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(files) + sizeof(DROPFILES));
    for (const std::wstring& path : paths) {
        std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        names += path.size() + 1;
    }
    GlobalUnlock(block);
    SendMessageW(GetDlgItem(window_, ids::kSourceList), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(block), 0);
}

// Cancels the modal windows a failed test may have left open, then closes the main window.
bool RunningProgram::close(std::chrono::milliseconds within) {
    return waitUntil(
        [this] {
            if (ended_) return true;
            EnumThreadWindows(
                threadId_,
                [](HWND popup, LPARAM main) -> BOOL {
                    if (popup != reinterpret_cast<HWND>(main) && IsWindowVisible(popup)) {
                        pressButton(popup, IDCANCEL);
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(window_));
            PostMessageW(window_, WM_CLOSE, 0, 0);
            Sleep(100);
            return ended_.load();
        },
        within);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds within) {
    const auto end = std::chrono::steady_clock::now() + within;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(20);
    }
    return true;
}

HWND findDialog(DWORD thread, const std::string& caption, HWND except,
                std::chrono::milliseconds within) {
    struct Search {
        std::wstring caption;
        HWND except;
        HWND found = nullptr;
    } search{widen(caption), except};
    waitUntil(
        [&] {
            EnumThreadWindows(
                thread,
                [](HWND window, LPARAM context) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(context);
                    wchar_t className[16] = {}, text[128] = {};
                    GetClassNameW(window, className, 16);
                    GetWindowTextW(window, text, 128);
                    if (window != s->except && IsWindowVisible(window) &&
                        lstrcmpW(className, L"#32770") == 0 && s->caption == text) {
                        s->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        within);
    return search.found;
}

HWND findOtherDialog(DWORD thread, const std::vector<HWND>& known,
                     std::chrono::milliseconds within) {
    struct Search {
        const std::vector<HWND>& known;
        HWND found = nullptr;
    } search{known};
    waitUntil(
        [&] {
            EnumThreadWindows(
                thread,
                [](HWND window, LPARAM context) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(context);
                    wchar_t className[16] = {};
                    GetClassNameW(window, className, 16);
                    if (IsWindowVisible(window) && lstrcmpW(className, L"#32770") == 0 &&
                        std::find(s->known.begin(), s->known.end(), window) == s->known.end()) {
                        s->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        within);
    return search.found;
}

std::string staticTexts(HWND dialog) {
    std::string texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {}, text[512] = {};
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"Static") != 0 || GetWindowTextW(child, text, 512) == 0) continue;
        texts += (texts.empty() ? "" : "\n") + narrow(text);
    }
    return texts;
}

void pressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void postClick(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::vector<HWND> childDialogs(HWND parent) {
    std::vector<HWND> pages;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (lstrcmpW(className, L"#32770") == 0) pages.push_back(child);
    }
    return pages;
}

// Copies the window's rectangle from the screen into a top-down 24-bit section and writes it.
bool captureWindow(HWND window, const std::filesystem::path& path) {
    runOnWindowThread(window, [window] {
        SetForegroundWindow(window);
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    Sleep(400);
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    const bool copied =
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> file(14 + 40);
    file[0] = 'B';
    file[1] = 'M';
    storeLe32(file.data() + 2, static_cast<std::uint32_t>(file.size() + imageSize));
    storeLe32(file.data() + 10, 54);
    info.bmiHeader.biHeight = height;  // bottom-up rows in the file
    std::memcpy(file.data() + 14, &info.bmiHeader, 40);
    const auto* rows = static_cast<const std::uint8_t*>(bits);
    for (int y = height - 1; y >= 0; --y) {
        file.insert(file.end(), rows + stride * y, rows + stride * (y + 1));
    }
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// The room a caption needs: its text in the control's font, plus the box of a check box or
// radio button and the frame of a push button.
std::vector<std::string> clippedTexts(HWND dialog) {
    std::vector<std::string> clipped;
    runOnWindowThread(dialog, [&] {
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[16] = {}, text[256] = {};
            GetClassNameW(child, className, 16);
            const bool button = lstrcmpiW(className, L"Button") == 0;
            if ((!button && lstrcmpiW(className, L"Static") != 0) ||
                GetWindowTextW(child, text, 256) == 0) {
                continue;
            }
            const LONG_PTR type = GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
            HDC dc = GetDC(child);
            HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
            RECT needed{0, 0, 0, 0};
            DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE);
            SelectObject(dc, previous);
            ReleaseDC(child, dc);
            int extra = 0;
            if (button && type == BS_GROUPBOX) {
                extra = 16;
            } else if (button && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX ||
                                  type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON)) {
                extra = GetSystemMetrics(SM_CXMENUCHECK) + 4;
            } else if (button) {
                extra = 4 * GetSystemMetrics(SM_CXEDGE);
            }
            RECT client{};
            GetClientRect(child, &client);
            const int need = needed.right - needed.left + extra;
            const int height = needed.bottom - needed.top;
            if (need > client.right || (type != BS_GROUPBOX && height > client.bottom)) {
                clipped.push_back(std::to_string(GetDlgCtrlID(child)) + ": " + narrow(text) + " (" +
                                  std::to_string(need) + "x" + std::to_string(height) + " > " +
                                  std::to_string(client.right) + "x" +
                                  std::to_string(client.bottom) + ")");
            }
        }
    });
    return clipped;
}

}  // namespace pictrano::driver
