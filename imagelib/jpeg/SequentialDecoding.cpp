#include <optional>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/DctPictureWriter.h"
#include "imagelib/jpeg/FrameGeometry.h"
#include "imagelib/jpeg/InverseDct.h"
#include "imagelib/jpeg/JpegDecoding.h"
#include "imagelib/jpeg/SequentialBlocks.h"

namespace pictrano {
namespace {

// The checks before any block is decoded, in order; the tables of each component on success.
std::optional<Msg> prepare(const JpegDecodeJob& job, FrameGeometry& geometry,
                           std::vector<ComponentTables>& tables) {
    if (auto failure = describeDctFrame(job.stream, geometry)) return failure;
    const JpegFrame* frame = job.stream.frames.get(0);
    const std::size_t count = frame->components.size();
    const JpegScan* scan = job.stream.scans.get(0);
    if (scan == nullptr) return Msg::NoScanData;
    // Components spread over several scans are not decoded.
    if (scan->components.size() < count) return Msg::UnsupportedProcess;
    for (std::size_t j = 0; j < count; ++j) {
        const ComponentTables& entry = tables.emplace_back(
            job.stream.huffmanTables.find(0, scan->components[j].dcTable),
            job.stream.huffmanTables.find(1, scan->components[j].acTable),
            job.stream.quantTables.find(frame->components[j].quantTable));
        if (!entry.dc || !entry.ac || !entry.quant) return Msg::TablesUnavailable;
    }
    return std::nullopt;
}

}  // namespace

int decodeSequential(const JpegDecodeJob& job) {
    FrameGeometry geometry;
    std::vector<ComponentTables> tables;
    if (auto failure = prepare(job, geometry, tables)) {
        job.errors.set(*failure);
        return 0;
    }
    const JpegFrame& frame = *job.stream.frames.get(0);
    const JpegScan& scan = *job.stream.scans.get(0);
    const std::size_t count = tables.size();
    const bool grey = count == 1 && (job.outputFlags & kOutputGrey) != 0;
    if (!pictureFitsLimits(geometry.width, geometry.height, grey, rowCopiesAt(frame.precision))) {
        job.errors.set(Msg::OutOfMemory);
        return 0;
    }
    job.picture.allocate(geometry.width, geometry.height, frame.precision, true, grey, true);
    DctPictureWriter writer(geometry, frame.precision, rawDctColour(job.colourMode), true, grey,
                            topDownRows(job.outputFlags), job.picture);
    std::vector<SampleStrip> strips = writer.makeStrips();

    const InverseDct& idct = InverseDct::instance();
    const int levelShift = 1 << (frame.precision - 1);
    ScanBits bits(scan);
    WordBits words(scan, 0);
    // Blocks well before the end of the data are decoded a word at a time.
    constexpr std::size_t kFastMargin = kLongestBlockBytes + 16;
    const std::uint64_t fastEnd = scan.dataLength > kFastMargin ? 8 * static_cast<std::uint64_t>(scan.dataLength - kFastMargin) : 0;
    // Blocks decoded a word at a time go to the inverse DCT laid out by its pairs.
    const bool paired = idct.offers(InverseDct::Form::Quadrants);
    BlockWork work;
    PairedBlock pairedWork;
    std::vector<std::int16_t> predictors(count, 0);
    int mcu = 0;
    for (int row = 0; row < geometry.mcusDown; ++row) {
        for (int column = 0; column < geometry.mcusAcross; ++column, ++mcu) {
            const Restart restart = restartBefore(mcu, job.restartInterval, scan, bits);
            if (restart == Restart::MarkerMissing) {
                job.errors.set(Msg::NoScanData);
                return 0;
            }
            if (restart == Restart::Done) {
                std::fill(predictors.begin(), predictors.end(), 0);
                words.moveTo(bits.position());
            }
            for (std::size_t j = 0; j < count; ++j) {
                const ComponentGeometry& component = geometry.components[j];
                for (int v = 0; v < component.vertical; ++v) {
                    for (int h = 0; h < component.horizontal; ++h) {
                        std::int16_t* out = strips[j].row(8 * v) + 8 * (column * component.horizontal + h);
                        const std::uint64_t start = words.position();
                        const std::int16_t predictor = predictors[j];
                        if (paired && start < fastEnd && decodeBlockWordwise(words, tables[j], predictors[j], pairedWork)) {
                            idct.transformPairs(pairedWork.slots, pairedWork.pairs, levelShift, out, strips[j].pitch);
                            pairedWork.pairs = 0;
                            continue;
                        }
                        pairedWork.clear();
                        predictors[j] = predictor;
                        bits.moveTo(start);
                        if (auto failure = decodeBlock(bits, tables[j], predictors[j], work)) {
                            job.errors.set(*failure);
                            return 0;
                        }
                        words.moveTo(bits.position());
                        idct.transform(work.block, work.nonzero, work.count, levelShift, out, strips[j].pitch);
                        work.clear();
                    }
                }
            }
        }
        writer.writeMcuRow(row, strips);
    }
    return 1;
}

}  // namespace pictrano
