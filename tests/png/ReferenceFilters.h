#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

// The row filters written out plainly, byte by byte, as the PNG rules state them: the reference
// the library's forms must match.
namespace pictrano::test {

struct Neighbourhood {
    int left = 0;
    int up = 0;
    int upperLeft = 0;
};

inline int referencePaeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    if (pb <= pc) return b;
    return c;
}

inline int referencePrediction(int filter, const Neighbourhood& n) {
    switch (filter) {
        case 1: return n.left;
        case 2: return n.up;
        case 3: return (n.left + n.up) / 2;
        case 4: return referencePaeth(n.left, n.up, n.upperLeft);
        default: return 0;
    }
}

// Neighbours of byte i of `row` (reconstructed bytes) with `above` the row before, or empty.
inline Neighbourhood neighbourhood(const std::vector<std::uint8_t>& row,
                                   const std::vector<std::uint8_t>& above, std::size_t i,
                                   std::size_t step) {
    Neighbourhood n;
    if (i >= step) n.left = row[i - step];
    if (!above.empty()) n.up = above[i];
    if (!above.empty() && i >= step) n.upperLeft = above[i - step];
    return n;
}

// Reconstructs rows of (filter byte, rowBytes bytes); false on a filter type above 4.
inline bool referenceUnfilter(const std::vector<std::uint8_t>& filtered, std::size_t rowBytes,
                              std::size_t step, std::vector<std::vector<std::uint8_t>>& rows) {
    rows.clear();
    std::vector<std::uint8_t> above;
    for (std::size_t offset = 0; offset + rowBytes + 1 <= filtered.size(); offset += rowBytes + 1) {
        const int filter = filtered[offset];
        if (filter > 4) return false;
        std::vector<std::uint8_t> row(rowBytes);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int raw = filtered[offset + 1 + i];
            row[i] = static_cast<std::uint8_t>(
                (raw + referencePrediction(filter, neighbourhood(row, above, i, step))) % 256);
        }
        rows.push_back(row);
        above = row;
    }
    return true;
}

// One row filtered with one filter type, without its filter byte.
inline std::vector<std::uint8_t> referenceFilterRow(const std::vector<std::uint8_t>& row,
                                                    const std::vector<std::uint8_t>& above,
                                                    std::size_t step, int filter) {
    std::vector<std::uint8_t> out(row.size());
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int prediction = referencePrediction(filter, neighbourhood(row, above, i, step));
        out[i] = static_cast<std::uint8_t>((row[i] - prediction + 256) % 256);
    }
    return out;
}

// The automatic choice: the smallest sum of |x - prediction| over the row, the earlier filter on
// a tie.
inline int referenceAutomaticFilter(const std::vector<std::uint8_t>& row,
                                    const std::vector<std::uint8_t>& above, std::size_t step) {
    int best = 0;
    long long bestSum = -1;
    for (int filter = 0; filter <= 4; ++filter) {
        long long sum = 0;
        for (std::size_t i = 0; i < row.size(); ++i) {
            sum +=
                std::abs(row[i] - referencePrediction(filter, neighbourhood(row, above, i, step)));
        }
        if (bestSum < 0 || sum < bestSum) {
            best = filter;
            bestSum = sum;
        }
    }
    return best;
}

}  // namespace pictrano::test
