#include "cli/CommandLine.h"

#include <string_view>

namespace pictrano {
namespace {

enum class Option {
    Format, Colour, Compression, Degree, MaxSize, Output, JpegReadDct, JpegReadLossless,
    JpegSampling, IconTransparent, Jobs, MaxInputSize, SaveOptions, Help, Version
};

struct OptionName {
    const char* shortName;  // "" when the option has none
    const char* longName;
    Option option;
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {"-f", "--format", Option::Format, true},
    {"-c", "--colour", Option::Colour, true},
    {"-p", "--compression", Option::Compression, true},
    {"-d", "--degree", Option::Degree, true},
    {"-s", "--max-size", Option::MaxSize, true},
    {"-o", "--output", Option::Output, true},
    {"", "--jpeg-read-dct", Option::JpegReadDct, true},
    {"", "--jpeg-read-lossless", Option::JpegReadLossless, true},
    {"", "--jpeg-sampling", Option::JpegSampling, true},
    {"", "--icon-transparent", Option::IconTransparent, true},
    {"-j", "--jobs", Option::Jobs, true},
    {"", "--max-input-size", Option::MaxInputSize, true},
    {"", "--save-options", Option::SaveOptions, false},
    {"-h", "--help", Option::Help, false},
    {"", "--version", Option::Version, false},
};

const OptionName* findOption(std::string_view name) {
    for (const OptionName& option : kOptions) {
        if (name == option.longName || name == option.shortName) return &option;
    }
    return nullptr;
}

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

// A decimal number from 1 to `maximum`, digits only.
std::optional<std::uintmax_t> countUpTo(const std::string& value, std::uintmax_t maximum) {
    if (value.empty() || value.size() > 12) return std::nullopt;
    std::uintmax_t number = 0;
    for (char digit : value) {
        if (digit < '0' || digit > '9') return std::nullopt;
        number = number * 10 + static_cast<std::uintmax_t>(digit - '0');
    }
    if (number < 1 || number > maximum) return std::nullopt;
    return number;
}

std::optional<std::pair<std::string, std::string>> splitSize(const std::string& value) {
    const std::size_t x = value.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 == value.size()) return std::nullopt;
    return std::make_pair(value.substr(0, x), value.substr(x + 1));
}

// The output format a -f value names, by its own name or an alias.
std::optional<std::string> formatNamed(const std::string& value) {
    if (indexOf(kFormatNames, value) >= 0) return value;
    for (const auto& [alias, format] : kFormatAliases) {
        if (value == alias) return std::string(format);
    }
    return std::nullopt;
}

std::string formatList() {
    std::string list;
    for (const char* name : kFormatNames) list += std::string(list.empty() ? "" : ", ") + name;
    for (const auto& [alias, format] : kFormatAliases) list += std::string(", ") + alias;
    return list;
}

// Applies one option that takes a value; false with `error` set when the value is not valid.
bool applyValued(CommandLine& line, Option option, const std::string& spelled,
                 const std::string& value, std::string& error) {
    auto invalid = [&](const std::string& offered = {}) {
        error = "invalid value for " + spelled + ": " + value;
        if (!offered.empty()) error += " (offered: " + offered + ")";
        return false;
    };
    switch (option) {
        case Option::Format:
            if (auto format = formatNamed(value)) {
                line.format = *format;
                return true;
            }
            return invalid(formatList());
        case Option::Colour: line.colour = value; return true;
        case Option::Compression:
            if (indexOf(kCompressionNames, value) < 0) return invalid();
            line.compression = value;
            return true;
        case Option::Degree: line.degree = value; return true;
        case Option::MaxSize:
            line.maxSize = splitSize(value);
            return line.maxSize ? true : invalid();
        case Option::Output: line.outputDirectory = value; return true;
        case Option::JpegReadDct:
            line.jpegReadDct = colourReading(value);
            return line.jpegReadDct ? true : invalid("ycbcr, rgb");
        case Option::JpegReadLossless:
            line.jpegReadLossless = colourReading(value);
            return line.jpegReadLossless ? true : invalid("ycbcr, rgb");
        case Option::JpegSampling:
            line.jpegSampling = samplingIndex(value);
            return line.jpegSampling ? true : invalid("1:1:1, 2:1:1, 4:1:1");
        case Option::IconTransparent: line.iconTransparent = value; return true;
        case Option::Jobs:
            if (auto jobs = countUpTo(value, kMaxJobs)) {
                line.jobs = static_cast<int>(*jobs);
                return true;
            }
            return invalid("1 to " + std::to_string(kMaxJobs));
        case Option::MaxInputSize:
            line.maxInputSize = countUpTo(value, kMaxInputSizeCap);
            return line.maxInputSize ? true : invalid("1 to " + std::to_string(kMaxInputSizeCap));
        default: return true;
    }
}

void applyFlag(CommandLine& line, Option option) {
    if (option == Option::SaveOptions) line.saveOptions = true;
    if (option == Option::Version) line.version = true;
}

bool asksForHelp(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") return false;
        if (argument == "-h" || argument == "--help") return true;
    }
    return false;
}

