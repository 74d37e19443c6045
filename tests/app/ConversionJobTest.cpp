#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/ConversionJob.h"
#include "app/ConversionWorkers.h"
#include "app/JobPreparation.h"
#include "imagelib/front/ImageLoader.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Paths = std::vector<fs::path>;

const char kSizeMessage[] = "サイズは 1 ～ 9999 の範囲で指定してください。";
const std::string kWriteError = "変換エラー : ";

std::string summary(int attempted, int succeeded, int failed) {
    return "ファイル作成を完了しました。対象=" + std::to_string(attempted) + ", 成功=" +
           std::to_string(succeeded) + ", 失敗=" + std::to_string(failed);
}

std::string bmp(const char* name) { return test::dataPath(std::string("bmpsuite/g/") + name).string(); }

using test::filesUnder;

class ConversionJob : public test::MainWindowFixture {
protected:
    // Runs the job on this thread, as the window's worker would; the running flag must be
    // cleared whichever way the job ends.
    Strings run(int expected) {
        std::atomic<std::int32_t> running{1}, cancel{0};
        EXPECT_EQ(runConversionJob(JobParams{&dialog, &running, &cancel, &options, nullptr, {}}), expected);
        EXPECT_EQ(running.load(), 0);
        return messageLines();
    }

    // The message list, with the saver's own text after kWriteError shortened to "...".
    Strings messageLines() const {
        Strings lines = dialog.itemTexts(ids::kMessageList);
        for (std::string& line : lines) {
            if (line.starts_with(kWriteError) && line != kWriteError) line = kWriteError + "...";
        }
        return lines;
    }

    // The settings of a job over a source (one more each call) into the temporary folder.
    JobSettings prepared() {
        dialog.addItem(ids::kSourceList, bmp("rgb24.bmp"));
        dialog.setText(ids::kOutputDirectory, out.path().string());
        std::optional<JobSettings> settings = prepareJob(dialog, options);
        EXPECT_TRUE(settings.has_value());
        return settings.value_or(JobSettings{});
    }

    test::TempDir out;
};

// Everything is wrong at first; mending one fault at a time shows the checks' order.
TEST_F(ConversionJob, ChecksRunInTheirOrder) {
    choose(ids::kOutputFormat, "Jpeg");
    click(ids::kDegreeCheck, true);
    click(ids::kMaxSizeCheck, true);
    dialog.addItem(ids::kMessageList, "old line");
    for (int id : {ids::kOutputFormat, ids::kColourFormat, ids::kCompression, ids::kDegreeList})
        dialog.setSelection(id, -1);
    dialog.setText(ids::kMaxHeight, "10000");
    std::size_t shown = 0;
    // The job stops with the message; the message list is cleared once the size check passed.
    auto expectStop = [&](const std::string& message, int focused = 0) {
        SCOPED_TRACE(message);
        run(0);
        const auto boxes = dialog.messageBoxes();
        ASSERT_EQ(boxes.size(), ++shown);
        EXPECT_EQ(boxes.back().text, message);
        EXPECT_EQ(boxes.back().icon, DialogControls::Icon::Warning);
        EXPECT_EQ(dialog.itemCount(ids::kMessageList), message.starts_with("出力先") ? 0 : 1);
        if (focused != 0) { EXPECT_EQ(dialog.focusedControl(), focused); }
    };
    expectStop("変換対象がありません。");
    dialog.addItem(ids::kSourceList, bmp("rgb24.bmp"));
    expectStop("出力形式を指定してください。");
    dialog.setSelection(ids::kOutputFormat, 1);
    dialog.setItemData(ids::kOutputFormat, 1, 0x50000);
    expectStop("出力形式が不正です。");
    dialog.setItemData(ids::kOutputFormat, 1, 0x20000);
    expectStop("色形式を指定してください。");
    dialog.setSelection(ids::kColourFormat, 0);
    expectStop("圧縮形式を指定してください。");
    dialog.setSelection(ids::kCompression, 0);
    expectStop("圧縮度を指定してください。");
    dialog.setSelection(ids::kDegreeList, 79);
    // The boxes are read as strtol reads them; the width is examined first.
    for (const char* text : {"0", "10000", "-5", "abc", "", "99999999999999"}) {
        dialog.setText(ids::kMaxWidth, text);
        expectStop(kSizeMessage, ids::kMaxWidth);
    }
    dialog.setText(ids::kMaxWidth, "+9999");
    expectStop(kSizeMessage, ids::kMaxHeight);
    dialog.setText(ids::kMaxHeight, "  1px");
    expectStop("出力先を指定してください。");
    dialog.setText(ids::kOutputDirectory, bmp("rgb24.bmp"));
    expectStop("出力先にはディレクトリを指定してください。");
    dialog.setText(ids::kOutputDirectory, (out / "missing").string());
    const std::optional<JobSettings> settings = prepareJob(dialog, options);
    EXPECT_EQ(settings ? std::pair(settings->maxWidth, settings->maxHeight) : std::pair(0, 0),
              std::pair(9999, 1));
    // A missing output directory is accepted; each file then fails, and nothing is written.
    EXPECT_EQ(run(1), (Strings{bmp("rgb24.bmp") + " ...", kWriteError + "...", summary(1, 0, 1)}));
    EXPECT_TRUE(filesUnder(out.path()).empty());
}

