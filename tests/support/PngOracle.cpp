#include "tests/support/PngOracle.h"

#include <png.h>

#include <cstring>
#include <stdexcept>

#include "imagelib/image/RowLayout.h"

namespace pictrano::test {

OraclePicture decodePngWithLibpng(const std::filesystem::path& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str())) {
        throw std::runtime_error("libpng cannot read " + path.string());
    }
    image.format = PNG_FORMAT_BGR;
    OraclePicture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.bgr.resize(PNG_IMAGE_SIZE(image));
    png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, picture.bgr.data(), 0, nullptr)) {
        png_image_free(&image);
        throw std::runtime_error("libpng cannot decode " + path.string());
    }
    return picture;
}

std::vector<std::uint8_t> unpadRows(const std::uint8_t* rows, int width, int height) {
    const auto stride = static_cast<std::size_t>(pixelRowStride(width));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * 3 * height);
    for (int y = 0; y < height; ++y) {
        std::memcpy(out.data() + static_cast<std::size_t>(y) * width * 3, rows + y * stride,
                    static_cast<std::size_t>(width) * 3);
    }
    return out;
}

}  // namespace pictrano::test
