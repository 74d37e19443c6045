#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/jpeg/JpegSegmentList.h"

namespace pictrano {

// One component of a scan: selector Cs, DC (or lossless) table Td, AC table Ta.
struct ScanComponent {
    int selector = 0;
    int dcTable = 0;
    int acTable = 0;
};

// One SOS segment with its entropy-coded data.
class JpegScan {
public:
    // Zero bytes kept after the data, so that a decoder may load eight bytes at any position up
    // to a few bytes past the end of the data.
    static constexpr std::size_t kDataPadding = 32;

    // Parses the header at `segment` (its 0xFF, `sourcePosition` bytes into the input) and copies
    // the entropy-coded data that follows, up to the next marker that is not RSTn, out of the
    // `available` bytes. Byte stuffing is removed; restart markers stay in the data as their two
    // bytes, and the position after each is recorded. Returns the bytes consumed up to that next
    // marker (or the end of the input), or 0 when the header is not an SOS header with 1 to 4
    // components whose declared length matches.
    std::size_t parse(const std::uint8_t* segment, std::size_t available,
                      std::size_t sourcePosition);
    // Writes the header and then dataLength bytes of data verbatim: data stored for writing is
    // byte-stuffed, with its restart markers in place.
    std::size_t write(std::uint8_t* out) const;
    std::size_t size() const { return headerSize() + dataLength; }

    std::size_t headerSize() const { return 8 + 2 * components.size(); }

    std::size_t sourcePosition = 0;
    // Entry k: the position in the data just after the (k+1)-th restart marker.
    std::vector<std::size_t> restartPositions;
    int successiveLow = 0;    // Al
    int successiveHigh = 0;   // Ah
    int spectralEnd = 0;      // Se
    int spectralStart = 0;    // Ss (the predictor of a lossless scan)
    std::vector<ScanComponent> components;
    // The data; a parse leaves kDataPadding zero bytes after dataLength.
    std::vector<std::uint8_t> data;
    std::size_t dataLength = 0;
};

using JpegScanList = JpegSegmentList<JpegScan>;

}  // namespace pictrano
