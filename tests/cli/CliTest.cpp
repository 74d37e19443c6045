#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/ControlIds.h"
#include "app/FormatTables.h"
#include "app/MainWindow.h"
#include "app/MemoryDialog.h"
#include "cli/WindowScript.h"
#include "imagelib/front/ImageLoader.h"
#include "tests/icon/IconFile.h"
#include "tests/support/BmpFile.h"
#include "tests/support/CliRun.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::CliRun;
using test::dataPath;
using test::runCli;

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

// Files converted at once print the same lines in the same order, give the same summary and
// status and write the same bytes as files converted one after another.
TEST_F(Cli, SeveralFilesAtOnceReportAsOneAfterAnother) {
    const auto notImage = out / "notes.bmp";
    test::writeBytes(notImage, {'h', 'e', 'l', 'l', 'o'});
    std::vector<std::string> files;
    for (const char* name : {"pal8.bmp", "rgb24.bmp", "pal1.bmp", "pal4.bmp", "pal4rle.bmp", "pal8rle.bmp"}) {
        files.push_back(source(name));
        files.push_back(notImage.string());
    }
    files.push_back((out / "missing.bmp").string());
    std::filesystem::create_directory(out / "other");  // a later source of the same output
    std::filesystem::copy_file(source("pal4.bmp"), out / "other" / "pal8.bmp");
    files.push_back((out / "other" / "pal8.bmp").string());
    std::vector<CliRun> runs;
    for (const std::string jobs : {"1", "3", "8"}) {
        const auto dir = out / ("j" + jobs);
        std::vector<std::string> arguments = {"-j", jobs, "-f", "png", "-o", dir.string()};
        arguments.insert(arguments.end(), files.begin(), files.end());
        runs.push_back(runCli(arguments, config.path()));
        EXPECT_EQ(test::readBytes(dir / "rgb24.png"), test::readBytes(out / "j1" / "rgb24.png")) << jobs;
        EXPECT_EQ(test::readBytes(dir / "pal4rle.png"), test::readBytes(out / "j1" / "pal4rle.png")) << jobs;
        EXPECT_EQ(test::readBytes(dir / "pal8.png"), test::readBytes(out / "j1" / "pal4.png")) << "the later";
    }
    EXPECT_EQ(runs[0].status, 1);
    EXPECT_EQ(lines(runs[0].out).back(), "ファイル作成を完了しました。対象=14, 成功=7, 失敗=7");
    for (const CliRun& run : runs) {
        EXPECT_EQ(run.status, runs[0].status);
        EXPECT_EQ(run.out, runs[0].out);
    }
}

// A file above the 4 MiB every front end reads is refused, and read with --max-input-size.
TEST_F(Cli, LargerFilesAreReadWithTheInputSizeOption) {
    const int side = 1200;  // 24-bit rows: 54 + 3600 * 1200 bytes
    const auto file = test::bytesOf(test::BmpFile{
        .width = side, .height = side, .bitCount = 24, .data = std::vector<std::uint8_t>(3 * side * side, 0x5A)});
    ASSERT_GT(file.size(), 4194304u);
    const auto large = out / "large.bmp";
    test::writeBytes(large, file);
    const auto dir = (out / "converted").string();

    const CliRun refused = runCli({"-o", dir, large.string()}, config.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(lines(refused.out).at(1), "読み取りエラー : ファイルが大きすぎます。");
    const CliRun stillRefused = runCli({"--max-input-size", "4320053", "-o", dir, large.string()}, config.path());
    EXPECT_EQ(stillRefused.status, 1) << "one byte short";
    const CliRun read = runCli({"--max-input-size=4320054", "-o", dir, large.string()}, config.path());
    EXPECT_EQ(read.status, 0) << read.out;
    ImageLoader loader;
    loader.maxFileBytes = file.size();
    const auto image = loader.loadFile((out / "converted" / "large.bmp").string());
    ASSERT_NE(image, nullptr) << loader.errors().utf8();
    EXPECT_EQ(image->height(), side);
    const std::uint8_t* pixels = image->pixelBits();
    EXPECT_TRUE(std::all_of(pixels, pixels + 3 * side * side, [](std::uint8_t b) { return b == 0x5A; }));
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

    // An output directory that cannot be created stops the run before the job.
    const CliRun notCreated = runCli({"-o", (file / "sub").string(), source("pal8.bmp")}, config.path());
    EXPECT_EQ(notCreated.status, 2);
    EXPECT_NE(notCreated.err.find((file / "sub").string()), std::string::npos) << "names the directory";
    EXPECT_EQ(notCreated.out, "") << "no job ran";
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
          {"-j", "0", "-o", out.path().string(), source("pal8.bmp")},
          {"--max-input-size", "268435457", "-o", out.path().string(), source("pal8.bmp")},
          {"--save-options=yes"}}) {
        const CliRun run = runCli(arguments, config.path());
        EXPECT_EQ(run.status, 2) << arguments[0];
        EXPECT_NE(run.err.find("Usage: pictrano"), std::string::npos) << arguments[0];
        EXPECT_EQ(run.out, "");
    }
}

