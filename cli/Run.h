#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/SettingsBackend.h"

namespace pictrano {

// What the tool needs of the system it runs on.
struct CliPlatform {
    SettingsBackend& settings;
    std::string settingsLocation;  // named when the options cannot be saved
    // Expands wildcards in the file arguments where the shell leaves that to the program; left
    // empty, the files are taken as given.
    std::function<std::vector<std::string>(const std::vector<std::string>&)> expandFiles;
};

// The whole tool: parses the arguments (after the program name), applies the options, runs the
// conversion job and prints its lines. Gives the exit status.
int runCommandLine(const std::vector<std::string>& arguments, const CliPlatform& platform);

}  // namespace pictrano
