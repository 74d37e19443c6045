#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>

#include "imagelib/png/deflate/DeflateCodec.h"
#include "tests/deflate/FixedTokens.h"
#include "tests/deflate/ReferenceDeflate.h"
#include "tests/deflate/SampleInputs.h"
#include "tests/deflate/StreamBuilder.h"
#include "tests/support/ZlibOracle.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::withAdler32;
using test::StreamBuilder;
using test::Token;

// One codec for all calls, as its slot tables are kept from call to call.
Bytes deflateWithCodec(const Bytes& input, int degree, std::size_t rowWindow = 0) {
    static DeflateCodec codec;
    Bytes output(DeflateCodec::deflateBound(input.size()));
    const std::size_t size = codec.deflate(output.data(), output.size(), input.data(), input.size(), degree, rowWindow);
    EXPECT_NE(size, 0u) << codec.errors().utf8();
    output.resize(size);
    return output;
}

// The shipped coder and the plain one write the same bytes, and zlib reads them back to the input
// with a matching Adler-32.
Bytes deflateChecked(const Bytes& input, int degree, std::size_t rowWindow = 0) {
    const Bytes stream = deflateWithCodec(input, degree, rowWindow);
    EXPECT_EQ(stream, test::referenceDeflate(input, degree, rowWindow)) << "degree " << degree;
    EXPECT_EQ(test::zlibInflate(stream), input) << "degree " << degree;
    return stream;
}

// A final fixed-code block after the header byte, with the given literals and (length,
// distance) matches, closed and followed by the Adler-32 of `data`.
Bytes fixedStream(std::uint8_t headerByte, const std::vector<Token>& tokens, const Bytes& data) {
    StreamBuilder stream({0x78, headerByte});
    stream.field(1, 1).field(1, 2);
    for (const Token& token : tokens) {
        if (token.distance == 0) stream.fixedLiteral(token.literalOrLength);
        else stream.fixedMatch(token.literalOrLength, token.distance);
    }
    stream.fixedLiteral(256);
    return withAdler32(stream.bytes(), data);
}

