#include "app/win32/RegistryBackend.h"

#include <cstring>
#include <limits>
#include <utility>

#include "app/win32/WideText.h"

namespace pictrano {

RegistryBackend::RegistryBackend(std::wstring subKey) : subKey_(std::move(subKey)) {}

RegistryBackend::~RegistryBackend() { close(); }

void RegistryBackend::close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
}

bool RegistryBackend::open() {
    close();
    writeFailed_ = false;
    for (REGSAM access : {KEY_READ | KEY_WRITE, KEY_READ}) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, access, nullptr, &key_,
                            nullptr) == ERROR_SUCCESS) {
            return true;
        }
        key_ = nullptr;
    }
    return false;
}

// Asks for the size first and reads again while the value grows in between.
std::optional<std::vector<std::uint8_t>> RegistryBackend::read(std::string_view name,
                                                               DWORD type) const {
    if (key_ == nullptr) return std::nullopt;
    const std::wstring wideName = widen(name);
    std::vector<std::uint8_t> bytes;
    for (;;) {
        DWORD storedType = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key_, wideName.c_str(), nullptr, &storedType, nullptr, &size) !=
                ERROR_SUCCESS ||
            storedType != type) {
            return std::nullopt;
        }
        bytes.resize(size);
        const LONG status = RegQueryValueExW(key_, wideName.c_str(), nullptr, &storedType,
                                             bytes.data(), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || storedType != type) return std::nullopt;
        bytes.resize(size);
        return bytes;
    }
}

std::optional<std::uint32_t> RegistryBackend::readDword(std::string_view name) const {
    const auto bytes = read(name, REG_DWORD);
    if (!bytes || bytes->size() != sizeof(std::uint32_t)) return std::nullopt;
    std::uint32_t value;
    std::memcpy(&value, bytes->data(), sizeof value);
    return value;
}

// The text up to its first terminator; a value stored without one ends with its last whole
// UTF-16 unit.
std::optional<std::string> RegistryBackend::readString(std::string_view name) const {
    const auto bytes = read(name, REG_SZ);
    if (!bytes) return std::nullopt;
    std::wstring text(bytes->size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes->data(), text.size() * sizeof(wchar_t));
    text.resize(std::wcslen(text.c_str()));
    return narrow(text);
}

std::optional<std::vector<std::uint8_t>> RegistryBackend::readBinary(std::string_view name) const {
    return read(name, REG_BINARY);
}

void RegistryBackend::write(std::string_view name, DWORD type, const void* data,
                            std::size_t size) {
    if (key_ == nullptr || size > std::numeric_limits<DWORD>::max() ||
        RegSetValueExW(key_, widen(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(size)) != ERROR_SUCCESS) {
        writeFailed_ = true;
    }
}

void RegistryBackend::writeDword(std::string_view name, std::uint32_t value) {
    write(name, REG_DWORD, &value, sizeof value);
}

void RegistryBackend::writeString(std::string_view name, std::string_view value) {
    const std::wstring text = widen(value);
    write(name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void RegistryBackend::writeBinary(std::string_view name, const std::vector<std::uint8_t>& value) {
    write(name, REG_BINARY, value.data(), value.size());
}

bool RegistryBackend::commit() { return key_ != nullptr && !writeFailed_; }

}  // namespace pictrano