// The lists' item data unpacked into the saver's record, with the sampling options.
TEST_F(ConversionJob, ChoicesFillTheRecord) {
    struct Row {
        const char *format, *colour, *compression;
        int degreeIndex, dctSampling, llSampling;      // degree index -1: the box is off
        int code, process, degree, model, bits, h, v;  // h, v: sampling factors as hex digits
    };
    const Row rows[] = {
        {"Bitmap", "カラー 24bit RGB", "(なし)", -1, 1, 0, 1, 0, 0, 2, 24, 0, 0},
        {"Bitmap", "モノクロ 4bit RGB", "RLE(Run Length Encode)", -1, 1, 0, 1, 1, 1, 1, 4, 0, 0},
        // YCbCr takes the option of its process: 1 gives 2:1:1, 2 gives 4:1:1, others 1:1:1.
        {"Jpeg", "カラー 8bit YCbCr", "基本DCT", -1, 1, 2, 2, 192, 0, 3, 8, 0x2110, 0x1110},
        {"Jpeg", "カラー 8bit YCbCr", "基本DCT", 49, 7, 2, 2, 192, 50, 3, 8, 0x1110, 0x1110},
        {"Jpeg", "カラー 8bit YCbCr", "可逆圧縮", 6, 1, 2, 2, 195, 7, 3, 8, 0x2110, 0x2110},
        {"Jpeg", "モノクロ 8bit Y", "基本DCT", -1, 2, 1, 2, 192, 0, 1, 8, 0x1110, 0x1110},
        {"Jpeg", "カラー 8bit RGB", "可逆圧縮", 0, 2, 2, 2, 195, 1, 2, 8, 0x1110, 0x1110},
        // PNG degree: row filter << 4 | Deflate degree; the box off gives degree 1, filter None.
        {"Png", "カラー 24bit RGB", "Deflate", -1, 1, 0, 3, 0, 0x01, 2, 24, 0, 0},
        {"Png", "モノクロ 2bit Y", "Deflate", 3, 1, 0, 3, 0, 0x31, 1, 2, 0, 0},
        {"Png", "カラー 24bit RGB", "Deflate", 10, 1, 0, 3, 0, 0x42, 2, 24, 0, 0},
        {"Png", "カラー 24bit RGB", "Deflate", 17, 1, 0, 3, 0, 0x53, 2, 24, 0, 0},
    };
    const char* const extensions[] = {"", ".bmp", ".jpg", ".png"};
    auto digits = [](const std::uint8_t* f) { return f[0] << 12 | f[1] << 8 | f[2] << 4 | f[3]; };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        choose(ids::kOutputFormat, row.format);
        choose(ids::kColourFormat, row.colour);
        choose(ids::kCompression, row.compression);
        click(ids::kDegreeCheck, row.degreeIndex >= 0);
        if (row.degreeIndex >= 0) dialog.setSelection(ids::kDegreeList, row.degreeIndex);
        options.setInt(kJpegWriteDctSf, row.dctSampling);
        options.setInt(kJpegWriteLlSf, row.llSampling);
        const JobSettings settings = prepared();
        const SaveParams& r = settings.record;
        EXPECT_EQ(settings.extension, extensions[row.code]);
        EXPECT_EQ((std::array<int, 9>{static_cast<int>(r.structSize), r.format, r.process, r.degree,
                                      r.colourModel, r.bitCount, r.samplingGiven,
                                      digits(r.hSampling), digits(r.vSampling)}),
                  (std::array<int, 9>{28, row.code, row.process, row.degree, row.model, row.bits,
                                      row.code == 2, row.h, row.v}));
    }
}

