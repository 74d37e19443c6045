#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <string>

#include "imagelib/png/deflate/DeflateCodec.h"
#include "tests/deflate/ReferenceInflate.h"
#include "tests/deflate/SampleInputs.h"
#include "tests/deflate/StreamBuilder.h"
#include "tests/support/ZlibOracle.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::withAdler32;
using test::InflateOutcome;
using test::StreamBuilder;

InflateOutcome inflateWithCodec(const Bytes& input, std::size_t capacity,
                                const std::vector<Bytes>* pieces = nullptr) {
    DeflateCodec codec;
    Bytes output(capacity);
    InflateOutcome outcome;
    if (pieces == nullptr) {
        outcome.position = codec.inflate(output.data(), capacity, input.data(), input.size());
    } else {
        std::vector<ByteSpan> spans;
        for (const Bytes& piece : *pieces) spans.push_back({piece.data(), piece.size()});
        outcome.position = codec.inflate(output.data(), capacity, spans.data(), spans.size());
    }
    output.resize(codec.inflatedLength());
    outcome.output = output;
    if (outcome.position == 0) {
        // Find which message was left; both texts must agree.
        for (int id = 0; id < int(Msg::Count); ++id) {
            if (std::string(codec.errors().narrow()) != shiftJisText(Msg(id))) continue;
            EXPECT_EQ(std::u16string(codec.errors().wide()), utf16Text(Msg(id)));
            outcome.failure = Msg(id);
        }
        EXPECT_TRUE(outcome.failure) << "no message after a failure";
    }
    return outcome;
}

// The input cut into pieces of 0 to 9 bytes, each in a buffer of its own size, so that a read
// past a piece's end is caught.
std::vector<Bytes> cutIntoPieces(const Bytes& input) {
    std::minstd_rand random(static_cast<unsigned>(input.size()) + 1);
    std::vector<Bytes> pieces;
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t length = std::min<std::size_t>(random() % 10, input.size() - at);
        pieces.emplace_back(input.begin() + std::ptrdiff_t(at), input.begin() + std::ptrdiff_t(at + length));
        at += length;
    }
    return pieces;
}

// The table-driven inflate, given the input whole and in pieces, and the plain linear-search
// one agree on everything.
InflateOutcome inflateBoth(const Bytes& input, std::size_t capacity) {
    const InflateOutcome outcome = inflateWithCodec(input, capacity);
    EXPECT_EQ(outcome, test::referenceInflate(input, capacity));
    const std::vector<Bytes> pieces = cutIntoPieces(input);
    EXPECT_EQ(inflateWithCodec(input, capacity, &pieces), outcome);
    return outcome;
}

Bytes ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(Inflate, ShortAndEmptyStreams) {
    // Two bytes or fewer: position 16, nothing written.
    for (const Bytes& input : {Bytes{}, Bytes{0x78}, Bytes{0x78, 0x9C}}) {
        const InflateOutcome outcome = inflateBoth(input, 16);
        EXPECT_EQ(outcome.position, 16u);
        EXPECT_TRUE(outcome.output.empty());
    }
    // A final stored block of length 0: the position just after its four length bytes.
    EXPECT_EQ(inflateBoth({0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF}, 0).position, 56u);
    // A final fixed block holding only the end-of-block code: 16 + 3 + 7 bits.
    EXPECT_EQ(inflateBoth({0x78, 0x9C, 0x03, 0x00}, 0).position, 26u);
}

TEST(Inflate, FixedBlockMatchOfLength258AtDistance1RepeatsTheLastByte) {
    StreamBuilder stream({0x78, 0x9C});
    stream.field(1, 1).field(1, 2).fixedLiteral('A').fixedLiteral(285).fixedDistance(0).fixedLiteral(256);
    const InflateOutcome outcome = inflateBoth(stream.bytes(), 259);
    EXPECT_EQ(outcome.output, Bytes(259, 'A'));
    EXPECT_EQ(outcome.position, stream.bitCount());
}

