// pictrano: converts image files from the command line with the main window's logic and the
// same conversion job, printing the message-list lines.
#include <string>
#include <vector>

#include "cli/Run.h"
#include "platform/FileBackend.h"

int main(int argc, char** argv) {
    pictrano::FileBackend settings;
    return pictrano::runCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                    {settings, settings.path().string(), {}});
}
