#include "platform/WholeFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <fstream>
#include <new>
#include <random>
#include <system_error>

namespace pictrano {
namespace {

std::uint64_t randomSeed() {
    try {
        std::random_device device;
        return static_cast<std::uint64_t>(device()) << 32 | device();
    } catch (const std::exception&) {
        return static_cast<std::uint64_t>(
            std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

// The splitmix64 step: distinct inputs give well-spread, distinct outputs.
std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9u;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBu;
    return x ^ x >> 31;
}

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
    // Read a piece at a time into room taken beforehand, so that the contents are written once
    // (not cleared first).
    try {
        contents.clear();
        contents.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
    }
    char piece[1 << 16];
    while (contents.size() < size) {
        const auto wanted = std::min<std::uintmax_t>(sizeof piece, size - contents.size());
        in.read(piece, static_cast<std::streamsize>(wanted));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) return FileStatus::CannotRead;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece);
        contents.insert(contents.end(), bytes, bytes + got);
    }
    return FileStatus::Ok;
}

#endif  // _WIN32

std::string temporaryFileName() {
    static constexpr char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static const std::uint64_t seed = randomSeed();
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t bits = mix(seed + 0x9E3779B97F4A7C15u * ++counter);
    std::string name(kTemporaryPrefix);
    for (int i = 0; i < 8; ++i, bits /= 36) name += kLetters[bits % 36];
    return name + ".tmp";
}

}  // namespace pictrano
