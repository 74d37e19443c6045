#include "app/PersistedSettings.h"

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/MessageCatalogue.h"
#include "platform/TextConversion.h"

namespace pictrano {
namespace {

void reportOutOfMemory(DialogControls& window) {
    try {
        window.messageBox(utf16ToUtf8(utf16Text(Msg::OutOfMemory)), DialogControls::Icon::Error);
    } catch (const std::bad_alloc&) {
        // Nothing more can be done without memory.
    }
}

// A stored output directory is taken only when it fits the room a path has and holds no NUL, so
// that no other path than the stored one ever reaches the box.
bool fitsOutputDirectory(const std::string& text) {
    return text.find('\0') == std::string::npos &&
           utf8ToUtf16(text).size() + 1 <= kOutDirCapacity;
}

// A value read for a DWORD: one stored as a DWORD, or the first 4 bytes (little-endian, as a
// DWORD is kept) of a binary value of 4 to `room` bytes, as a read of `room` bytes would give
// them whatever the stored type. A shorter binary value gives nothing rather than bytes that were
// never stored, and a string gives nothing because its bytes depend on the store's encoding.
std::optional<std::uint32_t> dwordOfAnyType(const SettingsBackend& backend, const char* name,
                                            std::size_t room) {
    if (auto value = backend.readDword(name)) return value;
    const auto bytes = backend.readBinary(name);
    if (bytes && bytes->size() >= 4 && bytes->size() <= room) return loadLe32(bytes->data());
    return std::nullopt;
}

// A value read for a binary option: a binary value of at most `room` bytes, or a DWORD as its 4
// bytes. Strings give nothing, as above.
std::optional<std::vector<std::uint8_t>> bytesOfAnyType(const SettingsBackend& backend,
                                                        const char* name, std::size_t room) {
    if (auto bytes = backend.readBinary(name)) {
        if (bytes->size() <= room) return bytes;
        return std::nullopt;
    }
    if (auto value = backend.readDword(name)) {
        std::vector<std::uint8_t> bytes(4);
        storeLe32(bytes.data(), *value);
        return bytes;
    }
    return std::nullopt;
}

}  // namespace

int loadOptions(SettingsBackend& backend, OptionStore& store) {
    try {
        if (!backend.open()) return 0;
        for (const OptionRegistryRow& row : OptionRegistryTable) {
            if (row.type == kRegDword) {
                if (auto value = dwordOfAnyType(backend, row.valueName, kOptionValueCapacity)) {
                    store.setInt(row.key, static_cast<std::int32_t>(*value));
                }
            } else if (auto bytes = bytesOfAnyType(backend, row.valueName, kOptionValueCapacity)) {
                store.setBinary(row.key, bytes->data(), bytes->size());
            }
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

int saveOptions(SettingsBackend& backend, const OptionStore& store) {
    try {
        if (!backend.open()) return 0;
        for (const OptionRegistryRow& row : OptionRegistryTable) {
            if (row.type == kRegDword) {
                backend.writeDword(row.valueName, store.getInt(row.key));
                continue;
            }
            const std::uint8_t* data = store.getData(row.key);
            const std::int32_t length = store.getLength(row.key);
            if (data != nullptr && length > 0) {
                backend.writeBinary(row.valueName, std::vector<std::uint8_t>(data, data + length));
            }
        }
        return backend.commit() ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int loadWindowSettings(SettingsBackend& backend, DialogControls& window) {
    try {
        if (!backend.open()) return 0;
        if (auto left = dwordOfAnyType(backend, kLeftValue, kPositionValueCapacity)) {
            if (auto top = dwordOfAnyType(backend, kTopValue, kPositionValueCapacity)) {
                window.moveWindow(static_cast<std::int32_t>(*left), static_cast<std::int32_t>(*top));
            }
        }
        if (auto outDir = backend.readString(kOutDirValue); outDir && fitsOutputDirectory(*outDir)) {
            window.setText(ids::kOutputDirectory, *outDir);
        }
    } catch (const std::bad_alloc&) {
        reportOutOfMemory(window);
        return 0;
    }
    return 1;
}

int saveWindowSettings(SettingsBackend& backend, DialogControls& window) {
    try {
        if (!backend.open()) return 0;
        int left = 0;
        int top = 0;
        window.windowPosition(left, top);
        backend.writeDword(kLeftValue, static_cast<std::uint32_t>(left));
        backend.writeDword(kTopValue, static_cast<std::uint32_t>(top));
        backend.writeString(kOutDirValue, window.text(ids::kOutputDirectory));
        return backend.commit() ? 1 : 0;
    } catch (const std::bad_alloc&) {
        reportOutOfMemory(window);
        return 0;
    }
}

}  // namespace pictrano
