#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/image/MessageCatalogue.h"

namespace pictrano::test {

// The outcome of inflating one stream: the returned bit position (0 on failure), the message of
// a failure, and the bytes written (also those written before a failure).
struct InflateOutcome {
    std::uint64_t position = 0;
    std::optional<Msg> failure;
    std::vector<std::uint8_t> output;

    bool operator==(const InflateOutcome&) const = default;
};

// The plain inflate: every symbol found by a linear search over its table, compared through the
// pre-shifted patterns and the masked 32-bit word at the bit position, with the same bounds as the
// shipped inflate. The reference the table-driven inflate must match on every input.
InflateOutcome referenceInflate(const std::vector<std::uint8_t>& input, std::size_t capacity);

}  // namespace pictrano::test
