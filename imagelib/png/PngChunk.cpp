#include "imagelib/png/PngChunk.h"

#include <algorithm>
#include <cstring>

#include "imagelib/image/ByteOrder.h"
#include "imagelib/png/Crc32.h"

namespace pictrano {
namespace {

constexpr std::size_t kLengthBytes = 4;
constexpr std::size_t kTypeBytes = 4;
constexpr std::size_t kCrcBytes = 4;
constexpr std::size_t kFraming = kLengthBytes + kTypeBytes + kCrcBytes;

}  // namespace

void PngChunk::own(const std::uint8_t* from, std::size_t present) {
    owned_.assign(kTypeBytes + length_ + kCrcBytes, 0);
    std::memcpy(owned_.data(), from, present);
    bytes_ = owned_.data();
}

std::size_t PngChunk::parse(const std::uint8_t* bytes, std::size_t available) {
    const std::size_t present = available - kLengthBytes - kTypeBytes;
    const std::size_t stated = loadBe32(bytes);
    length_ = std::min(stated, present);
    if (present >= length_ + kCrcBytes) {
        owned_ = {};
        bytes_ = bytes + kLengthBytes;
        return length_ + kFraming;
    }
    // Cut short: what is present is kept, missing bytes of the CRC read as zero.
    own(bytes + kLengthBytes, kTypeBytes + present);
    return available;
}

std::size_t PngChunk::build(const char* type, const std::uint8_t* data, std::size_t length) {
    length_ = length;
    owned_.assign(kTypeBytes + length + kCrcBytes, 0);
    bytes_ = owned_.data();
    std::memcpy(owned_.data(), type, kTypeBytes);
    if (length > 0) std::memcpy(owned_.data() + kTypeBytes, data, length);
    storeBe32(owned_.data() + kTypeBytes + length, crc32(owned_.data(), kTypeBytes + length));
    return length + kTypeBytes + kCrcBytes;
}

std::size_t PngChunk::buildHeader(std::uint32_t width, std::uint32_t height, int bitDepth,
                                  int colourType) {
    std::uint8_t data[13] = {};
    storeBe32(data, width);
    storeBe32(data + 4, height);
    data[8] = static_cast<std::uint8_t>(bitDepth);
    data[9] = static_cast<std::uint8_t>(colourType);
    return build("IHDR", data, sizeof data);
}

std::size_t PngChunk::buildEnd() { return build("IEND", nullptr, 0); }

std::size_t PngChunk::serialise(std::uint8_t* out) const {
    storeBe32(out, static_cast<std::uint32_t>(length_));
    std::memcpy(out + kLengthBytes, bytes_, kTypeBytes + length_ + kCrcBytes);
    return length_ + kFraming;
}

bool PngChunk::hasType(const char* type) const {
    return bytes_ != nullptr && std::memcmp(bytes_, type, kTypeBytes) == 0;
}

std::uint32_t PngChunk::storedCrc() const { return loadBe32(bytes_ + kTypeBytes + length_); }

std::size_t PngChunkList::split(const std::uint8_t* bytes, std::size_t length) {
    std::size_t appended = 0;
    for (std::size_t offset = 0; length - offset >= kLengthBytes + kTypeBytes; ++appended) {
        PngChunk chunk;
        offset += chunk.parse(bytes + offset, length - offset);
        append(std::move(chunk));
    }
    return appended;
}

const PngChunk* PngChunkList::find(const char* type, std::size_t n) const {
    for (const PngChunk& chunk : chunks_) {
        if (chunk.hasType(type) && n-- == 0) return &chunk;
    }
    return nullptr;
}

std::size_t PngChunkList::dataLength(const char* type) const {
    std::size_t total = 0;
    for (const PngChunk& chunk : chunks_) {
        if (chunk.hasType(type)) total += chunk.length();
    }
    return total;
}

std::vector<ByteSpan> PngChunkList::dataSpans(const char* type) const {
    std::vector<ByteSpan> spans;
    for (const PngChunk& chunk : chunks_) {
        if (chunk.hasType(type) && chunk.length() > 0) spans.push_back({chunk.data(), chunk.length()});
    }
    return spans;
}

std::size_t PngChunkList::serialisedSize() const {
    std::size_t total = 0;
    for (const PngChunk& chunk : chunks_) total += chunk.length() + kFraming;
    return total;
}

std::size_t PngChunkList::serialise(std::uint8_t* out) const {
    std::size_t written = 0;
    for (const PngChunk& chunk : chunks_) written += chunk.serialise(out + written);
    return written;
}

}  // namespace pictrano
