#include "imagelib/jpeg/JpegHuffmanTable.h"

namespace pictrano {

void orBits(std::uint8_t* out, std::size_t bitPosition, std::uint32_t bits, int count) {
    if (count <= 0) return;
    const int offset = static_cast<int>(bitPosition % 8);
    // The bits placed at the top of a 32-bit window that starts at the current byte.
    const std::uint32_t window = (bits << (32 - count)) >> offset;
    std::uint8_t* byte = out + bitPosition / 8;
    const int bytes = (offset + count + 7) / 8;
    for (int i = 0; i < bytes; ++i) byte[i] |= static_cast<std::uint8_t>(window >> (24 - 8 * i));
}

std::size_t JpegHuffmanTable::parse(const std::uint8_t* table, std::size_t available,
                                    std::size_t position) {
    if (available < kHeaderBytes) return 0;
    std::size_t symbols = 0;
    for (int length = 1; length <= 16; ++length) symbols += table[length];
    if (symbols > 256 || kHeaderBytes + symbols > available) return 0;

    *this = JpegHuffmanTable{};
    sourcePosition = position;
    tableClass = table[0] >> 4;
    identifier = table[0] & 0x0F;
    body.assign(table, table + kHeaderBytes + symbols);
    // Canonical codes: consecutive values within a length, doubled from one length to the next.
    // A table with too many codes for a length keeps the low bits of each code.
    std::uint32_t next = 0;
    std::size_t index = kHeaderBytes;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table[length]; ++i, ++index, ++next) {
            const int symbol = table[index];
            codeLength[symbol] = static_cast<std::uint8_t>(length);
            code[symbol] = static_cast<std::uint16_t>(next & ((1u << length) - 1));
            if (symbol > largestSymbol) largestSymbol = symbol;
        }
        next <<= 1;
    }
    return body.size();
}

void JpegHuffmanTable::makeLookup() const {
    auto made = std::make_unique<HuffmanLookup>();
    made->build(*this);
    lookup_ = std::move(made);
}

int JpegHuffmanTable::category(int value) {
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    int bits = 0;
    while (magnitude != 0 && bits < 16) {
        ++bits;
        magnitude >>= 1;
    }
    return bits;
}

int JpegHuffmanTable::emitSymbol(std::uint8_t* out, std::size_t bitPosition, int symbol) const {
    if (symbol < 0 || symbol > 255 || codeLength[symbol] == 0) return -1;
    orBits(out, bitPosition, code[symbol], codeLength[symbol]);
    return codeLength[symbol];
}

namespace {

// The additional bits of a value in its category.
std::uint32_t additionalBits(int value, int category) {
    const int bits = value < 0 ? value + (1 << category) - 1 : value;
    return static_cast<std::uint32_t>(bits) & ((1u << category) - 1);
}

}  // namespace

int JpegHuffmanTable::emitDc(std::uint8_t* out, std::size_t bitPosition, int value,
                             int valueCategory) const {
    if (valueCategory < 0) valueCategory = category(value);
    const int symbolBits = emitSymbol(out, bitPosition, valueCategory);
    if (symbolBits < 0) return -1;
    if (valueCategory == 0 || valueCategory == 16) return symbolBits;
    orBits(out, bitPosition + static_cast<std::size_t>(symbolBits),
           additionalBits(value, valueCategory), valueCategory);
    return symbolBits + valueCategory;
}

int JpegHuffmanTable::emitAc(std::uint8_t* out, std::size_t bitPosition, int run,
                             int value) const {
    const int valueCategory = category(value);
    if (run < 0 || run > 15 || valueCategory > 15) return -1;
    const int symbolBits = emitSymbol(out, bitPosition, run * 16 + valueCategory);
    if (symbolBits < 0) return -1;
    orBits(out, bitPosition + static_cast<std::size_t>(symbolBits),
           additionalBits(value, valueCategory), valueCategory);
    return symbolBits + valueCategory;
}

}  // namespace pictrano
