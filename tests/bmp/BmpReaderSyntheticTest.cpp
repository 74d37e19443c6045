#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <optional>
#include <vector>

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/image/ByteOrder.h"
#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

// Assembles a bitmap file: file header, info header (masks inside it from 108 bytes on),
// palette, an optional gap, then the pixel data exactly as given.
struct BmpFile {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint8_t> palette;     // 4 bytes per entry
    std::array<std::uint32_t, 3> masks{};  // red, green, blue
    std::size_t gap = 0;
    std::optional<std::uint32_t> bitsOffset;  // default: where the data really begins
    std::vector<std::uint8_t> data;

    std::vector<std::uint8_t> bytes() const {
        const std::size_t dataAt = 14 + headerSize + palette.size() + gap;
        std::vector<std::uint8_t> file(std::max<std::size_t>(dataAt, 54) + data.size(), 0);
        file[0] = 'B';
        file[1] = 'M';
        storeLe32(&file[2], static_cast<std::uint32_t>(file.size()));
        storeLe32(&file[10], bitsOffset.value_or(static_cast<std::uint32_t>(dataAt)));
        storeLe32(&file[14], headerSize);
        storeLe32(&file[18], static_cast<std::uint32_t>(width));
        storeLe32(&file[22], static_cast<std::uint32_t>(height));
        storeLe16(&file[26], 1);
        storeLe16(&file[28], bitCount);
        storeLe32(&file[30], compression);
        storeLe32(&file[34], static_cast<std::uint32_t>(data.size()));
        storeLe32(&file[46], colorsUsed);
        if (headerSize >= 108) {
            for (std::size_t i = 0; i < 3; ++i) storeLe32(&file[54 + 4 * i], masks[i]);
        }
        std::copy(palette.begin(), palette.end(), file.begin() + 14 + headerSize);
        std::fill_n(file.begin() + 14 + headerSize + palette.size(), gap, 0xEE);
        std::copy(data.begin(), data.end(), file.begin() + static_cast<std::ptrdiff_t>(dataAt));
        file.resize(dataAt + data.size());
        return file;
    }
};

// Entry i is blue i, green 100 + i, red 200 - i: every entry distinct and recognisable.
std::vector<std::uint8_t> palette(int entries) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < entries; ++i) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(100 + i),
                                   static_cast<std::uint8_t>(200 - i), 0});
    }
    return bytes;
}

std::array<int, 3> colourOfEntry(int i) {
    return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(100 + i),
            static_cast<std::uint8_t>(200 - i)};
}

class Decoded {
public:
    explicit Decoded(const BmpFile& file) : bytes_(file.bytes()) {
        ok_ = reader_.read(bytes_.data(), bytes_.size()) == 1;
    }
    bool ok() const { return ok_; }
    const BmpReader& reader() const { return reader_; }
    bool failedWith(Msg id) const {
        return !ok_ && std::strcmp(reader_.errors().narrow(), shiftJisText(id)) == 0 &&
               std::u16string(reader_.errors().wide()) == utf16Text(id);
    }
    std::array<int, 3> colour(int x, int y) const {
        const std::uint8_t* p = reader_.pixels() + y * pixelRowStride(reader_.width()) + 3 * x;
        return {p[0], p[1], p[2]};
    }
    // The indices of output row y.
    std::vector<int> indices(int y) const {
        const std::uint8_t* row = reader_.indexPlane() + y * indexRowStride(reader_.width());
        return {row, row + reader_.width()};
    }

private:
    std::vector<std::uint8_t> bytes_;
    BmpReader reader_;
    bool ok_ = false;
};

BmpFile paletted8(int width, int height, std::vector<std::uint8_t> data, int entries = 8) {
    BmpFile file;
    file.width = width;
    file.height = height;
    file.colorsUsed = static_cast<std::uint32_t>(entries);
    file.palette = palette(entries);
    file.data = std::move(data);
    return file;
}

