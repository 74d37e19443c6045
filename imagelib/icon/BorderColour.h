#pragma once

#include <cstdint>
#include <unordered_map>

namespace pictrano {

// The most frequent value along the border of a picture of stored rows (row 0 the bottom row),
// valueAt(x, y) giving the value at column x of stored row y. The border is visited in this
// order: for each column the bottom-row and then the top-row value; then for each stored row from
// the second to the last but one its first-column and last-column value. A value counts at the
// first position it was met; the most repeated wins, and on equal counts the earlier position, so
// a border without repeats yields its first value. Pixels that are on two edges at once (the rows
// of a one-row picture, the column of a one-column picture) are visited once per edge; the pixel
// of a one-pixel picture is its own border. May throw std::bad_alloc.
template <typename ValueAt>
std::uint32_t mostFrequentBorderValue(int width, int height, const ValueAt& valueAt) {
    struct Tally {
        std::int64_t firstPosition;
        std::int64_t repeats;
    };
    std::unordered_map<std::uint32_t, Tally> tallies;
    std::int64_t position = 0;
    auto visit = [&](std::uint32_t value) {
        const auto [at, isNew] = tallies.try_emplace(value, Tally{position, 0});
        if (!isNew) ++at->second.repeats;
        ++position;
    };
    for (int x = 0; x < width; ++x) {
        visit(valueAt(x, 0));
        visit(valueAt(x, height - 1));
    }
    for (int y = 1; y < height - 1; ++y) {
        visit(valueAt(0, y));
        visit(valueAt(width - 1, y));
    }
    std::uint32_t best = 0;
    Tally bestTally{position, -1};
    for (const auto& [value, tally] : tallies) {
        if (tally.repeats > bestTally.repeats ||
            (tally.repeats == bestTally.repeats && tally.firstPosition < bestTally.firstPosition)) {
            best = value;
            bestTally = tally;
        }
    }
    return best;
}

}  // namespace pictrano
