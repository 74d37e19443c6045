#include "imagelib/jpeg/JpegScan.h"

#include <cstring>

#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

bool isRestartMarker(std::uint8_t code) { return code >= 0xD0 && code <= 0xD7; }

}  // namespace

std::size_t JpegScan::parse(const std::uint8_t* segment, std::size_t available,
                            std::size_t position) {
    if (available < 5 || segment[0] != 0xFF || segment[1] != 0xDA) return 0;
    const std::size_t count = segment[4];
    if (count < 1 || count > 4 || loadBe16(segment + 2) != 6 + 2 * count) return 0;
    const std::size_t headerBytes = 8 + 2 * count;
    if (headerBytes > available) return 0;

    *this = JpegScan{};
    sourcePosition = position;
    components.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = segment + 5 + 2 * i;
        components[i] = {entry[0], entry[1] >> 4, entry[1] & 0x0F};
    }
    spectralStart = segment[5 + 2 * count];
    spectralEnd = segment[6 + 2 * count];
    successiveHigh = segment[7 + 2 * count] >> 4;
    successiveLow = segment[7 + 2 * count] & 0x0F;

    // Copies runs of ordinary bytes at once; each 0xFF decides what follows.
    const std::uint8_t* in = segment + headerBytes;
    const std::uint8_t* end = segment + available;
    data.assign(static_cast<std::size_t>(end - in) + kDataPadding, 0);
    std::size_t copied = 0;
    while (in < end) {
        const void* found = std::memchr(in, 0xFF, static_cast<std::size_t>(end - in));
        const auto* marker = found ? static_cast<const std::uint8_t*>(found) : end;
        std::memcpy(data.data() + copied, in, static_cast<std::size_t>(marker - in));
        copied += static_cast<std::size_t>(marker - in);
        in = marker;
        if (in + 1 >= end) break;
        if (in[1] == 0x00) {
            data[copied++] = 0xFF;
        } else if (isRestartMarker(in[1])) {
            data[copied++] = 0xFF;
            data[copied++] = in[1];
            restartPositions.push_back(copied);
        } else {
            keepData(copied);
            return static_cast<std::size_t>(in - segment);
        }
        in += 2;
    }
    // The input ended inside the data: what was copied is the scan's data.
    keepData(copied);
    return available;
}

void JpegScan::keepData(std::size_t length) {
    dataLength = length;
    data.resize(length + kDataPadding);
    data.shrink_to_fit();
}

std::size_t JpegScan::write(std::uint8_t* out) const {
    const std::size_t count = components.size();
    out[0] = 0xFF;
    out[1] = 0xDA;
    storeBe16(out + 2, static_cast<std::uint32_t>(6 + 2 * count));
    out[4] = static_cast<std::uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[5 + 2 * i] = static_cast<std::uint8_t>(components[i].selector);
        out[6 + 2 * i] =
            static_cast<std::uint8_t>((components[i].dcTable << 4) | components[i].acTable);
    }
    out[5 + 2 * count] = static_cast<std::uint8_t>(spectralStart);
    out[6 + 2 * count] = static_cast<std::uint8_t>(spectralEnd);
    out[7 + 2 * count] = static_cast<std::uint8_t>((successiveHigh << 4) | successiveLow);
    if (dataLength > 0) std::memcpy(out + headerSize(), data.data(), dataLength);
    return size();
}

}  // namespace pictrano
