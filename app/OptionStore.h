#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pictrano {

// One named option value: an integer, a string or a binary block.
struct OptionValue {
    enum Kind : std::int32_t { Empty = 0, Integer = 2, String = 9, Binary = 10 };

    std::string key;
    std::int32_t length = 0;  // 4, the text length, or the byte count
    Kind kind = Empty;
    // The 4-byte integer; the text and its terminator; or the bytes and one extra zero byte.
    std::vector<std::uint8_t> data;
};

// The application's options as keyed values in insertion order. Keys compare exactly.
class OptionStore {
public:
    const OptionValue* find(std::string_view key) const;
    // Setting a key replaces its value in place, or appends a new entry. When memory runs out the
    // entry is left empty (kind Empty, length 0), or a new key is not stored at all.
    void setInt(std::string_view key, std::int32_t value);
    void setString(std::string_view key, std::string_view text);
    void setBinary(std::string_view key, const void* bytes, std::size_t count);

    // 0 when absent, binary or empty; a string entry's text as an unsigned decimal number
    // (parseUnsignedDecimal).
    std::uint32_t getInt(std::string_view key) const;
    // An integer as unsigned decimal text (valid until the next call), a string's or binary
    // entry's data; null when absent or empty.
    const char* getText(std::string_view key) const;
    const std::uint8_t* getData(std::string_view key) const;
    std::int32_t getLength(std::string_view key) const;

    // The keys in insertion order.
    std::vector<std::string> keys() const;

    // Sets the nine defaults, in their fixed order.
    void setDefaults();

private:
    std::size_t indexOf(std::string_view key) const;  // entries_.size() when absent
    OptionValue* entryFor(std::string_view key);      // null when a new entry cannot be stored
    void assign(std::string_view key, OptionValue::Kind kind, const std::uint8_t* bytes,
                std::size_t count, bool terminated);

    std::vector<std::unique_ptr<OptionValue>> entries_;
    mutable std::string textBuffer_;
};

// Option keys.
inline constexpr char kJpegReadDctColor[] = "Jpeg.read.DCT.Color";
inline constexpr char kJpegReadLlColor[] = "Jpeg.read.LL.Color";
inline constexpr char kJpegWriteDctSf[] = "Jpeg.write.DCT.SF";
inline constexpr char kJpegWriteLlSf[] = "Jpeg.write.LL.SF";
inline constexpr char kJpegWriteDriFlag[] = "Jpeg.write.DRIflag";
inline constexpr char kJpegWriteDri[] = "Jpeg.write.DRI";
inline constexpr char kIconWriteTrans[] = "Icon.write.Trans";
inline constexpr char kIconWriteTransColor[] = "Icon.write.TransColor";
inline constexpr char kIconWriteTransColorF[] = "Icon.write.TransColorF";
inline constexpr char kCommonColorTable[] = "Common.ColorTable";

}  // namespace pictrano
