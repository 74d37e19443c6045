// test-win32-driver: opens the real main window and options dialog and drives them through
// messages, as a user's clicks would, checking what only the real windows do. Writes
// screenshots into the folder given as --screenshots=DIR, their names ending in --suffix=TEXT.
#include <gtest/gtest.h>

#include <string>

#include "tests/win32-driver/DriverOptions.h"

namespace pictrano::driver {

std::filesystem::path screenshotFolder;
std::string screenshotSuffix;

}  // namespace pictrano::driver

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--screenshots=", 0) == 0) {
            pictrano::driver::screenshotFolder = argument.substr(14);
        } else if (argument.rfind("--suffix=", 0) == 0) {
            pictrano::driver::screenshotSuffix = argument.substr(9);
        }
    }
    return RUN_ALL_TESTS();
}
