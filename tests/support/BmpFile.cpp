#include "tests/support/BmpFile.h"

#include <algorithm>

#include "imagelib/image/ByteOrder.h"

namespace pictrano::test {

std::array<std::uint8_t, 3> bmpEntryColour(int i) {
    return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(100 + i),
            static_cast<std::uint8_t>(200 - i)};
}

std::vector<std::uint8_t> bytesOf(const BmpFile& f) {
    const std::int64_t dataAt = 14 + f.headerSize + 4 * f.entries;
    const auto dataSize = static_cast<std::int64_t>(f.data.size());
    std::vector<std::uint8_t> file(static_cast<std::size_t>(std::max<std::int64_t>(dataAt, 54)), 0);
    const std::int64_t fields[][2] = {
        {0, 'B' + ('M' << 8)}, {2, dataAt + dataSize}, {10, f.bitsOffset.value_or(dataAt)},
        {14, f.headerSize}, {18, f.width}, {22, f.height},
        {26, 1 + (f.bitCount << 16)},  // 1 plane, bit count
        {30, f.compression}, {34, dataSize}, {46, f.colorsUsed.value_or(f.entries)}};
    for (auto [at, value] : fields) storeLe32(&file[at], static_cast<std::uint32_t>(value));
    for (int i = 0; i < 3 && f.headerSize >= 108; ++i) storeLe32(&file[54 + 4 * i], f.masks[i]);
    for (int i = 0; i < f.entries; ++i)
        std::ranges::copy(bmpEntryColour(i), file.begin() + 14 + f.headerSize + 4 * i);
    file.resize(static_cast<std::size_t>(dataAt));
    file.insert(file.end(), f.data.begin(), f.data.end());
    return file;
}

}  // namespace pictrano::test
