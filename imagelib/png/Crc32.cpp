#include "imagelib/png/Crc32.h"

#include <array>

namespace pictrano {
namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// Table 0 is the byte-at-a-time table of the reflected polynomial; table k advances the CRC of
// a byte followed by k zero bytes, so that eight bytes are taken in one step.
constexpr Tables makeTables() {
    Tables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            const std::uint32_t c = tables[k - 1][n];
            tables[k][n] = tables[0][c & 0xFF] ^ (c >> 8);
        }
    }
    return tables;
}

constexpr Tables kTables = makeTables();

}  // namespace

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (; count >= 8; count -= 8, bytes += 8) {
        const std::uint32_t low = c ^ (bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                       static_cast<std::uint32_t>(bytes[3]) << 24);
        c = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^
            kTables[5][(low >> 16) & 0xFF] ^ kTables[4][low >> 24] ^ kTables[3][bytes[4]] ^
            kTables[2][bytes[5]] ^ kTables[1][bytes[6]] ^ kTables[0][bytes[7]];
    }
    for (; count > 0; --count, ++bytes) c = kTables[0][(c ^ *bytes) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

}  // namespace pictrano
