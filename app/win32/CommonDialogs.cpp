#include "app/win32/CommonDialogs.h"

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

#include <array>
#include <vector>

#include "app/win32/WideText.h"

namespace pictrano {
namespace {

// Room for 1,024 full paths.
constexpr std::size_t kFileBufferCharacters = 266'500;

// Display name and pattern pairs, each ended by a NUL, the list by another.
constexpr wchar_t kFileFilter[] =
    L"Bitmap (*.bmp, *.dib)\0*.bmp;*.dib\0"
    L"Jpeg (*.jpg, *.jpeg)\0*.jpg;*.jpeg\0"
    L"Portable Network Graphics (*.png)\0*.png\0"
    L"AllFile (*.*)\0*.*\0";

// Longest path the shell hands back.
constexpr std::size_t kLongPath = 32'768;

}  // namespace

std::vector<std::string> splitFileDialogResult(const wchar_t* buffer, std::size_t size) {
    std::vector<std::string> strings;
    std::size_t at = 0;
    while (at < size && buffer[at] != L'\0') {
        std::size_t end = at;
        while (end < size && buffer[end] != L'\0') ++end;
        strings.push_back(narrow(std::wstring_view(buffer + at, end - at)));
        at = end + 1;
    }
    return strings;
}

FileDialogResult chooseFiles(HWND owner) {
    std::vector<wchar_t> buffer(kFileBufferCharacters, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFileFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrTitle = L"ファイル追加";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
    FileDialogResult result;
    if (GetOpenFileNameW(&dialog)) {
        result.strings = splitFileDialogResult(buffer.data(), buffer.size());
    } else {
        result.bufferTooSmall = CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    }
    return result;
}

std::optional<std::string> chooseDirectory(HWND owner) {
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;  // the desktop
    browse.lpszTitle = L"出力先";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr) return std::nullopt;
    std::optional<std::string> path;
    std::vector<wchar_t> buffer(kLongPath, L'\0');
    if (SHGetPathFromIDListEx(chosen, buffer.data(), static_cast<DWORD>(buffer.size()),
                              GPFIDL_DEFAULT)) {
        path = narrow(buffer.data());
    }
    CoTaskMemFree(chosen);
    return path;
}

std::optional<std::uint32_t> chooseColour(HWND owner, std::uint32_t initial,
                                          CustomColours& custom) {
    std::array<COLORREF, std::tuple_size_v<CustomColours>> colours;
    std::copy(custom.begin(), custom.end(), colours.begin());
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.rgbResult = initial;
    dialog.lpCustColors = colours.data();
    dialog.Flags = CC_RGBINIT;
    const bool chosen = ChooseColorW(&dialog) != FALSE;
    std::copy(colours.begin(), colours.end(), custom.begin());
    if (!chosen) return std::nullopt;
    return static_cast<std::uint32_t>(dialog.rgbResult);
}

}  // namespace pictrano
