#include <optional>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/DctPictureWriter.h"
#include "imagelib/jpeg/FrameGeometry.h"
#include "imagelib/jpeg/HuffmanDecoding.h"
#include "imagelib/jpeg/InverseDct.h"
#include "imagelib/jpeg/JpegDecoding.h"
#include "imagelib/jpeg/JpegZigZag.h"

namespace pictrano {
namespace {

struct ComponentTables {
    const JpegHuffmanTable* dc = nullptr;
    const JpegHuffmanTable* ac = nullptr;
    const JpegQuantTable* quant = nullptr;
};

// One dequantised block and the natural positions that may be nonzero; the other positions stay
// zero between blocks.
struct BlockWork {
    alignas(16) std::int16_t block[64] = {};
    std::uint8_t nonzero[64] = {};
    int count = 0;

    void clear() {
        for (int i = 0; i < count; ++i) block[nonzero[i]] = 0;
        count = 0;
    }
};

// Decodes one block of a sequential scan: the DC difference added to the component's predictor
// (in 16 bits), then AC coefficients in zig-zag order up to an end of block or the 64th.
std::optional<Msg> decodeBlock(ScanBits& stream, const ComponentTables& tables,
                               std::int16_t& predictor, BlockWork& work) {
    ScanBits bits = stream;
    int difference = 0;
    if (!decodeDifference(bits, *tables.dc, difference)) return Msg::NoMatchingDcCode;
    predictor = static_cast<std::int16_t>(predictor + difference);
    const std::uint16_t* quantisers = tables.quant->values.data();
    const JpegHuffmanTable& ac = *tables.ac;
    int count = 0;
    std::int16_t* block = work.block;
    std::uint8_t* nonzero = work.nonzero;
    block[0] = static_cast<std::int16_t>(predictor * quantisers[0]);
    nonzero[count++] = 0;
    for (int k = 1; k < 64;) {
        AcSymbol symbol;
        if (!decodeAcSymbol(bits, ac, symbol)) {
            work.count = count;
            return Msg::NoMatchingAcCode;
        }
        if (symbol.size == 0) {
            if (symbol.run != 15) break;  // end of block, whatever its run
            if (k + 16 > 64) {
                work.count = count;
                return Msg::ZrlTooLong;
            }
            k += 16;
            continue;
        }
        if (k + symbol.run + 1 > 64) {
            work.count = count;
            return Msg::DataTooLong;
        }
        k += symbol.run;
        const int position = kZigZagToNatural[static_cast<std::size_t>(k)];
        block[position] = static_cast<std::int16_t>(static_cast<std::int16_t>(symbol.value) * quantisers[position]);
        nonzero[count++] = static_cast<std::uint8_t>(position);
        ++k;
    }
    work.count = count;
    stream = bits;
    return std::nullopt;
}

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
        ComponentTables& entry = tables.emplace_back();
        entry.dc = job.stream.huffmanTables.find(0, scan->components[j].dcTable);
        entry.ac = job.stream.huffmanTables.find(1, scan->components[j].acTable);
        entry.quant = job.stream.quantTables.find(frame->components[j].quantTable);
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
    job.picture.allocate(geometry.width, geometry.height, frame.precision, true, grey);
    DctPictureWriter writer(geometry, frame.precision, rawDctColour(job.colourMode), true, grey,
                            topDownRows(job.outputFlags), job.picture);
    std::vector<SampleStrip> strips = writer.makeStrips();

    const InverseDct& idct = InverseDct::instance();
    const int levelShift = 1 << (frame.precision - 1);
    ScanBits bits(scan);
    BlockWork work;
    std::vector<std::int16_t> predictors(count, 0);
    int mcu = 0;
    for (int row = 0; row < geometry.mcusDown; ++row) {
        for (int column = 0; column < geometry.mcusAcross; ++column, ++mcu) {
            const Restart restart = restartBefore(mcu, job.restartInterval, scan, bits);
            if (restart == Restart::MarkerMissing) {
                job.errors.set(Msg::NoScanData);
                return 0;
            }
            if (restart == Restart::Done) std::fill(predictors.begin(), predictors.end(), 0);
            for (std::size_t j = 0; j < count; ++j) {
                const ComponentGeometry& component = geometry.components[j];
                for (int v = 0; v < component.vertical; ++v) {
                    for (int h = 0; h < component.horizontal; ++h) {
                        if (auto failure = decodeBlock(bits, tables[j], predictors[j], work)) {
                            job.errors.set(*failure);
                            return 0;
                        }
                        std::int16_t* out = strips[j].row(8 * v) + 8 * (column * component.horizontal + h);
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
