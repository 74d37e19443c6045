#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/SettingsBackend.h"
#include "platform/SettingsText.h"

namespace pictrano {

// Settings kept in a text file (format: SettingsText.h), by default
// $XDG_CONFIG_HOME/Tovami/Pictrano.ini, or ~/.config/Tovami/Pictrano.ini without it.
//
// open() reads the whole file into memory; reads and writes work on that copy; commit() writes it
// back whole through a temporary file renamed over the old one, keeping every line it does not
// change (comments, values of other names, damaged lines) where it stood. A missing file is an
// empty key; damaged lines hold no value. An existing file that cannot be read is never replaced:
// open() fails. Each read returns a value only when it is stored with that type; any other type
// reads as absent.
class FileBackend : public SettingsBackend {
public:
    FileBackend();  // the default location
    explicit FileBackend(std::filesystem::path file);

    // The default location; empty when neither XDG_CONFIG_HOME (absolute) nor HOME is set.
    static std::filesystem::path defaultPath();
    const std::filesystem::path& path() const { return path_; }

    bool open() override;
    std::optional<std::uint32_t> readDword(std::string_view name) const override;
    std::optional<std::string> readString(std::string_view name) const override;
    std::optional<std::vector<std::uint8_t>> readBinary(std::string_view name) const override;
    void writeDword(std::string_view name, std::uint32_t value) override;
    void writeString(std::string_view name, std::string_view value) override;
    void writeBinary(std::string_view name, const std::vector<std::uint8_t>& value) override;
    bool commit() override;

    std::string failure() const override { return failure_; }

    // Files larger than this are not settings files of ours and are left alone.
    static constexpr std::uintmax_t kSizeLimit = 1 << 20;

private:
    bool fail(std::string why);
    const SettingsValue* find(std::string_view name) const;
    // The value of `name` when it is stored with type T.
    template <typename T>
    std::optional<T> read(std::string_view name) const;
    void write(std::string_view name, SettingsValue value);

    std::filesystem::path path_;
    bool opened_ = false;
    bool writeFailed_ = false;  // a write since open() was lost for want of memory
    std::vector<SettingsLine> lines_;
    std::string failure_;
};

}  // namespace pictrano
