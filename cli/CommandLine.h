#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imagelib/image/RowLayout.h"

namespace pictrano {

// The input formats the tool reads today, as the help text names them.
inline constexpr char kFormatsRead[] = "Bitmap, JPEG, PNG";

// The largest value --max-input-size takes: the library's limit on a picture's memory.
inline constexpr std::uintmax_t kMaxInputSizeCap = static_cast<std::uintmax_t>(kMaxPictureBytes);
// The most files -j converts at once.
inline constexpr int kMaxJobs = 256;

// The output formats in the order of the window's format list.
inline constexpr std::array<const char*, 4> kFormatNames = {"bmp", "jpeg", "png", "ico"};
// Other names -f takes, each with the format it stands for.
inline constexpr std::array<std::pair<const char*, const char*>, 2> kFormatAliases{{
    {"jpg", "jpeg"},
    {"icon", "ico"},
}};
// The compressions in the order of their flags: name i stands for flag 1 << i.
inline constexpr std::array<const char*, 5> kCompressionNames = {"none", "rle", "dct", "lossless",
                                                                 "deflate"};

// The position of `name` among `names`, -1 when it is none of them.
template <std::size_t N>
int indexOf(const std::array<const char*, N>& names, const std::string& name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (name == names[i]) return static_cast<int>(i);
    }
    return -1;
}

// What the command line asks for. Absent optionals keep the window's or the store's choice.
struct CommandLine {
    std::string format = "bmp";              // one of kFormatNames
    std::optional<std::string> colour;       // list text or alias
    std::optional<std::string> compression;  // one of kCompressionNames
    std::optional<std::string> degree;
    std::optional<std::pair<std::string, std::string>> maxSize;  // width and height texts
    std::string outputDirectory;
    std::optional<int> jpegReadDct;          // 0 YCbCr, 1 RGB
    std::optional<int> jpegReadLossless;
    std::optional<int> jpegSampling;         // 0 1:1:1, 1 2:1:1, 2 4:1:1
    std::optional<std::string> iconTransparent;
    std::optional<int> jobs;                     // files converted at once
    std::optional<std::uintmax_t> maxInputSize;  // bytes
    bool saveOptions = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;

    // Only --save-options: the options are saved and nothing is converted.
    bool savesOnly() const { return saveOptions && files.empty() && outputDirectory.empty(); }
};

// Parses the arguments after the program name. On an error returns nothing and sets `error`.
// -h or --help anywhere before "--" asks for the help alone.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

// The usage text printed by --help and after a command-line error.
std::string usageText();

}  // namespace pictrano
