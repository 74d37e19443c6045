#include "imagelib/png/PngRowFilter.h"

#include <cstdlib>
#include <vector>

#include "imagelib/png/PngFilterTypes.h"

namespace pictrano {
namespace {

// The row above the first row: all zero, like the bytes left of a row's first pixel.
struct RowContext {
    const std::uint8_t* row;
    const std::uint8_t* above;
    std::size_t count;
};

// The estimates of the five filters for one row, the first Step bytes (without a left
// neighbour) apart so that the main loop has no conditions.
template <int Step>
int chooseWithStep(const RowContext& r) {
    std::int64_t estimates[5] = {};
    const std::size_t head = r.count < Step ? r.count : Step;
    for (std::size_t i = 0; i < head; ++i) {
        const int x = r.row[i];
        const int b = r.above[i];
        estimates[kFilterNone] += x;
        estimates[kFilterSub] += x;
        estimates[kFilterUp] += std::abs(x - b);
        estimates[kFilterAverage] += std::abs(x - (b >> 1));
        estimates[kFilterPaeth] += std::abs(x - b);  // the predictor of (0, b, 0) is b
    }
    // Sums over blocks short enough for 32 bits (255 x 65,536 < 2^32), which lets the compiler
    // take many bytes at once.
    constexpr std::size_t kBlock = 65536;
    for (std::size_t start = Step; start < r.count; start += kBlock) {
        const std::size_t end = r.count - start < kBlock ? r.count : start + kBlock;
        std::uint32_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
        for (std::size_t i = start; i < end; ++i) {
            const int x = r.row[i];
            const int a = r.row[i - Step];
            const int b = r.above[i];
            const int c = r.above[i - Step];
            none += static_cast<std::uint32_t>(x);
            sub += static_cast<std::uint32_t>(std::abs(x - a));
            up += static_cast<std::uint32_t>(std::abs(x - b));
            average += static_cast<std::uint32_t>(std::abs(x - ((a + b) >> 1)));
            paeth += static_cast<std::uint32_t>(std::abs(x - paethPredictor(a, b, c)));
        }
        estimates[kFilterNone] += none;
        estimates[kFilterSub] += sub;
        estimates[kFilterUp] += up;
        estimates[kFilterAverage] += average;
        estimates[kFilterPaeth] += paeth;
    }
    int best = kFilterNone;
    for (int filter = kFilterSub; filter <= kFilterPaeth; ++filter) {
        if (estimates[filter] < estimates[best]) best = filter;
    }
    return best;
}

std::uint8_t difference(int x, int prediction) { return static_cast<std::uint8_t>(x - prediction); }

// One loop per filter; before byte Step the left and upper-left neighbours are 0.
template <int Step>
void filterWithStep(int filter, const RowContext& r, std::uint8_t* out) {
    const std::uint8_t* x = r.row;
    const std::uint8_t* b = r.above;
    const std::size_t n = r.count;
    const std::size_t head = n < Step ? n : Step;
    switch (filter) {
        case kFilterSub:
            for (std::size_t i = 0; i < head; ++i) out[i] = x[i];
            for (std::size_t i = Step; i < n; ++i) out[i] = difference(x[i], x[i - Step]);
            break;
        case kFilterUp:
            for (std::size_t i = 0; i < n; ++i) out[i] = difference(x[i], b[i]);
            break;
        case kFilterAverage:
            for (std::size_t i = 0; i < head; ++i) out[i] = difference(x[i], b[i] >> 1);
            for (std::size_t i = Step; i < n; ++i) {
                out[i] = difference(x[i], (x[i - Step] + b[i]) >> 1);
            }
            break;
        case kFilterPaeth:
            for (std::size_t i = 0; i < head; ++i) out[i] = difference(x[i], b[i]);
            for (std::size_t i = Step; i < n; ++i) {
                out[i] = difference(x[i], paethPredictor(x[i - Step], b[i], b[i - Step]));
            }
            break;
        default:
            for (std::size_t i = 0; i < n; ++i) out[i] = x[i];
            break;
    }
}

int choose(const RowContext& r, int step) {
    switch (step) {
        case 1: return chooseWithStep<1>(r);
        case 2: return chooseWithStep<2>(r);
        case 3: return chooseWithStep<3>(r);
        case 4: return chooseWithStep<4>(r);
        case 6: return chooseWithStep<6>(r);
        default: return chooseWithStep<8>(r);
    }
}

void filterRow(int filter, const RowContext& r, int step, std::uint8_t* out) {
    switch (step) {
        case 1: return filterWithStep<1>(filter, r, out);
        case 2: return filterWithStep<2>(filter, r, out);
        case 3: return filterWithStep<3>(filter, r, out);
        case 4: return filterWithStep<4>(filter, r, out);
        case 6: return filterWithStep<6>(filter, r, out);
        default: return filterWithStep<8>(filter, r, out);
    }
}

}  // namespace

int choosePngFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t count,
                    int step) {
    const std::vector<std::uint8_t> zero(previous == nullptr ? count : 0, 0);
    return choose({row, previous != nullptr ? previous : zero.data(), count}, step);
}

void filterPngRows(const std::uint8_t* rows, std::size_t rowBytes, std::size_t rowCount, int step,
                   int filter, std::uint8_t* out) {
    const std::vector<std::uint8_t> zero(rowBytes, 0);
    const bool automatic = filter < kFilterNone || filter > kFilterPaeth;
    for (std::size_t y = 0; y < rowCount; ++y) {
        const RowContext r{rows + y * rowBytes, y == 0 ? zero.data() : rows + (y - 1) * rowBytes,
                           rowBytes};
        const int type = automatic ? choose(r, step) : filter;
        out[0] = static_cast<std::uint8_t>(type);
        filterRow(type, r, step, out + 1);
        out += rowBytes + 1;
    }
}

}  // namespace pictrano
