#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "imagelib/png/Crc32.h"
#include "imagelib/png/PngChunk.h"
#include "tests/support/PngTestFiles.h"

namespace pictrano {
namespace {

using test::Bytes;

Bytes randomBytes(std::mt19937& random, std::size_t count) {
    Bytes bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

Bytes serialised(const PngChunk& chunk) {
    Bytes out(chunk.length() + 12);
    EXPECT_EQ(chunk.serialise(out.data()), out.size());
    return out;
}

TEST(Crc32, AgreesWithZlib) {
    std::mt19937 random(1);
    for (std::size_t length : {0u, 1u, 2u, 3u, 4u, 7u, 8u, 9u, 100u, 255u, 256u, 4096u, 100003u}) {
        const Bytes bytes = randomBytes(random, length);
        EXPECT_EQ(crc32(bytes.data(), bytes.size()),
                  ::crc32(0, bytes.data(), static_cast<uInt>(bytes.size())))
            << length;
    }
}

TEST(PngChunk, BuildsChunksAsTheFileFormatLaysThemOut) {
    std::mt19937 random(2);
    for (std::size_t length : {0u, 1u, 13u, 1000u}) {
        const Bytes data = randomBytes(random, length);
        PngChunk chunk;
        EXPECT_EQ(chunk.build("tEXt", data.data(), data.size()), length + 8);
        EXPECT_EQ(serialised(chunk), test::pngChunk("tEXt", data));
    }
    PngChunk header;
    EXPECT_EQ(header.buildHeader(0x01020304, 77, 16, 2), 21u);
    EXPECT_EQ(serialised(header), test::imageHeader(0x01020304, 77, 16, 2));
    PngChunk end;
    EXPECT_EQ(end.buildEnd(), 8u);
    EXPECT_EQ(serialised(end), (Bytes{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
}

TEST(PngChunk, ParsesChunksAndCutsALengthThatRunsPastTheBytes) {
    const Bytes whole = test::pngChunk("IDAT", {1, 2, 3, 4, 5});
    PngChunk chunk;
    EXPECT_EQ(chunk.parse(whole.data(), whole.size()), whole.size());
    EXPECT_TRUE(chunk.hasType("IDAT"));
    EXPECT_FALSE(chunk.hasType("IDAx"));
    EXPECT_EQ(Bytes(chunk.data(), chunk.data() + chunk.length()), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(serialised(chunk), whole);

    // Cut inside the CRC: all data, CRC bytes missing read as zero.
    EXPECT_EQ(chunk.parse(whole.data(), 15), 15u);
    EXPECT_EQ(chunk.length(), 5u);
    EXPECT_EQ(chunk.storedCrc(), static_cast<std::uint32_t>(whole[13]) << 24 | whole[14] << 16);
    // Cut inside the data: the data present.
    EXPECT_EQ(chunk.parse(whole.data(), 10), 10u);
    EXPECT_EQ(Bytes(chunk.data(), chunk.data() + chunk.length()), (Bytes{1, 2}));
    // A length near 4 GiB asks for nothing beyond the bytes given.
    Bytes huge = whole;
    huge[0] = huge[1] = huge[2] = huge[3] = 0xFF;
    EXPECT_EQ(chunk.parse(huge.data(), huge.size()), huge.size());
    EXPECT_EQ(chunk.length(), huge.size() - 8);
}

TEST(PngChunkList, SplitsFindsConcatenatesAndSerialises) {
    const std::vector<Bytes> parts = {test::imageHeader(3, 2, 8, 0), test::pngChunk("IDAT", {1, 2}),
                                      test::pngChunk("tEXt", {9}),   test::pngChunk("IDAT", {}),
                                      test::pngChunk("IDAT", {3}),   test::pngChunk("IEND", {})};
    Bytes file;
    for (const Bytes& part : parts) file.insert(file.end(), part.begin(), part.end());
    file.insert(file.end(), {7, 7, 7, 7, 7, 7, 7});  // too short for a chunk: ignored

    PngChunkList list;
    EXPECT_EQ(list.split(file.data(), file.size()), parts.size());
    EXPECT_EQ(list.count(), parts.size());
    ASSERT_NE(list.find("IDAT", 2), nullptr);
    EXPECT_EQ(list.find("IDAT", 2)->data()[0], 3);
    EXPECT_EQ(list.find("IDAT", 3), nullptr);
    EXPECT_EQ(list.find("PLTE"), nullptr);
    EXPECT_EQ(list.dataLength("IDAT"), 3u);
    EXPECT_EQ(list.dataLength("IEND"), 0u);
    Bytes data;
    EXPECT_EQ(list.concatenate("IDAT", data), 3u);
    EXPECT_EQ(data, (Bytes{1, 2, 3}));
    EXPECT_EQ(list.serialisedSize(), file.size() - 7);
    Bytes out(list.serialisedSize());
    EXPECT_EQ(list.serialise(out.data()), out.size());
    EXPECT_EQ(out, Bytes(file.begin(), file.end() - 7));
    list.clear();
    EXPECT_EQ(list.count(), 0u);
}

}  // namespace
}  // namespace pictrano
