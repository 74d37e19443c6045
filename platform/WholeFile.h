#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace pictrano {

enum class FileStatus {
    Ok,
    CannotOpen,    // missing, unreadable, or a temporary beside the target could not be created
    TooLarge,      // larger than the limit given to readWholeFile
    OutOfMemory,   // no buffer for the contents
    CannotRead,    // reading stopped short
    CannotWrite,   // writing or replacing the target failed; the target is untouched
};

// Paths given as UTF-8 (the portable code's text) or UTF-16 (wide names).
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::filesystem::path pathFromUtf16(std::u16string_view utf16);

// Reads a whole file of at most `limit` bytes into `contents`.
FileStatus readWholeFile(const std::filesystem::path& path, std::uintmax_t limit,
                         std::vector<std::uint8_t>& contents);

// Writes `size` bytes to a temporary file in the target's directory and renames it over the
// target, so a failed or interrupted write never leaves a damaged file or destroys the old one.
FileStatus writeWholeFile(const std::filesystem::path& path, const std::uint8_t* data,
                          std::size_t size);

}  // namespace pictrano
