#pragma once

#include <windows.h>

#include <functional>

#include "app/win32/MainDialog.h"
#include "platform/SettingsBackend.h"

namespace pictrano {

// The desktop program from start to end: initialises the common controls and COM, creates the
// option store with its defaults overlaid by the stored settings, runs the main window until it
// closes, and gives the process's exit code, 0. `onOpen` as for runMainDialog.
int runApplication(HINSTANCE instance, SettingsBackend& settings,
                   const MainWindowObserver& onOpen = {});

}  // namespace pictrano
