#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/ConversionJob.h"
#include "imagelib/front/ImageLoader.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Icon = DialogControls::Icon;

const char kSizeMessage[] = "サイズは 1 ～ 9999 の範囲で指定してください。";

std::string summary(int attempted, int succeeded, int failed) {
    return "ファイル作成を完了しました。対象=" + std::to_string(attempted) +
           ", 成功=" + std::to_string(succeeded) + ", 失敗=" + std::to_string(failed);
}

std::string bmp(const char* name) { return test::dataPath(std::string("bmpsuite/g/") + name).string(); }

// Every regular file under a folder, recursively.
std::vector<fs::path> filesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

class ConversionJob : public test::MainWindowFixture {
protected:
    // Runs the job on this thread, as the window's worker would.
    int run() {
        std::atomic<std::int32_t> running{1};
        std::atomic<std::int32_t> cancel{0};
        const int result = runConversionJob(JobParams{&dialog, &running, &cancel, &options});
        EXPECT_EQ(running.load(), 0);
        return result;
    }

    // The settings of a job over one source into the temporary folder.
    JobSettings prepared() {
        if (dialog.itemCount(ids::kSourceList) == 0) dialog.addItem(ids::kSourceList, bmp("rgb24.bmp"));
        if (dialog.text(ids::kOutputDirectory).empty()) {
            dialog.setText(ids::kOutputDirectory, out.path().string());
        }
        std::optional<JobSettings> settings = prepareJob(dialog, options);
        EXPECT_TRUE(settings.has_value()) << lastBox();
        return settings.value_or(JobSettings{});
    }

    std::string lastBox() const {
        const auto boxes = dialog.messageBoxes();
        return boxes.empty() ? std::string() : boxes.back().text;
    }

    void addSources(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) dialog.addItem(ids::kSourceList, path);
    }

    test::TempDir out;
};

using ConversionJobChecks = ConversionJob;
using ConversionJobRecord = ConversionJob;
using ConversionJobRun = ConversionJob;

TEST_F(ConversionJobChecks, EmptySourceListStopsAndKeepsTheMessages) {
    dialog.addItem(ids::kMessageList, "old line");
    EXPECT_EQ(run(), 0);
    const auto boxes = dialog.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "変換対象がありません。");
    EXPECT_EQ(boxes[0].icon, Icon::Warning);
    EXPECT_EQ(dialog.itemTexts(ids::kMessageList), Strings{"old line"});
    EXPECT_EQ(dialog.text(ids::kClose), "閉じる");
}

// Everything is wrong at first; mending one fault at a time shows the checks' order.
TEST_F(ConversionJobChecks, ChecksRunInTheirOrder) {
    choose(ids::kOutputFormat, "Jpeg");
    click(ids::kDegreeCheck, true);
    click(ids::kMaxSizeCheck, true);
    dialog.addItem(ids::kMessageList, "old line");
    dialog.setSelection(ids::kOutputFormat, -1);
    dialog.setSelection(ids::kColourFormat, -1);
    dialog.setSelection(ids::kCompression, -1);
    dialog.setSelection(ids::kDegreeList, -1);
    dialog.setText(ids::kMaxWidth, "0");
    dialog.setText(ids::kMaxHeight, "10000");
    const std::string aFile = (out / "a-file").string();
    test::writeBytes(aFile, {1});

    struct Step {
        const char* expected;
        std::function<void()> mend;
    };
    const Step steps[] = {
        {"変換対象がありません。", [&] { addSources({bmp("rgb24.bmp")}); }},
        {"出力形式を指定してください。",
         [&] {
             dialog.setSelection(ids::kOutputFormat, 1);
             dialog.setItemData(ids::kOutputFormat, 1, 0x50000);
         }},
        {"出力形式が不正です。", [&] { dialog.setItemData(ids::kOutputFormat, 1, 0x20000); }},
        {"色形式を指定してください。", [&] { dialog.setSelection(ids::kColourFormat, 0); }},
        {"圧縮形式を指定してください。", [&] { dialog.setSelection(ids::kCompression, 0); }},
        {"圧縮度を指定してください。", [&] { dialog.setSelection(ids::kDegreeList, 79); }},
        {kSizeMessage, [&] { dialog.setText(ids::kMaxWidth, "100"); }},
        {kSizeMessage, [&] { dialog.setText(ids::kMaxHeight, " 50px"); }},
        {"出力先を指定してください。", [&] { dialog.setText(ids::kOutputDirectory, aFile); }},
        {"出力先にはディレクトリを指定してください。",
         [&] { dialog.setText(ids::kOutputDirectory, (out / "missing").string()); }},
    };
    std::size_t shown = 0;
    for (const Step& step : steps) {
        EXPECT_EQ(run(), 0) << step.expected;
        const auto boxes = dialog.messageBoxes();
        ASSERT_EQ(boxes.size(), ++shown) << step.expected;
        EXPECT_EQ(boxes.back().text, step.expected);
        EXPECT_EQ(boxes.back().icon, Icon::Warning);
        // The message list is cleared only once the size check has passed.
        const bool sizePassed = std::string(step.expected).starts_with("出力先");
        EXPECT_EQ(dialog.itemCount(ids::kMessageList), sizePassed ? 0 : 1) << step.expected;
        if (shown == 7) {
            EXPECT_EQ(dialog.focusedControl(), ids::kMaxWidth);
        }
        if (shown == 8) {
            EXPECT_EQ(dialog.focusedControl(), ids::kMaxHeight);
        }
        step.mend();
    }
    // A missing output directory is accepted; files then fail one by one.
    const std::optional<JobSettings> settings = prepareJob(dialog, options);
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->maxWidth, 100);
    EXPECT_EQ(settings->maxHeight, 50);
    EXPECT_EQ(settings->record.degree, 80);
}