BmpFile rle(int bitCount, int width, int height, std::vector<std::uint8_t> codes) {
    BmpFile file = paletted8(width, height, std::move(codes), 16);
    file.bitCount = static_cast<std::uint16_t>(bitCount);
    file.compression = bitCount == 8 ? 1 : 2;
    return file;
}

BmpFile bitFields16(std::uint16_t pixel, std::array<std::uint32_t, 3> masks) {
    BmpFile file;
    file.headerSize = 108;
    file.bitCount = 16;
    file.compression = 3;
    file.masks = masks;
    file.data = {static_cast<std::uint8_t>(pixel), static_cast<std::uint8_t>(pixel >> 8), 0, 0};
    return file;
}

constexpr std::array<std::uint32_t, 3> k565 = {0xF800, 0x07E0, 0x001F};

TEST(BmpReaderHeaders, UnsupportedLayoutsAreRefusedWithTheirMessages) {
    for (std::uint32_t size : {12u, 64u}) {
        BmpFile file = paletted8(1, 1, {0, 0, 0, 0});
        file.headerSize = size;
        EXPECT_TRUE(Decoded(file).failedWith(Msg::InfoHeaderSizeInvalid)) << size;
    }
    BmpFile jpeg = paletted8(1, 1, {0, 0, 0, 0});
    jpeg.compression = 4;
    EXPECT_TRUE(Decoded(jpeg).failedWith(Msg::CompressionNotSupported));

    BmpFile masksAfterShortHeader = bitFields16(0xF800, k565);
    masksAfterShortHeader.headerSize = 40;
    EXPECT_TRUE(Decoded(masksAfterShortHeader).failedWith(Msg::NoBitMasks));
    EXPECT_TRUE(Decoded(bitFields16(0xF800, k565)).ok());

    BmpFile bitFields24 = bitFields16(0, k565);
    bitFields24.bitCount = 24;
    EXPECT_TRUE(Decoded(bitFields24).failedWith(Msg::BitFieldBitCountInvalid));

    for (int bits : {2, 16, 32}) {
        BmpFile plain;
        plain.bitCount = static_cast<std::uint16_t>(bits);
        plain.data.assign(4, 0);
        EXPECT_TRUE(Decoded(plain).failedWith(Msg::UnsupportedBitCount)) << bits;
    }

    BmpFile notBitmap = paletted8(1, 1, {0, 0, 0, 0});
    auto bytes = notBitmap.bytes();
    bytes[1] = 'A';
    BmpReader reader;
    EXPECT_EQ(reader.read(bytes.data(), bytes.size()), 0);
    EXPECT_STREQ(reader.errors().narrow(), shiftJisText(Msg::FileFormatInvalid));
}

