// pictrano-cli.exe: the command-line tool as a Windows console program. It takes its arguments
// as UTF-16, expands wildcards in file arguments itself (the command prompt does not), keeps its
// options in the same registry key as the desktop program, and writes its lines to a console as
// UTF-16.
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/win32/ConsoleOutput.h"
#include "app/win32/RegistryBackend.h"
#include "app/win32/WideText.h"
#include "app/win32/Wildcards.h"
#include "cli/Run.h"

int wmain(int argc, wchar_t** argv) {
    pictrano::ConsoleOutput out(std::cout, STD_OUTPUT_HANDLE);
    pictrano::ConsoleOutput err(std::cerr, STD_ERROR_HANDLE);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(pictrano::narrow(argv[i]));
    pictrano::RegistryBackend settings;
    return pictrano::runCommandLine(
        arguments, {settings, "HKEY_CURRENT_USER\\Software\\Tovami\\Pictrano",
                    pictrano::expandWildcards});
}
