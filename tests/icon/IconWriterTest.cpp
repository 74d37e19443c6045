#include <gtest/gtest.h>

#include <list>
#include <random>
#include <string>

#include "imagelib/icon/IconWriter.h"
#include "tests/icon/IconFile.h"

namespace pictrano {
namespace {

using namespace test;

constexpr Bgr kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{0, 0, 255}, kGreen{0, 255, 0},
    kBlue{255, 0, 0}, kYellow{0, 255, 255};

constexpr std::int32_t kBorder = 0x40000010;

Bytes entries(const std::vector<Bgr>& colours) {
    Bytes out;
    for (const Bgr& c : colours)
        out.insert(out.end(), {std::uint8_t(c[0]), std::uint8_t(c[1]), std::uint8_t(c[2]), 0});
    return out;
}

// The writer reads the rows it is given where they lie until it writes: the helpers' rows stay
// for the whole run.
const Bytes& kept(Bytes bytes) {
    static std::list<Bytes> all;
    return all.emplace_back(std::move(bytes));
}

void setPixels(IconWriter& writer, const TestPicture& picture) {
    const Bytes& rows = kept(picture.rows());
    ASSERT_EQ(writer.setFromPixels(rows.data(), picture.width, picture.height), 1);
}

void setPalette(IconWriter& writer, const TestPicture& picture) {
    const Bytes& plane = kept(picture.indexPlane());
    ASSERT_EQ(writer.setFromPalette(picture.palette.data(), picture.paletteCount(), plane.data(),
                                    picture.width, picture.height, 8),
              1);
}

ParsedIcon written(IconWriter& writer) {
    Bytes file;
    const std::size_t size = writer.write(file);
    EXPECT_EQ(size, file.size()) << writer.errors().utf8();
    return ParsedIcon(file);
}

TestPicture gradient(int w, int h) {
    return TestPicture::ofColours(w, h, [](int x, int y) {
        return Bgr{(x * 37) % 256, (y * 53) % 256, (x * y) % 256};
    });
}

TEST(IconWriter, DirectoryEntryAndHeaderDescribeTheImage) {
    struct Case {
        int width, height, colours;  // colours 0: 24-bit
        std::uint32_t lattice;
        std::size_t paletteBytes, colourBytes, maskBytes, fileSize;
        int bitCount, colourCount, coloursUsed;
    };
    const Case cases[] = {
        {32, 32, 0, 0, 0, 3072, 128, 3262, 24, 0, 0},
        {16, 16, 16, 0, 64, 128, 64, 318, 4, 16, 16},
        {16, 16, 256, 0x060606, 1024, 256, 64, 1406, 8, 0, 256},
        {9, 3, 2, 0, 8, 12, 12, 94, 1, 2, 2},
        {300, 2, 0, 0, 0, 1800, 80, 1942, 24, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " colours " +
                     std::to_string(c.colours));
        IconWriter writer;
        setPixels(writer, gradient(c.width, c.height));
        if (c.colours != 0) {
            ASSERT_EQ(writer.reduce(c.colours, 2, 0, c.lattice), 1);
        }
        const ParsedIcon icon = written(writer);
        EXPECT_EQ(icon.file.size(), c.fileSize);
        EXPECT_EQ(icon.paletteBytes + icon.colourBytes + icon.maskBytes,
                  c.paletteBytes + c.colourBytes + c.maskBytes);
        // Directory, entry, then the info header at 22 with the height doubled for the mask
        // and an image size that counts the mask; every field as offset, bytes, value.
        const std::uint32_t fields[][3] = {
            {0, 2, 0}, {2, 2, 1}, {4, 2, 1}, {6, 1, std::uint32_t(c.width & 0xFF)},
            {7, 1, std::uint32_t(c.height & 0xFF)}, {8, 1, std::uint32_t(c.colourCount)}, {9, 1, 0},
            {10, 2, 1}, {12, 2, std::uint32_t(c.bitCount)}, {14, 4, std::uint32_t(c.fileSize - 22)},
            {18, 4, 22}, {22, 4, 40}, {26, 4, std::uint32_t(c.width)}, {30, 4, std::uint32_t(2 * c.height)},
            {34, 2, 1}, {36, 2, std::uint32_t(c.bitCount)}, {38, 4, 0},
            {42, 4, std::uint32_t(c.colourBytes + c.maskBytes)}, {54, 4, std::uint32_t(c.coloursUsed)}};
        for (const auto& [at, bytes, value] : fields) {
            const std::uint32_t found = bytes == 1 ? icon.file[at] : bytes == 2 ? std::uint32_t(icon.u16(at)) : icon.u32(at);
            EXPECT_EQ(found, value) << "offset " << at;
        }
        if (c.lattice == 0x060606) {  // 216 lattice entries, then 40 zero entries
            EXPECT_EQ(icon.entry(215), kWhite);
            for (int i = 216; i < 256; ++i) ASSERT_EQ(icon.u32(62 + 4 * i), 0u) << "entry " << i;
        }
        for (std::size_t i = 0; i < icon.maskBytes; ++i)
            ASSERT_EQ(icon.file[icon.file.size() - 1 - i], 0) << "no transparency: mask clear";
    }
}

TEST(IconWriter, TheColourBitsAreTheRowsBottomRowFirst) {
    const TestPicture picture = gradient(7, 5);
    IconWriter writer;
    setPixels(writer, picture);
    const ParsedIcon icon = written(writer);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(icon.colour(x, y), picture.at(x, y)) << x << "," << y;

    Bytes palette = entries({kRed, kGreen, kBlue, kWhite, kYellow});
    const TestPicture indexed =
        TestPicture::ofIndices(6, 3, palette, [](int x, int y) { return (x + 2 * y) % 5; });
    setPalette(writer, indexed);
    const ParsedIcon fromPalette = written(writer);
    EXPECT_EQ(fromPalette.bitCount, 8);
    EXPECT_EQ(fromPalette.header32(32), 256u);
    EXPECT_EQ(fromPalette.file[8], 0) << "colour count at 8 bits";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(fromPalette.entry(i), indexed.at(i, 0)) << "entry " << i;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(fromPalette.index(x, y), indexed.indices[y * 6 + x]);
}

TEST(IconWriter, TheBorderRuleFollowsItsCountingOrder) {
    // A white border with one black pixel: white.
    IconWriter writer;
    const auto white = static_cast<std::int32_t>(rgbOf(kWhite));
    setPixels(
        writer, TestPicture::ofColours(6, 5, [](int x, int y) {
            return (x == 3 && y == 0) ? kBlack : (x > 0 && x < 5 && y > 0 && y < 4) ? kRed : kWhite;
        }));
    EXPECT_EQ(writer.resolveRule(kBorder), white);
    // No value repeats: the first collected, the bottom-left pixel.
    setPixels(writer, TestPicture::ofColours(2, 2, [](int x, int y) { return Bgr{x, y, 9}; }));
    EXPECT_EQ(writer.resolveRule(kBorder), static_cast<std::int32_t>(rgbOf({0, 1, 9})));

    // Random small pictures of few colours, ties included, against the plain rule.
    std::mt19937 random(10);
    const Bgr colours[] = {kRed, kGreen, kBlue, kWhite};
    for (int trial = 0; trial < 400; ++trial) {
        const int w = 1 + int(random() % 6), h = 1 + int(random() % 6);
        std::vector<int> pick(w * h);
        for (int& p : pick) p = int(random() % 4);
        const auto at = [&](int x, int y) { return pick[y * w + x]; };
        const TestPicture indexed =
            TestPicture::ofIndices(w, h, entries({kRed, kGreen, kBlue, kWhite}), at);
        IconWriter pixels, palette;
        setPixels(pixels, indexed);
        setPalette(palette, indexed);
        const int expected = plainBorderValue<int>(w, h, at);
        ASSERT_EQ(palette.resolveRule(kBorder), expected) << w << "x" << h << " trial " << trial;
        ASSERT_EQ(pixels.resolveRule(kBorder), static_cast<std::int32_t>(rgbOf(colours[expected])))
            << w << "x" << h << " trial " << trial;
    }
}

// The mask marks exactly the transparent pixels, first pixel in the top bit, bottom row first;
// masked pixels are written black. Widths around the byte and row-padding boundaries.
TEST(IconWriter, TransparentPixelsAreMaskedAndBlack) {
    for (const int width : {1, 7, 8, 9, 32, 33}) {
        SCOPED_TRACE("width " + std::to_string(width));
        const auto colourAt = [](int x, int y) {
            return (x * 3 + y) % 4 == 0 ? kRed : (x + y) % 2 ? kGreen : kWhite;
        };
        const TestPicture picture = TestPicture::ofColours(width, 3, colourAt);
        IconWriter writer;
        setPixels(writer, picture);
        ASSERT_EQ(writer.setTransparent(0xFF0000), 1);  // pure red
        const ParsedIcon icon = written(writer);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
                const bool red = picture.at(x, y) == kRed;
                ASSERT_EQ(icon.masked(x, y), red) << x << "," << y;
                ASSERT_EQ(icon.colour(x, y), red ? kBlack : picture.at(x, y)) << x << "," << y;
            }
        // Reduced after the mask was set: the mask stays, masked pixels take black's index.
        setPixels(writer, picture);
        ASSERT_EQ(writer.setTransparent(0xFF0000), 1);
        ASSERT_EQ(writer.reduce(16, 2, 0, 0), 1);
        const ParsedIcon reduced = written(writer);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(reduced.masked(x, y), picture.at(x, y) == kRed);
                ASSERT_EQ(reduced.colour(x, y), reduced.masked(x, y) ? kBlack : picture.at(x, y));
            }
    }

