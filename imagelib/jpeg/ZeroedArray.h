#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace pictrano {

// A zero-filled array of plain values taken from calloc: a large one arrives as untouched zero
// pages, so the decoder's own writes are its first touch and no separate clearing pass runs.
template <typename T>
class ZeroedArray {
    static_assert(std::is_trivial_v<T>);

public:
    // Replaces the contents by `count` zeros; throws std::bad_alloc when there is no room.
    void assign(std::size_t count) {
        data_.reset();
        size_ = 0;
        if (count == 0) return;
        data_.reset(static_cast<T*>(std::calloc(count, sizeof(T))));
        if (!data_) throw std::bad_alloc();
        size_ = count;
    }
    void clear() {
        data_.reset();
        size_ = 0;
    }

    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t index) { return data_[index]; }
    const T& operator[](std::size_t index) const { return data_[index]; }

private:
    struct Free {
        void operator()(T* pointer) const { std::free(pointer); }
    };
    std::unique_ptr<T[], Free> data_;
    std::size_t size_ = 0;
};

}  // namespace pictrano
