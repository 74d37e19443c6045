#include "imagelib/jpeg/JpegBaselineCoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imagelib/jpeg/JpegBitWriter.h"
#include "imagelib/jpeg/JpegBlockBatch.h"
#include "imagelib/jpeg/JpegBlockQuantiser.h"
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
    BlockQuantiser quantiser;
    int horizontal = 1;
    int vertical = 1;
    int stepX = 1;
    int stepY = 1;
    int dcLimit = 0;  // the largest DC difference magnitude the DC table codes
    int acLimit = 0;  // the largest AC magnitude the AC table codes
    int predictor = 0;
    const std::int16_t* strip = nullptr;  // the component's samples of the current row of MCUs
};

// The symbol's code, then the value's category bits (value + 2^c - 1 when negative).
void putCoded(JpegBitWriter& writer, const JpegHuffmanTable& table, int symbolBase, int value) {
    // The bit width of the magnitude m, as the highest set bit of 2m + 1: never zero, so one
    // bit-scan instruction without a test for zero.
    const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
    const int category = std::bit_width(2 * magnitude + 1) - 1;
    const auto symbol = static_cast<std::size_t>(symbolBase + category);
    const std::uint32_t extra =
        static_cast<std::uint32_t>(value < 0 ? value - 1 : value) & ((1u << category) - 1);
    writer.put(static_cast<std::uint32_t>(table.code[symbol]) << category | extra,
               table.codeLength[symbol] + category);
}

void putSymbol(JpegBitWriter& writer, const JpegHuffmanTable& table, int symbol) {
    const auto s = static_cast<std::size_t>(symbol);
    writer.put(table.code[s], table.codeLength[s]);
}

// The samples of a block whose first sample is `first`, taken at every stepX-th column of rows
// `stride` apart, gathered into `gathered` (rows 8 apart).
void gatherThinned(const std::int16_t* first, std::ptrdiff_t stride, int stepX, std::int16_t* gathered) {
#if defined(__SSE2__)
    if (stepX == 2) {
        // The even samples of 16: each kept in the low half of its 32-bit lane, then packed.
        for (int y = 0; y < 8; ++y) {
            const auto* samples = reinterpret_cast<const __m128i*>(first + y * stride);
            const __m128i left = _mm_srai_epi32(_mm_slli_epi32(_mm_loadu_si128(samples), 16), 16);
            const __m128i right = _mm_srai_epi32(_mm_slli_epi32(_mm_loadu_si128(samples + 1), 16), 16);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(gathered + 8 * y), _mm_packs_epi32(left, right));
        }
        return;
    }
#endif
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) gathered[8 * y + x] = first[y * stride + x * stepX];
    }
}

// The first sample of the block at (column, row) of the component's strip and the distance
// between its rows: where the samples lie when the component's step across is 1, else gathered
// into `gathered`.
const std::int16_t* blockAt(const ComponentCoder& coder, int stripWidth, int column, int row,
                            std::int16_t* gathered, std::ptrdiff_t& stride) {
    const std::int16_t* first = coder.strip + static_cast<std::size_t>(row) * static_cast<std::size_t>(stripWidth) + column;
    stride = static_cast<std::ptrdiff_t>(coder.stepY) * stripWidth;
    if (coder.stepX == 1) return first;
    gatherThinned(first, stride, coder.stepX, gathered);
    stride = 8;
    return gathered;
}

class BaselineScanCoder {
public:
    BaselineScanCoder(const ForwardDctWeights& weights, std::uint32_t features,
                      std::size_t capacity)
        : weights_(weights), form_(fastestPackedForm(features)), writer_(capacity) {}

    // The block whose top-left sample lies at (column, row) of the component's strip, its
    // samples taken at the component's steps: read where they lie when the steps across are 1.
    void codeBlockAt(ComponentCoder& coder, int stripWidth, int column, int row) {
        std::ptrdiff_t stride = 0;
        alignas(16) std::int16_t gathered[64];
        const std::int16_t* samples = blockAt(coder, stripWidth, column, row, gathered, stride);
        alignas(32) std::int32_t coefficients[64];
        forwardDct(form_, weights_, samples, stride, coefficients);
        alignas(32) std::int32_t values[64];  // natural order
        const std::uint64_t nonZero = coder.quantiser.quantise(coefficients, values);
        codeValues(coder, values[0], nonZero, [&](int k) { return values[kZigZagToNatural[static_cast<std::size_t>(k)]]; });
    }

    // The values of one block of a batch.
    void codeBatched(ComponentCoder& coder, const QuantisedBatch& batch, int block) {
        const auto b = static_cast<std::size_t>(block);
        codeValues(coder, batch.values[0][b], batch.nonZero[b], [&](int k) { return batch.values[k][b]; });
    }

