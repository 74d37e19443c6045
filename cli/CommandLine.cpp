#include "cli/CommandLine.h"

#include <string_view>

namespace pictrano {
namespace {

std::optional<int> colourReading(const std::string& value) {
    if (value == "ycbcr") return 0;
    if (value == "rgb") return 1;
    return std::nullopt;
}

std::optional<int> samplingIndex(const std::string& value) {
    if (value == "1:1:1") return 0;
    if (value == "2:1:1") return 1;
    if (value == "4:1:1") return 2;
    return std::nullopt;
}

std::optional<std::pair<std::string, std::string>> splitSize(const std::string& value) {
    const std::size_t x = value.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 == value.size()) return std::nullopt;
    return std::make_pair(value.substr(0, x), value.substr(x + 1));
}

// Applies one option that takes a value; false with `error` set when the value is not valid.
bool applyValued(CommandLine& line, std::string_view option, const std::string& value,
                 std::string& error) {
    auto invalid = [&] {
        error = "invalid value for " + std::string(option) + ": " + value;
        return false;
    };
    if (option == "-f" || option == "--format") {
        if (indexOf(kFormatNames, value) < 0) return invalid();
        line.format = value;
    } else if (option == "-c" || option == "--colour") {
        line.colour = value;
    } else if (option == "-p" || option == "--compression") {
        if (indexOf(kCompressionNames, value) < 0) return invalid();
        line.compression = value;
    } else if (option == "-d" || option == "--degree") {
        line.degree = value;
    } else if (option == "-s" || option == "--max-size") {
        line.maxSize = splitSize(value);
        if (!line.maxSize) return invalid();
    } else if (option == "-o" || option == "--output") {
        line.outputDirectory = value;
    } else if (option == "--jpeg-read-dct") {
        line.jpegReadDct = colourReading(value);
        if (!line.jpegReadDct) return invalid();
    } else if (option == "--jpeg-read-lossless") {
        line.jpegReadLossless = colourReading(value);
        if (!line.jpegReadLossless) return invalid();
    } else if (option == "--jpeg-sampling") {
        line.jpegSampling = samplingIndex(value);
        if (!line.jpegSampling) return invalid();
    } else if (option == "--icon-transparent") {
        line.iconTransparent = value;
    } else {
        error = "unknown option " + std::string(option);
        return false;
    }
    return true;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            line.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            line.help = true;
        } else if (argument == "--version") {
            line.version = true;
        } else if (argument == "--save-options") {
            line.saveOptions = true;
        } else {
            std::string option = argument;
            std::string value;
            const std::size_t equals = argument.find('=');
            if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
                option = argument.substr(0, equals);
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                error = "option " + argument + " needs a value";
                return std::nullopt;
            }
            if (!applyValued(line, option, value, error)) return std::nullopt;
        }
    }
    if (line.help || line.version) return line;
    if (line.outputDirectory.empty()) {
        error = "an output directory is required (-o DIR)";
        return std::nullopt;
    }
    if (line.files.empty()) {
        error = "no files to convert";
        return std::nullopt;
    }
    return line;
}

const char* usageText() {
    return R"(Usage: pictrano [options] FILE...
Converts image files (Bitmap, JPEG, PNG) into one output format.

  -f, --format bmp|jpeg|png|ico       output format (default bmp)
  -c, --colour NAME                   a colour format of that format: its list text
                                      ("カラー 24bit RGB") or its alias (rgb24);
                                      default: the entry the window selects
  -p, --compression none|rle|dct|lossless|deflate
                                      default: the first entry offered
  -d, --degree VALUE                  quality 1-99 (dct), predictor 1-7 (lossless), or
                                      low|medium|high[-none|-sub|-up|-average|-paeth|-auto]
                                      (deflate); absent: no degree is chosen
  -s, --max-size WxH                  maximum size; absent: no limit
  -o, --output DIR                    output directory (required)
      --jpeg-read-dct ycbcr|rgb       colour of DCT-based JPEG files being read
      --jpeg-read-lossless ycbcr|rgb  colour of lossless JPEG files being read
      --jpeg-sampling 1:1:1|2:1:1|4:1:1
                                      sampling of YCbCr baseline JPEG output
      --icon-transparent none|RRGGBB|top-left|top-right|bottom-left|bottom-right|border
                                      transparent colour of Icon output
      --save-options                  write the option values back to the settings store
  -h, --help                          this text
      --version                       the program's version

Exit status: 0 every file converted, 1 some file failed, 2 the job was stopped by a check or
the command line was wrong.
)";
}

}  // namespace pictrano
