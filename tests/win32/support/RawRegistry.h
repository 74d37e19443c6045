#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pictrano::test {

// The registry as the system API shows it, independent of RegistryBackend: for preparing and
// checking values in tests.
struct RawValue {
    DWORD type;
    std::vector<std::uint8_t> bytes;
};

std::optional<RawValue> readRawValue(const std::wstring& subKey, const std::wstring& name);
void writeRawValue(const std::wstring& subKey, const std::wstring& name, DWORD type,
                   const std::vector<std::uint8_t>& bytes);
void deleteRawKey(const std::wstring& subKey);
std::vector<std::uint8_t> dwordBytes(std::uint32_t value);
std::vector<std::uint8_t> stringBytes(const std::wstring& text);  // with its terminator

}  // namespace pictrano::test
