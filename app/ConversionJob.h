#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "app/DialogControls.h"
#include "app/OptionStore.h"
#include "imagelib/front/SaveParams.h"

namespace pictrano {

// How far the job came and what it counted, for callers that report it (the command-line tool).
struct JobCounters {
    bool reachedSummary = false;  // false when a check stopped the job
    int attempted = 0;
    int succeeded = 0;
    int failed = 0;
};

// The record handed to the job's thread. The main window owns it and the flags and keeps them
// alive until the thread has been joined.
struct JobParams {
    DialogControls* controls = nullptr;
    std::atomic<std::int32_t>* running = nullptr;          // cleared by the job on every way out
    std::atomic<std::int32_t>* cancelRequested = nullptr;  // read before each file
    const OptionStore* options = nullptr;
    JobCounters* counters = nullptr;  // filled in when given
};

// The output choices a SaveParams record is built from.
struct OutputChoice {
    std::uint16_t format = 0;   // kFormatBitmap ... kFormatIcon
    int model = 0;              // colour model index: 0 monochrome, 1 RGB, 2 YCbCr
    int bits = 0;               // bits per pixel
    std::uint16_t process = 0;  // 192 baseline, 195 lossless, 1 Bitmap RLE, else 0
    std::int16_t degree = 0;
};

// What the job derives once, before the first file.
struct JobSettings {
    SaveParams record{};
    std::string extension;            // ".bmp", ".jpg", ".png" or ".ico"
    std::uint32_t colourOptions = 0;  // for every ImageLoader
    int maxWidth = 0;                 // 0: no size limit
    int maxHeight = 0;
    std::string outputDirectory;
    int entryCount = 0;               // source entries to convert
};

// The record for the choice, with the JPEG sampling factors and the Icon transparency taken
// from the options.
SaveParams buildSaveParams(const OutputChoice& choice, const OptionStore& options);

// The ImageLoader colourOptions word: 2 for raw DCT-based files, OR 0x200 for raw lossless ones.
std::uint32_t colourOptionsFrom(const OptionStore& options);

// Runs the job's checks in their fixed order against the window's controls. The first failure is
// shown in a message box and gives nullopt. Clears the message list once the size check passed.
std::optional<JobSettings> prepareJob(DialogControls& controls, const OptionStore& options);

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