TEST(Inflate, HeaderAndChecksumAreNotExamined) {
    Bytes stream = test::zlibCompress(ascii("header and checksum"), {});
    stream[0] = 0x12;
    stream[1] = 0x34;
    stream.back() ^= 0xFF;
    EXPECT_EQ(inflateBoth(stream, 64).output, ascii("header and checksum"));
}

TEST(Inflate, NonFinalBlockEndingAtTheEndOfTheInputIsAccepted) {
    StreamBuilder stream;
    stream.field(0, 1).field(0, 2).alignedBytes({3, 0, 0xFC, 0xFF, 'a', 'b', 'c'});
    const InflateOutcome outcome = inflateBoth(stream.bytes(), 3);
    EXPECT_EQ(outcome.output, ascii("abc"));
    EXPECT_EQ(outcome.position, stream.bytes().size() * 8);
}

// A dynamic block description: its literal/length and distance counts and the code-length
// symbols (with the value of their extra bits) that send the lengths as one sequence.
struct DynamicBlock {
    unsigned literalCount, distanceCount;
    std::vector<std::pair<unsigned, unsigned>> lengthCodes;
};

// Starts a final dynamic block. The code-length code gives symbols 0-4 and 16-18 3-bit codes, in
// symbol order: 000, 001, 010, 011, 100, 101, 110, 111.
StreamBuilder describe(const DynamicBlock& block) {
    const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    auto codeOf = [](unsigned symbol) { return symbol <= 4 ? symbol : symbol - 11; };
    StreamBuilder stream({0x78, 0x01});
    stream.field(1, 1).field(2, 2).field(block.literalCount - 257, 5).field(block.distanceCount - 1, 5).field(15, 4);
    for (unsigned symbol : order) stream.field(symbol <= 4 || symbol >= 16 ? 3 : 0, 3);
    for (auto [symbol, extra] : block.lengthCodes) {
        stream.code(codeOf(symbol), 3);
        if (symbol == 16) stream.field(extra, 2);
        if (symbol == 17) stream.field(extra, 3);
        if (symbol == 18) stream.field(extra, 7);
    }
    return stream;
}

TEST(Inflate, CodeLengthRepeatMayRunFromLiteralLengthsIntoDistanceLengths) {
    // A zero run (17) over literal/length 259 and distances 0 and 1: 'a' 00, 'b' 01, 256 10,
    // 257 110, 258 111; distance 2 is 0 and distance 3 is 1.
    StreamBuilder zeros = describe({260, 4, {{18, 86}, {2, 0}, {2, 0}, {18, 127}, {18, 8}, {2, 0}, {3, 0},
                                             {3, 0}, {17, 0}, {1, 0}, {1, 0}}});
    zeros.code(0b00, 2).code(0b01, 2).code(0b00, 2).code(0b01, 2);  // abab
    zeros.code(0b110, 3).code(1, 1).code(0b111, 3).code(0, 1).code(0b10, 2);  // 3 at 4, 4 at 3, end
    // A repeat of length 3 (16) over 257, 258 and distances 0-4, then 5-7: 'a' 0, 256 10,
    // 257 110, 258 111; distance i is i in 3 bits.
    StreamBuilder previous = describe({259, 8, {{18, 86}, {1, 0}, {18, 127}, {18, 9}, {2, 0}, {3, 0},
                                                {16, 3}, {16, 0}}});
    previous.code(0, 1).code(0b110, 3).code(0, 3).code(0b111, 3).code(1, 3).code(0b10, 2);
    const struct {
        StreamBuilder& stream;
        std::string expected;
    } cases[] = {{zeros, "abababaabaa"}, {previous, "aaaaaaaa"}};
    for (const auto& c : cases) {
        const Bytes expected = ascii(c.expected);
        EXPECT_EQ(test::zlibInflate(withAdler32(c.stream.bytes(), expected)), expected);
        const InflateOutcome outcome = inflateBoth(c.stream.bytes(), 64);
        EXPECT_EQ(outcome.output, expected);
        EXPECT_EQ(outcome.position, c.stream.bitCount());
    }
}