    // Palette colour bits: every pixel of the index, written with the first black entry's index.
    const TestPicture indexed =
        TestPicture::ofIndices(5, 2, entries({kRed, kGreen, kBlack, kBlue, kBlack}),
                               [](int x, int y) { return (x + y) % 4; });
    IconWriter writer;
    setPalette(writer, indexed);
    ASSERT_EQ(writer.setTransparent(1), 1);
    const ParsedIcon icon = written(writer);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) {
            const int index = indexed.indices[y * 5 + x];
            ASSERT_EQ(icon.masked(x, y), index == 1);
            ASSERT_EQ(icon.index(x, y), index == 1 ? 2 : index);
        }
}

// A palette without black gains it where no visible pixel uses it, so masked pixels stay
// transparent on screen: in the first unused entry, or in a full palette in the masked entry.
TEST(IconWriter, APaletteWithoutBlackGainsItForTheMaskedPixels) {
    const TestPicture small = TestPicture::ofIndices(4, 2, entries({kRed, kGreen, kWhite}),
                                                     [](int x, int) { return x % 3; });
    IconWriter writer;
    setPalette(writer, small);
    ASSERT_EQ(writer.setTransparent(1), 1);
    ParsedIcon icon = written(writer);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(icon.index(x, 0), x % 3 == 1 ? 3 : x % 3);
        EXPECT_EQ(icon.colour(x, 1), x % 3 == 1 ? kBlack : small.at(x, 1));
    }

    std::vector<Bgr> full;
    for (int i = 0; i < 256; ++i) full.push_back({i, 255 - i / 2, 128});
    const TestPicture crowded =
        TestPicture::ofIndices(16, 16, entries(full), [](int x, int y) { return 16 * y + x; });
    setPalette(writer, crowded);
    ASSERT_EQ(writer.setTransparent(77), 1);
    icon = written(writer);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(icon.masked(x, y), 16 * y + x == 77);
            ASSERT_EQ(icon.colour(x, y), 16 * y + x == 77 ? kBlack : crowded.at(x, y));
        }
}

