#include "platform/FileBackend.h"

#include <cstdlib>
#include <new>
#include <system_error>
#include <utility>

#include "platform/WholeFile.h"

namespace pictrano {

FileBackend::FileBackend() : path_(defaultPath()) {}

FileBackend::FileBackend(std::filesystem::path file) : path_(std::move(file)) {}

std::filesystem::path FileBackend::defaultPath() {
    std::filesystem::path base;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && pathFromUtf8(configHome).is_absolute()) {
        base = pathFromUtf8(configHome);
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = pathFromUtf8(home) / ".config";
    } else {
        return {};
    }
    return base / "Tovami" / "Pictrano.ini";
}

bool FileBackend::fail(std::string why) {
    try {
        failure_ = std::move(why);
    } catch (const std::bad_alloc&) {
        failure_.clear();
    }
    return false;
}

namespace {

std::string readFailure(FileStatus status) {
    switch (status) {
        case FileStatus::TooLarge: return "it is larger than a settings file can be";
        case FileStatus::OutOfMemory: return "out of memory";
        case FileStatus::CannotRead: return "it cannot be read";
        default: return "it cannot be opened for reading";
    }
}

}  // namespace

bool FileBackend::open() {
    opened_ = false;
    writeFailed_ = false;
    lines_.clear();
    failure_.clear();
    if (path_.empty()) return fail("neither XDG_CONFIG_HOME (an absolute path) nor HOME is set");
    try {
        std::error_code error;
        const bool exists = std::filesystem::exists(path_, error);
        if (error) return fail(error.message());
        if (exists) {
            std::vector<std::uint8_t> bytes;
            const FileStatus status = readWholeFile(path_, kSizeLimit, bytes);
            if (status != FileStatus::Ok) return fail(readFailure(status));
            lines_ = parseSettingsLines(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        }
        if (lines_.empty()) lines_.emplace_back(std::string(kSettingsHeader));
    } catch (const std::bad_alloc&) {
        lines_.clear();
        return fail("out of memory");
    }
    opened_ = true;
    return true;
}

const SettingsValue* FileBackend::find(std::string_view name) const {
    for (const SettingsLine& line : lines_) {
        const auto* entry = std::get_if<SettingsEntry>(&line);
        if (entry != nullptr && entry->name == name) return &entry->value;
    }
    return nullptr;
}

template <typename T>
std::optional<T> FileBackend::read(std::string_view name) const {
    const SettingsValue* value = find(name);
    if (value == nullptr || !std::holds_alternative<T>(*value)) return std::nullopt;
    return std::get<T>(*value);
}

std::optional<std::uint32_t> FileBackend::readDword(std::string_view name) const {
    return read<std::uint32_t>(name);
}

std::optional<std::string> FileBackend::readString(std::string_view name) const {
    return read<std::string>(name);
}

std::optional<std::vector<std::uint8_t>> FileBackend::readBinary(std::string_view name) const {
    return read<std::vector<std::uint8_t>>(name);
}

// Replaces the value of `name` whatever its type, or appends it. Without memory the write is
// lost and the next commit() reports failure.
void FileBackend::write(std::string_view name, SettingsValue value) {
    for (SettingsLine& line : lines_) {
        auto* entry = std::get_if<SettingsEntry>(&line);
        if (entry != nullptr && entry->name == name) {
            entry->value = std::move(value);
            return;
        }
    }
    try {
        lines_.emplace_back(SettingsEntry{std::string(name), std::move(value)});
    } catch (const std::bad_alloc&) {
        writeFailed_ = true;
    }
}

void FileBackend::writeDword(std::string_view name, std::uint32_t value) { write(name, value); }

void FileBackend::writeString(std::string_view name, std::string_view value) {
    try {
        write(name, std::string(value));
    } catch (const std::bad_alloc&) {
        writeFailed_ = true;
    }
}

void FileBackend::writeBinary(std::string_view name, const std::vector<std::uint8_t>& value) {
    try {
        write(name, value);
    } catch (const std::bad_alloc&) {
        writeFailed_ = true;
    }
}

bool FileBackend::commit() {
    if (!opened_) return false;  // open() said why
    if (writeFailed_) return fail("out of memory");
    try {
        std::error_code error;
        if (path_.has_parent_path()) {
            std::filesystem::create_directories(path_.parent_path(), error);
        }
        if (error) return fail("its folder cannot be created: " + error.message());
        const std::string text = formatSettingsLines(lines_);
        const FileStatus status = writeWholeFile(
            path_, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        if (status == FileStatus::CannotOpen) return fail("it cannot be opened for writing");
        if (status != FileStatus::Ok) return fail("it cannot be written");
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
    return true;
}

}  // namespace pictrano
