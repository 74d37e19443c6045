#include "imagelib/jpeg/JpegLosslessCoder.h"

#include <array>
#include <vector>

#include "imagelib/jpeg/JpegBitWriter.h"

namespace pictrano {
namespace {

constexpr int kFrameKindLossless = 0xC3;

int categoryOf(int difference) {
    unsigned magnitude = static_cast<unsigned>(difference < 0 ? -difference : difference);
    int bits = 0;
    while (magnitude != 0 && bits < 16) {
        ++bits;
        magnitude >>= 1;
    }
    return bits;
}

// The differences of one component in row order, their categories and how often each occurs.
struct ComponentDifferences {
    std::vector<std::int32_t> differences;
    std::vector<std::uint8_t> categories;
    std::array<int, 17> counts{};
};

ComponentDifferences differencesOf(const std::int16_t* plane, int paddedWidth, int width,
                                   int height, int predictor, int precision) {
    const int mask = (1 << precision) - 1;
    ComponentDifferences result;
    const auto samples = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    result.differences.resize(samples);
    result.categories.resize(samples);
    std::size_t index = 0;
    for (int y = 0; y < height; ++y) {
        const std::int16_t* row = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(paddedWidth);
        const std::int16_t* above = row - paddedWidth;
        for (int x = 0; x < width; ++x, ++index) {
            int prediction;
            if (y == 0) {
                prediction = x == 0 ? 1 << (precision - 1) : row[x - 1];
            } else if (x == 0) {
                prediction = above[0];
            } else {
                prediction = predictSample(predictor, row[x - 1], above[x], above[x - 1]);
            }
            const int difference = (row[x] & mask) - prediction;
            const int category = categoryOf(difference);
            result.differences[index] = difference;
            result.categories[index] = static_cast<std::uint8_t>(category);
            ++result.counts[static_cast<std::size_t>(category)];
        }
    }
    return result;
}

}  // namespace

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

std::optional<Msg> encodeLosslessScan(JpegStream& stream, const SamplePlanes& planes, int predictor) {
    JpegFrame* frame = stream.frames.get(0);
    JpegScan* scan = stream.scans.get(0);
    if (frame == nullptr || scan == nullptr ||
        (frame->components.size() != 1 && frame->components.size() != 3) ||
        scan->components.size() != frame->components.size()) {
        return Msg::ComponentCountInvalid;
    }
    if (predictor < 1 || predictor > 7) predictor = 1;
    frame->kind = kFrameKindLossless;
    scan->spectralStart = predictor;
    scan->spectralEnd = 0;
    scan->successiveHigh = 0;
    scan->successiveLow = 0;

    const int width = frame->samplesPerLine;
    const int height = frame->lines;
    std::vector<ComponentDifferences> components;
    for (std::size_t i = 0; i < frame->components.size(); ++i) {
        components.push_back(differencesOf(planes.plane(static_cast<int>(i)), planes.paddedWidth,
                                           width, height, predictor, frame->precision));
    }

    stream.huffmanTables.clear();
    for (std::size_t i = 0; i < components.size(); ++i) {
        // With 8-bit samples at most categories 0 to 9 occur, so the 16 codes of a table made
        // from statistics cover every category met.
        if (!stream.huffmanTables.appendFromStatistics(components[i].counts, static_cast<int>(i))) {
            return Msg::OutOfMemory;
        }
        scan->components[i].dcTable = static_cast<int>(i);
        scan->components[i].acTable = 0;
        frame->components[i].quantTable = 0;
        frame->components[i].horizontal = 1;
        frame->components[i].vertical = 1;
    }
    frame->recomputeSamplingExtremes();

    // A first guess of one byte per sample and component; the writer grows it when needed.
    const auto samples = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> data(samples * components.size() + 64);
    JpegBitWriter writer(data);
    for (std::size_t index = 0; index < samples; ++index) {
        writer.reserve(components.size() * 8);
        for (std::size_t i = 0; i < components.size(); ++i) {
            const JpegHuffmanTable& table = *stream.huffmanTables.get(i);
            const int category = components[i].categories[index];
            const int difference = components[i].differences[index];
            const auto symbol = static_cast<std::size_t>(category);
            writer.put(table.code[symbol], table.codeLength[symbol]);
            if (category > 0 && category < 16) {
                const int bits = difference < 0 ? difference - 1 : difference;
                writer.put(static_cast<std::uint32_t>(bits) & ((1u << category) - 1), category);
            }
        }
    }
    const std::size_t length = writer.finish(false);
    data.resize(length + JpegScan::kDataPadding);
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(length), data.end(), 0);
    scan->data = std::move(data);
    scan->dataLength = length;
    stream.quantTables.clear();
    return std::nullopt;
}

}  // namespace pictrano
