#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "app/MainWindow.h"
#include "app/OptionStore.h"
#include "app/win32/Win32Dialog.h"

namespace pictrano::driver {

using namespace std::chrono_literals;

// The desktop program running on a thread of its own, as its process's main thread would run
// it, with the registry settings; the driver talks to its windows through messages.
class RunningProgram {
public:
    RunningProgram();
    // Closes the window if it is still open and waits for the program to end.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    HWND window() const { return window_; }
    DWORD threadId() const { return threadId_; }
    // The main window's controls, used from the driver's thread (handed to the window's thread).
    Win32Dialog& controls() { return controls_; }
    bool isRunningJob() const { return logic_->isRunning(); }
    // Reads the option store on the window's thread.
    std::uint32_t option(const char* key);
    std::vector<std::uint8_t> optionBytes(const char* key);

    // A command as a button, menu entry or list sends it; Send waits until it is handled, Post
    // does not (for commands that open a modal window).
    void sendCommand(int id, int notification = 0);
    void postCommand(int id, int notification = 0);
    // Chooses the entry of a drop-down list that shows `text` and tells the window.
    void choose(int id, const std::string& text);
    // Clicks a button of the main window as the user would.
    void click(int id);
    // Drops files on the source list.
    void drop(const std::vector<std::wstring>& paths);
    // Asks the window to close; true when the program ended within the time.
    bool close(std::chrono::milliseconds within = 20s);
    bool ended() const { return ended_; }

private:
    std::thread thread_;
    std::promise<void> opened_;
    std::atomic<bool> ended_{false};
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    MainWindow* logic_ = nullptr;
    const OptionStore* options_ = nullptr;
    Win32Dialog controls_{nullptr};
};

// Polls `condition` until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds within = 20s);

// A top-level dialog of the thread with the caption, other than `except`; null when none
// appears within the time.
HWND findDialog(DWORD thread, const std::string& caption, HWND except = nullptr,
                std::chrono::milliseconds within = 10s);

// A visible top-level dialog of the thread that is none of `known`; null when none appears
// within the time.
HWND findOtherDialog(DWORD thread, const std::vector<HWND>& known,
                     std::chrono::milliseconds within = 10s);

// The texts of a message box (or any dialog's static texts) joined by line breaks.
std::string staticTexts(HWND dialog);

// Presses a button of a modal dialog (by posting its command).
void pressButton(HWND dialog, int id);

// Clicks a button of any dialog with BM_CLICK, posted.
void postClick(HWND dialog, int id);

// The child dialogs (pages) inside a window, in creation order.
std::vector<HWND> childDialogs(HWND parent);

// Writes what the screen shows of `window` to `path` as a 24-bit Bitmap file.
bool captureWindow(HWND window, const std::filesystem::path& path);

// The controls of `dialog` whose caption does not fit: each as "id: text (needed > available)".
std::vector<std::string> clippedTexts(HWND dialog);

}  // namespace pictrano::driver