    void store(JpegScan& scan) { storeScanData(writer_, true, scan); }

private:
    // The DC difference and the AC values at the set bits of `nonZero` (zig-zag positions; bit 0
    // is ignored), `valueAt(k)` giving the value at position k.
    template <typename ValueAt>
    void codeValues(ComponentCoder& coder, std::int32_t dc, std::uint64_t nonZero, ValueAt valueAt) {
        nonZero &= ~std::uint64_t{1};
        writer_.reserve(kMostBlockBytes);
        const int difference = std::clamp(dc - coder.predictor, -coder.dcLimit, coder.dcLimit);
        coder.predictor += difference;
        putCoded(writer_, *coder.dc, 0, difference);
        int last = 0;
        while (nonZero != 0) {
            const int k = std::countr_zero(nonZero);
            nonZero &= nonZero - 1;
            int run = k - last - 1;
            for (; run > 15; run -= 16) putSymbol(writer_, *coder.ac, kSixteenZeros);
            putCoded(writer_, *coder.ac, run * 16, std::clamp(valueAt(k), -coder.acLimit, coder.acLimit));
            last = k;
        }
        if (last != 63) putSymbol(writer_, *coder.ac, kEndOfBlock);
    }

    const ForwardDctWeights& weights_;
    PackedForm form_;
    JpegBitWriter writer_;
};

// Codes rows of MCUs eight MCUs at a time: the blocks each component has in those MCUs are
// transformed and quantised eight at a time (the last batch filled up with repeats of a block),
// then coded in MCU order.
class BatchedRowCoder {
public:
    BatchedRowCoder(const BlockBatchTransform& transform, std::vector<ComponentCoder>& components)
        : transform_(transform), components_(components) {
        // Where each block of eight MCUs lies among the batches: the same for every eight.
        int batch = 0;
        for (std::size_t c = 0; c < components.size(); ++c) {
            firstBatch_[c] = batch;
            batch += components[c].horizontal * components[c].vertical;
        }
        for (int mcu = 0; mcu < kMcus; ++mcu) {
            for (std::size_t c = 0; c < components.size(); ++c) {
                const int perMcu = components[c].horizontal * components[c].vertical;
                for (int index = mcu * perMcu; index < (mcu + 1) * perMcu; ++index) {
                    order_.push_back({&components[c], &batches_[static_cast<std::size_t>(firstBatch_[c] + index / 8)], index % 8});
                }
            }
        }
        blocksPerMcu_ = static_cast<int>(order_.size()) / kMcus;
    }
    // The coding order points into the coder's own batches.
    BatchedRowCoder(const BatchedRowCoder&) = delete;
    BatchedRowCoder& operator=(const BatchedRowCoder&) = delete;

    void codeRow(BaselineScanCoder& coder, int stripWidth, int mcusAcross, int mcuWidth) {
        for (int firstMcu = 0; firstMcu < mcusAcross; firstMcu += kMcus) {
            const int mcus = std::min(kMcus, mcusAcross - firstMcu);
            for (std::size_t c = 0; c < components_.size(); ++c) transformBlocks(c, stripWidth, firstMcu, mcus, mcuWidth);
            const ScheduledBlock* const end = order_.data() + mcus * blocksPerMcu_;
            for (const ScheduledBlock* block = order_.data(); block != end; ++block) {
                coder.codeBatched(*block->component, *block->batch, block->lane);
            }
        }
    }

private:
    static constexpr int kMcus = 8;

    struct ScheduledBlock {
        ComponentCoder* component;
        const QuantisedBatch* batch;
        int lane;
    };

    // Component c's blocks of `mcus` MCUs from firstMcu on, into its batches: read where they lie
    // when the component's step across is 1, else gathered.
    void transformBlocks(std::size_t c, int stripWidth, int firstMcu, int mcus, int mcuWidth) {
        const ComponentCoder& component = components_[c];
        const std::ptrdiff_t rowStride = static_cast<std::ptrdiff_t>(component.stepY) * stripWidth;
        const bool gathers = component.stepX != 1;
        int batch = firstBatch_[c];
        const std::int16_t* samples[8];
        int lane = 0;
        const auto transformLanes = [&] {
            for (int repeat = lane; repeat < 8; ++repeat) samples[repeat] = samples[lane - 1];
            transform_.run(component.quantiser, samples, gathers ? 8 : rowStride, batches_[static_cast<std::size_t>(batch++)]);
            lane = 0;
        };
        for (int mcu = firstMcu; mcu < firstMcu + mcus; ++mcu) {
            const std::int16_t* mcuFirst = component.strip + static_cast<std::ptrdiff_t>(mcu) * mcuWidth;
            for (int blockRow = 0; blockRow < component.vertical; ++blockRow) {
                for (int blockColumn = 0; blockColumn < component.horizontal; ++blockColumn) {
                    const std::int16_t* first = mcuFirst + 8 * (blockRow * rowStride + blockColumn * component.stepX);
                    samples[lane] = first;
                    if (gathers) {
                        gatherThinned(first, rowStride, component.stepX, gathered_[lane]);
                        samples[lane] = gathered_[lane];
                    }
                    if (++lane == 8) transformLanes();
                }
            }
        }
        if (lane > 0) transformLanes();
    }

