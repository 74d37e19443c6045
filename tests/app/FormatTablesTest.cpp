#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/FormatTables.h"
#include "app/PathNames.h"

namespace pictrano {
namespace {

TEST(FormatTables, DegreeLists) {
    const DegreeList quality = qualityDegrees();
    ASSERT_EQ(quality.lines.size(), 99u);
    EXPECT_EQ(quality.defaultIndex, 79);
    const std::pair<int, const char*> named[] = {
        {0, " 1:最高品質"}, {1, " 2"}, {8, " 9"}, {9, "10"}, {19, "20:高品質"},
        {49, "50:中品質"}, {79, "80:低品質"}, {97, "98"}, {98, "99:最低品質"}};
    for (const auto& [index, line] : named) EXPECT_EQ(quality.lines[index], line);
    // Every line starts with its value, so index + 1 is the quality.
    for (int i = 0; i < 99; ++i) EXPECT_EQ(std::stoi(quality.lines[i]), i + 1);

    EXPECT_EQ(predictorDegrees().defaultIndex, 0);
    EXPECT_EQ(predictorDegrees().lines,
              (std::vector<std::string>{"1:Ra", "2:Rb", "3:Rc", "4:Ra+Rb-Rc", "5:Ra+(Rb-Rc)/2",
                                        "6:Rb+(Ra-Rc)/2", "7:(Ra+Rb)/2"}));

    std::vector<std::string> deflate;  // "Avearge" is the list's own spelling
    for (const char* degree : {"低圧縮", "中圧縮", "高圧縮"}) {
        for (const char* filter : {"(None)", "(Sub)", "(Up)", "(Avearge)", "(Paeth)", "(Auto)"})
            deflate.push_back(std::string(degree) + filter);
    }
    EXPECT_EQ(deflateDegrees().lines, deflate);
    EXPECT_EQ(deflateDegrees().defaultIndex, 0);
}

TEST(PathNames, JoinPathAndStem) {
    // UTF-8 text has no trail byte 0x5C, so a directory ending in "表" still gets its separator.
    const std::tuple<const char*, char, const char*> joins[] = {
        {"", '\\', "a.bmp"}, {"C:\\out", '\\', "C:\\out\\a.bmp"},
        {"C:\\out\\", '\\', "C:\\out\\a.bmp"}, {"C:\\", '\\', "C:\\a.bmp"},
        {"C:\\表", '\\', "C:\\表\\a.bmp"}, {"/tmp/out", '/', "/tmp/out/a.bmp"},
        {"/", '/', "/a.bmp"}, {"odd\\", '/', "odd\\/a.bmp"}};
    for (const auto& [directory, separator, joined] : joins)
        EXPECT_EQ(joinPath(directory, "a.bmp", separator), joined) << directory;
    const std::tuple<const char*, const char*, const char*> stems[] = {
        {"C:\\dir.d\\pic.v2.png", "\\/:", "pic.v2"}, {"C:/dir/pic.bmp", "\\/:", "pic"},
        {"C:pic.bmp", "\\/:", "pic"}, {"/home/u.d/noext", "/", "noext"},
        {"/home/u/.hidden", "/", ""}, {"back\\slash.bmp", "/", "back\\slash"},
        {"plain", "/", "plain"}};
    for (const auto& [path, directoryEnds, stem] : stems)
        EXPECT_EQ(fileNameStem(path, directoryEnds), stem) << path;
}

}  // namespace
}  // namespace pictrano
