#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace pictrano {

// An allocator whose resize() leaves new elements unset (default-initialised), for buffers
// whose every byte is written before it is read: a large picture then costs one pass over its
// memory instead of a zero fill and an overwrite.
template <typename T>
struct UnsetAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <typename U>
    explicit UnsetAllocator(const UnsetAllocator<U>&) noexcept {}

    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};

// Bytes that resize() does not clear; assign(n, 0) still clears.
using ByteBuffer = std::vector<std::uint8_t, UnsetAllocator<std::uint8_t>>;

}  // namespace pictrano
