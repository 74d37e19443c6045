#include "imagelib/jpeg/JpegDecoder.h"

#include <memory>
#include <new>
#include <string>

#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

enum : std::uint8_t {
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kDqt = 0xDB,
    kDnl = 0xDC,
    kDri = 0xDD,
    kDht = 0xC4,
    kJpg = 0xC8,
    kDac = 0xCC,
    kCom = 0xFE,
};

bool isFrameCode(std::uint8_t code) {
    return (code & 0xF0) == 0xC0 && code != kDht && code != kJpg && code != kDac;
}

// The four-byte DRI and DNL segments: length 4 and a 16-bit value; -1 when malformed.
int shortSegmentValue(const std::uint8_t* segment, std::size_t available) {
    if (available < 6 || segment[2] != 0x00 || segment[3] != 0x04) return -1;
    return loadBe16(segment + 4);
}

}  // namespace

const void* JpegDecoder::pixels() const {
    if (picture_.precision > 8) return picture_.widePixels.empty() ? nullptr : picture_.widePixels.data();
    return picture_.pixels.empty() ? nullptr : picture_.pixels.data();
}

int JpegDecoder::fail(Msg id) {
    errors_.set(id);
    return 0;
}

int JpegDecoder::failUnsupportedTag(std::uint8_t code) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const char hex[3] = {kDigits[code >> 4], kDigits[code & 0x0F], 0};
    std::string narrow = shiftJisText(Msg::UnsupportedTag);
    std::u16string wide = utf16Text(Msg::UnsupportedTag);
    narrow.replace(narrow.find("%02x"), 4, hex);
    wide.replace(wide.find(u"%02x"), 4, std::u16string(hex, hex + 2));
    errors_.setText(narrow.c_str(), wide.c_str());
    return 0;
}

void JpegDecoder::reset() {
    picture_ = JpegPicture{};
    coefficients_.clear();
    stream_.clear();
    restartInterval_ = 0;
}

int JpegDecoder::read(const std::uint8_t* data, std::size_t length) {
    reset();
    try {
        return readFile(data, length);
    } catch (const std::bad_alloc&) {
        picture_.releasePictures();
        return fail(Msg::OutOfMemory);
    }
}

int JpegDecoder::readFile(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr) length = 0;
    if (!walk(data, length)) return 0;
    const JpegFrame* frame = stream_.frames.get(0);
    if (frame == nullptr) return fail(Msg::NoFrameData2);
    JpegDecodeJob job{stream_, OutputFlags, ColourMode, restartInterval_, picture_, errors_};
    int decoded = 0;
    switch (frame->kind) {
        case 0xC0:
        case 0xC1: decoded = decodeSequential(job); break;
        case 0xC2: decoded = decodeProgressive(job, coefficients_); break;
        case 0xC3: decoded = decodeLossless(job); break;
        default: return fail(Msg::UnsupportedProcess);
    }
    // A failed decode leaves no half-made picture behind.
    if (decoded == 0) picture_.releasePictures();
    return decoded;
}

int JpegDecoder::walk(const std::uint8_t* data, std::size_t length) {
    std::size_t at = 0;
    while (at < length) {
        if (data[at] != 0xFF) return fail(Msg::NoTag);
        if (at + 1 >= length) break;  // the data ends: as at EOI
        const std::uint8_t code = data[at + 1];
        const std::uint8_t* segment = data + at;
        const std::size_t available = length - at;
        std::size_t consumed = 0;
        if (code == kSoi) {
            consumed = 2;
        } else if (code == kEoi) {
            break;
        } else if (isFrameCode(code)) {
            auto frame = std::make_unique<JpegFrame>();
            frame->kind = code;
            consumed = frame->parse(segment, available);
            if (consumed == 0) return fail(Msg::FrameParseFailed);
            stream_.frames.append(std::move(frame));
        } else if (code == kDht) {
            const JpegScan* lastScan = stream_.scans.get(stream_.scans.count() - 1);
            const std::size_t unscannedFrom = lastScan ? lastScan->sourcePosition + 1 : 0;
            consumed = stream_.huffmanTables.parseSegment(segment, available, at, unscannedFrom);
            if (consumed == 0) return fail(Msg::HuffmanTableParseFailed);
        } else if (code == kDqt) {
            consumed = stream_.quantTables.parseSegment(segment, available, at);
            if (consumed == 0) return fail(Msg::QuantTableParseFailed);
        } else if (code == kSos) {
            auto scan = std::make_unique<JpegScan>();
            consumed = scan->parse(segment, available, at);
            if (consumed == 0) return fail(Msg::ScanParseFailed);
            stream_.scans.append(std::move(scan));
        } else if (code == kDri || code == kDnl) {
            const int value = shortSegmentValue(segment, available);
            if (value < 0) return fail(Msg::RestartIntervalLengthInvalid);
            if (code == kDri) restartInterval_ = value;
            for (std::size_t i = 0; code == kDnl && i < stream_.frames.count(); ++i) {
                if (stream_.frames.get(i)->lines == 0) stream_.frames.get(i)->lines = value;
            }
            consumed = 6;
        } else if ((code & 0xF0) == 0xE0) {
            auto app = std::make_unique<JpegAppSegment>();
            consumed = app->parse(segment, available);
            if (consumed == 0) return fail(Msg::AppSegmentParseFailed);
            stream_.appSegments.append(std::move(app));
        } else if (code == kCom) {
            auto comment = std::make_unique<JpegComment>();
            consumed = comment->parse(segment, available);
            if (consumed == 0) return fail(Msg::CommentParseFailed);
            stream_.comments.append(std::move(comment));
        } else if (code == kDac) {
            // Arithmetic-coding conditioning: only arithmetic-coded files carry it.
            return fail(Msg::UnsupportedProcess);
        } else {
            return failUnsupportedTag(code);
        }
        at += consumed;
    }
    if (stream_.frames.count() == 0) return fail(Msg::NoFrameData2);
    return 1;
}

}  // namespace pictrano
