#include <algorithm>
#include <array>
#include <bit>
#include <optional>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/DctPictureWriter.h"
#include "imagelib/jpeg/FrameGeometry.h"
#include "imagelib/jpeg/HuffmanDecoding.h"
#include "imagelib/jpeg/InverseDct.h"
#include "imagelib/jpeg/JpegDecoding.h"
#include "imagelib/jpeg/JpegZigZag.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pictrano {
namespace {

// A scan's parameters and, per scan component, its frame component and tables.
struct ScanPlan {
    const JpegScan* scan = nullptr;
    std::vector<int> components;
    std::vector<const JpegHuffmanTable*> dcTables;
    std::vector<const JpegHuffmanTable*> acTables;
};

// The coefficient state a scan carries from block to block, per frame component.
struct ScanState {
    std::vector<std::int16_t> predictors;
    std::vector<int> endRuns;
};

// Per frame component and coefficient, the bit the scans so far have brought it down to. Each
// scan must take every coefficient of its band one step further: a first pass (Ah 0) over
// coefficients not yet begun, or a refinement from Ah to Al = Ah - 1. So no coefficient is in
// more than 16 scans, and a file cannot make the decoder pass over its blocks without end.
class Progression {
public:
    explicit Progression(std::size_t components) : low_(components) {
        for (auto& coefficients : low_) coefficients.fill(kNotBegun);
    }

    // Whether the scan takes its band one step further; if so, records that it did. A band
    // reaching past coefficient 63 is left to the block decoder's own failure.
    bool advance(const ScanPlan& plan) {
        const JpegScan& scan = *plan.scan;
        const int high = scan.successiveHigh, low = scan.successiveLow;
        const int end = std::min(scan.spectralEnd, 63);
        if (scan.spectralStart > scan.spectralEnd || (high != 0 && low != high - 1)) return false;
        const int expected = high == 0 ? kNotBegun : high;
        for (const int component : plan.components) {
            auto& coefficients = low_[static_cast<std::size_t>(component)];
            for (int k = scan.spectralStart; k <= end; ++k) {
                if (coefficients[static_cast<std::size_t>(k)] != expected) return false;
                coefficients[static_cast<std::size_t>(k)] = static_cast<std::int8_t>(low);
            }
        }
        return true;
    }

private:
    static constexpr std::int8_t kNotBegun = -1;
    std::vector<std::array<std::int8_t, 64>> low_;
};

// Bit k set when the coefficient at zig-zag position k of the block is not zero.
std::uint64_t nonzeroInZigZagOrder(const std::int16_t* block) {
    std::uint64_t nonzero = 0;
    for (std::size_t row = 0; row < 8; row += 2) {
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * row));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * row + 8));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(first, zero), _mm_cmpeq_epi16(second, zero));
        const unsigned columns = ~static_cast<unsigned>(_mm_movemask_epi8(zeros)) & 0xFFFF;
#else
        unsigned columns = 0;
        for (unsigned x = 0; x < 16; ++x) columns |= static_cast<unsigned>(block[8 * row + x] != 0) << x;
#endif
        nonzero |= kZigZagBitsOfRow[row][columns & 0xFF] | kZigZagBitsOfRow[row + 1][columns >> 8];
    }
    return nonzero;
}

// Zig-zag positions `from` to `to` as bits (none when from > to; both below 64).
std::uint64_t bandBits(int from, int to) {
    if (from > to) return 0;
    return (~std::uint64_t{0} << from) & (~std::uint64_t{0} >> (63 - to));
}

// Adds 2^Al to the magnitude of a nonzero coefficient when `bit` is 1. The bits are as good as
// random, so the step is added times the bit rather than after a test of it.
void strengthen(std::int16_t& coefficient, int bit, int step) {
    const int amount = bit * step;
    coefficient = static_cast<std::int16_t>(coefficient > 0 ? coefficient + amount : coefficient - amount);
}

// Takes the next bit and strengthens the coefficient by it.
inline void refine(ScanBits& bits, std::int16_t& coefficient, int step) { strengthen(coefficient, bits.readBit(), step); }

// The correction bits of the coefficients at the given zig-zag positions, in order, up to 32
// from one load. Past the end of the data the bits are 0, as for a single bit.
void refineAt(ScanBits& bits, std::int16_t* block, std::uint64_t positions, int step) {
    while (positions != 0) {
        std::uint64_t next = bits.peek();
        unsigned taken = 0;
        for (; positions != 0 && taken < 32; ++taken, next <<= 1, positions &= positions - 1) {
            strengthen(block[kZigZagToNatural[static_cast<std::size_t>(std::countr_zero(positions))]],
                       static_cast<int>(next >> 63), step);
        }
        bits.skip(taken);
    }
}

