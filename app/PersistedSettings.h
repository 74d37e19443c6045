#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "app/DialogControls.h"
#include "app/OptionStore.h"
#include "platform/SettingsBackend.h"

namespace pictrano {

// Registry value types of the option rows.
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

struct OptionRegistryRow {
    const char* key;        // option key in the OptionStore
    const char* valueName;  // value name under the settings key
    std::uint32_t type;     // kRegDword or kRegBinary
};

// The options kept between runs, in the order they are read and written.
inline constexpr std::array<OptionRegistryRow, 10> OptionRegistryTable{{
    {kJpegReadDctColor, "JpegReadDCTColor", kRegDword},
    {kJpegReadLlColor, "JpegReadLLColor", kRegDword},
    {kJpegWriteDctSf, "JpegWriteDCTSF", kRegDword},
    {kJpegWriteLlSf, "JpegWriteLLSF", kRegDword},
    {kJpegWriteDriFlag, "JpegDRIOn", kRegDword},
    {kJpegWriteDri, "JpegDRI", kRegDword},
    {kIconWriteTransColor, "IconTransColor", kRegDword},
    {kIconWriteTransColorF, "IconTransColorF", kRegDword},
    {kIconWriteTrans, "IconTrans", kRegDword},
    {kCommonColorTable, "ColorTable", kRegBinary},
}};

// Window values.
inline constexpr char kLeftValue[] = "Left";
inline constexpr char kTopValue[] = "Top";
inline constexpr char kOutDirValue[] = "OutDir";

// The largest option value read back, the room for Left and Top, and the room for the output
// directory read back in UTF-16 units including the terminator; a longer stored value is ignored,
// never cut short.
inline constexpr std::size_t kOptionValueCapacity = 1024;
inline constexpr std::size_t kPositionValueCapacity = 4;
inline constexpr std::size_t kOutDirCapacity = 260;

// Overlays the stored option values on the store (a missing value keeps the store's value). A
// value is taken whatever type it was stored with where its bytes say one thing: a DWORD row
// reads a binary value of 4 bytes or more by its first 4, a binary row reads a DWORD as its 4
// bytes; a shorter value or a string keeps the store's value. 1 done, 0 when the settings cannot
// be opened or memory runs out.
int loadOptions(SettingsBackend& backend, OptionStore& store);

// Writes every DWORD option, and the binary ones that exist and are not empty. 1 done, 0 when the
// settings cannot be opened or written.
int saveOptions(SettingsBackend& backend, const OptionStore& store);

// Moves the window to the stored Left and Top (only when both are stored, each as a DWORD or 4
// binary bytes) and puts the stored output directory into its box. 1 done, 0 when the settings cannot be opened; out of memory
// shows "メモリが不足しています。" and gives 0.
int loadWindowSettings(SettingsBackend& backend, DialogControls& window);

// Stores the window's restored position and the output directory. 1 done, 0 when the settings
// cannot be opened or written; out of memory as above.
int saveWindowSettings(SettingsBackend& backend, DialogControls& window);

}  // namespace pictrano
