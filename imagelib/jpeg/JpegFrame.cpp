#include "imagelib/jpeg/JpegFrame.h"

#include <algorithm>

#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

constexpr std::size_t kHeaderBytes = 10;

bool isFrameMarker(std::uint8_t code) {
    return (code & 0xF0) == 0xC0 && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

bool isSamplingFactor(int factor) { return factor >= 1 && factor <= 4; }

}  // namespace

std::size_t JpegFrame::parse(const std::uint8_t* segment, std::size_t available) {
    if (available < kHeaderBytes || segment[0] != 0xFF || !isFrameMarker(segment[1])) return 0;
    const std::size_t count = segment[9];
    const std::size_t length = loadBe16(segment + 2);
    if (length != 8 + 3 * count || length + 2 > available) return 0;

    *this = JpegFrame{};
    kind = segment[1];
    precision = segment[4];
    lines = loadBe16(segment + 5);
    samplesPerLine = loadBe16(segment + 7);
    components.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = segment + kHeaderBytes + 3 * i;
        FrameComponent& component = components[i];
        component.id = entry[0];
        component.horizontal = entry[1] >> 4;
        component.vertical = entry[1] & 0x0F;
        component.quantTable = entry[2];
        if (!isSamplingFactor(component.horizontal) || !isSamplingFactor(component.vertical)) {
            return 0;
        }
        largestHorizontal = std::max(largestHorizontal, component.horizontal);
        largestVertical = std::max(largestVertical, component.vertical);
        smallestHorizontal = std::min(smallestHorizontal, component.horizontal);
        smallestVertical = std::min(smallestVertical, component.vertical);
    }
    return size();
}

std::size_t JpegFrame::write(std::uint8_t* out) const {
    out[0] = 0xFF;
    out[1] = static_cast<std::uint8_t>(kind);
    storeBe16(out + 2, static_cast<std::uint32_t>(8 + 3 * components.size()));
    out[4] = static_cast<std::uint8_t>(precision);
    storeBe16(out + 5, static_cast<std::uint32_t>(lines));
    storeBe16(out + 7, static_cast<std::uint32_t>(samplesPerLine));
    out[9] = static_cast<std::uint8_t>(components.size());
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::uint8_t* entry = out + kHeaderBytes + 3 * i;
        const FrameComponent& component = components[i];
        entry[0] = static_cast<std::uint8_t>(component.id);
        entry[1] = static_cast<std::uint8_t>((component.horizontal << 4) | component.vertical);
        entry[2] = static_cast<std::uint8_t>(component.quantTable);
    }
    return size();
}

void JpegFrame::recomputeSamplingExtremes() {
    largestHorizontal = largestVertical = 0;
    smallestHorizontal = smallestVertical = 255;
    for (const FrameComponent& component : components) {
        largestHorizontal = std::max(largestHorizontal, component.horizontal);
        largestVertical = std::max(largestVertical, component.vertical);
        smallestHorizontal = std::min(smallestHorizontal, component.horizontal);
        smallestVertical = std::min(smallestVertical, component.vertical);
    }
}

}  // namespace pictrano
