#include "tests/jpeg/JpegTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "imagelib/image/RowLayout.h"
#include "tests/support/TestData.h"

namespace pictrano::test {

Bytes corpusFile(const std::string& name) { return readBytes(dataPath("jpeg/" + name)); }

Bytes jpegSegment(std::uint8_t code, const Bytes& body) {
    const std::size_t length = body.size() + 2;
    Bytes out = {0xFF, code, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<FileSegment> fileSegments(const Bytes& file) {
    std::vector<FileSegment> segments;
    std::size_t at = 2;
    while (at + 4 <= file.size() && file[at + 1] != 0xD9) {
        const std::uint8_t code = file[at + 1];
        std::size_t end = at + 2 + (file[at + 2] << 8 | file[at + 3]);
        if (code == 0xDA) {
            while (end + 1 < file.size() &&
                   !(file[end] == 0xFF && file[end + 1] != 0 && (file[end + 1] & 0xF8) != 0xD0)) {
                ++end;
            }
        }
        segments.push_back({code, at, std::min(end, file.size())});
        at = end;
    }
    return segments;
}

std::size_t findMarker(const Bytes& file, std::uint8_t code) {
    for (const FileSegment& segment : fileSegments(file)) {
        if (segment.code == code) return segment.start;
    }
    return file.size();
}

Bytes inserted(const Bytes& file, std::size_t at, const Bytes& piece) {
    Bytes out(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at));
    out.insert(out.end(), piece.begin(), piece.end());
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
    return out;
}

Bytes changed(Bytes file, std::size_t at, std::uint8_t value) {
    file[at] = value;
    return file;
}

Bytes withoutRestartMarkers(const Bytes& file, std::size_t from, std::size_t to) {
    Bytes out(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(from));
    for (std::size_t at = from; at < to; ++at) {
        if (at + 1 < to && file[at] == 0xFF && (file[at + 1] & 0xF8) == 0xD0) ++at;
        else out.push_back(file[at]);
    }
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(to), file.end());
    return out;
}

std::vector<std::uint16_t> swappedRedBlue(std::vector<std::uint16_t> samples) {
    for (std::size_t i = 0; i + 2 < samples.size(); i += 3) std::swap(samples[i], samples[i + 2]);
    return samples;
}

void BitWriter::put(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
        pending_ = pending_ << 1 | ((bits >> i) & 1);
        if (++pendingBits_ == 8) {
            bytes_.push_back(static_cast<std::uint8_t>(pending_));
            if (pending_ == 0xFF) bytes_.push_back(0x00);
            pending_ = 0;
            pendingBits_ = 0;
        }
    }
}

void BitWriter::putValue(int value, int category) {
    if (category > 0) put(static_cast<std::uint32_t>(value < 0 ? value + (1 << category) - 1 : value), category);
}

int categoryOf(int value) {
    int bits = 0;
    for (unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value); magnitude != 0; magnitude >>= 1) ++bits;
    return bits;
}

void BitWriter::align() {
    if (pendingBits_ > 0) put((1u << (8 - pendingBits_)) - 1, 8 - pendingBits_);
}

void BitWriter::marker(std::uint8_t code) {
    align();
    bytes_.push_back(0xFF);
    bytes_.push_back(code);
}

Bytes BitWriter::finish() {
    align();
    return bytes_;
}

const Bytes& annexKHuffmanSegments() {
    static const Bytes segments = [] {
        const Bytes file = readBytes(dataPath("jpeg/reference/testorig.jpg"));
        Bytes out;
        for (std::size_t at = findMarker(file, 0xC4); at < file.size() && file[at + 1] == 0xC4;) {
            const std::size_t end = at + 2 + (file[at + 2] << 8 | file[at + 3]);
            out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                       file.begin() + static_cast<std::ptrdiff_t>(end));
            at = end;
        }
        return out;
    }();
    return segments;
}

Bytes annexKDcLuminanceSegment() {
    const Bytes& segments = annexKHuffmanSegments();
    return Bytes(segments.begin(), segments.begin() + 2 + (segments[2] << 8 | segments[3]));
}

AnnexK::AnnexK() {
    const Bytes& segments = annexKHuffmanSegments();
    for (std::size_t at = 0; at < segments.size();) at += tables.parseSegment(segments.data() + at, segments.size() - at, 0, kNoPositionLimit);
}

void AnnexK::code(BitWriter& out, const JpegHuffmanTable& table, int symbol) const {
    ASSERT_GT(table.codeLength[symbol], 0) << symbol;
    out.put(table.code[symbol], table.codeLength[symbol]);
}

void AnnexK::dc(BitWriter& out, int difference, int table) const {
    const int c = categoryOf(difference);
    code(out, *tables.find(0, table), c);
    out.putValue(difference, c);
}

void AnnexK::ac(BitWriter& out, int run, int coefficient, int table) const {
    const int c = categoryOf(coefficient);
    code(out, *tables.find(1, table), run * 16 + c);
    out.putValue(coefficient, c);
}

const AnnexK& annexK() {
    static const AnnexK tables;
    return tables;
}

namespace {

int predictFrom(int predictor, int a, int b, int c) {
    switch (predictor) {
        case 1: return a;
        case 2: return b;
        case 3: return c;
        case 4: return a + b - c;
        case 5: return a + ((b - c) >> 1);
        case 6: return b + ((a - c) >> 1);
        default: return (a + b) >> 1;
    }
}

}  // namespace

