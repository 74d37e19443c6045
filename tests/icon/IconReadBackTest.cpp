// Icons saved through the front at every bit count, from 24-bit and palette pictures, with every
// transparency request, read by ImageMagick (an independent reader) with the size, colours and
// transparent pixels that the rules predict.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include "imagelib/front/ImageSaver.h"
#include "tests/icon/IconFile.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using namespace test;

constexpr int kWidth = 13, kHeight = 9;

struct Request {
    const char* name;
    std::int32_t transparency;
};

// Every rule, a colour the picture holds, and one it does not.
std::vector<Request> requests(std::int32_t presentColour) {
    return {{"none", kNoTransparency},
            {"top-left", kTransparentTopLeft},
            {"top-right", kTransparentTopRight},
            {"bottom-left", kTransparentBottomLeft},
            {"bottom-right", kTransparentBottomRight},
            {"border", kTransparentBorder},
            {"present colour", presentColour},
            {"absent colour", 0x123456}};
}

// Which pixels the request makes transparent: those of the named corner's or the border's colour
// (palette source: index), or of the colour given (palette source: of its first entry).
std::set<int> transparentPixels(const TestPicture& picture, std::int32_t request,
                                bool fromPalette) {
    const auto key = [&](int x, int y) {
        return fromPalette ? static_cast<std::uint32_t>(picture.indices[y * kWidth + x])
                           : rgbOf(picture.at(x, y));
    };
    std::int64_t wanted = -1;
    switch (request) {
        case kTransparentTopLeft: wanted = key(0, 0); break;
        case kTransparentTopRight: wanted = key(kWidth - 1, 0); break;
        case kTransparentBottomLeft: wanted = key(0, kHeight - 1); break;
        case kTransparentBottomRight: wanted = key(kWidth - 1, kHeight - 1); break;
        case kTransparentBorder:
            wanted = plainBorderValue<std::uint32_t>(kWidth, kHeight, key);
            break;
        case kNoTransparency: break;
        default:
            if (!fromPalette) {
                wanted = request;
                break;
            }
            for (int i = 0; i < picture.paletteCount() && wanted < 0; ++i) {
                if (rgbOf({picture.palette[4 * i], picture.palette[4 * i + 1],
                           picture.palette[4 * i + 2]}) == static_cast<std::uint32_t>(request))
                    wanted = i;
            }
    }
    std::set<int> out;
    for (int i = 0; i < kWidth * kHeight; ++i)
        if (key(i % kWidth, i / kWidth) == wanted) out.insert(i);
    return out;
}

// The colour a pixel keeps at the bit count. The pictures hold only colours whose channels are 0
// or 255: all in the fixed 16-colour palette and on every lattice, so only 2 colours changes them,
// to the strictly nearer of white and black.
Bgr reducedColour(const Bgr& c, int bitCount) {
    if (bitCount != 1) return c;
    int toWhite = 0, toBlack = 0;
    for (int v : c) {
        toWhite += (255 - v) * (255 - v);
        toBlack += v * v;
    }
    return toWhite < toBlack ? Bgr{255, 255, 255} : Bgr{0, 0, 0};
}

DibImage dibOf(const TestPicture& picture) {
    DibImage image;
    const Bytes rows = picture.rows();
    EXPECT_EQ(image.create(rows.data(), 8, picture.width, picture.height), 1);
    if (!picture.palette.empty()) {
        const Bytes plane = picture.indexPlane();
        EXPECT_EQ(image.attachPalette(picture.palette.data(), picture.paletteCount(), plane.data()),
                  1);
    }
    return image;
}

