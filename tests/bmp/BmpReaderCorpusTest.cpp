#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/image/MessageCatalogue.h"
#include "tests/support/PngOracle.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

// The corpus's map from each bitmap ("g/pal8.bmp") to the PNG rendering of its picture.
std::map<std::string, std::string> renderingMap() {
    std::map<std::string, std::string> renderings;
    std::ifstream in(test::dataPath("bmpsuite/expected/MAP.txt"));
    for (std::string line; std::getline(in, line);) {
        const auto tab = line.find('\t');
        if (!line.starts_with('#') && tab != std::string::npos)
            renderings[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return renderings;
}

// Reads a corpus file; a missing one throws, which fails the test.
int readCorpusFile(BmpReader& reader, const std::string& name) {
    const auto bytes = test::readBytes(test::dataPath("bmpsuite/" + name));
    return reader.read(bytes.data(), bytes.size());
}

void expectPicture(const std::string& name, const std::string& rendering) {
    SCOPED_TRACE(name + " against " + rendering);
    BmpReader reader;
    ASSERT_EQ(readCorpusFile(reader, name), 1) << reader.errors().utf8();
    const auto png = test::decodePngWithLibpng(test::dataPath("bmpsuite/expected/" + rendering));
    ASSERT_EQ(reader.width(), png.width);
    ASSERT_EQ(reader.height(), png.height);
    EXPECT_TRUE(test::unpadRows(reader.pixels(), reader.width(), reader.height()) == png.bgr);
}

// Files outside what the reader supports or broken beyond use, with the message each one gets.
const std::map<std::string, Msg> kRefusedFiles = {
    {"g/pal8os2.bmp", Msg::InfoHeaderSizeInvalid},  // 12-byte OS/2 header
    {"g/rgb16.bmp", Msg::UnsupportedBitCount},      // 16 bits without bit fields
    {"g/rgb32.bmp", Msg::UnsupportedBitCount},      // 32 bits without bit fields
    {"g/rgb16-565.bmp", Msg::NoBitMasks},           // masks after a 40-byte header
    {"g/rgb16-565pal.bmp", Msg::NoBitMasks},
    {"g/rgb16bfdef.bmp", Msg::NoBitMasks},
    {"g/rgb32bf.bmp", Msg::NoBitMasks},
    {"g/rgb32bfdef.bmp", Msg::NoBitMasks},
    {"b/badbitcount.bmp", Msg::UnsupportedBitCount},
    {"b/badheadersize.bmp", Msg::InfoHeaderSizeInvalid},
    {"b/badwidth.bmp", Msg::FileFormatInvalid},        // negative width
    {"b/shortfile.bmp", Msg::FileFormatInvalid},       // rows missing
    {"b/badpalettesize.bmp", Msg::FileFormatInvalid},  // palette past the file
    {"b/reallybig.bmp", Msg::OutOfMemory},             // 3,000,000 x 2,000,000
    {"b/rgb16-880.bmp", Msg::NoBitMasks},
};

TEST(BmpReaderCorpus, EverySupportedGoodFileDecodesToItsRendering) {
    const auto renderings = renderingMap();
    int decoded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::dataPath("bmpsuite/g"))) {
        const std::string name = "g/" + entry.path().filename().string();
        if (entry.path().extension() != ".bmp" || kRefusedFiles.contains(name)) continue;
        ASSERT_TRUE(renderings.contains(name)) << name;
        // The file asks for non-square pixels; its "-v" rendering stretches the rows, "-e" not.
        const bool nonSquare = name == "g/pal8nonsquare.bmp";
        expectPicture(name, nonSquare ? "pal8nonsquare-e.png" : renderings.at(name));
        ++decoded;
    }
    EXPECT_GT(decoded, 0);
}

TEST(BmpReaderCorpus, UnsupportedAndBadFilesAreRefusedWithTheirMessage) {
    for (const auto& [name, message] : kRefusedFiles) {
        SCOPED_TRACE(name);
        BmpReader reader;
        EXPECT_EQ(readCorpusFile(reader, name), 0);
        EXPECT_STREQ(reader.errors().narrow(), shiftJisText(message));
        EXPECT_EQ(std::u16string(reader.errors().wide()), utf16Text(message));
    }
}

// Questionable files that decode to the picture of their rendering: a bits offset past the
// palette, palettes declared larger than 256 entries or on a 24-bit file, a 1-entry palette with
// indices beyond it (taken as entry 0), 24 bits after 124-byte headers with colour profiles the
// picture does not depend on, and 8-bit masks in reversed byte order. RLE files that skip pixels
// keep palette entry 0 there, the "-0" rendering; a top-down RLE file reads rows in stored order.
TEST(BmpReaderCorpus, QuestionableFilesMatchTheirRenderings) {
    const auto renderings = renderingMap();
    for (const char* name : {"q/pal8offs.bmp", "q/pal8oversizepal.bmp", "q/rgb24largepal.bmp",
                             "q/pal1p1.bmp", "q/pal8os2v2-40sz.bmp", "q/rgb24lprof.bmp",
                             "q/rgb24prof.bmp", "q/rgb32-xbgr.bmp"})
        expectPicture(name, renderings.at(name));
    for (const char* rle : {"pal4rlecut", "pal4rletrns", "pal8rlecut", "pal8rletrns"})
        expectPicture("q/" + std::string(rle) + ".bmp", rle + std::string("-0.png"));
    expectPicture("b/rletopdown.bmp", "pal8.png");
}

}  // namespace
}  // namespace pictrano
