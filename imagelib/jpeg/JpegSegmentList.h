#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pictrano {

// An ordered list that owns its segments. Its room grows in proportion to its size, so that a
// file of many small segments costs time in proportion to their number. Appending throws
// std::bad_alloc when no room can be had, so that a reader never loses a segment silently; the
// reading operation turns that into its memory message.
template <typename Item>
class JpegSegmentList {
public:
    void append(std::unique_ptr<Item> item) { items_.push_back(std::move(item)); }

    // The item at index, or null beyond the end.
    Item* get(std::size_t index) const {
        return index < items_.size() ? items_[index].get() : nullptr;
    }
    std::size_t count() const { return items_.size(); }

    // Destroys the item and moves the later ones down.
    void remove(std::size_t index) {
        if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    // Destroys the item at index and keeps the new one in its place.
    void replace(std::size_t index, std::unique_ptr<Item> item) {
        if (index < items_.size()) items_[index] = std::move(item);
    }
    void clear() { items_.clear(); }

    // Writes every item's segment in list order; returns the bytes written.
    std::size_t write(std::uint8_t* out) const {
        std::size_t written = 0;
        for (const auto& item : items_) written += item->write(out + written);
        return written;
    }
    // The bytes write produces.
    std::size_t size() const {
        std::size_t total = 0;
        for (const auto& item : items_) total += item->size();
        return total;
    }

private:
    std::vector<std::unique_ptr<Item>> items_;
};

}  // namespace pictrano