TEST_F(ConversionJobChecks, SizeBoxesReadLikeStrtol) {
    click(ids::kMaxSizeCheck, true);
    addSources({bmp("rgb24.bmp")});
    dialog.setText(ids::kOutputDirectory, out.path().string());
    const std::pair<const char*, bool> cases[] = {
        {"9999", true}, {"+12", true},  {"  7 ", true},  {"1", true},          {"10000", false},
        {"0", false},   {"-5", false},  {"abc", false},  {"", false},          {"99999999999999", false},
    };
    for (const auto& [text, accepted] : cases) {
        dialog.setText(ids::kMaxWidth, text);
        dialog.setText(ids::kMaxHeight, "600");
        const std::size_t before = dialog.messageBoxes().size();
        const std::optional<JobSettings> settings = prepareJob(dialog, options);
        EXPECT_EQ(settings.has_value(), accepted) << text;
        EXPECT_EQ(dialog.messageBoxes().size() - before, accepted ? 0u : 1u) << text;
        if (settings) {
            EXPECT_EQ(settings->maxWidth, std::stoi(text)) << text;
        }
    }
}

TEST_F(ConversionJobRecord, SizeLimitOffMeansNoLimit) {
    dialog.setText(ids::kMaxWidth, "0");
    const JobSettings settings = prepared();
    EXPECT_EQ(settings.maxWidth, 0);
    EXPECT_EQ(settings.maxHeight, 0);
}

TEST_F(ConversionJobRecord, BitmapRecords) {
    JobSettings settings = prepared();
    EXPECT_EQ(settings.record.structSize, 28u);
    EXPECT_EQ(settings.record.format, 1);
    EXPECT_EQ(settings.record.process, 0);
    EXPECT_EQ(settings.record.colourModel, 2);
    EXPECT_EQ(settings.record.bitCount, 24);
    EXPECT_EQ(settings.record.degree, 0);
    EXPECT_EQ(settings.record.samplingGiven, 0);
    EXPECT_EQ(settings.extension, ".bmp");
    EXPECT_EQ(settings.outputDirectory, out.path().string());
    EXPECT_EQ(settings.entryCount, 1);

    choose(ids::kColourFormat, "モノクロ 4bit RGB");
    choose(ids::kCompression, "RLE(Run Length Encode)");
    settings = prepared();
    EXPECT_EQ(settings.record.process, 1);
    EXPECT_EQ(settings.record.degree, 1);
    EXPECT_EQ(settings.record.colourModel, 1);
    EXPECT_EQ(settings.record.bitCount, 4);
}