// An unknown option is named as such wherever it stands and however it is spelled.
TEST_F(Cli, UnknownOptionsAreNamed) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-o", out.path().string(), source("pal8.bmp"), "--bogus"}, "--bogus"},
        {{"--bogus=1", "-o", out.path().string(), source("pal8.bmp")}, "--bogus"},
        {{"--bogus", "-o", out.path().string(), source("pal8.bmp")}, "--bogus"},
        {{"-x", "-o", out.path().string(), source("pal8.bmp")}, "-x"}};
    for (const auto& [arguments, name] : cases) {
        const CliRun run = runCli(arguments, config.path());
        EXPECT_EQ(run.status, 2) << name;
        EXPECT_EQ(lines(run.err).front(), "pictrano: unknown option " + name);
    }
}

// --help anywhere before "--" wins over everything else on the line, wrong or not.
TEST_F(Cli, HelpAnywherePrintsTheHelp) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"-f", "gif", "--help"},
          {"-o", out.path().string(), source("pal8.bmp"), "-h"}, {"--bogus", "-h", "-s"}}) {
        const CliRun run = runCli(arguments, config.path());
        EXPECT_EQ(run.status, 0) << arguments.back();
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(run.out.starts_with("Usage: pictrano")) << run.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(out.path())) << "nothing converted";
}

// The README shows the tool's own help text.
TEST_F(Cli, TheReadmeShowsTheHelpText) {
    const auto readme = test::readBytes(dataPath("../../README.md"));
    const CliRun help = runCli({"--help"}, config.path());
    EXPECT_NE(std::string(readme.begin(), readme.end()).find(help.out), std::string::npos)
        << "README.md does not hold the text of pictrano --help:\n" << help.out;
}

// Every long option takes --name=value, the short ones their value after them; -c takes the
// list text or its name; -f takes jpg and icon beside its list names.
TEST_F(Cli, LongOptionsTakeTheirValueAfterAnEqualsSign) {
    const std::vector<std::string> spellings[] = {
        {"--format=bmp", "--colour=mono8", "--compression=rle", "--max-size=20x10", "--output=" + out.path().string(),
         "--jpeg-read-dct=rgb", "--jpeg-read-lossless=rgb", "--jpeg-sampling=4:1:1", "--icon-transparent=border"},
        {"-c", "モノクロ 8bit RGB", "-p", "rle", "-s", "20x10", "-o", out.path().string()}};
    for (std::vector<std::string> arguments : spellings) {
        std::filesystem::remove(out / "rgb24.bmp");
        arguments.push_back(source("rgb24.bmp"));
        const CliRun run = runCli(arguments, config.path());
        ASSERT_EQ(run.status, 0) << run.err;
        // 127 x 64 into 20 x 10 keeps the ratio: 19 x 10; 8 bits, RLE8.
        const auto bytes = test::readBytes(out / "rgb24.bmp");
        EXPECT_EQ(std::tuple(bytes[18], bytes[22], bytes[28], bytes[30]), std::tuple(19, 10, 8, 1)) << arguments[0];
    }
    for (const char* format : {"jpg", "icon"}) {
        const CliRun alias = runCli({std::string("--format=") + format, "-o", out.path().string(),
                                     source("rgb24.bmp")},
                                    config.path());
        EXPECT_TRUE(alias.status == 0 || alias.status == 1) << format << ": " << alias.err;
        EXPECT_EQ(alias.err, "") << format;
    }
}

