#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pictrano {

enum class FileOutcome { Succeeded, Failed, OutOfMemory };

// What converting one source entry gave: its outcome and the line it adds after the entry's
// own line, if any.
struct EntryResult {
    FileOutcome outcome = FileOutcome::Failed;
    std::string line;
};

// For each entry (the files it reads and writes), for each of its files the latest earlier entry
// that reads or writes that file. Waiting for them keeps files converted at once meeting the
// same file contents as one after another: a shared output is left by the later entry, a source
// is read before a later entry replaces it and after an earlier one made it.
std::vector<std::vector<int>> earlierEntriesSharingFiles(
    const std::vector<std::vector<std::string>>& files);

// Converts the entries 0 .. count-1 in that order of starting, on `workers` threads ahead of the
// job, which takes the results in entry order; an entry starts once the earlier entries listed
// in after[entry] have finished. With one worker (or when no thread can be started) nothing runs
// ahead: take() converts the entry itself, when asked.
class ConversionWorkers {
public:
    using Convert = std::function<EntryResult(int index)>;

    ConversionWorkers(int workers, std::vector<std::vector<int>> after, Convert convert);
    // Starts no further entry and waits for the ones under way.
    ~ConversionWorkers();
    ConversionWorkers(const ConversionWorkers&) = delete;
    ConversionWorkers& operator=(const ConversionWorkers&) = delete;

    // The result of entry `index`, waiting for it. Called for 0, 1, 2 ... in turn.
    EntryResult take(int index);

private:
    void work();

    Convert convert_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::vector<int>> after_;
    std::vector<std::optional<EntryResult>> results_;
    int next_ = 0;          // the next entry a worker starts
    bool stopped_ = false;  // no entry is started any more (job ended, or out of memory)
    std::vector<std::thread> threads_;
};

}  // namespace pictrano
