#pragma once

#include <filesystem>
#include <string>

namespace pictrano::driver {

// Where the driver writes its screenshots (none when empty) and what their names end in.
extern std::filesystem::path screenshotFolder;
extern std::string screenshotSuffix;

}  // namespace pictrano::driver
