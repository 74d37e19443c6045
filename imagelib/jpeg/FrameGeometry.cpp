#include "imagelib/jpeg/FrameGeometry.h"

#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

int ceilDivide(std::int64_t value, std::int64_t divisor) {
    return static_cast<int>((value + divisor - 1) / divisor);
}

}  // namespace

std::int64_t FrameGeometry::unitCount() const {
    std::int64_t count = 0;
    for (const ComponentGeometry& component : components) {
        count += std::int64_t{component.unitsAcross} * component.unitsDown;
    }
    return count;
}

std::optional<Msg> describeFrame(const JpegFrame& frame, int unitSize, FrameGeometry& geometry) {
    geometry = FrameGeometry{};
    geometry.width = frame.samplesPerLine;
    geometry.height = frame.lines;
    if (geometry.width <= 0 || geometry.height <= 0) return Msg::NoFrameInfo;
    if (!pictureFitsLimits(geometry.width, geometry.height, false, rowCopiesAt(frame.precision))) {
        return Msg::OutOfMemory;
    }

    const bool single = frame.components.size() == 1;
    for (const FrameComponent& component : frame.components) {
        if (single) break;
        if (frame.largestHorizontal % component.horizontal != 0 ||
            frame.largestVertical % component.vertical != 0) {
            return Msg::UnsupportedProcess;
        }
    }
    geometry.largestHorizontal = single ? 1 : frame.largestHorizontal;
    geometry.largestVertical = single ? 1 : frame.largestVertical;
    geometry.mcusAcross = ceilDivide(geometry.width, std::int64_t{unitSize} * geometry.largestHorizontal);
    geometry.mcusDown = ceilDivide(geometry.height, std::int64_t{unitSize} * geometry.largestVertical);
    for (const FrameComponent& component : frame.components) {
        ComponentGeometry& out = geometry.components.emplace_back();
        out.horizontal = single ? 1 : component.horizontal;
        out.vertical = single ? 1 : component.vertical;
        out.unitsAcross = geometry.mcusAcross * out.horizontal;
        out.unitsDown = geometry.mcusDown * out.vertical;
        out.horizontalRatio = geometry.largestHorizontal / out.horizontal;
        out.verticalRatio = geometry.largestVertical / out.vertical;
        out.ownUnitsAcross = ceilDivide(ceilDivide(geometry.width, out.horizontalRatio), unitSize);
        out.ownUnitsDown = ceilDivide(ceilDivide(geometry.height, out.verticalRatio), unitSize);
    }
    return std::nullopt;
}

std::optional<Msg> describeDctFrame(const JpegStream& stream, FrameGeometry& geometry) {
    const JpegFrame* frame = stream.frames.get(0);
    if (frame == nullptr || frame->samplesPerLine <= 0 || frame->lines <= 0) return Msg::NoFrameInfo;
    const std::size_t count = frame->components.size();
    if (count != 1 && count != 3) return Msg::ComponentCountInvalid;
    if (frame->precision != 8 && frame->precision != 12) return Msg::UnsupportedProcess;
    return describeFrame(*frame, 8, geometry);
}

}  // namespace pictrano
