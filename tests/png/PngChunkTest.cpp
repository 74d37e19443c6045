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

}  // namespace
}  // namespace pictrano
