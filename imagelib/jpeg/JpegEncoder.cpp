#include "imagelib/jpeg/JpegEncoder.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/JpegAnnexKTables.h"
#include "imagelib/jpeg/JpegBaselineCoder.h"
#include "imagelib/jpeg/JpegLosslessCoder.h"
#include "imagelib/jpeg/JpegZigZag.h"
#include "imagelib/jpeg/ProcessorFeatures.h"

namespace pictrano {
namespace {

constexpr int kFrameKindBaseline = 0xC0;
constexpr int kSamplePrecision = 8;
// A frame stores its width and height in 16 bits.
constexpr int kLargestDimension = 65535;
// The single-precision value nearest 1 / 79: quality v scales the tables by v / 79.
constexpr float kQualityStep = 0.012658228f;

std::unique_ptr<JpegHuffmanTable> huffmanTable(int tableClass, int identifier,
                                               const AnnexKHuffmanTable& annexK) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(tableClass << 4 | identifier)};
    bytes.insert(bytes.end(), annexK.bytes, annexK.bytes + annexK.length);
    auto table = std::make_unique<JpegHuffmanTable>();
    table->parse(bytes.data(), bytes.size(), 0);
    return table;
}

std::unique_ptr<JpegQuantTable> quantTable(int identifier,
                                           const std::array<std::uint8_t, 64>& natural) {
    std::array<std::uint8_t, 65> bytes{static_cast<std::uint8_t>(identifier)};
    for (std::size_t k = 0; k < 64; ++k) bytes[1 + k] = natural[kZigZagToNatural[k]];
    auto table = std::make_unique<JpegQuantTable>();
    table->parse(bytes.data(), bytes.size(), 0);
    return table;
}

}  // namespace

JpegEncoder::JpegEncoder() : processorFeatures_(readProcessorFeatureWord()) { presetStream(); }

void JpegEncoder::presetStream() {
    stream_.huffmanTables.append(huffmanTable(0, 0, kAnnexKDcLuminance));
    stream_.huffmanTables.append(huffmanTable(1, 0, kAnnexKAcLuminance));
    stream_.huffmanTables.append(huffmanTable(0, 1, kAnnexKDcChrominance));
    stream_.huffmanTables.append(huffmanTable(1, 1, kAnnexKAcChrominance));
    stream_.quantTables.append(quantTable(0, kAnnexKLuminanceQuantisers));
    stream_.quantTables.append(quantTable(1, kAnnexKChrominanceQuantisers));
    auto frame = std::make_unique<JpegFrame>();
    frame->precision = kSamplePrecision;
    stream_.frames.append(std::move(frame));
    stream_.scans.append(std::make_unique<JpegScan>());
}

int JpegEncoder::fail(Msg id) {
    errors_.set(id);
    return 0;
}

int JpegEncoder::setImage(const std::uint8_t* pixels, int width, int height, int colourModel,
                          bool dct) {
    const std::int64_t columns = std::llabs(width);
    const std::int64_t rows = std::llabs(height);
    const int count = componentCountOf(colourModel);
    if (pixels == nullptr || count == 0 || columns < 1 || rows < 1 ||
        columns > kLargestDimension || rows > kLargestDimension) {
        return fail(Msg::UnsupportedFormatRequested);
    }
    if (!pictureFitsLimits(columns, rows)) return fail(Msg::OutOfMemory);
    source_ = {pixels, static_cast<std::size_t>(pixelRowStride(columns)), static_cast<int>(columns),
               static_cast<int>(rows), colourModel, dct};
    JpegFrame& frame = *stream_.frames.get(0);
    frame.samplesPerLine = static_cast<int>(columns);
    frame.lines = static_cast<int>(rows);
    setFrameAndScan(count, colourModel == kJpegYcbcr);
    return 1;
}

void JpegEncoder::setFrameAndScan(int componentCount, bool chromaTables) {
    JpegFrame& frame = *stream_.frames.get(0);
    JpegScan& scan = *stream_.scans.get(0);
    frame.kind = kFrameKindBaseline;
    frame.precision = kSamplePrecision;
    frame.components.assign(static_cast<std::size_t>(componentCount), FrameComponent{});
    scan.components.assign(static_cast<std::size_t>(componentCount), ScanComponent{});
    for (int i = 0; i < componentCount; ++i) {
        const int tables = i > 0 && chromaTables ? 1 : 0;
        frame.components[static_cast<std::size_t>(i)] = {i + 1, 1, 1, tables};
        scan.components[static_cast<std::size_t>(i)] = {i + 1, tables, tables};
    }
    scan.spectralStart = 0;
    scan.spectralEnd = 63;
    scan.successiveHigh = 0;
    scan.successiveLow = 0;
    scan.data.clear();
    scan.dataLength = 0;
    frame.recomputeSamplingExtremes();
}

void JpegEncoder::recomputeSamplingExtremes() { stream_.frames.get(0)->recomputeSamplingExtremes(); }

int JpegEncoder::scaleQuality(int value) {
    const float factor = static_cast<float>(value) * kQualityStep;
    try {
        for (std::size_t i = 0; i < stream_.quantTables.count(); ++i) {
            stream_.quantTables.replace(i, stream_.quantTables.get(i)->scaledCopy(factor));
        }
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
    return 1;
}

int JpegEncoder::encodeBaseline() {
    try {
        if (std::optional<Msg> failure = settleBaselineSampling(*stream_.frames.get(0))) {
            return fail(*failure);
        }
        if (std::optional<Msg> failure =
                encodeBaselineScan(stream_, source_, weights_, processorFeatures_)) {
            return fail(*failure);
        }
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
    return 1;
}

int JpegEncoder::encodeLossless(int predictor) {
    try {
        if (std::optional<Msg> failure = encodeLosslessScan(stream_, source_, predictor)) {
            return fail(*failure);
        }
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
    return 1;
}

std::size_t JpegEncoder::serialise(std::vector<std::uint8_t>* file) {
    try {
        stream_.pruneUnreferencedTables();
        const std::size_t size = stream_.size();
        if (file != nullptr) {
            file->assign(size, 0);
            stream_.write(file->data());
        }
        return size;
    } catch (const std::bad_alloc&) {
        return static_cast<std::size_t>(fail(Msg::OutOfMemory));
    }
}

}  // namespace pictrano
