#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/FormatTables.h"
#include "cli/WindowScript.h"
#include "imagelib/front/ImageLoader.h"
#include "imagelib/image/ByteOrder.h"
#include "tests/icon/IconFile.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::dataPath;

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built tool with its settings kept under `config`.
CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& config) {
    const auto errFile = config / "stderr.txt";
    std::string command = "XDG_CONFIG_HOME=" + quoted(config.string()) + " " + quoted(PICTRANO_CLI);
    for (const auto& argument : arguments) command += " " + quoted(argument);
    command += " 2>" + quoted(errFile.string());
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, count);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

class Cli : public ::testing::Test {
protected:
    test::TempDir config;
    test::TempDir out;

    std::string source(const std::string& name) { return dataPath("bmpsuite/g/" + name).string(); }

    std::unique_ptr<DibImage> loadOutput(const std::string& name) {
        ImageLoader loader;
        auto image = loader.loadFile((out / name).string());
        EXPECT_NE(image, nullptr) << name << ": " << loader.errors().utf8();
        return image;
    }
};

TEST_F(Cli, ConvertsEveryFilePrintingTheJobsLines) {
    const CliRun run = runCli({"-o", out.path().string(), source("pal8.bmp"), source("rgb24.bmp")}, config.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{
                                  source("pal8.bmp") + " ...",
                                  source("rgb24.bmp") + " ...",
                                  "ファイル作成を完了しました。対象=2, 成功=2, 失敗=0",
                              }));
    auto image = loadOutput("rgb24.bmp");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width(), 127);
    EXPECT_EQ(test::readBytes(out / "rgb24.bmp")[28], 24) << "the window's default: 24-bit colour";
}

TEST_F(Cli, AFailingFileGivesStatusOneAndTheOthersAreStillConverted) {
    const auto notImage = out / "notes.txt";
    test::writeBytes(notImage, {'h', 'e', 'l', 'l', 'o'});
    const auto outDir = out / "converted";
    std::filesystem::create_directory(outDir);
    const CliRun run = runCli({"-o", outDir.string(), source("pal4.bmp"), notImage.string(), source("pal1.bmp")},
                              config.path());
    EXPECT_EQ(run.status, 1);
    const auto printed = lines(run.out);
    ASSERT_EQ(printed.size(), 5u) << run.out;
    EXPECT_EQ(printed[2], "読み取りエラー : サポートされていないファイル形式です。");
    EXPECT_EQ(printed[4], "ファイル作成を完了しました。対象=3, 成功=2, 失敗=1");
    EXPECT_TRUE(std::filesystem::exists(outDir / "pal4.bmp"));
    EXPECT_TRUE(std::filesystem::exists(outDir / "pal1.bmp"));
}

TEST_F(Cli, ACheckThatStopsTheJobGivesStatusTwoAndItsMessageOnStandardError) {
    const CliRun run = runCli({"-s", "0x100", "-o", out.path().string(), source("pal8.bmp")}, config.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "サイズは 1 ～ 9999 の範囲で指定してください。\n");

    const auto file = out / "file";
    test::writeBytes(file, {1});
    const CliRun notDirectory = runCli({"-o", file.string(), source("pal8.bmp")}, config.path());
    EXPECT_EQ(notDirectory.status, 2);
    EXPECT_EQ(notDirectory.err, "出力先にはディレクトリを指定してください。\n");
}

TEST_F(Cli, AWrongCommandLineGivesStatusTwoAndTheUsage) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{source("pal8.bmp")},
          {"-o", out.path().string()},
          {"-f", "gif", "-o", out.path().string(), source("pal8.bmp")},
          {"-c", "ycbcr8", "-o", out.path().string(), source("pal8.bmp")},
          {"-p", "dct", "-o", out.path().string(), source("pal8.bmp")},
          {"-p", "rle", "-d", "3", "-o", out.path().string(), source("pal8.bmp")},
          {"-s", "100", "-o", out.path().string(), source("pal8.bmp")},
          {"--icon-transparent", "12345G", "-o", out.path().string(), source("pal8.bmp")},
          {"--bogus", "-o", out.path().string(), source("pal8.bmp")}}) {
        const CliRun run = runCli(arguments, config.path());
        EXPECT_EQ(run.status, 2) << arguments[0];
        EXPECT_NE(run.err.find("Usage: pictrano"), std::string::npos) << arguments[0];
        EXPECT_EQ(run.out, "");
    }
    const CliRun help = runCli({"--help"}, config.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--max-size"), std::string::npos);
}

TEST_F(Cli, ColourCompressionAndSizeChoicesReachTheOutput) {
    const CliRun run = runCli({"-c", "モノクロ 8bit RGB", "-p", "rle", "-s", "20x10", "-o", out.path().string(),
                               source("rgb24.bmp")},
                              config.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const auto bytes = test::readBytes(out / "rgb24.bmp");
    EXPECT_EQ(bytes[28], 8);
    EXPECT_EQ(bytes[30], 1) << "RLE8";
    auto image = loadOutput("rgb24.bmp");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width(), 19);  // 127 x 64 into 20 x 10: 127 * 10 / 64, the ratio kept
    EXPECT_EQ(image->height(), 10);

    const CliRun alias = runCli({"-c", "mono1", "-o", out.path().string(), source("rgb24.bmp")}, config.path());
    ASSERT_EQ(alias.status, 0) << alias.err;
    EXPECT_EQ(test::readBytes(out / "rgb24.bmp")[28], 1);
}

