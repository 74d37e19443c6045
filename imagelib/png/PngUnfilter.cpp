#include "imagelib/png/PngUnfilter.h"

#include "imagelib/png/PngFilterTypes.h"

namespace pictrano {
namespace {

// Each form walks the row once; Step is a constant so that the bytes of one pixel, which do not
// depend on each other, are reconstructed side by side.

template <int Step>
void unfilterSub(std::uint8_t* row, std::size_t count) {
    for (std::size_t i = Step; i < count; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + row[i - Step]);
    }
}

void unfilterUp(std::uint8_t* row, const std::uint8_t* previous, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
}

template <int Step>
void unfilterAverage(std::uint8_t* row, const std::uint8_t* previous, std::size_t count) {
    const std::size_t head = count < Step ? count : Step;
    for (std::size_t i = 0; i < head; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + (previous[i] >> 1));
    }
    for (std::size_t i = Step; i < count; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - Step] + previous[i]) >> 1));
    }
}

template <int Step>
void unfilterPaeth(std::uint8_t* row, const std::uint8_t* previous, std::size_t count) {
    // Without a left neighbour the predictor is the byte above.
    const std::size_t head = count < Step ? count : Step;
    for (std::size_t i = 0; i < head; ++i) row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
    for (std::size_t i = Step; i < count; ++i) {
        const int left = row[i - Step];
        const int up = previous[i];
        const int upperLeft = previous[i - Step];
        row[i] = static_cast<std::uint8_t>(row[i] + paethPredictor(left, up, upperLeft));
    }
}

template <int Step>
bool unfilterWithStep(int filterType, std::uint8_t* row, const std::uint8_t* previous,
                      std::size_t count) {
    switch (filterType) {
        case kFilterNone: return true;
        case kFilterSub: unfilterSub<Step>(row, count); return true;
        case kFilterUp: unfilterUp(row, previous, count); return true;
        case kFilterAverage: unfilterAverage<Step>(row, previous, count); return true;
        case kFilterPaeth: unfilterPaeth<Step>(row, previous, count); return true;
        default: return false;
    }
}

}  // namespace

bool unfilterRow(int filterType, std::uint8_t* row, const std::uint8_t* previous, std::size_t count,
                 int step) {
    switch (step) {
        case 1: return unfilterWithStep<1>(filterType, row, previous, count);
        case 2: return unfilterWithStep<2>(filterType, row, previous, count);
        case 3: return unfilterWithStep<3>(filterType, row, previous, count);
        case 4: return unfilterWithStep<4>(filterType, row, previous, count);
        case 6: return unfilterWithStep<6>(filterType, row, previous, count);
        default: return unfilterWithStep<8>(filterType, row, previous, count);
    }
}

}  // namespace pictrano
