// Whole-file input and output on Windows, through the wide API so that every path stays UTF-16
// whatever the system's code page. Absolute paths too long for the plain API get the \\?\ form.
#ifdef _WIN32

#include <windows.h>

#include <new>
#include <string>
#include <utility>

#include "platform/WholeFile.h"

namespace pictrano {
namespace {

// Names tried for a temporary before giving up.
constexpr int kNameAttempts = 100;
// The attributes a replaced file keeps; the archive bit is set anew, as on any changed file.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(FileHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    FileHandle& operator=(FileHandle&&) = delete;
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

// A new, unused temporary beside `target`, open for writing; `name` is set to its path.
FileHandle createTemporary(const std::wstring& target, std::wstring& name) {
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = apiPath(folder + std::filesystem::path(temporaryFileName()).wstring());
        FileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid() || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return FileHandle(INVALID_HANDLE_VALUE);
}

// What is known of an existing target: the name of the file that holds its bytes (a symbolic
// link followed) and the attributes a replacement keeps.
struct ExistingTarget {
    std::wstring finalName;
    DWORD keptAttributes = 0;
};

// Opens an existing target for writing as the plain save opens it (so a read-only file, a
// folder, a file another program holds or one the user may not write is refused) and closes it
// again; the replace itself needs the file closed.
bool openExisting(const std::wstring& target, ExistingTarget& existing) {
    FileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        return false;
    }
    existing.keptAttributes = information.dwFileAttributes & kKeptAttributes;
    const DWORD length = GetFinalPathNameByHandleW(file.get(), nullptr, 0, VOLUME_NAME_DOS);
    existing.finalName.assign(length, L'\0');
    const DWORD written = length == 0 ? 0
        : GetFinalPathNameByHandleW(file.get(), existing.finalName.data(), length, VOLUME_NAME_DOS);
    // Where the system cannot name the file (some network or virtual drives), the name given.
    if (written == 0 || written >= length) existing.finalName = target;
    else existing.finalName.resize(written);
    return true;
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

// The bytes go to a new file beside the file the target names, which then replaces that file in
// one step, keeping its hidden and system attributes. An existing target that may not be opened
// for writing is refused and left as it is.
FileStatus writeWholeFile(const std::filesystem::path& path, const std::uint8_t* data,
                          std::size_t size) {
    std::wstring target = apiPath(path);
    ExistingTarget existing;
    const bool absent = GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
                        (GetLastError() == ERROR_FILE_NOT_FOUND ||
                         GetLastError() == ERROR_PATH_NOT_FOUND);
    if (!absent) {
        if (!openExisting(target, existing)) return FileStatus::CannotOpen;
        target = existing.finalName;
    }
    std::wstring temporary;
    FileHandle file = createTemporary(target, temporary);
    if (!file.valid()) return FileStatus::CannotOpen;
    const bool written = writeAll(file.get(), data, size);
    if (!file.close() || !written ||
        (existing.keptAttributes != 0 &&
         !SetFileAttributesW(temporary.c_str(), existing.keptAttributes)) ||
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temporary.c_str());
        return FileStatus::CannotWrite;
    }
    return FileStatus::Ok;
}

}  // namespace pictrano

#endif  // _WIN32