// The lists in the messages name each entry by its list text and by its command-line name.
TEST_F(Cli, OfferedListsShowTheNamesTheToolTakes) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-f", "jpeg", "-c", "rgb24"},
         "(offered: カラー 8bit YCbCr (ycbcr8), カラー 8bit RGB (rgb8), モノクロ 8bit Y (mono8))"},
        {{"-c", "mono8", "-p", "dct"},
         "(offered: (なし) (none), RLE(Run Length Encode) (rle))"},
        {{"-f", "gif"}, "(offered: bmp, jpeg, png, ico, jpg, icon)"}};
    for (auto [arguments, offered] : cases) {
        arguments.insert(arguments.end(), {"-o", out.path().string(), source("pal8.bmp")});
        const CliRun run = runCli(arguments, config.path());
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(lines(run.err).front().ends_with(offered)) << run.err;
    }
}

// A missing output directory is created with its parents, and the tool says so.
TEST_F(Cli, AMissingOutputDirectoryIsCreatedAndAnnounced) {
    const auto deep = out / "new" / "deeper";
    const CliRun run = runCli({"-o", deep.string(), source("pal4.bmp")}, config.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "pictrano: created the output directory " + deep.string() + "\n");
    EXPECT_TRUE(std::filesystem::exists(deep / "pal4.bmp"));
}

// Sources that make the same output, and an output that is its own source, are announced
// before the run; the run then converts them all as the window would.
TEST_F(Cli, OutputsThatMeetAreAnnouncedBeforeTheRun) {
    const auto other = out / "other";
    std::filesystem::create_directory(other);
    std::filesystem::copy_file(source("pal4.bmp"), other / "pal8.bmp");
    std::filesystem::copy_file(source("pal4.bmp"), out / "pal4.bmp");
    const std::string mine = (out / "pal4.bmp").string();
    const std::string theirs = (other / "pal8.bmp").string();
    const CliRun run = runCli({"-o", out.path().string(), source("pal8.bmp"), theirs, mine},
                              config.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.err),
              (std::vector<std::string>{
                  "pictrano: warning: " + theirs + " and " + source("pal8.bmp") + " both make " +
                      (out / "pal8.bmp").string() + "; the later replaces the earlier",
                  "pictrano: warning: " + mine + " is the source " + mine +
                      " itself and will be replaced"}));
    EXPECT_EQ(lines(run.out).back(), "ファイル作成を完了しました。対象=3, 成功=3, 失敗=0");
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