TEST_F(ConversionJobRecord, JpegProcessDegreeAndSampling) {
    choose(ids::kOutputFormat, "Jpeg");
    JobSettings settings = prepared();
    EXPECT_EQ(settings.extension, ".jpg");
    EXPECT_EQ(settings.record.format, 2);
    EXPECT_EQ(settings.record.process, 192);
    EXPECT_EQ(settings.record.degree, 0);  // the degree box is off
    EXPECT_EQ(settings.record.colourModel, 3);
    EXPECT_EQ(settings.record.samplingGiven, 1);
    // "Jpeg.write.DCT.SF" defaults to 1: 2:1:1.
    EXPECT_EQ(std::vector<int>(settings.record.hSampling, settings.record.hSampling + 4),
              (std::vector<int>{2, 1, 1, 0}));
    EXPECT_EQ(std::vector<int>(settings.record.vSampling, settings.record.vSampling + 4),
              (std::vector<int>{1, 1, 1, 0}));

    options.setInt(kJpegWriteDctSf, 2);
    options.setInt(kJpegWriteLlSf, 0);
    click(ids::kDegreeCheck, true);
    dialog.setSelection(ids::kDegreeList, 49);
    settings = prepared();
    EXPECT_EQ(settings.record.degree, 50);
    EXPECT_EQ(settings.record.hSampling[0], 2);
    EXPECT_EQ(settings.record.vSampling[0], 2);

    options.setInt(kJpegWriteDctSf, 7);  // any other value: 1:1:1
    settings = prepared();
    EXPECT_EQ(settings.record.hSampling[0], 1);
    EXPECT_EQ(settings.record.vSampling[0], 1);

    // Lossless takes the lossless sampling option and the predictor.
    options.setInt(kJpegWriteDctSf, 2);
    options.setInt(kJpegWriteLlSf, 1);
    choose(ids::kCompression, "可逆圧縮");
    dialog.setSelection(ids::kDegreeList, 6);
    settings = prepared();
    EXPECT_EQ(settings.record.process, 195);
    EXPECT_EQ(settings.record.degree, 7);
    EXPECT_EQ(settings.record.hSampling[0], 2);
    EXPECT_EQ(settings.record.vSampling[0], 1);

    // Grey and RGB JPEG ignore the sampling options.
    for (const char* colour : {"モノクロ 8bit Y", "カラー 8bit RGB"}) {
        choose(ids::kColourFormat, colour);
        settings = prepared();
        EXPECT_EQ(settings.record.samplingGiven, 1);
        EXPECT_EQ(settings.record.hSampling[0], 1) << colour;
        EXPECT_EQ(settings.record.vSampling[0], 1) << colour;
        EXPECT_EQ(settings.record.hSampling[3], 0) << colour;
    }
    EXPECT_EQ(settings.record.colourModel, 2);
}

TEST_F(ConversionJobRecord, PngDegreeHoldsFilterAndDeflateDegree) {
    choose(ids::kOutputFormat, "Png");
    JobSettings settings = prepared();
    EXPECT_EQ(settings.extension, ".png");
    EXPECT_EQ(settings.record.degree, 0);  // "(なし)"
    choose(ids::kCompression, "Deflate");
    settings = prepared();
    EXPECT_EQ(settings.record.process, 0);
    EXPECT_EQ(settings.record.degree, 1);  // box off: low degree, filter None
    click(ids::kDegreeCheck, true);
    const std::pair<int, int> cases[] = {{0, 0x01}, {3, 0x31}, {10, 0x42}, {12, 0x03}, {17, 0x53}};
    for (const auto& [index, degree] : cases) {
        dialog.setSelection(ids::kDegreeList, index);
        EXPECT_EQ(prepared().record.degree, degree) << index;
    }
}

TEST_F(ConversionJobRecord, IconTransparency) {
    choose(ids::kOutputFormat, "Icon");
    options.setInt(kIconWriteTransColorF, 0x40000010);
    options.setInt(kIconWriteTransColor, 0x00112233);
    JobSettings settings = prepared();
    EXPECT_EQ(settings.extension, ".ico");
    EXPECT_EQ(transparencyOf(settings.record), -1);  // transparency off, whatever else is set

    options.setInt(kIconWriteTrans, 1);
    EXPECT_EQ(transparencyOf(prepared().record), 0x40000010);
    options.setInt(kIconWriteTransColorF, 0);
    EXPECT_EQ(transparencyOf(prepared().record), 0x00332211);
    options.setInt(kIconWriteTransColor, 0x00FF0080);
    EXPECT_EQ(transparencyOf(prepared().record), 0x008000FF);
}

TEST_F(ConversionJobRecord, ColourOptionsFollowTheReadingOptions) {
    EXPECT_EQ(colourOptionsFrom(options), 0u);
    options.setInt(kJpegReadDctColor, 1);
    EXPECT_EQ(colourOptionsFrom(options), 2u);
    options.setInt(kJpegReadLlColor, 1);
    EXPECT_EQ(prepared().colourOptions, 0x202u);
    options.setInt(kJpegReadDctColor, 2);
    EXPECT_EQ(colourOptionsFrom(options), 0x200u);
}

