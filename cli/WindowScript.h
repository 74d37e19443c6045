#pragma once

#include <string>

#include "app/MainWindow.h"
#include "app/MemoryDialog.h"
#include "cli/CommandLine.h"

namespace pictrano {

// Makes the choices of a command line in the main window, through the same commands a user
// gives: format, colour format, compression, degree, maximum size, output directory, files.
// False, with `error` set, when the window does not offer what the line asks for.
bool applyToWindow(const CommandLine& line, MemoryDialog& dialog, MainWindow& window,
                   std::string& error);

// The short name of a colour-format entry: "カラー 24bit RGB" is rgb24, "モノクロ 8bit Y" mono8.
std::string colourAlias(const std::string& entry);

}  // namespace pictrano
