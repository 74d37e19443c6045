#include "imagelib/jpeg/JpegStream.h"

namespace pictrano {
namespace {

bool scanUsesTable(const JpegScanList& scans, const JpegHuffmanTable& table) {
    for (std::size_t i = 0; i < scans.count(); ++i) {
        for (const ScanComponent& component : scans.get(i)->components) {
            if ((table.tableClass == 0 && component.dcTable == table.identifier) ||
                (table.tableClass == 1 && component.acTable == table.identifier)) {
                return true;
            }
        }
    }
    return false;
}

bool frameUsesTable(const JpegFrameList& frames, const JpegQuantTable& table) {
    for (std::size_t i = 0; i < frames.count(); ++i) {
        for (const FrameComponent& component : frames.get(i)->components) {
            if (component.quantTable == table.identifier) return true;
        }
    }
    return false;
}

std::size_t writeMarker(std::uint8_t* out, std::uint8_t code) {
    out[0] = 0xFF;
    out[1] = code;
    return 2;
}

}  // namespace

void JpegStream::clear() {
    scans.clear();
    huffmanTables.clear();
    frames.clear();
    quantTables.clear();
    appSegments.clear();
    comments.clear();
}

std::size_t JpegStream::write(std::uint8_t* out) const {
    std::size_t written = writeMarker(out, 0xD8);
    written += appSegments.write(out + written);
    written += huffmanTables.write(out + written);
    written += quantTables.write(out + written);
    written += comments.write(out + written);
    written += frames.write(out + written);
    written += scans.write(out + written);
    return written + writeMarker(out + written, 0xD9);
}

std::size_t JpegStream::size() const {
    return 4 + appSegments.size() + huffmanTables.size() + quantTables.size() + comments.size() +
           frames.size() + scans.size();
}

void JpegStream::pruneUnreferencedTables() {
    for (std::size_t i = huffmanTables.count(); i-- > 0;) {
        if (!scanUsesTable(scans, *huffmanTables.get(i))) huffmanTables.remove(i);
    }
    for (std::size_t i = quantTables.count(); i-- > 0;) {
        if (!frameUsesTable(frames, *quantTables.get(i))) quantTables.remove(i);
    }
}

}  // namespace pictrano
