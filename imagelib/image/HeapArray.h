#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace pictrano {

// An array of plain values on the heap, either zero-filled from calloc (a large one arrives as
// untouched zero pages, so the decoder's own writes are its first touch and no separate clearing
// pass runs) or left unset, for buffers whose every value is written before it is read.
template <typename T>
class HeapArray {
    static_assert(std::is_trivial_v<T>);

public:
    HeapArray() = default;
    HeapArray(HeapArray&& other) noexcept
        : data_(std::move(other.data_)), size_(std::exchange(other.size_, 0)) {}
    HeapArray& operator=(HeapArray&& other) noexcept {
        data_ = std::move(other.data_);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }

    // Replaces the contents by `count` zeros; throws std::bad_alloc when there is no room.
    void assign(std::size_t count) { take(count, true); }
    // Replaces the contents by `count` unset values; the same failure.
    void assignUnset(std::size_t count) { take(count, false); }
    void clear() {
        data_.reset();
        size_ = 0;
    }
    // Keeps the first `count` values (at most size()) and gives the memory past them back.
    void truncate(std::size_t count) {
        if (count >= size_) return;
        if (count == 0) return clear();
        if (void* smaller = std::realloc(data_.get(), count * sizeof(T))) {
            static_cast<void>(data_.release());
            data_.reset(static_cast<T*>(smaller));
        }
        size_ = count;
    }

    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t index) { return data_[index]; }
    const T& operator[](std::size_t index) const { return data_[index]; }

private:
    void take(std::size_t count, bool zeroed) {
        data_.reset();
        size_ = 0;
        if (count == 0) return;
        if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        void* memory = zeroed ? std::calloc(count, sizeof(T)) : std::malloc(count * sizeof(T));
        if (memory == nullptr) throw std::bad_alloc();
        data_.reset(static_cast<T*>(memory));
        size_ = count;
    }

    struct Free {
        void operator()(T* pointer) const { std::free(pointer); }
    };
    std::unique_ptr<T[], Free> data_;
    std::size_t size_ = 0;
};

}  // namespace pictrano
