#pragma once

#include <cstdint>
#include <vector>

#include "imagelib/jpeg/FrameGeometry.h"
#include "imagelib/jpeg/JpegPicture.h"

namespace pictrano {

// The samples of one component for one MCU row: 8 rows per vertical factor, the component's
// blocks across.
struct SampleStrip {
    std::vector<std::int16_t> samples;
    int pitch = 0;
    std::int16_t* row(int y) { return samples.data() + static_cast<std::ptrdiff_t>(y) * pitch; }
    const std::int16_t* row(int y) const { return samples.data() + static_cast<std::ptrdiff_t>(y) * pitch; }
};

// Builds the output rows of DCT pictures from the strips of each MCU row: grey pixels for one
// component (and the grey picture when asked), for three components the samples up-sampled by
// replication and converted from YCbCr or delivered as stored.
class DctPictureWriter {
public:
    DctPictureWriter(const FrameGeometry& geometry, int precision, bool raw, bool fullColour,
                     bool greyPicture, bool topDown, JpegPicture& picture);

    // Strips sized for this frame, one per component.
    std::vector<SampleStrip> makeStrips() const;
    // Writes the picture rows of MCU row `mcuRow` from the strips, every byte of them.
    void writeMcuRow(int mcuRow, const std::vector<SampleStrip>& strips);

private:
    // Component j's samples for picture row y as stored, and up-sampled to the picture's width.
    const std::int16_t* sourceRow(int j, int y, int firstRow, const SampleStrip& strip) const;
    const std::int16_t* componentRow(int j, int y, int firstRow, const SampleStrip& strip);

    const FrameGeometry& geometry_;
    int precision_;
    bool raw_;
    bool fullColour_;
    bool greyPicture_;
    bool topDown_;
    // Converted colour whose Cb and Cr have half the width of Y: converted without up-sampling.
    bool halfChroma_ = false;
    JpegPicture& picture_;
    std::vector<std::vector<std::int16_t>> upsampled_;
    // The strip row each up-sampled row was made from, so the next picture row can reuse it.
    std::vector<const std::int16_t*> lastSource_;
};

}  // namespace pictrano
