#include "cli/Run.h"

#include <algorithm>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/ControlIds.h"
#include "app/JobPreparation.h"
#include "app/MainWindow.h"
#include "app/MemoryDialog.h"
#include "app/OptionStore.h"
#include "app/PersistedSettings.h"
#include "cli/CommandLine.h"
#include "cli/OptionOverrides.h"
#include "cli/OutputChecks.h"
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

void note(const std::string& text) { std::cerr << "pictrano: " << text << std::endl; }

// Writes the options to the settings; false after saying where and why it could not.
bool saveOptionsTo(const CliPlatform& platform, const OptionStore& options) {
    if (saveOptions(platform.settings, options)) return true;
    const std::string why = platform.settings.failure();
    note("the options could not be saved to " + platform.settingsLocation +
         (why.empty() ? "" : ": " + why));
    return false;
}

// Says, before the job starts, which outputs fall on one file or on their own source.
void announceConflicts(const CommandLine& line, const MemoryDialog& dialog) {
    const int format = dialog.selection(ids::kOutputFormat);
    if (format < 0) return;
    const std::optional<OutputFormat> output =
        outputFormatOf(dialog.itemData(ids::kOutputFormat, format));
    if (!output) return;
    for (const std::string& conflict :
         outputConflicts(line.files, line.outputDirectory, output->extension)) {
        note("warning: " + conflict);
    }
}

// Files at once: -j, or one per processor.
JobCapacity capacityFor(const CommandLine& line) {
    JobCapacity capacity;
    capacity.workers = line.jobs.value_or(
        static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned{kMaxJobs})));
    if (line.maxInputSize) capacity.maxInputBytes = *line.maxInputSize;
    return capacity;
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

    // The settings are read on every run and written only with --save-options.
    OptionStore options;
    options.setDefaults();
    loadOptions(platform.settings, options);
    if (!applyOptionOverrides(*line, options, error)) return usageError(error);

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
    window.setJobCapacity(capacityFor(*line));
    if (!applyToWindow(*line, dialog, window, error)) return usageError(error);

    // The whole command line is accepted: only now are the options saved.
    const bool saved = !line->saveOptions || saveOptionsTo(platform, options);
    if (line->savesOnly()) return saved ? kAllConverted : kSomeFailed;

    announceConflicts(*line, dialog);
    std::string created;
    const bool directoryReady = createOutputDirectory(line->outputDirectory, created);
    if (!created.empty()) note(created);
    if (!directoryReady) return kStopped;

    window.onCommand(ids::kStart);
    window.waitForJob();
    const JobCounters& job = window.lastJob();
    if (!job.reachedSummary) return kStopped;
    return job.failed == 0 && saved ? kAllConverted : kSomeFailed;
}

}  // namespace pictrano