TEST(Inflate, IncompleteCodesAreAcceptedAndABitPatternWithoutCodeFailsWhereMet) {
    // Literal/length codes 'a' 00, 'b' 01, 256 10 (11 has no symbol); one distance code of 1 bit.
    const DynamicBlock block{257, 1, {{18, 86}, {2, 0}, {2, 0}, {18, 127}, {18, 8}, {2, 0}, {1, 0}}};
    StreamBuilder complete = describe(block);
    complete.code(0b00, 2).code(0b01, 2).code(0b00, 2).code(0b10, 2);
    EXPECT_EQ(inflateBoth(complete.bytes(), 8).output, ascii("aba"));

    StreamBuilder missing = describe(block);
    missing.code(0b00, 2).code(0b11, 2).code(0b10, 2);
    const InflateOutcome outcome = inflateBoth(missing.bytes(), 8);
    EXPECT_EQ(outcome.failure, Msg::HuffmanCodeNotFound);
    EXPECT_EQ(outcome.output, ascii("a"));
}

// Long inputs through the table-driven form, shorter ones through both forms.
TEST(Inflate, ZlibStreamsOfEveryLevelAndStrategyInflateToTheirInput) {
    std::vector<test::SampleInput> inputs = test::sampleInputs(70000, 3);
    inputs.push_back({"empty", {}});
    inputs.push_back({"one byte", {42}});
    inputs.push_back({"small text", ascii("abcabcabcabcabcabcabcd")});
    const std::vector<test::SampleInput> shorter = test::sampleInputs(9000, 5);
    for (const auto& settings : test::zlibSettingsToCover()) {
        SCOPED_TRACE("level " + std::to_string(settings.level) + " strategy " + std::to_string(settings.strategy) +
                     " window " + std::to_string(settings.windowBits) + " memLevel " +
                     std::to_string(settings.memLevel));
        for (const auto& input : inputs) {
            SCOPED_TRACE(input.name);
            const Bytes stream = test::zlibCompress(input.bytes, settings);
            const InflateOutcome outcome = inflateWithCodec(stream, input.bytes.size());
            ASSERT_FALSE(outcome.failure);
            ASSERT_EQ(outcome.output, input.bytes);
            // The last block ends in the byte before the four Adler-32 bytes.
            EXPECT_EQ((outcome.position + 7) / 8, stream.size() - 4);
        }
        for (const auto& input : shorter) {
            ASSERT_EQ(inflateBoth(test::zlibCompress(input.bytes, settings), input.bytes.size()).output, input.bytes)
                << input.name;
        }
    }
}

