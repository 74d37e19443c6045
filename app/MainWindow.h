#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/ControlDeclarations.h"
#include "app/ConversionJob.h"
#include "app/DialogControls.h"
#include "app/OptionStore.h"

namespace pictrano {

// Notification codes that come with a command (the Windows values).
inline constexpr int kClicked = 0;           // BN_CLICKED, menu entries
inline constexpr int kSelectionChanged = 1;  // CBN_SELCHANGE

// What the file-open dialog returned: nothing (cancelled or failed), one full path, or a
// directory followed by the chosen names.
struct FileDialogResult {
    bool bufferTooSmall = false;  // more was chosen than the dialog's buffer could hold
    std::vector<std::string> strings;
};

// The platform's parts of the main window. Any of them may be left empty.
struct MainWindowHooks {
    std::function<void()> loadWindowSettings;  // restores position and output directory
    std::function<void()> saveSettings;        // writes the options, then the window settings
    std::function<FileDialogResult()> chooseFiles;
    std::function<std::optional<std::string>()> chooseDirectory;
    std::function<void()> openOptions;
    std::function<void(bool accept)> acceptDrops;  // whether the source list takes dropped files
    std::function<void()> postClose;               // asks the window to close (then onClose)
};

// The main window's logic over its controls: the dependent lists, the commands, and starting,
// cancelling and waiting for the conversion job, which runs on its own thread.
class MainWindow {
public:
    MainWindow(DialogControls& controls, const OptionStore& options, MainWindowHooks hooks = {});
    // Asks a running job to stop and waits for its thread.
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Fills the lists and selects Bitmap, "カラー 24bit RGB", "(なし)".
    void initialise();

    // A command from a button, a menu entry or a list. While a job runs only kClose counts: it
    // requests cancellation.
    void onCommand(int id, int notification = kClicked);
    // Files dropped on the source list; refused while a job runs.
    void onDropFiles(const std::vector<std::string>& paths);
    // The window is asked to close: false (refused) while a job runs; otherwise stops drops,
    // waits for the finished job's thread, saves the settings and returns true.
    bool onClose();

    // Adds the result of the file dialog to the source list.
    void addChosenFiles(const std::vector<std::string>& result);

    void refillColourFormats();
    void refillCompressions();
    void updateDegreeList();

    bool isRunning() const { return running_.load() != 0; }
    // Waits until the job's thread, if any, has ended.
    void waitForJob();
    // What the last job counted; read it after waitForJob().
    const JobCounters& lastJob() const { return lastJob_; }
    // For the jobs started from now on (the command-line tool's -j and --max-input-size).
    void setJobCapacity(const JobCapacity& capacity) { jobCapacity_ = capacity; }

private:
    void startJob();
    void addFilesByDialog();
    void removeSelectedFiles();
    void chooseOutputDirectory();
    void requestClose();
    bool isListed(const std::string& path) const;

    DialogControls& controls_;
    const OptionStore& options_;
    MainWindowHooks hooks_;
    std::atomic<std::int32_t> running_{0};
    std::atomic<std::int32_t> cancelRequested_{0};
    JobParams jobParams_;
    JobCounters lastJob_;
    JobCapacity jobCapacity_;
    std::thread job_;
};

}  // namespace pictrano
