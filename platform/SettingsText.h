#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pictrano {

// One typed settings value: a DWORD, a string or a binary block.
using SettingsValue = std::variant<std::uint32_t, std::string, std::vector<std::uint8_t>>;

struct SettingsEntry {
    std::string name;
    SettingsValue value;

    friend bool operator==(const SettingsEntry&, const SettingsEntry&) = default;
};

// The text form of the settings file, one value a line:
//
//   Left=dword:0000012c
//   OutDir=sz:/home/me/out\nput
//   ColorTable=hex:00,11,22,00
//
// Names and strings escape back slash, control bytes and invalid UTF-8 (\\ \n \r \t \xHH); names
// also escape '=' and a leading ';', '#' or '['. The first raw '=' thus ends the name whatever the
// value holds. Lines starting with ';' or '#' are comments; CR LF line ends are accepted.

// The entries of `text` in order of first appearance; a later line for the same name replaces the
// earlier value. Lines that do not follow the form exactly (unknown type, bad hex, bad escape, raw
// control bytes or invalid UTF-8, a DWORD of more than 8 digits) are ignored.
std::vector<SettingsEntry> parseSettingsText(std::string_view text);

// The header line, then the entries.
std::string formatSettingsText(const std::vector<SettingsEntry>& entries);

// The comment that opens a settings file written from scratch.
inline constexpr std::string_view kSettingsHeader =
    "; Pictrano settings: Name=dword:<hex>, Name=sz:<text>, Name=hex:<bytes>";

// A settings file line by line, so that rewriting it keeps what it holds besides the values: each
// line is a value or, as it stands (without its line end), anything else: comments, blank lines,
// section lines, lines in another form.
using SettingsLine = std::variant<std::string, SettingsEntry>;

// The lines of `text`; the entries as parseSettingsText gives them, each on the line where its
// name first appears (later lines for the same name are folded into it).
std::vector<SettingsLine> parseSettingsLines(std::string_view text);

std::string formatSettingsLines(const std::vector<SettingsLine>& lines);

}  // namespace pictrano
