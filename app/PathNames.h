#pragma once

#include <string>
#include <string_view>

namespace pictrano {

// The separator joinPath puts between a directory and a name, and the characters that end a
// directory part when a file name is taken apart.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kDirectoryEnds = "\\/:";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kDirectoryEnds = "/";
#endif

// The name alone when the directory is empty; otherwise the directory, the separator unless the
// directory already ends in it, and the name.
std::string joinPath(std::string_view directory, std::string_view name,
                     char separator = kPathSeparator);

// The file-name part of path without its directory and without its extension (from the last dot
// of the file-name part on).
std::string fileNameStem(std::string_view path, std::string_view directoryEnds = kDirectoryEnds);

}  // namespace pictrano
