#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
        renderings[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return renderings;
}

std::vector<std::string> bitmapsIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(test::dataPath("bmpsuite/" + folder))) {
        if (entry.path().extension() == ".bmp")
            names.push_back(folder + "/" + entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int readCorpusFile(BmpReader& reader, const std::string& name) {
    const auto bytes = test::readBytes(test::dataPath("bmpsuite/" + name));
    return reader.read(bytes.data(), bytes.size());
}

void expectPicture(const std::string& name, const std::string& rendering) {
    SCOPED_TRACE(name + " against " + rendering);
    BmpReader reader;
    ASSERT_EQ(readCorpusFile(reader, name), 1) << reader.errors().utf8();
    const auto expected =
        test::decodePngWithLibpng(test::dataPath("bmpsuite/expected/" + rendering));
    ASSERT_EQ(reader.width(), expected.width);
    ASSERT_EQ(reader.height(), expected.height);
    EXPECT_TRUE(test::unpadRows(reader.pixels(), reader.width(), reader.height()) == expected.bgr);
}

void expectRefusal(const std::string& name, Msg message) {
    SCOPED_TRACE(name);
    BmpReader reader;
    EXPECT_EQ(readCorpusFile(reader, name), 0);
    EXPECT_STREQ(reader.errors().narrow(), shiftJisText(message));
    EXPECT_EQ(std::u16string(reader.errors().wide()), utf16Text(message));
}

// Good files outside what the reader supports, with the message each one gets.
const std::map<std::string, Msg> kRefusedGoodFiles = {
    {"g/pal8os2.bmp", Msg::InfoHeaderSizeInvalid},  // 12-byte OS/2 header
    {"g/rgb16.bmp", Msg::UnsupportedBitCount},      // 16 bits without bit fields
    {"g/rgb32.bmp", Msg::UnsupportedBitCount},      // 32 bits without bit fields
    {"g/rgb16-565.bmp", Msg::NoBitMasks},           // masks after a 40-byte header
    {"g/rgb16-565pal.bmp", Msg::NoBitMasks},
    {"g/rgb16bfdef.bmp", Msg::NoBitMasks},
    {"g/rgb32bf.bmp", Msg::NoBitMasks},
    {"g/rgb32bfdef.bmp", Msg::NoBitMasks},
};

TEST(BmpReaderCorpus, EverySupportedGoodFileDecodesToItsRendering) {
    const auto renderings = renderingMap();
    const auto names = bitmapsIn("g");
    ASSERT_FALSE(names.empty());
    for (const auto& name : names) {
        if (kRefusedGoodFiles.contains(name)) continue;
        ASSERT_TRUE(renderings.contains(name)) << name;
        std::string rendering = renderings.at(name);
        // The file asks for non-square pixels; its "-v" rendering stretches the rows, "-e" does
        // not.
        if (name == "g/pal8nonsquare.bmp") rendering = "pal8nonsquare-e.png";
        expectPicture(name, rendering);
    }
}

TEST(BmpReaderCorpus, UnsupportedGoodFilesAreRefusedWithTheirMessage) {
    const auto names = bitmapsIn("g");
    const std::set<std::string> present(names.begin(), names.end());
    for (const auto& [name, message] : kRefusedGoodFiles) {
        ASSERT_TRUE(present.contains(name)) << name;
        expectRefusal(name, message);
    }
}

// Questionable files that decode to the picture of their rendering: a bits offset past the
// palette, palettes declared larger than 256 entries or on a 24-bit file, a 1-entry palette with
// indices beyond it (taken as entry 0), 24 bits after 124-byte headers with colour profiles the
// picture does not depend on, and 8-bit masks in reversed byte order.
TEST(BmpReaderCorpus, QuestionableFilesWithPlainPicturesMatchTheirRenderings) {
    const auto renderings = renderingMap();
    for (const char* name :
         {"q/pal8offs.bmp", "q/pal8oversizepal.bmp", "q/rgb24largepal.bmp", "q/pal1p1.bmp",
          "q/pal8os2v2-40sz.bmp", "q/rgb24lprof.bmp", "q/rgb24prof.bmp", "q/rgb32-xbgr.bmp"}) {
        expectPicture(name, renderings.at(name));
    }
}

// RLE files that skip pixels (deltas, early end of line or bitmap): the skipped pixels keep
// palette entry 0, which is the corpus's "-0" rendering.
TEST(BmpReaderCorpus, SkippedRlePixelsKeepPaletteEntryZero) {
    expectPicture("q/pal4rlecut.bmp", "pal4rlecut-0.png");
    expectPicture("q/pal4rletrns.bmp", "pal4rletrns-0.png");
    expectPicture("q/pal8rlecut.bmp", "pal8rlecut-0.png");
    expectPicture("q/pal8rletrns.bmp", "pal8rletrns-0.png");
}

TEST(BmpReaderCorpus, BadFilesGetTheDecidedOutcome) {
    expectRefusal("b/badbitcount.bmp", Msg::UnsupportedBitCount);
    expectRefusal("b/badheadersize.bmp", Msg::InfoHeaderSizeInvalid);
    expectRefusal("b/badwidth.bmp", Msg::FileFormatInvalid);        // negative width
    expectRefusal("b/shortfile.bmp", Msg::FileFormatInvalid);       // rows missing
    expectRefusal("b/badpalettesize.bmp", Msg::FileFormatInvalid);  // palette past the file
    expectRefusal("b/reallybig.bmp", Msg::OutOfMemory);             // 3,000,000 x 2,000,000
    expectRefusal("b/rgb16-880.bmp", Msg::NoBitMasks);

    // A top-down RLE file reads its rows in stored order.
    expectPicture("b/rletopdown.bmp", "pal8.png");
}

}  // namespace
}  // namespace pictrano
