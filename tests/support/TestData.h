#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pictrano::test {

// The folder holding the corpora the tests read (tests/data).
std::filesystem::path dataPath(const std::string& relative);

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Every regular file under a folder, recursively, in path order; paths of any length (the
// library's own directory walk is limited to short paths on Windows).
std::vector<std::filesystem::path> filesUnder(const std::filesystem::path& folder);

// A fresh, empty folder under the system's temporary folder, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace pictrano::test