// The AC part of a refinement block from index k: symbols, each followed by the correction bits
// of the nonzero coefficients it passes.
std::optional<Msg> refineBand(ScanBits& bits, std::int16_t* block, int k, int end, int step,
                              const JpegHuffmanTable& table, int& endRun) {
    while (k <= end) {
        AcSymbol symbol;
        if (!decodeAcSymbol(bits, table, symbol)) return Msg::NoMatchingAcCode;
        if (symbol.size == 0 && symbol.run != 15) {
            refineAt(bits, block, nonzeroInZigZagOrder(block) & bandBits(k, end), step);
            endRun = symbol.endRun - 1;
            k = end + 1;
            break;
        }
        if (symbol.size == 0) {
            if (end < k + 16) return Msg::ZrlTooLong;
            for (int zeros = 0; k <= end && zeros < 16; ++k) {
                std::int16_t& coefficient = block[kZigZagToNatural[static_cast<std::size_t>(k)]];
                if (coefficient != 0) {
                    refine(bits, coefficient, step);
                } else {
                    ++zeros;
                }
            }
        } else {
            if (end < k + symbol.run) return Msg::DataTooLong;
            if (symbol.value != 1 && symbol.value != -1) return Msg::InvalidValue;
            bool placed = false;
            for (int zeros = 0; k <= end && !placed; ++k) {
                std::int16_t& coefficient = block[kZigZagToNatural[static_cast<std::size_t>(k)]];
                if (coefficient != 0) {
                    refine(bits, coefficient, step);
                } else if (zeros++ == symbol.run) {
                    coefficient = static_cast<std::int16_t>(symbol.value * step);
                    placed = true;
                }
            }
            if (!placed) return Msg::DataTooLong;
        }
        if (bits.overran()) return Msg::NoMatchingAcCode;
    }
    if (bits.overran()) return Msg::NoMatchingAcCode;
    return k == end + 1 ? std::nullopt : std::optional<Msg>(Msg::AcRestoreFailed);
}

// The AC part of a first-pass block from index k.
std::optional<Msg> firstBand(ScanBits& bits, std::int16_t* block, int k, int end, int step,
                             const JpegHuffmanTable& table, int& endRun) {
    while (k <= end) {
        AcSymbol symbol;
        if (!decodeAcSymbol(bits, table, symbol)) return Msg::NoMatchingAcCode;
        if (symbol.size == 0 && symbol.run != 15) {
            endRun = symbol.endRun - 1;
            k = end + 1;
            break;
        }
        if (symbol.size == 0) {
            if (end < k + 16) return Msg::ZrlTooLong;
            k += 16;
            continue;
        }
        if (end < k + symbol.run) return Msg::DataTooLong;
        k += symbol.run;
        std::int16_t& coefficient = block[kZigZagToNatural[static_cast<std::size_t>(k)]];
        coefficient = static_cast<std::int16_t>(coefficient + symbol.value * step);
        ++k;
    }
    return k == end + 1 ? std::nullopt : std::optional<Msg>(Msg::AcRestoreFailed);
}

// One block of a progressive scan: its DC part when the band starts at 0, then its AC part,
// either skipped by a pending end-of-band run or decoded.
std::optional<Msg> decodeBlock(ScanBits& bits, std::int16_t* block, const JpegScan& scan,
                               const JpegHuffmanTable* dc, const JpegHuffmanTable* ac,
                               std::int16_t& predictor, int& endRun) {
    const int start = scan.spectralStart, end = scan.spectralEnd;
    const int step = 1 << scan.successiveLow;
    const bool refinement = scan.successiveHigh != 0;
    if (end > 63) return Msg::AcRestoreFailed;
    int k = start;
    if (start == 0) {
        if (!refinement) {
            int difference = 0;
            if (!decodeDifference(bits, *dc, difference)) return Msg::NoMatchingDcCode;
            predictor = static_cast<std::int16_t>(predictor + difference * step);
            block[0] = predictor;
        } else {
            block[0] = static_cast<std::int16_t>(block[0] | bits.readBit() * step);
            if (bits.overran()) return Msg::NoMatchingDcCode;
        }
        k = 1;
    }
    if (endRun > 0) {
        --endRun;
        if (refinement) refineAt(bits, block, nonzeroInZigZagOrder(block) & bandBits(k, end), step);
        return bits.overran() ? std::optional<Msg>(Msg::NoMatchingAcCode) : std::nullopt;
    }
    if (k > end) return k == end + 1 ? std::nullopt : std::optional<Msg>(Msg::AcRestoreFailed);
    return refinement ? refineBand(bits, block, k, end, step, *ac, endRun)
                      : firstBand(bits, block, k, end, step, *ac, endRun);
}

