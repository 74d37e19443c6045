#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictrano {

// Typed values under the application's one settings key: the registry key
// HKEY_CURRENT_USER\Software\Tovami\Pictrano on Windows, an INI file elsewhere.
//
// Use: open(), then reads and writes, then commit() to keep the writes. Strings are UTF-8.
// A read returns a value only when it is stored with the type asked for; a missing value or one
// of another type reads as absent. Reads may throw std::bad_alloc; nothing else throws.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;

    // Opens (creating if needed) the key; false when it cannot be opened.
    virtual bool open() = 0;
    virtual std::optional<std::uint32_t> readDword(std::string_view name) const = 0;
    virtual std::optional<std::string> readString(std::string_view name) const = 0;
    virtual std::optional<std::vector<std::uint8_t>> readBinary(std::string_view name) const = 0;
    virtual void writeDword(std::string_view name, std::uint32_t value) = 0;
    virtual void writeString(std::string_view name, std::string_view value) = 0;
    virtual void writeBinary(std::string_view name, const std::vector<std::uint8_t>& value) = 0;
    // Makes the writes since open() permanent; false when that failed.
    virtual bool commit() = 0;
    // Why the last open() or commit() failed, in English, for messages; empty when the back end
    // cannot say.
    virtual std::string failure() const { return {}; }
};

}  // namespace pictrano