class IconReadBack : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("convert -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ImageMagick (convert) is not installed";
    }

    // Saves the picture as an icon and compares ImageMagick's reading with the rules.
    void expectIcon(const TestPicture& picture, int bitCount, const Request& request) {
        SCOPED_TRACE(std::to_string(bitCount) + " bits, " + request.name);
        SaveParams params{};
        params.structSize = sizeof(SaveParams);
        params.format = kFormatIcon;
        params.colourModel = 2;
        params.bitCount = static_cast<std::uint16_t>(bitCount);
        setTransparency(params, request.transparency);
        const DibImage image = dibOf(picture);
        const bool fromPalette = !picture.palette.empty() && bitCount == 8;
        ImageSaver saver;
        const std::string path = (directory / "icon.ico").string();
        ASSERT_GT(saver.saveFile(path, image, &params), 0u) << saver.errors().utf8();

        const std::string command =
            "convert '" + path + "' -print '%w %h' -depth 8 'rgba:" + path + ".rgba'";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        int width = 0, height = 0;
        const int scanned = fscanf(pipe, "%d %d", &width, &height);
        ASSERT_EQ(pclose(pipe), 0) << "ImageMagick cannot read the icon";
        ASSERT_EQ(scanned, 2);
        ASSERT_EQ(width, kWidth);
        ASSERT_EQ(height, kHeight);
        const Bytes rgba = readBytes(path + ".rgba");
        ASSERT_EQ(rgba.size(), 4u * kWidth * kHeight);

        const std::set<int> transparent =
            transparentPixels(picture, request.transparency, fromPalette);
        for (int i = 0; i < kWidth * kHeight; ++i) {
            const std::uint8_t* p = &rgba[4 * i];
            if (transparent.contains(i)) {
                ASSERT_EQ(p[3], 0) << "pixel " << i << " should be transparent";
                continue;
            }
            ASSERT_EQ(p[3], 255) << "pixel " << i << " should be opaque";
            const Bgr expected = reducedColour(picture.pixels[i], bitCount);
            ASSERT_EQ((Bgr{p[2], p[1], p[0]}), expected) << "pixel " << i;
        }
    }

    TempDir directory;
};

constexpr Bgr kCorners[] = {
    {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};  // red, green, blue, white

// Random 0-or-255 colours with distinct corners: top-left red, top-right green, bottom-left blue,
// bottom-right white; black and red inside, which both become black at 1 bit.
TestPicture cornersPicture() {
    std::mt19937 random(7);
    return TestPicture::ofColours(kWidth, kHeight, [&random](int x, int y) {
        const bool left = x == 0, right = x == kWidth - 1, top = y == 0, bottom = y == kHeight - 1;
        if ((left || right) && (top || bottom)) return kCorners[(bottom ? 2 : 0) + (right ? 1 : 0)];
        if (x == 5 && y == 4) return Bgr{0, 0, 0};
        if (x == 6 && y == 4) return Bgr{0, 0, 255};
        const auto bits = random();
        return Bgr{bits & 1 ? 255 : 0, bits & 2 ? 255 : 0, bits & 4 ? 255 : 0};
    });
}

TEST_F(IconReadBack, PicturesOf24BitsAtEveryBitCountAndTransparency) {
    const TestPicture picture = cornersPicture();
    for (int bitCount : {1, 4, 8, 24})
        for (const Request& request : requests(0xFF0000))  // red: merges with black at 1 bit
            expectIcon(picture, bitCount, request);
}

TEST_F(IconReadBack, PalettePicturesWithAndWithoutBlack) {
    // Blue twice: a colour request takes the first. No black in the first two palettes.
    const std::vector<std::vector<Bgr>> palettes = {
        {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 0}, {255, 255, 255}, {0, 0, 0}},
        {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 0}, {255, 255, 255}},
        {},
    };
    for (auto colours : palettes) {
        if (colours.empty())  // full, every entry in use somewhere
            for (int i = 0; i < 256; ++i) colours.push_back({i, 255, 255 - i});
        Bytes palette;
        for (const Bgr& c : colours)
            palette.insert(palette.end(),
                           {std::uint8_t(c[0]), std::uint8_t(c[1]), std::uint8_t(c[2]), 0});
        const int count = static_cast<int>(colours.size());
        std::mt19937 random(static_cast<unsigned>(count));
        const TestPicture picture =
            TestPicture::ofIndices(kWidth, kHeight, palette, [&](int x, int y) {
                const bool corner = (x == 0 || x == kWidth - 1) && (y == 0 || y == kHeight - 1);
                return corner ? (x == 0 ? 0 : 1) + (y == 0 ? 0 : 2)
                              : static_cast<int>(random() % 5);
            });
        SCOPED_TRACE(std::to_string(count) + " entries");
        for (const Request& request : requests(0x0000FF)) expectIcon(picture, 8, request);
        // At 4 bits a palette picture is reduced from its colours; a colour is matched directly.
        if (count != 256) expectIcon(picture, 4, {"present colour", 0x0000FF});
    }
}

}  // namespace
}  // namespace pictrano
