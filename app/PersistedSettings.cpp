#include "app/PersistedSettings.h"

#include <new>
#include <string>
#include <vector>

#include "app/ControlIds.h"
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

}  // namespace

int loadOptions(SettingsBackend& backend, OptionStore& store) {
    try {
        if (!backend.open()) return 0;
        for (const OptionRegistryRow& row : OptionRegistryTable) {
            if (row.type == kRegDword) {
                if (auto value = backend.readDword(row.valueName)) {
                    store.setInt(row.key, static_cast<std::int32_t>(*value));
                }
            } else if (auto bytes = backend.readBinary(row.valueName);
                       bytes && bytes->size() <= kOptionValueCapacity) {
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
        if (auto left = backend.readDword(kLeftValue)) {
            if (auto top = backend.readDword(kTopValue)) {
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
