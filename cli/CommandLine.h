#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pictrano {

// What the command line asks for. Absent optionals keep the window's or the store's choice.
struct CommandLine {
    std::string format = "bmp";              // bmp, jpeg, png, ico
    std::optional<std::string> colour;       // list text or alias
    std::optional<std::string> compression;  // none, rle, dct, lossless, deflate
    std::optional<std::string> degree;
    std::optional<std::pair<std::string, std::string>> maxSize;  // width and height texts
    std::string outputDirectory;
    std::optional<int> jpegReadDct;          // 0 YCbCr, 1 RGB
    std::optional<int> jpegReadLossless;
    std::optional<int> jpegSampling;         // 0 1:1:1, 1 2:1:1, 2 4:1:1
    std::optional<std::string> iconTransparent;
    bool saveOptions = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
};

// Parses the arguments after the program name. On an error returns nothing and sets `error`.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

// The usage text printed by --help and after a command-line error.
const char* usageText();

}  // namespace pictrano
