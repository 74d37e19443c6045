// The JPEG branch of ImageSaver: baseline (processes 192 and 193) or lossless (195) coding.
#include "imagelib/front/ImageSaver.h"
#include "imagelib/jpeg/JpegEncoder.h"

namespace pictrano {
namespace {

constexpr int kProcessBaseline = 192;
constexpr int kProcessExtended = 193;
constexpr int kProcessLossless = 195;

// Sampling factors from the record into the frame's components; a factor 0 counts as 1 and is
// written back as 1.
void applySampling(JpegEncoder& encoder, SaveParams& params) {
    for (int i = 0; i < 4; ++i) {
        if (params.hSampling[i] == 0) params.hSampling[i] = 1;
        if (params.vSampling[i] == 0) params.vSampling[i] = 1;
    }
    std::vector<FrameComponent>& components = encoder.stream().frames.get(0)->components;
    for (std::size_t i = 0; i < components.size() && i < 4; ++i) {
        components[i].horizontal = params.hSampling[i];
        components[i].vertical = params.vSampling[i];
    }
    encoder.recomputeSamplingExtremes();
}

}  // namespace

std::size_t ImageSaver::encodeJpeg(std::vector<std::uint8_t>& file, const DibImage& image,
                                   SaveParams& params) {
    JpegEncoder encoder;
    const bool lossless = params.process == kProcessLossless;
    if (!encoder.setImage(image.pixelBits(), image.width(), image.height(), params.colourModel,
                          !lossless)) {
        errors_.copyFrom(encoder.errors());
        return 0;
    }
    if (params.samplingGiven != 0) applySampling(encoder, params);
    if (params.degree > 0 && !encoder.scaleQuality(params.degree - 1)) {
        errors_.copyFrom(encoder.errors());
        return 0;
    }
    int encoded = 0;
    switch (params.process) {
    case kProcessBaseline:
    case kProcessExtended: encoded = encoder.encodeBaseline(); break;
    case kProcessLossless: encoded = encoder.encodeLossless(params.degree); break;
    default: errors_.set(Msg::ParameterInvalid); return 0;
    }
    if (!encoded) {
        errors_.copyFrom(encoder.errors());
        return 0;
    }
    const std::size_t size = encoder.serialise(&file);
    if (size == 0) errors_.copyFrom(encoder.errors());
    return size;
}

}  // namespace pictrano