// The settings file is read on every run (a value unlike the default comes back when saving) and
// written only by --save-options, after the whole line was accepted and without converting when
// there is nothing to convert; the rewrite keeps comments and unknown names.
TEST_F(Cli, OptionsAreReadOnEveryRunAndWrittenOnlyWhenAsked) {
    const auto ini = config / "Tovami" / "Pictrano.ini";
    std::filesystem::create_directories(ini.parent_path());
    const std::string stored = "; mine\nJpegDRI=dword:00000010\nMyOwn=sz:kept\n";
    test::writeBytes(ini, {stored.begin(), stored.end()});
    auto text = [&ini] {
        const auto bytes = test::readBytes(ini);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::vector<std::string> sampling = {"--jpeg-sampling", "4:1:1"};
    auto withSampling = [&](std::vector<std::string> more) {
        more.insert(more.begin(), sampling.begin(), sampling.end());
        return more;
    };
    ASSERT_EQ(runCli(withSampling({"-o", out.path().string(), source("pal8.bmp")}),
                     config.path()).status, 0);
    EXPECT_EQ(text(), stored) << "a run without --save-options";
    const CliRun refused = runCli(withSampling({"--save-options", "-c", "nope", "-o",
                                                out.path().string(), source("pal8.bmp")}),
                                  config.path());
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(text(), stored) << "a refused command line";

    const CliRun saving = runCli(withSampling({"--save-options"}), config.path());
    EXPECT_EQ(std::tuple(saving.status, saving.out, saving.err), std::tuple(0, "", ""));
    const std::string saved = text();
    EXPECT_TRUE(saved.starts_with("; mine\nJpegDRI=dword:00000010\nMyOwn=sz:kept\n")) << saved;
    EXPECT_NE(saved.find("\nJpegWriteDCTSF=dword:00000002\n"), std::string::npos) << saved;
}

// A settings file that cannot be written is reported with its path and why; the run goes on and
// ends with status 1.
TEST_F(Cli, AFailedSaveOfTheOptionsSaysWhyAndGivesStatusOne) {
    test::writeBytes(config / "Tovami", {'x'});  // a file where the settings folder belongs
    const std::string reason = "pictrano: the options could not be saved to " +
                               (config / "Tovami" / "Pictrano.ini").string() +
                               ": its folder cannot be created: ";
    const CliRun alone = runCli({"--save-options"}, config.path());
    EXPECT_EQ(alone.status, 1);
    EXPECT_TRUE(alone.err.starts_with(reason)) << alone.err;
    const CliRun converting =
        runCli({"--save-options", "-o", out.path().string(), source("pal8.bmp")}, config.path());
    EXPECT_EQ(converting.status, 1);
    EXPECT_TRUE(converting.err.starts_with(reason)) << converting.err;
    EXPECT_TRUE(std::filesystem::exists(out / "pal8.bmp"));
}

// Without -p a degree takes the first compression offered for the colour format that takes it.
TEST(WindowScript, ADegreeWithoutACompressionTakesTheFirstOfferedThatTakesIt) {
    struct Case {
        const char *format, *colour, *degree, *compression, *line;
    };
    const Case cases[] = {
        {"png", nullptr, "high-paeth", "Deflate", "高圧縮(Paeth)"},
        {"jpeg", nullptr, "80", "基本DCT", "80:低品質"},
        {"jpeg", nullptr, "7", "基本DCT", " 7"},
        {"jpeg", "rgb8", "5", "可逆圧縮", "5:Ra+(Rb-Rc)/2"},
        {"jpeg", "mono8", "low", nullptr, nullptr},
        {"bmp", "rgb8", "3", nullptr, nullptr}};
    for (const Case& c : cases) {
        OptionStore options;
        options.setDefaults();
        MemoryDialog dialog(mainWindowControls());
        MainWindow window(dialog, options);
        window.initialise();
        CommandLine line;
        line.format = c.format;
        if (c.colour) line.colour = c.colour;
        line.degree = c.degree;
        line.outputDirectory = "out";
        std::string error;
        const bool applied = applyToWindow(line, dialog, window, error);
        EXPECT_EQ(applied, c.compression != nullptr) << c.degree << ": " << error;
        if (!applied) {
            EXPECT_TRUE(error.starts_with("no compression offered for this colour format takes "
                                          "the degree " + std::string(c.degree))) << error;
            continue;
        }
        auto selected = [&dialog](int id) { return dialog.itemText(id, dialog.selection(id)); };
        EXPECT_EQ(std::tuple(selected(ids::kCompression), dialog.isChecked(ids::kDegreeCheck),
                             selected(ids::kDegreeList)),
                  std::tuple(c.compression, true, c.line)) << c.degree;
    }
}

// A 24-bit Bitmap file of the picture.
std::vector<std::uint8_t> bitmapFile(const test::TestPicture& picture) {
    const auto stride = test::strideOf(picture.width, 24);
    const std::vector<std::uint8_t> rows = picture.rows();  // top row first
    test::BmpFile file{.width = picture.width, .height = picture.height, .bitCount = 24};
    for (int y = picture.height - 1; y >= 0; --y) {
        file.data.insert(file.data.end(), rows.begin() + static_cast<std::ptrdiff_t>(y * stride),
                         rows.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride));
    }
    return test::bytesOf(file);
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
