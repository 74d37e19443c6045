#include "imagelib/jpeg/SequentialBlocks.h"

#include "imagelib/jpeg/HuffmanDecoding.h"
#include "imagelib/jpeg/InverseDct.h"
#include "imagelib/jpeg/JpegZigZag.h"

namespace pictrano {

ComponentTables::ComponentTables(const JpegHuffmanTable* dcTable, const JpegHuffmanTable* acTable,
                                 const JpegQuantTable* quantTable)
    : dc(dcTable), ac(acTable), quant(quantTable) {
    if (ac != nullptr) ac->lookup().prepareSteps(*ac);
    for (std::size_t k = 0; k < 64; ++k) {
        if (quant != nullptr) zigZagQuantisers[k] = quant->values[kZigZagToNatural[k]];
        zigZagSlots[k] = static_cast<std::uint8_t>(InverseDct::instance().pairSlot(kZigZagToNatural[k]));
    }
}

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

bool decodeBlockWordwise(WordBits& stream, const ComponentTables& tables, std::int16_t& predictor,
                         PairedBlock& work) {
    WordBits bits = stream;
    bits.refill();
    int category = 0;
    const int length = tables.dc->lookup().match(*tables.dc, static_cast<std::uint32_t>(bits.peek() >> 32), category);
    if (length == 0 || category > 16) return false;
    int difference = 0;
    if (category == 0 || category == 16) {
        difference = category == 0 ? 0 : 32768;
        bits.skip(static_cast<unsigned>(length));
    } else {
        const auto field = static_cast<std::uint32_t>((bits.peek() << length) >> (64 - category));
        difference = extendValue(field, category);
        bits.skip(static_cast<unsigned>(length + category));
    }
    predictor = static_cast<std::int16_t>(predictor + difference);
    const std::uint16_t* quantisers = tables.quant->values.data();
    const JpegHuffmanTable& ac = *tables.ac;
    const HuffmanLookup& acLookup = ac.lookup();
    const std::uint16_t* zigZag = tables.zigZagQuantisers.data();
    const std::uint8_t* zigZagSlots = tables.zigZagSlots.data();
    std::int16_t* slots = work.slots;
    slots[zigZagSlots[0]] = static_cast<std::int16_t>(predictor * quantisers[0]);
    std::uint32_t pairs = 1u << (zigZagSlots[0] >> 1);
    // k is one past the zig-zag index last filled. A run of sixteen zeros places a zero, which
    // changes no sum; a step past index 63 or an end of block leaves the loop.
    int k = 1;
    // A lookup takes at most kStepBits bits, so two fit after one refill; longer codes refill
    // again.
    static_assert(2 * HuffmanLookup::kStepBits <= 56);
    for (bool open = true; open;) {
        bits.refill();
        for (int twice = 0; twice < 2 && open; ++twice) {
            HuffmanLookup::AcStep step = acLookup.acStep(bits.peek());
            if (step.length == 0) {
                bits.refill();
                step = longAcStep(ac, bits.peek());
                if (step.length == 0) {
                    work.pairs = pairs;
                    return false;
                }
            }
            bits.skip(step.length);
            k += step.advance;
            if (k > 64) break;
            const int slot = zigZagSlots[k - 1];
            slots[slot] = static_cast<std::int16_t>(step.value * zigZag[k - 1]);
            pairs |= 1u << (slot >> 1);
            open = k < 64;
        }
        open = open && k < 64;
    }
    work.pairs = pairs;
    stream = bits;
    return k <= 64 || k >= HuffmanLookup::kEndOfBlock;
}

}  // namespace pictrano
