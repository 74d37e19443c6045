#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "imagelib/image/MessageCatalogue.h"
#include "imagelib/image/RowLayout.h"
#include "imagelib/jpeg/JpegDecoder.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::Bytes;

// The messages a read may end with.
const std::set<std::string>& knownMessages() {
    static const std::set<std::string> messages = [] {
        std::set<std::string> out;
        using enum Msg;
        for (Msg id : {OutOfMemory, NoTag, FrameParseFailed, HuffmanTableParseFailed, ScanParseFailed,
                       QuantTableParseFailed, AppSegmentParseFailed, CommentParseFailed,
                       RestartIntervalLengthInvalid, NoFrameData2, UnsupportedProcess, NoFrameInfo,
                       ComponentCountInvalid, NoScanData, TablesUnavailable, QuantTableUnavailable,
                       NoMatchingDcCode, NoMatchingAcCode, ZrlTooLong, DataTooLong, NoSuitableHuffmanTable,
                       NoPredictor, ComponentCountInvalidLossless, DcHuffmanTableUnavailable,
                       AcHuffmanTableUnavailable, InvalidValue, AcRestoreFailed}) {
            out.insert(utf16ToUtf8(utf16Text(id)));
        }
        return out;
    }();
    return messages;
}

// The bytes come in a buffer of exactly their size, so that any read past them shows under
// the address sanitizer; a success must leave a whole picture to read.
void expectDecodesOrFailsCleanly(const Bytes& bytes, const std::string& what) {
    JpegDecoder decoder;
    decoder.OutputFlags = 0x13;
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    if (decoder.read(exact.get(), bytes.size()) == 0) {
        const std::string message = decoder.errors().utf8();
        if (message.rfind("対応していないタグ(0x", 0) == 0) return;
        ASSERT_TRUE(knownMessages().count(message)) << what << ": " << message;
        return;
    }
    ASSERT_GT(decoder.width(), 0) << what;
    ASSERT_GT(decoder.height(), 0) << what;
    const auto units = static_cast<std::size_t>(pixelRowStride(decoder.width()) * decoder.height());
    volatile unsigned last = decoder.precision() > 8 ? static_cast<const std::uint16_t*>(decoder.pixels())[units - 1]
                                                     : static_cast<const std::uint8_t*>(decoder.pixels())[units - 1];
    (void)last;
}

const char* const kFiles[] = {
    "generated/base-420.jpg",        "generated/base-grey-restart.jpg", "generated/base-restart.jpg",
    "generated/prog-restart.jpg",    "generated/prog-17x13.jpg",       "generated/ext-12bit.jpg",
    "generated/lossless-restart.jpg", "generated/lossless-ycc-p6.jpg", "generated/lossless-16bit-grey.jpg",
    "generated/base-17x13.jpg",
};

TEST(JpegRobustness, EveryPrefixDecodesOrFailsCleanly) {
    for (const char* name : kFiles) {
        const Bytes file = test::readBytes(test::dataPath(std::string("jpeg/") + name));
        const std::size_t step = file.size() < 2000 ? 1 : file.size() / 700 + 1;
        for (std::size_t length = 0; length <= file.size(); length += step) {
            expectDecodesOrFailsCleanly(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)),
                                        std::string(name) + " cut at " + std::to_string(length));
        }
    }
}

TEST(JpegRobustness, RandomCorruptionDecodesOrFailsCleanly) {
    std::mt19937 random(77);
    for (const char* name : kFiles) {
        const Bytes file = test::readBytes(test::dataPath(std::string("jpeg/") + name));
        std::uniform_int_distribution<std::size_t> position(0, file.size() - 1);
        std::uniform_int_distribution<int> value(0, 255), flips(1, 8);
        for (int round = 0; round < 120; ++round) {
            Bytes broken = file;
            const int count = flips(random);
            for (int i = 0; i < count; ++i) {
                // Most flips in the headers, where lengths and counts live.
                const std::size_t at = round % 2 ? position(random) : position(random) % std::min<std::size_t>(file.size(), 700);
                broken[at] = static_cast<std::uint8_t>(round % 3 ? value(random) : broken[at] ^ (1 << (i % 8)));
            }
            expectDecodesOrFailsCleanly(broken, std::string(name) + " round " + std::to_string(round));
        }
    }
}

}  // namespace
}  // namespace pictrano
