#include "imagelib/jpeg/JpegBaselineCoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imagelib/jpeg/JpegBitWriter.h"
#include "imagelib/jpeg/JpegZigZag.h"

namespace pictrano {
namespace {

// A block codes at most 64 symbols of at most 16 code bits and 15 value bits; stuffing can
// double its bytes.
constexpr std::size_t kMostBlockBytes = 2 * 64 * 4;
constexpr int kMostBlocksInMcu = 10;
constexpr int kEndOfBlock = 0x00;
constexpr int kSixteenZeros = 0xF0;

bool isSamplingFactor(int factor) { return factor >= 1 && factor <= 4; }

// One component's tables, sampling and prediction while the scan is coded.
struct ComponentCoder {
    const JpegHuffmanTable* dc = nullptr;
    const JpegHuffmanTable* ac = nullptr;
    // (in + halves[i]) / q for natural position i as ((in + halves[i]) * reciprocals[i]) >> 32
    // on the magnitude: exact for magnitudes below 2^16 with reciprocal ceil(2^32 / q).
    std::array<std::int32_t, 64> halves{};
    std::array<std::uint64_t, 64> reciprocals{};
    int horizontal = 1;
    int vertical = 1;
    int stepX = 1;
    int stepY = 1;
    int dcLimit = 0;  // the largest DC difference magnitude the DC table codes
    int acLimit = 0;  // the largest AC magnitude the AC table codes
    int predictor = 0;
    const std::int16_t* plane = nullptr;
};

std::int32_t quantised(const ComponentCoder& coder, std::size_t position, std::int32_t value) {
    const std::int32_t n = value + coder.halves[position];
    const std::uint64_t reciprocal = coder.reciprocals[position];
    return n >= 0 ? static_cast<std::int32_t>((static_cast<std::uint64_t>(n) * reciprocal) >> 32)
                  : -static_cast<std::int32_t>((static_cast<std::uint64_t>(-n) * reciprocal) >> 32);
}

int bitLength(std::uint32_t magnitude) {
    int bits = 0;
    while (magnitude != 0) {
        ++bits;
        magnitude >>= 1;
    }
    return bits;
}

// The symbol's code, then the value's category bits (value + 2^c - 1 when negative).
void putCoded(JpegBitWriter& writer, const JpegHuffmanTable& table, int symbolBase, int value) {
    const int category = bitLength(static_cast<std::uint32_t>(value < 0 ? -value : value));
    const int symbol = symbolBase + category;
    const std::uint32_t extra =
        static_cast<std::uint32_t>(value < 0 ? value - 1 : value) & ((1u << category) - 1);
    writer.put(static_cast<std::uint32_t>(table.code[static_cast<std::size_t>(symbol)]) << category | extra,
               table.codeLength[static_cast<std::size_t>(symbol)] + category);
}

void putSymbol(JpegBitWriter& writer, const JpegHuffmanTable& table, int symbol) {
    const auto s = static_cast<std::size_t>(symbol);
    writer.put(table.code[s], table.codeLength[s]);
}

// The 64 samples of a block whose top-left sample lies at (column, row) of the component's
// plane, taken at the component's steps. Positions past the padded plane repeat its last column
// or row, as the padding does.
void gatherBlock(const ComponentCoder& coder, const SamplePlanes& planes, int column, int row,
                 std::int16_t* block) {
    const int width = planes.paddedWidth;
    for (int y = 0; y < 8; ++y) {
        const int lineIndex = std::min(row + y * coder.stepY, planes.paddedHeight - 1);
        const std::int16_t* line = coder.plane + static_cast<std::size_t>(lineIndex) * static_cast<std::size_t>(width);
        if (coder.stepX == 1 && column + 8 <= width) {
            std::memcpy(block + 8 * y, line + column, 8 * sizeof(std::int16_t));
        } else {
            for (int x = 0; x < 8; ++x) block[8 * y + x] = line[std::min(column + x * coder.stepX, width - 1)];
        }
    }
}

class BaselineScanCoder {
public:
    BaselineScanCoder(const ForwardDctWeights& weights, std::uint32_t features,
                      std::vector<std::uint8_t>& out)
        : weights_(weights), features_(features), writer_(out) {}

    void codeBlock(ComponentCoder& coder, const std::int16_t* samples) {
        std::array<std::int32_t, 64> coefficients;
        forwardDct(weights_, samples, coefficients.data(), features_);
        std::array<std::int32_t, 64> values;
        for (std::size_t k = 0; k < 64; ++k) {
            const std::size_t position = kZigZagToNatural[k];
            values[k] = quantised(coder, position, coefficients[position]);
        }
        writer_.reserve(kMostBlockBytes);
        const int difference = std::clamp(values[0] - coder.predictor, -coder.dcLimit, coder.dcLimit);
        coder.predictor += difference;
        putCoded(writer_, *coder.dc, 0, difference);
        int run = 0;
        for (std::size_t k = 1; k < 64; ++k) {
            if (values[k] == 0) {
                ++run;
                continue;
            }
            for (; run > 15; run -= 16) putSymbol(writer_, *coder.ac, kSixteenZeros);
            putCoded(writer_, *coder.ac, run * 16, std::clamp(values[k], -coder.acLimit, coder.acLimit));
            run = 0;
        }
        if (run > 0) putSymbol(writer_, *coder.ac, kEndOfBlock);
    }

