#include "platform/SettingsText.h"

#include <cstddef>
#include <optional>
#include <unordered_map>

#include "platform/TextConversion.h"

namespace pictrano {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

void appendHexByte(std::string& out, unsigned char byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

void appendEscaped(std::string& out, std::string_view text, bool isName) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        const bool special = isName && (c == '=' || (at == 0 && (c == ';' || c == '#' || c == '[')));
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c >= 0x80 && utf8SequenceLength(text, at) != 0) {
            const std::size_t length = utf8SequenceLength(text, at);
            out.append(text.substr(at, length));
            at += length - 1;
        } else if (isControl(c) || c >= 0x80 || special) {
            out += "\\x";
            appendHexByte(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (isControl(c)) return std::nullopt;
        if (c >= 0x80) {
            const std::size_t length = utf8SequenceLength(text, at);
            if (length == 0) return std::nullopt;
            out.append(text.substr(at, length));
            at += length - 1;
            continue;
        }
        if (c != '\\') {
            out += static_cast<char>(c);
            continue;
        }
        if (++at == text.size()) return std::nullopt;
        switch (text[at]) {
            case '\\': out += '\\'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (text.size() - at < 3) return std::nullopt;
                const int high = hexValue(text[at + 1]);
                const int low = hexValue(text[at + 2]);
                if (high < 0 || low < 0) return std::nullopt;
                out += static_cast<char>(high * 16 + low);
                at += 2;
                break;
            }
            default: return std::nullopt;
        }
    }
    return out;
}

std::optional<std::uint32_t> parseDword(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = hexValue(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Comma-separated pairs of hex digits; an empty payload is an empty block.
std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    if (text.empty()) return bytes;
    if (text.size() % 3 != 2) return std::nullopt;
    bytes.reserve(text.size() / 3 + 1);
    for (std::size_t at = 0; at < text.size(); at += 3) {
        const int high = hexValue(text[at]);
        const int low = hexValue(text[at + 1]);
        if (high < 0 || low < 0 || (at + 2 < text.size() && text[at + 2] != ',')) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

// The value of a line's payload into `value`; false when the payload is not one.
bool parseValue(std::string_view payload, SettingsValue& value) {
    auto take = [&payload](std::string_view prefix) {
        if (payload.substr(0, prefix.size()) != prefix) return false;
        payload.remove_prefix(prefix.size());
        return true;
    };
    if (take("dword:")) {
        const auto dword = parseDword(payload);
        if (dword) value = *dword;
        return dword.has_value();
    }
    if (take("sz:")) {
        auto text = unescape(payload);
        if (text) value = std::move(*text);
        return text.has_value();
    }
    if (take("hex:")) {
        auto bytes = parseHexBytes(payload);
        if (bytes) value = std::move(*bytes);
        return bytes.has_value();
    }
    return false;
}

std::optional<SettingsEntry> parseLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[') return std::nullopt;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    std::optional<std::string> name = unescape(line.substr(0, equals));
    if (!name || name->empty()) return std::nullopt;
    SettingsEntry entry{std::move(*name), {}};
    if (!parseValue(line.substr(equals + 1), entry.value)) return std::nullopt;
    return entry;
}

void appendValue(std::string& out, const SettingsValue& value) {
    if (const auto* dword = std::get_if<std::uint32_t>(&value)) {
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) out += kHexDigits[(*dword >> shift) & 0x0F];
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        out += "sz:";
        appendEscaped(out, *text, false);
    } else {
        out += "hex:";
        const auto& bytes = std::get<std::vector<std::uint8_t>>(value);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i != 0) out += ',';
            appendHexByte(out, bytes[i]);
        }
    }
}

}  // namespace

std::vector<SettingsLine> parseSettingsLines(std::string_view text) {
    std::vector<SettingsLine> lines;
    std::unordered_map<std::string, std::size_t> positions;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::optional<SettingsEntry> entry = parseLine(line);
        if (!entry) {
            lines.emplace_back(std::string(line));
            continue;
        }
        auto [position, added] = positions.try_emplace(entry->name, lines.size());
        if (added) {
            lines.emplace_back(std::move(*entry));
        } else {
            std::get<SettingsEntry>(lines[position->second]).value = std::move(entry->value);
        }
    }
    return lines;
}

std::string formatSettingsLines(const std::vector<SettingsLine>& lines) {
    std::string out;
    for (const SettingsLine& line : lines) {
        if (const auto* kept = std::get_if<std::string>(&line)) {
            out += *kept;
        } else {
            const auto& entry = std::get<SettingsEntry>(line);
            appendEscaped(out, entry.name, true);
            out += '=';
            appendValue(out, entry.value);
        }
        out += '\n';
    }
    return out;
}

std::vector<SettingsEntry> parseSettingsText(std::string_view text) {
    std::vector<SettingsEntry> entries;
    for (SettingsLine& line : parseSettingsLines(text)) {
        if (auto* entry = std::get_if<SettingsEntry>(&line)) entries.push_back(std::move(*entry));
    }
    return entries;
}

std::string formatSettingsText(const std::vector<SettingsEntry>& entries) {
    std::vector<SettingsLine> lines{std::string(kSettingsHeader)};
    lines.insert(lines.end(), entries.begin(), entries.end());
    return formatSettingsLines(lines);
}

}  // namespace pictrano
