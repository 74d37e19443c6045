#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace pictrano::fuzz {

// Takes the leading bytes of a fuzz input as choices, leaving the rest as the data.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next byte, or 0 once the input is used up.
    std::uint8_t byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    // The next little-endian 16-bit value.
    std::uint16_t word() {
        const std::uint8_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Stops the run with a report the fuzzer records as a finding.
[[noreturn]] inline void finding() { std::abort(); }

// Every failure must leave a message behind.
template <typename Errors>
void requireMessage(const Errors& errors) {
    if (errors.narrow()[0] == 0 || errors.wide()[0] == 0) finding();
}

}  // namespace pictrano::fuzz
