#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pictrano {

enum class FileStatus {
    Ok,
    CannotOpen,    // missing, unreadable, not a file, or a target that may not be written
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

// Writes `size` bytes as the whole content of the file `path` names, as a plain save would (an
// existing target must be writable and keeps its permissions; a symbolic link is written
// through), but into a temporary file beside the target that is then renamed over it, so that a
// failed or interrupted write never leaves a damaged file or destroys the old one. Only where the
// folder refuses new files while the target itself may be written is the target written in place.
FileStatus writeWholeFile(const std::filesystem::path& path, const std::uint8_t* data,
                          std::size_t size);

// Names of the temporaries writeWholeFile creates: kTemporaryPrefix, random letters and digits,
// ".tmp". Short, so that any name the file system takes for a target leaves room for it, hidden,
// and never with an output's extension, so that one left by a killed process is not taken for
// output.
inline constexpr std::string_view kTemporaryPrefix = ".pictrano-";
std::string temporaryFileName();

}  // namespace pictrano
