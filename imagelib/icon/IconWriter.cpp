#include "imagelib/icon/IconWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imagelib/icon/BorderColour.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/ColourReducer.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

constexpr std::int32_t kRuleTopLeft = 0x40000005;
constexpr std::int32_t kRuleTopRight = 0x40000006;
constexpr std::int32_t kRuleBottomLeft = 0x40000009;
constexpr std::int32_t kRuleBottomRight = 0x4000000A;
constexpr std::int32_t kRuleBorder = 0x40000010;

constexpr std::size_t kDirectoryBytes = 6;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kImageOffset = kDirectoryBytes + kEntryBytes;

int bitCountForColours(int colours) {
    switch (colours) {
        case 2: return 1;
        case 16: return 4;
        default: return 8;
    }
}

// Palette bytes in the file: 2^bitCount entries for palette bit counts, none for 24 bits.
std::size_t filePaletteBytes(int bitCount) {
    return bitCount <= 8 ? std::size_t{4} << bitCount : 0;
}

}  // namespace

int IconWriter::fail(Msg id) {
    errors_.set(id);
    return 0;
}

void IconWriter::release() {
    mask_ = {};
    palette_ = {};
    reducedBits_ = {};
    colourRows_ = {};
    header_.reset();
}

void IconWriter::startHeader(int width, int height, int bitCount) {
    header_.emplace();
    header_->width = width;
    header_->height = height;
    header_->bitCount = static_cast<std::uint16_t>(bitCount);
    header_->imageSize = static_cast<std::uint32_t>(packedRowStride(width, bitCount) * height);
}

std::int64_t IconWriter::colourStride() const {
    return packedRowStride(header_->width, bitCount());
}

std::uint32_t IconWriter::valueAt(int x, int y) const {
    const std::uint8_t* row = colourRows_.row(y);
    switch (bitCount()) {
        case 1: return row[x / 8] >> (7 - x % 8) & 1;
        case 4: return row[x / 2] >> (x % 2 ? 0 : 4) & 0x0F;
        case 8: return row[x];
        default: {
            const std::uint8_t* bgr = row + 3 * static_cast<std::int64_t>(x);
            return static_cast<std::uint32_t>(bgr[0] | bgr[1] << 8 | bgr[2] << 16);
        }
    }
}

bool IconWriter::masked(int x, int y) const {
    const std::uint8_t* row = mask_.data() + y * packedRowStride(header_->width, 1);
    return (row[x / 8] >> (7 - x % 8) & 1) != 0;
}

int IconWriter::setFromPixels(const std::uint8_t* rows, int width, int height) {
    release();
    if (rows == nullptr || width < 1 || height < 1) return fail(Msg::ParameterInvalid);
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    try {
        mask_.assign(static_cast<std::size_t>(packedRowStride(width, 1) * height), 0);
    } catch (const std::bad_alloc&) {
        release();
        return fail(Msg::OutOfMemory);
    }
    colourRows_ = lastRowFirst(rows, pixelRowStride(width), height);
    startHeader(width, height, 24);
    return 1;
}

int IconWriter::setFromPalette(const std::uint8_t* entries, int count,
                               const std::uint8_t* indexPlane, int width, int height,
                               int bitCount) {
    release();
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return fail(Msg::OutputBitCountInvalid);
    // The palette is written padded to 2^bitCount entries, so it may hold no more.
    if (entries == nullptr || count < 1 || count > 1 << bitCount || indexPlane == nullptr ||
        width < 1 || height < 1) {
        return fail(Msg::ParameterInvalid);
    }
    if (!pictureFitsLimits(width, height)) return fail(Msg::OutOfMemory);
    try {
        palette_.assign(entries, entries + 4 * count);
        mask_.assign(static_cast<std::size_t>(packedRowStride(width, 1) * height), 0);
    } catch (const std::bad_alloc&) {
        release();
        return fail(Msg::OutOfMemory);
    }
    colourRows_ = lastRowFirst(indexPlane, packedRowStride(width, bitCount), height);
    startHeader(width, height, bitCount);
    header_->colorsUsed = static_cast<std::uint32_t>(count);
    return 1;
}

