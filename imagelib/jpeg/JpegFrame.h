#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/jpeg/JpegSegmentList.h"

namespace pictrano {

// One component of a frame: identifier Ci, sampling factors H and V, quantisation table Tq.
struct FrameComponent {
    int id = 0;
    int horizontal = 1;
    int vertical = 1;
    int quantTable = 0;
};

// One SOFn segment.
class JpegFrame {
public:
    // Parses the segment starting at its 0xFF; `available` bytes may be read from there. Returns
    // the bytes consumed, or 0 when the marker is not a frame marker, the declared length is not
    // 8 + 3 * Nf or runs past the data, or a sampling factor lies outside 1 to 4.
    std::size_t parse(const std::uint8_t* segment, std::size_t available);
    std::size_t write(std::uint8_t* out) const;
    std::size_t size() const { return 10 + 3 * components.size(); }

    // Sets the four extremes from the components' factors.
    void recomputeSamplingExtremes();

    int smallestVertical = 4;
    int smallestHorizontal = 4;
    int largestVertical = 1;
    int largestHorizontal = 1;
    std::vector<FrameComponent> components;
    int samplesPerLine = 0;  // X
    int lines = 0;           // Y; 0 until a DNL segment gives it
    int precision = 0;       // P, bits per sample
    int kind = 0;            // the marker code, 0xC0 to 0xCF
};

using JpegFrameList = JpegSegmentList<JpegFrame>;

}  // namespace pictrano