TEST_F(ConversionJob, IconTransparencyAndColourOptions) {
    choose(ids::kOutputFormat, "Icon");
    options.setInt(kIconWriteTransColorF, 0x40000010);
    options.setInt(kIconWriteTransColor, 0x00FF2080);
    EXPECT_EQ(prepared().extension, ".ico");
    EXPECT_EQ(transparencyOf(prepared().record), -1);  // transparency off, whatever else is set
    options.setInt(kIconWriteTrans, 1);
    EXPECT_EQ(transparencyOf(prepared().record), 0x40000010);
    options.setInt(kIconWriteTransColorF, 0);  // no rule: the colour, red and blue swapped
    EXPECT_EQ(transparencyOf(prepared().record), 0x008020FF);

    EXPECT_EQ(prepared().colourOptions, 0u);
    options.setInt(kJpegReadDctColor, 1);
    options.setInt(kJpegReadLlColor, 1);
    EXPECT_EQ(prepared().colourOptions, 0x202u);
    options.setInt(kJpegReadDctColor, 2);
    EXPECT_EQ(colourOptionsFrom(options), 0x200u);
}

// Width x height within maxW x maxH; an expected size of -1 x -1 means it fits as it is.
TEST(ShrunkSize, KeepsTheRatioAndNeverDropsBelowOne) {
    const int big = 2000000000;  // products beyond 32 bits
    const std::array<int, 6> cases[] = {
        {400, 200, 100, 100, 100, 50}, {50, 400, 100, 100, 12, 100}, {1, 1000, 10, 10, 1, 10},
        {100, 100, 100, 100, -1, -1}, {99, 1, 100, 100, -1, -1}, {1000, 1, 10, 10, 10, 1},
        {200, 100, 100, 50, 100, 50}, {101, 100, 100, 100, 100, 99}, {big, big, 3, 9999, 3, 3},
        {big, 1, 9999, 9999, 9999, 1}, {1, big, 1, 1, 1, 1}, {big, big - 1, 9999, 9999, 9999, 9998},
    };
    for (const auto& [w, h, maxW, maxH, expectedW, expectedH] : cases) {
        const std::optional<PictureSize> size = shrunkSize(w, h, maxW, maxH);
        EXPECT_EQ(size ? std::pair(size->width, size->height) : std::pair(-1, -1),
                  std::pair(expectedW, expectedH)) << w << 'x' << h << " in " << maxW << 'x' << maxH;
    }
}

