#include "platform/WholeFile.h"

#include <atomic>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <system_error>

namespace pictrano {
namespace {

#ifndef _WIN32
std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}();
    std::filesystem::path name = target;
    name += ".tmp" + std::to_string(salt) + "-" + std::to_string(counter++);
    return name;
}
#endif

}  // namespace

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::filesystem::path pathFromUtf16(std::u16string_view utf16) {
    return std::filesystem::path(std::u16string(utf16));
}

#ifndef _WIN32
// Windows: WholeFileWindows.cpp, with the wide API.

FileStatus readWholeFile(const std::filesystem::path& path, std::uintmax_t limit,
                         std::vector<std::uint8_t>& contents) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return FileStatus::CannotOpen;
    std::ifstream in(path, std::ios::binary);
    if (!in) return FileStatus::CannotOpen;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return FileStatus::CannotRead;
    if (size > limit) return FileStatus::TooLarge;
    try {
        contents.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
    }
    in.read(reinterpret_cast<char*>(contents.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) return FileStatus::CannotRead;
    return FileStatus::Ok;
}

FileStatus writeWholeFile(const std::filesystem::path& path, const std::uint8_t* data,
                          std::size_t size) {
    const std::filesystem::path temporary = temporaryBeside(path);
    std::error_code error;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return FileStatus::CannotOpen;
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (out.fail()) {
        std::filesystem::remove(temporary, error);
        return FileStatus::CannotWrite;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return FileStatus::CannotWrite;
    }
    return FileStatus::Ok;
}

#endif  // _WIN32

}  // namespace pictrano
