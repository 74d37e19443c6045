#include "tests/jpeg/JpegWritingReference.h"

#include <algorithm>
#include <stdexcept>

#include "imagelib/jpeg/JpegBaselineCoder.h"
#include "imagelib/jpeg/JpegZigZag.h"

namespace pictrano::test {
namespace {

// Output bytes with the bit position inside the last one (0: the last byte is complete).
struct PlainOutput {
    std::vector<std::uint8_t> bytes;
    int partialBits = 0;

    void appendBlock(const std::uint8_t* area, int bits) {
        const int offset = partialBits;
        const int total = offset + bits;
        const int count = (total + 7) / 8;
        for (int j = 0; j < count; ++j) {
            if (j == 0 && offset > 0) {
                bytes.back() |= area[0];
            } else {
                bytes.push_back(area[j]);
            }
            const bool complete = j < count - 1 || total % 8 == 0;
            if (complete && bytes.back() == 0xFF) bytes.push_back(0x00);
        }
        partialBits = total % 8;
    }

    void padWithOnes() {
        if (partialBits == 0) return;
        bytes.back() |= static_cast<std::uint8_t>((1 << (8 - partialBits)) - 1);
        if (bytes.back() == 0xFF) bytes.push_back(0x00);
        partialBits = 0;
    }
};

int emitted(int bits) {
    if (bits < 0) throw std::logic_error("a symbol without a code");
    return bits;
}

struct PlainComponent {
    const JpegHuffmanTable* dc;
    const JpegHuffmanTable* ac;
    const JpegQuantTable* quant;
    int h, v, stepX, stepY, dcLimit, acLimit, predictor;
};

}  // namespace

PaddedPlanes paddedPlanesOf(const SampleSource& source) {
    PaddedPlanes result;
    result.paddedWidth = (source.width + 31) / 32 * 32;
    result.paddedHeight = (source.height + 31) / 32 * 32;
    const int count = source.colourModel == kJpegGrey ? 1 : 3;
    const int shift = source.levelShift ? 128 : 0;
    result.planes.assign(static_cast<std::size_t>(count),
                         std::vector<std::int16_t>(static_cast<std::size_t>(result.paddedWidth * result.paddedHeight)));
    for (int y = 0; y < result.paddedHeight; ++y) {
        for (int x = 0; x < result.paddedWidth; ++x) {
            const std::uint8_t* p = source.pixels + static_cast<std::size_t>(std::min(y, source.height - 1)) * source.stride +
                                    3 * static_cast<std::size_t>(std::min(x, source.width - 1));
            const int b = p[0], g = p[1], r = p[2];
            int samples[3];
            if (source.colourModel == kJpegRgb) {
                samples[0] = r, samples[1] = g, samples[2] = b;
            } else {
                samples[0] = (77 * r + 150 * g + 29 * b) >> 8;
                samples[1] = ((128 * b - 43 * r - 85 * g) >> 8) + 128;
                samples[2] = ((128 * r - 21 * b - 107 * g) >> 8) + 128;
            }
            for (int c = 0; c < count; ++c) {
                result.planes[static_cast<std::size_t>(c)][static_cast<std::size_t>(y * result.paddedWidth + x)] =
                    static_cast<std::int16_t>(samples[c] - shift);
            }
        }
    }
    return result;
}

std::array<std::int32_t, 64> plainForwardDct(const ForwardDctWeights& weights,
                                             const std::int16_t* samples) {
    std::array<std::int32_t, 64> out{};
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            std::int32_t sum = 0;
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) sum += weights.at(u, v, y, x) * samples[y * 8 + x];
            }
            out[static_cast<std::size_t>(u * 8 + v)] = (sum + 128) >> 8;
        }
    }
    return out;
}

