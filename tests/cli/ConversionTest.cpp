#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/front/ImageLoader.h"
#include "tests/support/CliRun.h"
#include "tests/support/JpegOracle.h"
#include "tests/support/PngOracle.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

namespace fs = std::filesystem;

// An output format: its options, its extension, and whether the loader reads it back at all and
// with the very pixels of the source (lossless).
struct OutputFormat {
    std::vector<std::string> options;
    const char* extension;
    bool readBack;
    bool lossless;
};

std::vector<fs::path> jpegTestFiles() {
    std::vector<fs::path> files;
    for (const char* folder : {"jpeg/generated", "jpeg/reference"}) {
        for (const auto& entry : fs::directory_iterator(test::dataPath(folder))) {
            if (entry.path().extension() == ".jpg" && entry.path().filename() != "testimgari.jpg") {
                files.push_back(entry.path());
            }
        }
    }
    return files;
}

std::vector<std::uint8_t> unpadded(const DibImage& image) {
    return test::unpadRows(image.pixelBits(), image.width(), image.height());
}

void expectEveryOutput(const std::vector<fs::path>& sources, const OutputFormat& format) {
    SCOPED_TRACE(format.options[1] + format.extension);
    test::TempDir config, out;
    std::vector<std::string> arguments = format.options;
    arguments.insert(arguments.end(), {"-o", out.path().string()});
    for (const auto& source : sources) arguments.push_back(source.string());
    const test::CliRun run = test::runCli(arguments, config.path());
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& source : sources) {
        const fs::path written = out / (source.stem().string() + format.extension);
        ASSERT_TRUE(fs::exists(written)) << written;
        if (!format.readBack) continue;
        ImageLoader loader;
        const auto original = loader.loadFile(source.string());
        ASSERT_NE(original, nullptr) << source << ": " << loader.errors().utf8();
        const auto converted = loader.loadFile(written.string());
        ASSERT_NE(converted, nullptr) << written << ": " << loader.errors().utf8();
        ASSERT_EQ(converted->width(), original->width()) << written;
        ASSERT_EQ(converted->height(), original->height()) << written;
        if (format.lossless) {
            EXPECT_EQ(unpadded(*converted), unpadded(*original)) << written;
        }
    }
}

TEST(Conversion, EverySourceFormatConvertsIntoEveryOutputFormat) {
    std::vector<fs::path> sources = jpegTestFiles();
    ASSERT_EQ(sources.size(), 34u) << "every test JPEG but the arithmetic-coded one";
    for (const char* name : {"bmpsuite/g/rgb24.bmp", "bmpsuite/g/pal8.bmp", "pngsuite/basn3p08.png",
                             "pngsuite/basi2c16.png", "pngsuite/basn0g02.png", "pngsuite/basi6a08.png"}) {
        sources.push_back(test::dataPath(name));
    }
    const OutputFormat outputs[] = {
        {{"-f", "bmp"}, ".bmp", true, true},
        {{"-f", "png"}, ".png", true, true},
        {{"-f", "png", "-p", "deflate", "-d", "high-auto"}, ".png", true, true},
        {{"-f", "png", "-c", "rgb8", "-p", "deflate", "-d", "low-paeth"}, ".png", true, false},
        {{"-f", "jpeg"}, ".jpg", true, false},
        {{"-f", "jpeg", "-c", "mono8", "-p", "lossless", "-d", "7"}, ".jpg", true, false},
        {{"-f", "ico", "-c", "rgb8"}, ".ico", false, false},
    };
    for (const OutputFormat& format : outputs) expectEveryOutput(sources, format);
}

struct JpegRequest {
    std::string colour;       // the colour format's alias
    std::string compression;  // dct or lossless
    std::string degree;       // empty: no degree chosen
    std::string sampling;     // empty: the settings' default
};

TEST(Conversion, EveryJpegColourFormatCompressionAndDegreeReadsBack) {
    struct Picture {
        fs::path path;
        int width, height;
    };
    std::vector<Picture> pictures;
    for (const auto& entry : fs::directory_iterator(test::dataPath("bmpsuite/g"))) {
        ImageLoader loader;
        const auto image = loader.loadFile(entry.path().string());
        if (image != nullptr) pictures.push_back({entry.path(), image->width(), image->height()});
    }
    ASSERT_GE(pictures.size(), 15u);
    std::vector<JpegRequest> requests;
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
    for (const JpegRequest& request : requests) {
        const std::string what = request.colour + " " + request.compression + " " + request.degree + " " + request.sampling;
        test::TempDir out;
        std::vector<std::string> arguments = {"-f", "jpeg", "-c", request.colour, "-p", request.compression, "-o", out.path().string()};
        if (!request.degree.empty()) arguments.insert(arguments.end(), {"-d", request.degree});
        if (!request.sampling.empty()) arguments.insert(arguments.end(), {"--jpeg-sampling", request.sampling});
        for (const Picture& picture : pictures) arguments.push_back(picture.path.string());
        ASSERT_EQ(test::runCli(arguments, config.path()).status, 0) << what;
        for (const Picture& picture : pictures) {
            const std::vector<std::uint8_t> file = test::readBytes(out / (picture.path.stem().string() + ".jpg"));
            ASSERT_GE(file.size(), 4u) << what;
            ASSERT_TRUE(file[0] == 0xFF && file[1] == 0xD8) << what;
            if (request.compression != "dct") continue;
            const test::LibjpegPicture decoded = test::decodeWithLibjpeg(file);
            EXPECT_EQ(decoded.width, picture.width) << what << " " << picture.path;
            EXPECT_EQ(decoded.height, picture.height) << what << " " << picture.path;
            EXPECT_EQ(decoded.components, request.colour == "mono8" ? 1 : 3) << what;
        }
    }
}

}  // namespace
}  // namespace pictrano