TEST(IconWriter, AnIconHoldsRowsWhateverCompressionIsAskedFor) {
    IconWriter writer;
    setPixels(writer, TestPicture::ofColours(40, 4, [](int, int) { return kBlue; }));
    ASSERT_EQ(writer.reduce(256, 2, 1, 0), 1);
    const ParsedIcon icon = written(writer);
    EXPECT_EQ(icon.header32(16), 0u);
    EXPECT_EQ(icon.colourBytes, 160u);
    for (int x = 0; x < 40; ++x) ASSERT_EQ(icon.colour(x, 3), kBlue);
}

TEST(IconWriter, FailuresLeaveTheirMessage) {
    const TestPicture picture =
        TestPicture::ofIndices(3, 2, entries({kRed, kGreen}), [](int x, int) { return x % 2; });
    const Bytes plane = picture.indexPlane(), rows = picture.rows(),
                palette = entries(std::vector<Bgr>(17, kRed));
    IconWriter writer;
    const auto fails = [&writer](std::int64_t result, const char* message) {
        EXPECT_EQ(result, 0) << message;
        EXPECT_EQ(writer.errors().utf8(), message);
    };
    fails(writer.setTransparent(0), "ビットデ－タがありません。");
    fails(writer.reduce(16, 2, 0, 0), "ビットデータがありません。");
    fails(writer.selectLattice(12, 12), "ビットデータがありません。");
    Bytes file;
    fails(writer.write(file), "イメージ情報がありません。");

    for (int bitCount : {0, 2, 24}) {
        fails(writer.setFromPalette(picture.palette.data(), 2, plane.data(), 3, 2, bitCount), "出力ビット数が不正です。");
    }
    fails(writer.setFromPixels(nullptr, 3, 2), "パラメータが不正です。");
    fails(writer.setFromPixels(rows.data(), 0, 2), "パラメータが不正です。");
    // More entries than the bit count can index would not fit the written palette.
    fails(writer.setFromPalette(palette.data(), 17, plane.data(), 3, 2, 4), "パラメータが不正です。");
    EXPECT_EQ(writer.setFromPalette(palette.data(), 2, plane.data(), 3, 2, 4), 1);
    fails(writer.setTransparent(1), "ビット数が不正です。");

    ASSERT_EQ(writer.setFromPixels(rows.data(), 3, 2), 1);
    fails(writer.reduce(8, 2, 0, 0), "サポートされていないパレット数です。");
    // Reduction and lattice selection read 24-bit rows only.
    ASSERT_EQ(writer.reduce(16, 2, 0, 0), 1);
    fails(writer.reduce(2, 2, 0, 0), "ビット数が不正です。");
    EXPECT_EQ(writer.selectLattice(12, 12), 0u);
    EXPECT_EQ(writer.write(file), 62u + 64 + 8 + 8) << "the 4-bit icon is still written";
}

}  // namespace
}  // namespace pictrano
