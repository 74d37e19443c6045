#pragma once

#include <windows.h>

#include <functional>

#include "app/MainWindow.h"
#include "app/OptionStore.h"
#include "platform/SettingsBackend.h"

namespace pictrano {

inline constexpr int kMainDialogResource = 110;
inline constexpr int kIconResource = 2;

// Told of the main window, its logic and the option store once the window has been initialised
// (the test driver uses it).
using MainWindowObserver = std::function<void(HWND, MainWindow&, const OptionStore&)>;

// Runs the main window (dialog 110) modally until it closes.
INT_PTR runMainDialog(HINSTANCE instance, OptionStore& options, SettingsBackend& settings,
                      const MainWindowObserver& onOpen = {});

}  // namespace pictrano
