#pragma once

#include <windows.h>

#include <string>

#include "platform/SettingsBackend.h"

namespace pictrano {

// Settings in the registry of the current user, under HKEY_CURRENT_USER\Software\Tovami\Pictrano
// (another sub-key may be given, for tests). DWORD values are REG_DWORD, strings REG_SZ (UTF-16,
// stored with their terminator), binary values REG_BINARY. A value stored with another type, or
// a DWORD of another size, reads as absent. Writes go straight to the key; commit() reports
// whether every write since open() succeeded.
class RegistryBackend : public SettingsBackend {
public:
    static constexpr wchar_t kDefaultSubKey[] = L"Software\\Tovami\\Pictrano";

    explicit RegistryBackend(std::wstring subKey = kDefaultSubKey);
    ~RegistryBackend() override;
    RegistryBackend(const RegistryBackend&) = delete;
    RegistryBackend& operator=(const RegistryBackend&) = delete;

    // Creates the key when it is missing. Opens it for reading and writing, or for reading alone
    // when writing is not allowed (every write then fails).
    bool open() override;
    std::optional<std::uint32_t> readDword(std::string_view name) const override;
    std::optional<std::string> readString(std::string_view name) const override;
    std::optional<std::vector<std::uint8_t>> readBinary(std::string_view name) const override;
    void writeDword(std::string_view name, std::uint32_t value) override;
    void writeString(std::string_view name, std::string_view value) override;
    void writeBinary(std::string_view name, const std::vector<std::uint8_t>& value) override;
    bool commit() override;

private:
    void close();
    // The bytes of `name` when it is stored with `type`.
    std::optional<std::vector<std::uint8_t>> read(std::string_view name, DWORD type) const;
    void write(std::string_view name, DWORD type, const void* data, std::size_t size);

    std::wstring subKey_;
    HKEY key_ = nullptr;
    bool writeFailed_ = false;
};

}  // namespace pictrano
