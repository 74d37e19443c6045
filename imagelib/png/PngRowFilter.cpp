#include "imagelib/png/PngRowFilter.h"

#include <cstdlib>

#include "imagelib/png/PngFilterTypes.h"

namespace pictrano {
namespace {

// The neighbours of byte i: left, up and upper-left, 0 outside the row or before the first row.
struct Neighbours {
    int left;
    int up;
    int upperLeft;
};

Neighbours neighboursOf(const std::uint8_t* row, const std::uint8_t* previous, std::size_t i,
                        int step) {
    const bool hasLeft = i >= static_cast<std::size_t>(step);
    return {hasLeft ? row[i - step] : 0, previous != nullptr ? previous[i] : 0,
            hasLeft && previous != nullptr ? previous[i - step] : 0};
}

int prediction(int filter, const Neighbours& n) {
    switch (filter) {
        case kFilterSub: return n.left;
        case kFilterUp: return n.up;
        case kFilterAverage: return (n.left + n.up) / 2;
        case kFilterPaeth: return paethPredictor(n.left, n.up, n.upperLeft);
        default: return 0;
    }
}

}  // namespace

int choosePngFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t count,
                    int step) {
    std::int64_t estimates[5] = {};
    for (std::size_t i = 0; i < count; ++i) {
        const Neighbours n = neighboursOf(row, previous, i, step);
        for (int filter = kFilterNone; filter <= kFilterPaeth; ++filter) {
            estimates[filter] += std::abs(row[i] - prediction(filter, n));
        }
    }
    int best = kFilterNone;
    for (int filter = kFilterSub; filter <= kFilterPaeth; ++filter) {
        if (estimates[filter] < estimates[best]) best = filter;
    }
    return best;
}

void filterPngRows(const std::uint8_t* rows, std::size_t rowBytes, std::size_t rowCount, int step,
                   int filter, std::uint8_t* out) {
    const std::uint8_t* previous = nullptr;
    for (std::size_t y = 0; y < rowCount; ++y) {
        const std::uint8_t* row = rows + y * rowBytes;
        const int type = filter >= kFilterNone && filter <= kFilterPaeth
                             ? filter
                             : choosePngFilter(row, previous, rowBytes, step);
        *out++ = static_cast<std::uint8_t>(type);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            *out++ = static_cast<std::uint8_t>(
                row[i] - prediction(type, neighboursOf(row, previous, i, step)));
        }
        previous = row;
    }
}

}  // namespace pictrano