std::int16_t* blockAt(CoefficientPlanes& planes, const FrameGeometry& geometry, int component,
                      int row, int column) {
    const auto across = static_cast<std::size_t>(geometry.components[static_cast<std::size_t>(component)].unitsAcross);
    return planes[static_cast<std::size_t>(component)].data() +
           64 * (static_cast<std::size_t>(row) * across + static_cast<std::size_t>(column));
}

// Decodes one scan into the coefficients. False when a block failed (its message set) and
// decoding is to stop.
bool decodeScan(const JpegDecodeJob& job, const ScanPlan& plan, const FrameGeometry& geometry,
                CoefficientPlanes& coefficients, ScanState& state) {
    const JpegScan& scan = *plan.scan;
    ScanBits bits(scan);
    std::fill(state.endRuns.begin(), state.endRuns.end(), 0);
    int mcu = 0;
    auto startMcu = [&]() {
        const Restart restart = restartBefore(mcu, job.restartInterval, scan, bits);
        if (restart == Restart::Done) {
            std::fill(state.predictors.begin(), state.predictors.end(), 0);
            std::fill(state.endRuns.begin(), state.endRuns.end(), 0);
        }
        return restart != Restart::MarkerMissing;
    };
    auto decode = [&](std::size_t i, int row, int column) {
        const int c = plan.components[i];
        const auto index = static_cast<std::size_t>(c);
        if (auto failure = decodeBlock(bits, blockAt(coefficients, geometry, c, row, column), scan,
                                       plan.dcTables[i], plan.acTables[i], state.predictors[index],
                                       state.endRuns[index])) {
            job.errors.set(*failure);
            return false;
        }
        return true;
    };

    if (plan.components.size() == 1) {
        const ComponentGeometry& component = geometry.components[static_cast<std::size_t>(plan.components[0])];
        for (int row = 0; row < component.ownUnitsDown; ++row) {
            for (int column = 0; column < component.ownUnitsAcross; ++column, ++mcu) {
                if (!startMcu()) {
                    job.errors.set(Msg::NoScanData);
                    return false;
                }
                if (!decode(0, row, column)) return false;
            }
        }
        return true;
    }
    for (int row = 0; row < geometry.mcusDown; ++row) {
        for (int column = 0; column < geometry.mcusAcross; ++column, ++mcu) {
            if (!startMcu()) {
                job.errors.set(Msg::NoScanData);
                return false;
            }
            for (std::size_t i = 0; i < plan.components.size(); ++i) {
                const ComponentGeometry& component = geometry.components[static_cast<std::size_t>(plan.components[i])];
                for (int v = 0; v < component.vertical; ++v) {
                    for (int h = 0; h < component.horizontal; ++h) {
                        if (!decode(i, row * component.vertical + v, column * component.horizontal + h)) {
                            return false;
                        }
                    }
                }
            }
        }
    }
    return true;
}

// The frame components and tables of a scan; tables are those defined before the scan.
std::optional<Msg> planScan(const JpegDecodeJob& job, const JpegFrame& frame,
                            const JpegScan& scan, ScanPlan& plan) {
    plan = ScanPlan{};
    plan.scan = &scan;
    for (const ScanComponent& entry : scan.components) {
        const auto found = std::find_if(frame.components.begin(), frame.components.end(),
                                        [&](const FrameComponent& c) { return c.id == entry.selector; });
        if (found == frame.components.end()) return Msg::ScanParseFailed;
        plan.components.push_back(static_cast<int>(found - frame.components.begin()));
        const JpegHuffmanTable* dc = nullptr;
        const JpegHuffmanTable* ac = nullptr;
        if (scan.spectralStart == 0) {
            dc = job.stream.huffmanTables.find(0, entry.dcTable, scan.sourcePosition);
            if (dc == nullptr) return Msg::DcHuffmanTableUnavailable;
        }
        if (scan.spectralEnd > 0) {
            ac = job.stream.huffmanTables.find(1, entry.acTable, scan.sourcePosition);
            if (ac == nullptr) return Msg::AcHuffmanTableUnavailable;
        }
        plan.dcTables.push_back(dc);
        plan.acTables.push_back(ac);
    }
    return std::nullopt;
}

std::optional<Msg> prepare(const JpegDecodeJob& job, FrameGeometry& geometry,
                           std::vector<const JpegQuantTable*>& quantTables) {
    if (auto failure = describeDctFrame(job.stream, geometry)) return failure;
    for (const FrameComponent& component : job.stream.frames.get(0)->components) {
        quantTables.push_back(job.stream.quantTables.find(component.quantTable));
        if (quantTables.back() == nullptr) return Msg::QuantTableUnavailable;
    }
    return std::nullopt;
}

