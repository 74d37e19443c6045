#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/front/SaveParams.h"
#include "tests/support/TestData.h"

namespace pictrano::test {

// A file of tests/data through the loader; null, with a test failure, when it does not load.
inline std::unique_ptr<DibImage> loadTestFile(const std::string& relative) {
    ImageLoader loader;
    auto image = loader.loadFile(dataPath(relative).string());
    EXPECT_NE(image, nullptr) << relative << ": " << loader.errors().utf8();
    return image;
}

// A save request for the format with the colour model, bit count and degree; the rest zero.
inline SaveParams saveParams(int format, int colourModel, int bitCount, int degree) {
    SaveParams params{};
    params.structSize = sizeof(SaveParams);
    params.format = static_cast<std::uint16_t>(format);
    params.colourModel = static_cast<std::uint16_t>(colourModel);
    params.bitCount = static_cast<std::uint16_t>(bitCount);
    params.degree = static_cast<std::int16_t>(degree);
    return params;
}

// The message of a request the saver must refuse.
inline std::string refusal(const DibImage& image, SaveParams params) {
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    EXPECT_EQ(saver.encode(file, image, &params), 0u);
    return saver.errors().utf8();
}

}  // namespace pictrano::test