// Bounds the stream format itself leaves to the decoder, each a clean failure.
TEST(Inflate, StreamsBreakingABoundFailWithTheirMessage) {
    struct Case {
        const char* name;
        Bytes stream;
        std::size_t capacity;
        Msg message;
        std::size_t written;
    };
    auto fixed = [] { return std::move(StreamBuilder({0x78, 0x9C}).field(1, 1).field(1, 2)); };
    const Bytes abcStored{0x78, 0x01, 0x01, 3, 0, 0xFC, 0xFF, 'a', 'b', 'c'};
    const Bytes abcFixed = fixed().fixedLiteral('a').fixedLiteral('b').fixedLiteral('c').fixedLiteral(256).bytes();
    const Bytes runFixed = fixed().fixedLiteral('a').fixedLiteral(258).fixedDistance(0).fixedLiteral(256).bytes();
    // Code lengths starting with a repeat of the previous length, before there is one.
    const DynamicBlock repeatFirst{259, 2, {{16, 0}}};
    // Lengths 2, 2, 2, 2, 2 for 'a'..'e': five codes of two bits do not fit.
    const DynamicBlock overSubscribed{259, 2, {{18, 86}, {2, 0}, {16, 1}, {18, 127}, {18, 5}, {17, 2}}};
    // A non-final fixed block of four 9-bit literals ends 2 bits before the end of the input.
    StreamBuilder nonFinal({0x78, 0x9C});
    nonFinal.field(0, 1).field(1, 2);
    for (int i = 0; i < 4; ++i) nonFinal.fixedLiteral(144);
    nonFinal.fixedLiteral(256);
    const Case cases[] = {
        {"block type 3", Bytes{0x78, 0x01, 0x07}, 8, Msg::BlockTypeInvalid, 0},
        {"literal/length symbol 286", fixed().fixedLiteral(286).bytes(), 8, Msg::InvalidHuffmanCode, 0},
        {"distance symbol 30", fixed().fixedLiteral('a').fixedLiteral(257).fixedDistance(30).bytes(), 8,
         Msg::DistanceCodeInvalid, 1},
        {"distance before the output start",
         fixed().fixedLiteral('a').fixedLiteral(257).fixedDistance(1).fixedLiteral(256).bytes(), 8,
         Msg::DistanceCodeInvalid, 1},
        {"literals past the capacity", abcFixed, 2, Msg::DataTooLong, 2},
        {"match past the capacity", runFixed, 3, Msg::DataTooLong, 3},
        {"stored bytes past the capacity", abcStored, 1, Msg::DataTooLong, 1},
        {"stored length past the input", Bytes(abcStored.begin(), abcStored.end() - 1), 8, Msg::NoBitData, 0},
        {"stored header past the input", Bytes{0x78, 0x01, 0x01, 3, 0}, 8, Msg::NoBitData, 0},
        {"block header past the input", nonFinal.bytes(), 8, Msg::NoBitData, 4},
        {"fixed block past the input", Bytes(abcFixed.begin(), abcFixed.end() - 1), 8, Msg::NoBitData, 3},
        {"repeat before any length", describe(repeatFirst).bytes(), 8, Msg::DynamicTableFailed, 0},
        {"over-subscribed literal/length code", describe(overSubscribed).bytes(), 8, Msg::DynamicTableFailed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const InflateOutcome outcome = inflateBoth(c.stream, c.capacity);
        EXPECT_EQ(outcome.position, 0u);
        EXPECT_EQ(outcome.failure, c.message);
        EXPECT_EQ(outcome.output.size(), c.written);
    }
}

// Every prefix of a few streams, and random byte flips, fail cleanly or inflate, with the same
// outcome from both forms; the input is read from a buffer of its exact size.
TEST(Inflate, TruncatedAndCorruptedStreamsFailCleanlyAndAlike) {
    std::mt19937 random(11);
    for (const auto& input : test::sampleInputs(700, 13)) {
        for (const auto& settings : {test::ZlibSettings{9, Z_DEFAULT_STRATEGY}, test::ZlibSettings{1, Z_FIXED},
                                     test::ZlibSettings{0, Z_DEFAULT_STRATEGY}}) {
            const Bytes stream = test::zlibCompress(input.bytes, settings);
            SCOPED_TRACE(input.name);
            for (std::size_t length = 0; length < stream.size(); ++length) {
                inflateBoth(Bytes(stream.begin(), stream.begin() + std::ptrdiff_t(length)), input.bytes.size());
            }
            for (int flip = 0; flip < 300; ++flip) {
                Bytes corrupt = stream;
                for (int n = 1 + int(random() % 3); n > 0; --n) corrupt[random() % corrupt.size()] ^= std::uint8_t(1 + random() % 255);
                inflateBoth(corrupt, random() % 2 ? input.bytes.size() : 2 * input.bytes.size());
            }
        }
    }
}

}  // namespace
}  // namespace pictrano