TEST_F(Cli, HandlesPathsWithSpacesAndNonAsciiNames) {
    const auto folder = out / "出力 フォルダ";
    std::filesystem::create_directory(folder);
    const std::string name = "写真 1.bmp";
    const auto input = out.path() / std::filesystem::path(std::u8string(name.begin(), name.end()));
    std::filesystem::copy_file(source("pal4.bmp"), input);
    const CliRun run = runCli({"-o", folder.string(), input.string()}, config.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out).front(), input.string() + " ...");
    EXPECT_TRUE(std::filesystem::exists(folder / std::filesystem::path(std::u8string(name.begin(), name.end()))));
}

TEST_F(Cli, OptionsAreReadFromTheSettingsAndWrittenOnlyWhenAsked) {
    const auto ini = config / "Tovami" / "Pictrano.ini";
    const std::vector<std::string> convert = {"-o", out.path().string(), source("pal8.bmp")};
    ASSERT_EQ(runCli(convert, config.path()).status, 0);
    EXPECT_FALSE(std::filesystem::exists(ini)) << "a plain run never writes the settings";

    std::vector<std::string> saving = {"--jpeg-sampling", "4:1:1", "--icon-transparent", "00ff80",
                                       "--save-options"};
    saving.insert(saving.end(), convert.begin(), convert.end());
    ASSERT_EQ(runCli(saving, config.path()).status, 0);
    ASSERT_TRUE(std::filesystem::exists(ini));
    std::ifstream in(ini);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("JpegWriteDCTSF"), std::string::npos) << text;
    EXPECT_NE(text.find("IconTrans"), std::string::npos) << text;
}

// A 24-bit Bitmap file of the picture.
std::vector<std::uint8_t> bitmapFile(const test::TestPicture& picture) {
    const auto stride = static_cast<std::size_t>(test::strideOf(picture.width, 24));
    std::vector<std::uint8_t> file(54 + stride * picture.height, 0);
    file[0] = 'B';
    file[1] = 'M';
    storeLe32(&file[2], static_cast<std::uint32_t>(file.size()));
    storeLe32(&file[10], 54);
    storeLe32(&file[14], 40);
    storeLe32(&file[18], static_cast<std::uint32_t>(picture.width));
    storeLe32(&file[22], static_cast<std::uint32_t>(picture.height));
    storeLe16(&file[26], 1);
    storeLe16(&file[28], 24);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            for (int c = 0; c < 3; ++c)
                file[54 + (picture.height - 1 - y) * stride + 3 * x + c] = static_cast<std::uint8_t>(picture.at(x, y)[c]);
    return file;
}

TEST_F(Cli, WritesIconsWithEachTransparencyChoice) {
    // Distinct corners (top-left red, top-right green, bottom-left blue, bottom-right white), a
    // mostly yellow border, red and green inside.
    const test::TestPicture picture = test::TestPicture::ofColours(7, 5, [](int x, int y) -> test::Bgr {
        const bool edgeX = x == 0 || x == 6, edgeY = y == 0 || y == 4;
        if (edgeX && edgeY) return x == 0 ? (y == 0 ? test::Bgr{0, 0, 255} : test::Bgr{255, 0, 0})
                                          : (y == 0 ? test::Bgr{0, 255, 0} : test::Bgr{255, 255, 255});
        if (edgeX || edgeY) return {0, 255, 255};
        return (x + y) % 2 ? test::Bgr{0, 0, 255} : test::Bgr{0, 255, 0};
    });
    const auto input = out / "corners.bmp";
    test::writeBytes(input, bitmapFile(picture));
    const auto colourAt = [&picture](int x, int y) { return test::rgbOf(picture.at(x, y)); };
    const struct {
        const char* choice;
        std::int64_t colour;  // of the pixels made transparent, -1 none
    } choices[] = {
        {"none", -1},
        {"ff0000", 0xFF0000},
        {"top-left", colourAt(0, 0)},
        {"top-right", colourAt(6, 0)},
        {"bottom-left", colourAt(0, 4)},
        {"bottom-right", colourAt(6, 4)},
        {"border", test::plainBorderValue<std::uint32_t>(7, 5, colourAt)},
    };
    for (const auto& c : choices) {
        const CliRun run = runCli({"-f", "ico", "--icon-transparent", c.choice, "-o", out.path().string(), input.string()},
                                  config.path());
        ASSERT_EQ(run.status, 0) << c.choice << ": " << run.out << run.err;
        const test::ParsedIcon icon(test::readBytes(out / "corners.ico"));
        ASSERT_EQ(icon.width, 7);
        ASSERT_EQ(icon.bitCount, 24) << "the window's default colour format";
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(icon.masked(x, y), colourAt(x, y) == c.colour) << c.choice << " at " << x << "," << y;
    }
}

TEST(ColourAlias, NamesEveryEntryUniquelyWithinItsFormat) {
    EXPECT_EQ(colourAlias("カラー 24bit RGB"), "rgb24");
    EXPECT_EQ(colourAlias("カラー 8bit YCbCr"), "ycbcr8");
    EXPECT_EQ(colourAlias("モノクロ 8bit Y"), "mono8");
    EXPECT_EQ(colourAlias("モノクロ 1bit RGB"), "mono1");
    for (const ColourFormatRow& row : ColourFormatTable) {
        int same = 0;
        for (const ColourFormatRow& other : ColourFormatTable) {
            if (other.format == row.format && colourAlias(other.name) == colourAlias(row.name)) ++same;
        }
        EXPECT_EQ(same, 1) << row.name;
    }
}

}  // namespace
}  // namespace pictrano
