#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/DibImage.h"
#include "imagelib/image/RowLayout.h"
#include "imagelib/png/PngReader.h"
#include "imagelib/png/PngWriter.h"
#include "tests/png/ReferenceFilters.h"
#include "tests/support/PngOracle.h"
#include "tests/support/PngTestFiles.h"

namespace pictrano {
namespace {

using test::Bytes;

struct Picture {
    int width;
    int height;
    Bytes rows;  // 24-bit rows, padded
};

// Colour areas, ramps and noise, so that every filter wins some rows.
Picture randomPicture(std::uint32_t seed, int width, int height) {
    std::mt19937 random(seed);
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    Picture picture{width, height, Bytes(stride * height, 0)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* bgr = picture.rows.data() + y * stride + 3 * x;
            for (int c = 0; c < 3; ++c) {
                switch ((x / 4 + y / 3 + c) % 3) {
                    case 0: bgr[c] = static_cast<std::uint8_t>(random()); break;
                    case 1: bgr[c] = static_cast<std::uint8_t>(x * 11 + y * 5 + c * 60); break;
                    default: bgr[c] = static_cast<std::uint8_t>(c * 100 + 20); break;
                }
            }
        }
    }
    return picture;
}

// The packed PNG row the rules give for a row of 24-bit pixels: RGB samples (times 257 at 16
// bits) or grey from the luminance 77 R + 150 G + 29 B (its top bits, or all 16).
Bytes expectedRow(const std::uint8_t* bgr, int width, int colourType, int bitDepth) {
    Bytes row;
    if (colourType == 2) {
        for (int x = 0; x < width; ++x) {
            for (int c = 2; c >= 0; --c) {
                row.push_back(bgr[3 * x + c]);
                if (bitDepth == 16) row.push_back(bgr[3 * x + c]);
            }
        }
        return row;
    }
    row.assign((static_cast<std::size_t>(width) * bitDepth + 7) / 8, 0);
    for (int x = 0; x < width; ++x) {
        const long luminance = 77L * bgr[3 * x + 2] + 150L * bgr[3 * x + 1] + 29L * bgr[3 * x];
        if (bitDepth == 16) {
            row[2 * x] = static_cast<std::uint8_t>(luminance / 256);
            row[2 * x + 1] = static_cast<std::uint8_t>(luminance % 256);
        } else {
            const long sample = luminance / (1L << (16 - bitDepth));
            const int bit = x * bitDepth;
            row[bit / 8] =
                static_cast<std::uint8_t>(row[bit / 8] | sample << (8 - bitDepth - bit % 8));
        }
    }
    return row;
}

std::size_t filterStep(int colourType, int bitDepth) {
    const int bits = (colourType == 2 ? 3 : 1) * bitDepth;
    return bits < 8 ? 1 : static_cast<std::size_t>(bits / 8);
}

// The filter byte of every row is the one asked for, or the automatic choice, and the filtered
// bytes follow from the unfiltered rows.
void expectFilteredAsAsked(const Bytes& file, const std::vector<Bytes>& rows, std::size_t step,
                           int filter, const std::string& what) {
    const Bytes data = test::inflatedImageData(file);
    const std::size_t rowBytes = rows[0].size();
    ASSERT_EQ(data.size(), (rowBytes + 1) * rows.size()) << what;
    Bytes above;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        const int type = filter >= 0 && filter <= 4
                             ? filter
                             : test::referenceAutomaticFilter(rows[y], above, step);
        const auto* written = data.data() + y * (rowBytes + 1);
        ASSERT_EQ(written[0], type) << what << " row " << y;
        ASSERT_EQ(Bytes(written + 1, written + 1 + rowBytes),
                  test::referenceFilterRow(rows[y], above, step, type))
            << what << " row " << y;
        above = rows[y];
    }
}

