#include "app/OptionStore.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace pictrano {

const OptionValue* OptionStore::find(std::string_view key) const {
    for (const auto& entry : entries_) {
        if (entry->key == key) return entry.get();
    }
    return nullptr;
}

// The entry for `key`, appended when the key is new; setting a key never moves it.
OptionValue& OptionStore::entryFor(std::string_view key) {
    if (const OptionValue* existing = find(key)) return const_cast<OptionValue&>(*existing);
    auto entry = std::make_unique<OptionValue>();
    entry->key = key;
    entries_.push_back(std::move(entry));
    return *entries_.back();
}

void OptionStore::setInt(std::string_view key, std::int32_t value) {
    OptionValue& entry = entryFor(key);
    entry.data.resize(4);
    std::memcpy(entry.data.data(), &value, 4);
    entry.kind = OptionValue::Integer;
    entry.length = 4;
}

void OptionStore::setString(std::string_view key, std::string_view text) {
    OptionValue& entry = entryFor(key);
    entry.data.assign(text.begin(), text.end());
    entry.data.push_back(0);
    entry.kind = OptionValue::String;
    entry.length = static_cast<std::int32_t>(text.size());
}

void OptionStore::setBinary(std::string_view key, const void* bytes, std::size_t count) {
    OptionValue& entry = entryFor(key);
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    entry.data.assign(begin, begin + count);
    entry.data.push_back(0);
    entry.kind = OptionValue::Binary;
    entry.length = static_cast<std::int32_t>(count);
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
        return static_cast<std::uint32_t>(
            std::strtoul(reinterpret_cast<const char*>(entry->data.data()), nullptr, 10));
    }
    return 0;
}

const char* OptionStore::getText(std::string_view key) const {
    const OptionValue* entry = find(key);
    if (entry == nullptr || entry->kind == OptionValue::Empty) return nullptr;
    if (entry->kind == OptionValue::Integer) {
        textBuffer_ = std::to_string(getInt(key));
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
