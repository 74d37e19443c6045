#include <algorithm>
#include <optional>

#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/FrameGeometry.h"
#include "imagelib/jpeg/HuffmanDecoding.h"
#include "imagelib/jpeg/JpegDecoding.h"

namespace pictrano {
namespace {

// One component's reconstructed samples, at the precision reduced by the point transform.
struct SamplePlane {
    std::vector<std::uint16_t> samples;
    int width = 0;
    int at(int row, int column) const {
        return samples[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(column)];
    }
};

// The seven predictors from the left (a), upper (b) and upper-left (c) neighbours.
int predict(int selection, int a, int b, int c) {
    switch (selection) {
        case 1: return a;
        case 2: return b;
        case 3: return c;
        case 4: return a + b - c;
        case 5: return a + ((b - c) >> 1);
        case 6: return b + ((a - c) >> 1);
        default: return (a + b) >> 1;
    }
}

struct LosslessSetup {
    FrameGeometry geometry;
    std::vector<const JpegHuffmanTable*> tables;
    int precision = 0;
    int pointTransform = 0;
    int predictor = 0;
};

std::optional<Msg> prepare(const JpegDecodeJob& job, LosslessSetup& setup) {
    const JpegFrame* frame = job.stream.frames.get(0);
    if (frame == nullptr) return Msg::NoFrameInfo;
    if (auto failure = describeFrame(*frame, 1, setup.geometry)) return failure;
    const JpegScan* scan = job.stream.scans.get(0);
    if (scan == nullptr) return Msg::NoScanData;
    // Components spread over several scans are not decoded.
    if (scan->components.size() < frame->components.size()) return Msg::UnsupportedProcess;
    if (job.stream.huffmanTables.count() == 0) return Msg::NoSuitableHuffmanTable;
    for (std::size_t j = 0; j < frame->components.size(); ++j) {
        setup.tables.push_back(job.stream.huffmanTables.find(0, scan->components[j].dcTable));
        if (setup.tables.back() == nullptr) return Msg::NoSuitableHuffmanTable;
    }
    setup.precision = frame->precision;
    setup.pointTransform = scan->successiveLow;
    setup.predictor = scan->spectralStart;
    if (setup.predictor < 1 || setup.predictor > 7) return Msg::NoPredictor;
    if (setup.precision < 2 || setup.precision > 16 || setup.pointTransform >= setup.precision) {
        return Msg::UnsupportedProcess;
    }
    // Each restart interval starts a row of MCUs, as ITU-T T.81 requires of lossless files.
    if (job.restartInterval % setup.geometry.mcusAcross != 0) return Msg::UnsupportedProcess;
    return std::nullopt;
}

// Decodes every sample of the first scan into the planes.
std::optional<Msg> decodeSamples(const JpegDecodeJob& job, const LosslessSetup& setup,
                                 std::vector<SamplePlane>& planes) {
    const FrameGeometry& geometry = setup.geometry;
    const JpegScan& scan = *job.stream.scans.get(0);
    const int bits = setup.precision - setup.pointTransform;
    const int mask = (1 << bits) - 1;
    const int initial = 1 << (bits - 1);
    ScanBits stream(scan);
    int firstRowOfInterval = 0;
    int mcu = 0;
    for (int row = 0; row < geometry.mcusDown; ++row) {
        for (int column = 0; column < geometry.mcusAcross; ++column, ++mcu) {
            const Restart restart = restartBefore(mcu, job.restartInterval, scan, stream);
            if (restart == Restart::MarkerMissing) return Msg::NoScanData;
            if (restart == Restart::Done) firstRowOfInterval = row;
            for (std::size_t j = 0; j < planes.size(); ++j) {
                const ComponentGeometry& component = geometry.components[j];
                SamplePlane& plane = planes[j];
                for (int v = 0; v < component.vertical; ++v) {
                    const int y = row * component.vertical + v;
                    const bool firstLine = y == firstRowOfInterval * component.vertical;
                    for (int h = 0; h < component.horizontal; ++h) {
                        const int x = column * component.horizontal + h;
                        int difference = 0;
                        if (!decodeDifference(stream, *setup.tables[j], difference)) {
                            return Msg::NoMatchingDcCode;
                        }
                        int prediction;
                        if (firstLine) {
                            prediction = x == 0 ? initial : plane.at(y, x - 1);
                        } else if (x == 0) {
                            prediction = plane.at(y - 1, x);
                        } else {
                            prediction = predict(setup.predictor, plane.at(y, x - 1),
                                                 plane.at(y - 1, x), plane.at(y - 1, x - 1));
                        }
                        plane.samples[static_cast<std::size_t>(y) * static_cast<std::size_t>(plane.width) + static_cast<std::size_t>(x)] =
                            static_cast<std::uint16_t>((prediction + difference) & mask);
                    }
                }
            }
        }
    }
    return std::nullopt;
}

// YCbCr to RGB in single precision, truncated toward zero and clamped to the sample range.
int convertedSample(float value, int maximum) {
    const int truncated = static_cast<int>(std::clamp(value, -1.0f, static_cast<float>(maximum) + 1.0f));
    return std::clamp(truncated, 0, maximum);
}

// The grey picture's byte for a sample: its top 8 bits, or below 8 bits the sample widened to
// 0..255 as the full-colour picture is when it is loaded.
std::uint8_t greyByte(int sample, int precision) {
    if (precision >= 8) return static_cast<std::uint8_t>(sample >> (precision - 8));
    return static_cast<std::uint8_t>(sample * 255 / ((1 << precision) - 1));
}

void buildOutput(const JpegDecodeJob& job, const LosslessSetup& setup,
                 const std::vector<SamplePlane>& planes) {
    const FrameGeometry& geometry = setup.geometry;
    JpegPicture& picture = job.picture;
    const int width = geometry.width;
    const int precision = setup.precision;
    const int shift = setup.pointTransform;
    const int maximum = (1 << precision) - 1;
    const bool wide = precision > 8;
    const bool topDown = topDownRows(job.outputFlags);
    const bool raw = rawLosslessColour(job.colourMode);
    const auto pixelStride = static_cast<std::size_t>(pixelRowStride(width));
    const auto greyStride = static_cast<std::size_t>(indexRowStride(width));
    const float half = static_cast<float>(1 << (precision - 1));
    for (int y = 0; y < geometry.height; ++y) {
        const auto stored = static_cast<std::size_t>(storedRow(y, geometry.height, topDown));
        for (int x = 0; x < width; ++x) {
            int value[3] = {0, 0, 0};
            for (std::size_t j = 0; j < planes.size(); ++j) {
                const ComponentGeometry& component = geometry.components[j];
                value[j] = planes[j].at(y / component.verticalRatio, x / component.horizontalRatio) << shift;
            }
            int blue = value[0], green = value[0], red = value[0];
            if (planes.size() == 3 && raw) {
                blue = value[2];
                green = value[1];
            } else if (planes.size() == 3) {
                const float luma = static_cast<float>(value[0]);
                const float cb = static_cast<float>(value[1]) - half;
                const float cr = static_cast<float>(value[2]) - half;
                blue = convertedSample(luma + 1.772f * cb, maximum);
                green = convertedSample(luma - 0.34414f * cb - 0.71414f * cr, maximum);
                red = convertedSample(luma + 1.402f * cr, maximum);
            }
            const std::size_t at = stored * pixelStride + 3 * static_cast<std::size_t>(x);
            if (wide) {
                picture.widePixels[at] = static_cast<std::uint16_t>(blue);
                picture.widePixels[at + 1] = static_cast<std::uint16_t>(green);
                picture.widePixels[at + 2] = static_cast<std::uint16_t>(red);
            } else {
                picture.pixels[at] = static_cast<std::uint8_t>(blue);
                picture.pixels[at + 1] = static_cast<std::uint8_t>(green);
                picture.pixels[at + 2] = static_cast<std::uint8_t>(red);
            }
            if (!picture.grey.empty()) {
                picture.grey[stored * greyStride + static_cast<std::size_t>(x)] = greyByte(value[0], precision);
            }
        }
    }
}

}  // namespace

int decodeLossless(const JpegDecodeJob& job) {
    LosslessSetup setup;
    if (auto failure = prepare(job, setup)) {
        job.errors.set(*failure);
        return 0;
    }
    // The planes of 16-bit samples are held beside the picture.
    const bool grey = setup.tables.size() == 1 && (job.outputFlags & kOutputGrey) != 0;
    if (!pictureFitsLimits(setup.geometry.width, setup.geometry.height, grey,
                           rowCopiesAt(setup.precision), 2 * setup.geometry.unitCount())) {
        job.errors.set(Msg::OutOfMemory);
        return 0;
    }
    std::vector<SamplePlane> planes(setup.tables.size());
    for (std::size_t j = 0; j < planes.size(); ++j) {
        const ComponentGeometry& component = setup.geometry.components[j];
        planes[j].width = component.unitsAcross;
        planes[j].samples.assign(static_cast<std::size_t>(component.unitsAcross) * static_cast<std::size_t>(component.unitsDown), 0);
    }
    if (auto failure = decodeSamples(job, setup, planes)) {
        job.errors.set(*failure);
        return 0;
    }
    if (planes.size() != 1 && planes.size() != 3) {
        job.errors.set(Msg::ComponentCountInvalidLossless);
        return 0;
    }
    job.picture.allocate(setup.geometry.width, setup.geometry.height, setup.precision, true, grey);
    buildOutput(job, setup, planes);
    return 1;
}

}  // namespace pictrano
