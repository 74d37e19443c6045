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
#include "tests/support/ZlibOracle.h"

namespace pictrano {
namespace {

// Files that made the library crash, hang, or take far more memory than their data describes
// (the fuzz programs' findings among them), each with the outcome the rules give it. A name
// ending in .zlib is the file as a zlib stream.
struct Regression {
    const char* name;      // in tests/data/regressions
    const char* message;   // the load's message, or null when the file loads at width x height
    int width, height;
    std::uint16_t savedFormat;  // not 0: the picture is then encoded in that format
    int savedBitCount;          // and that bit count
    long peakMiB;               // the most memory loading (and encoding) may add
};

constexpr Regression kRegressions[] = {
    // 64 and 59 bytes of RLE8 claiming 9000 x 9900 and 16384 x 5461 pixels: the rows and the
    // index plane together exceed the picture limit.
    {"rle8-9000x9900.bmp", "メモリが不足しています。", 0, 0, 0, 0, 8},
    {"rle8-16384x5461-bits0.bmp", "メモリが不足しています。", 0, 0, 0, 0, 8},
    // One run in a 4000 x 4000 picture whose entry 0 is black: the picture's own zero-filled
    // rows are decoded into, and saving holds only them (46 MiB) and the file made from them
    // (61 MiB at 32 bits, 46 MiB as a 24-bit icon); a copy more would pass the bound. Reduced
    // to 16 colours, the picture is read where it lies: the 4-bit rows (8 MiB) and the file
    // are all that saving adds.
    {"rle8-4000x4000-one-run.bmp", nullptr, 4000, 4000, kFormatBitmap, 32, 46 + 61 + 30},
    {"rle8-4000x4000-one-run.bmp", nullptr, 4000, 4000, kFormatIcon, 24, 46 + 48 + 30},
    {"rle8-4000x4000-one-run.bmp", nullptr, 4000, 4000, kFormatBitmap, 4, 46 + 16 + 20},
    {"rle8-4000x4000-one-run.bmp", nullptr, 4000, 4000, kFormatIcon, 4, 46 + 18 + 20},
    // Image data for 4000 x 4000 pixels whose stream ends after 4 rows: the missing rows fail,
    // and only the rows inflated take memory.
    {"png-4000x4000-stream-ends-after-4-rows.png", "サポートされていないフィルター形式です。", 0, 0,
     0, 0, 16},
    // A progressive frame of 16000 x 5000 pixels from 281 bytes: the coefficients held beside
    // the picture take it beyond the limit.
    {"progressive-grey-16000x5000-cut.jpg", "メモリが不足しています。", 0, 0, 0, 0, 8},
    // 4 MiB of segments, kept here compressed. Huffman tables of one class and identifier, one
    // after another: each replaces the one before, which no scan can use (were each kept with
    // its decoding form, they took 1 GB).
    {"huffman-tables-4mib.jpg.zlib", "フレームデータがありません。2", 0, 0, 0, 0, 16},
    // Empty application segments: a million of them are kept, in time proportional to their
    // number (the list grew by a fixed step, which took minutes).
    {"app-segments-4mib.jpg.zlib", "フレームデータがありません。2", 0, 0, 0, 0, 128},
    // A progressive 2048 x 2048 frame whose band refinements, each ending every block's band in
    // a few bytes, repeat to the end of the file: only the one refinement the progression allows
    // is decoded (each pass over every block took hours).
    {"progressive-refinements-4mib.jpg.zlib", nullptr, 2048, 2048, 0, 0, 96},
    // A Huffman table before each of 116,000 scans: the tables no scan is decoded with are kept
    // without their decoding form (5 KB each, 600 MB for them all).
    {"huffman-tables-between-scans-4mib.jpg.zlib", nullptr, 8, 8, 0, 0, 160},
};

// AddressSanitizer keeps freed memory in quarantine and pads every allocation: under it the
// peak is not the library's, and only the outcome is checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakIsTheLibrarys = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPeakIsTheLibrarys = false;
#else
constexpr bool kPeakIsTheLibrarys = true;
#endif
#else
constexpr bool kPeakIsTheLibrarys = true;
#endif

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
    if (expected && image && row.savedFormat != 0) {
        SaveParams params{sizeof(SaveParams), row.savedFormat, 0, 2,
                          static_cast<std::uint16_t>(row.savedBitCount), 0, 0, {}, {}, {}};
        std::vector<std::uint8_t> file;
        expected = ImageSaver().encode(file, *image, &params) > 0;
    }
    if (!expected) std::fprintf(stderr, "%s: %s\n", row.name, loader.errors().utf8().c_str());
    const long addedMiB = kPeakIsTheLibrarys ? (peakKiB() - before) / 1024 : 0;
    if (addedMiB > row.peakMiB) {
        std::fprintf(stderr, "%s (format %d, %d bits): %ld MiB\n", row.name, row.savedFormat,
                     row.savedBitCount, addedMiB);
    }
    return !expected ? 1 : addedMiB > row.peakMiB ? 2 : 0;
}

// A load that has not ended by then hangs: the alarm's signal ends its process.
constexpr unsigned kHangSeconds = 60;

// Each file in a child process of its own, so that a crash or hang fails its row alone and the
// peak memory is its own.
TEST(RegressionFiles, EachGivesItsOutcomeWithinItsMemory) {
    std::set<std::string> listed;
    for (const Regression& row : kRegressions) {
        listed.insert(row.name);
        const std::string name = row.name;
        auto bytes = test::readBytes(test::dataPath("regressions/" + name));
        if (name.ends_with(".zlib")) bytes = test::zlibInflate(bytes).value_or(std::vector<std::uint8_t>{});
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(kHangSeconds);
            ::_exit(check(row, bytes));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        std::string what = row.name;
        if (row.savedFormat != 0) {
            what += " saved as format " + std::to_string(row.savedFormat) + " at " +
                    std::to_string(row.savedBitCount) + " bits";
        }
        EXPECT_TRUE(WIFEXITED(status)) << what << " ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0) << what << " (1: other outcome, 2: more memory)";
    }
    for (const auto& path : test::filesUnder(test::dataPath("regressions"))) {
        EXPECT_TRUE(listed.contains(path.filename().string())) << path << " has no row";
    }
}

}  // namespace
}  // namespace pictrano