    std::size_t finish() { return writer_.finish(true); }

private:
    const ForwardDctWeights& weights_;
    std::uint32_t features_;
    JpegBitWriter writer_;
};

// The tables of every component; nothing when one is missing or cannot code the symbols every
// block needs (category 0 of the DC table, end of block and sixteen zeros of the AC table).
std::optional<std::vector<ComponentCoder>> prepareCoders(const JpegStream& stream,
                                                         const JpegFrame& frame,
                                                         const JpegScan& scan,
                                                         const SamplePlanes& planes) {
    std::vector<ComponentCoder> coders(frame.components.size());
    for (std::size_t i = 0; i < coders.size(); ++i) {
        const FrameComponent& component = frame.components[i];
        ComponentCoder& coder = coders[i];
        coder.dc = stream.huffmanTables.find(0, scan.components[i].dcTable);
        coder.ac = stream.huffmanTables.find(1, scan.components[i].acTable);
        const JpegQuantTable* quant = stream.quantTables.find(component.quantTable);
        if (coder.dc == nullptr || coder.ac == nullptr || quant == nullptr ||
            coder.dc->codeLength[0] == 0 || coder.ac->codeLength[kEndOfBlock] == 0 ||
            coder.ac->codeLength[kSixteenZeros] == 0) {
            return std::nullopt;
        }
        for (std::size_t p = 0; p < 64; ++p) {
            const std::uint64_t q = std::max<std::uint16_t>(quant->values[p], 1);
            coder.halves[p] = static_cast<std::int32_t>(q / 2);
            coder.reciprocals[p] = ((std::uint64_t{1} << 32) + q - 1) / q;
        }
        coder.horizontal = component.horizontal;
        coder.vertical = component.vertical;
        coder.stepX = frame.largestHorizontal / component.horizontal;
        coder.stepY = frame.largestVertical / component.vertical;
        coder.dcLimit = (1 << largestCodedCategory(*coder.dc)) - 1;
        coder.acLimit = (1 << largestCodedCategory(*coder.ac)) - 1;
        coder.plane = planes.plane(static_cast<int>(i));
    }
    return coders;
}

}  // namespace

int largestCodedCategory(const JpegHuffmanTable& table) {
    const int runs = table.tableClass == 0 ? 1 : 16;
    int category = 0;
    for (int c = 1; c <= 15; ++c) {
        for (int run = 0; run < runs; ++run) {
            if (table.codeLength[static_cast<std::size_t>(run * 16 + c)] == 0) return category;
        }
        category = c;
    }
    return category;
}

std::optional<Msg> settleBaselineSampling(JpegFrame& frame) {
    if (frame.components.size() == 1) {
        frame.components[0].horizontal = 1;
        frame.components[0].vertical = 1;
    }
    frame.recomputeSamplingExtremes();
    int blocks = 0;
    for (const FrameComponent& component : frame.components) {
        if (!isSamplingFactor(component.horizontal) || !isSamplingFactor(component.vertical) ||
            frame.largestHorizontal % component.horizontal != 0 ||
            frame.largestVertical % component.vertical != 0) {
            return Msg::UnsupportedFormatRequested;
        }
        blocks += component.horizontal * component.vertical;
    }
    if (blocks > kMostBlocksInMcu) return Msg::UnsupportedFormatRequested;
    return std::nullopt;
}

std::optional<Msg> encodeBaselineScan(JpegStream& stream, const SamplePlanes& planes,
                                      const ForwardDctWeights& weights,
                                      std::uint32_t processorFeatures) {
    JpegFrame* frame = stream.frames.get(0);
    JpegScan* scan = stream.scans.get(0);
    if (frame == nullptr || scan == nullptr || frame->components.empty() ||
        scan->components.size() != frame->components.size()) {
        return Msg::UnsupportedFormatRequested;
    }
    std::optional<std::vector<ComponentCoder>> coders = prepareCoders(stream, *frame, *scan, planes);
    if (!coders) return Msg::TablesUnavailable;

    // The first guess at the size: 2,048 bytes per 32 x 32 samples of each component; the
    // writer grows it when a picture needs more.
    const auto areas = static_cast<std::size_t>((frame->lines + 31) / 32) *
                       static_cast<std::size_t>((frame->samplesPerLine + 31) / 32);
    std::vector<std::uint8_t> data(areas * coders->size() * 2048);
    BaselineScanCoder coder(weights, processorFeatures, data);
    const int mcuWidth = frame->largestHorizontal * 8;
    const int mcuHeight = frame->largestVertical * 8;
    const int mcusAcross = (frame->samplesPerLine + mcuWidth - 1) / mcuWidth;
    const int mcusDown = (frame->lines + mcuHeight - 1) / mcuHeight;
    alignas(16) std::int16_t block[64];
    for (int mcuRow = 0; mcuRow < mcusDown; ++mcuRow) {
        for (int mcuColumn = 0; mcuColumn < mcusAcross; ++mcuColumn) {
            for (ComponentCoder& component : *coders) {
                for (int blockRow = 0; blockRow < component.vertical; ++blockRow) {
                    for (int blockColumn = 0; blockColumn < component.horizontal; ++blockColumn) {
                        gatherBlock(component, planes,
                                    mcuColumn * mcuWidth + blockColumn * component.stepX * 8,
                                    mcuRow * mcuHeight + blockRow * component.stepY * 8, block);
                        coder.codeBlock(component, block);
                    }
                }
            }
        }
    }
    const std::size_t length = coder.finish();
    data.resize(length + JpegScan::kDataPadding);
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(length), data.end(), 0);
    scan->data = std::move(data);
    scan->dataLength = length;
    return std::nullopt;
}

}  // namespace pictrano
