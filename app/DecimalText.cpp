#include "app/DecimalText.h"

#include <cstddef>

namespace pictrano {
namespace {

constexpr std::uint64_t kMagnitudeCap = std::uint64_t{UINT32_MAX} + 1;

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The sign and the magnitude of the leading number, the magnitude capped at 2^32.
std::uint64_t scanDecimal(std::string_view text, bool& negative) {
    std::size_t at = 0;
    while (at < text.size() && isCSpace(text[at])) ++at;
    negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::uint64_t magnitude = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[at] - '0');
        if (magnitude > kMagnitudeCap) magnitude = kMagnitudeCap;
    }
    return magnitude;
}

}  // namespace

std::uint32_t parseUnsignedDecimal(std::string_view text) {
    bool negative;
    const std::uint64_t magnitude = scanDecimal(text, negative);
    if (magnitude > UINT32_MAX) return UINT32_MAX;
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - value : value;
}

std::int64_t parseSignedDecimal(std::string_view text) {
    bool negative;
    const auto magnitude = static_cast<std::int64_t>(scanDecimal(text, negative));
    return negative ? -magnitude : magnitude;
}

}  // namespace pictrano
