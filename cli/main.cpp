// pictrano: converts image files from the command line with the main window's logic and the
// same conversion job, printing the message-list lines.
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "app/MemoryDialog.h"
#include "app/OptionStore.h"
#include "app/PersistedSettings.h"
#include "cli/CommandLine.h"
#include "cli/OptionOverrides.h"
#include "cli/WindowScript.h"
#include "platform/FileBackend.h"

namespace pictrano {
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;
constexpr int kStopped = 2;

int usageError(const std::string& error) {
    std::cerr << "pictrano: " << error << "\n\n" << usageText();
    return kStopped;
}

int run(const std::vector<std::string>& arguments) {
    std::string error;
    const std::optional<CommandLine> line = parseCommandLine(arguments, error);
    if (!line) return usageError(error);
    if (line->help) {
        std::cout << usageText();
        return kAllConverted;
    }
    if (line->version) {
        std::cout << "Tovami Pictrano version 1.1\n";
        return kAllConverted;
    }

    OptionStore options;
    options.setDefaults();
    FileBackend settings;
    loadOptions(settings, options);
    if (!applyOptionOverrides(*line, options, error)) return usageError(error);
    if (line->saveOptions && !saveOptions(settings, options)) {
        std::cerr << "pictrano: the options could not be saved to " << settings.path().string()
                  << "\n";
    }

    MemoryDialog dialog(mainWindowControls());
    std::mutex output;
    dialog.onItemAdded = [&output](int id, const std::string& text) {
        if (id != ids::kMessageList) return;
        std::lock_guard lock(output);
        std::cout << text << std::endl;
    };
    dialog.onMessageBox = [&output](const std::string& text, DialogControls::Icon) {
        std::lock_guard lock(output);
        std::cerr << text << std::endl;
    };
    MainWindow window(dialog, options);
    window.initialise();
    if (!applyToWindow(*line, dialog, window, error)) return usageError(error);
    window.onCommand(ids::kStart);
    window.waitForJob();

    const JobCounters& job = window.lastJob();
    if (!job.reachedSummary) return kStopped;
    return job.failed == 0 ? kAllConverted : kSomeFailed;
}

}  // namespace
}  // namespace pictrano

int main(int argc, char** argv) {
    return pictrano::run(std::vector<std::string>(argv + 1, argv + argc));
}
