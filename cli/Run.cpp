#include "cli/Run.h"

#include <iostream>
#include <mutex>

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "app/MemoryDialog.h"
#include "app/OptionStore.h"
#include "app/PersistedSettings.h"
#include "cli/CommandLine.h"
#include "cli/OptionOverrides.h"
#include "cli/WindowScript.h"

namespace pictrano {
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;
constexpr int kStopped = 2;

int usageError(const std::string& error) {
    std::cerr << "pictrano: " << error << "\n\n" << usageText();
    return kStopped;
}

}  // namespace

int runCommandLine(const std::vector<std::string>& arguments, const CliPlatform& platform) {
    std::string error;
    std::optional<CommandLine> line = parseCommandLine(arguments, error);
    if (!line) return usageError(error);
    if (line->help) {
        std::cout << usageText();
        return kAllConverted;
    }
    if (line->version) {
        std::cout << "Tovami Pictrano version 1.1\n";
        return kAllConverted;
    }
    if (platform.expandFiles) line->files = platform.expandFiles(line->files);

    OptionStore options;
    options.setDefaults();
    loadOptions(platform.settings, options);
    if (!applyOptionOverrides(*line, options, error)) return usageError(error);
    if (line->saveOptions && !saveOptions(platform.settings, options)) {
        std::cerr << "pictrano: the options could not be saved to " << platform.settingsLocation
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

}  // namespace pictrano
