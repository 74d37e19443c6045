#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/image/RowLayout.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

// The output formats whose writers exist; a new writer joins with one line.
struct OutputFormat {
    const char* option;  // -f
    const char* extension;
    bool loadable;       // the loader reads the output back
    bool exact;          // with the very pixels the JPEG file decodes to
};
const OutputFormat kOutputFormats[] = {
    {"bmp", ".bmp", true, true},
};

std::vector<std::filesystem::path> testJpegFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"jpeg/generated", "jpeg/reference"}) {
        for (const auto& entry : std::filesystem::directory_iterator(test::dataPath(folder))) {
            if (entry.path().extension() == ".jpg" && entry.path().filename() != "testimgari.jpg") {
                files.push_back(entry.path());
            }
        }
    }
    return files;
}

int runCli(const std::vector<std::string>& arguments, const std::filesystem::path& config) {
    std::string command = "XDG_CONFIG_HOME='" + config.string() + "' '" + PICTRANO_CLI + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliJpeg, EveryTestJpegConvertsToEveryOutputFormat) {
    const std::vector<std::filesystem::path> sources = testJpegFiles();
    ASSERT_EQ(sources.size(), 34u) << "every test file but the arithmetic-coded one";
    for (const OutputFormat& format : kOutputFormats) {
        SCOPED_TRACE(format.option);
        test::TempDir config, out;
        std::vector<std::string> arguments = {"-f", format.option, "-o", out.path().string()};
        for (const auto& source : sources) arguments.push_back(source.string());
        ASSERT_EQ(runCli(arguments, config.path()), 0);
        for (const auto& source : sources) {
            const std::filesystem::path output = out / (source.stem().string() + format.extension);
            ASSERT_TRUE(std::filesystem::exists(output)) << output;
            if (!format.loadable) continue;
            ImageLoader original, converted;
            const auto expected = original.loadFile(source.string());
            const auto image = converted.loadFile(output.string());
            ASSERT_NE(expected, nullptr) << source << ": " << original.errors().utf8();
            ASSERT_NE(image, nullptr) << output << ": " << converted.errors().utf8();
            ASSERT_EQ(image->width(), expected->width()) << output;
            ASSERT_EQ(image->height(), expected->height()) << output;
            if (!format.exact) continue;
            const auto bytes = static_cast<std::size_t>(pixelRowStride(image->width()) * image->height());
            EXPECT_EQ(std::memcmp(image->pixelBits(), expected->pixelBits(), bytes), 0) << output;
        }
    }
}

}  // namespace
}  // namespace pictrano