TEST(PngWriter, EveryFormatFilterAndDegreeReadsBackWithLibpngAndWithOurReader) {
    const std::vector<std::pair<int, int>> formats = {{0, 1}, {0, 2},  {0, 4}, {0, 8}, {0, 16},
                                                      {2, 8}, {2, 16}, {3, 4}, {3, 8}};
    const std::vector<std::pair<int, int>> sizes = {{1, 1}, {1, 6}, {7, 1}, {5, 3}, {37, 9}};
    std::uint32_t seed = 1;
    for (const auto& [width, height] : sizes) {
        const Picture picture = randomPicture(seed++, width, height);
        for (const auto& [colourType, bitDepth] : formats) {
            for (const int filter : {0, 1, 2, 3, 4, 5, -1}) {
                for (const int degree : {0, 1, 2, 3, 9}) {
                    const std::string what = "type " + std::to_string(colourType) + " depth " +
                                             std::to_string(bitDepth) + " filter " +
                                             std::to_string(filter) + " degree " +
                                             std::to_string(degree) + " " + std::to_string(width) +
                                             "x" + std::to_string(height);
                    PngWriter writer;
                    Bytes file;
                    const std::size_t size = writer.write(file, picture.rows.data(), colourType,
                                                          bitDepth, width, height, filter, degree);
                    ASSERT_GT(size, 0u) << what << ": " << writer.errors().utf8();
                    ASSERT_EQ(file.size(), size);

                    const auto raw = test::rawPngRowsWithLibpng(file);
                    if (colourType != 3) {
                        for (int y = 0; y < height; ++y) {
                            ASSERT_EQ(raw[y],
                                      expectedRow(picture.rows.data() + y * pixelRowStride(width),
                                                  width, colourType, bitDepth))
                                << what << " row " << y;
                        }
                    }
                    expectFilteredAsAsked(file, raw, filterStep(colourType, bitDepth), filter,
                                          what);

                    const auto oracle = test::decodePngBytesWithLibpng(file);
                    ASSERT_EQ(oracle.colourType, colourType) << what;
                    ASSERT_EQ(oracle.bitDepth, bitDepth) << what;
                    PngReader reader;
                    ASSERT_EQ(reader.read(file.data(), file.size()), 1)
                        << what << ": " << reader.errors().utf8();
                    ASSERT_EQ(test::unpadRows(reader.pixels(), width, height), oracle.bgr) << what;
                }
            }
        }
    }
}

// Indexed colour is reduced as a Bitmap of the same bit count is: same palette, same indices.
TEST(PngWriter, IndexedColourHasThePaletteAndIndicesOfTheBitmapReduction) {
    const Picture picture = randomPicture(77, 45, 23);
    DibImage image;
    ASSERT_EQ(image.create(picture.rows.data(), 8, picture.width, picture.height), 1);
    for (const int bitDepth : {4, 8}) {
        SaveParams params{};
        params.structSize = sizeof params;
        params.format = kFormatBitmap;
        params.colourModel = 2;
        params.bitCount = static_cast<std::uint16_t>(bitDepth);
        ImageSaver saver;
        Bytes bitmap;
        ASSERT_GT(saver.encode(bitmap, image, &params), 0u) << saver.errors().utf8();
        BmpReader bmp;
        ASSERT_EQ(bmp.read(bitmap.data(), bitmap.size()), 1);

        PngWriter writer;
        Bytes file;
        ASSERT_GT(writer.write(file, picture.rows.data(), 3, bitDepth, picture.width,
                               picture.height, 5, 2),
                  0u)
            << writer.errors().utf8();
        const auto oracle = test::decodePngBytesWithLibpng(file);
        ASSERT_EQ(static_cast<int>(oracle.plte.size()), 3 * bmp.paletteCount()) << bitDepth;
        for (int i = 0; i < bmp.paletteCount(); ++i) {
            EXPECT_EQ(oracle.plte[3 * i], bmp.palette()[4 * i + 2]) << "red of entry " << i;
            EXPECT_EQ(oracle.plte[3 * i + 1], bmp.palette()[4 * i + 1]) << "green of entry " << i;
            EXPECT_EQ(oracle.plte[3 * i + 2], bmp.palette()[4 * i]) << "blue of entry " << i;
        }
        for (int y = 0; y < picture.height; ++y) {
            const std::uint8_t* indices = bmp.indexPlane() + y * indexRowStride(picture.width);
            ASSERT_TRUE(std::equal(indices, indices + picture.width,
                                   oracle.samples.begin() + y * picture.width))
                << bitDepth << " bits, row " << y;
        }
    }
}

