// The fast forms against their plain reference forms on the same input; the first byte chooses
// the pair: inflate, the Deflate coders' match search, JPEG Huffman matching, the inverse DCT,
// sequential JPEG blocks decoded a word at a time, JPEG blocks transformed and quantised eight at
// a time.
#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "imagelib/jpeg/HuffmanLookup.h"
#include "imagelib/jpeg/JpegBlockBatch.h"
#include "imagelib/jpeg/JpegZigZag.h"
#include "imagelib/jpeg/ProcessorFeatures.h"
#include "imagelib/jpeg/InverseDct.h"
#include "imagelib/jpeg/JpegHuffmanTable.h"
#include "imagelib/jpeg/JpegQuantTable.h"
#include "imagelib/jpeg/JpegScan.h"
#include "imagelib/jpeg/SequentialBlocks.h"
#include "imagelib/png/deflate/DeflateCodec.h"
#include "tests/deflate/ReferenceDeflate.h"
#include "tests/deflate/ReferenceInflate.h"

using namespace pictrano;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The stream is also inflated cut into pieces of 0 to 15 bytes, each in a buffer of its own,
// which must give the same outcome as the whole; the lengths follow from the capacity and the
// stream's size, so the inputs' layout stays as it was.
void compareInflate(fuzz::FuzzInput& input) {
    const std::size_t capacity = input.word();
    const Bytes stream(input.data(), input.data() + input.size());
    DeflateCodec codec;
    Bytes output(capacity);
    const std::uint64_t position = codec.inflate(output.data(), capacity, stream.data(), stream.size());
    output.resize(codec.inflatedLength());
    const test::InflateOutcome plain = test::referenceInflate(stream, capacity);
    if (position != plain.position || output != plain.output) fuzz::finding();
    if (plain.failure && std::strcmp(codec.errors().narrow(), shiftJisText(*plain.failure)) != 0) {
        fuzz::finding();
    }

    std::vector<Bytes> pieces;
    std::vector<ByteSpan> spans;
    std::minstd_rand random(static_cast<std::uint32_t>(capacity + stream.size()) + 1);
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t length = std::min<std::size_t>(random() % 16, stream.size() - at);
        pieces.emplace_back(stream.begin() + std::ptrdiff_t(at), stream.begin() + std::ptrdiff_t(at + length));
        at += length;
    }
    for (const Bytes& piece : pieces) spans.push_back({piece.data(), piece.size()});
    Bytes pieceOutput(capacity);
    if (codec.inflate(pieceOutput.data(), capacity, spans.data(), spans.size()) != position) fuzz::finding();
    pieceOutput.resize(codec.inflatedLength());
    if (pieceOutput != output) fuzz::finding();
}

void compareDeflate(fuzz::FuzzInput& input) {
    const int degree = 1 + input.byte() % 3;
    const std::size_t rowWindow = input.word();
    const Bytes data(input.data(), input.data() + input.size());
    DeflateCodec codec;
    Bytes stream(DeflateCodec::deflateBound(data.size()));
    stream.resize(codec.deflate(stream.data(), stream.size(), data.data(), data.size(), degree,
                                rowWindow));
    if (stream != test::referenceDeflate(data, degree, rowWindow)) fuzz::finding();
}

// A table from the input in its segment form, then every 32-bit window of the rest.
void compareHuffmanMatching(fuzz::FuzzInput& input) {
    JpegHuffmanTable table;
    const std::size_t length = table.parse(input.data(), input.size(), 0);
    if (length == 0) return;
    const std::uint8_t* bits = input.data() + length;
    const std::size_t available = input.size() - length;
    for (std::size_t i = 0; i + 4 <= available; ++i) {
        for (int shift = 0; shift < 8; ++shift) {
            std::uint32_t window = static_cast<std::uint32_t>(bits[i]) << 24 | bits[i + 1] << 16 |
                                   bits[i + 2] << 8 | bits[i + 3];
            window <<= shift;
            int fast = -1;
            int plain = -1;
            const int fastLength = table.lookup().match(table, window, fast);
            const int plainLength = matchBySearch(table, window, plain);
            if (fastLength != plainLength || (plainLength != 0 && fast != plain)) fuzz::finding();
        }
    }
}

