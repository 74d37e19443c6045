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

    // The data runs to the first marker that is not RSTn, or to the end of the input.
    const std::uint8_t* in = segment + headerBytes;
    const std::uint8_t* end = segment + available;
    const std::uint8_t* stop = in;
    while (stop < end) {
        const void* found = std::memchr(stop, 0xFF, static_cast<std::size_t>(end - stop));
        if (found == nullptr || static_cast<const std::uint8_t*>(found) + 1 >= end) {
            stop = end;
            break;
        }
        stop = static_cast<const std::uint8_t*>(found);
        if (stop[1] != 0x00 && !isRestartMarker(stop[1])) break;
        stop += 2;
    }

    // Copies runs of ordinary bytes at once; each 0xFF decides what follows. The data grows
    // within the room reserved, so no byte is cleared before it is written.
    data.reserve(static_cast<std::size_t>(stop - in) + kDataPadding);
    while (in < stop) {
        const void* found = std::memchr(in, 0xFF, static_cast<std::size_t>(stop - in));
        const auto* marker = found ? static_cast<const std::uint8_t*>(found) : stop;
        data.insert(data.end(), in, marker);
        if (marker + 1 >= stop) break;  // a lone 0xFF at the very end of the input is dropped
        data.push_back(0xFF);
        if (isRestartMarker(marker[1])) {
            data.push_back(marker[1]);
            restartPositions.push_back(data.size());
        }
        in = marker + 2;
    }
    dataLength = data.size();
    data.resize(dataLength + kDataPadding, 0);
    return stop < end ? static_cast<std::size_t>(stop - segment) : available;
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
