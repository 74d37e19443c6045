#include "imagelib/jpeg/JpegQuantTable.h"

#include <algorithm>

#include "imagelib/image/ByteOrder.h"
#include "imagelib/jpeg/JpegZigZag.h"

namespace pictrano {

std::size_t JpegQuantTable::parse(const std::uint8_t* table, std::size_t available,
                                  std::size_t position) {
    if (available < 1) return 0;
    const int tablePrecision = table[0] >> 4;
    if (tablePrecision > 1) return 0;
    const std::size_t length = tablePrecision == 0 ? 65 : 129;
    if (length > available) return 0;

    *this = JpegQuantTable{};
    sourcePosition = position;
    precision = tablePrecision;
    identifier = table[0] & 0x0F;
    bodyLength = length;
    std::copy(table, table + length, body.begin());
    for (std::size_t k = 0; k < 64; ++k) {
        values[kZigZagToNatural[k]] =
            precision == 0 ? table[1 + k] : loadBe16(table + 1 + 2 * k);
    }
    return length;
}

void JpegQuantTable::dequantise(std::int16_t* block) const { dequantise(block, block); }

void JpegQuantTable::dequantise(const std::int16_t* in, std::int16_t* out) const {
    for (std::size_t i = 0; i < 64; ++i) {
        out[i] = static_cast<std::int16_t>(in[i] * values[i]);
    }
}

void JpegQuantTable::quantise(const std::int32_t* in, std::int32_t* out) const {
    for (std::size_t i = 0; i < 64; ++i) {
        const std::int32_t q = std::max<std::int32_t>(values[i], 1);
        out[i] = (in[i] + q / 2) / q;
    }
}

std::unique_ptr<JpegQuantTable> JpegQuantTable::scaledCopy(float factor) const {
    auto copy = std::make_unique<JpegQuantTable>();
    copy->sourcePosition = sourcePosition;
    copy->precision = precision;
    copy->identifier = identifier;
    copy->bodyLength = bodyLength;
    const int limit = precision == 0 ? 127 : 2047;
    for (std::size_t i = 0; i < 64; ++i) {
        const float scaled = static_cast<float>(values[i]) * factor;
        const int value = scaled >= static_cast<float>(limit) ? limit
                          : scaled >= 1.0f                     ? static_cast<int>(scaled)
                                                               : 1;
        copy->values[i] = static_cast<std::uint16_t>(value);
    }
    copy->writeBody();
    return copy;
}

void JpegQuantTable::writeBody() {
    body[0] = static_cast<std::uint8_t>(precision * 16 + identifier);
    for (std::size_t k = 0; k < 64; ++k) {
        const std::uint16_t value = values[kZigZagToNatural[k]];
        if (precision == 0) {
            body[1 + k] = static_cast<std::uint8_t>(value);
        } else {
            storeBe16(&body[1 + 2 * k], value);
        }
    }
}

}  // namespace pictrano