    const BlockBatchTransform& transform_;
    std::vector<ComponentCoder>& components_;
    std::array<QuantisedBatch, kMostBlocksInMcu> batches_;
    std::array<int, kMostBlocksInMcu> firstBatch_{};
    std::vector<ScheduledBlock> order_;  // the blocks of eight MCUs in coding order
    int blocksPerMcu_ = 0;
    alignas(16) std::int16_t gathered_[8][64];
};

// The tables of every component; nothing when one is missing or cannot code the symbols every
// block needs (category 0 of the DC table, end of block and sixteen zeros of the AC table).
std::optional<std::vector<ComponentCoder>> prepareCoders(const JpegStream& stream,
                                                         const JpegFrame& frame,
                                                         const JpegScan& scan,
                                                         std::uint32_t processorFeatures) {
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
        coder.quantiser = BlockQuantiser(*quant, fastestPackedForm(processorFeatures));
        coder.horizontal = component.horizontal;
        coder.vertical = component.vertical;
        coder.stepX = frame.largestHorizontal / component.horizontal;
        coder.stepY = frame.largestVertical / component.vertical;
        coder.dcLimit = (1 << largestCodedCategory(*coder.dc)) - 1;
        coder.acLimit = (1 << largestCodedCategory(*coder.ac)) - 1;
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

std::optional<Msg> encodeBaselineScan(JpegStream& stream, const SampleSource& source,
                                      const ForwardDctWeights& weights,
                                      std::uint32_t processorFeatures) {
    JpegFrame* frame = stream.frames.get(0);
    JpegScan* scan = stream.scans.get(0);
    if (frame == nullptr || scan == nullptr || frame->components.empty() ||
        frame->components.size() != static_cast<std::size_t>(source.componentCount()) ||
        scan->components.size() != frame->components.size()) {
        return Msg::UnsupportedFormatRequested;
    }
    std::optional<std::vector<ComponentCoder>> coders = prepareCoders(stream, *frame, *scan, processorFeatures);
    if (!coders) return Msg::TablesUnavailable;

    const int mcuWidth = frame->largestHorizontal * 8;
    const int mcuHeight = frame->largestVertical * 8;
    const int mcusAcross = (frame->samplesPerLine + mcuWidth - 1) / mcuWidth;
    const int mcusDown = (frame->lines + mcuHeight - 1) / mcuHeight;
    // The samples of one row of MCUs, every component's rows one after the other.
    const int stripWidth = mcusAcross * mcuWidth;
    const std::size_t componentSamples = static_cast<std::size_t>(mcuHeight) * static_cast<std::size_t>(stripWidth);
    std::vector<std::int16_t> strip(componentSamples * coders->size());
    for (std::size_t c = 0; c < coders->size(); ++c) (*coders)[c].strip = strip.data() + c * componentSamples;

    // The first size of the data: 512 bytes per 32 x 32 samples of each component (four bits a
    // sample, more than most pictures take); it doubles when a picture needs more. A first size
    // far beyond the data costs a fresh mapping of memory for every picture.
    const auto areas = static_cast<std::size_t>((frame->lines + 31) / 32) *
                       static_cast<std::size_t>((frame->samplesPerLine + 31) / 32);
    BaselineScanCoder coder(weights, processorFeatures, areas * coders->size() * 512);
    std::optional<BlockBatchTransform> transform;
    std::optional<BatchedRowCoder> batched;
    if (BlockBatchTransform::available(processorFeatures) &&
        std::all_of(coders->begin(), coders->end(),
                    [](const ComponentCoder& c) { return BlockBatchTransform::suits(c.quantiser); })) {
        batched.emplace(transform.emplace(weights), *coders);
    }
    for (int mcuRow = 0; mcuRow < mcusDown; ++mcuRow) {
        for (int row = 0; row < mcuHeight; ++row) {
            // Only the rows a component samples are formed.
            std::int16_t* rows[3] = {};
            for (std::size_t c = 0; c < coders->size(); ++c) {
                if (row % (*coders)[c].stepY != 0) continue;
                rows[c] = strip.data() + c * componentSamples + static_cast<std::size_t>(row) * static_cast<std::size_t>(stripWidth);
            }
            source.fillRow(mcuRow * mcuHeight + row, rows, stripWidth);
        }
        if (batched) {
            batched->codeRow(coder, stripWidth, mcusAcross, mcuWidth);
            continue;
        }
        for (int mcuColumn = 0; mcuColumn < mcusAcross; ++mcuColumn) {
            for (ComponentCoder& component : *coders) {
                for (int blockRow = 0; blockRow < component.vertical; ++blockRow) {
                    for (int blockColumn = 0; blockColumn < component.horizontal; ++blockColumn) {
                        coder.codeBlockAt(component, stripWidth,
                                          mcuColumn * mcuWidth + blockColumn * component.stepX * 8,
                                          blockRow * component.stepY * 8);
                    }
                }
            }
        }
    }
    coder.store(*scan);
    return std::nullopt;
}

}  // namespace pictrano
