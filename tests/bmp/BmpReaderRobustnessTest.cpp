#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A failure must leave one of the reader's own messages, the same in both encodings.
void expectCleanFailure(const BmpReader& reader) {
    using enum Msg;
    for (Msg id : {ParameterInvalid, FileFormatInvalid, OutOfMemory, InfoHeaderSizeInvalid,
                   CompressionNotSupported, UnsupportedBitCount, BitFieldBitCountInvalid,
                   NoBitMasks}) {
        if (std::string(reader.errors().narrow()) != shiftJisText(id)) continue;
        EXPECT_EQ(std::u16string(reader.errors().wide()), utf16Text(id));
        return;
    }
    ADD_FAILURE() << "unexpected message " << reader.errors().utf8();
}

// A decoded picture: positive size, every pixel byte readable, and for paletted files every index
// below the palette count with its pixel holding that entry's colour.
void expectValidPicture(const BmpReader& reader) {
    ASSERT_GT(reader.width(), 0);
    ASSERT_GT(reader.height(), 0);
    ASSERT_LE(reader.paletteCount(), 256);
    const auto width = static_cast<std::size_t>(reader.width());
    const auto height = static_cast<std::size_t>(reader.height());
    const auto pixelStride = static_cast<std::size_t>(pixelRowStride(reader.width()));
    const auto indexStride = static_cast<std::size_t>(indexRowStride(reader.width()));
    const std::uint8_t *pixels = reader.pixels(), *indices = reader.indexPlane();
    const int count = reader.paletteCount();
    // Reads the last byte of the pixel rows, so a short buffer shows under the sanitizer.
    volatile std::uint8_t last = pixels[pixelStride * height - 1];
    (void)last;
    for (std::size_t y = 0; count > 0 && y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const int index = indices[y * indexStride + x];
            const std::uint8_t* pixel = &pixels[y * pixelStride + 3 * x];
            if (index < count && std::memcmp(pixel, &reader.palette()[4 * index], 3) == 0) continue;
            FAIL() << "pixel " << x << "," << y << " does not hold its palette entry";
        }
    }
}

// The bytes are read from a buffer of exactly their size, so that under AddressSanitizer any
// read past them is reported.
void expectDecodesOrFailsCleanly(BmpReader& reader, const Bytes& bytes) {
    if (reader.read(bytes.data(), bytes.size()) == 1) return expectValidPicture(reader);
    expectCleanFailure(reader);
}

std::vector<std::filesystem::path> bitmapsIn(const std::string& dir) {
    std::vector<std::filesystem::path> paths;
    for (const auto& file : std::filesystem::directory_iterator(test::dataPath("bmpsuite/" + dir)))
        if (file.path().extension() == ".bmp") paths.push_back(file.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(BmpReaderRobustness, QuestionableAndBadFilesDecodeOrFailCleanly) {
    BmpReader reader;
    for (const char* folder : {"q", "b"}) {
        for (const auto& path : bitmapsIn(folder)) {
            SCOPED_TRACE(path.string());
            expectDecodesOrFailsCleanly(reader, test::readBytes(path));
        }
    }
}

TEST(BmpReaderRobustness, EveryPrefixOfAGoodFileDecodesOrFailsCleanly) {
    BmpReader reader;
    for (const auto& path : bitmapsIn("g")) {
        const auto bytes = test::readBytes(path);
        for (std::size_t length = 0; length < bytes.size() && !HasFailure(); ++length) {
            SCOPED_TRACE(path.filename().string() + " cut to " + std::to_string(length));
            expectDecodesOrFailsCleanly(reader, Bytes(bytes.begin(), bytes.begin() + length));
        }
    }
}

TEST(BmpReaderRobustness, GoodFilesWithFlippedBytesDecodeOrFailCleanly) {
    // Most of what steers decoding sits in the headers, the palette and the first codes.
    constexpr std::size_t kHeadBytes = 14 + 124 + 1024 + 64;
    std::mt19937 random(20240607);
    BmpReader reader;
    for (const auto& path : bitmapsIn("g")) {
        const auto original = test::readBytes(path);
        for (int variant = 0; variant < 300 && !HasFailure(); ++variant) {
            auto bytes = original;
            for (int flips = 1 + static_cast<int>(random() % 4), i = 0; i < flips; ++i) {
                const auto span = i % 2 ? bytes.size() : std::min(kHeadBytes, bytes.size());
                bytes[random() % span] ^= static_cast<std::uint8_t>(1 + random() % 255);
            }
            SCOPED_TRACE(path.filename().string() + " variant " + std::to_string(variant));
            expectDecodesOrFailsCleanly(reader, bytes);
        }
    }
}

TEST(BmpReaderRobustness, AbsentFileIsAParameterError) {
    BmpReader reader;
    EXPECT_EQ(reader.read(nullptr, 100), 0);
    EXPECT_STREQ(reader.errors().narrow(), shiftJisText(Msg::ParameterInvalid));
    EXPECT_EQ(std::u16string(reader.errors().wide()), utf16Text(Msg::ParameterInvalid));
}

}  // namespace
}  // namespace pictrano
