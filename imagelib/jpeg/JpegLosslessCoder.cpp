#include "imagelib/jpeg/JpegLosslessCoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "imagelib/jpeg/JpegBitWriter.h"

namespace pictrano {
namespace {

constexpr int kFrameKindLossless = 0xC3;

// The category of a difference: the significant bits of its magnitude, at most 16.
int categoryOf(int difference) {
    const auto magnitude = static_cast<std::uint32_t>(difference < 0 ? -difference : difference);
    return std::min(static_cast<int>(std::bit_width(magnitude)), 16);
}

// The prediction of a sample from its left (a), upper (b) and upper-left (c) neighbours.
int predictSample(int predictor, int a, int b, int c) {
    switch (predictor) {
    case 2: return b;
    case 3: return c;
    case 4: return a + b - c;
    case 5: return a + ((b - c) >> 1);
    case 6: return b + ((a - c) >> 1);
    case 7: return (a + b) >> 1;
    default: return a;
    }
}

// Walks the differences of every sample in row order, the components of each position in turn,
// forming the samples two rows at a time; `visit(component, difference)` sees each.
template <typename Visit>
void forEachDifference(const SampleSource& source, int predictor, int precision, Visit visit) {
    const int count = source.componentCount();
    const int width = source.width;
    const int mask = (1 << precision) - 1;
    const auto rowSamples = static_cast<std::size_t>(width);
    std::vector<std::int16_t> rows(2 * static_cast<std::size_t>(count) * rowSamples);
    auto rowOf = [&](int y, int c) {
        return rows.data() + (static_cast<std::size_t>(y % 2) * static_cast<std::size_t>(count) + static_cast<std::size_t>(c)) * rowSamples;
    };
    for (int y = 0; y < source.height; ++y) {
        std::int16_t* current[3] = {};
        for (int c = 0; c < count; ++c) current[c] = rowOf(y, c);
        source.fillRow(y, current, width);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < count; ++c) {
                const std::int16_t* row = current[c];
                const std::int16_t* above = rowOf(y + 1, c);
                int prediction;
                if (y == 0) {
                    prediction = x == 0 ? 1 << (precision - 1) : row[x - 1];
                } else if (x == 0) {
                    prediction = above[0];
                } else {
                    prediction = predictSample(predictor, row[x - 1], above[x], above[x - 1]);
                }
                visit(c, (row[x] & mask) - prediction);
            }
        }
    }
}

}  // namespace

std::optional<Msg> encodeLosslessScan(JpegStream& stream, const SampleSource& source, int predictor) {
    JpegFrame* frame = stream.frames.get(0);
    JpegScan* scan = stream.scans.get(0);
    const std::size_t count = frame == nullptr ? 0 : frame->components.size();
    if (scan == nullptr || (count != 1 && count != 3) || scan->components.size() != count ||
        static_cast<std::size_t>(source.componentCount()) != count) {
        return Msg::ComponentCountInvalid;
    }
    if (predictor < 1 || predictor > 7) predictor = 1;
    frame->kind = kFrameKindLossless;
    scan->spectralStart = predictor;
    scan->spectralEnd = 0;
    scan->successiveHigh = 0;
    scan->successiveLow = 0;

    // The differences are formed twice, once to count their categories and once to code them,
    // rather than kept for every sample.
    std::vector<std::array<int, 17>> counts(count);
    forEachDifference(source, predictor, frame->precision, [&](int c, int difference) {
        ++counts[static_cast<std::size_t>(c)][static_cast<std::size_t>(categoryOf(difference))];
    });

    stream.huffmanTables.clear();
    for (std::size_t i = 0; i < count; ++i) {
        // With 8-bit samples at most categories 0 to 9 occur, so the 16 codes of a table made
        // from statistics cover every category met.
        if (!stream.huffmanTables.appendFromStatistics(counts[i], static_cast<int>(i))) {
            return Msg::OutOfMemory;
        }
        scan->components[i].dcTable = static_cast<int>(i);
        scan->components[i].acTable = 0;
        frame->components[i].quantTable = 0;
        frame->components[i].horizontal = 1;
        frame->components[i].vertical = 1;
    }
    frame->recomputeSamplingExtremes();

    const JpegHuffmanTable* tables[3];
    for (std::size_t i = 0; i < count; ++i) tables[i] = stream.huffmanTables.get(i);
    // A first guess of one byte per sample and component; the writer grows it when needed.
    JpegBitWriter writer(static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height) * count + 64);
    forEachDifference(source, predictor, frame->precision, [&](int c, int difference) {
        const JpegHuffmanTable& table = *tables[c];
        const int category = categoryOf(difference);
        const auto symbol = static_cast<std::size_t>(category);
        writer.reserve(8);
        writer.put(table.code[symbol], table.codeLength[symbol]);
        if (category > 0 && category < 16) {
            const int bits = difference < 0 ? difference - 1 : difference;
            writer.put(static_cast<std::uint32_t>(bits) & ((1u << category) - 1), category);
        }
    });
    storeScanData(writer, false, *scan);
    stream.quantTables.clear();
    return std::nullopt;
}

}  // namespace pictrano