TEST(PngWriter, WritesAPaletteAndIndexPlaneAsTheyAre) {
    const int width = 19;
    const int height = 4;
    Bytes entries(4 * 256);
    for (int i = 0; i < 256; ++i) {
        entries[4 * i] = static_cast<std::uint8_t>(i);
        entries[4 * i + 1] = static_cast<std::uint8_t>(255 - i);
        entries[4 * i + 2] = static_cast<std::uint8_t>(i * 7);
    }
    const auto stride = static_cast<std::size_t>(indexRowStride(width));
    Bytes plane(stride * height, 0xCC);  // padding bytes must not reach the file
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            plane[y * stride + x] = static_cast<std::uint8_t>(x * 13 + y);
    }
    PngWriter writer;
    Bytes file;
    ASSERT_GT(
        writer.writeIndexed(file, entries.data(), 256, plane.data(), 3, 8, width, height, 4, 3), 0u)
        << writer.errors().utf8();
    const auto oracle = test::decodePngBytesWithLibpng(file);
    ASSERT_EQ(oracle.plte.size(), 768u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(oracle.plte[3 * i], entries[4 * i + 2]);
        EXPECT_EQ(oracle.plte[3 * i + 2], entries[4 * i]);
    }
    for (int y = 0; y < height; ++y) {
        EXPECT_TRUE(std::equal(plane.begin() + y * stride, plane.begin() + y * stride + width,
                               oracle.samples.begin() + y * width))
            << "row " << y;
    }

    // An index beyond the given entries gets a palette entry of its own, black as the picture
    // shows it, so that the file stays valid.
    plane[3] = 5;
    ASSERT_GT(writer.writeIndexed(file, entries.data(), 2, plane.data(), 3, 8, width, height, 0, 0),
              0u);
    const auto extended = test::decodePngBytesWithLibpng(file);
    std::uint8_t highest = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) highest = std::max(highest, plane[y * stride + x]);
    }
    ASSERT_EQ(extended.plte.size(), 3u * (highest + 1));
    EXPECT_EQ(extended.plte[3 * 5], 0);
    EXPECT_EQ(extended.plte[3 * 5 + 1], 0);
    EXPECT_EQ(extended.plte[3 * 5 + 2], 0);
    EXPECT_EQ(extended.plte[0], entries[2]);
}

TEST(PngWriter, GreyEdgeCasesOfTheRules) {
    // One pixel wide, 1 bit: one byte per row, low 7 bits 0. Mid grey (L = 32,768) is 1.
    const Bytes rows = {128, 128, 128, 0, 127, 128, 128, 0};
    PngWriter writer;
    Bytes file;
    ASSERT_GT(writer.write(file, rows.data(), 0, 1, 1, 2, 0, 0), 0u);
    const auto raw = test::rawPngRowsWithLibpng(file);
    ASSERT_EQ(raw.size(), 2u);
    EXPECT_EQ(raw[0], Bytes{0x80});
    EXPECT_EQ(raw[1], Bytes{0x00}) << "77 x 128 + 150 x 128 + 29 x 127 is below 32,768";
}

TEST(PngWriter, RefusesFormatsItDoesNotWrite) {
    const Bytes rows(16 * 4, 100);
    const Bytes entries(16, 0);
    const Bytes plane(16, 0);
    const struct {
        int colourType;
        int bitDepth;
        const char* message;
    } cases[] = {
        {4, 8, "サポートされていない色形式です。"},
        {6, 8, "サポートされていない色形式です。"},
        {1, 8, "サポートされていない色形式です。"},
        {0, 3, "サポートされていないビット数です。"},
        {0, 32, "サポートされていないビット数です。"},
        {2, 4, "サポートされていないビット数です。"},
        {2, 24, "サポートされていないビット数です。"},
        {3, 1, "サポートされていないビット数です。"},
        {3, 2, "サポートされていないビット数です。"},
        {3, 16, "サポートされていないビット数です。"},
    };
    for (const auto& c : cases) {
        PngWriter writer;
        Bytes file;
        EXPECT_EQ(writer.write(file, rows.data(), c.colourType, c.bitDepth, 4, 4, 0, 0), 0u);
        EXPECT_EQ(writer.errors().utf8(), c.message) << c.colourType << "/" << c.bitDepth;
        EXPECT_TRUE(file.empty());
    }
    for (const auto& [colourType, bitDepth] :
         std::vector<std::pair<int, int>>{{3, 4}, {2, 8}, {0, 8}, {3, 16}}) {
        PngWriter writer;
        Bytes file;
        EXPECT_EQ(writer.writeIndexed(file, entries.data(), 4, plane.data(), colourType, bitDepth,
                                      4, 4, 0, 0),
                  0u);
        EXPECT_EQ(writer.errors().utf8(), "サポートされていないデータ形式です。");
    }
    PngWriter writer;
    Bytes file;
    EXPECT_EQ(writer.write(file, rows.data(), 2, 8, 0, 4, 0, 0), 0u);
    EXPECT_EQ(writer.errors().utf8(), "パラメータが不正です。");
    EXPECT_EQ(writer.write(file, rows.data(), 2, 8, 100000, 100000, 0, 0), 0u);
    EXPECT_EQ(writer.errors().utf8(), "メモリが不足しています。");
}

}  // namespace
}  // namespace pictrano
