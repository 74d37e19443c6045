#include "imagelib/jpeg/JpegMarkerPayload.h"

#include <cstring>

#include "imagelib/image/ByteOrder.h"

namespace pictrano {

std::size_t JpegMarkerPayload::parsePayload(const std::uint8_t* segment, std::size_t available) {
    if (available < 4) return 0;
    const std::size_t length = loadBe16(segment + 2);
    if (length < 2 || length + 2 > available) return 0;
    payloadLength = length - 2;
    payload.assign(segment + 4, segment + 4 + payloadLength);
    payload.push_back(0);
    return length + 2;
}

std::size_t JpegMarkerPayload::writeSegment(std::uint8_t* out, int markerCode) const {
    out[0] = 0xFF;
    out[1] = static_cast<std::uint8_t>(markerCode);
    storeBe16(out + 2, static_cast<std::uint32_t>(payloadLength + 2));
    if (payloadLength > 0) std::memcpy(out + 4, payload.data(), payloadLength);
    return size();
}

std::size_t JpegAppSegment::parse(const std::uint8_t* segment, std::size_t available) {
    if (available < 2 || segment[0] != 0xFF || (segment[1] & 0xF0) != 0xE0) return 0;
    number = segment[1] & 0x0F;
    return parsePayload(segment, available);
}

std::size_t JpegComment::parse(const std::uint8_t* segment, std::size_t available) {
    if (available < 2 || segment[0] != 0xFF || segment[1] != 0xFE) return 0;
    return parsePayload(segment, available);
}

}  // namespace pictrano
