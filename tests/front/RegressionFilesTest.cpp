#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

// Files that made the library crash, hang, or take far more memory than their data describes
// (the fuzz programs' findings among them), each with the outcome the rules give it.
struct Regression {
    const char* name;      // in tests/data/regressions
    const char* message;   // the load's message, or null when the file loads at width x height
    int width, height;
    int savedBitCount;     // > 0: the picture is then encoded as a Bitmap of that bit count
    long peakMiB;          // the most memory loading (and encoding) may add
};

constexpr Regression kRegressions[] = {
    // 64 and 59 bytes of RLE8 claiming 9000 x 9900 and 16384 x 5461 pixels: the rows and the
    // index plane together exceed the picture limit.
    {"rle8-9000x9900.bmp", "メモリが不足しています。", 0, 0, 0, 8},
    {"rle8-16384x5461-bits0.bmp", "メモリが不足しています。", 0, 0, 0, 8},
    // One run in a 4000 x 4000 picture whose entry 0 is black: the picture's own zero-filled
    // rows are decoded into, and saving holds only them (46 MiB) and the file made from them
    // (61 MiB at 32 bits); a copy more would pass the bound.
    {"rle8-4000x4000-one-run.bmp", nullptr, 4000, 4000, 32, 46 + 61 + 30},
    // Image data for 4000 x 4000 pixels whose stream ends after 4 rows: the missing rows fail,
    // and only the rows inflated take memory.
    {"png-4000x4000-stream-ends-after-4-rows.png", "サポートされていないフィルター形式です。", 0, 0, 0,
     16},
    // A progressive frame of 16000 x 5000 pixels from 281 bytes: the coefficients held beside
    // the picture take it beyond the limit.
    {"progressive-grey-16000x5000-cut.jpg", "メモリが不足しています。", 0, 0, 0, 8},
};

long peakKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Loads (and encodes) in this process; 0 for the row's outcome within its memory, 1 for another
// outcome, 2 for more memory.
int check(const Regression& row, const std::vector<std::uint8_t>& bytes) {
    const long before = peakKiB();
    ImageLoader loader;
    const std::unique_ptr<DibImage> image = loader.loadMemory(bytes.data(), bytes.size());
    bool expected = row.message == nullptr
                        ? image && image->width() == row.width && image->height() == row.height
                        : !image && loader.errors().utf8() == row.message;
    if (expected && image && row.savedBitCount > 0) {
        SaveParams params{sizeof(SaveParams), kFormatBitmap, 0, 2,
                          static_cast<std::uint16_t>(row.savedBitCount), 0, 0, {}, {}, {}};
        std::vector<std::uint8_t> file;
        expected = ImageSaver().encode(file, *image, &params) > 0;
    }
    if (!expected) std::fprintf(stderr, "%s: %s\n", row.name, loader.errors().utf8().c_str());
    const long addedMiB = (peakKiB() - before) / 1024;
    if (addedMiB > row.peakMiB) std::fprintf(stderr, "%s: %ld MiB\n", row.name, addedMiB);
    return !expected ? 1 : addedMiB > row.peakMiB ? 2 : 0;
}

// Each file in a child process of its own, so that a crash fails its row alone and the peak
// memory is its own.
TEST(RegressionFiles, EachGivesItsOutcomeWithinItsMemory) {
    std::set<std::string> listed;
    for (const Regression& row : kRegressions) {
        listed.insert(row.name);
        const auto bytes = test::readBytes(test::dataPath(std::string("regressions/") + row.name));
        const pid_t child = ::fork();
        if (child == 0) ::_exit(check(row, bytes));
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << row.name << " ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0) << row.name << " (1: other outcome, 2: more memory)";
    }
    for (const auto& path : test::filesUnder(test::dataPath("regressions"))) {
        EXPECT_TRUE(listed.contains(path.filename().string())) << path << " has no row";
    }
}

}  // namespace
}  // namespace pictrano