TEST(ShrunkSize, KeepsTheRatioAndNeverDropsBelowOne) {
    struct Case {
        int w, h, maxW, maxH;
        std::optional<PictureSize> expected;
    };
    const Case cases[] = {
        {400, 200, 100, 100, PictureSize{100, 50}},
        {50, 400, 100, 100, PictureSize{12, 100}},
        {100, 100, 100, 100, std::nullopt},
        {99, 1, 100, 100, std::nullopt},
        {1000, 1, 10, 10, PictureSize{10, 1}},
        {1, 1000, 10, 10, PictureSize{1, 10}},
        {200, 100, 100, 50, PictureSize{100, 50}},  // same ratio: the height rule
        {101, 100, 100, 100, PictureSize{100, 99}},
        // Products beyond 32 bits.
        {2000000000, 1, 9999, 9999, PictureSize{9999, 1}},
        {2000000000, 2000000000, 3, 9999, PictureSize{3, 3}},
        {1, 2000000000, 1, 1, PictureSize{1, 1}},
        {2000000000, 1999999999, 9999, 9999, PictureSize{9999, 9998}},
    };
    for (const Case& c : cases) {
        const std::optional<PictureSize> size = shrunkSize(c.w, c.h, c.maxW, c.maxH);
        ASSERT_EQ(size.has_value(), c.expected.has_value()) << c.w << "x" << c.h;
        if (size) {
            EXPECT_EQ(size->width, c.expected->width) << c.w << "x" << c.h;
            EXPECT_EQ(size->height, c.expected->height) << c.w << "x" << c.h;
        }
    }
}

TEST_F(ConversionJobRun, ConvertsEveryFileAndSummarises) {
    const Strings sources = {bmp("rgb24.bmp"), bmp("pal8.bmp"), bmp("pal4rle.bmp")};
    addSources(sources);
    dialog.setText(ids::kOutputDirectory, out.path().string());
    dialog.addItem(ids::kMessageList, "old line");
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(dialog.itemTexts(ids::kMessageList),
              (Strings{sources[0] + " ...", sources[1] + " ...", sources[2] + " ...",
                       summary(3, 3, 0)}));
    EXPECT_EQ(dialog.selection(ids::kMessageList), 3);  // the newest line
    EXPECT_EQ(dialog.text(ids::kClose), "閉じる");
    for (const char* name : {"rgb24.bmp", "pal8.bmp", "pal4rle.bmp"}) {
        ImageLoader loader;
        const auto image = loader.loadFile((out / name).string());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->width(), 127);
        EXPECT_EQ(image->height(), 64);
    }
    EXPECT_TRUE(dialog.messageBoxes().empty());
}

TEST_F(ConversionJobRun, UnreadableFileInTheMiddleFailsAloneWithTheLoaderMessage) {
    const std::string notImage = (out / "notes.bmp").string();
    test::writeBytes(notImage, {'h', 'e', 'l', 'l', 'o'});
    const fs::path target = out / "converted";
    fs::create_directory(target);
    const Strings sources = {bmp("rgb24.bmp"), notImage, bmp("pal8.bmp")};
    addSources(sources);
    dialog.setText(ids::kOutputDirectory, target.string());
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(dialog.itemTexts(ids::kMessageList),
              (Strings{sources[0] + " ...", sources[1] + " ...",
                       "読み取りエラー : サポートされていないファイル形式です。",
                       sources[2] + " ...", summary(3, 2, 1)}));
    EXPECT_TRUE(fs::exists(target / "rgb24.bmp"));
    EXPECT_FALSE(fs::exists(target / "notes.bmp"));
    EXPECT_TRUE(fs::exists(target / "pal8.bmp"));
}

TEST_F(ConversionJobRun, ShrinksPicturesBeyondTheLimits) {
    addSources({bmp("rgb24.bmp")});
    dialog.setText(ids::kOutputDirectory, out.path().string());
    click(ids::kMaxSizeCheck, true);
    dialog.setText(ids::kMaxWidth, "100");
    dialog.setText(ids::kMaxHeight, "100");
    ASSERT_EQ(run(), 1);
    ImageLoader loader;
    auto image = loader.loadFile((out / "rgb24.bmp").string());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width(), 100);  // 127 x 64 -> 100 x 64*100/127
    EXPECT_EQ(image->height(), 50);

    dialog.setText(ids::kMaxWidth, "200");
    dialog.setText(ids::kMaxHeight, "200");
    ASSERT_EQ(run(), 1);
    image = loader.loadFile((out / "rgb24.bmp").string());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width(), 127);  // within the limits: untouched
    EXPECT_EQ(image->height(), 64);
}