std::int32_t IconWriter::resolveRule(std::int32_t code) const {
    if (bitCount() != 8 && bitCount() != 24) return -1;
    const int right = header_->width - 1;
    const int top = header_->height - 1;  // rows are held bottom row first
    switch (code) {
        case kRuleTopLeft: return static_cast<std::int32_t>(valueAt(0, top));
        case kRuleTopRight: return static_cast<std::int32_t>(valueAt(right, top));
        case kRuleBottomLeft: return static_cast<std::int32_t>(valueAt(0, 0));
        case kRuleBottomRight: return static_cast<std::int32_t>(valueAt(right, 0));
        case kRuleBorder:
            try {
                return static_cast<std::int32_t>(
                    mostFrequentBorderValue(header_->width, header_->height,
                                            [this](int x, int y) { return valueAt(x, y); }));
            } catch (const std::bad_alloc&) {
                return -1;
            }
        default: return -1;
    }
}

std::int32_t IconWriter::findColour(std::uint32_t colour) const {
    for (std::size_t i = 0; 4 * i < palette_.size(); ++i) {
        const std::uint8_t* entry = &palette_[4 * i];
        if (entry[0] == (colour & 0xFF) && entry[1] == (colour >> 8 & 0xFF) &&
            entry[2] == (colour >> 16 & 0xFF)) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

int IconWriter::setTransparent(std::int32_t value) {
    if (!header_) return fail(Msg::NoBitDataFullWidthDash);
    const int width = header_->width;
    const int height = header_->height;
    const std::int64_t maskStride = packedRowStride(width, 1);
    try {
        mask_.assign(static_cast<std::size_t>(maskStride * height), 0);
    } catch (const std::bad_alloc&) {
        return fail(Msg::OutOfMemory);
    }
    if (bitCount() != 8 && bitCount() != 24) return fail(Msg::BitCountInvalid);
    const std::uint32_t wanted =
        static_cast<std::uint32_t>(value) & (bitCount() == 8 ? 0xFFFFFFFFu : 0xFFFFFFu);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = mask_.data() + y * maskStride;
        for (int x = 0; x < width; ++x) {
            if (valueAt(x, y) == wanted)
                row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | 0x80 >> x % 8);
        }
    }
    return 1;
}

int IconWriter::reduce(int colours, int colourModel, int /*compression*/, std::uint32_t lattice) {
    if (colourRows_.first == nullptr) return fail(Msg::NoBitData);
    if (bitCount() != 24) return fail(Msg::BitCountInvalid);
    ColourReducer reducer;
    std::vector<std::uint8_t> bits;
    std::vector<std::uint8_t> palette;
    int paletteBytes = 0;
    const std::size_t size =
        reducer.reduce(bits, colourRows_, header_->width, header_->height, colours, colourModel,
                       0, lattice, palette, paletteBytes);
    if (size == 0) {
        errors_.copyFrom(reducer.errors());
        return 0;
    }
    // The reduced rows come in the order read: bottom row first.
    reducedBits_ = std::move(bits);
    palette_ = std::move(palette);
    header_->bitCount = static_cast<std::uint16_t>(bitCountForColours(colours));
    colourRows_ = inHeldOrder(reducedBits_.data(), colourStride());
    header_->imageSize = static_cast<std::uint32_t>(size);
    header_->compression = 0;
    header_->colorsUsed = static_cast<std::uint32_t>(colours);
    return 1;
}

std::uint32_t IconWriter::selectLattice(int sampleColumns, int sampleRows) {
    if (colourRows_.first == nullptr) return static_cast<std::uint32_t>(fail(Msg::NoBitData));
    if (bitCount() != 24) return static_cast<std::uint32_t>(fail(Msg::BitCountInvalid));
    return ColourReducer().selectLattice(colourRows_, header_->width, header_->height,
                                         sampleColumns, sampleRows);
}

