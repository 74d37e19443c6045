#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

// The messages the reader may leave after a failure.
constexpr Msg kReaderMessages[] = {
    Msg::ParameterInvalid,
    Msg::FileFormatInvalid,
    Msg::OutOfMemory,
    Msg::InfoHeaderSizeInvalid,
    Msg::CompressionNotSupported,
    Msg::UnsupportedBitCount,
    Msg::BitFieldBitCountInvalid,
    Msg::NoBitMasks,
};

void expectCleanFailure(const BmpReader& reader) {
    const std::string narrow = reader.errors().narrow();
    const auto found = std::find_if(std::begin(kReaderMessages), std::end(kReaderMessages),
                                    [&](Msg id) { return narrow == shiftJisText(id); });
    ASSERT_NE(found, std::end(kReaderMessages)) << "unexpected message " << reader.errors().utf8();
    EXPECT_EQ(std::u16string(reader.errors().wide()), utf16Text(*found));
}

// The first pixel whose index is not below the palette count or whose colour is not its palette
// entry's, as "x,y"; empty when every pixel is consistent.
std::string firstInconsistentPixel(const BmpReader& reader) {
    const auto width = static_cast<std::size_t>(reader.width());
    const auto pixelStride = static_cast<std::size_t>(pixelRowStride(reader.width()));
    const auto indexStride = static_cast<std::size_t>(indexRowStride(reader.width()));
    const auto count = static_cast<unsigned>(reader.paletteCount());
    for (std::size_t y = 0; y < static_cast<std::size_t>(reader.height()); ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const unsigned index = reader.indexPlane()[y * indexStride + x];
            const std::uint8_t* pixel = reader.pixels() + y * pixelStride + 3 * x;
            if (index >= count || std::memcmp(pixel, reader.palette() + 4 * index, 3) != 0) {
                return std::to_string(x) + "," + std::to_string(y);
            }
        }
    }
    return {};
}

// A decoded picture: positive size, every pixel byte readable, and for paletted files every index
// below the palette count with its pixel holding that entry's colour.
void expectValidPicture(const BmpReader& reader) {
    ASSERT_GT(reader.width(), 0);
    ASSERT_GT(reader.height(), 0);
    // Reads the last byte of the pixel rows, so a short buffer shows under the sanitizer.
    const auto pixelBytes = static_cast<std::size_t>(pixelRowStride(reader.width())) *
                            static_cast<std::size_t>(reader.height());
    volatile std::uint8_t last = reader.pixels()[pixelBytes - 1];
    (void)last;
    if (reader.paletteCount() == 0) return;
    ASSERT_LE(reader.paletteCount(), 256);
    EXPECT_EQ(firstInconsistentPixel(reader), "");
}

void expectDecodesOrFailsCleanly(BmpReader& reader, const std::vector<std::uint8_t>& bytes) {
    if (reader.read(bytes.data(), bytes.size()) == 1) {
        expectValidPicture(reader);
    } else {
        expectCleanFailure(reader);
    }
}

std::vector<std::filesystem::path> bitmapsIn(const std::string& folder) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry :
         std::filesystem::directory_iterator(test::dataPath("bmpsuite/" + folder))) {
        if (entry.path().extension() == ".bmp") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(BmpReaderRobustness, QuestionableAndBadFilesDecodeOrFailCleanly) {
    for (const char* folder : {"q", "b"}) {
        for (const auto& path : bitmapsIn(folder)) {
            SCOPED_TRACE(path.string());
            BmpReader reader;
            expectDecodesOrFailsCleanly(reader, test::readBytes(path));
        }
    }
}

// Hides the bytes of a buffer from `length` on: under AddressSanitizer they are poisoned, so a
// read past the prefix is reported as if the buffer ended there.
class PrefixView {
public:
    PrefixView(const std::vector<std::uint8_t>& bytes, std::size_t length)
        : bytes_(bytes), length_(length) {
        ASAN_POISON_MEMORY_REGION(bytes_.data() + length_, bytes_.size() - length_);
    }
    ~PrefixView() { ASAN_UNPOISON_MEMORY_REGION(bytes_.data() + length_, bytes_.size() - length_); }
    PrefixView(const PrefixView&) = delete;
    PrefixView& operator=(const PrefixView&) = delete;

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t length_;
};

TEST(BmpReaderRobustness, EveryPrefixOfAGoodFileDecodesOrFailsCleanly) {
    BmpReader reader;
    for (const auto& path : bitmapsIn("g")) {
        const auto bytes = test::readBytes(path);
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            const PrefixView prefix(bytes, length);
            if (reader.read(bytes.data(), length) == 1) {
                expectValidPicture(reader);
            } else {
                expectCleanFailure(reader);
            }
            if (HasFailure()) {
                ADD_FAILURE() << path.filename().string() << " cut to " << length;
                return;
            }
        }
    }
}

TEST(BmpReaderRobustness, GoodFilesWithFlippedBytesDecodeOrFailCleanly) {
    constexpr int kVariantsPerFile = 300;
    // Most of what steers decoding sits in the headers, the palette and the first codes.
    constexpr std::size_t kHeadBytes = 14 + 124 + 1024 + 64;
    std::mt19937 random(20240607);
    BmpReader reader;
    for (const auto& path : bitmapsIn("g")) {
        const auto original = test::readBytes(path);
        for (int variant = 0; variant < kVariantsPerFile; ++variant) {
            auto bytes = original;
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < flips; ++i) {
                const std::size_t span =
                    i % 2 == 0 ? std::min(kHeadBytes, bytes.size()) : bytes.size();
                bytes[random() % span] ^= static_cast<std::uint8_t>(1 + random() % 255);
            }
            SCOPED_TRACE(path.filename().string() + " variant " + std::to_string(variant));
            expectDecodesOrFailsCleanly(reader, bytes);
            if (HasFailure()) return;
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