// A block of coefficients from the input through every offered form and the full sums.
void compareInverseDct(fuzz::FuzzInput& input) {
    const int levelShift = input.byte() % 2 == 0 ? 128 : 0;
    std::array<std::int16_t, 64> block{};
    std::array<std::uint8_t, 64> nonzero{};
    int count = 0;
    for (int k = 0; k < 64; ++k) {
        block[k] = static_cast<std::int16_t>(input.word());
        if (block[k] != 0) nonzero[count++] = static_cast<std::uint8_t>(k);
    }
    const InverseDct& idct = InverseDct::instance();
    std::array<std::int16_t, 64> plain{};
    for (int n = 0; n < 64; ++n) {
        std::int32_t sum = 0;
        for (int k = 0; k < 64; ++k) sum += idct.weight(n, k) * block[k];
        plain[n] = static_cast<std::int16_t>(((sum + 128) >> 8) + levelShift);
    }
    for (InverseDct::Form form : {InverseDct::Form::Direct, InverseDct::Form::Quadrants,
                                  InverseDct::Form::QuadrantsSse2}) {
        if (!idct.offers(form)) continue;
        std::array<std::int16_t, 64> fast{};
        idct.transformAs(form, block.data(), nonzero.data(), count, levelShift, fast.data(), 8);
        if (fast != plain) fuzz::finding();
    }
}

// A DC and an AC table from the input in their segment form, 64 quantisers, then the rest as a
// scan's data: block after block, wherever decoding a word at a time may run, it must give what
// the plain block decoder gives, or fail where it fails.
void compareSequentialBlocks(fuzz::FuzzInput& input) {
    JpegHuffmanTable dc, ac;
    for (JpegHuffmanTable* table : {&dc, &ac}) {
        const std::size_t length = table->parse(input.data(), input.size(), 0);
        if (length == 0) return;
        for (std::size_t i = 0; i < length; ++i) input.byte();
    }
    JpegQuantTable quant;
    for (std::uint16_t& value : quant.values) value = input.byte();
    JpegScan scan;
    scan.dataLength = input.size();
    scan.data.assign(input.data(), input.data() + input.size());
    scan.data.resize(scan.dataLength + JpegScan::kDataPadding, 0);

    const ComponentTables tables(&dc, &ac, &quant);
    const InverseDct& idct = InverseDct::instance();
    const std::size_t margin = kLongestBlockBytes + 16;
    const std::uint64_t fastEnd = scan.dataLength > margin ? 8 * std::uint64_t{scan.dataLength - margin} : 0;
    ScanBits bits(scan);
    WordBits words(scan, 0);
    std::int16_t predictor = 0;
    BlockWork plain;
    PairedBlock fast;
    while (bits.position() < fastEnd) {
        words.moveTo(bits.position());
        std::int16_t fastPredictor = predictor;
        const bool fastDecoded = decodeBlockWordwise(words, tables, fastPredictor, fast);
        const bool plainDecoded = !decodeBlock(bits, tables, predictor, plain);
        if (fastDecoded != plainDecoded) fuzz::finding();
        if (!plainDecoded) return;
        if (fastPredictor != predictor || words.position() != bits.position()) fuzz::finding();
        for (int k = 0; k < 64; ++k) {
            if (fast.slots[idct.pairSlot(k)] != plain.block[k]) fuzz::finding();
        }
        fast.clear();
        plain.clear();
    }
}

// 64 quantisers and eight blocks of samples from the input, transformed and quantised eight at a
// time, against each block's plain transform and quotients.
void compareBlockBatch(fuzz::FuzzInput& input) {
    static const ForwardDctWeights weights;
    static const BlockBatchTransform transform(weights);
    if (!BlockBatchTransform::available(readProcessorFeatureWord())) return;
    JpegQuantTable table;
    for (std::uint16_t& value : table.values) value = std::max<std::uint8_t>(input.byte(), 1);
    const BlockQuantiser quantiser(table, PackedForm::Avx2);
    std::array<std::int16_t, 8 * 64> samples;
    for (std::int16_t& sample : samples) sample = static_cast<std::int16_t>(input.byte() - 128);
    const std::int16_t* blocks[8];
    for (std::size_t b = 0; b < 8; ++b) blocks[b] = samples.data() + 64 * b;
    QuantisedBatch batch;
    transform.run(quantiser, blocks, 8, batch);
    for (std::size_t b = 0; b < 8; ++b) {
        std::array<std::int32_t, 64> coefficients, values;
        forwardDct(PackedForm::Plain, weights, blocks[b], 8, coefficients.data());
        table.quantise(coefficients.data(), values.data());
        for (std::size_t k = 0; k < 64; ++k) {
            const std::int32_t value = values[kZigZagToNatural[k]];
            if (batch.values[k][b] != value || ((batch.nonZero[b] >> k & 1) != 0) != (value != 0)) fuzz::finding();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    switch (input.byte() % 6) {
        case 0: compareInflate(input); break;
        case 1: compareDeflate(input); break;
        case 2: compareHuffmanMatching(input); break;
        case 3: compareInverseDct(input); break;
        case 4: compareSequentialBlocks(input); break;
        default: compareBlockBatch(input); break;
    }
    return 0;
}
