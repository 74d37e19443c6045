#include "app/OptionStore.h"

#include <cstring>
#include <new>
#include <string>

#include "app/DecimalText.h"

namespace pictrano {

std::size_t OptionStore::indexOf(std::string_view key) const {
    std::size_t index = 0;
    while (index < entries_.size() && entries_[index]->key != key) ++index;
    return index;
}

const OptionValue* OptionStore::find(std::string_view key) const {
    const std::size_t index = indexOf(key);
    return index < entries_.size() ? entries_[index].get() : nullptr;
}

// The entry for `key`, appended when the key is new; setting a key never moves it.
OptionValue* OptionStore::entryFor(std::string_view key) {
    const std::size_t index = indexOf(key);
    if (index < entries_.size()) return entries_[index].get();
    try {
        auto entry = std::make_unique<OptionValue>();
        entry->key = key;
        entries_.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return entries_.back().get();
}

// Replaces the entry's data with a copy of `count` bytes (plus a zero byte when `terminated`).
// The copy is made before the old block is released, so the bytes may come from the entry itself
// (setString(key, getText(key))). Without memory for the copy the entry becomes empty.
void OptionStore::assign(std::string_view key, OptionValue::Kind kind, const std::uint8_t* bytes,
                         std::size_t count, bool terminated) {
    OptionValue* entry = entryFor(key);
    if (entry == nullptr) return;
    std::vector<std::uint8_t> data;
    try {
        data.reserve(count + (terminated ? 1 : 0));
    } catch (const std::bad_alloc&) {
        std::vector<std::uint8_t>().swap(entry->data);
        entry->kind = OptionValue::Empty;
        entry->length = 0;
        return;
    }
    data.assign(bytes, bytes + count);
    if (terminated) data.push_back(0);
    entry->data = std::move(data);
    entry->kind = kind;
    entry->length = static_cast<std::int32_t>(count);
}

void OptionStore::setInt(std::string_view key, std::int32_t value) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    assign(key, OptionValue::Integer, bytes, 4, false);
}

void OptionStore::setString(std::string_view key, std::string_view text) {
    assign(key, OptionValue::String, reinterpret_cast<const std::uint8_t*>(text.data()),
           text.size(), true);
}

void OptionStore::setBinary(std::string_view key, const void* bytes, std::size_t count) {
    assign(key, OptionValue::Binary, static_cast<const std::uint8_t*>(bytes), count, true);
}

std::uint32_t OptionStore::getInt(std::string_view key) const {
    const OptionValue* entry = find(key);
    if (entry == nullptr) return 0;
    if (entry->kind == OptionValue::Integer) {
        std::int32_t value;
        std::memcpy(&value, entry->data.data(), 4);
        return static_cast<std::uint32_t>(value);
    }
    if (entry->kind == OptionValue::String) {
        return parseUnsignedDecimal(std::string_view(
            reinterpret_cast<const char*>(entry->data.data()), entry->data.size() - 1));
    }
    return 0;
}

const char* OptionStore::getText(std::string_view key) const {
    const OptionValue* entry = find(key);
    if (entry == nullptr || entry->kind == OptionValue::Empty) return nullptr;
    if (entry->kind == OptionValue::Integer) {
        textBuffer_ = std::to_string(getInt(key));  // at most 10 digits: no allocation
        return textBuffer_.c_str();
    }
    return reinterpret_cast<const char*>(entry->data.data());
}

const std::uint8_t* OptionStore::getData(std::string_view key) const {
    const OptionValue* entry = find(key);
    if (entry == nullptr || entry->kind == OptionValue::Empty) return nullptr;
    return entry->data.data();
}

std::int32_t OptionStore::getLength(std::string_view key) const {
    const OptionValue* entry = find(key);
    return entry == nullptr ? 0 : entry->length;
}

std::vector<std::string> OptionStore::keys() const {
    std::vector<std::string> keys;
    for (const auto& entry : entries_) keys.push_back(entry->key);
    return keys;
}

void OptionStore::setDefaults() {
    setInt(kJpegReadDctColor, 0);
    setInt(kJpegReadLlColor, 0);
    setInt(kJpegWriteDctSf, 1);
    setInt(kJpegWriteLlSf, 0);
    setInt(kJpegWriteDriFlag, 0);
    setInt(kJpegWriteDri, 64);
    setInt(kIconWriteTrans, 0);
    setInt(kIconWriteTransColor, 0xFFFFFF);
    setInt(kIconWriteTransColorF, 0);
}

}  // namespace pictrano
