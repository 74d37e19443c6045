#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "app/MainWindow.h"
#include "app/OptionPages.h"

namespace pictrano {

// The file-open dialog "ファイル追加" with multiple selection. Throws std::bad_alloc when its
// buffer cannot be had.
FileDialogResult chooseFiles(HWND owner);

// The shell's folder browser "出力先"; the chosen folder's path, nothing when cancelled.
std::optional<std::string> chooseDirectory(HWND owner);

// The colour chooser starting at `initial` (0x00BBGGRR) with the 16 custom colours, which the
// user may change; the chosen colour, nothing when cancelled.
std::optional<std::uint32_t> chooseColour(HWND owner, std::uint32_t initial,
                                          CustomColours& custom);

// Splits what a multiple-selection file dialog leaves in its buffer: strings ended by a NUL each,
// the last followed by another NUL.
std::vector<std::string> splitFileDialogResult(const wchar_t* buffer, std::size_t size);

}  // namespace pictrano
