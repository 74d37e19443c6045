#pragma once

#include <windows.h>

#include <functional>

#include "app/MainWindow.h"
#include "app/OptionStore.h"
#include "platform/SettingsBackend.h"

namespace pictrano {

inline constexpr int kMainDialogResource = 110;
inline constexpr int kIconResource = 2;

// Runs the main window (dialog 110) modally until it closes. `onOpen`, when given, is told of the
// window and its logic once the window has been initialised (the test driver uses it).
INT_PTR runMainDialog(HINSTANCE instance, OptionStore& options, SettingsBackend& settings,
                      const std::function<void(HWND, MainWindow&)>& onOpen = {});

}  // namespace pictrano