TEST_F(ConversionJobRun, MissingOutputDirectoryFailsFileByFile) {
    addSources({bmp("rgb24.bmp"), bmp("pal8.bmp")});
    dialog.setText(ids::kOutputDirectory, (out / "missing").string());
    EXPECT_EQ(run(), 1);
    const Strings lines = dialog.itemTexts(ids::kMessageList);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(lines[1].starts_with("変換エラー : ")) << lines[1];
    EXPECT_GT(lines[1].size(), std::string("変換エラー : ").size());
    EXPECT_TRUE(lines[3].starts_with("変換エラー : ")) << lines[3];
    EXPECT_EQ(lines[4], summary(2, 0, 2));
    EXPECT_TRUE(filesUnder(out.path()).empty());
}

// Paths beyond 260 characters are used whole: the output lands where it was asked for, and a
// name the file system cannot take fails without writing anywhere else.
TEST_F(ConversionJobRun, LongPathsAreNeverCut) {
    fs::path deep = out.path();
    for (int i = 0; i < 6; ++i) deep /= std::string(60, static_cast<char>('a' + i));
    fs::create_directories(deep);
    const fs::path longSource = deep / "source.bmp";
    fs::copy_file(bmp("rgb24.bmp"), longSource);
    const fs::path longName = deep / (std::string(252, 'n') + ".b");  // stem + ".bmp" > 255
    fs::copy_file(bmp("pal8.bmp"), longName);
    ASSERT_GT(longSource.string().size(), 400u);

    const fs::path target = deep / "out";
    fs::create_directory(target);
    addSources({longSource.string(), longName.string()});
    dialog.setText(ids::kOutputDirectory, target.string());
    EXPECT_EQ(run(), 1);

    const Strings lines = dialog.itemTexts(ids::kMessageList);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], longSource.string() + " ...");
    EXPECT_EQ(lines[1], longName.string() + " ...");
    EXPECT_TRUE(lines[2].starts_with("変換エラー : ")) << lines[2];
    EXPECT_EQ(lines[3], summary(2, 1, 1));
    std::vector<fs::path> files = filesUnder(out.path());
    std::sort(files.begin(), files.end());
    std::vector<fs::path> expected = {longName, longSource, target / "source.bmp"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
}

TEST_F(ConversionJobRun, CancelStopsBeforeTheNextFile) {
    Strings sources;
    for (const char* name : {"pal1.bmp", "pal4.bmp", "pal8.bmp", "pal8rle.bmp", "rgb24.bmp"}) {
        sources.push_back(bmp(name));
    }
    addSources(sources);
    dialog.setText(ids::kOutputDirectory, out.path().string());
    int started = 0;
    std::string buttonDuringRun;
    dialog.onItemAdded = [&](int id, const std::string& text) {
        if (id != ids::kMessageList || !text.ends_with(" ...")) return;
        if (++started == 3) {
            buttonDuringRun = dialog.text(ids::kClose);
            window.onCommand(ids::kClose);
        }
    };
    window.onCommand(ids::kStart);
    window.waitForJob();
    EXPECT_EQ(buttonDuringRun, "ｷｬﾝｾﾙ");
    EXPECT_EQ(dialog.itemTexts(ids::kMessageList),
              (Strings{sources[0] + " ...", sources[1] + " ...", sources[2] + " ...",
                       "ユーザからのキャンセル要求がありました。", summary(3, 3, 0)}));
    EXPECT_TRUE(fs::exists(out / "pal8.bmp"));  // the third file was finished
    EXPECT_FALSE(fs::exists(out / "pal8rle.bmp"));
    EXPECT_FALSE(window.isRunning());
    EXPECT_EQ(dialog.text(ids::kClose), "閉じる");

    // A new start clears the earlier cancel request.
    dialog.onItemAdded = nullptr;
    window.onCommand(ids::kStart);
    window.waitForJob();
    EXPECT_EQ(dialog.itemTexts(ids::kMessageList).back(), summary(5, 5, 0));
}

}  // namespace
}  // namespace pictrano
