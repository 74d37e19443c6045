#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/BmpFile.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::BmpFile;
using test::bytesOf;
constexpr auto entryColour = test::bmpEntryColour;

BmpFile pal8(int width, int height, Bytes data, int entries = 8) {
    return {.width = width, .height = height, .entries = entries, .data = std::move(data)};
}

BmpFile rle(int bitCount, int width, int height, Bytes codes) {
    return {.width = width, .height = height, .bitCount = bitCount,
            .compression = bitCount == 8 ? 1 : 2, .entries = 16, .data = std::move(codes)};
}

constexpr std::array<std::uint32_t, 3> k565 = {0xF800, 0x07E0, 0x001F};

BmpFile bitFields(int pixel, std::array<std::uint32_t, 3> masks = k565, int headerSize = 108) {
    const auto low = static_cast<std::uint8_t>(pixel), high = static_cast<std::uint8_t>(pixel >> 8);
    return {.headerSize = headerSize, .bitCount = 16, .compression = 3, .masks = masks,
            .data = {low, high, 0, 0}};
}

void expectMessage(const BmpReader& reader, Msg id) {
    EXPECT_STREQ(reader.errors().narrow(), shiftJisText(id));
    EXPECT_EQ(std::u16string(reader.errors().wide()), utf16Text(id));
}

struct Case {
    const char* name;
    BmpFile file;
    std::vector<int> expected;  // top row first: indices when paletted, else blue, green, red
    std::optional<Msg> failure = {};
};

// Paletted pictures are compared by index, and every pixel must hold its entry's colour.
void expectOutcome(const Case& c) {
    SCOPED_TRACE(c.name);
    const Bytes bytes = bytesOf(c.file);
    BmpReader reader;
    const int result = reader.read(bytes.data(), bytes.size());
    ASSERT_EQ(result, c.failure ? 0 : 1) << reader.errors().utf8();
    if (c.failure) return expectMessage(reader, *c.failure);
    ASSERT_EQ(reader.width(), c.file.width);
    ASSERT_EQ(reader.height(), std::abs(c.file.height));
    const bool paletted = c.file.bitCount <= 8;
    EXPECT_EQ(reader.paletteCount(), paletted ? std::min(c.file.entries, 256) : 0);
    std::vector<int> found;
    Bytes colours, entryColours;
    for (int y = 0; y < reader.height(); ++y) {
        for (int x = 0; x < c.file.width; ++x) {
            const std::uint8_t* p = reader.pixels() + y * pixelRowStride(c.file.width) + 3 * x;
            if (!paletted) {
                found.insert(found.end(), p, p + 3);
                continue;
            }
            found.push_back(reader.indexPlane()[y * indexRowStride(c.file.width) + x]);
            const auto entry = entryColour(found.back());
            colours.insert(colours.end(), p, p + 3);
            entryColours.insert(entryColours.end(), entry.begin(), entry.end());
        }
    }
    EXPECT_EQ(found, c.expected);
    EXPECT_EQ(colours, entryColours);
}

