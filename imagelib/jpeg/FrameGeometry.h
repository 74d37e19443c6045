#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/jpeg/JpegFrame.h"
#include "imagelib/jpeg/JpegStream.h"

namespace pictrano {

// Where the units of one component lie: blocks of 8 x 8 samples in DCT frames, single samples
// in lossless ones.
struct ComponentGeometry {
    int horizontal = 1;  // sampling factors (1 in a one-component frame)
    int vertical = 1;
    int unitsAcross = 0;  // the units interleaved scans cover: MCUs across times the factor
    int unitsDown = 0;
    int ownUnitsAcross = 0;  // the units a scan of this component alone covers
    int ownUnitsDown = 0;
    int horizontalRatio = 1;  // largest factor / own factor: the up-sampling by replication
    int verticalRatio = 1;
};

// The layout of a frame by the standard's rules: an MCU holds, for each component, its vertical
// by horizontal factors of units; a one-component frame's MCU is one unit whatever its factors.
struct FrameGeometry {
    int width = 0;
    int height = 0;
    int largestHorizontal = 1;
    int largestVertical = 1;
    int mcusAcross = 0;
    int mcusDown = 0;
    std::vector<ComponentGeometry> components;

    // Units of every component together.
    std::int64_t unitCount() const;
};

// Samples above 8 bits are decoded into 16-bit rows, then narrowed into the picture's 8-bit ones:
// the rows are held three times over.
inline int rowCopiesAt(int precision) { return precision > 8 ? 3 : 1; }

// The geometry of a frame whose units are `unitSize` samples square. Fails with "no frame
// information" when the width or height is 0, with the memory message when the picture exceeds
// the library's limits, and with "unsupported format" when a component's factors do not divide
// the largest ones (up-sampling by replication needs whole ratios).
std::optional<Msg> describeFrame(const JpegFrame& frame, int unitSize, FrameGeometry& geometry);

// The geometry of the first frame of a DCT stream, after the checks the DCT processes share, in
// order: a frame with width and height ("no frame information"), one or three components
// ("invalid component count"), 8 or 12 bits ("unsupported format"), then describeFrame's.
std::optional<Msg> describeDctFrame(const JpegStream& stream, FrameGeometry& geometry);

}  // namespace pictrano
