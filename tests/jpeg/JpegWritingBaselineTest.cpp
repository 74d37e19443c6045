#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "imagelib/jpeg/JpegEncoder.h"
#include "imagelib/jpeg/JpegZigZag.h"
#include "tests/jpeg/JpegWritingOracle.h"
#include "tests/jpeg/JpegWritingReference.h"

namespace pictrano {
namespace {

using test::Bytes;
using test::LibjpegPicture;

Bytes scanDataOf(const JpegEncoder& encoder) {
    const JpegScan& scan = *encoder.stream().scans.get(0);
    return Bytes(scan.data.begin(), scan.data.begin() + static_cast<std::ptrdiff_t>(scan.dataLength));
}

// How often the cases of block coding worth watching occurred.
struct Occurrences {
    int endsAtLastPosition = 0;  // the last AC value is non-zero: no end of block
    int longRuns = 0;            // a run of 16 zeros or more before a value
    int stuffedBytes = 0;
};

void countOccurrences(const test::ReferenceScan& reference, Occurrences& seen) {
    for (const auto& component : reference.blocks) {
        for (const test::CodedBlock& block : component) {
            if (block[63] != 0) ++seen.endsAtLastPosition;
            int run = 0;
            for (std::size_t k = 1; k < 64; ++k) {
                if (block[kZigZagToNatural[k]] == 0) {
                    ++run;
                } else {
                    if (run >= 16) ++seen.longRuns;
                    run = 0;
                }
            }
        }
    }
    for (std::size_t i = 0; i + 1 < reference.data.size(); ++i) {
        if (reference.data[i] == 0xFF && reference.data[i + 1] == 0x00) ++seen.stuffedBytes;
    }
}

// libjpeg's coefficients of each component (its blocks inside the picture, rows first) equal
// the values the plain coder coded.
void expectLibjpegReadsTheCodedValues(const Bytes& file, const test::ReferenceScan& reference,
                                      const JpegFrame& frame, const std::string& what) {
    const std::vector<test::LibjpegComponentBlocks> read = test::readCoefficientsWithLibjpeg(file);
    ASSERT_EQ(read.size(), reference.blocks.size()) << what;
    for (std::size_t c = 0; c < read.size(); ++c) {
        const FrameComponent& component = frame.components[c];
        const int width = (frame.samplesPerLine * component.horizontal + frame.largestHorizontal - 1) / frame.largestHorizontal;
        const int height = (frame.lines * component.vertical + frame.largestVertical - 1) / frame.largestVertical;
        const int across = (width + 7) / 8, down = (height + 7) / 8;
        ASSERT_EQ(read[c].blocks.size(), static_cast<std::size_t>(across * down)) << what;
        for (int row = 0; row < down; ++row) {
            for (int column = 0; column < across; ++column) {
                const test::CodedBlock& coded = reference.blocks[c][static_cast<std::size_t>(row * reference.blocksAcross[c] + column)];
                const auto& block = read[c].blocks[static_cast<std::size_t>(row * across + column)];
                for (std::size_t i = 0; i < 64; ++i) {
                    ASSERT_EQ(block[i], coded[i]) << what << " component " << c << " block " << row << "," << column << " value " << i;
                }
            }
        }
    }
}

struct Sampling {
    const char* name;
    int h[3];
    int v[3];
};

const Sampling kSamplings[] = {
    {"1:1:1", {1, 1, 1}, {1, 1, 1}}, {"2x1", {2, 1, 1}, {1, 1, 1}}, {"2x2", {2, 1, 1}, {2, 1, 1}},
    {"1x2", {1, 1, 1}, {2, 1, 1}},   {"4x1 2x1", {4, 2, 1}, {1, 1, 1}}, {"3x1 1x3", {3, 1, 1}, {1, 3, 1}},
};

TEST(JpegWritingBaseline, TheFastCoderWritesThePlainCodersBytesAndLibjpegReadsTheCodedValues) {
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {8, 8}, {17, 13}, {40, 33}, {64, 64}, {300, 9}};
    Occurrences seen;
    int files = 0;
    for (const auto& [width, height] : sizes) {
        const LibjpegPicture picture = test::drawTestPicture(width, height, 3, static_cast<unsigned>(width));
        for (int model : {kJpegGrey, kJpegRgb, kJpegYcbcr}) {
            for (const Sampling& sampling : kSamplings) {
                for (int quality : {0, 1, 20, 50, 80, 99}) {
                    const std::string what = std::to_string(width) + "x" + std::to_string(height) + " model " +
                                             std::to_string(model) + " " + sampling.name + " quality " + std::to_string(quality);
                    test::EncoderWithPixels encoder;
                    test::BaselineRequest request{model, {}, {}, true, quality};
                    std::copy(sampling.h, sampling.h + 3, request.horizontal);
                    std::copy(sampling.v, sampling.v + 3, request.vertical);
                    const Bytes file = test::writeBaseline(encoder, picture, request);
                    const test::ReferenceScan reference = test::referenceBaselineScan(encoder);
                    ASSERT_EQ(scanDataOf(encoder), reference.data) << what;
                    expectLibjpegReadsTheCodedValues(file, reference, *encoder.stream().frames.get(0), what);
                    countOccurrences(reference, seen);
                    ++files;
                }
            }
        }
    }
    EXPECT_EQ(files, 756);
    EXPECT_GT(seen.endsAtLastPosition, 0);
    EXPECT_GT(seen.longRuns, 0);
    EXPECT_GT(seen.stuffedBytes, 0);
}

TEST(JpegWritingBaseline, AUniformBlockCodesItsDcAndTheOneCoefficientTheWeightsLeave) {
    // 1,984 s and 4 s are the sums of the W[0][0] and W[4][4] weights.
    for (int value : {0, 128, 255, 200}) {
        test::EncoderWithPixels encoder;
        const LibjpegPicture grey{8, 8, 1, Bytes(64, static_cast<std::uint8_t>(value))};
        test::BaselineRequest request;
        request.colourModel = kJpegGrey;
        request.quality = 1;
        const Bytes file = test::writeBaseline(encoder, grey, request);
        const auto read = test::readCoefficientsWithLibjpeg(file);
        const int s = value - 128;
        for (std::size_t i = 0; i < 64; ++i) {
            const int expected = i == 0 ? (1984 * s + 128) >> 8 : i == 36 ? (4 * s + 128) >> 8 : 0;
            EXPECT_EQ(read[0].blocks[0][i], expected) << value << " " << i;
        }
    }
}

TEST(JpegWritingBaseline, DecodedPicturesApproximateTheSourceAsTheQualityPromises) {
    const LibjpegPicture picture = test::drawTestPicture(160, 120, 3, 3);
    // Lower bounds in dB for the stored components (luminance, R G B or Y Cb Cr) and for the
    // RGB picture of a YCbCr file, at full resolution; sub-sampled chroma is taken by point
    // sampling, which the second pair of bounds allows for. Even quality 1 loses a little: the
    // truncated weights scale DC by 31/32. The figures seen are printed.
    struct Bound {
        int quality;
        double stored, rgb, storedSubsampled, rgbSubsampled;
    };
    const Bound bounds[] = {{1, 44, 41, 28.5, 25.5}, {20, 35, 30.5, 28, 25}, {50, 32, 28, 27.5, 24},
                            {80, 30.5, 26.5, 27, 23.5}, {99, 30, 26, 26.5, 23}};
    for (int model : {kJpegGrey, kJpegRgb, kJpegYcbcr}) {
        for (const Sampling& sampling : {kSamplings[0], kSamplings[2]}) {
            if (model == kJpegGrey && sampling.h[0] != 1) continue;
            const bool subsampled = sampling.h[0] != 1;
            double previous = INFINITY;
            for (const Bound& bound : bounds) {
                test::EncoderWithPixels encoder;
                test::BaselineRequest request{model, {}, {}, true, bound.quality};
                std::copy(sampling.h, sampling.h + 3, request.horizontal);
                std::copy(sampling.v, sampling.v + 3, request.vertical);
                const Bytes file = test::writeBaseline(encoder, picture, request);
                const LibjpegPicture stored = test::storedComponents(encoder);
                const double storedPsnr = test::psnrOf(test::decodeWrittenFile(file, model, false), stored);
                std::printf("model %d %-5s quality %2d: %6zu bytes, stored %.2f dB", model, sampling.name,
                            bound.quality, file.size(), storedPsnr);
                EXPECT_GE(storedPsnr, subsampled ? bound.storedSubsampled : bound.stored) << model << " " << bound.quality;
                EXPECT_LT(storedPsnr, previous) << "finer qualities come closer";
                previous = storedPsnr;
                if (model == kJpegYcbcr) {
                    const double rgbPsnr = test::psnrOf(test::decodeWrittenFile(file, model, true), picture);
                    std::printf(", RGB %.2f dB", rgbPsnr);
                    EXPECT_GE(rgbPsnr, subsampled ? bound.rgbSubsampled : bound.rgb) << bound.quality;
                }
                std::printf("\n");
                if (bound.quality == 80) {
                    test::EncoderWithPixels unscaled;
                    request.quality = 0;
                    EXPECT_EQ(test::writeBaseline(unscaled, picture, request), file) << "quality 80 keeps the tables";
                }
            }
        }
    }
}

TEST(JpegWritingBaseline, TheLargestValuesOfExtremeBlocksAtQualityOneHaveCodes) {
    // Each block holds the extreme samples that maximise one coefficient: 127 where its weight
    // is positive, -128 elsewhere (after the level shift), and the negated block beside it. AC
    // values then reach 1,002 (category 10) and DC differences 1,976 (category 11): the Annex K
    // tables code both, so no value needs keeping within them.
    const ForwardDctWeights weights;
    LibjpegPicture picture{128, 64, 1, Bytes(128 * 64)};
    for (int c = 0; c < 64; ++c) {
        for (int i = 0; i < 64; ++i) {
            const bool positive = weights.of(c)[i] > 0;
            const auto x = static_cast<std::size_t>((c % 8) * 16 + i % 8), y = static_cast<std::size_t>((c / 8) * 8 + i / 8);
            picture.samples[y * 128 + x] = positive ? 255 : 0;
            picture.samples[y * 128 + x + 8] = positive ? 0 : 255;
        }
    }
    test::EncoderWithPixels encoder;
    const Bytes file = test::writeBaseline(encoder, picture, {kJpegGrey, {}, {}, false, 1});
    const test::ReferenceScan reference = test::referenceBaselineScan(encoder);
    ASSERT_EQ(scanDataOf(encoder), reference.data);
    expectLibjpegReadsTheCodedValues(file, reference, *encoder.stream().frames.get(0), "extremes");
    int largestAc = 0, largestDifference = 0, previousDc = 0;
    for (const test::CodedBlock& block : reference.blocks[0]) {
        for (std::size_t i = 1; i < 64; ++i) largestAc = std::max(largestAc, std::abs(block[i]));
        largestDifference = std::max(largestDifference, std::abs(block[0] - previousDc));
        previousDc = block[0];
    }
    EXPECT_EQ(largestAc, 1002);
    EXPECT_EQ(largestDifference, 1976);
}

// A table that codes every run with values of categories 1 to `categories` only (DC: categories
// 0 to `categories`), each symbol with a code of `codeLength` bits.
std::unique_ptr<JpegHuffmanTable> restrictedTable(int tableClass, int categories, int codeLength = 8) {
    Bytes symbols;
    if (tableClass == 0) {
        for (int c = 0; c <= categories; ++c) symbols.push_back(static_cast<std::uint8_t>(c));
    } else {
        symbols = {0x00, 0xF0};
        for (int run = 0; run < 16; ++run) {
            for (int c = 1; c <= categories; ++c) symbols.push_back(static_cast<std::uint8_t>(run * 16 + c));
        }
    }
    Bytes body(17, 0);
    body[0] = static_cast<std::uint8_t>(tableClass << 4);
    body[static_cast<std::size_t>(codeLength)] = static_cast<std::uint8_t>(symbols.size());
    body.insert(body.end(), symbols.begin(), symbols.end());
    auto table = std::make_unique<JpegHuffmanTable>();
    EXPECT_GT(table->parse(body.data(), body.size(), 0), 0u);
    return table;
}

TEST(JpegWritingBaseline, ValuesBeyondTheTablesAreKeptToTheLargestValueTheyCode) {
    const LibjpegPicture picture = test::drawTestPicture(48, 40, 3, 9);
    const Bytes rows = test::toPixelRows(picture);
    // Tables that code DC differences up to category 5 (magnitude 31) and AC values up to
    // category 3 (magnitude 7) only; DC values then follow the picture in steps of at most 31.
    test::EncoderWithPixels encoder;
    ASSERT_EQ(encoder.setImage(rows.data(), 48, 40, kJpegGrey, true), 1);
    encoder.stream().huffmanTables.replace(0, restrictedTable(0, 5));
    encoder.stream().huffmanTables.replace(1, restrictedTable(1, 3));
    ASSERT_EQ(encoder.scaleQuality(0), 1);
    ASSERT_EQ(encoder.encodeBaseline(), 1);
    Bytes file;
    ASSERT_GT(encoder.serialise(&file), 0u);
    const test::ReferenceScan reference = test::referenceBaselineScan(encoder);
    ASSERT_EQ(scanDataOf(encoder), reference.data);
    expectLibjpegReadsTheCodedValues(file, reference, *encoder.stream().frames.get(0), "small tables");
    int largestAc = 0, largestDifference = 0, previousDc = 0;
    for (const test::CodedBlock& block : reference.blocks[0]) {
        for (std::size_t i = 1; i < 64; ++i) largestAc = std::max(largestAc, std::abs(block[i]));
        largestDifference = std::max(largestDifference, std::abs(block[0] - previousDc));
        previousDc = block[0];
    }
    EXPECT_EQ(largestAc, 7) << "some values were kept to the limit";
    EXPECT_EQ(largestDifference, 31);
}

TEST(JpegWritingBaseline, TheScanGrowsForPicturesThatCodeLargerThanItsFirstSize) {
    // Noise at quality 1 coded with 16-bit codes for every symbol takes about 3 bytes a sample,
    // more than the 512 bytes per 32 x 32 samples first set aside.
    LibjpegPicture noise{96, 64, 3, {}};
    std::mt19937 random(1);
    for (int i = 0; i < 96 * 64 * 3; ++i) noise.samples.push_back(static_cast<std::uint8_t>(random()));
    const Bytes rows = test::toPixelRows(noise);
    test::EncoderWithPixels encoder;
    ASSERT_EQ(encoder.setImage(rows.data(), 96, 64, kJpegRgb, true), 1);
    encoder.stream().huffmanTables.replace(0, restrictedTable(0, 11, 16));
    encoder.stream().huffmanTables.replace(1, restrictedTable(1, 10, 16));
    ASSERT_EQ(encoder.scaleQuality(0), 1);
    ASSERT_EQ(encoder.encodeBaseline(), 1);
    Bytes file;
    ASSERT_GT(encoder.serialise(&file), 0u);
    EXPECT_GT(encoder.stream().scans.get(0)->dataLength, 3u * 2 * 3 * 512);
    const test::ReferenceScan reference = test::referenceBaselineScan(encoder);
    ASSERT_EQ(scanDataOf(encoder), reference.data);
    expectLibjpegReadsTheCodedValues(file, reference, *encoder.stream().frames.get(0), "noise");
}

TEST(JpegWritingBaseline, ALastByteThatPaddingFillsWithOnesIsStuffed) {
    // Noisy grey blocks at quality 1 end in value bits rather than an end of block, so some
    // pictures end in a byte that the one-bits of the padding complete to 0xFF.
    std::mt19937 random(2);
    int found = 0;
    for (int attempt = 0; attempt < 2000 && found < 3; ++attempt) {
        LibjpegPicture noise{8, 8, 1, {}};
        for (int i = 0; i < 64; ++i) noise.samples.push_back(static_cast<std::uint8_t>(random()));
        test::EncoderWithPixels encoder;
        test::BaselineRequest request{kJpegGrey, {}, {}, false, 1};
        const Bytes file = test::writeBaseline(encoder, noise, request);
        const Bytes data = scanDataOf(encoder);
        if (data.size() < 2 || data[data.size() - 2] != 0xFF || data.back() != 0x00) continue;
        ++found;
        const test::ReferenceScan reference = test::referenceBaselineScan(encoder);
        ASSERT_EQ(data, reference.data);
        expectLibjpegReadsTheCodedValues(file, reference, *encoder.stream().frames.get(0), "padded 0xFF");
    }
    EXPECT_EQ(found, 3);
}

}  // namespace
}  // namespace pictrano
