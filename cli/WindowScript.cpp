#include "cli/WindowScript.h"

#include <array>
#include <cctype>
#include <charconv>

#include "app/ControlIds.h"
#include "app/FormatTables.h"

namespace pictrano {
namespace {

static_assert(kCompressionRle == 1u << 1 && kCompressionDeflate == 1u << 4,
              "compression names stand in flag order");

constexpr std::array kDeflateDegrees = {"low", "medium", "high"};
constexpr std::array kDeflateFilters = {"none", "sub", "up", "average", "paeth", "auto"};

// The command line's name of a compression entry, from its flag.
std::string compressionName(std::uint32_t flag) {
    for (std::size_t i = 0; i < kCompressionNames.size(); ++i) {
        if (flag == 1u << i) return kCompressionNames[i];
    }
    return {};
}

// The entries a list offers, each with the name the command line knows it by:
// "カラー 24bit RGB (rgb24)", "基本DCT (dct)".
std::string offeredItems(const DialogControls& dialog, int id) {
    std::string list;
    for (int i = 0; i < dialog.itemCount(id); ++i) {
        const std::string text = dialog.itemText(id, i);
        const std::string alias = id == ids::kCompression
                                      ? compressionName(dialog.itemData(id, i))
                                      : colourAlias(text);
        list += (i == 0 ? "" : ", ") + text + " (" + alias + ")";
    }
    return list;
}

// Selects an item of a drop-down list and tells the window, as a user's choice does.
void choose(DialogControls& dialog, MainWindow& window, int id, int index) {
    dialog.setSelection(id, index);
    window.onCommand(id, kSelectionChanged);
}

std::optional<int> wholeNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The degree list's line for a degree text: quality or predictor number, or
// low|medium|high with an optional -filter suffix for Deflate.
std::optional<int> degreeIndex(std::uint32_t flag, const std::string& degree, int lines) {
    if (flag == kCompressionDeflate) {
        const std::size_t dash = degree.find('-');
        const int level = indexOf(kDeflateDegrees, degree.substr(0, dash));
        const int filter =
            dash == std::string::npos ? 0 : indexOf(kDeflateFilters, degree.substr(dash + 1));
        if (level < 0 || filter < 0) return std::nullopt;
        return level * static_cast<int>(kDeflateFilters.size()) + filter;
    }
    const std::optional<int> value = wholeNumber(degree);
    if (!value || *value < 1 || *value > lines) return std::nullopt;
    return *value - 1;
}

bool chooseColour(const CommandLine& line, MemoryDialog& dialog, MainWindow& window,
                  std::string& error) {
    if (!line.colour) return true;
    for (int i = 0; i < dialog.itemCount(ids::kColourFormat); ++i) {
        const std::string entry = dialog.itemText(ids::kColourFormat, i);
        if (entry == *line.colour || colourAlias(entry) == *line.colour) {
            choose(dialog, window, ids::kColourFormat, i);
            return true;
        }
    }
    error = "colour format " + *line.colour + " is not offered for " + line.format + " (offered: " +
            offeredItems(dialog, ids::kColourFormat) + ")";
    return false;
}

bool chooseCompression(const CommandLine& line, MemoryDialog& dialog, MainWindow& window,
                       std::string& error) {
    if (!line.compression) return true;
    const std::uint32_t flag = 1u << indexOf(kCompressionNames, *line.compression);
    for (int i = 0; i < dialog.itemCount(ids::kCompression); ++i) {
        if (dialog.itemData(ids::kCompression, i) == flag) {
            choose(dialog, window, ids::kCompression, i);
            return true;
        }
    }
    error = "compression " + *line.compression + " is not offered for this colour format (offered: " +
            offeredItems(dialog, ids::kCompression) + ")";
    return false;
}

// The degree list's line for the degree under the selected compression, if it takes that degree.
std::optional<int> selectedDegreeIndex(const MemoryDialog& dialog, const std::string& degree) {
    const int compression = dialog.selection(ids::kCompression);
    if (!dialog.isEnabled(ids::kDegreeCheck) || compression < 0) return std::nullopt;
    return degreeIndex(dialog.itemData(ids::kCompression, compression), degree,
                       dialog.itemCount(ids::kDegreeList));
}

// Without -p, a degree chooses the first offered compression that takes it.
bool chooseCompressionForDegree(const std::string& degree, MemoryDialog& dialog,
                                MainWindow& window, std::string& error) {
    const int offered = dialog.itemCount(ids::kCompression);
    for (int i = 0; i < offered; ++i) {
        choose(dialog, window, ids::kCompression, i);
        if (selectedDegreeIndex(dialog, degree)) return true;
    }
    if (offered > 0) choose(dialog, window, ids::kCompression, 0);
    error = "no compression offered for this colour format takes the degree " + degree +
            " (offered: " + offeredItems(dialog, ids::kCompression) + ")";
    return false;
}

bool chooseDegree(const CommandLine& line, MemoryDialog& dialog, MainWindow& window,
                  std::string& error) {
    if (!line.degree) return true;
    if (!line.compression && !chooseCompressionForDegree(*line.degree, dialog, window, error)) {
        return false;
    }
    const std::optional<int> index = selectedDegreeIndex(dialog, *line.degree);
    if (!index) {
        error = dialog.isEnabled(ids::kDegreeCheck)
                    ? "invalid degree " + *line.degree + " for compression " + *line.compression
                    : "compression " + *line.compression + " takes no degree";
        return false;
    }
    dialog.setChecked(ids::kDegreeCheck, true);
    window.onCommand(ids::kDegreeCheck);
    dialog.setSelection(ids::kDegreeList, *index);
    return true;
}

}  // namespace

std::string colourAlias(const std::string& entry) {
    const std::size_t first = entry.find(' ');
    const std::size_t last = entry.rfind(' ');
    if (first == std::string::npos || last == first) return {};
    std::string alias;
    if (entry.compare(0, first, "モノクロ") == 0) {
        alias = "mono";
    } else {
        for (char c : entry.substr(last + 1)) {
            alias += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    const std::string bits = entry.substr(first + 1, last - first - 1);
    return alias + bits.substr(0, bits.find("bit"));
}

bool applyToWindow(const CommandLine& line, MemoryDialog& dialog, MainWindow& window,
                   std::string& error) {
    const int format = indexOf(kFormatNames, line.format);
    // Bitmap is already chosen at start, with "カラー 24bit RGB" selected.
    if (format > 0) choose(dialog, window, ids::kOutputFormat, format);
    if (!chooseColour(line, dialog, window, error) ||
        !chooseCompression(line, dialog, window, error) ||
        !chooseDegree(line, dialog, window, error)) {
        return false;
    }
    if (line.maxSize) {
        dialog.setChecked(ids::kMaxSizeCheck, true);
        window.onCommand(ids::kMaxSizeCheck);
        dialog.setText(ids::kMaxWidth, line.maxSize->first);
        dialog.setText(ids::kMaxHeight, line.maxSize->second);
    }
    dialog.setText(ids::kOutputDirectory, line.outputDirectory);
    for (const std::string& file : line.files) window.addChosenFiles({file});
    return true;
}

}  // namespace pictrano
