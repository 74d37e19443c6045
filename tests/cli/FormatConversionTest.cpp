#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using test::dataPath;

// The output formats the tool writes. A format joins with one line: its options, its extension,
// and whether the loader reads it back at all and exactly (lossless).
struct OutputFormat {
    std::vector<std::string> options;
    const char* extension;
    bool readBack;
    bool lossless;
};
const OutputFormat kOutputs[] = {
    {{"-f", "bmp"}, ".bmp", true, true},
    {{"-f", "png"}, ".png", true, true},
    {{"-f", "png", "-p", "deflate", "-d", "high-auto"}, ".png", true, true},
    {{"-f", "png", "-c", "rgb8", "-p", "deflate", "-d", "low-paeth"}, ".png", true, false},
    {{"-f", "ico", "-c", "rgb8"}, ".ico", false, false},
};

// Sources of every input format the loader reads, of several kinds each.
const char* const kSources[] = {
    "bmpsuite/g/rgb24.bmp",  "bmpsuite/g/pal8.bmp",   "pngsuite/basn3p08.png",
    "pngsuite/basi2c16.png", "pngsuite/basn0g02.png", "pngsuite/basi6a08.png",
};

int runTool(const std::vector<std::string>& arguments, const std::filesystem::path& config) {
    std::string command = "XDG_CONFIG_HOME='" + config.string() + "' '" + PICTRANO_CLI + "'";
    for (const auto& argument : arguments) command += " '" + argument + "'";
    command += " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint8_t> unpadded(const DibImage& image) {
    std::vector<std::uint8_t> out;
    const auto stride = static_cast<std::size_t>(pixelRowStride(image.width()));
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* row = image.pixelBits() + y * stride;
        out.insert(out.end(), row, row + 3 * image.width());
    }
    return out;
}

TEST(FormatConversion, EverySourceFormatConvertsIntoEveryOutputFormat) {
    test::TempDir config;
    for (const OutputFormat& format : kOutputs) {
        test::TempDir out;
        std::vector<std::string> arguments = format.options;
        arguments.insert(arguments.end(), {"-o", out.path().string()});
        for (const char* source : kSources) arguments.push_back(dataPath(source).string());
        ASSERT_EQ(runTool(arguments, config.path()), 0) << arguments[1];
        for (const char* source : kSources) {
            const std::string stem = std::filesystem::path(source).stem().string();
            const auto written = out / (stem + format.extension);
            ASSERT_TRUE(std::filesystem::exists(written)) << written;
            if (!format.readBack) continue;
            ImageLoader loader;
            auto original = loader.loadFile(dataPath(source).string());
            auto converted = loader.loadFile(written.string());
            ASSERT_NE(converted, nullptr) << written << ": " << loader.errors().utf8();
            ASSERT_EQ(converted->width(), original->width()) << written;
            ASSERT_EQ(converted->height(), original->height()) << written;
            if (format.lossless) {
                EXPECT_EQ(unpadded(*converted), unpadded(*original)) << written;
            }
        }
    }
}

}  // namespace
}  // namespace pictrano