ReferenceScan referenceBaselineScan(const JpegEncoder& encoder) {
    const JpegStream& stream = encoder.stream();
    const JpegFrame& frame = *stream.frames.get(0);
    const JpegScan& scan = *stream.scans.get(0);
    const PaddedPlanes planes = paddedPlanesOf(encoder.source());
    std::vector<PlainComponent> components;
    for (std::size_t i = 0; i < frame.components.size(); ++i) {
        const FrameComponent& c = frame.components[i];
        PlainComponent p{stream.huffmanTables.find(0, scan.components[i].dcTable),
                         stream.huffmanTables.find(1, scan.components[i].acTable),
                         stream.quantTables.find(c.quantTable),
                         c.horizontal, c.vertical,
                         frame.largestHorizontal / c.horizontal,
                         frame.largestVertical / c.vertical, 0, 0, 0};
        p.dcLimit = (1 << largestCodedCategory(*p.dc)) - 1;
        p.acLimit = (1 << largestCodedCategory(*p.ac)) - 1;
        components.push_back(p);
    }
    const int mcuWidth = frame.largestHorizontal * 8, mcuHeight = frame.largestVertical * 8;
    const int across = (frame.samplesPerLine + mcuWidth - 1) / mcuWidth;
    const int down = (frame.lines + mcuHeight - 1) / mcuHeight;

    ReferenceScan result;
    for (const PlainComponent& c : components) {
        result.blocksAcross.push_back(across * c.h);
        result.blocks.emplace_back(static_cast<std::size_t>(across * c.h * down * c.v));
    }
    PlainOutput output;
    for (int my = 0; my < down; ++my) {
        for (int mx = 0; mx < across; ++mx) {
            for (std::size_t i = 0; i < components.size(); ++i) {
                PlainComponent& c = components[i];
                for (int by = 0; by < c.v; ++by) {
                    for (int bx = 0; bx < c.h; ++bx) {
                        const int column = mx * mcuWidth + bx * c.stepX * 8;
                        const int row = my * mcuHeight + by * c.stepY * 8;
                        std::int16_t samples[64];
                        for (int y = 0; y < 8; ++y) {
                            for (int x = 0; x < 8; ++x) {
                                const int r = std::min(row + y * c.stepY, planes.paddedHeight - 1);
                                const int q = std::min(column + x * c.stepX, planes.paddedWidth - 1);
                                samples[y * 8 + x] = static_cast<std::int16_t>(planes.at(static_cast<int>(i), q, r));
                            }
                        }
                        const std::array<std::int32_t, 64> coefficients = plainForwardDct(encoder.weights(), samples);
                        std::array<std::int32_t, 64> quantised{};
                        c.quant->quantise(coefficients.data(), quantised.data());

                        std::uint8_t area[600] = {};
                        std::size_t bit = static_cast<std::size_t>(output.partialBits);
                        CodedBlock& coded = result.blocks[i][static_cast<std::size_t>(
                            (my * c.v + by) * result.blocksAcross[i] + mx * c.h + bx)];
                        const int difference = std::clamp(quantised[0] - c.predictor, -c.dcLimit, c.dcLimit);
                        c.predictor += difference;
                        coded[0] = c.predictor;
                        bit += static_cast<std::size_t>(emitted(c.dc->emitDc(area, bit, difference)));
                        int run = 0;
                        for (int k = 1; k < 64; ++k) {
                            const std::size_t position = kZigZagToNatural[static_cast<std::size_t>(k)];
                            const int value = std::clamp(quantised[position], -c.acLimit, c.acLimit);
                            coded[position] = value;
                            if (value == 0) {
                                ++run;
                                continue;
                            }
                            while (run > 15) {
                                bit += static_cast<std::size_t>(emitted(c.ac->emitAc(area, bit, 15, 0)));
                                run -= 16;
                            }
                            bit += static_cast<std::size_t>(emitted(c.ac->emitAc(area, bit, run, value)));
                            run = 0;
                        }
                        if (run > 0) bit += static_cast<std::size_t>(emitted(c.ac->emitAc(area, bit, 0, 0)));
                        output.appendBlock(area, static_cast<int>(bit) - output.partialBits);
                    }
                }
            }
        }
    }
    output.padWithOnes();
    result.data = std::move(output.bytes);
    return result;
}

}  // namespace pictrano::test
