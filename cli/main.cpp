// pictrano: converts image files from the command line with the main window's logic and the
// same conversion job, printing the message-list lines.
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "cli/Run.h"
#include "platform/FileBackend.h"

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Pictures are taken from the heap and kept there when freed, so that the next file reuses
    // memory already mapped instead of faulting fresh pages in: a few large buffers per file
    // make page faults a large share of a conversion's time.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    pictrano::FileBackend settings;
    return pictrano::runCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                    {settings, settings.path().string(), {}});
}
