#include "tests/win32/support/RawRegistry.h"

#include <cstring>

namespace pictrano::test {

std::optional<RawValue> readRawValue(const std::wstring& subKey, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value{};
    DWORD size = 0;
    std::optional<RawValue> result;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(),
                             &size) == ERROR_SUCCESS) {
            value.bytes.resize(size);
            result = value;
        }
    }
    RegCloseKey(key);
    return result;
}

void writeRawValue(const std::wstring& subKey, const std::wstring& name, DWORD type,
                   const std::vector<std::uint8_t>& bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void deleteRawKey(const std::wstring& subKey) {
    RegDeleteTreeW(HKEY_CURRENT_USER, subKey.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, subKey.c_str());
}

std::vector<std::uint8_t> dwordBytes(std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

std::vector<std::uint8_t> stringBytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes((text.size() + 1) * sizeof(wchar_t));
    std::memcpy(bytes.data(), text.c_str(), bytes.size());
    return bytes;
}

}  // namespace pictrano::test