// One list of awkward sources, run through the window twice. A file that cannot be read fails
// alone; a cancel stops before the next file. Paths beyond 260 characters are used whole: the
// output lands where it was asked for, and a name the file system cannot take fails without
// writing anywhere else.
TEST_F(ConversionJob, ConvertsUntilCancelledAndReportsEachFailure) {
    fs::path deep = out.path();
    for (int i = 0; i < 6; ++i) deep /= std::string(60, static_cast<char>('a' + i));
    const fs::path target = deep / "out";
    fs::create_directories(target);
    const fs::path longSource = deep / "source.bmp", notImage = deep / "notes.bmp";
    const fs::path longName = deep / (std::string(252, 'n') + ".b");  // stem + ".bmp" > 255
    fs::copy_file(bmp("rgb24.bmp"), longSource);
    fs::copy_file(bmp("pal8.bmp"), longName);
    test::writeBytes(notImage, {'h', 'e', 'l', 'l', 'o'});
    const Strings sources = {longSource.string(), notImage.string(), bmp("pal4rle.bmp"),
                             longName.string(), bmp("pal1.bmp")};
    for (const std::string& source : sources) dialog.addItem(ids::kSourceList, source);
    dialog.setText(ids::kOutputDirectory, target.string());
    dialog.setText(ids::kMaxWidth, "0");  // ignored while the size box is off
    dialog.addItem(ids::kMessageList, "old line");
    int started = 0;
    std::string buttonDuringRun;
    dialog.onItemAdded = [&](int id, const std::string& text) {
        if (id != ids::kMessageList || !text.ends_with(" ...") || ++started != 3) return;
        buttonDuringRun = dialog.text(ids::kClose);
        window.onCommand(ids::kClose);
    };
    // Runs the job; checks its lines, the newest selected, and that only `written` was added.
    auto expectRun = [&](const Strings& lines, Paths written, int width, int height) {
        window.onCommand(ids::kStart);
        window.waitForJob();
        EXPECT_FALSE(window.isRunning());
        EXPECT_EQ(dialog.text(ids::kClose), "閉じる");
        EXPECT_EQ(messageLines(), lines);
        EXPECT_EQ(dialog.selection(ids::kMessageList), static_cast<int>(lines.size()) - 1);
        for (const fs::path& path : written) {
            const auto image = ImageLoader().loadFile(path.string());
            EXPECT_EQ(image ? std::pair(image->width(), image->height()) : std::pair(0, 0),
                      std::pair(width, height)) << path;
        }
        written.insert(written.end(), {longSource, notImage, longName});
        std::sort(written.begin(), written.end());
        EXPECT_EQ(filesUnder(out.path()), written);
    };
    Strings lines = {sources[0] + " ...", sources[1] + " ...",
                     "読み取りエラー : サポートされていないファイル形式です。", sources[2] + " ..."};
    Strings cancelled = lines;
    cancelled.insert(cancelled.end(), {"ユーザからのキャンセル要求がありました。", summary(3, 2, 1)});
    expectRun(cancelled, {target / "source.bmp", target / "pal4rle.bmp"}, 127, 64);
    EXPECT_EQ(buttonDuringRun, "ｷｬﾝｾﾙ");

    // A new start clears the earlier cancel request; pictures beyond the limits are shrunk.
    click(ids::kMaxSizeCheck, true);
    dialog.setText(ids::kMaxWidth, "100");
    dialog.setText(ids::kMaxHeight, "100");
    lines.insert(lines.end(), {sources[3] + " ...", kWriteError + "...", sources[4] + " ...",
                               summary(5, 3, 2)});
    expectRun(lines, {target / "source.bmp", target / "pal4rle.bmp", target / "pal1.bmp"}, 100, 50);
    EXPECT_TRUE(dialog.messageBoxes().empty());
}

// Entries of a job converted at once wait for the earlier entries that read or write one of their
// files, however the path is spelled.
TEST(ConversionWorkers, EntriesWaitForEarlierOnesSharingAFile) {
    const std::vector<std::vector<std::string>> files = {
        {"a.bmp", "out/a.png"},     {"b.bmp", "out/b.png"},     {"sub/../a.bmp", "out/c.png"},
        {"c.bmp", "out/./b.png"},   {"out/c.png", "out/d.png"}, {"d.bmp", "out/a.png"},
        {"out/d.png", "out/b.png"},
    };
    EXPECT_EQ(earlierEntriesSharingFiles(files),
              (std::vector<std::vector<int>>{{}, {}, {0}, {1}, {2}, {0}, {4, 3}}));
}

}  // namespace
}  // namespace pictrano
