#pragma once

#include <windows.h>

#include <functional>

namespace pictrano {

// Work handed to the thread that owns a window. A window's controls are used only on that thread:
// another thread (the conversion job's) sends the window this message and waits until the
// window's thread has run the work. The window's thread serves sent messages whenever it waits
// for messages, in its own dialog loop as in any modal loop (message boxes, menus, common
// dialogs), and it never waits for the other thread while that one may be sending; so the hand-off
// cannot deadlock.
inline constexpr UINT kWindowThreadCall = WM_APP + 1;

// Runs `work` on the thread of `window` and returns when it is done; an exception it throws is
// thrown again here. False, without running it, when the window no longer exists.
bool runOnWindowThread(HWND window, const std::function<void()>& work);

// For the procedure of every dialog that serves such calls: runs the work of a kWindowThreadCall
// message and returns true; false for any other message.
bool serveWindowThreadCall(HWND dialog, UINT message, LPARAM lParam);

}  // namespace pictrano
