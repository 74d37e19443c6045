#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "app/DialogControls.h"
#include "app/OptionStore.h"
#include "imagelib/front/ImageLoader.h"

namespace pictrano {

// How far the job came and what it counted, for callers that report it (the command-line tool).
struct JobCounters {
    bool reachedSummary = false;  // false when a check stopped the job
    int attempted = 0;
    int succeeded = 0;
    int failed = 0;
};

// How many files the job converts at once and how large an input file it reads. The desktop
// program keeps the defaults; the command-line tool may widen both.
struct JobCapacity {
    int workers = 1;
    std::uintmax_t maxInputBytes = ImageLoader::kMaxFileBytes;
};

// The record handed to the job's thread. The main window owns it and the flags and keeps them
// alive until the thread has been joined.
struct JobParams {
    DialogControls* controls = nullptr;
    std::atomic<std::int32_t>* running = nullptr;          // cleared by the job on every way out
    std::atomic<std::int32_t>* cancelRequested = nullptr;  // read before each file
    const OptionStore* options = nullptr;
    JobCounters* counters = nullptr;  // filled in when given
    JobCapacity capacity;
};

struct PictureSize {
    int width;
    int height;
};

// The size a width x height picture shrinks to, keeping its ratio, when it exceeds the limits;
// nullopt when it fits. Sides never drop below 1.
std::optional<PictureSize> shrunkSize(int width, int height, int maxWidth, int maxHeight);

// The job's thread procedure: checks, converts every source entry, adds the summary. Returns 1
// when it reached the summary and 0 when it stopped earlier; clears *running on every way out.
int runConversionJob(const JobParams& job);

}  // namespace pictrano
