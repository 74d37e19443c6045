// Whole-file input and output on Windows, through the wide API so that every path stays UTF-16
// whatever the system's code page. Absolute paths too long for the plain API get the \\?\ form.
#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <new>
#include <random>
#include <string>

#include "platform/WholeFile.h"

namespace pictrano {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Closes now; false when closing failed (data may be lost).
    bool close() {
        const bool closed = CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

// The path for the wide API: the full path, in its \\?\ form when it is too long for the plain
// form; a relative or device path that is short enough as it is.
std::wstring apiPath(const std::filesystem::path& path) {
    std::wstring wide = path.wstring();
    if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return wide;
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A short name in the target's folder: "~pt" and eight random hex digits.
std::wstring temporaryBeside(const std::wstring& target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}();
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    wchar_t name[16];
    swprintf(name, 16, L"~pt%08x.tmp", salt ^ (counter++ * 0x9E3779B9u));
    return folder + name;
}

bool writeAll(HANDLE file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) return false;
        data += chunk;
        size -= chunk;
    }
    return true;
}

}  // namespace

FileStatus readWholeFile(const std::filesystem::path& path, std::uintmax_t limit,
                         std::vector<std::uint8_t>& contents) {
    FileHandle file(CreateFileW(apiPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return FileStatus::CannotOpen;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return FileStatus::CannotRead;
    if (static_cast<std::uintmax_t>(size.QuadPart) > limit) return FileStatus::TooLarge;
    try {
        contents.assign(static_cast<std::size_t>(size.QuadPart), 0);
    } catch (const std::bad_alloc&) {
        return FileStatus::OutOfMemory;
    }
    std::size_t done = 0;
    while (done < contents.size()) {
        const std::size_t left = contents.size() - done;
        const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD read = 0;
        if (!ReadFile(file.get(), contents.data() + done, chunk, &read, nullptr) || read == 0) {
            return FileStatus::CannotRead;
        }
        done += read;
    }
    return FileStatus::Ok;
}

// The bytes go to a new file beside the target, which then replaces the target in one step.
// An existing target that is read-only, or a folder, cannot be opened and is left as it is.
FileStatus writeWholeFile(const std::filesystem::path& path, const std::uint8_t* data,
                          std::size_t size) {
    const std::wstring target = apiPath(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_READONLY) return FileStatus::CannotOpen;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileStatus::CannotOpen;
    }
    const std::wstring temporary = temporaryBeside(target);
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return FileStatus::CannotOpen;
    const bool written = writeAll(file.get(), data, size);
    if (!file.close() || !written ||
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temporary.c_str());
        return FileStatus::CannotWrite;
    }
    return FileStatus::Ok;
}

}  // namespace pictrano

#endif  // _WIN32