// The whole line is there: what to convert and where, or only options to save.
bool isComplete(const CommandLine& line, std::string& error) {
    if (line.version || line.savesOnly()) return true;
    if (line.outputDirectory.empty()) {
        error = "an output directory is required (-o DIR)";
        return false;
    }
    if (line.files.empty()) {
        error = "no files to convert";
        return false;
    }
    return true;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
    CommandLine line;
    if (asksForHelp(arguments)) {
        line.help = true;
        return line;
    }
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            line.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value for long options; a short option takes the next argument.
        const std::size_t equals =
            argument.starts_with("--") ? argument.find('=') : std::string::npos;
        const std::string name = argument.substr(0, equals);
        const OptionName* option = findOption(name);
        if (option == nullptr) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!option->takesValue) {
            if (equals != std::string::npos) {
                error = "option " + name + " takes no value";
                return std::nullopt;
            }
            applyFlag(line, option->option);
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            error = "option " + name + " needs a value";
            return std::nullopt;
        }
        if (!applyValued(line, option->option, name, value, error)) return std::nullopt;
    }
    if (!isComplete(line, error)) return std::nullopt;
    return line;
}

std::string usageText() {
    return std::string(R"(Usage: pictrano [options] -o DIR FILE...
       pictrano [option values] --save-options
Converts image files into one output format. Files read: )") + kFormatsRead + R"(.

  -f, --format bmp|jpeg|png|ico       output format (default bmp); jpg and icon serve too
  -c, --colour NAME                   a colour format of that format: its list text
                                      ("カラー 24bit RGB") or its alias (rgb24);
                                      default: the entry the window selects
  -p, --compression none|rle|dct|lossless|deflate
                                      default: the first entry offered, or with -d the
                                      first one offered that takes that degree
  -d, --degree VALUE                  quality 1-99 (dct), predictor 1-7 (lossless), or
                                      low|medium|high[-none|-sub|-up|-average|-paeth|-auto]
                                      (deflate); absent: no degree is chosen
  -s, --max-size WxH                  maximum size; absent: no limit
  -o, --output DIR                    output directory (required to convert; created with
                                      its parents when missing)
      --jpeg-read-dct ycbcr|rgb       colour of DCT-based JPEG files being read
      --jpeg-read-lossless ycbcr|rgb  colour of lossless JPEG files being read
      --jpeg-sampling 1:1:1|2:1:1|4:1:1
                                      sampling of YCbCr baseline JPEG output
      --icon-transparent none|RRGGBB|top-left|top-right|bottom-left|bottom-right|border
                                      transparent colour of Icon output
  -j, --jobs N                        files converted at once (default: the number of
                                      processors); the lines still come in file order
      --max-input-size BYTES          largest file read (default 4194304, at most
                                      268435456)
      --save-options                  write the option values to the settings file, once
                                      the whole command line is accepted; without files
                                      and -o nothing is converted
  -h, --help                          this text
      --version                       the program's version
Long options also take their value as --name=VALUE.

The option values start from the settings file, read on every run:
$XDG_CONFIG_HOME/Tovami/Pictrano.ini (~/.config/Tovami/Pictrano.ini without it).

Exit status: 0 every file converted, 1 some file failed or the options could not be saved,
2 the job was stopped by a check or the command line was wrong.
)";
}

}  // namespace pictrano
