#include "app/win32/Wildcards.h"

#include <windows.h>

#include <algorithm>

#include "app/win32/WideText.h"

namespace pictrano {
namespace {

bool hasWildcard(const std::wstring& component) {
    return component.find_first_of(L"*?") != std::wstring::npos;
}

std::wstring upperCase(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The whole name matches the pattern, ignoring case. The system's own search also matches
// the short 8.3 names, so "*.jpg" would find "a.jpgx"; each match is checked again here.
bool matches(std::wstring_view pattern, std::wstring_view name) {
    std::size_t p = 0, n = 0, star = std::wstring_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

// The files of the folder part of `path` whose names match its last component `pattern`, in
// name order, ignoring case as the file system does.
std::vector<std::wstring> matchingFiles(const std::wstring& path, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    const std::wstring upperPattern = upperCase(pattern);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(path.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            matches(upperPattern, upperCase(found.cFileName))) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                    static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
    });
    return names;
}

}  // namespace

std::vector<std::string> expandWildcards(const std::vector<std::string>& arguments) {
    std::vector<std::string> expanded;
    for (const std::string& argument : arguments) {
        const std::wstring wide = widen(argument);
        const std::size_t split = wide.find_last_of(L"\\/:");
        const std::wstring folder = split == std::wstring::npos ? L"" : wide.substr(0, split + 1);
        const std::wstring name = split == std::wstring::npos ? wide : wide.substr(split + 1);
        const std::vector<std::wstring> matches =
            hasWildcard(name) ? matchingFiles(wide, name) : std::vector<std::wstring>();
        if (matches.empty()) {
            expanded.push_back(argument);
            continue;
        }
        for (const std::wstring& match : matches) expanded.push_back(narrow(folder + match));
    }
    return expanded;
}

}  // namespace pictrano
