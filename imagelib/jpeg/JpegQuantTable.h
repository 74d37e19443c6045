#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pictrano {

// One quantisation table of a DQT segment; values in natural (row-major) order.
class JpegQuantTable {
public:
    // Parses one table from `available` bytes at `table` (`sourcePosition` bytes into the
    // input). Returns 65 for an 8-bit table, 129 for a 16-bit one, or 0 when the precision is
    // neither or the table does not fit in the bytes available.
    std::size_t parse(const std::uint8_t* table, std::size_t available,
                      std::size_t sourcePosition);

    // Multiplies each coefficient by its quantiser, keeping the low 16 bits of the product.
    void dequantise(std::int16_t* block) const;
    void dequantise(const std::int16_t* in, std::int16_t* out) const;
    // (in + q / 2) / q for each position, the division truncating toward zero.
    void quantise(const std::int32_t* in, std::int32_t* out) const;

    // A copy whose quantisers are multiplied by `factor` and truncated, then kept within 1 and
    // 127 (8-bit table) or 2047 (16-bit table); its body is rewritten from them.
    std::unique_ptr<JpegQuantTable> scaledCopy(float factor) const;

    std::size_t sourcePosition = 0;
    std::array<std::uint8_t, 129> body{};  // the table as in the segment
    std::size_t bodyLength = 0;             // 65 or 129
    int identifier = 0;                     // Tq
    int precision = 0;                      // Pq: 0 for 8-bit values, 1 for 16-bit values
    std::array<std::uint16_t, 64> values{};

private:
    void writeBody();
};

}  // namespace pictrano