TEST(BmpReaderHeaders, ColoursUsedSizesThePaletteAndPlacesThePixels) {
    BmpFile oneBit;
    oneBit.bitCount = 1;
    oneBit.width = 2;
    oneBit.palette = palette(2);
    oneBit.data = {0x40, 0, 0, 0};
    const Decoded one(oneBit);
    ASSERT_TRUE(one.ok());
    EXPECT_EQ(one.reader().paletteCount(), 2);
    EXPECT_EQ(one.indices(0), (std::vector<int>{0, 1}));

    BmpFile eightBit = paletted8(1, 1, {255, 0, 0, 0}, 0);
    eightBit.palette = palette(256);
    const Decoded eight(eightBit);
    ASSERT_TRUE(eight.ok());
    EXPECT_EQ(eight.reader().paletteCount(), 256);
    EXPECT_EQ(eight.colour(0, 0), colourOfEntry(255));

    BmpFile fourBit;
    fourBit.bitCount = 4;
    fourBit.width = 3;
    fourBit.colorsUsed = 3;
    fourBit.palette = palette(3);
    fourBit.bitsOffset = 0;  // the pixels must follow the 3 entries
    fourBit.data = {0x21, 0x00, 0, 0};
    const Decoded four(fourBit);
    ASSERT_TRUE(four.ok());
    EXPECT_EQ(four.reader().paletteCount(), 3);
    EXPECT_EQ(four.indices(0), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(std::memcmp(four.reader().palette(), fourBit.palette.data(), 12), 0);
}

TEST(BmpReaderHeaders, PaletteAndPixelsFollowA108ByteHeader) {
    // With the bits offset 0 the reader must find the pixels itself; with it set, they agree.
    for (std::optional<std::uint32_t> offset : {std::optional<std::uint32_t>{0}, {}}) {
        BmpFile file = paletted8(2, 1, {1, 0, 0, 0}, 2);
        file.headerSize = 108;
        file.bitsOffset = offset;
        const Decoded decoded(file);
        ASSERT_TRUE(decoded.ok());
        EXPECT_EQ(decoded.indices(0), (std::vector<int>{1, 0}));
        EXPECT_EQ(decoded.colour(0, 0), colourOfEntry(1));
        EXPECT_EQ(decoded.reader().infoHeader()[0], 108);
    }
}

TEST(BmpReaderHeaders, BitsOffsetIsUsedOnlyWhenPlausible) {
    BmpFile gap = paletted8(1, 1, {3, 0, 0, 0});
    gap.gap = 16;
    const Decoded afterGap(gap);
    ASSERT_TRUE(afterGap.ok());
    EXPECT_EQ(afterGap.indices(0), (std::vector<int>{3}));

    // Past the end of the file or inside the palette: the data follows the palette.
    for (std::uint32_t offset : {100000u, 60u}) {
        BmpFile file = paletted8(1, 1, {5, 0, 0, 0});
        file.bitsOffset = offset;
        const Decoded decoded(file);
        ASSERT_TRUE(decoded.ok()) << offset;
        EXPECT_EQ(decoded.indices(0), (std::vector<int>{5})) << offset;
    }
}

TEST(BmpReaderRows, BottomUpAndTopDownGiveTheSamePicture) {
    BmpFile bottomUp;
    bottomUp.bitCount = 24;
    bottomUp.width = 2;
    bottomUp.height = 2;
    bottomUp.data = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    BmpFile topDown = bottomUp;
    topDown.height = -2;
    topDown.data = {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
    const Decoded up(bottomUp), down(topDown);
    ASSERT_TRUE(up.ok() && down.ok());
    EXPECT_EQ(up.reader().height(), 2);
    EXPECT_EQ(down.reader().height(), 2);
    EXPECT_EQ(up.colour(0, 0), (std::array<int, 3>{7, 8, 9}));
    EXPECT_EQ(std::memcmp(up.reader().pixels(), down.reader().pixels(), 16), 0);

    const Decoded rleUp(rle(8, 2, 2, {2, 1, 2, 3, 0, 1}));
    const Decoded rleDown(rle(8, 2, -2, {2, 3, 2, 1, 0, 1}));
    ASSERT_TRUE(rleUp.ok() && rleDown.ok());
    EXPECT_EQ(rleUp.indices(0), (std::vector<int>{3, 3}));
    EXPECT_EQ(rleUp.indices(0), rleDown.indices(0));
    EXPECT_EQ(rleUp.indices(1), rleDown.indices(1));
}

TEST(BmpReaderBitFields, MasksScaleEachChannelToEightBits) {
    EXPECT_EQ(Decoded(bitFields16(0xF800, k565)).colour(0, 0), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(Decoded(bitFields16(0x07E0, k565)).colour(0, 0), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(Decoded(bitFields16(0x0001, k565)).colour(0, 0), (std::array<int, 3>{8, 0, 0}));
    // A zero mask gives a channel that is always 0.
    EXPECT_EQ(Decoded(bitFields16(0xFFFF, {0xF800, 0, 0x001F})).colour(0, 0),
              (std::array<int, 3>{255, 0, 255}));

    BmpFile wide;
    wide.headerSize = 124;
    wide.bitCount = 32;
    wide.compression = 3;
    wide.masks = {0x3FF00000, 0x000FFC00, 0xFFFFFFFF};  // 10, 10 and 32 bits
    wide.data.resize(4);
    storeLe32(wide.data.data(), 0x2AB00000 | 0x155 << 10);
    const Decoded decoded(wide);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.colour(0, 0), (std::array<int, 3>{0x2A, 0x55, 0xAA}));
}

TEST(BmpReaderRle, EncodedAndAbsoluteRuns) {
    const Decoded short8(rle(8, 5, 1, {3, 5, 0, 0, 0, 1}));
    ASSERT_TRUE(short8.ok());
    EXPECT_EQ(short8.indices(0), (std::vector<int>{5, 5, 5, 0, 0}));
    EXPECT_EQ(short8.colour(4, 0), colourOfEntry(0));

    const Decoded run4(rle(4, 4, 1, {4, 0x12}));
    ASSERT_TRUE(run4.ok());
    EXPECT_EQ(run4.indices(0), (std::vector<int>{1, 2, 1, 2}));

    // 3 literal bytes and 1 padding byte, then a run of 2.
    const Decoded absolute8(rle(8, 5, 1, {0, 3, 9, 8, 7, 0xFF, 2, 4}));
    ASSERT_TRUE(absolute8.ok());
    EXPECT_EQ(absolute8.indices(0), (std::vector<int>{9, 8, 7, 4, 4}));

    // 5 literal nibbles in 3 bytes and 1 padding byte, then a run of 2.
    const Decoded absolute4(rle(4, 7, 1, {0, 5, 0x12, 0x34, 0x5F, 0xFF, 2, 0x66}));
    ASSERT_TRUE(absolute4.ok());
    EXPECT_EQ(absolute4.indices(0), (std::vector<int>{1, 2, 3, 4, 5, 6, 6}));
}

TEST(BmpReaderRle, DeltaAndEndOfLineMoveThePosition) {
    // Delta 3 right and 1 row on from (0, stored row 0); the skipped pixels keep entry 0.
    const Decoded delta(rle(8, 5, 2, {1, 7, 0, 2, 3, 1, 1, 9, 0, 1}));
    ASSERT_TRUE(delta.ok());
    EXPECT_EQ(delta.indices(1), (std::vector<int>{7, 0, 0, 0, 0}));
    EXPECT_EQ(delta.indices(0), (std::vector<int>{0, 0, 0, 0, 9}));

    // End of line: mid-row and one pixel short both end the row; after a full row it does
    // nothing more, since the row already ended.
    const Decoded lines(rle(8, 3, 4, {1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0, 1, 4, 0, 1}));
    ASSERT_TRUE(lines.ok());
    EXPECT_EQ(lines.indices(3), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(lines.indices(2), (std::vector<int>{2, 2, 0}));
    EXPECT_EQ(lines.indices(1), (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(lines.indices(0), (std::vector<int>{4, 0, 0}));
}

TEST(BmpReaderRle, CodesPastThePictureOrTheFileStopDecoding) {
    // A run longer than the picture, a delta beyond the last row, an absolute run cut by the
    // end of the file, and a code cut in half: the decoded pixels stay, nothing else is written.
    const Decoded longRun(rle(8, 2, 2, {255, 3, 255, 4}));
    ASSERT_TRUE(longRun.ok());
    EXPECT_EQ(longRun.indices(0), (std::vector<int>{3, 3}));

    const Decoded farDelta(rle(4, 2, 2, {1, 0x50, 0, 2, 200, 200, 2, 0x77}));
    ASSERT_TRUE(farDelta.ok());
    EXPECT_EQ(farDelta.indices(1), (std::vector<int>{5, 0}));
    EXPECT_EQ(farDelta.indices(0), (std::vector<int>{0, 0}));

    const Decoded cutAbsolute(rle(8, 4, 1, {0, 4, 6, 7}));
    ASSERT_TRUE(cutAbsolute.ok());
    EXPECT_EQ(cutAbsolute.indices(0), (std::vector<int>{6, 7, 0, 0}));

    const Decoded cutCode(rle(8, 3, 1, {2, 5, 4}));
    ASSERT_TRUE(cutCode.ok());
    EXPECT_EQ(cutCode.indices(0), (std::vector<int>{5, 5, 0}));

    EXPECT_TRUE(Decoded(rle(8, 2, 1, {})).failedWith(Msg::FileFormatInvalid));
}

TEST(BmpReaderPalettes, IndicesBeyondThePaletteBecomeEntryZero) {
    const Decoded plain(paletted8(3, 1, {1, 7, 200, 0}, 2));
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(plain.indices(0), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(plain.colour(2, 0), colourOfEntry(0));

    BmpFile rleFile = rle(8, 2, 1, {1, 1, 1, 12, 0, 1});
    rleFile.colorsUsed = 2;
    rleFile.palette = palette(2);
    const Decoded encoded(rleFile);
    ASSERT_TRUE(encoded.ok());
    EXPECT_EQ(encoded.indices(0), (std::vector<int>{1, 0}));
    EXPECT_EQ(encoded.colour(1, 0), colourOfEntry(0));
}

TEST(BmpReaderPalettes, OversizedPalettesKeep256EntriesAndThePixelPosition) {
    BmpFile file = paletted8(1, 1, {255, 0, 0, 0}, 300);
    file.bitsOffset = 0;
    const Decoded decoded(file);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.reader().paletteCount(), 256);
    EXPECT_EQ(decoded.colour(0, 0), colourOfEntry(255));
}

TEST(BmpReaderLimits, BadSizesAndShortFilesFailCleanly) {
    for (auto [width, height] : {std::pair{0, 1}, {1, 0}, {-3, 1}}) {
        EXPECT_TRUE(
            Decoded(paletted8(width, height, {0, 0, 0, 0})).failedWith(Msg::FileFormatInvalid))
            << width << "x" << height;
    }
    for (auto [width, height] : {std::pair{100000, 100000}, {1, INT_MIN}, {INT_MAX, 1}}) {
        EXPECT_TRUE(Decoded(paletted8(width, height, {0, 0, 0, 0})).failedWith(Msg::OutOfMemory))
            << width << "x" << height;
        EXPECT_TRUE(Decoded(rle(8, width, height, {0, 1})).failedWith(Msg::OutOfMemory));
    }

    BmpFile missingByte = paletted8(5, 2, std::vector<std::uint8_t>(8 + 4, 1));
    EXPECT_TRUE(Decoded(missingByte).failedWith(Msg::FileFormatInvalid));
    missingByte.data.push_back(1);  // the last row's padding may be missing
    EXPECT_TRUE(Decoded(missingByte).ok());

    BmpFile cutPalette = paletted8(1, 1, {}, 4);
    cutPalette.palette.resize(10);
    EXPECT_TRUE(Decoded(cutPalette).failedWith(Msg::FileFormatInvalid));

    // A failed read leaves no result of an earlier one.
    const auto earlier = paletted8(1, 1, {0, 0, 0, 0}).bytes();
    const auto whole = bitFields16(0xF800, k565).bytes();
    BmpReader reader;
    for (std::size_t length :
         {std::size_t{1}, std::size_t{17}, std::size_t{100}, whole.size() - 3}) {
        const std::vector<std::uint8_t> cut(whole.begin(),
                                            whole.begin() + static_cast<std::ptrdiff_t>(length));
        ASSERT_EQ(reader.read(earlier.data(), earlier.size()), 1);
        EXPECT_EQ(reader.read(cut.data(), cut.size()), 0) << length;
        EXPECT_STREQ(reader.errors().narrow(), shiftJisText(Msg::FileFormatInvalid)) << length;
        EXPECT_EQ(reader.paletteCount(), 0);
    }
}

}  // namespace
}  // namespace pictrano
