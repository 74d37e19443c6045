#include "app/ConversionJob.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/ControlDeclarations.h"
#include "app/ConversionWorkers.h"
#include "app/JobPreparation.h"
#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"

namespace pictrano {
namespace {

using Icon = DialogControls::Icon;

// Adds a line to the message list and selects it, so that the newest line is in view.
void addLine(DialogControls& controls, const std::string& line) {
    controls.setSelection(ids::kMessageList, controls.addItem(ids::kMessageList, line));
}

void shrinkToLimits(DibImage& image, const JobSettings& settings) {
    if (settings.maxWidth == 0) return;
    const std::optional<PictureSize> size =
        shrunkSize(image.width(), image.height(), settings.maxWidth, settings.maxHeight);
    // A picture whose resize fails is saved at the size it has.
    if (size) image.resize(size->width, size->height);
}

// Loads, shrinks and saves one source file. Output paths are never cut to a fixed length: a
// path the file system cannot take fails as a write error. Touches no control, so that it can
// run on any thread.
EntryResult convertFile(const JobSettings& settings, const std::string& source,
                        std::uintmax_t maxInputBytes) {
    try {
        const std::string outputPath =
            outputPathFor(settings.outputDirectory, source, settings.extension);
        auto loader = std::make_unique<ImageLoader>();
        loader->maxFileBytes = maxInputBytes;
        if (settings.colourOptions != 0) loader->colourOptions = settings.colourOptions;
        std::unique_ptr<DibImage> image = loader->loadFile(source);
        if (!image) return {FileOutcome::Failed, "読み取りエラー : " + loader->errors().utf8()};
        loader.reset();

        shrinkToLimits(*image, settings);
        auto saver = std::make_unique<ImageSaver>();
        SaveParams record = settings.record;  // the JPEG branch writes its sampling back
        if (saver->saveFile(outputPath, *image, &record) != 0) return {FileOutcome::Succeeded, {}};
        return {FileOutcome::Failed, "変換エラー : " + saver->errors().utf8()};
    } catch (const std::bad_alloc&) {
        return {FileOutcome::OutOfMemory, {}};
    }
}

// Adds the entry's lines around its conversion: its name first, then what converting it gave.
FileOutcome reportEntry(DialogControls& controls, ConversionWorkers& workers,
                        const std::string& source, int index) {
    try {
        addLine(controls, source + " ...");
        const EntryResult result = workers.take(index);
        if (!result.line.empty()) addLine(controls, result.line);
        return result.outcome;
    } catch (const std::bad_alloc&) {
        return FileOutcome::OutOfMemory;
    }
}

JobCounters convertEntries(const JobParams& job, const JobSettings& settings) {
    DialogControls& controls = *job.controls;
    std::vector<std::string> sources;
    std::vector<std::vector<std::string>> files;
    for (int index = 0; index < settings.entryCount; ++index) {
        sources.push_back(controls.itemText(ids::kSourceList, index));
        files.push_back(
            {sources.back(), outputPathFor(settings.outputDirectory, sources.back(), settings.extension)});
    }
    std::vector<std::vector<int>> after(sources.size());
    if (job.capacity.workers > 1) after = earlierEntriesSharingFiles(files);
    ConversionWorkers workers(job.capacity.workers, std::move(after), [&](int index) {
        return convertFile(settings, sources[static_cast<std::size_t>(index)],
                           job.capacity.maxInputBytes);
    });
    JobCounters counters;
    for (int index = 0; index < settings.entryCount; ++index) {
        if (job.cancelRequested->load() != 0) {
            addLine(controls, "ユーザからのキャンセル要求がありました。");
            break;
        }
        ++counters.attempted;
        const FileOutcome outcome =
            reportEntry(controls, workers, sources[static_cast<std::size_t>(index)], index);
        if (outcome == FileOutcome::Succeeded) {
            ++counters.succeeded;
        } else {
            ++counters.failed;
        }
        if (outcome == FileOutcome::OutOfMemory) {
            controls.messageBox("メモリが不足しているため処理を中止します。", Icon::Error);
            break;
        }
    }
    return counters;
}

std::string summaryLine(const JobCounters& counters) {
    return "ファイル作成を完了しました。対象=" + std::to_string(counters.attempted) +
           ", 成功=" + std::to_string(counters.succeeded) +
           ", 失敗=" + std::to_string(counters.failed);
}

// Clears the running flag when the job ends, whichever way it ends.
class RunningGuard {
public:
    explicit RunningGuard(std::atomic<std::int32_t>& running) : running_(running) {}
    ~RunningGuard() { running_.store(0); }
    RunningGuard(const RunningGuard&) = delete;
    RunningGuard& operator=(const RunningGuard&) = delete;

private:
    std::atomic<std::int32_t>& running_;
};

}  // namespace

std::optional<PictureSize> shrunkSize(int width, int height, int maxWidth, int maxHeight) {
    if (width <= maxWidth && height <= maxHeight) return std::nullopt;
    if (width < 1 || height < 1 || maxWidth < 1 || maxHeight < 1) return std::nullopt;
    const std::int64_t w = width;
    const std::int64_t h = height;
    const std::int64_t maxW = maxWidth;
    const std::int64_t maxH = maxHeight;
    std::int64_t newWidth = maxW;
    std::int64_t newHeight = maxH;
    if (w * maxH > h * maxW) {
        newHeight = h * maxW / w;
    } else {
        newWidth = w * maxH / h;
    }
    return PictureSize{static_cast<int>(std::max<std::int64_t>(newWidth, 1)),
                       static_cast<int>(std::max<std::int64_t>(newHeight, 1))};
}

int runConversionJob(const JobParams& job) {
    RunningGuard clearRunning(*job.running);
    DialogControls& controls = *job.controls;
    try {
        std::optional<JobSettings> settings = prepareJob(controls, *job.options);
        if (!settings) return 0;
        controls.setText(ids::kClose, kCancelText);
        JobCounters counters = convertEntries(job, *settings);
        addLine(controls, summaryLine(counters));
        counters.reachedSummary = true;
        if (job.counters != nullptr) *job.counters = counters;
        controls.setText(ids::kClose, kCloseText);
        return 1;
    } catch (const std::bad_alloc&) {
        // Out of memory even for the summary: leave the window usable.
        try {
            controls.setText(ids::kClose, kCloseText);
        } catch (const std::bad_alloc&) {
        }
        return 0;
    }
}

}  // namespace pictrano
