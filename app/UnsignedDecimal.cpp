#include "app/UnsignedDecimal.h"

#include <cstddef>

namespace pictrano {
namespace {

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint32_t parseUnsignedDecimal(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isCSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[at] - '0');
        if (magnitude > UINT32_MAX) {
            overflow = true;
            magnitude = UINT32_MAX;  // keeps the product in range; the result is saturated anyway
        }
    }
    if (overflow) return UINT32_MAX;
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - value : value;
}

}  // namespace pictrano
