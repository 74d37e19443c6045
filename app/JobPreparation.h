#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/DialogControls.h"
#include "app/OptionStore.h"
#include "imagelib/front/SaveParams.h"

namespace pictrano {

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

// The output format of a format-list entry's item data: its record code and file extension.
struct OutputFormat {
    std::uint16_t code;
    const char* extension;
};
std::optional<OutputFormat> outputFormatOf(std::uint32_t itemData);

// Where the job writes what it makes of `source`: the source's name without its extension, plus
// `extension`, in the output directory.
std::string outputPathFor(const std::string& outputDirectory, const std::string& source,
                          const std::string& extension);

// The record for the choice, with the JPEG sampling factors and the Icon transparency taken
// from the options.
SaveParams buildSaveParams(const OutputChoice& choice, const OptionStore& options);

// The ImageLoader colourOptions word: 2 for raw DCT-based files, OR 0x200 for raw lossless ones.
std::uint32_t colourOptionsFrom(const OptionStore& options);

// Runs the job's checks in their fixed order against the window's controls. The first failure is
// shown in a message box and gives nullopt. Clears the message list once the size check passed.
std::optional<JobSettings> prepareJob(DialogControls& controls, const OptionStore& options);

}  // namespace pictrano
