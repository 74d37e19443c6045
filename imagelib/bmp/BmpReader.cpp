#include "imagelib/bmp/BmpReader.h"

#include <cstring>
#include <new>

#include "imagelib/bmp/BmpBitFieldDecoder.h"
#include "imagelib/bmp/BmpRleDecoder.h"
#include "imagelib/bmp/BmpUncompressedDecoder.h"
#include "imagelib/image/BitmapInfoHeader.h"
#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

// The info header starts with its own size.
constexpr std::size_t kHeaderSizeAt = kBitmapFileHeaderBytes;
constexpr std::size_t kSmallestFile = kHeaderSizeAt + 4;
// Offsets inside the info header.
constexpr std::size_t kWidthAt = 4;
constexpr std::size_t kHeightAt = 8;
constexpr std::size_t kBitCountAt = 14;
constexpr std::size_t kCompressionAt = 16;
constexpr std::size_t kColorsUsedAt = 32;

enum Compression : std::uint32_t { kNone = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

bool isAcceptedHeaderSize(std::uint32_t size) { return size == 40 || size == 108 || size == 124; }

BmpSource describe(const std::uint8_t* file, std::size_t length, const std::uint8_t* header) {
    BmpSource source;
    source.file = file;
    source.length = length;
    source.infoHeader = header;
    source.headerSize = loadLe32(header);
    source.width = static_cast<std::int32_t>(loadLe32(header + kWidthAt));
    source.height = static_cast<std::int32_t>(loadLe32(header + kHeightAt));
    source.bitCount = loadLe16(header + kBitCountAt);
    source.colorsUsed = loadLe32(header + kColorsUsedAt);
    source.bitsOffset = loadLe32(file + kBitsOffsetAt);
    return source;
}

}  // namespace

int BmpReader::fail(Msg id) {
    release();
    errors_.set(id);
    return 0;
}

void BmpReader::release() {
    indexPlane_.clear();
    palette_ = {};
    pixels_.clear();
    infoHeader_ = {};
    paletteCount_ = 0;
}

int BmpReader::width() const {
    return static_cast<std::int32_t>(loadLe32(infoHeader_.data() + kWidthAt));
}

int BmpReader::height() const {
    return static_cast<std::int32_t>(loadLe32(infoHeader_.data() + kHeightAt));
}

int BmpReader::read(const std::uint8_t* file, std::size_t length) {
    release();
    try {
        return readFile(file, length);
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
}

int BmpReader::readFile(const std::uint8_t* file, std::size_t length) {
    if (file == nullptr) return fail(Msg::ParameterInvalid);
    if (length < 2 || file[0] != 'B' || file[1] != 'M') return fail(Msg::FileFormatInvalid);
    if (length < kSmallestFile) return fail(Msg::FileFormatInvalid);
    const std::uint32_t headerSize = loadLe32(file + kHeaderSizeAt);
    if (!isAcceptedHeaderSize(headerSize)) return fail(Msg::InfoHeaderSizeInvalid);
    if (length < kHeaderSizeAt + headerSize) return fail(Msg::FileFormatInvalid);
    std::memcpy(infoHeader_.data(), file + kHeaderSizeAt, headerSize);

    const BmpSource source = describe(file, length, infoHeader_.data());
    BmpDecoded decoded;
    DecodeFailure failure;
    switch (loadLe32(infoHeader_.data() + kCompressionAt)) {
        case kNone:
            failure = decodeUncompressed(source, decoded);
            break;
        case kRle8:
            failure = decodeRle(source, false, decoded);
            break;
        case kRle4:
            failure = decodeRle(source, true, decoded);
            break;
        case kBitFields:
            failure = decodeBitFields(source, decoded);
            break;
        default:
            failure = Msg::CompressionNotSupported;
    }
    if (failure) return fail(*failure);

    pixels_ = std::move(decoded.pixels);
    palette_ = std::move(decoded.palette);
    indexPlane_ = std::move(decoded.indexPlane);
    paletteCount_ = decoded.paletteCount;
    storeLe32(infoHeader_.data() + kHeightAt, static_cast<std::uint32_t>(source.rows()));
    return 1;
}

}  // namespace pictrano
