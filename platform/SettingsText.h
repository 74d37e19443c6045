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

std::string formatSettingsText(const std::vector<SettingsEntry>& entries);

}  // namespace pictrano
