#include "app/ConversionWorkers.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "platform/WholeFile.h"

namespace pictrano {

std::vector<std::vector<int>> earlierEntriesSharingFiles(
    const std::vector<std::vector<std::string>>& files) {
    std::map<std::filesystem::path, int> lastEntryOf;
    std::vector<std::vector<int>> after(files.size());
    for (std::size_t entry = 0; entry < files.size(); ++entry) {
        for (const std::string& file : files[entry]) {
            std::error_code error;
            std::filesystem::path path = std::filesystem::weakly_canonical(pathFromUtf8(file), error);
            if (error) path = std::filesystem::absolute(pathFromUtf8(file), error).lexically_normal();
            const auto [place, added] = lastEntryOf.try_emplace(path, static_cast<int>(entry));
            if (!added && place->second != static_cast<int>(entry)) {
                after[entry].push_back(place->second);
                place->second = static_cast<int>(entry);
            }
        }
    }
    return after;
}

ConversionWorkers::ConversionWorkers(int workers, std::vector<std::vector<int>> after,
                                     Convert convert)
    : convert_(std::move(convert)), after_(std::move(after)) {
    const int count = static_cast<int>(after_.size());
    if (workers <= 1 || count <= 1) return;
    results_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < workers && i < count; ++i) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;  // the threads started so far do the work
        }
    }
}

ConversionWorkers::~ConversionWorkers() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    for (std::thread& thread : threads_) thread.join();
}

void ConversionWorkers::work() {
    std::unique_lock lock(mutex_);
    while (!stopped_ && next_ < static_cast<int>(results_.size())) {
        const int index = next_++;
        // Earlier entries were started before this one, so they finish whatever happens.
        for (const int earlier : after_[static_cast<std::size_t>(index)]) {
            done_.wait(lock, [&] { return results_[static_cast<std::size_t>(earlier)].has_value(); });
        }
        lock.unlock();
        EntryResult result = convert_(index);
        lock.lock();
        // After running out of memory no further file is started: the job stops there.
        if (result.outcome == FileOutcome::OutOfMemory) stopped_ = true;
        results_[static_cast<std::size_t>(index)] = std::move(result);
        done_.notify_all();
    }
}

EntryResult ConversionWorkers::take(int index) {
    if (threads_.empty()) return convert_(index);
    std::unique_lock lock(mutex_);
    std::optional<EntryResult>& slot = results_[static_cast<std::size_t>(index)];
    done_.wait(lock, [&] { return slot.has_value(); });
    return std::move(*slot);
}

}  // namespace pictrano