TEST(Deflate, SpecifiedSmallStreams) {
    const Bytes none;
    EXPECT_EQ(deflateChecked(none, 1, 10), (Bytes{0x78, 0x5E, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(deflateChecked(none, 2), (Bytes{0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(deflateChecked(none, 3), (Bytes{0x78, 0xDA, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(deflateChecked(none, 0), (Bytes{0x78, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));

    // One or two bytes: literals only.
    for (int degree : {1, 2, 3}) {
        const std::uint8_t header = degree == 1 ? 0x5E : degree == 2 ? 0x9C : 0xDA;
        EXPECT_EQ(deflateChecked({'A'}, degree, 4), fixedStream(header, {{'A'}}, {'A'}));
        EXPECT_EQ(deflateChecked({'A', 0xF0}, degree, 4), fixedStream(header, {{'A'}, {0xF0}}, {'A', 0xF0}));
    }

    // A run of 600 equal bytes: matches of at most 258 at distance 1. Degrees 2 and 3 extend a
    // match while the next index is below n - 2, degree 1 below n - 3.
    const Bytes run(600, 'a');
    const std::vector<Token> nearRun{{'a'}, {258, 1}, {258, 1}, {81, 1}, {'a'}, {'a'}};
    EXPECT_EQ(deflateChecked(run, 2), fixedStream(0x9C, nearRun, run));
    EXPECT_EQ(deflateChecked(run, 3), fixedStream(0xDA, nearRun, run));
    EXPECT_EQ(deflateChecked(run, 1, 1000),
              fixedStream(0x5E, {{'a'}, {258, 1}, {258, 1}, {80, 1}, {'a'}, {'a'}, {'a'}}, run));
}

TEST(Deflate, StoredBlocksOf65535Bytes) {
    for (std::size_t length : {std::size_t{1}, std::size_t{65534}, std::size_t{65535}, std::size_t{65536},
                               std::size_t{3 * 65535 + 7}}) {
        const Bytes input = test::randomBytes(length, 3);
        const Bytes stream = deflateChecked(input, 4);
        Bytes expected{0x78, 0x01};
        std::size_t at = 0;
        for (; length - at >= 65535; at += 65535) {
            expected.insert(expected.end(), {0x00, 0xFF, 0xFF, 0x00, 0x00});
            expected.insert(expected.end(), input.begin() + std::ptrdiff_t(at), input.begin() + std::ptrdiff_t(at + 65535));
        }
        const std::size_t r = length - at;
        if (r == 0) {
            expected.insert(expected.end(), {0x03, 0x00});
        } else {
            expected.insert(expected.end(), {0x01, std::uint8_t(r), std::uint8_t(r >> 8), std::uint8_t(~r),
                                             std::uint8_t(~r >> 8)});
            expected.insert(expected.end(), input.begin() + std::ptrdiff_t(at), input.end());
        }
        EXPECT_EQ(stream, withAdler32(expected, input)) << length;
    }
    // Every degree other than 1, 2 and 3 stores.
    EXPECT_EQ(deflateWithCodec({1, 2, 3}, -1), deflateWithCodec({1, 2, 3}, 9));
}

// zlib's view of a stream's blocks: the output size at the end of each block, and whether that
// block was the last.
std::vector<std::pair<std::size_t, bool>> zlibBlockEnds(const Bytes& stream, std::size_t outputSize) {
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    Bytes out(outputSize + 1);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    std::vector<std::pair<std::size_t, bool>> ends;
    while (::inflate(&z, Z_BLOCK) == Z_OK) {
        if ((z.data_type & 128) != 0) ends.emplace_back(z.total_out, (z.data_type & 64) != 0);
    }
    inflateEnd(&z);
    return ends;
}

TEST(Deflate, Degree1CutsItsInputIntoSegmentsOf3276800Bytes) {
    const std::size_t segment = 3276800;
    for (std::size_t length : {segment, segment + 1}) {
        const Bytes input = test::runBytes(length, 5);
        const Bytes stream = deflateChecked(input, 1, 3001);
        // The header ends on a block boundary, then each block ends once.
        const auto ends = zlibBlockEnds(stream, length);
        const std::vector<std::pair<std::size_t, bool>> expected{{0, false}, {segment, false}, {length, true}};
        EXPECT_EQ(ends, expected);
    }
}

TEST(Deflate, ShippedCodersMatchThePlainOnesByteForByte) {
    // Sizes around the window limits, the stored run and small inputs, on every kind of input.
    const std::size_t sizes[] = {3, 4, 5, 7, 100, 257, 258, 259, 1023, 1024, 1025, 1026, 5000, 33000};
    for (std::size_t size : sizes) {
        for (const auto& input : test::sampleInputs(size, std::uint32_t(size))) {
            SCOPED_TRACE(input.name + " " + std::to_string(size));
            for (int degree : {2, 3}) deflateChecked(input.bytes, degree);
            for (std::size_t window : {std::size_t{2}, std::size_t{4}, std::size_t{97}, std::size_t{292},
                                       std::size_t{4000}}) {
                deflateChecked(input.bytes, 1, window);
            }
        }
    }
}

TEST(Deflate, WideWindowsAndLongImageLikeInputs) {
    // Past the degree-3 window of 32,767 bytes, and periods just inside and outside it.
    const Bytes inputs[] = {test::imageRows(500, 30, 3, 1), test::flatImageRows(500, 30, 2),
                            test::periodicBytes(45000, 32767, 9), test::periodicBytes(45000, 33001, 9)};
    for (const Bytes& input : inputs) {
        deflateChecked(input, 3);
        deflateChecked(input, 2);
        for (std::size_t window : {std::size_t{4501}, std::size_t{32767}, std::size_t{32768}}) {
            deflateChecked(input, 1, window);
        }
    }
}

TEST(Deflate, EveryShortInputOverTwoSymbolsRoundTrips) {
    for (unsigned length = 0; length <= 12; ++length) {
        for (unsigned bits = 0; bits < (1u << length); ++bits) {
            Bytes input(length);
            for (unsigned i = 0; i < length; ++i) input[i] = (bits >> i) & 1 ? 'a' : 0;
            for (int degree : {1, 2, 3}) deflateChecked(input, degree, 3);
        }
    }
}

TEST(Deflate, RandomInputsOverSmallAlphabetsMatchThePlainCoders) {
    std::mt19937 random(21);
    for (int round = 0; round < 3000; ++round) {
        Bytes input(random() % 700);
        const auto symbols = static_cast<unsigned>(1 + random() % 6);
        for (auto& byte : input) byte = static_cast<std::uint8_t>(random() % symbols * 37);
        for (int degree : {1, 2, 3}) deflateChecked(input, degree, 2 + random() % 300);
    }
}

// The output offset at which each token starts.
std::vector<std::size_t> tokenStarts(const std::vector<Token>& tokens) {
    std::vector<std::size_t> starts;
    std::size_t at = 0;
    for (const Token& token : tokens) {
        starts.push_back(at);
        at += token.distance == 0 ? 1 : token.literalOrLength;
    }
    return starts;
}

TEST(Deflate, Degree1WalkJumpsToTheFourLowestWindowPositionsAfter257Steps) {
    // With window 300, position 1000 has window start 700. Its key K = 41 00 00 00 sits at 703
    // (entered into its slot there); at 980 a match enters 32 00 01 00, whose word is K + 65,521
    // and takes the same slot. The walk from 980 finds no K in 257 steps, jumps to 703 and matches.
    Bytes input = test::randomBytes(1010, 17);
    const Bytes key{0x41, 0, 0, 0}, collider{0x32, 0, 0x01, 0};
    std::copy(key.begin(), key.end(), input.begin() + 703);
    std::copy(collider.begin(), collider.end(), input.begin() + 902);
    std::copy(input.begin() + 900, input.begin() + 908, input.begin() + 978);
    std::copy(key.begin(), key.end(), input.begin() + 1000);
    const auto tokens = test::fixedTokens(deflateChecked(input, 1, 300));
    const auto starts = tokenStarts(tokens);
    const auto at = std::find(starts.begin(), starts.end(), 1000) - starts.begin();
    ASSERT_LT(std::size_t(at), tokens.size());
    EXPECT_EQ(tokens[std::size_t(at)].distance, 297u);
    EXPECT_GE(tokens[std::size_t(at)].literalOrLength, 4u);
}

TEST(Deflate, Degree1WindowIsCappedAt32768) {
    // A block repeated 33,000 bytes later: beyond the largest distance Deflate can send.
    Bytes input = test::randomBytes(33000, 4);
    input.insert(input.end(), input.begin(), input.begin() + 2000);
    const Bytes capped = deflateChecked(input, 1, 32768);
    EXPECT_EQ(deflateChecked(input, 1, 40001), capped);
}

TEST(Deflate, NoMatchReachesPastTheEndOfTheInput) {
    // At the last position, "abc" matches twice; the four bytes "abc" plus the byte after the
    // input would match "abc\0" at 0, but that byte is not part of the input.
    const Bytes input{'a', 'b', 'c', 0, 'x', 'y', 'z', 'a', 'b', 'c', 0, 'u', 'v', 'w', 'a', 'b', 'c'};
    const Bytes stream = deflateChecked(input, 2);
    EXPECT_EQ(stream, fixedStream(0x9C,
                                  {{'a'}, {'b'}, {'c'}, {0}, {'x'}, {'y'}, {'z'}, {4, 7}, {'u'}, {'v'}, {'w'}, {3, 7}},
                                  input));
}

TEST(Deflate, OutputThatDoesNotFitFails) {
    const Bytes input = test::randomBytes(1000, 8);
    for (int degree : {0, 1, 2, 3}) {
        DeflateCodec codec;
        const std::size_t needed = deflateWithCodec(input, degree, 100).size();
        Bytes output(needed - 1);
        EXPECT_EQ(codec.deflate(output.data(), output.size(), input.data(), input.size(), degree, 100), 0u);
        EXPECT_STREQ(codec.errors().narrow(), shiftJisText(Msg::DataTooLong));
    }
}

}  // namespace
}  // namespace pictrano
