#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FormatTables.h"
#include "app/PathNames.h"

namespace pictrano {
namespace {

TEST(FormatTables, OutputFormatsInListOrder) {
    ASSERT_EQ(OutputFormatTable.size(), 4u);
    const char* names[] = {"Bitmap", "Jpeg", "Png", "Icon"};
    const std::uint32_t data[] = {0x10000, 0x20000, 0x30000, 0x40000};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_STREQ(OutputFormatTable[i].name, names[i]);
        EXPECT_EQ(OutputFormatTable[i].data, data[i]);
    }
}

TEST(FormatTables, ColourFormatItemDataPacksFormatModelBitsAndFlags) {
    ASSERT_EQ(ColourFormatTable.size(), 24u);
    // Rows picked across the table, packed by hand.
    EXPECT_EQ(packColourFormat(ColourFormatTable[0]), 0x10000u | 0x4000 | 0x2000 | 1);   // 32bit
    EXPECT_EQ(packColourFormat(ColourFormatTable[5]), 0x10000u | 0x0000 | 0x0800 | 3);   // mono 8
    EXPECT_EQ(packColourFormat(ColourFormatTable[7]), 0x10000u | 0x4000 | 0x0100 | 1);   // mono 1
    EXPECT_EQ(packColourFormat(ColourFormatTable[8]), 0x20000u | 0x8000 | 0x0800 | 12);  // YCbCr
    EXPECT_EQ(packColourFormat(ColourFormatTable[9]), 0x20000u | 0x4000 | 0x0800 | 8);
    EXPECT_EQ(packColourFormat(ColourFormatTable[16]), 0x30000u | 0x0000 | 0x0200 | 17);  // 2bit Y
    EXPECT_EQ(packColourFormat(ColourFormatTable[18]), 0x40000u | 0x4000 | 0x1800 | 1);  // 24bit
}

TEST(FormatTables, EveryColourRowUnpacksToItsOwnFields) {
    for (const ColourFormatRow& row : ColourFormatTable) {
        const std::uint32_t data = packColourFormat(row);
        const ColourFormatChoice choice = unpackColourFormat(data);
        EXPECT_EQ(choice.model, row.model) << row.name;
        EXPECT_EQ(choice.bits, row.bits) << row.name;
        EXPECT_EQ(choice.compressions, row.compressions) << row.name;
        EXPECT_EQ(data & kFormatDataMask, row.format) << row.name;
    }
}

TEST(FormatTables, CompressionsInListOrder) {
    const char* names[] = {"(なし)", "RLE(Run Length Encode)", "基本DCT", "可逆圧縮", "Deflate"};
    ASSERT_EQ(CompressionTable.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_STREQ(CompressionTable[i].name, names[i]);
        EXPECT_EQ(CompressionTable[i].flag, 1u << i);
    }
}

TEST(FormatTables, QualityListNamesFiveValuesAndPadsSingleDigits) {
    const DegreeList list = qualityDegrees();
    ASSERT_EQ(list.lines.size(), 99u);
    EXPECT_EQ(list.defaultIndex, 79);
    EXPECT_EQ(list.lines[0], " 1:最高品質");
    EXPECT_EQ(list.lines[1], " 2");
    EXPECT_EQ(list.lines[8], " 9");
    EXPECT_EQ(list.lines[9], "10");
    EXPECT_EQ(list.lines[19], "20:高品質");
    EXPECT_EQ(list.lines[49], "50:中品質");
    EXPECT_EQ(list.lines[79], "80:低品質");
    EXPECT_EQ(list.lines[97], "98");
    EXPECT_EQ(list.lines[98], "99:最低品質");
    // Every line starts with its value, so index + 1 is the quality.
    for (std::size_t i = 0; i < list.lines.size(); ++i) {
        EXPECT_EQ(std::stoi(list.lines[i]), static_cast<int>(i) + 1);
    }
}

TEST(FormatTables, PredictorAndDeflateLists) {
    const DegreeList predictors = predictorDegrees();
    EXPECT_EQ(predictors.defaultIndex, 0);
    EXPECT_EQ(predictors.lines,
              (std::vector<std::string>{"1:Ra", "2:Rb", "3:Rc", "4:Ra+Rb-Rc", "5:Ra+(Rb-Rc)/2",
                                        "6:Rb+(Ra-Rc)/2", "7:(Ra+Rb)/2"}));

    const DegreeList deflate = deflateDegrees();
    EXPECT_EQ(deflate.defaultIndex, 0);
    ASSERT_EQ(deflate.lines.size(), 18u);
    EXPECT_EQ(deflate.lines[0], "低圧縮(None)");
    EXPECT_EQ(deflate.lines[3], "低圧縮(Avearge)");
    EXPECT_EQ(deflate.lines[5], "低圧縮(Auto)");
    EXPECT_EQ(deflate.lines[6], "中圧縮(None)");
    EXPECT_EQ(deflate.lines[9], "中圧縮(Avearge)");
    EXPECT_EQ(deflate.lines[15], "高圧縮(Avearge)");
    EXPECT_EQ(deflate.lines[16], "高圧縮(Paeth)");
    EXPECT_EQ(deflate.lines[17], "高圧縮(Auto)");
}

TEST(PathNames, JoinPathWithBackslash) {
    EXPECT_EQ(joinPath("", "a.bmp", '\\'), "a.bmp");
    EXPECT_EQ(joinPath("C:\\out", "a.bmp", '\\'), "C:\\out\\a.bmp");
    EXPECT_EQ(joinPath("C:\\out\\", "a.bmp", '\\'), "C:\\out\\a.bmp");
    EXPECT_EQ(joinPath("C:\\", "a.bmp", '\\'), "C:\\a.bmp");
    // UTF-8 text has no trail byte 0x5C, so a directory ending in "表" still gets its separator.
    EXPECT_EQ(joinPath("C:\\表", "a.bmp", '\\'), "C:\\表\\a.bmp");
}

TEST(PathNames, JoinPathWithSlash) {
    EXPECT_EQ(joinPath("", "a.bmp", '/'), "a.bmp");
    EXPECT_EQ(joinPath("/tmp/out", "a.bmp", '/'), "/tmp/out/a.bmp");
    EXPECT_EQ(joinPath("/tmp/out/", "a.bmp", '/'), "/tmp/out/a.bmp");
    EXPECT_EQ(joinPath("/", "a.bmp", '/'), "/a.bmp");
    EXPECT_EQ(joinPath("odd\\", "a.bmp", '/'), "odd\\/a.bmp");
}

TEST(PathNames, StemDropsDirectoryAndLastExtension) {
    EXPECT_EQ(fileNameStem("C:\\dir.d\\pic.v2.png", "\\/:"), "pic.v2");
    EXPECT_EQ(fileNameStem("C:/dir/pic.bmp", "\\/:"), "pic");
    EXPECT_EQ(fileNameStem("C:pic.bmp", "\\/:"), "pic");
    EXPECT_EQ(fileNameStem("/home/u/pic.bmp", "/"), "pic");
    EXPECT_EQ(fileNameStem("/home/u.d/noext", "/"), "noext");
    EXPECT_EQ(fileNameStem("/home/u/.hidden", "/"), "");
    EXPECT_EQ(fileNameStem("back\\slash.bmp", "/"), "back\\slash");
    EXPECT_EQ(fileNameStem("plain", "/"), "plain");
}

}  // namespace
}  // namespace pictrano