TEST(BmpReaderSynthetic, EveryCaseGivesItsPictureOrItsMessage) {
    const Bytes z4 = {0, 0, 0, 0}, up = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0},
                down = {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
    const std::vector<int> upDown = {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6};
    using enum Msg;
    const Case cases[] = {
        {"header size 64", {.headerSize = 64, .entries = 8, .data = z4}, {}, InfoHeaderSizeInvalid},
        {"JPEG", {.compression = 4, .entries = 8, .data = z4}, {}, CompressionNotSupported},
        {"bit fields, 24 bits",
         {.headerSize = 108, .bitCount = 24, .compression = 3, .masks = k565, .data = z4}, {},
         BitFieldBitCountInvalid},
        {"2 bits", {.bitCount = 2, .data = z4}, {}, UnsupportedBitCount},
        {"width 0", pal8(0, 1, z4), {}, FileFormatInvalid},
        {"height 0", pal8(1, 0, z4), {}, FileFormatInvalid},
        {"a row byte short", pal8(5, 2, Bytes(12, 1)), {}, FileFormatInvalid},
        {"last padding short", pal8(5, 2, Bytes(13, 1)), std::vector<int>(10, 1)},
        {"no RLE codes", rle(8, 2, 1, {}), {}, FileFormatInvalid},
        // Colours used 0 means all entries of the bit count; the pixels follow the entries.
        {"1 bit, 2 entries", {.width = 2, .bitCount = 1, .entries = 2, .colorsUsed = 0,
                              .data = {0x40, 0, 0, 0}}, {0, 1}},
        {"8 bits, 256 entries", {.entries = 256, .colorsUsed = 0, .data = {255, 0, 0, 0}}, {255}},
        {"4 bits, 3 entries", {.width = 3, .bitCount = 4, .entries = 3, .bitsOffset = 0,
                               .data = {0x21, 0, 0, 0}}, {2, 1, 0}},
        {"300 entries: 256 kept", {.entries = 300, .bitsOffset = 0, .data = {255, 0, 0, 0}}, {255}},
        {"108-byte header", {.headerSize = 108, .width = 2, .entries = 2, .data = {1, 0, 0, 0}},
         {1, 0}},
        {"108-byte header, offset 0", {.headerSize = 108, .width = 2, .entries = 2,
                                       .bitsOffset = 0, .data = {1, 0, 0, 0}}, {1, 0}},
        // The bits offset counts only when it lies between the palette and the end of the file.
        {"offset past the file", {.entries = 8, .bitsOffset = 100000, .data = {5, 0, 0, 0}}, {5}},
        {"offset in the palette", {.entries = 8, .bitsOffset = 60, .data = {5, 0, 0, 0}}, {5}},
        {"index past the palette", pal8(3, 1, {1, 7, 200, 0}, 2), {1, 0, 0}},
        {"bottom-up", {.width = 2, .height = 2, .bitCount = 24, .data = up}, upDown},
        {"top-down", {.width = 2, .height = -2, .bitCount = 24, .data = down}, upDown},
        {"5-6-5 red", bitFields(0xF800), {0, 0, 255}},
        {"5-6-5 green", bitFields(0x07E0), {0, 255, 0}},
        {"5-6-5 blue 1", bitFields(0x0001), {8, 0, 0}},
        {"zero green mask", bitFields(0xFFFF, {0xF800, 0, 0x001F}), {255, 0, 255}},
        // A mask with a gap keeps its lowest run of set bits: red 0x0107 reads bits 0 to 2 only.
        {"gap in a mask", bitFields(0x0107, {0x0107, 0x00F0, 0xF000}), {0, 0, 255}},
        {"10, 10, 32-bit masks", {.headerSize = 124, .bitCount = 32, .compression = 3,
                                  .masks = {0x3FF00000, 0x000FFC00, 0xFFFFFFFF},
                                  .data = {0, 0x54, 0xB5, 0x2A}}, {0x2A, 0x55, 0xAA}},
        {"RLE8 short run", rle(8, 5, 1, {3, 5, 0, 0, 0, 1}), {5, 5, 5, 0, 0}},
        {"RLE4 run", rle(4, 4, 1, {4, 0x12}), {1, 2, 1, 2}},
        {"RLE8 absolute 3", rle(8, 5, 1, {0, 3, 9, 8, 7, 0xFF, 2, 4}), {9, 8, 7, 4, 4}},
        {"RLE4 absolute 5", rle(4, 7, 1, {0, 5, 0x12, 0x34, 0x5F, 0xFF, 2, 0x66}),
         {1, 2, 3, 4, 5, 6, 6}},
        {"delta", rle(8, 5, 2, {1, 7, 0, 2, 3, 1, 1, 9, 0, 1}), {0, 0, 0, 0, 9, 7, 0, 0, 0, 0}},
        // Mid-row and at width - 1 an end of line ends the row; after a full row it adds nothing.
        {"end of line", rle(8, 3, 4, {1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0, 1, 4, 0, 1}),
         {4, 0, 0, 3, 3, 3, 2, 2, 0, 1, 0, 0}},
        {"RLE index past the palette", {.width = 2, .compression = 1, .entries = 2,
                                        .data = {1, 1, 1, 12, 0, 1}}, {1, 0}},
        // Codes past the picture or the file stop decoding; the decoded pixels stay.
        {"run past the picture", rle(8, 2, 2, {255, 3, 255, 4}), {3, 3, 3, 3}},
        {"delta past the last row", rle(4, 2, 2, {1, 0x50, 0, 2, 200, 200, 2, 0x77}), {0, 0, 5, 0}},
        {"absolute run cut", rle(8, 4, 1, {0, 4, 6, 7}), {6, 7, 0, 0}},
        {"code cut in half", rle(8, 3, 1, {2, 5, 4}), {5, 5, 0}},
    };
    for (const Case& c : cases) expectOutcome(c);
    for (auto [width, height] : {std::pair{100000, 100000}, {1, INT_MIN}, {INT_MAX, 1}}) {
        expectOutcome({"huge", pal8(width, height, z4), {}, OutOfMemory});
        expectOutcome({"huge RLE", rle(8, width, height, {0, 1}), {}, OutOfMemory});
    }
}

TEST(BmpReaderSynthetic, DamagedFilesFailAndLeaveNoEarlierResult) {
    const Bytes earlier = bytesOf(pal8(1, 1, {0, 0, 0, 0}));
    const Bytes whole = bytesOf(bitFields(0xF800)), cutPalette = bytesOf(pal8(1, 1, {}, 4));
    Bytes notBitmap = earlier;
    notBitmap[1] = 'A';
    std::vector<Bytes> damaged = {notBitmap, Bytes(cutPalette.begin(), cutPalette.begin() + 64)};
    for (std::size_t length : {std::size_t{1}, std::size_t{17}, std::size_t{100}, whole.size() - 3})
        damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    BmpReader reader;
    for (const Bytes& bytes : damaged) {
        ASSERT_EQ(reader.read(earlier.data(), earlier.size()), 1);
        EXPECT_EQ(reader.read(bytes.data(), bytes.size()), 0) << bytes.size();
        expectMessage(reader, Msg::FileFormatInvalid);
        EXPECT_EQ(reader.paletteCount(), 0);
    }
}

}  // namespace
}  // namespace pictrano
