#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <iostream>
#include <string>

#include "imagelib/jpeg/JpegDecoder.h"
#include "tests/jpeg/JpegTestFiles.h"
#include "tests/support/JpegOracle.h"
#include "tests/support/Pnm.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::Bytes;

// The decoded picture in the reference's layout: red, green, blue (or grey) per pixel.
std::vector<std::uint16_t> asReferenceLayout(const JpegDecoder& decoder, int channels) {
    const std::vector<std::uint16_t> bgr = test::pictureSamples(decoder);
    std::vector<std::uint16_t> out;
    for (std::size_t i = 0; i + 2 < bgr.size(); i += 3) {
        if (channels == 1) {
            EXPECT_TRUE(bgr[i] == bgr[i + 1] && bgr[i] == bgr[i + 2]) << "grey pixel " << i / 3;
            out.push_back(bgr[i]);
        } else {
            out.insert(out.end(), {bgr[i + 2], bgr[i + 1], bgr[i]});
        }
    }
    return out;
}

using test::corpusFile;

void report(const std::string& name, double psnr) {
    std::cout << "  " << std::left << std::setw(36) << name << std::fixed << std::setprecision(2)
              << psnr << " dB\n";
}

// The 8-bit DCT files against libjpeg's decode with simple up-sampling, which is what their
// reference decodes are.
TEST(JpegCorpus, EightBitDctFilesDecodeWithin40DbOfTheReference) {
    const char* const files[] = {
        "generated/base-444.jpg",      "generated/base-422.jpg",     "generated/base-440.jpg",
        "generated/base-420.jpg",      "generated/base-grey.jpg",    "generated/base-restart.jpg",
        "generated/base-grey-restart.jpg", "generated/base-17x13.jpg", "generated/base-1x1.jpg",
        "generated/base-q100.jpg",     "generated/base-optimized.jpg", "generated/prog-420.jpg",
        "generated/prog-444.jpg",      "generated/prog-grey.jpg",    "generated/prog-restart.jpg",
        "generated/prog-17x13.jpg",    "reference/testorig.jpg",     "reference/testimgint.jpg",
    };
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const Bytes file = corpusFile(name);
        const test::LibjpegPicture expected = test::decodeWithLibjpeg(file);
        JpegDecoder decoder;
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
        ASSERT_EQ(decoder.width(), expected.width);
        ASSERT_EQ(decoder.height(), expected.height);
        const std::vector<std::uint16_t> reference(expected.samples.begin(), expected.samples.end());
        const double psnr = test::psnr(asReferenceLayout(decoder, expected.components), reference, 255);
        report(name, psnr);
        EXPECT_GE(psnr, 40.0);
    }
}

struct ReferenceCase {
    const char* file;
    const char* reference;
    bool exact;       // lossless: every sample equal
    std::uint32_t colourMode;
};

TEST(JpegCorpus, TwelveBitAndLosslessFilesMatchTheirReferenceDecodes) {
    const std::uint32_t kDefault = 3, kRawLossless = 0x200;
    const ReferenceCase cases[] = {
        {"ext-12bit.jpg", "ext-12bit", false, kDefault},
        {"ext-12bit-grey.jpg", "ext-12bit-grey", false, kDefault},
        {"lossless-grey-p1.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-grey-p2.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-grey-p3.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-grey-p4.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-grey-p5.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-grey-p6.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-grey-p7.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-restart.jpg", "lossless-grey-p1", true, kDefault},
        {"lossless-pt2-grey.jpg", "lossless-pt2-grey", true, kDefault},
        {"lossless-12bit-grey.jpg", "lossless-12bit-grey", true, kDefault},
        {"lossless-16bit-grey.jpg", "lossless-16bit-grey", true, kDefault},
        {"lossless-rgb-p1.jpg", "lossless-rgb-p1", true, kRawLossless},
        {"lossless-ycc-p6.jpg", "lossless-rgb-p1", true, kRawLossless},
    };
    for (const ReferenceCase& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes file = corpusFile(std::string("generated/") + c.file);
        const test::PnmPicture reference =
            test::readPnm(test::dataPath(std::string("jpeg/generated/") + c.reference + ".ref.pnm.gz"));
        JpegDecoder decoder;
        decoder.ColourMode = c.colourMode;
        ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
        ASSERT_EQ(decoder.width(), reference.width);
        ASSERT_EQ(decoder.height(), reference.height);
        EXPECT_EQ(decoder.precision() > 8, reference.maxValue > 255);
        const std::vector<std::uint16_t> decoded = asReferenceLayout(decoder, reference.channels);
        if (c.exact) {
            EXPECT_EQ(decoded, reference.samples);
        } else {
            const double psnr = test::psnr(decoded, reference.samples, reference.maxValue);
            report(c.file, psnr);
            EXPECT_GE(psnr, 40.0);
        }
    }
}

TEST(JpegCorpus, TheTwelveBitColourTestImageDecodesAtFullPrecision) {
    const Bytes file = corpusFile("reference/monkey12.jpg");
    JpegDecoder decoder;
    ASSERT_EQ(decoder.read(file.data(), file.size()), 1) << decoder.errors().utf8();
    EXPECT_EQ(decoder.width(), 149);
    EXPECT_EQ(decoder.height(), 227);
    EXPECT_EQ(decoder.precision(), 12);
    int largest = 0;
    for (std::uint16_t sample : test::pictureSamples(decoder)) largest = std::max<int>(largest, sample);
    EXPECT_GT(largest, 255) << "the samples keep their 12 bits";
    EXPECT_LE(largest, 4095);
}

TEST(JpegCorpus, ArithmeticCodingIsRefusedAsAnUnsupportedFormat) {
    const Bytes file = corpusFile("reference/testimgari.jpg");
    JpegDecoder decoder;
    EXPECT_EQ(decoder.read(file.data(), file.size()), 0);
    EXPECT_EQ(decoder.errors().utf8(), "対応していない形式です。");
}

}  // namespace
}  // namespace pictrano