// Multiplies the coefficients by their quantisers (low 16 bits kept) into `block` and lists the
// positions of the nonzero ones; returns their count.
int dequantise(const std::int16_t* stored, const std::uint16_t* quantisers, std::int16_t* block,
               std::uint8_t* nonzero) {
    std::uint64_t present = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + i));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + i + 8));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(first, zero), _mm_cmpeq_epi16(second, zero));
        present |= static_cast<std::uint64_t>(~_mm_movemask_epi8(zeros) & 0xFFFF) << i;
    }
#else
    for (int k = 0; k < 64; ++k) present |= static_cast<std::uint64_t>(stored[k] != 0) << k;
#endif
    int count = 0;
    for (std::uint64_t bits = present; bits != 0; bits &= bits - 1) {
        const int k = std::countr_zero(bits);
        block[k] = static_cast<std::int16_t>(stored[k] * quantisers[k]);
        nonzero[count++] = static_cast<std::uint8_t>(k);
    }
    return count;
}

// Dequantises and transforms every block into the picture, one MCU row at a time.
void reconstruct(const JpegDecodeJob& job, const FrameGeometry& geometry,
                 const std::vector<const JpegQuantTable*>& quantTables,
                 CoefficientPlanes& coefficients, int precision) {
    DctPictureWriter writer(geometry, precision, rawDctColour(job.colourMode), true, false,
                            topDownRows(job.outputFlags), job.picture);
    std::vector<SampleStrip> strips = writer.makeStrips();
    const InverseDct& idct = InverseDct::instance();
    const int levelShift = 1 << (precision - 1);
    alignas(16) std::int16_t block[64] = {};
    std::uint8_t nonzero[64];
    // Only the listed positions of the block are ever nonzero; each block's are cleared after.
    for (int row = 0; row < geometry.mcusDown; ++row) {
        for (std::size_t j = 0; j < strips.size(); ++j) {
            const ComponentGeometry& component = geometry.components[j];
            const std::uint16_t* quantisers = quantTables[j]->values.data();
            for (int v = 0; v < component.vertical; ++v) {
                for (int column = 0; column < component.unitsAcross; ++column) {
                    const std::int16_t* stored = blockAt(coefficients, geometry, static_cast<int>(j),
                                                         row * component.vertical + v, column);
                    const int count = dequantise(stored, quantisers, block, nonzero);
                    idct.transform(block, nonzero, count, levelShift, strips[j].row(8 * v) + 8 * column,
                                   strips[j].pitch);
                    for (int i = 0; i < count; ++i) block[nonzero[i]] = 0;
                }
            }
        }
        writer.writeMcuRow(row, strips);
    }
}

}  // namespace

int decodeProgressive(const JpegDecodeJob& job, CoefficientPlanes& coefficients) {
    FrameGeometry geometry;
    std::vector<const JpegQuantTable*> quantTables;
    if (auto failure = prepare(job, geometry, quantTables)) {
        job.errors.set(*failure);
        return 0;
    }
    const JpegFrame& frame = *job.stream.frames.get(0);
    // The coefficients of every block are held beside the picture.
    if (!pictureFitsLimits(geometry.width, geometry.height, false, rowCopiesAt(frame.precision),
                           64 * 2 * geometry.unitCount())) {
        job.errors.set(Msg::OutOfMemory);
        return 0;
    }
    coefficients.clear();
    coefficients.resize(geometry.components.size());
    for (std::size_t j = 0; j < coefficients.size(); ++j) {
        const ComponentGeometry& component = geometry.components[j];
        coefficients[j].assign(64 * static_cast<std::size_t>(component.unitsAcross) * static_cast<std::size_t>(component.unitsDown));
    }
    job.picture.allocate(geometry.width, geometry.height, frame.precision, true, false, true);

    ScanState state{std::vector<std::int16_t>(coefficients.size(), 0), std::vector<int>(coefficients.size(), 0)};
    ScanPlan plan;
    Progression progression(coefficients.size());
    for (std::size_t i = 0; i < job.stream.scans.count(); ++i) {
        if (auto failure = planScan(job, frame, *job.stream.scans.get(i), plan)) {
            job.errors.set(*failure);
            job.picture.releasePictures();
            return 0;
        }
        // A scan out of progression ends the scans, as a broken block does.
        if (!progression.advance(plan)) {
            job.errors.set(Msg::ScanParseFailed);
            break;
        }
        if (!decodeScan(job, plan, geometry, coefficients, state)) break;
    }
    reconstruct(job, geometry, quantTables, coefficients, frame.precision);
    return 1;
}

}  // namespace pictrano
