#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "tests/support/JpegOracle.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs the built tool with its settings kept under `config`; its exit status.
int runTool(const std::vector<std::string>& arguments, const std::filesystem::path& config) {
    std::string command = "XDG_CONFIG_HOME=" + quoted(config.string()) + " " + quoted(PICTRANO_CLI);
    for (const auto& argument : arguments) command += " " + quoted(argument);
    command += " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The test pictures our loader reads, with their sizes.
struct Picture {
    std::filesystem::path path;
    int width;
    int height;
};

std::vector<Picture> readablePictures() {
    std::vector<Picture> pictures;
    for (const auto& entry : std::filesystem::directory_iterator(test::dataPath("bmpsuite/g"))) {
        ImageLoader loader;
        auto image = loader.loadFile(entry.path().string());
        if (image != nullptr) pictures.push_back({entry.path(), image->width(), image->height()});
    }
    return pictures;
}

struct Request {
    std::string colour;       // the colour format's alias
    std::string compression;  // dct or lossless
    std::string degree;       // empty: no degree chosen
    std::string sampling;     // empty: the settings' default
};

TEST(CliJpeg, EveryColourFormatCompressionAndDegreeConvertsEveryTestPictureToAFileThatReadsBack) {
    const std::vector<Picture> pictures = readablePictures();
    ASSERT_GE(pictures.size(), 15u);
    std::vector<Request> requests;
    for (const std::string colour : {"ycbcr8", "mono8"}) {
        requests.push_back({colour, "dct", "", ""});
        for (int quality = 1; quality <= 99; ++quality) requests.push_back({colour, "dct", std::to_string(quality), ""});
    }
    for (const std::string sampling : {"1:1:1", "2:1:1", "4:1:1"}) {
        for (const std::string degree : {"1", "50", "99"}) requests.push_back({"ycbcr8", "dct", degree, sampling});
    }
    for (const std::string colour : {"ycbcr8", "rgb8", "mono8"}) {
        requests.push_back({colour, "lossless", "", ""});
        for (int predictor = 1; predictor <= 7; ++predictor) requests.push_back({colour, "lossless", std::to_string(predictor), ""});
    }
    test::TempDir config;
    for (const Request& request : requests) {
        const std::string what = request.colour + " " + request.compression + " " + request.degree + " " + request.sampling;
        test::TempDir out;
        std::vector<std::string> arguments = {"-f", "jpeg", "-c", request.colour, "-p", request.compression, "-o", out.path().string()};
        if (!request.degree.empty()) arguments.insert(arguments.end(), {"-d", request.degree});
        if (!request.sampling.empty()) arguments.insert(arguments.end(), {"--jpeg-sampling", request.sampling});
        for (const Picture& picture : pictures) arguments.push_back(picture.path.string());
        ASSERT_EQ(runTool(arguments, config.path()), 0) << what;
        for (const Picture& picture : pictures) {
            const std::filesystem::path output = out / (picture.path.stem().string() + ".jpg");
            const std::vector<std::uint8_t> file = test::readBytes(output);
            ASSERT_GE(file.size(), 4u) << what;
            ASSERT_EQ(file[0], 0xFF);
            ASSERT_EQ(file[1], 0xD8);
            if (request.compression == "dct") {
                const test::LibjpegPicture decoded = test::decodeWithLibjpeg(file);
                EXPECT_EQ(decoded.width, picture.width) << what << " " << output;
                EXPECT_EQ(decoded.height, picture.height) << what << " " << output;
                EXPECT_EQ(decoded.components, request.colour == "mono8" ? 1 : 3) << what;
            }
        }
    }
}

}  // namespace
}  // namespace pictrano
