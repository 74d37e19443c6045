// writeWholeFile for POSIX systems: a temporary beside the target, renamed over it.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/WholeFile.h"

namespace pictrano {
namespace {

namespace fs = std::filesystem;

// Links followed from the given name at most, as the kernel allows in one lookup.
constexpr int kMaxLinks = 40;
// Names tried for a temporary before giving up.
constexpr int kNameAttempts = 100;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when the close reports an error (a write that failed late).
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// The name the bytes finally belong to: `path` with the symbolic links it names followed, a
// relative link from its own folder. Nothing on a loop or a link that cannot be read.
std::optional<fs::path> followLinks(fs::path path) {
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        std::error_code error;
        const fs::path link = fs::read_symlink(path, error);
        if (error) return std::nullopt;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return std::nullopt;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, std::min<std::size_t>(size, 1u << 30));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The plain save: empties the open target and writes the bytes into it.
FileStatus writeInPlace(Descriptor& target, bool regularFile, const std::uint8_t* data,
                        std::size_t size) {
    if (regularFile &&
        (::ftruncate(target.get(), 0) != 0 || ::lseek(target.get(), 0, SEEK_SET) != 0)) {
        return FileStatus::CannotWrite;
    }
    if (!writeAll(target.get(), data, size) || !target.close()) return FileStatus::CannotWrite;
    return FileStatus::Ok;
}

// A new file under an unused temporary name in `folder`, made as the plain save makes a new
// target (mode 0666 less the umask); not valid, with errno set, when none can be created.
Descriptor createTemporary(const fs::path& folder, fs::path& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = folder / temporaryFileName();
        Descriptor file(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.valid() || errno != EEXIST) return file;
    }
    return Descriptor();
}

// The folder refuses a new name or a replacement (not space, nor a fault of the disk).
bool folderRefuses(int error) { return error == EACCES || error == EPERM; }

}  // namespace

FileStatus writeWholeFile(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    const std::optional<fs::path> target = followLinks(path);
    if (!target) return FileStatus::CannotOpen;

    // As the plain save opens the target for writing, an existing target must be a file that may
    // be written; otherwise it is refused and left as it is.
    struct stat existing {};
    const bool exists = ::stat(target->c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return FileStatus::CannotOpen;
    Descriptor opened;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) return FileStatus::CannotOpen;
        // Non-blocking, so that a pipe without a reader refuses instead of holding the job.
        opened = Descriptor(::open(target->c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (!opened.valid()) return FileStatus::CannotOpen;
        if (!S_ISREG(existing.st_mode)) {
            // A device or pipe is written, never replaced by a file.
            ::fcntl(opened.get(), F_SETFL, ::fcntl(opened.get(), F_GETFL) & ~O_NONBLOCK);
            return writeInPlace(opened, false, data, size);
        }
    }

    fs::path temporary;
    Descriptor out = createTemporary(target->parent_path(), temporary);
    if (!out.valid()) {
        // A folder that takes no new file while the target itself may be written: the plain save
        // succeeds there, so the target is written in place, without the replace's protection.
        if (exists && folderRefuses(errno)) return writeInPlace(opened, true, data, size);
        return FileStatus::CannotOpen;
    }
    const bool written = (!exists || ::fchmod(out.get(), existing.st_mode & 07777) == 0) &&
                         writeAll(out.get(), data, size) && out.close();
    if (written && ::rename(temporary.c_str(), target->c_str()) == 0) return FileStatus::Ok;
    const int renameError = errno;
    ::unlink(temporary.c_str());
    // A folder that lets no one but the owner replace the target (the sticky bit), the same way.
    if (written && exists && folderRefuses(renameError)) {
        return writeInPlace(opened, true, data, size);
    }
    return FileStatus::CannotWrite;
}

}  // namespace pictrano

#endif  // _WIN32