// The palette index that masked pixels of 4- or 8-bit colour bits take: black's. A palette
// without black gains it: in its first unused entry (written as zeros, which is black) when it
// has room, else in the entry of the masked pixels themselves, which only masked pixels use
// because the mask of palette colour bits marks every pixel of one index.
int IconWriter::blackIndexForMaskedPixels() {
    const std::int32_t black = findColour(0);
    if (black >= 0) return black;
    const auto entries = static_cast<int>(palette_.size() / 4);
    if (entries < 1 << bitCount()) {
        palette_.insert(palette_.end(), 4, 0);
        return entries;
    }
    for (int y = 0; y < header_->height; ++y) {
        for (int x = 0; x < header_->width; ++x) {
            if (!masked(x, y)) continue;
            const auto index = static_cast<int>(valueAt(x, y));
            std::fill_n(palette_.begin() + 4 * index, 3, 0);
            return index;
        }
    }
    return 0;
}

int IconWriter::blackOutMaskedPixels(std::uint8_t* colourBits) {
    const int bits = bitCount();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return fail(Msg::BitCountNotHandled);
    if (std::ranges::none_of(mask_, [](std::uint8_t b) { return b != 0; })) return 1;
    const int black = bits == 4 || bits == 8 ? blackIndexForMaskedPixels() : 0;
    const std::int64_t stride = colourStride();
    for (int y = 0; y < header_->height; ++y) {
        std::uint8_t* row = colourBits + y * stride;
        for (int x = 0; x < header_->width; ++x) {
            if (!masked(x, y)) continue;
            switch (bits) {
                case 1:
                    row[x / 8] = static_cast<std::uint8_t>(row[x / 8] & ~(0x80 >> x % 8));
                    break;
                case 4: {
                    const int shift = x % 2 ? 0 : 4;
                    row[x / 2] =
                        static_cast<std::uint8_t>((row[x / 2] & ~(0x0F << shift)) | black << shift);
                    break;
                }
                case 8: row[x] = static_cast<std::uint8_t>(black); break;
                default: std::fill_n(row + 3 * static_cast<std::int64_t>(x), 3, 0); break;
            }
        }
    }
    return 1;
}

std::size_t IconWriter::write(std::vector<std::uint8_t>& file) {
    if (!header_) return static_cast<std::size_t>(fail(Msg::NoImageInfo));
    const int bits = bitCount();
    const std::size_t paletteBytes = filePaletteBytes(bits);
    const std::int64_t stride = colourStride();
    const auto colourBytes = static_cast<std::size_t>(stride * header_->height);
    const std::size_t imageBytes =
        BitmapInfoHeader::kBytes + paletteBytes + colourBytes + mask_.size();
    const std::size_t size = kImageOffset + imageBytes;
    try {
        std::vector<std::uint8_t> out(size, 0);
        // The colour bits are copied into the file and blacked out there; the palette may gain
        // black on the way, so it is written after them.
        std::uint8_t* colour = &out[kImageOffset + BitmapInfoHeader::kBytes + paletteBytes];
        for (int y = 0; y < header_->height; ++y) {
            std::memcpy(colour + y * stride, colourRows_.row(y), static_cast<std::size_t>(stride));
        }
        if (!blackOutMaskedPixels(colour)) return 0;
        storeLe16(&out[2], 1);  // type: icon
        storeLe16(&out[4], 1);  // one image
        out[6] = static_cast<std::uint8_t>(header_->width);
        out[7] = static_cast<std::uint8_t>(header_->height);
        out[8] = static_cast<std::uint8_t>(bits < 8 ? header_->colorsUsed : 0);
        storeLe16(&out[10], 1);  // planes
        storeLe16(&out[12], static_cast<std::uint32_t>(bits));
        storeLe32(&out[14], static_cast<std::uint32_t>(imageBytes));
        storeLe32(&out[18], kImageOffset);

        // The image's header covers the colour bits and the mask stacked on them.
        BitmapInfoHeader header = *header_;
        header.height *= 2;
        header.imageSize += static_cast<std::uint32_t>(mask_.size());
        if (bits <= 8) header.colorsUsed = 1u << bits;
        std::uint8_t* at = &out[kImageOffset];
        header.store(at);
        at += BitmapInfoHeader::kBytes;
        std::copy(palette_.begin(), palette_.end(), at);  // the rest of the palette stays zero
        std::copy(mask_.begin(), mask_.end(), colour + colourBytes);
        file = std::move(out);
    } catch (const std::bad_alloc&) {
        return static_cast<std::size_t>(fail(Msg::OutOfMemory));
    }
    return size;
}

}  // namespace pictrano