std::vector<LosslessPlane> losslessPlanes(int width, int height,
                                          const std::vector<std::pair<int, int>>& factors) {
    int largestH = 1, largestV = 1;
    for (const auto& [h, v] : factors) {
        largestH = std::max(largestH, h);
        largestV = std::max(largestV, v);
    }
    if (factors.size() == 1) largestH = largestV = 1;
    const int across = (width + largestH - 1) / largestH, down = (height + largestV - 1) / largestV;
    std::vector<LosslessPlane> planes;
    for (const auto& [h, v] : factors) {
        LosslessPlane plane;
        plane.horizontal = factors.size() == 1 ? 1 : h;
        plane.vertical = factors.size() == 1 ? 1 : v;
        plane.width = across * plane.horizontal;
        plane.height = down * plane.vertical;
        plane.samples.assign(static_cast<std::size_t>(plane.width * plane.height), 0);
        planes.push_back(plane);
    }
    return planes;
}

Bytes writeLosslessJpeg(int width, int height, const std::vector<LosslessPlane>& planes,
                        const LosslessSettings& settings) {
    // Every category 0 to 16 has a 5-bit code: its own number.
    Bytes table = {0x00, 0, 0, 0, 0, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int category = 0; category <= 16; ++category) table.push_back(static_cast<std::uint8_t>(category));
    Bytes frame = {static_cast<std::uint8_t>(settings.precision),
                   static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                   static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width),
                   static_cast<std::uint8_t>(planes.size())};
    Bytes scan = {static_cast<std::uint8_t>(planes.size())};
    for (std::size_t j = 0; j < planes.size(); ++j) {
        frame.insert(frame.end(), {static_cast<std::uint8_t>(j + 1),
                                   static_cast<std::uint8_t>(planes[j].horizontal << 4 | planes[j].vertical), 0});
        scan.insert(scan.end(), {static_cast<std::uint8_t>(j + 1), 0x00});
    }
    scan.insert(scan.end(), {static_cast<std::uint8_t>(settings.predictor), 0,
                             static_cast<std::uint8_t>(settings.pointTransform)});

    const int bits = settings.precision - settings.pointTransform;
    const int mcusAcross = planes[0].width / planes[0].horizontal;
    const int mcusDown = planes[0].height / planes[0].vertical;
    BitWriter data;
    int firstRow = 0, mcu = 0, restarts = 0;
    for (int row = 0; row < mcusDown; ++row) {
        for (int column = 0; column < mcusAcross; ++column, ++mcu) {
            if (settings.restartInterval > 0 && mcu > 0 && mcu % settings.restartInterval == 0) {
                data.marker(static_cast<std::uint8_t>(0xD0 + restarts++ % 8));
                firstRow = row;
            }
            for (const LosslessPlane& plane : planes) {
                auto sample = [&](int y, int x) {
                    return plane.samples[static_cast<std::size_t>(y * plane.width + x)] >> settings.pointTransform;
                };
                for (int v = 0; v < plane.vertical; ++v) {
                    for (int h = 0; h < plane.horizontal; ++h) {
                        const int y = row * plane.vertical + v, x = column * plane.horizontal + h;
                        int prediction;
                        if (y == firstRow * plane.vertical) {
                            prediction = x == 0 ? 1 << (bits - 1) : sample(y, x - 1);
                        } else if (x == 0) {
                            prediction = sample(y - 1, x);
                        } else {
                            prediction = predictFrom(settings.predictor, sample(y, x - 1), sample(y - 1, x),
                                                     sample(y - 1, x - 1));
                        }
                        int difference = (sample(y, x) - prediction) & 0xFFFF;
                        if (difference >= 32768) difference -= 65536;
                        if (difference == -32768) difference = 32768;
                        const int category = difference == 32768 ? 16 : categoryOf(difference);
                        data.put(static_cast<std::uint32_t>(category), 5);
                        if (category < 16) data.putValue(difference, category);
                    }
                }
            }
        }
    }
    Bytes file = {0xFF, 0xD8};
    for (const Bytes& piece : {jpegSegment(0xC3, frame), jpegSegment(0xC4, table)}) {
        file.insert(file.end(), piece.begin(), piece.end());
    }
    if (settings.restartInterval > 0) {
        const Bytes dri = jpegSegment(0xDD, {static_cast<std::uint8_t>(settings.restartInterval >> 8),
                                             static_cast<std::uint8_t>(settings.restartInterval)});
        file.insert(file.end(), dri.begin(), dri.end());
    }
    const Bytes sos = jpegSegment(0xDA, scan);
    file.insert(file.end(), sos.begin(), sos.end());
    const Bytes coded = data.finish();
    file.insert(file.end(), coded.begin(), coded.end());
    file.insert(file.end(), {0xFF, 0xD9});
    return file;
}

DecodeResult decode(JpegDecoder& decoder, const Bytes& file) {
    DecodeResult result;
    result.status = decoder.read(file.data(), file.size());
    result.message = decoder.errors().utf8();
    return result;
}

std::vector<std::uint16_t> pictureSamples(const JpegDecoder& decoder) {
    const int width = decoder.width(), height = decoder.height();
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    std::vector<std::uint16_t> out;
    out.reserve(static_cast<std::size_t>(3 * width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 3 * width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x);
            if (decoder.precision() > 8) {
                out.push_back(static_cast<const std::uint16_t*>(decoder.pixels())[at]);
            } else {
                out.push_back(static_cast<const std::uint8_t*>(decoder.pixels())[at]);
            }
        }
    }
    return out;
}

}  // namespace pictrano::test
