// The conversion job's checks and the settings it derives from the controls and the options.
#include "app/JobPreparation.h"

#include <filesystem>
#include <new>

#include "app/ControlIds.h"
#include "app/DecimalText.h"
#include "app/FormatTables.h"
#include "app/PathNames.h"
#include "platform/WholeFile.h"

namespace pictrano {
namespace {

using Icon = DialogControls::Icon;

constexpr int kMinSize = 1;
constexpr int kMaxSize = 9999;

constexpr std::uint16_t kProcessBaseline = 192;
constexpr std::uint16_t kProcessLossless = 195;
constexpr std::uint16_t kProcessRle = 1;

// The selected index of the degree list, nullopt (after the message) when none is selected.
std::optional<int> selectedDegree(DialogControls& controls) {
    const int index = controls.selection(ids::kDegreeList);
    if (index < 0) {
        controls.messageBox("圧縮度を指定してください。", Icon::Warning);
        return std::nullopt;
    }
    return index;
}

// Process and degree from the compression flags and the degree controls, the first matching
// rule winning.
bool chooseProcessAndDegree(DialogControls& controls, std::uint32_t flags, OutputChoice& choice) {
    const bool degreeChosen = controls.isChecked(ids::kDegreeCheck);
    if (flags & (kCompressionBaselineDct | kCompressionLossless)) {
        choice.process = (flags & kCompressionBaselineDct) ? kProcessBaseline : kProcessLossless;
        choice.degree = 0;
        if (degreeChosen) {
            const std::optional<int> index = selectedDegree(controls);
            if (!index) return false;
            choice.degree = static_cast<std::int16_t>(*index + 1);
        }
    } else if (flags & kCompressionRle) {
        choice.process = kProcessRle;
        choice.degree = 1;
    } else if (flags & kCompressionDeflate) {
        choice.process = 0;
        choice.degree = 1;  // low degree, filter None
        if (degreeChosen) {
            const std::optional<int> index = selectedDegree(controls);
            if (!index) return false;
            choice.degree = static_cast<std::int16_t>((*index % 6) << 4 | (*index / 6 + 1));
        }
    } else {
        choice.process = 0;
        choice.degree = 0;
    }
    return true;
}

// The output format, colour format, compression and degree, checked in that order.
bool readOutputChoice(DialogControls& controls, OutputChoice& choice, JobSettings& settings) {
    const int formatIndex = controls.selection(ids::kOutputFormat);
    if (formatIndex < 0) {
        controls.messageBox("出力形式を指定してください。", Icon::Warning);
        return false;
    }
    const std::optional<OutputFormat> format =
        outputFormatOf(controls.itemData(ids::kOutputFormat, formatIndex));
    if (!format) {
        controls.messageBox("出力形式が不正です。", Icon::Warning);
        return false;
    }
    choice.format = format->code;
    settings.extension = format->extension;

    const int colourIndex = controls.selection(ids::kColourFormat);
    if (colourIndex < 0) {
        controls.messageBox("色形式を指定してください。", Icon::Warning);
        return false;
    }
    const ColourFormatChoice colour =
        unpackColourFormat(controls.itemData(ids::kColourFormat, colourIndex));
    choice.model = colour.model;
    choice.bits = colour.bits;

    const int compressionIndex = controls.selection(ids::kCompression);
    if (compressionIndex < 0) {
        controls.messageBox("圧縮形式を指定してください。", Icon::Warning);
        return false;
    }
    return chooseProcessAndDegree(
        controls, controls.itemData(ids::kCompression, compressionIndex), choice);
}

// With the maximum size on, both boxes must hold 1 to 9999; the width is examined first.
bool readMaximumSize(DialogControls& controls, JobSettings& settings) {
    if (!controls.isChecked(ids::kMaxSizeCheck)) return true;
    int* const targets[] = {&settings.maxWidth, &settings.maxHeight};
    const int boxes[] = {ids::kMaxWidth, ids::kMaxHeight};
    for (int i = 0; i < 2; ++i) {
        const std::int64_t value = parseSignedDecimal(controls.text(boxes[i]));
        if (value < kMinSize || value > kMaxSize) {
            controls.messageBox("サイズは " + std::to_string(kMinSize) + " ～ " +
                                    std::to_string(kMaxSize) + " の範囲で指定してください。",
                                Icon::Warning);
            controls.focusEdit(boxes[i]);
            return false;
        }
        *targets[i] = static_cast<int>(value);
    }
    return true;
}

// The path names something that is not a directory. A missing path is no objection: writing
// into it then fails file by file.
bool namesNonDirectory(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(pathFromUtf8(path), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::optional<JobSettings> runChecks(DialogControls& controls, const OptionStore& options) {
    JobSettings settings;
    if (controls.itemCount(ids::kSourceList) < 1) {
        controls.messageBox("変換対象がありません。", Icon::Warning);
        return std::nullopt;
    }
    OutputChoice choice;
    if (!readOutputChoice(controls, choice, settings)) return std::nullopt;
    if (!readMaximumSize(controls, settings)) return std::nullopt;

    controls.clearItems(ids::kMessageList);
    settings.entryCount = controls.itemCount(ids::kSourceList);

    settings.outputDirectory = controls.text(ids::kOutputDirectory);
    if (settings.outputDirectory.empty()) {
        controls.messageBox("出力先を指定してください。", Icon::Warning);
        return std::nullopt;
    }
    if (namesNonDirectory(settings.outputDirectory)) {
        controls.messageBox("出力先にはディレクトリを指定してください。", Icon::Warning);
        return std::nullopt;
    }

    settings.record = buildSaveParams(choice, options);
    settings.colourOptions = colourOptionsFrom(options);
    return settings;
}

struct SamplingRows {
    std::uint8_t h[4];
    std::uint8_t v[4];
};

// The sampling factors of components 0 to 3 for a sampling option value.
SamplingRows samplingFor(std::uint32_t option) {
    switch (option) {
    case 1: return {{2, 1, 1, 0}, {1, 1, 1, 0}};  // 2:1:1
    case 2: return {{2, 1, 1, 0}, {2, 1, 1, 0}};  // 4:1:1
    default: return {{1, 1, 1, 0}, {1, 1, 1, 0}};  // 1:1:1
    }
}

// A Windows colour 0x00BBGGRR as 0x00RRGGBB.
std::int32_t swapRedAndBlue(std::uint32_t colour) {
    return static_cast<std::int32_t>((colour & 0xFF) << 16 | (colour & 0xFF00) |
                                     (colour >> 16 & 0xFF));
}

std::int32_t iconTransparency(const OptionStore& options) {
    if (options.getInt(kIconWriteTrans) == 0) return kNoTransparency;
    const std::uint32_t rule = options.getInt(kIconWriteTransColorF);
    if (rule != 0) return static_cast<std::int32_t>(rule);
    return swapRedAndBlue(options.getInt(kIconWriteTransColor));
}

}  // namespace

std::optional<OutputFormat> outputFormatOf(std::uint32_t itemData) {
    switch (itemData & kFormatDataMask) {
    case kBitmapData: return OutputFormat{kFormatBitmap, ".bmp"};
    case kJpegData: return OutputFormat{kFormatJpeg, ".jpg"};
    case kPngData: return OutputFormat{kFormatPng, ".png"};
    case kIconData: return OutputFormat{kFormatIcon, ".ico"};
    default: return std::nullopt;
    }
}

std::string outputPathFor(const std::string& outputDirectory, const std::string& source,
                          const std::string& extension) {
    return joinPath(outputDirectory, fileNameStem(source) + extension);
}

SaveParams buildSaveParams(const OutputChoice& choice, const OptionStore& options) {
    SaveParams record{};
    record.structSize = sizeof(SaveParams);
    record.format = choice.format;
    record.process = choice.process;
    record.colourModel = static_cast<std::uint16_t>(choice.model + 1);
    record.bitCount = static_cast<std::uint16_t>(choice.bits);
    record.degree = choice.degree;
    record.samplingGiven = 0;
    if (choice.format == kFormatJpeg) {
        record.samplingGiven = 1;
        std::uint32_t option = 0;
        if (choice.model == kModelYcbcr) {
            option = options.getInt(choice.process == kProcessBaseline ? kJpegWriteDctSf
                                                                       : kJpegWriteLlSf);
        }
        const SamplingRows rows = samplingFor(option);
        for (int i = 0; i < 4; ++i) {
            record.hSampling[i] = rows.h[i];
            record.vSampling[i] = rows.v[i];
        }
    } else if (choice.format == kFormatIcon) {
        setTransparency(record, iconTransparency(options));
    }
    return record;
}

std::uint32_t colourOptionsFrom(const OptionStore& options) {
    std::uint32_t word = 0;
    if (options.getInt(kJpegReadDctColor) == 1) word = 2;
    if (options.getInt(kJpegReadLlColor) == 1) word |= 0x200;
    return word;
}

std::optional<JobSettings> prepareJob(DialogControls& controls, const OptionStore& options) {
    try {
        return runChecks(controls, options);
    } catch (const std::bad_alloc&) {
        controls.messageBox("メモリが不足しています。", Icon::Error);
        return std::nullopt;
    }
}

}  // namespace pictrano
