#include "cli/OptionOverrides.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <utility>

#include "imagelib/front/SaveParams.h"

namespace pictrano {
namespace {

constexpr std::array<std::pair<const char*, std::int32_t>, 5> kTransparencyRules{{
    {"top-left", kTransparentTopLeft},
    {"top-right", kTransparentTopRight},
    {"bottom-left", kTransparentBottomLeft},
    {"bottom-right", kTransparentBottomRight},
    {"border", kTransparentBorder},
}};

// RRGGBB as the Windows colour layout 0x00BBGGRR.
std::optional<std::int32_t> windowsColour(const std::string& hex) {
    std::uint32_t rgb = 0;
    if (hex.size() != 6) return std::nullopt;
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + 6, rgb, 16);
    if (error != std::errc() || end != hex.data() + 6) return std::nullopt;
    return static_cast<std::int32_t>((rgb >> 16) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

bool applyTransparency(const std::string& value, OptionStore& options) {
    if (value == "none") {
        options.setInt(kIconWriteTrans, 0);
        return true;
    }
    for (const auto& [name, code] : kTransparencyRules) {
        if (value == name) {
            options.setInt(kIconWriteTrans, 1);
            options.setInt(kIconWriteTransColorF, code);
            return true;
        }
    }
    const std::optional<std::int32_t> colour = windowsColour(value);
    if (!colour) return false;
    options.setInt(kIconWriteTrans, 1);
    options.setInt(kIconWriteTransColorF, 0);
    options.setInt(kIconWriteTransColor, *colour);
    return true;
}

}  // namespace

bool applyOptionOverrides(const CommandLine& line, OptionStore& options, std::string& error) {
    if (line.jpegReadDct) options.setInt(kJpegReadDctColor, *line.jpegReadDct);
    if (line.jpegReadLossless) options.setInt(kJpegReadLlColor, *line.jpegReadLossless);
    if (line.jpegSampling) options.setInt(kJpegWriteDctSf, *line.jpegSampling);
    if (line.iconTransparent && !applyTransparency(*line.iconTransparent, options)) {
        error = "invalid value for --icon-transparent: " + *line.iconTransparent;
        return false;
    }
    return true;
}

}  // namespace pictrano
