#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/jpeg/JpegSegmentList.h"

namespace pictrano {

// The payload of an APPn or COM segment, kept as read: a copy of the bytes after the length
// field, followed by one 0 byte.
struct JpegMarkerPayload {
    std::vector<std::uint8_t> payload;
    std::size_t payloadLength = 0;

    // Copies the payload of the segment at `segment`, whose marker the caller has checked.
    // Returns the bytes consumed (length + 2), or 0 when the length is below 2 or runs past the
    // `available` bytes.
    std::size_t parsePayload(const std::uint8_t* segment, std::size_t available);
    // Writes 0xFF, the marker code, the length and the payload; returns the bytes written.
    std::size_t writeSegment(std::uint8_t* out, int markerCode) const;
    std::size_t size() const { return 4 + payloadLength; }
};

// One APPn segment; `number` is n, 0 to 15.
class JpegAppSegment : public JpegMarkerPayload {
public:
    std::size_t parse(const std::uint8_t* segment, std::size_t available);
    std::size_t write(std::uint8_t* out) const { return writeSegment(out, 0xE0 + number); }

    int number = 0;
};

// One COM segment.
class JpegComment : public JpegMarkerPayload {
public:
    std::size_t parse(const std::uint8_t* segment, std::size_t available);
    std::size_t write(std::uint8_t* out) const { return writeSegment(out, 0xFE); }
};

using JpegAppSegmentList = JpegSegmentList<JpegAppSegment>;
using JpegCommentList = JpegSegmentList<JpegComment>;

}  // namespace pictrano
