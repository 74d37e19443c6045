#include "app/MainWindow.h"

#include <new>
#include <system_error>
#include <utility>

#include "app/ControlIds.h"
#include "app/FormatTables.h"
#include "app/PathNames.h"

namespace pictrano {
namespace {

using Icon = DialogControls::Icon;

}  // namespace

MainWindow::MainWindow(DialogControls& controls, const OptionStore& options,
                       MainWindowHooks hooks)
    : controls_(controls), options_(options), hooks_(std::move(hooks)) {}

MainWindow::~MainWindow() {
    if (job_.joinable()) {
        cancelRequested_.store(1);
        job_.join();
    }
}

void MainWindow::initialise() {
    for (const OutputFormatRow& row : OutputFormatTable) {
        controls_.setItemData(ids::kOutputFormat, controls_.addItem(ids::kOutputFormat, row.name),
                              row.data);
    }
    controls_.setSelection(ids::kOutputFormat, 0);
    controls_.setText(ids::kMaxWidth, "600");
    controls_.setText(ids::kMaxHeight, "600");
    refillColourFormats();
    if (hooks_.acceptDrops) hooks_.acceptDrops(true);
    if (hooks_.loadWindowSettings) hooks_.loadWindowSettings();
    controls_.setSelection(ids::kOutputFormat, 0);
    refillColourFormats();
    controls_.setSelection(ids::kColourFormat, 1);  // "カラー 24bit RGB"
    refillCompressions();
}

// The chain refillColourFormats -> refillCompressions -> updateDegreeList: each refills its list
// and hands on; the last one sets the degree controls.
void MainWindow::refillColourFormats() {
    controls_.clearItems(ids::kColourFormat);
    const int format = controls_.selection(ids::kOutputFormat);
    if (format >= 0) {
        const std::uint32_t formatData = controls_.itemData(ids::kOutputFormat, format);
        for (const ColourFormatRow& row : ColourFormatTable) {
            if (row.format != formatData) continue;
            controls_.setItemData(ids::kColourFormat,
                                  controls_.addItem(ids::kColourFormat, row.name),
                                  packColourFormat(row));
        }
    }
    if (controls_.itemCount(ids::kColourFormat) > 0) controls_.setSelection(ids::kColourFormat, 0);
    refillCompressions();
}

void MainWindow::refillCompressions() {
    controls_.clearItems(ids::kCompression);
    const int colour = controls_.selection(ids::kColourFormat);
    if (colour >= 0) {
        const std::uint32_t allowed =
            unpackColourFormat(controls_.itemData(ids::kColourFormat, colour)).compressions;
        for (const CompressionRow& row : CompressionTable) {
            if ((row.flag & allowed) == 0) continue;
            controls_.setItemData(ids::kCompression,
                                  controls_.addItem(ids::kCompression, row.name), row.flag);
        }
        controls_.setSelection(ids::kCompression, 0);
    }
    updateDegreeList();
}

// The degree check box and list follow the compression; the box's check state is left alone.
void MainWindow::updateDegreeList() {
    controls_.setEnabled(ids::kDegreeCheck, false);
    controls_.setEnabled(ids::kDegreeList, false);
    const int compression = controls_.selection(ids::kCompression);
    if (compression >= 0) {
        const std::uint32_t flag = controls_.itemData(ids::kCompression, compression);
        std::optional<DegreeList> degrees;
        const char* label = kQualityLabel;
        if (flag == kCompressionBaselineDct) {
            degrees = qualityDegrees();
        } else if (flag == kCompressionLossless) {
            degrees = predictorDegrees();
            label = kPredictorLabel;
        } else if (flag == kCompressionDeflate) {
            degrees = deflateDegrees();
        }
        if (degrees) {
            controls_.setEnabled(ids::kDegreeCheck, true);
            controls_.setText(ids::kDegreeCheck, label);
            fillList(controls_, ids::kDegreeList, degrees->lines);
            controls_.setSelection(ids::kDegreeList, degrees->defaultIndex);
        }
    }
    controls_.setEnabled(ids::kDegreeList, controls_.isEnabled(ids::kDegreeCheck) &&
                                                controls_.isChecked(ids::kDegreeCheck));
}

void MainWindow::onCommand(int id, int notification) {
    if (isRunning()) {
        if (id == ids::kClose) cancelRequested_.store(1);
        return;
    }
    switch (id) {
    case ids::kStart: startJob(); break;
    case ids::kClose:
    case ids::kMenuExit: requestClose(); break;
    case ids::kAddFiles:
    case ids::kMenuAddFiles: addFilesByDialog(); break;
    case ids::kRemoveFiles:
    case ids::kMenuRemoveFiles: removeSelectedFiles(); break;
    case ids::kChooseDirectory:
    case ids::kMenuChooseDirectory: chooseOutputDirectory(); break;
    case ids::kMenuOptions:
        if (hooks_.openOptions) hooks_.openOptions();
        break;
    case ids::kMenuVersion:
        controls_.messageBox("Tovami Pictrano version 1.1", Icon::Information);
        break;
    case ids::kOutputFormat:
        if (notification == kSelectionChanged) refillColourFormats();
        break;
    case ids::kColourFormat:
        if (notification == kSelectionChanged) refillCompressions();
        break;
    case ids::kCompression:
        if (notification == kSelectionChanged) updateDegreeList();
        break;
    case ids::kDegreeCheck:
        controls_.setEnabled(ids::kDegreeList, controls_.isChecked(ids::kDegreeCheck));
        break;
    case ids::kMaxSizeCheck: {
        const bool limited = controls_.isChecked(ids::kMaxSizeCheck);
        controls_.setEnabled(ids::kMaxWidth, limited);
        controls_.setEnabled(ids::kMaxHeight, limited);
        break;
    }
    default: break;
    }
}

void MainWindow::startJob() {
    waitForJob();  // the thread of a job that has already ended
    lastJob_ = JobCounters{};
    jobParams_ = JobParams{&controls_, &running_, &cancelRequested_, &options_, &lastJob_,
                           jobCapacity_};
    cancelRequested_.store(0);
    running_.store(1);
    try {
        job_ = std::thread([this] { runConversionJob(jobParams_); });
    } catch (const std::system_error&) {
        running_.store(0);
        controls_.messageBox("メモリが不足しているため処理を中止します。", Icon::Error);
    }
}

void MainWindow::waitForJob() {
    if (job_.joinable()) job_.join();
}

void MainWindow::requestClose() {
    if (hooks_.acceptDrops) hooks_.acceptDrops(false);
    if (hooks_.postClose) hooks_.postClose();
}

bool MainWindow::onClose() {
    if (isRunning()) return false;
    if (hooks_.acceptDrops) hooks_.acceptDrops(false);
    waitForJob();
    if (hooks_.saveSettings) hooks_.saveSettings();
    return true;
}

void MainWindow::addFilesByDialog() {
    if (!hooks_.chooseFiles) return;
    try {
        const FileDialogResult result = hooks_.chooseFiles();
        if (result.bufferTooSmall) {
            controls_.messageBox("ファイルが大きすぎます。指定できる最大数は 1,024 です。",
                                 Icon::Warning);
            return;
        }
        addChosenFiles(result.strings);
    } catch (const std::bad_alloc&) {
        controls_.messageBox("バッファを確保できません。", Icon::Error);
    }
}

// One string is a full path, added as it is. A directory followed by names gives one path per
// name, each added unless the list already holds it.
void MainWindow::addChosenFiles(const std::vector<std::string>& result) {
    if (result.size() == 1) {
        controls_.addItem(ids::kSourceList, result.front());
        return;
    }
    for (std::size_t i = 1; i < result.size(); ++i) {
        const std::string path = joinPath(result.front(), result[i]);
        if (!isListed(path)) controls_.addItem(ids::kSourceList, path);
    }
}

void MainWindow::onDropFiles(const std::vector<std::string>& paths) {
    if (isRunning()) return;
    for (const std::string& path : paths) {
        if (!isListed(path)) controls_.addItem(ids::kSourceList, path);
    }
}

// The list box's own test: an entry that begins with the path, ignoring case, is the same file.
bool MainWindow::isListed(const std::string& path) const {
    return controls_.findItemPrefix(ids::kSourceList, path) >= 0;
}

void MainWindow::removeSelectedFiles() {
    for (int index = controls_.itemCount(ids::kSourceList) - 1; index >= 0; --index) {
        if (controls_.isItemSelected(ids::kSourceList, index)) {
            controls_.deleteItem(ids::kSourceList, index);
        }
    }
}

void MainWindow::chooseOutputDirectory() {
    if (!hooks_.chooseDirectory) return;
    if (const std::optional<std::string> directory = hooks_.chooseDirectory()) {
        controls_.setText(ids::kOutputDirectory, *directory);
    }
}

}  // namespace pictrano
