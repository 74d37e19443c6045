#pragma once

#include <windows.h>

#include "app/OptionStore.h"

namespace pictrano {

inline constexpr int kOptionsDialogResource = 114;

// Runs the options dialog (114) modally, owned by `owner`, over the store; its pages are the
// child dialogs of OptionPageTable inside the tab control. The store changes only on OK.
void runOptionsDialog(HINSTANCE instance, HWND owner, OptionStore& store);

}  // namespace pictrano
